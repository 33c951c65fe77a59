/*
 * Not API. What the navigator's handles are inside this stand-in, and the helpers its C functions
 * share.
 */
#ifndef XRV_NAVIGATOR_P_H
#define XRV_NAVIGATOR_P_H

#include <xrv/xrv.h>

#include <QHash>
#include <QVariant>
#include <QVariantMap>

#include <memory>

struct navigator_invoke_invocation
{
    // Keyed as in the event field "invocation": texts (and "data") as bytes, the rest as numbers.
    QHash<QByteArray, QByteArray> texts;
    QHash<QByteArray, int> numbers;

    static navigator_invoke_invocation fromMap(const QVariantMap &map);
    QVariantMap toMap() const;
    const char *text(const char *key) const;
};

namespace qz::platform::navigator {

/* How a handle travels to the backend: its address. */
QVariant handleArgument(const void *handle);
/* How a C text travels to the backend: UTF-8 decoded, an invalid variant for NULL. */
QVariant textArgument(const char *text);

/* The handle that \a build makes of the map field \a key of \a event: built on first use and kept
   with the event, so it lives exactly as long as the event; NULL when the event has no such field. */
const void *eventHandle(xrv_event_t *event, const char *key,
                        std::shared_ptr<void> (*build)(const QVariantMap &field));

/* The number field \a key of \a event, -1 when absent. */
int eventNumber(xrv_event_t *event, const char *key);
/* The text field \a key of \a event; when absent NULL, with errno taken from the event's "errno"
   field if it has one. */
const char *eventStringOrErrno(xrv_event_t *event, const char *key);

} // namespace qz::platform::navigator

#endif
