#include "line_p.h"

namespace qz::system::phone {

Line::Line()
    : d(new LinePrivate)
{}

Line::Line(const QSharedDataPointer<LinePrivate> &data)
    : d(data)
{}

Line::Line(const Line &other) = default;
Line &Line::operator=(const Line &other) = default;
Line::~Line() = default;

bool Line::isValid() const
{
    return !d->id.isEmpty();
}

QString Line::id() const
{
    return d->id;
}

QString Line::address() const
{
    return isValid() ? d->address : QString();
}

QString Line::description() const
{
    if (!isValid())
        return QString();
    return d->friendlyName.isEmpty() ? d->id : d->friendlyName;
}

LineType::Type Line::type() const
{
    return isValid() ? LinePrivate::lineTypeFromName(d->id) : LineType::Invalid;
}

bool Line::operator==(const Line &other) const
{
    return isValid() && other.isValid() && d->address == other.d->address && d->id == other.d->id;
}

} // namespace qz::system::phone
