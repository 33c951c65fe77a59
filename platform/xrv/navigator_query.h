/*
 * Navigator target queries and target filters: asking which targets handle an action, a MIME
 * type or a URI, reading the answer, and reading or replacing the filters a target registered.
 * Part of <xrv/navigator.h>.
 *
 * Request-side functions (create, set, send, destroy, get/set filters) forward to the navigator
 * backend and return 0 on success, else -1 with errno set. Accessors only read.
 */
#ifndef XRV_NAVIGATOR_QUERY_H
#define XRV_NAVIGATOR_QUERY_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A target query: what the asking application wants handled. Opaque. */
typedef struct navigator_invoke_query navigator_invoke_query_t;
/* One action of a query result, with the targets offering it. Opaque. */
typedef struct navigator_invoke_query_result_action navigator_invoke_query_result_action_t;
/* One target of a query result action. Opaque. */
typedef struct navigator_invoke_query_result_target navigator_invoke_query_result_target_t;

/* On success *query is a new, empty query owned by the caller. */
QZPLATFORM_EXPORT int navigator_invoke_query_create(navigator_invoke_query_t **query);
/* Always releases the query, whatever it returns. */
QZPLATFORM_EXPORT int navigator_invoke_query_destroy(navigator_invoke_query_t *query);

/* Setters store their value only when they succeed. Texts are UTF-8; the URI is in encoded
   form. The target type mask is a set of target kinds (1 application, 2 card, 4 viewer,
   8 service, 64 headless); the action type 0 or 2 for all actions, 1 for menu actions only. */
QZPLATFORM_EXPORT int navigator_invoke_query_set_id(navigator_invoke_query_t *query,
                                                    const char *id);
QZPLATFORM_EXPORT int navigator_invoke_query_set_action(navigator_invoke_query_t *query,
                                                        const char *action);
QZPLATFORM_EXPORT int navigator_invoke_query_set_type(navigator_invoke_query_t *query,
                                                      const char *mime_type);
QZPLATFORM_EXPORT int navigator_invoke_query_set_file_uri(navigator_invoke_query_t *query,
                                                          const char *uri);
QZPLATFORM_EXPORT int navigator_invoke_query_set_target_type_mask(navigator_invoke_query_t *query,
                                                                  int target_type_mask);
QZPLATFORM_EXPORT int navigator_invoke_query_set_action_type(navigator_invoke_query_t *query,
                                                             int action_type);
QZPLATFORM_EXPORT int navigator_invoke_query_set_perimeter(navigator_invoke_query_t *query,
                                                           int perimeter);

/* Hands the query to the navigator, which answers with a query result event (code 17) carrying
   the query's id. The backend receives the handle's address followed by its content as a map
   with the keys "id", "action", "type", "file_uri", "target_type_mask", "action_type" and
   "perimeter"; a key is absent when its setter never succeeded. */
QZPLATFORM_EXPORT int navigator_invoke_query_send(const navigator_invoke_query_t *query);

/*
 * Query result event accessors. The actions are the event field "query_result_actions", a list of
 * maps {"name", "icon", "label", "default_target", "targets"}, where "targets" is a list of maps
 * {"key", "icon", "splash", "label", "type", "perimeter"}. Counts are 0 and handles NULL when the
 * event or the action carries none; an index out of range gives NULL with errno EINVAL. Handles
 * and their texts live as long as the event; texts are NULL and numbers -1 when absent.
 */
QZPLATFORM_EXPORT int navigator_invoke_event_get_query_result_action_count(xrv_event_t *event);
QZPLATFORM_EXPORT const navigator_invoke_query_result_action_t *
navigator_invoke_event_get_query_result_action(xrv_event_t *event, int index);

QZPLATFORM_EXPORT const char *
navigator_invoke_query_result_action_get_name(const navigator_invoke_query_result_action_t *action);
QZPLATFORM_EXPORT const char *
navigator_invoke_query_result_action_get_icon(const navigator_invoke_query_result_action_t *action);
QZPLATFORM_EXPORT const char *navigator_invoke_query_result_action_get_label(
    const navigator_invoke_query_result_action_t *action);
QZPLATFORM_EXPORT const char *navigator_invoke_query_result_action_get_default_target(
    const navigator_invoke_query_result_action_t *action);
QZPLATFORM_EXPORT int navigator_invoke_query_result_action_get_target_count(
    const navigator_invoke_query_result_action_t *action);
QZPLATFORM_EXPORT const navigator_invoke_query_result_target_t *
navigator_invoke_query_result_action_get_target(
    const navigator_invoke_query_result_action_t *action, int index);

QZPLATFORM_EXPORT const char *
navigator_invoke_query_result_target_get_key(const navigator_invoke_query_result_target_t *target);
QZPLATFORM_EXPORT const char *
navigator_invoke_query_result_target_get_icon(const navigator_invoke_query_result_target_t *target);
QZPLATFORM_EXPORT const char *navigator_invoke_query_result_target_get_splash(
    const navigator_invoke_query_result_target_t *target);
QZPLATFORM_EXPORT const char *navigator_invoke_query_result_target_get_label(
    const navigator_invoke_query_result_target_t *target);
/* A single target kind as for the mask above. */
QZPLATFORM_EXPORT int
navigator_invoke_query_result_target_get_type(const navigator_invoke_query_result_target_t *target);
/* 0 default, 1 personal, 2 enterprise. */
QZPLATFORM_EXPORT int navigator_invoke_query_result_target_get_perimeter(
    const navigator_invoke_query_result_target_t *target);

/*
 * Target filters, each one text of clauses "name=value,value;". Reading them is answered by a
 * filters event (code 35), replacing them by a set-filters result event (code 37), both carrying
 * \a id. The backend receives [id, target] and [id, target, list of the filter texts]. A NULL
 * filter array with a positive count, a negative count or a NULL filter text fails with EINVAL
 * before anything is sent.
 */
QZPLATFORM_EXPORT int navigator_invoke_get_filters(const char *id, const char *target);
QZPLATFORM_EXPORT int navigator_invoke_set_filters(const char *id, const char *target,
                                                   const char **filters, int count);

/* Filters event accessors: the event fields "filters_target" (text) and "filters" (list of
   texts). The count is 0 when the event carries none; an index out of range gives NULL with
   errno EINVAL. Texts live only while the event is dispatched. */
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_filters_target(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_invoke_event_get_filters_count(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_invoke_event_get_filter(xrv_event_t *event, int index);

#ifdef __cplusplus
}
#endif

#endif
