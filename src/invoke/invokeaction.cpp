#include "invokeaction_p.h"

#include "invoketarget_p.h"

namespace qz::system {

InvokeAction::InvokeAction()
    : d(new InvokeActionPrivate)
{}

InvokeAction::InvokeAction(const InvokeAction &other)
    : d(new InvokeActionPrivate(*other.d))
{}

InvokeAction &InvokeAction::operator=(const InvokeAction &other)
{
    *d = *other.d;
    return *this;
}

InvokeAction::~InvokeAction() = default;

QString InvokeAction::name() const
{
    return d->name;
}

QUrl InvokeAction::icon() const
{
    return d->icon;
}

QString InvokeAction::label() const
{
    return d->label;
}

QString InvokeAction::defaultTarget() const
{
    return d->defaultTarget;
}

QList<InvokeTarget> InvokeAction::targets() const
{
    return d->targets;
}

InvokeAction InvokeActionPrivate::create(const InvokeActionPrivate &fields)
{
    InvokeAction action;
    *action.d = fields;
    return action;
}

InvokeAction
InvokeActionPrivate::fromPlatform(const navigator_invoke_query_result_action_t *description)
{
    InvokeActionPrivate fields;
    fields.name = QString::fromUtf8(navigator_invoke_query_result_action_get_name(description));
    fields.icon =
        QUrl(QString::fromUtf8(navigator_invoke_query_result_action_get_icon(description)));
    fields.label = QString::fromUtf8(navigator_invoke_query_result_action_get_label(description));
    fields.defaultTarget =
        QString::fromUtf8(navigator_invoke_query_result_action_get_default_target(description));
    const int count = navigator_invoke_query_result_action_get_target_count(description);
    for (int index = 0; index < count; ++index) {
        fields.targets.append(InvokeTargetPrivate::fromPlatform(
            navigator_invoke_query_result_action_get_target(description, index)));
    }
    return create(fields);
}

} // namespace qz::system
