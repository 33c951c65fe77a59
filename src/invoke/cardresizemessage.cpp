#include "cardresizemessage_p.h"

namespace qz::system {

CardResizeMessage::CardResizeMessage()
    : d(new CardResizeMessagePrivate)
{}

CardResizeMessage::CardResizeMessage(const CardResizeMessage &other)
    : d(new CardResizeMessagePrivate(*other.d))
{}

CardResizeMessage &CardResizeMessage::operator=(const CardResizeMessage &other)
{
    *d = *other.d;
    return *this;
}

CardResizeMessage::~CardResizeMessage() = default;

QString CardResizeMessage::id() const
{
    return d->id;
}

int CardResizeMessage::width() const
{
    return d->width;
}

int CardResizeMessage::height() const
{
    return d->height;
}

CardEdge::Type CardResizeMessage::upEdge() const
{
    return d->upEdge;
}

CardOrientation::Type CardResizeMessage::orientation() const
{
    return d->orientation;
}

CardResizeMessage CardResizeMessagePrivate::create(const QString &id, int width, int height,
                                                   CardEdge::Type upEdge,
                                                   CardOrientation::Type orientation)
{
    CardResizeMessage message;
    *message.d = {id, width, height, upEdge, orientation};
    return message;
}

} // namespace qz::system
