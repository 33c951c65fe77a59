#include "invoketargetreply_p.h"

#include "navigatormapping_p.h"

#include <xrv/navigator.h>

namespace qz::system {

InvokeTargetReplyPrivate::InvokeTargetReplyPrivate(InvokeTargetReply *reply)
    : InvokeReplyPrivate(reply)
{}

void InvokeTargetReplyPrivate::parseReplyEvent(xrv_event_t *event)
{
    InvokeReplyPrivate::parseReplyEvent(event);
    if (const char *chosen = navigator_invoke_event_get_target(event)) {
        target = QString::fromUtf8(chosen);
        targetType =
            navigatormapping::targetTypeFromPlatform(navigator_invoke_event_get_target_type(event));
    }
}

InvokeTargetReply::InvokeTargetReply(QObject *parent)
    : InvokeReply(parent, *new InvokeTargetReplyPrivate(this))
{}

InvokeTargetReply::~InvokeTargetReply() = default;

QString InvokeTargetReply::target() const
{
    return static_cast<const InvokeTargetReplyPrivate *>(d_ptr.get())->target;
}

InvokeTarget::Type InvokeTargetReply::targetType() const
{
    return static_cast<const InvokeTargetReplyPrivate *>(d_ptr.get())->targetType;
}

} // namespace qz::system
