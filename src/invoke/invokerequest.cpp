#include "invokerequest_p.h"

namespace qz::system {

InvokeRequest::InvokeRequest()
    : d(new InvokeRequestPrivate)
{}

InvokeRequest::InvokeRequest(const InvokeRequest &other)
    : d(new InvokeRequestPrivate(*other.d))
{}

InvokeRequest &InvokeRequest::operator=(const InvokeRequest &other)
{
    *d = *other.d;
    return *this;
}

InvokeRequest::~InvokeRequest() = default;

InvokeSource InvokeRequest::source() const
{
    return d->source;
}

QString InvokeRequest::target() const
{
    return d->target;
}

void InvokeRequest::setTarget(const QString &target)
{
    d->target = target;
}

QString InvokeRequest::action() const
{
    return d->action;
}

void InvokeRequest::setAction(const QString &action)
{
    d->action = action;
}

QString InvokeRequest::mimeType() const
{
    return d->mimeType;
}

void InvokeRequest::setMimeType(const QString &mimeType)
{
    d->mimeType = mimeType;
}

QUrl InvokeRequest::uri() const
{
    return d->uri;
}

void InvokeRequest::setUri(const QUrl &uri)
{
    d->uri = uri;
}

void InvokeRequest::setUri(const QString &uri)
{
    d->uri = QUrl(uri, QUrl::TolerantMode);
}

void InvokeRequest::setUri(const char *uri)
{
    setUri(QString::fromUtf8(uri));
}

QByteArray InvokeRequest::data() const
{
    return d->data;
}

void InvokeRequest::setData(const QByteArray &data)
{
    d->data = data;
}

QVariantMap InvokeRequest::metadata() const
{
    return d->metadata;
}

void InvokeRequest::setMetadata(const QVariantMap &metadata)
{
    d->metadata = metadata;
}

FileTransferMode::Type InvokeRequest::fileTransferMode() const
{
    return d->fileTransferMode;
}

void InvokeRequest::setFileTransferMode(FileTransferMode::Type mode)
{
    d->fileTransferMode = mode;
}

SecurityPerimeter::Type InvokeRequest::perimeter() const
{
    return d->perimeter;
}

void InvokeRequest::setPerimeter(SecurityPerimeter::Type perimeter)
{
    d->perimeter = perimeter;
}

InvokeTarget::Types InvokeRequest::targetTypes() const
{
    return d->targetTypes;
}

void InvokeRequest::setTargetTypes(InvokeTarget::Types types)
{
    d->targetTypes = types;
}

int InvokeRequest::listId() const
{
    return d->listId;
}

void InvokeRequest::setListId(int listId)
{
    d->listId = listId;
}

void InvokeRequestPrivate::setSource(InvokeRequest &request, const InvokeSource &source)
{
    request.d->source = source;
}

} // namespace qz::system
