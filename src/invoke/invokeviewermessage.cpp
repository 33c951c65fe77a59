#include "invokeviewermessage_p.h"

namespace qz::system {

InvokeViewerMessage::InvokeViewerMessage()
    : d(new InvokeViewerMessagePrivate)
{}

InvokeViewerMessage::InvokeViewerMessage(const InvokeViewerMessage &other)
    : d(new InvokeViewerMessagePrivate(*other.d))
{}

InvokeViewerMessage &InvokeViewerMessage::operator=(const InvokeViewerMessage &other)
{
    *d = *other.d;
    return *this;
}

InvokeViewerMessage::~InvokeViewerMessage() = default;

QString InvokeViewerMessage::windowId() const
{
    return d->windowId;
}

void InvokeViewerMessage::setWindowId(const QString &windowId)
{
    d->windowId = windowId;
}

QString InvokeViewerMessage::id() const
{
    return d->id;
}

void InvokeViewerMessage::setId(const QString &id)
{
    d->id = id;
}

QString InvokeViewerMessage::name() const
{
    return d->name;
}

void InvokeViewerMessage::setName(const QString &name)
{
    d->name = name;
}

QString InvokeViewerMessage::data() const
{
    return d->data;
}

void InvokeViewerMessage::setData(const QString &data)
{
    d->data = data;
}

} // namespace qz::system
