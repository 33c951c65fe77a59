#include <qz/system/contextcollector.h>

#include "devicelogging_p.h"

#include <context/context.h>

#include <functional>

namespace qz::system {

class ContextCollectorPrivate
{
public:
    explicit ContextCollectorPrivate(ContextCollector *owner)
        : q(owner)
    {}

    void initialise();
    /*! Builds the key set of \a event (and the extra attribute), hands it to \a send and frees
        it; nothing is built or sent without a handle. */
    void send(const ContextEvent *event, const std::function<void(ccl_event_keys_t *)> &send,
              const QString &extraKey = QString(), const QString &extraValue = QString());

    ContextCollector *const q;
    ccl_context_t *handle = nullptr;
    QString applicationName;
    QString applicationVersion;
};

void ContextCollectorPrivate::initialise()
{
    if (handle) {
        ccl_shutdown(handle);
        handle = nullptr;
    }
    if (!applicationName.isEmpty() && !applicationVersion.isEmpty())
        handle =
            ccl_init(applicationName.toUtf8().constData(), applicationVersion.toUtf8().constData());
}

void ContextCollectorPrivate::send(const ContextEvent *event,
                                   const std::function<void(ccl_event_keys_t *)> &call,
                                   const QString &extraKey, const QString &extraValue)
{
    if (!handle)
        return;
    ccl_event_keys_t *keys = ccl_event_keys_create();
    if (!keys)
        return;
    if (event) {
        for (const QString &key : event->keys())
            ccl_event_keys_add(keys, key.toUtf8().constData(),
                               event->value(key).toUtf8().constData(), 0);
    }
    if (!extraKey.isEmpty())
        ccl_event_keys_add(keys, extraKey.toUtf8().constData(), extraValue.toUtf8().constData(), 0);
    call(keys);
    ccl_event_keys_delete(keys);
}

ContextCollector::ContextCollector(QObject *parent)
    : ContextCollector(QString(), QString(), parent)
{}

ContextCollector::ContextCollector(const QString &applicationName,
                                   const QString &applicationVersion, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<ContextCollectorPrivate>(this))
{
    d->applicationName = applicationName;
    d->applicationVersion = applicationVersion;
    d->initialise();
}

ContextCollector::~ContextCollector()
{
    if (d->handle)
        ccl_shutdown(d->handle);
}

QString ContextCollector::applicationName() const
{
    return d->applicationName;
}

QString ContextCollector::applicationVersion() const
{
    return d->applicationVersion;
}

void ContextCollector::setApplicationName(const QString &applicationName)
{
    if (d->applicationName == applicationName)
        return;
    d->applicationName = applicationName;
    d->initialise();
    Q_EMIT applicationNameChanged(applicationName);
}

void ContextCollector::setApplicationVersion(const QString &applicationVersion)
{
    if (d->applicationVersion == applicationVersion)
        return;
    d->applicationVersion = applicationVersion;
    d->initialise();
    Q_EMIT applicationVersionChanged(applicationVersion);
}

void ContextCollector::resetApplicationName()
{
    setApplicationName(QString());
}

void ContextCollector::resetApplicationVersion()
{
    setApplicationVersion(QString());
}

bool ContextCollector::isValid() const
{
    return d->handle != nullptr;
}

bool ContextCollector::isEnabled() const
{
    return ccl_is_ccl_enabled(d->handle) == 0;
}

void ContextCollector::sendCustomEvent(const QString &eventName, ContextEvent *event)
{
    const QByteArray name = eventName.toUtf8();
    d->send(event,
            [&](ccl_event_keys_t *keys) { ccl_oncustom_event(d->handle, name.constData(), keys); });
}

void ContextCollector::sendApplicationError(const QString &errorMessage, ContextEvent *event)
{
    d->send(
        event, [&](ccl_event_keys_t *keys) { ccl_onapplication_error(d->handle, keys); },
        QStringLiteral("errorMessage"), errorMessage);
}

void ContextCollector::sendSearchEvent(const QString &searchString, ContextEvent *event)
{
    const QByteArray text = searchString.toUtf8();
    d->send(event,
            [&](ccl_event_keys_t *keys) { ccl_onsearch_event(d->handle, keys, text.constData()); });
}

void ContextCollector::sendActivity(const QString &activityName, ContextActivityState::Type state,
                                    ContextEvent *event)
{
    const QByteArray name = activityName.toUtf8();
    d->send(event, [&](ccl_event_keys_t *keys) {
        switch (state) {
        case ContextActivityState::Start:
            ccl_onactivity_start(d->handle, keys, name.constData());
            return;
        case ContextActivityState::Pause:
            ccl_onactivity_pause(d->handle, keys, name.constData());
            return;
        case ContextActivityState::Stop:
            break;
        }
        ccl_onactivity_end(d->handle, keys, name.constData());
    });
}

void ContextCollector::sendActivity(const QString &activityName, int state, ContextEvent *event)
{
    if (uint(state) > uint(ContextActivityState::Stop)) {
        qCWarning(lcDevice).nospace().noquote()
            << "ContextCollector::sendActivity() : value for ContextActivityState parameter is "
               "out of range: "
            << state;
        return;
    }
    sendActivity(activityName, ContextActivityState::Type(state), event);
}

void ContextCollector::sendButtonClick(ContextEvent *event)
{
    d->send(event, [&](ccl_event_keys_t *keys) { ccl_onbutton_click(d->handle, keys); });
}

void ContextCollector::sendContentView(ContextEvent *event)
{
    d->send(event, [&](ccl_event_keys_t *keys) { ccl_oncontent_view(d->handle, keys); });
}

void ContextCollector::sendAdClick(const QString &adName, ContextEvent *event)
{
    const QByteArray name = adName.toUtf8();
    d->send(event, [&](ccl_event_keys_t *keys) {
        ccl_onadclick_event(d->handle, keys, name.constData());
    });
}

void ContextCollector::sendConversionEvent(const QString &conversionName, ContextEvent *event)
{
    const QByteArray name = conversionName.toUtf8();
    d->send(event, [&](ccl_event_keys_t *keys) {
        ccl_onconversion_event(d->handle, keys, name.constData());
    });
}

void ContextCollector::sendCorporateLiableEvent(const QString &eventName, ContextEvent *event)
{
    const QByteArray name = eventName.toUtf8();
    d->send(event, [&](ccl_event_keys_t *keys) {
        ccl_oncorporateliable_event(d->handle, name.constData(), keys);
    });
}

} // namespace qz::system
