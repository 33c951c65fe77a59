#include <qz/system/carddonemessage.h>

namespace qz::system {

class CardDoneMessagePrivate
{
public:
    QString reason;
    QString dataType;
    QString data;
};

CardDoneMessage::CardDoneMessage()
    : d(new CardDoneMessagePrivate)
{}

CardDoneMessage::CardDoneMessage(const CardDoneMessage &other)
    : d(new CardDoneMessagePrivate(*other.d))
{}

CardDoneMessage &CardDoneMessage::operator=(const CardDoneMessage &other)
{
    *d = *other.d;
    return *this;
}

CardDoneMessage::~CardDoneMessage() = default;

QString CardDoneMessage::reason() const
{
    return d->reason;
}

void CardDoneMessage::setReason(const QString &reason)
{
    d->reason = reason;
}

QString CardDoneMessage::dataType() const
{
    return d->dataType;
}

void CardDoneMessage::setDataType(const QString &dataType)
{
    d->dataType = dataType;
}

QString CardDoneMessage::data() const
{
    return d->data;
}

void CardDoneMessage::setData(const QString &data)
{
    d->data = data;
}

} // namespace qz::system
