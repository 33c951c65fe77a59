/*
 * Not API. How the answer to a relay finds its reply: as an InvokeReply does (listening from
 * construction, the first reply event carrying its id, then no more), with the relay's own answer
 * code and fields.
 */
#ifndef QZ_SYSTEM_INVOKEVIEWERMESSAGEREPLY_P_H
#define QZ_SYSTEM_INVOKEVIEWERMESSAGEREPLY_P_H

#include <qz/system/invokeviewermessagereply.h>

#include <qz/AbstractXrvEventHandler>

namespace qz::system {

class InvokeViewerMessageReplyPrivate : public qz::AbstractXrvEventHandler
{
public:
    explicit InvokeViewerMessageReplyPrivate(InvokeViewerMessageReply *reply);
    ~InvokeViewerMessageReplyPrivate() override;

    void event(xrv_event_t *event) override;
    virtual bool isReplyEvent(int code) const;
    /*! Reads the error and the answered relay's fields. */
    virtual void parseReplyEvent(xrv_event_t *event);

    /*! What the invoke manager tells a new reply about the message it answers. */
    static void setId(InvokeViewerMessageReply *reply, const QString &id);
    static void setName(InvokeViewerMessageReply *reply, const QString &name);
    static void setWindowId(InvokeViewerMessageReply *reply, const QString &windowId);

    bool finished = false;
    InvokeViewerMessageReplyError::Type error = InvokeViewerMessageReplyError::None;
    QString windowId;
    QString id;
    QString name;
    QString data;
    InvokeViewerMessageReply *const q;
};

} // namespace qz::system

#endif
