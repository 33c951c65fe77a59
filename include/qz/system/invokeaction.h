#ifndef QZ_SYSTEM_INVOKEACTION_H
#define QZ_SYSTEM_INVOKEACTION_H

#include <qz/system/invoketarget.h>

#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace qz::system {

class InvokeActionPrivate;

/*!
    \class qz::system::InvokeAction
    \brief One action offered by invocation targets, with the targets that offer it.

    Filled by the target queries of InvokeManager; read-only to applications. Copies are
    independent.

    \value All Every action
    \value Menu Only the actions meant for menus
*/
class QZSYSTEM_EXPORT InvokeAction
{
    Q_GADGET
    Q_PROPERTY(QString name READ name CONSTANT FINAL)
    Q_PROPERTY(QUrl icon READ icon CONSTANT FINAL)
    Q_PROPERTY(QString label READ label CONSTANT FINAL)
    Q_PROPERTY(QString defaultTarget READ defaultTarget CONSTANT FINAL)
    Q_PROPERTY(QList<qz::system::InvokeTarget> targets READ targets CONSTANT FINAL)
public:
    enum Type : int { All = 0, Menu = 1 };
    Q_ENUM(Type)

    InvokeAction();
    InvokeAction(const InvokeAction &other);
    InvokeAction &operator=(const InvokeAction &other);
    ~InvokeAction();

    QString name() const;
    QUrl icon() const;
    QString label() const;
    /*! The key of the target used when none is chosen. */
    QString defaultTarget() const;
    /*! The targets offering the action, in the platform's order. */
    QList<InvokeTarget> targets() const;

private:
    friend class InvokeActionPrivate;
    std::unique_ptr<InvokeActionPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeAction)

#endif
