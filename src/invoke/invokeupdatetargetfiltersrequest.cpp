#include <qz/system/invokeupdatetargetfiltersrequest.h>

#include <algorithm>

namespace qz::system {

class InvokeUpdateTargetFiltersRequestPrivate
{
public:
    QString target;
    QList<InvokeTargetFilter> filters;
};

InvokeUpdateTargetFiltersRequest::InvokeUpdateTargetFiltersRequest()
    : d(new InvokeUpdateTargetFiltersRequestPrivate)
{}

InvokeUpdateTargetFiltersRequest::InvokeUpdateTargetFiltersRequest(
    const InvokeUpdateTargetFiltersRequest &other)
    : d(new InvokeUpdateTargetFiltersRequestPrivate(*other.d))
{}

InvokeUpdateTargetFiltersRequest &
InvokeUpdateTargetFiltersRequest::operator=(const InvokeUpdateTargetFiltersRequest &other)
{
    *d = *other.d;
    return *this;
}

InvokeUpdateTargetFiltersRequest::~InvokeUpdateTargetFiltersRequest() = default;

QString InvokeUpdateTargetFiltersRequest::target() const
{
    return d->target;
}

void InvokeUpdateTargetFiltersRequest::setTarget(const QString &target)
{
    d->target = target;
}

QList<InvokeTargetFilter> InvokeUpdateTargetFiltersRequest::filters() const
{
    return d->filters;
}

bool InvokeUpdateTargetFiltersRequest::setTargetFilters(const QList<InvokeTargetFilter> &filters)
{
    d->filters = filters;
    return std::all_of(filters.cbegin(), filters.cend(),
                       [](const InvokeTargetFilter &filter) { return filter.isValid(); });
}

} // namespace qz::system
