#include <qz/system/invokequerytargetsrequest.h>

namespace qz::system {

class InvokeQueryTargetsRequestPrivate
{
public:
    QString action;
    QString mimeType;
    QUrl uri;
    InvokeTarget::Types targetTypes;
    InvokeAction::Type actionType = InvokeAction::All;
    SecurityPerimeter::Type perimeter = SecurityPerimeter::Default;
};

InvokeQueryTargetsRequest::InvokeQueryTargetsRequest()
    : d(new InvokeQueryTargetsRequestPrivate)
{}

InvokeQueryTargetsRequest::InvokeQueryTargetsRequest(const InvokeQueryTargetsRequest &other)
    : d(new InvokeQueryTargetsRequestPrivate(*other.d))
{}

InvokeQueryTargetsRequest &
InvokeQueryTargetsRequest::operator=(const InvokeQueryTargetsRequest &other)
{
    *d = *other.d;
    return *this;
}

InvokeQueryTargetsRequest::~InvokeQueryTargetsRequest() = default;

QString InvokeQueryTargetsRequest::action() const
{
    return d->action;
}

void InvokeQueryTargetsRequest::setAction(const QString &action)
{
    d->action = action;
}

QString InvokeQueryTargetsRequest::mimeType() const
{
    return d->mimeType;
}

void InvokeQueryTargetsRequest::setMimeType(const QString &mimeType)
{
    d->mimeType = mimeType;
}

QUrl InvokeQueryTargetsRequest::uri() const
{
    return d->uri;
}

void InvokeQueryTargetsRequest::setUri(const QUrl &uri)
{
    d->uri = uri;
}

void InvokeQueryTargetsRequest::setUri(const QString &uri)
{
    d->uri = QUrl(uri, QUrl::TolerantMode);
}

InvokeTarget::Types InvokeQueryTargetsRequest::targetTypes() const
{
    return d->targetTypes;
}

void InvokeQueryTargetsRequest::setTargetTypes(InvokeTarget::Types types)
{
    d->targetTypes = types;
}

InvokeAction::Type InvokeQueryTargetsRequest::actionType() const
{
    return d->actionType;
}

void InvokeQueryTargetsRequest::setActionType(InvokeAction::Type type)
{
    d->actionType = type;
}

SecurityPerimeter::Type InvokeQueryTargetsRequest::perimeter() const
{
    return d->perimeter;
}

void InvokeQueryTargetsRequest::setPerimeter(SecurityPerimeter::Type perimeter)
{
    d->perimeter = perimeter;
}

} // namespace qz::system
