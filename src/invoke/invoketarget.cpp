#include "invoketarget_p.h"

#include "navigatormapping_p.h"

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

InvokeTarget
InvokeTargetPrivate::fromPlatform(const navigator_invoke_query_result_target_t *description)
{
    InvokeTargetPrivate fields;
    fields.name = QString::fromUtf8(navigator_invoke_query_result_target_get_key(description));
    fields.icon =
        QUrl(QString::fromUtf8(navigator_invoke_query_result_target_get_icon(description)));
    fields.splash =
        QUrl(QString::fromUtf8(navigator_invoke_query_result_target_get_splash(description)));
    fields.label = QString::fromUtf8(navigator_invoke_query_result_target_get_label(description));
    fields.type = navigatormapping::targetTypeFromPlatform(
        navigator_invoke_query_result_target_get_type(description));
    fields.perimeter = navigatormapping::perimeterFromPlatform(
        navigator_invoke_query_result_target_get_perimeter(description));
    return create(fields);
}

} // namespace qz::system
