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
    std::function<void()> failure;

    void reportFailure()
    {
        // Taken out before the call: a failure is reported once.
        if (const std::function<void()> handler = std::exchange(failure, {}))
            handler();
    }
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

void DialogPpsChannel::setFailureHandler(std::function<void()> handler)
{
    d->failure = std::move(handler);
}

void DialogPpsChannel::onReadyRead()
{
    bool ok = false;
    const QByteArray text = d->object->read(&ok);
    if (ok) {
        Q_EMIT receivePassthrough(PpsObject::decode(text));
    } else if (d->object->error() != EAGAIN) {
        d->reportFailure();
    }
}

void DialogPpsChannel::onSend(const QVariantMap &map)
{
    if (d->object->write(PpsObject::encode(map)) || !d->failure)
        return;
    // A request that never left gets no answer: say why, and let the dialog end.
    qCWarning(lcSystemUi, "DialogPpsChannel: a request could not be sent: %s",
              qPrintable(d->object->errorString()));
    d->reportFailure();
}

} // namespace qz::system
