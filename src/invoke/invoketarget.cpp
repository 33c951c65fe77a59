#include "invoketarget_p.h"

namespace qz::system {

InvokeTarget::InvokeTarget()
    : d(new InvokeTargetPrivate)
{}

InvokeTarget::InvokeTarget(const InvokeTarget &other)
    : d(new InvokeTargetPrivate(*other.d))
{}

InvokeTarget &InvokeTarget::operator=(const InvokeTarget &other)
{
    *d = *other.d;
    return *this;
}

InvokeTarget::~InvokeTarget() = default;

QString InvokeTarget::name() const
{
    return d->name;
}

QUrl InvokeTarget::icon() const
{
    return d->icon;
}

QUrl InvokeTarget::splash() const
{
    return d->splash;
}

QString InvokeTarget::label() const
{
    return d->label;
}

InvokeTarget::Type InvokeTarget::type() const
{
    return d->type;
}

SecurityPerimeter::Type InvokeTarget::perimeter() const
{
    return d->perimeter;
}

InvokeTarget InvokeTargetPrivate::create(const InvokeTargetPrivate &fields)
{
    InvokeTarget target;
    *target.d = fields;
    return target;
}

} // namespace qz::system
