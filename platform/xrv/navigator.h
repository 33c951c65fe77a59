/*
 * Navigator domain of the event service: invocations, cards, viewers and their events.
 * Request-side functions forward to the navigator backend.
 */
#ifndef XRV_NAVIGATOR_H
#define XRV_NAVIGATOR_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

QZPLATFORM_EXPORT int navigator_get_domain(void);
QZPLATFORM_EXPORT int navigator_request_events(int flags);
QZPLATFORM_EXPORT int navigator_stop_events(int flags);

/* Valid only while the event is being dispatched; NULL when the event carries none. */
QZPLATFORM_EXPORT const char *navigator_event_get_id(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_event_get_err(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_event_get_data(xrv_event_t *event);

#ifdef __cplusplus
}
#endif

#include <xrv/navigator_card.h>
#include <xrv/navigator_invoke.h>
#include <xrv/navigator_query.h>
#include <xrv/navigator_timer.h>
#include <xrv/navigator_viewer.h>

#endif
