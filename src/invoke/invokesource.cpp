#include "invokesource_p.h"

namespace qz::system {

InvokeSource::InvokeSource()
    : d(new InvokeSourcePrivate)
{}

InvokeSource::InvokeSource(const InvokeSource &other)
    : d(new InvokeSourcePrivate(*other.d))
{}

InvokeSource &InvokeSource::operator=(const InvokeSource &other)
{
    *d = *other.d;
    return *this;
}

InvokeSource::~InvokeSource() = default;

int InvokeSource::groupId() const
{
    return d->groupId;
}

QString InvokeSource::installId() const
{
    return d->installId;
}

InvokeSource InvokeSourcePrivate::create(int groupId, const QString &installId)
{
    InvokeSource source;
    source.d->groupId = groupId;
    source.d->installId = installId;
    return source;
}

} // namespace qz::system
