#include "invokeviewermessagereply_p.h"

#include "navigatorevent_p.h"

#include <xrv/navigator.h>

#include <cstring>

namespace qz::system {

namespace {

InvokeViewerMessageReplyError::Type relayErrorFromPlatform(const char *text)
{
    if (!text || !*text)
        return InvokeViewerMessageReplyError::None;
    if (std::strcmp(text, "INVALID_WINDOW_ID") == 0)
        return InvokeViewerMessageReplyError::InvalidWindowId;
    if (std::strcmp(text, "INVALID_MESSAGE") == 0)
        return InvokeViewerMessageReplyError::InvalidMessage;
    return InvokeViewerMessageReplyError::Internal;
}

} // namespace

InvokeViewerMessageReplyPrivate::InvokeViewerMessageReplyPrivate(InvokeViewerMessageReply *reply)
    : q(reply)
{
    xrv_initialize();
    subscribe(navigator_get_domain());
    navigator_request_events(0);
}

InvokeViewerMessageReplyPrivate::~InvokeViewerMessageReplyPrivate()
{
    xrv_shutdown();
}

void InvokeViewerMessageReplyPrivate::event(xrv_event_t *event)
{
    if (finished || !isReplyEvent(xrv_event_get_code(event)))
        return;
    // Read as UTF-8, the form the id was sent in, so that any id the sender chose comes back
    // equal.
    const char *eventId = navigator_event_get_id(event);
    if (!eventId || QString::fromUtf8(eventId) != id)
        return;
    parseReplyEvent(event);
    finished = true;
    // Stop listening before anyone hears of the answer: a slot may delete the reply right away.
    unsubscribe(navigator_get_domain());
    Q_EMIT q->finished();
}

bool InvokeViewerMessageReplyPrivate::isReplyEvent(int code) const
{
    return code == NavigatorEvent::ViewerRelayResult;
}

void InvokeViewerMessageReplyPrivate::parseReplyEvent(xrv_event_t *event)
{
    const char *err = navigator_event_get_err(event);
    if (const QString answered =
            QString::fromUtf8(navigator_invoke_event_get_viewer_relay_message_name(event));
        !answered.isEmpty())
        name = answered;
    windowId = QString::fromUtf8(navigator_invoke_event_get_viewer_relay_window_id(event));
    data = QString::fromUtf8(navigator_invoke_event_get_viewer_relay_data(event));
    error = relayErrorFromPlatform(err);
}

void InvokeViewerMessageReplyPrivate::setId(InvokeViewerMessageReply *reply, const QString &id)
{
    reply->d->id = id;
}

void InvokeViewerMessageReplyPrivate::setName(InvokeViewerMessageReply *reply, const QString &name)
{
    reply->d->name = name;
}

void InvokeViewerMessageReplyPrivate::setWindowId(InvokeViewerMessageReply *reply,
                                                  const QString &windowId)
{
    reply->d->windowId = windowId;
}

InvokeViewerMessageReply::InvokeViewerMessageReply(QObject *parent)
    : QObject(parent)
    , d(new InvokeViewerMessageReplyPrivate(this))
{}

InvokeViewerMessageReply::~InvokeViewerMessageReply() = default;

bool InvokeViewerMessageReply::isFinished() const
{
    return d->finished;
}

InvokeViewerMessageReplyError::Type InvokeViewerMessageReply::error() const
{
    return d->error;
}

QString InvokeViewerMessageReply::windowId() const
{
    return d->windowId;
}

QString InvokeViewerMessageReply::id() const
{
    return d->id;
}

QString InvokeViewerMessageReply::name() const
{
    return d->name;
}

QString InvokeViewerMessageReply::data() const
{
    return d->data;
}

} // namespace qz::system
