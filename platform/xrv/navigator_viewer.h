/*
 * Navigator viewers: building and sending a viewer invocation, relays between an invoker and its
 * viewer, closing a viewer, the viewer a viewer invocation event carries and the accessors of
 * relay events. Part of <xrv/navigator.h>.
 *
 * Request-side functions forward to the navigator backend and return 0 on success, else -1 with
 * errno set. Accessors only read. Texts are UTF-8; those read from events live only while the
 * event is dispatched.
 */
#ifndef XRV_NAVIGATOR_VIEWER_H
#define XRV_NAVIGATOR_VIEWER_H

#include <xrv/navigator_invoke.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* A viewer: an invocation whose target renders into a window of the invoker. Opaque. */
typedef struct navigator_invoke_viewer navigator_invoke_viewer_t;

/*
 * On success *viewer is a new viewer owned by the caller, and it owns \a invocation from then on:
 * the invocation is filled with the navigator_invoke_invocation_set_* functions as before, and
 * released with the viewer. On failure *viewer is NULL and the invocation stays the caller's.
 */
QZPLATFORM_EXPORT int navigator_invoke_viewer_create(navigator_invoke_viewer_t **viewer,
                                                     navigator_invoke_invocation_t *invocation);
/* Always releases the viewer and its invocation, whatever it returns. */
QZPLATFORM_EXPORT int navigator_invoke_viewer_destroy(navigator_invoke_viewer_t *viewer);

/* Setters store their value only when they succeed. The size is in pixels. */
QZPLATFORM_EXPORT int navigator_invoke_viewer_set_window_id(navigator_invoke_viewer_t *viewer,
                                                            const char *window_id);
QZPLATFORM_EXPORT int navigator_invoke_viewer_set_width(navigator_invoke_viewer_t *viewer,
                                                        int width);
QZPLATFORM_EXPORT int navigator_invoke_viewer_set_height(navigator_invoke_viewer_t *viewer,
                                                         int height);

/* Hands the viewer invocation to the navigator. The backend receives the handle's address followed
   by its content as a map: "invocation" (the invocation's content, as for
   navigator_invoke_invocation_send()), "window_id", "width", "height"; keys never set are absent. */
QZPLATFORM_EXPORT int navigator_invoke_viewer_send(const navigator_invoke_viewer_t *viewer);

/*
 * Sends a relay message to the viewer in window group \a window_id (from its invoker), or to the
 * invoker (from the viewer). \a data and \a id may be NULL; a relay with an id asks for an answer
 * (event 25), and \a is_response marks a relay that answers one received with that id.
 */
QZPLATFORM_EXPORT int navigator_invoke_viewer_relay(const char *window_id, const char *message_name,
                                                    const char *data, const char *id,
                                                    bool is_response);
/* Asks the navigator to close the viewer rendering into window group \a window_id. */
QZPLATFORM_EXPORT int navigator_invoke_close_viewer(const char *window_id);

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
