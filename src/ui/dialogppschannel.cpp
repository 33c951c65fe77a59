#include <qz/system/dialogppschannel.h>

#include "systemuiconstants_p.h"

#include <qz/PpsObject>

#include <cerrno>
#include <utility>

namespace qz::system {

class DialogPpsChannelPrivate
{
public:
    // A child of the channel: created once, never replaced.
    PpsObject *object = nullptr;
    std::function<void()> connectionLost;
};

DialogPpsChannel::DialogPpsChannel(bool systemControl, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<DialogPpsChannelPrivate>())
{
    d->object = new PpsObject(systemControl ? s_controlServicePath : s_controlPath, this);
    if (!d->object->open(PpsOpenMode::PublishSubscribe))
        return;
    connect(d->object, &PpsObject::readyRead, this, &DialogPpsChannel::onReadyRead);
    connect(this, &DialogPpsChannel::sendPassthrough, this, &DialogPpsChannel::onSend);
}

DialogPpsChannel::~DialogPpsChannel() = default;

bool DialogPpsChannel::isOpen() const
{
    return d->object && d->object->isOpen();
}

void DialogPpsChannel::setConnectionLostHandler(std::function<void()> handler)
{
    d->connectionLost = std::move(handler);
}

void DialogPpsChannel::onReadyRead()
{
    bool ok = false;
    const QByteArray text = d->object->read(&ok);
    if (ok) {
        Q_EMIT receivePassthrough(PpsObject::decode(text));
    } else if (d->object->error() != EAGAIN && d->connectionLost) {
        // Taken out before the call: a lost connection is reported once.
        const std::function<void()> handler = std::exchange(d->connectionLost, {});
        handler();
    }
}

void DialogPpsChannel::onSend(const QVariantMap &map)
{
    d->object->write(PpsObject::encode(map));
}

} // namespace qz::system
