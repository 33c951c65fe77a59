#include "context.h"

#include "../xrv/backend_p.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QStringList>

#include <cerrno>
#include <cstring>

using qz::platform::forward;
using qz::platform::Service;

struct ccl_context
{
    QString name;
    QString version;
};

struct ccl_event_keys
{
    QStringList order;
    QHash<QString, QString> values;
};

namespace {

// Handles are checked against the live ones, so a stale or forged pointer is refused rather than
// followed.
struct Registry
{
    QMutex mutex;
    QSet<const void *> live;
};

Registry &registry()
{
    static Registry r;
    return r;
}

bool isLive(const void *handle)
{
    QMutexLocker lock(&registry().mutex);
    return handle && registry().live.contains(handle);
}

void track(const void *handle, bool alive)
{
    QMutexLocker lock(&registry().mutex);
    if (alive)
        registry().live.insert(handle);
    else
        registry().live.remove(handle);
}

int invalid()
{
    errno = EINVAL;
    return -1;
}

quint64 address(const void *handle)
{
    return quint64(quintptr(handle));
}

QVariantList pairsOf(const ccl_event_keys *keys)
{
    QVariantList pairs;
    for (const QString &key : keys->order)
        pairs.append(QVariant(QStringList{key, keys->values.value(key)}));
    return pairs;
}

// An event with optional texts before and after the keys, in the order of its C signature.
int sendEvent(const char *call, ccl_context_t *context, const char *before, ccl_event_keys_t *keys,
              const char *after)
{
    if (!isLive(context) || !isLive(keys))
        return invalid();
    QVariantList args{address(context)};
    if (before)
        args.append(QString::fromUtf8(before));
    args.append(QVariant(pairsOf(keys)));
    if (after)
        args.append(QString::fromUtf8(after));
    return forward(Service::Context, call, args);
}

int anonymize(const char *call, const char *value, char *buffer, int size)
{
    if (!value || !buffer)
        return invalid();
    // Checked before the value leaves this process: a digest that cannot be stored is no use.
    if (size < CCL_ANONYMIZED_SIZE) {
        errno = ERANGE;
        return -1;
    }
    QVariantList out;
    if (forward(Service::Context, call, {QString::fromUtf8(value), size}, &out) != 0)
        return -1;
    const QByteArray digest = out.value(0).toString().toUtf8();
    if (digest.isEmpty() || digest.size() >= size || digest.contains('\0')) {
        errno = EPROTO;
        return -1;
    }
    std::memcpy(buffer, digest.constData(), size_t(digest.size()) + 1);
    return 0;
}

} // namespace

ccl_context_t *ccl_init(const char *application_name, const char *application_version)
{
    if (!application_name || !*application_name || !application_version || !*application_version) {
        errno = EINVAL;
        return nullptr;
    }
    auto *context = new ccl_context{QString::fromUtf8(application_name),
                                    QString::fromUtf8(application_version)};
    if (forward(Service::Context, "ccl_init", {context->name, context->version}) != 0) {
        const int error = errno;
        delete context;
        errno = error;
        return nullptr;
    }
    track(context, true);
    return context;
}

int ccl_shutdown(ccl_context_t *context)
{
    if (!context)
        return 0;
    if (!isLive(context))
        return invalid();
    const int result = forward(Service::Context, "ccl_shutdown", {address(context)});
    track(context, false);
    delete context;
    return result;
}

int ccl_is_ccl_enabled(ccl_context_t *context)
{
    if (!isLive(context))
        return invalid();
    QVariantList out;
    if (forward(Service::Context, "ccl_is_ccl_enabled", {address(context)}, &out) != 0)
        return -1;
    // Anything but a plain "yes" from the collector counts as off.
    return out.value(0).toBool() ? 0 : 1;
}

