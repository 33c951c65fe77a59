#ifndef QZ_SYSTEM_INVOKEVIEWERMESSAGE_H
#define QZ_SYSTEM_INVOKEVIEWERMESSAGE_H

#include <qz/system/qzsystem_export.h>

#include <QMetaType>
#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class InvokeViewerMessagePrivate;

/*!
    \class qz::system::InvokeViewerMessage
    \brief A short named text message (a relay) between a viewer and the application that invoked
    it.

    Received ones arrive in InvokeManager::received(). Every field is empty by default. Copies are
    independent.
*/
class QZSYSTEM_EXPORT InvokeViewerMessage
{
    Q_GADGET
    Q_PROPERTY(QString windowId READ windowId WRITE setWindowId FINAL)
    Q_PROPERTY(QString id READ id WRITE setId FINAL)
    Q_PROPERTY(QString name READ name WRITE setName FINAL)
    Q_PROPERTY(QString data READ data WRITE setData FINAL)
public:
    InvokeViewerMessage();
    InvokeViewerMessage(const InvokeViewerMessage &other);
    InvokeViewerMessage &operator=(const InvokeViewerMessage &other);
    ~InvokeViewerMessage();

    /*! The window group of the viewer the message travels to or from. */
    QString windowId() const;
    void setWindowId(const QString &windowId);

    /*! Chosen by the sender; a message with an id asks for an answer. */
    QString id() const;
    void setId(const QString &id);

    /*! What the message is about. The name "viewerCloseRequest" is reserved: it asks the invoker
        to close the viewer and arrives as InvokeManager::viewerCloseRequestReceived(). */
    QString name() const;
    void setName(const QString &name);

    QString data() const;
    void setData(const QString &data);

private:
    std::unique_ptr<InvokeViewerMessagePrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeViewerMessage)

#endif
