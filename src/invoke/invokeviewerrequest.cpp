#include <qz/system/invokeviewerrequest.h>

namespace qz::system {

class InvokeViewerRequestPrivate
{
public:
    QString windowId;
    QSize windowSize;
};

InvokeViewerRequest::InvokeViewerRequest()
    : d(new InvokeViewerRequestPrivate)
{}

InvokeViewerRequest::InvokeViewerRequest(const InvokeViewerRequest &other)
    : InvokeRequest(other)
    , d(new InvokeViewerRequestPrivate(*other.d))
{}

InvokeViewerRequest &InvokeViewerRequest::operator=(const InvokeViewerRequest &other)
{
    InvokeRequest::operator=(other);
    *d = *other.d;
    return *this;
}

InvokeViewerRequest::~InvokeViewerRequest() = default;

QString InvokeViewerRequest::windowId() const
{
    return d->windowId;
}

void InvokeViewerRequest::setWindowId(const QString &windowId)
{
    d->windowId = windowId;
}

QSize InvokeViewerRequest::windowSize() const
{
    return d->windowSize;
}

void InvokeViewerRequest::setWindowSize(const QSize &windowSize)
{
    d->windowSize = windowSize;
}

} // namespace qz::system