ccl_event_keys_t *ccl_event_keys_create(void)
{
    auto *keys = new ccl_event_keys;
    if (forward(Service::Context, "ccl_event_keys_create", {address(keys)}) != 0 &&
        errno != ENOSYS) {
        const int error = errno;
        delete keys;
        errno = error;
        return nullptr;
    }
    track(keys, true);
    return keys;
}

int ccl_event_keys_add(ccl_event_keys_t *keys, const char *key, const char *value, int flags)
{
    if (!isLive(keys) || !key || !*key || !value || flags != 0)
        return invalid();
    const QString name = QString::fromUtf8(key);
    const QString text = QString::fromUtf8(value);
    if (forward(Service::Context, "ccl_event_keys_add", {address(keys), name, text, flags}) != 0 &&
        errno != ENOSYS)
        return -1;
    if (!keys->values.contains(name))
        keys->order.append(name);
    keys->values.insert(name, text);
    return 0;
}

int ccl_event_keys_delete(ccl_event_keys_t *keys)
{
    if (!keys)
        return 0;
    if (!isLive(keys))
        return invalid();
    forward(Service::Context, "ccl_event_keys_delete", {address(keys)});
    track(keys, false);
    delete keys;
    return 0;
}

int ccl_oncustom_event(ccl_context_t *context, const char *event_name, ccl_event_keys_t *keys)
{
    return event_name ? sendEvent("ccl_oncustom_event", context, event_name, keys, nullptr)
                      : invalid();
}

int ccl_onapplication_error(ccl_context_t *context, ccl_event_keys_t *keys)
{
    return sendEvent("ccl_onapplication_error", context, nullptr, keys, nullptr);
}

int ccl_onsearch_event(ccl_context_t *context, ccl_event_keys_t *keys, const char *search_string)
{
    return search_string ? sendEvent("ccl_onsearch_event", context, nullptr, keys, search_string)
                         : invalid();
}

int ccl_onactivity_start(ccl_context_t *context, ccl_event_keys_t *keys, const char *activity_name)
{
    return activity_name ? sendEvent("ccl_onactivity_start", context, nullptr, keys, activity_name)
                         : invalid();
}

int ccl_onactivity_pause(ccl_context_t *context, ccl_event_keys_t *keys, const char *activity_name)
{
    return activity_name ? sendEvent("ccl_onactivity_pause", context, nullptr, keys, activity_name)
                         : invalid();
}

int ccl_onactivity_end(ccl_context_t *context, ccl_event_keys_t *keys, const char *activity_name)
{
    return activity_name ? sendEvent("ccl_onactivity_end", context, nullptr, keys, activity_name)
                         : invalid();
}

int ccl_onbutton_click(ccl_context_t *context, ccl_event_keys_t *keys)
{
    return sendEvent("ccl_onbutton_click", context, nullptr, keys, nullptr);
}

int ccl_oncontent_view(ccl_context_t *context, ccl_event_keys_t *keys)
{
    return sendEvent("ccl_oncontent_view", context, nullptr, keys, nullptr);
}

int ccl_onadclick_event(ccl_context_t *context, ccl_event_keys_t *keys, const char *ad_name)
{
    return ad_name ? sendEvent("ccl_onadclick_event", context, nullptr, keys, ad_name) : invalid();
}

int ccl_onconversion_event(ccl_context_t *context, ccl_event_keys_t *keys,
                           const char *conversion_name)
{
    return conversion_name
               ? sendEvent("ccl_onconversion_event", context, nullptr, keys, conversion_name)
               : invalid();
}

int ccl_oncorporateliable_event(ccl_context_t *context, const char *event_name,
                                ccl_event_keys_t *keys)
{
    return event_name ? sendEvent("ccl_oncorporateliable_event", context, event_name, keys, nullptr)
                      : invalid();
}

int getCCLAnonymizedString(const char *value, char *buffer, int size)
{
    return anonymize("getCCLAnonymizedString", value, buffer, size);
}

int getCCLAnonymizedPIN(const char *value, char *buffer, int size)
{
    return anonymize("getCCLAnonymizedPIN", value, buffer, size);
}
