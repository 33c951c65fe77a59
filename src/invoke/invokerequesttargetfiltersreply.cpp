#include <qz/system/invokerequesttargetfiltersreply.h>

#include "invokereply_p.h"
#include "invoketargetfilter_p.h"
#include "navigatorevent_p.h"

#include <xrv/navigator.h>

namespace qz::system {

namespace {

class InvokeRequestTargetFiltersReplyPrivate : public InvokeReplyPrivate
{
public:
    using InvokeReplyPrivate::InvokeReplyPrivate;

    bool isReplyEvent(int code) const override
    {
        return code == NavigatorEvent::TargetFiltersResult ||
               InvokeReplyPrivate::isReplyEvent(code);
    }

    void parseReplyEvent(xrv_event_t *event) override
    {
        InvokeReplyPrivate::parseReplyEvent(event);
        targetKey = QString::fromUtf8(navigator_invoke_event_get_filters_target(event));
        const int count = navigator_invoke_event_get_filters_count(event);
        for (int index = 0; index < count; ++index) {
            filters.append(InvokeTargetFilterPrivate::parse(
                QString::fromUtf8(navigator_invoke_event_get_filter(event, index))));
        }
    }

    QString targetKey;
    QList<InvokeTargetFilter> filters;
};

} // namespace

InvokeRequestTargetFiltersReply::InvokeRequestTargetFiltersReply(QObject *parent)
    : InvokeReply(parent, *new InvokeRequestTargetFiltersReplyPrivate(this))
{}

InvokeRequestTargetFiltersReply::~InvokeRequestTargetFiltersReply() = default;

QString InvokeRequestTargetFiltersReply::targetKey() const
{
    return static_cast<const InvokeRequestTargetFiltersReplyPrivate *>(d_ptr.get())->targetKey;
}

QList<InvokeTargetFilter> InvokeRequestTargetFiltersReply::filters() const
{
    return static_cast<const InvokeRequestTargetFiltersReplyPrivate *>(d_ptr.get())->filters;
}

} // namespace qz::system
