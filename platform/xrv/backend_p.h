/*
 * Not API. The seam between the platform's C functions and whatever serves them: each service
 * has one backend object; tests install a recording backend, the device build a backend that
 * talks to qzdevice. Exported from qzplatform for the test support code, never installed.
 */
#ifndef XRV_BACKEND_P_H
#define XRV_BACKEND_P_H

#include <qz/qzplatform_export.h>
#include <xrv/xrv.h>

#include <QByteArray>
#include <QVariantHash>
#include <QVariantList>

namespace qz::platform {

/*! The services whose request-side C functions forward to a backend. */
enum class Service { Navigator, Menu, Nfc, Clipboard, Screen, Image, Context };

/*!
    One backend per service. call() handles a request-side C function by name with its arguments
    (in the order of the C signature, handles as their address) and returns what the C function
    returns: 0 on success, else -1 with errno set by the backend. Out-values go to \a out in the
    order of the C signature's out-parameters.
*/
class QZPLATFORM_EXPORT Backend
{
public:
    virtual ~Backend();
    virtual int call(const QByteArray &name, const QVariantList &args, QVariantList *out) = 0;
};

/*! Installs \a backend for \a service (not owned); nullptr restores the default: the service's
    default backend when one is registered, else none, which refuses every call with ENOSYS. */
QZPLATFORM_EXPORT void setBackend(Service service, Backend *backend);
/*! The installed backend, else the service's default backend, else nullptr. */
QZPLATFORM_EXPORT Backend *backend(Service service);

/*! Makes the backend a service uses when none is installed (one that talks to the device). */
using BackendFactory = Backend *(*)();

/*!
    Registers \a factory as the maker of \a service's default backend. It is called once, on the
    first call that finds no backend installed, and what it returns is kept for the life of the
    process, never deleted. Such a backend must cope with its service being unreachable: it refuses
    calls (ENOSYS) until the service can be reached. Device backends register themselves when
    qzplatform is loaded.
*/
QZPLATFORM_EXPORT void setDefaultBackendFactory(Service service, BackendFactory factory);

/*! What every request-side C function does: hand the call to its service's backend. */
QZPLATFORM_EXPORT int forward(Service service, const char *name, const QVariantList &args = {},
                              QVariantList *out = nullptr);

/*! For calls that the event service answers itself (requesting or stopping a domain's events):
    handed to an installed backend, so that tests see them; 0 when none is installed. */
QZPLATFORM_EXPORT int notify(Service service, const char *name, const QVariantList &args = {});

/*! The domain number of a service that has events (Navigator, Menu, Nfc). */
QZPLATFORM_EXPORT int domainOf(Service service);

/*!
    Queues an event for the handlers subscribed to \a domain. Fields are read by the domain's
    accessors by name ("id", "err", "data", ...); strings are handed out as UTF-8. Delivery happens
    later, from the event loop of each subscriber's thread.
*/
QZPLATFORM_EXPORT void postEvent(int domain, int code, const QVariantHash &fields = {});

/*! The field \a key of \a event as UTF-8, valid during dispatch; nullptr when absent. */
QZPLATFORM_EXPORT const char *eventString(xrv_event_t *event, const char *key);
/*! The field \a key of \a event; an invalid variant when absent. */
QZPLATFORM_EXPORT QVariant eventField(xrv_event_t *event, const char *key);

} // namespace qz::platform

#endif
