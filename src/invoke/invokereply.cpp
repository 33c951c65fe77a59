#include "invokereply_p.h"

#include "invokereplyrouter_p.h"
#include "navigatorevent_p.h"
#include "navigatormapping_p.h"

#include <xrv/navigator.h>

#include <algorithm>
#include <iterator>

namespace qz::system {

InvokeReplyPrivate::InvokeReplyPrivate(InvokeReply *reply)
    : q(reply)
    , m_id(idFromReply(reply))
{
    // Listening starts before the request is sent, so no answer can slip past.
    xrv_initialize();
    m_router = InvokeReplyRouter::forCurrentThread();
    m_router->add(m_id, this);
    navigator_request_events(0);
}

InvokeReplyPrivate::~InvokeReplyPrivate()
{
    stopListening();
    xrv_shutdown();
}

void InvokeReplyPrivate::stopListening()
{
    if (m_router) {
        m_router->remove(m_id, this);
        m_router.reset();
    }
}

void InvokeReplyPrivate::event(xrv_event_t *event)
{
    if (finished || !isReplyEvent(xrv_event_get_code(event)))
        return;
    const char *id = navigator_event_get_id(event);
    if (id ? QString::fromUtf8(id) != m_id : !m_id.isEmpty())
        return;
    parseReplyEvent(event);
    finished = true;
    // Stop listening before anyone hears of the answer: a slot may delete the reply right away.
    stopListening();
    Q_EMIT q->finished();
}

bool InvokeReplyPrivate::isReplyEvent(int code) const
{
    return std::find(std::begin(NavigatorEvent::InvokeReplyCodes),
                     std::end(NavigatorEvent::InvokeReplyCodes),
                     code) != std::end(NavigatorEvent::InvokeReplyCodes);
}

void InvokeReplyPrivate::parseReplyEvent(xrv_event_t *event)
{
    const char *text = navigator_event_get_err(event);
    error = navigatormapping::replyErrorFromPlatform(text);
    if (error != InvokeReplyError::None)
        errorCode = navigator_invoke_event_get_error_code(event);
}

QString InvokeReplyPrivate::idFromReply(const InvokeReply *reply)
{
    return QString::number(quintptr(reply), 16);
}

InvokeReply::InvokeReply(QObject *parent)
    : InvokeReply(parent, *new InvokeReplyPrivate(this))
{}

InvokeReply::InvokeReply(QObject *parent, InvokeReplyPrivate &d)
    : QObject(parent)
    , d_ptr(&d)
{}

InvokeReply::~InvokeReply() = default;

bool InvokeReply::isFinished() const
{
    return d_ptr->finished;
}

InvokeReplyError::Type InvokeReply::error() const
{
    return d_ptr->error;
}

int InvokeReply::errorCode() const
{
    return d_ptr->errorCode;
}

} // namespace qz::system
