#ifndef QZ_SYSTEM_INVOKETARGET_H
#define QZ_SYSTEM_INVOKETARGET_H

#include <qz/system/securityperimeter.h>

#include <QFlags>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace qz::system {

class InvokeTargetPrivate;

/*!
    \class qz::system::InvokeTarget
    \brief One invocation target as the platform describes it.

    Filled by the target queries of InvokeManager; read-only to applications. Copies are
    independent.

    \value Unspecified No particular kind
    \value Application An application
    \value Card A card
    \value Viewer A viewer
    \value Service A service
    \value Self The invoking application itself
    \value Headless A headless service
*/
class QZSYSTEM_EXPORT InvokeTarget
{
    Q_GADGET
    Q_PROPERTY(QString name READ name CONSTANT FINAL)
    Q_PROPERTY(QUrl icon READ icon CONSTANT FINAL)
    Q_PROPERTY(QUrl splash READ splash CONSTANT FINAL)
    Q_PROPERTY(QString label READ label CONSTANT FINAL)
    Q_PROPERTY(qz::system::InvokeTarget::Type type READ type CONSTANT FINAL)
    Q_PROPERTY(qz::system::SecurityPerimeter::Type perimeter READ perimeter CONSTANT FINAL)
public:
    enum Type : int {
        Unspecified = 0,
        Application = 1,
        Card = 2,
        Viewer = 4,
        Service = 8,
        Self = 16,
        Headless = 64
    };
    Q_ENUM(Type)
    Q_DECLARE_FLAGS(Types, Type)
    Q_FLAG(Types)

    InvokeTarget();
    InvokeTarget(const InvokeTarget &other);
    InvokeTarget &operator=(const InvokeTarget &other);
    ~InvokeTarget();

    /*! The target key. */
    QString name() const;
    QUrl icon() const;
    QUrl splash() const;
    QString label() const;
    Type type() const;
    SecurityPerimeter::Type perimeter() const;

private:
    friend class InvokeTargetPrivate;
    std::unique_ptr<InvokeTargetPrivate> d;
};

} // namespace qz::system

Q_DECLARE_OPERATORS_FOR_FLAGS(qz::system::InvokeTarget::Types)
Q_DECLARE_METATYPE(qz::system::InvokeTarget)

#endif
