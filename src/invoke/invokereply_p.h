/*
 * Not API. How a reply finds the navigator's answer to its request: it listens to the navigator
 * domain from construction, takes the first event that is a reply event (isReplyEvent) carrying
 * its id, reads it (parseReplyEvent), stops listening and reports. Replies to other kinds of
 * request override the two hooks. Listening goes through the thread's InvokeReplyRouter, which
 * offers a reply only the events carrying its id (see invokereplyrouter_p.h).
 */
#ifndef QZ_SYSTEM_INVOKEREPLY_P_H
#define QZ_SYSTEM_INVOKEREPLY_P_H

#include <qz/system/invokereply.h>

#include <qz/AbstractXrvEventHandler>

#include <memory>

namespace qz::system {

class InvokeReplyRouter;

class InvokeReplyPrivate : public qz::AbstractXrvEventHandler
{
public:
    explicit InvokeReplyPrivate(InvokeReply *reply);
    ~InvokeReplyPrivate() override;

    void event(xrv_event_t *event) override;
    virtual bool isReplyEvent(int code) const;
    /*! Reads the error of an answer. */
    virtual void parseReplyEvent(xrv_event_t *event);

    /*! The id a request carries so that its answer finds \a reply: the reply's address as
        lowercase hexadecimal digits. */
    static QString idFromReply(const InvokeReply *reply);

    bool finished = false;
    InvokeReplyError::Type error = InvokeReplyError::None;
    int errorCode = 0;
    InvokeReply *const q;

private:
    void stopListening();

    const QString m_id;
    std::shared_ptr<InvokeReplyRouter> m_router;
};

} // namespace qz::system

#endif
