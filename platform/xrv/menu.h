/*
 * Menu domain of the event service: invocation menus built by the platform.
 * Request-side functions forward to the menu backend.
 */
#ifndef XRV_MENU_H
#define XRV_MENU_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

QZPLATFORM_EXPORT int menu_get_domain(void);
QZPLATFORM_EXPORT int menu_request_events(int flags);
QZPLATFORM_EXPORT int menu_stop_events(int flags);

/* Valid only while the event is being dispatched; NULL when the event carries none. */
QZPLATFORM_EXPORT const char *menu_event_get_id(xrv_event_t *event);
QZPLATFORM_EXPORT const char *menu_event_get_err(xrv_event_t *event);

#ifdef __cplusplus
}
#endif

#endif
