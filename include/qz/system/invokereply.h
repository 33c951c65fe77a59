#ifndef QZ_SYSTEM_INVOKEREPLY_H
#define QZ_SYSTEM_INVOKEREPLY_H

#include <qz/system/invokereplyerror.h>
#include <qz/system/qzsystem_export.h>

#include <QObject>

#include <memory>

namespace qz::system {

class InvokeReplyPrivate;

/*!
    \class qz::system::InvokeReply
    \brief The navigator's answer to one request.

    Created by InvokeManager with the manager as parent and handed to the caller, who may delete it
    at any time, also from a slot connected to finished(); otherwise it dies with the manager. It
    finishes at most once: finished() is emitted when the navigator answers, after the reply has
    stopped listening, and the results stay until the reply is deleted. A request the navigator
    never answers leaves its reply unfinished.
*/
class QZSYSTEM_EXPORT InvokeReply : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qz::system::InvokeReplyError::Type error READ error NOTIFY finished FINAL)
    Q_PROPERTY(int errorCode READ errorCode NOTIFY finished FINAL)
public:
    explicit InvokeReply(QObject *parent = nullptr);
    ~InvokeReply() override;

    Q_INVOKABLE bool isFinished() const;
    /*! None until finished, and after a successful request. */
    InvokeReplyError::Type error() const;
    /*! The navigator's own error code when error() is not None; else 0. */
    int errorCode() const;

Q_SIGNALS:
    void finished();

protected:
    InvokeReply(QObject *parent, InvokeReplyPrivate &d);

    std::unique_ptr<InvokeReplyPrivate> const d_ptr;

private:
    Q_DISABLE_COPY(InvokeReply)
};

} // namespace qz::system

#endif
