/*
 * Context-collection library: applications report usage events (each with a set of key/value
 * attributes) to the device's collector, and anonymise private values before putting them into
 * an event.
 *
 * Every function forwards to the context backend by its C name; a backend refuses with -1 and
 * errno set. What the backend sees, in C order:
 *   ccl_init               (name, version)                      UTF-8 texts as QString
 *   ccl_shutdown, ccl_is_ccl_enabled   (context)                a handle as its address
 *   ccl_event_keys_create, ccl_event_keys_delete  (keys)
 *   ccl_event_keys_add     (keys, key, value, flags)
 *   ccl_on*                (context, [name or text], keys)      in the order of the C signature;
 *                          keys as a list of [key, value] pairs in the order they were added
 *   getCCLAnonymizedString, getCCLAnonymizedPIN   (value, size) with the anonymised text as the
 *                          one out-value
 * Key sets are kept here; the backend is told of them so that it sees every call.
 *
 * Results: 0 on success, -1 with errno on failure (EINVAL for a null or unknown handle or
 * argument, ERANGE for a buffer too small for an anonymised text, ENOSYS when no collector can be
 * reached). ccl_init returns null on failure.
 */
#ifndef CONTEXT_CONTEXT_H
#define CONTEXT_CONTEXT_H

#include <qz/qzplatform_export.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct ccl_context ccl_context_t;
typedef struct ccl_event_keys ccl_event_keys_t;

/* The size an anonymised text needs, terminating NUL included (43 characters). */
#define CCL_ANONYMIZED_SIZE 44

/* Starts reporting for an application; null when either text is null or empty or the collector
   refuses. */
QZPLATFORM_EXPORT ccl_context_t *ccl_init(const char *application_name,
                                          const char *application_version);
/* Ends reporting and frees the context (null is ignored). */
QZPLATFORM_EXPORT int ccl_shutdown(ccl_context_t *context);
/* 0 when the device collects events, 1 when collection is off; -1 on failure. */
QZPLATFORM_EXPORT int ccl_is_ccl_enabled(ccl_context_t *context);

QZPLATFORM_EXPORT ccl_event_keys_t *ccl_event_keys_create(void);
/* Adds or replaces key; a replaced key keeps its place. flags must be 0. */
QZPLATFORM_EXPORT int ccl_event_keys_add(ccl_event_keys_t *keys, const char *key, const char *value,
                                         int flags);
QZPLATFORM_EXPORT int ccl_event_keys_delete(ccl_event_keys_t *keys);

QZPLATFORM_EXPORT int ccl_oncustom_event(ccl_context_t *context, const char *event_name,
                                         ccl_event_keys_t *keys);
QZPLATFORM_EXPORT int ccl_onapplication_error(ccl_context_t *context, ccl_event_keys_t *keys);
QZPLATFORM_EXPORT int ccl_onsearch_event(ccl_context_t *context, ccl_event_keys_t *keys,
                                         const char *search_string);
QZPLATFORM_EXPORT int ccl_onactivity_start(ccl_context_t *context, ccl_event_keys_t *keys,
                                           const char *activity_name);
QZPLATFORM_EXPORT int ccl_onactivity_pause(ccl_context_t *context, ccl_event_keys_t *keys,
                                           const char *activity_name);
QZPLATFORM_EXPORT int ccl_onactivity_end(ccl_context_t *context, ccl_event_keys_t *keys,
                                         const char *activity_name);
QZPLATFORM_EXPORT int ccl_onbutton_click(ccl_context_t *context, ccl_event_keys_t *keys);
QZPLATFORM_EXPORT int ccl_oncontent_view(ccl_context_t *context, ccl_event_keys_t *keys);
QZPLATFORM_EXPORT int ccl_onadclick_event(ccl_context_t *context, ccl_event_keys_t *keys,
                                          const char *ad_name);
QZPLATFORM_EXPORT int ccl_onconversion_event(ccl_context_t *context, ccl_event_keys_t *keys,
                                             const char *conversion_name);
QZPLATFORM_EXPORT int ccl_oncorporateliable_event(ccl_context_t *context, const char *event_name,
                                                  ccl_event_keys_t *keys);

/* Writes a keyed one-way digest of value (NUL-terminated) into buffer; the same value gives the
   same text on one device, and the value cannot be told from it. size must be at least
   CCL_ANONYMIZED_SIZE. The PIN form is for short values and uses a digest of its own. */
QZPLATFORM_EXPORT int getCCLAnonymizedString(const char *value, char *buffer, int size);
QZPLATFORM_EXPORT int getCCLAnonymizedPIN(const char *value, char *buffer, int size);

#ifdef __cplusplus
}
#endif

#endif
