/*
 * Navigator invocations: building and sending an invocation, reading a received one, list
 * navigation, and the accessors of invocation events. Part of <xrv/navigator.h>.
 *
 * Request-side functions (create, set, send, destroy, select) forward to the navigator backend and
 * return 0 on success, else -1 with errno set. Handle accessors and event accessors only read.
 */
#ifndef XRV_NAVIGATOR_INVOKE_H
#define XRV_NAVIGATOR_INVOKE_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

/* An invocation: what to hand to which target. Opaque. */
typedef struct navigator_invoke_invocation navigator_invoke_invocation_t;

/* On success *invocation is a new, empty invocation owned by the caller. */
QZPLATFORM_EXPORT int
navigator_invoke_invocation_create(navigator_invoke_invocation_t **invocation);
/* Always releases the invocation, whatever it returns. */
QZPLATFORM_EXPORT int
navigator_invoke_invocation_destroy(navigator_invoke_invocation_t *invocation);

/* Setters store their value only when they succeed. Texts are UTF-8. */
QZPLATFORM_EXPORT int navigator_invoke_invocation_set_id(navigator_invoke_invocation_t *invocation,
                                                         const char *id);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_target(navigator_invoke_invocation_t *invocation,
                                       const char *target);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_target_type_mask(navigator_invoke_invocation_t *invocation,
                                                 int target_type_mask);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_action(navigator_invoke_invocation_t *invocation,
                                       const char *action);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_type(navigator_invoke_invocation_t *invocation,
                                     const char *mime_type);
QZPLATFORM_EXPORT int navigator_invoke_invocation_set_uri(navigator_invoke_invocation_t *invocation,
                                                          const char *uri);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_data(navigator_invoke_invocation_t *invocation, const void *data,
                                     int data_length);
/* The metadata is one JSON object as text. */
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_metadata(navigator_invoke_invocation_t *invocation,
                                         const char *metadata);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_perimeter(navigator_invoke_invocation_t *invocation, int perimeter);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_file_transfer_mode(navigator_invoke_invocation_t *invocation,
                                                   int file_transfer_mode);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_set_list_id(navigator_invoke_invocation_t *invocation, int list_id);

/* Hands the invocation to the navigator. The backend receives the handle's address followed by
   its content as a map (the keys of the event field "invocation" below), since the content is
   what the service acts on. */
QZPLATFORM_EXPORT int
navigator_invoke_invocation_send(const navigator_invoke_invocation_t *invocation);

/* Accessors: texts are NULL when never set, numbers 0. Texts live as long as the invocation. */
QZPLATFORM_EXPORT const char *
navigator_invoke_invocation_get_id(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT const char *
navigator_invoke_invocation_get_target(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_get_target_type_mask(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT const char *
navigator_invoke_invocation_get_action(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT const char *
navigator_invoke_invocation_get_type(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT const char *
navigator_invoke_invocation_get_uri(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT const void *
navigator_invoke_invocation_get_data(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_get_data_length(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT const char *
navigator_invoke_invocation_get_metadata(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_get_perimeter(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_get_file_transfer_mode(const navigator_invoke_invocation_t *invocation);
QZPLATFORM_EXPORT int
navigator_invoke_invocation_get_list_id(const navigator_invoke_invocation_t *invocation);

/* Moves the selection of the list the application was invoked from: 1 next, 2 previous. */
QZPLATFORM_EXPORT int navigator_invoke_select_list_item(int selection);

/*
 * Event accessors. Each reads the event field named after it ("group_id", "dname", "error_code",
 * "target", "target_type", "window_id", "list_id", "list_cursor_direction",
 * "list_item_selection"); texts are NULL and numbers -1 when the event carries none. Texts live
 * only while the event is dispatched.
 *
 * The invocation of an invocation event is the event field "invocation", a map with the keys
 * "id", "target", "target_type_mask", "action", "type", "uri", "data" (bytes), "metadata",
 * "perimeter", "file_transfer_mode", "list_id"; NULL when absent. It lives as long as the event.
 */
QZPLATFORM_EXPORT const navigator_invoke_invocation_t *
navigator_invoke_event_get_invocation(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_group_id(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_dname(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_error_code(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_target(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_target_type(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_window_id(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_list_id(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_list_cursor_direction(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_list_item_selection(xrv_event_t *event);

#ifdef __cplusplus
}
#endif

#endif
