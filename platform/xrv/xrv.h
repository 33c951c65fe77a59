/*
 * The platform event service: events grouped by domain, delivered to subscribed handlers
 * (qz::AbstractXrvEventHandler) from the Qt event loop of the thread that owns them.
 */
#ifndef XRV_XRV_H
#define XRV_XRV_H

#include <qz/qzplatform_export.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct xrv_event xrv_event_t;

/* Reference-counted per process; both return 0 on success. */
QZPLATFORM_EXPORT int xrv_initialize(void);
QZPLATFORM_EXPORT int xrv_shutdown(void);

QZPLATFORM_EXPORT int xrv_event_get_domain(xrv_event_t *event);
QZPLATFORM_EXPORT int xrv_event_get_code(xrv_event_t *event);

#ifdef __cplusplus
}
#endif

#endif
