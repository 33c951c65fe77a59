/*
 * Menu domain of the event service: invocation menus built by the platform.
 *
 * A menu request describes a piece of content as an invocation would; the menu service answers
 * with a menu event (code 1) carrying the request's id and either an error text or the menu: a
 * tree of menu items, each holding sub-items that are either a submenu (a child menu item) or a
 * ready-made invocation.
 *
 * Request-side functions (create, set, send, destroy) forward to the menu backend and return 0 on
 * success, else -1 with errno set. Accessors only read.
 */
#ifndef XRV_MENU_H
#define XRV_MENU_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The event code of a menu answer. */
#define MENU_EVENT_MENU 1

/* A menu request. Opaque. */
typedef struct menu_request menu_request_t;
/* A menu: title, icons and sub-items. Opaque; lives as long as the event it came with. */
typedef struct menu_item menu_item_t;
/* One entry of a menu. Opaque; lives as long as its menu. */
typedef struct menu_sub_item menu_sub_item_t;
/* The invocation an entry stands for. Opaque; lives as long as its entry. */
typedef struct menu_invocation menu_invocation_t;

QZPLATFORM_EXPORT int menu_get_domain(void);
QZPLATFORM_EXPORT int menu_request_events(int flags);
QZPLATFORM_EXPORT int menu_stop_events(int flags);

/* On success *request is a new, empty request owned by the caller. */
QZPLATFORM_EXPORT int menu_request_create(menu_request_t **request);
/* Always releases the request, whatever it returns. */
QZPLATFORM_EXPORT int menu_request_destroy(menu_request_t *request);

/* Setters store their value only when they succeed. Texts are UTF-8; the URI is in encoded form;
   the metadata is a JSON object text. Numbers as for navigator invocations (target kinds 1, 2, 4,
   8, 64; perimeter 0 default, 1 personal, 2 enterprise; file transfer mode 0 to 4). */
QZPLATFORM_EXPORT int menu_request_set_action(menu_request_t *request, const char *action);
QZPLATFORM_EXPORT int menu_request_set_target_key(menu_request_t *request, const char *key);
QZPLATFORM_EXPORT int menu_request_set_mime_type(menu_request_t *request, const char *mime_type);
QZPLATFORM_EXPORT int menu_request_set_file_uri(menu_request_t *request, const char *uri);
/* A negative length, or data NULL with a positive length, fails with EINVAL. */
QZPLATFORM_EXPORT int menu_request_set_data(menu_request_t *request, const void *data,
                                            int data_length);
QZPLATFORM_EXPORT int menu_request_set_metadata(menu_request_t *request, const char *metadata);
QZPLATFORM_EXPORT int menu_request_set_target_type_mask(menu_request_t *request, int mask);
QZPLATFORM_EXPORT int menu_request_set_perimeter(menu_request_t *request, int perimeter);
QZPLATFORM_EXPORT int menu_request_set_file_transfer_mode(menu_request_t *request, int mode);

/* Hands the request to the menu service, which answers with a menu event carrying \a id. The
   backend receives the handle's address, its content as a map with the keys "action",
   "target_key", "mime_type", "file_uri", "data" (bytes), "metadata", "target_type_mask",
   "perimeter" and "file_transfer_mode" (a key is absent when its setter never succeeded), and
   the id. A NULL id fails with EINVAL. */
QZPLATFORM_EXPORT int menu_request_send(menu_request_t *request, const char *id);

/* Valid only while the event is being dispatched; NULL when the event carries none. */
QZPLATFORM_EXPORT const char *menu_event_get_id(xrv_event_t *event);
QZPLATFORM_EXPORT const char *menu_event_get_err(xrv_event_t *event);

