#include <qz/system/invokequerytargetsreply.h>

#include "invokeaction_p.h"
#include "invokereply_p.h"
#include "navigatorevent_p.h"

#include <xrv/navigator.h>

namespace qz::system {

namespace {

class InvokeQueryTargetsReplyPrivate : public InvokeReplyPrivate
{
public:
    using InvokeReplyPrivate::InvokeReplyPrivate;

    bool isReplyEvent(int code) const override
    {
        return code == NavigatorEvent::QueryTargetsResult || InvokeReplyPrivate::isReplyEvent(code);
    }

    void parseReplyEvent(xrv_event_t *event) override
    {
        InvokeReplyPrivate::parseReplyEvent(event);
        const int count = navigator_invoke_event_get_query_result_action_count(event);
        for (int index = 0; index < count; ++index) {
            actions.append(InvokeActionPrivate::fromPlatform(
                navigator_invoke_event_get_query_result_action(event, index)));
        }
    }

    QList<InvokeAction> actions;
};

} // namespace

InvokeQueryTargetsReply::InvokeQueryTargetsReply(QObject *parent)
    : InvokeReply(parent, *new InvokeQueryTargetsReplyPrivate(this))
{}

InvokeQueryTargetsReply::~InvokeQueryTargetsReply() = default;

QList<InvokeAction> InvokeQueryTargetsReply::actions() const
{
    return static_cast<const InvokeQueryTargetsReplyPrivate *>(d_ptr.get())->actions;
}

} // namespace qz::system
