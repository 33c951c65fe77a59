#ifndef QZ_SYSTEM_INVOKEVIEWERMESSAGEREPLY_H
#define QZ_SYSTEM_INVOKEVIEWERMESSAGEREPLY_H

#include <qz/system/invokeviewermessagereplyerror.h>

#include <QObject>
#include <QString>

#include <memory>

namespace qz::system {

class InvokeViewerMessageReplyPrivate;

/*!
    \class qz::system::InvokeViewerMessageReply
    \brief The answer to a relay message sent with an id.

    Created by InvokeManager::send() with the manager as parent and handed to the caller, who may
    delete it at any time, also from a slot connected to finished(); otherwise it dies with the
    manager. It finishes at most once, on the first answer that carries the message's id; the
    answer's window id, data and (when it names one) message name then replace those of the sent
    message, and error() tells whether the viewer took it.
*/
class QZSYSTEM_EXPORT InvokeViewerMessageReply : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        qz::system::InvokeViewerMessageReplyError::Type error READ error NOTIFY finished FINAL)
    Q_PROPERTY(QString data READ data NOTIFY finished FINAL)
public:
    explicit InvokeViewerMessageReply(QObject *parent = nullptr);
    ~InvokeViewerMessageReply() override;

    Q_INVOKABLE bool isFinished() const;
    /*! None until finished, and after a relay the other side took. */
    InvokeViewerMessageReplyError::Type error() const;
    QString windowId() const;
    /*! The id of the message this reply answers. */
    QString id() const;
    QString name() const;
    QString data() const;

Q_SIGNALS:
    void finished();

private:
    friend class InvokeViewerMessageReplyPrivate;
    std::unique_ptr<InvokeViewerMessageReplyPrivate> const d;

    Q_DISABLE_COPY(InvokeViewerMessageReply)
};

} // namespace qz::system

#endif