/*
 * The menu of an answer: the event field "item", a map {"title", "secondary_title", "icon",
 * "secondary_icon", "sub_items"}, where "sub_items" is a list of maps {"icon", "secondary_icon",
 * "label", "secondary_label", "tertiary_label", "frecency", "type", and either "item" (a child
 * menu of the same shape) or "invocation" (a map {"target_type", "target", "action",
 * "mime_type", "uri", "uri_match", "file_transfer_mode", "data" (bytes), "metadata",
 * "perimeter"})}. NULL when the event carries no menu.
 *
 * Menus nested deeper than MENU_MAX_DEPTH levels, or holding more than MENU_MAX_ENTRIES entries
 * in all, are cut off there with a warning: what lies beyond is not handed out.
 */
#define MENU_MAX_DEPTH 16
#define MENU_MAX_ENTRIES 4096
QZPLATFORM_EXPORT const menu_item_t *menu_event_get_item(xrv_event_t *event);

/* Texts are NULL and numbers -1 when absent; an index out of range gives NULL with errno EINVAL. */
QZPLATFORM_EXPORT const char *menu_item_get_title(const menu_item_t *item);
QZPLATFORM_EXPORT const char *menu_item_get_secondary_title(const menu_item_t *item);
QZPLATFORM_EXPORT const char *menu_item_get_icon(const menu_item_t *item);
QZPLATFORM_EXPORT const char *menu_item_get_secondary_icon(const menu_item_t *item);
QZPLATFORM_EXPORT int menu_item_get_sub_items_size(const menu_item_t *item);
QZPLATFORM_EXPORT const menu_sub_item_t *menu_item_get_sub_item(const menu_item_t *item, int index);

QZPLATFORM_EXPORT const char *menu_sub_item_get_icon(const menu_sub_item_t *sub_item);
QZPLATFORM_EXPORT const char *menu_sub_item_get_secondary_icon(const menu_sub_item_t *sub_item);
QZPLATFORM_EXPORT const char *menu_sub_item_get_label(const menu_sub_item_t *sub_item);
QZPLATFORM_EXPORT const char *menu_sub_item_get_secondary_label(const menu_sub_item_t *sub_item);
QZPLATFORM_EXPORT const char *menu_sub_item_get_tertiary_label(const menu_sub_item_t *sub_item);
QZPLATFORM_EXPORT int menu_sub_item_get_frecency(const menu_sub_item_t *sub_item);
/* 0 unspecified, 1 channel, 2 contact, 3 account, 4 event shortcut, as the service says. */
QZPLATFORM_EXPORT int menu_sub_item_get_type(const menu_sub_item_t *sub_item);
/* Non-zero when the entry is a submenu. */
QZPLATFORM_EXPORT int menu_sub_item_has_children(const menu_sub_item_t *sub_item);
/* The submenu; NULL for an entry that is an invocation. */
QZPLATFORM_EXPORT const menu_item_t *menu_sub_item_get_item(const menu_sub_item_t *sub_item);
/* The invocation; NULL for a submenu. */
QZPLATFORM_EXPORT const menu_invocation_t *
menu_sub_item_get_invocation(const menu_sub_item_t *sub_item);

QZPLATFORM_EXPORT int menu_invocation_get_target_type(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT const char *menu_invocation_get_target(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT const char *menu_invocation_get_action(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT const char *menu_invocation_get_mime_type(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT const char *menu_invocation_get_uri(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT const char *menu_invocation_get_uri_match(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT int menu_invocation_get_file_transfer_mode(const menu_invocation_t *invocation);
/* The data bytes (NULL when none) and their length (0 when none). */
QZPLATFORM_EXPORT const void *menu_invocation_get_data(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT int menu_invocation_get_data_length(const menu_invocation_t *invocation);
/* JSON object text, NULL when none. */
QZPLATFORM_EXPORT const char *menu_invocation_get_metadata(const menu_invocation_t *invocation);
QZPLATFORM_EXPORT int menu_invocation_get_perimeter(const menu_invocation_t *invocation);

#ifdef __cplusplus
}
#endif

#endif
