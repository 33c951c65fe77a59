#include "invokeaction_p.h"

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

} // namespace qz::system
