/*
 * Navigator viewers: the viewer a viewer invocation event carries and the accessors of relay
 * events. Part of <xrv/navigator.h>.
 *
 * Accessors only read. Texts are UTF-8 and live only while the event is dispatched.
 */
#ifndef XRV_NAVIGATOR_VIEWER_H
#define XRV_NAVIGATOR_VIEWER_H

#include <xrv/navigator_invoke.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A viewer: an invocation whose target renders into a window of the invoker. Opaque. */
typedef struct navigator_invoke_viewer navigator_invoke_viewer_t;

/*
 * The viewer of a viewer invocation event is the event field "viewer", a map with the keys
 * "invocation" (a map as for navigator_invoke_event_get_invocation()), "window_id", "width" and
 * "height"; NULL when absent. It lives as long as the event.
 */
QZPLATFORM_EXPORT const navigator_invoke_viewer_t *
navigator_invoke_event_get_viewer(xrv_event_t *event);

/* The viewer's invocation; NULL for a NULL viewer. It lives as long as the viewer. */
QZPLATFORM_EXPORT const navigator_invoke_invocation_t *
navigator_invoke_viewer_get_invocation(const navigator_invoke_viewer_t *viewer);
/* NULL when never set. */
QZPLATFORM_EXPORT const char *
navigator_invoke_viewer_get_window_id(const navigator_invoke_viewer_t *viewer);
/* The window size in pixels; -1 when never set, as no size is not a size of 0. */
QZPLATFORM_EXPORT int navigator_invoke_viewer_get_width(const navigator_invoke_viewer_t *viewer);
QZPLATFORM_EXPORT int navigator_invoke_viewer_get_height(const navigator_invoke_viewer_t *viewer);

/*
 * Relay event accessors. Each reads the event field named after it
 * ("viewer_relay_message_name", "viewer_relay_window_id", "viewer_relay_data"); NULL when the
 * event carries none. The relay's id is navigator_event_get_id().
 */
QZPLATFORM_EXPORT const char *
navigator_invoke_event_get_viewer_relay_message_name(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_viewer_relay_window_id(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_viewer_relay_data(xrv_event_t *event);

#ifdef __cplusplus
}
#endif

#endif
