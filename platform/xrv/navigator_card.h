/*
 * Navigator cards: what a parent application and its card ask of the navigator, and the accessors
 * of card events. Part of <xrv/navigator.h>.
 *
 * Request-side functions forward to the navigator backend and return 0 on success, else -1 with
 * errno set.
 */
#ifndef XRV_NAVIGATOR_CARD_H
#define XRV_NAVIGATOR_CARD_H

#include <xrv/xrv.h>

#ifndef __cplusplus
#include <stdbool.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Peeks at the parent (1) or at the root (0) of the card stack. */
QZPLATFORM_EXPORT int navigator_card_peek(int peek_type);
QZPLATFORM_EXPORT int navigator_card_close_child(void);
/* Closes this card with its result; texts are UTF-8. */
QZPLATFORM_EXPORT int navigator_card_close(const char *reason, const char *data_type,
                                           const char *data);
/* Acknowledges the resize request with this id. */
QZPLATFORM_EXPORT int navigator_card_resized(const char *resize_id);
QZPLATFORM_EXPORT int navigator_card_swipe_away(void);
QZPLATFORM_EXPORT int navigator_card_request_card_ready_check(bool enable);
QZPLATFORM_EXPORT int navigator_card_send_card_ready(void);

/*
 * Event accessors. Each reads the event field named after it ("card_peek_type", "peek_type",
 * "card_width", "card_height", "card_edge" in degrees, "card_orientation"); numbers are -1 when
 * the event carries none.
 *
 * The closed-card texts ("card_closed_reason", "card_closed_data_type", "card_closed_data") are
 * NULL when absent; an event that carries the field "errno" then also sets errno to it, as the
 * service does for an event it could not read. Texts live only while the event is dispatched.
 */
QZPLATFORM_EXPORT int navigator_event_get_card_peek_type(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_event_get_peek_type(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_event_get_card_width(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_event_get_card_height(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_event_get_card_edge(xrv_event_t *event);
QZPLATFORM_EXPORT int navigator_event_get_card_orientation(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_event_get_card_closed_reason(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_event_get_card_closed_data_type(xrv_event_t *event);
QZPLATFORM_EXPORT const char *navigator_event_get_card_closed_data(xrv_event_t *event);

#ifdef __cplusplus
}
#endif

#endif
