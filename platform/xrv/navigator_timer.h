/*
 * Navigator timer registrations: asking the navigator to invoke a target later, once at a given
 * time or by a recurrence rule, and withdrawing such a timer. Part of <xrv/navigator.h>.
 *
 * Request-side functions forward to the navigator backend and return 0 on success, else -1 with
 * errno set. Every handle is owned by its creator and released by its destroy function. The
 * navigator's verdict on a sent registration arrives as event 45 with the registration's id
 * (navigator_event_get_id(), navigator_event_get_err(),
 * navigator_invoke_event_get_error_code()).
 *
 * Argument forms: integer arrays reach the backend as a list of numbers followed by their count;
 * a time or rule handed to a setter reaches it as its address, and its content travels with
 * navigator_invoke_timer_registration_send().
 */
#ifndef XRV_NAVIGATOR_TIMER_H
#define XRV_NAVIGATOR_TIMER_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A date and time of day, in local time or in a named time zone. Opaque. */
typedef struct navigator_invoke_specific_time navigator_invoke_specific_time_t;
/* When a recurring timer fires. Opaque. */
typedef struct navigator_invoke_recurrence_rule navigator_invoke_recurrence_rule_t;
/* One registration or deregistration of a timer. Opaque. */
typedef struct navigator_invoke_timer_registration navigator_invoke_timer_registration_t;

/* Kinds of registration. */
enum {
    NAVIGATOR_INVOKE_TIMER_KIND_NONE = 0, /* a deregistration */
    NAVIGATOR_INVOKE_TIMER_KIND_RECURRENT = 1,
    NAVIGATOR_INVOKE_TIMER_KIND_SPECIFIC_TIME_LOCAL = 2,
    NAVIGATOR_INVOKE_TIMER_KIND_SPECIFIC_TIME_ZONED = 3
};

/* Actions of a registration. */
enum { NAVIGATOR_INVOKE_TIMER_ACTION_REGISTER = 1, NAVIGATOR_INVOKE_TIMER_ACTION_DEREGISTER = 2 };

/* Recurrence frequencies. */
enum {
    NAVIGATOR_INVOKE_RECURRENCE_YEARLY = 1,
    NAVIGATOR_INVOKE_RECURRENCE_MONTHLY = 2,
    NAVIGATOR_INVOKE_RECURRENCE_WEEKLY = 3,
    NAVIGATOR_INVOKE_RECURRENCE_DAILY = 4,
    NAVIGATOR_INVOKE_RECURRENCE_HOURLY = 5,
    NAVIGATOR_INVOKE_RECURRENCE_MINUTELY = 6
};

/* On success *time is a new time with nothing set, owned by the caller. */
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_create(navigator_invoke_specific_time_t **time);
/* Always releases the time, whatever it returns. */
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_destroy(navigator_invoke_specific_time_t *time);
/* Setters store their value only when they succeed; values are not range-checked here, the
   navigator judges them. The time zone is UTF-8; NULL clears it (local time). */
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_set_year(navigator_invoke_specific_time_t *time, int year);
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_set_month(navigator_invoke_specific_time_t *time, int month);
QZPLATFORM_EXPORT int navigator_invoke_specific_time_set_day(navigator_invoke_specific_time_t *time,
                                                             int day);
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_set_hour(navigator_invoke_specific_time_t *time, int hour);
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_set_minute(navigator_invoke_specific_time_t *time, int minute);
QZPLATFORM_EXPORT int
navigator_invoke_specific_time_set_time_zone(navigator_invoke_specific_time_t *time,
                                             const char *time_zone);

/* On success *rule is a new rule of this frequency (1 to 6, see above), owned by the caller;
   any other frequency fails with EINVAL. */
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_create(navigator_invoke_recurrence_rule_t **rule, int frequency);
/* Always releases the rule, whatever it returns. */
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_destroy(navigator_invoke_recurrence_rule_t *rule);
/* Setters store their value only when they succeed. A time is copied (the caller keeps its own);
   NULL clears it. */
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_start_date(navigator_invoke_recurrence_rule_t *rule,
                                                const navigator_invoke_specific_time_t *start_date);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_count_limit(navigator_invoke_recurrence_rule_t *rule,
                                                 int count_limit);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_date_limit(navigator_invoke_recurrence_rule_t *rule,
                                                const navigator_invoke_specific_time_t *date_limit);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_interval(navigator_invoke_recurrence_rule_t *rule,
                                              int interval);
/* The values are copied; a negative count, or a positive count without values, fails with
   EINVAL. A count of 0 clears the list. */
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_minutes_of_hour(navigator_invoke_recurrence_rule_t *rule,
                                                     const int *values, int count);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_hours_of_day(navigator_invoke_recurrence_rule_t *rule,
                                                  const int *values, int count);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_days_of_week(navigator_invoke_recurrence_rule_t *rule,
                                                  const int *values, int count);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_days_of_month(navigator_invoke_recurrence_rule_t *rule,
                                                   const int *values, int count);
QZPLATFORM_EXPORT int
navigator_invoke_recurrence_rule_set_months_of_year(navigator_invoke_recurrence_rule_t *rule,
                                                    const int *values, int count);

/* On success *registration is a new registration of this kind (0 to 3, see above), owned by the
   caller; any other kind fails with EINVAL. */
QZPLATFORM_EXPORT int
navigator_invoke_timer_registration_create(navigator_invoke_timer_registration_t **registration,
                                           int kind);
/* Always releases the registration, whatever it returns. */
QZPLATFORM_EXPORT int
navigator_invoke_timer_registration_destroy(navigator_invoke_timer_registration_t *registration);
/* Setters store their value only when they succeed. Texts are UTF-8; the id names the request in
   the answer (event 45), the timer id names the timer. A time or rule is copied (the caller may
   destroy its own afterwards); NULL clears it. */
QZPLATFORM_EXPORT int
navigator_invoke_timer_registration_set_action(navigator_invoke_timer_registration_t *registration,
                                               int action);
QZPLATFORM_EXPORT int
navigator_invoke_timer_registration_set_id(navigator_invoke_timer_registration_t *registration,
                                           const char *id);
QZPLATFORM_EXPORT int navigator_invoke_timer_registration_set_timer_id(
    navigator_invoke_timer_registration_t *registration, const char *timer_id);
QZPLATFORM_EXPORT int
navigator_invoke_timer_registration_set_target(navigator_invoke_timer_registration_t *registration,
                                               const char *target);
QZPLATFORM_EXPORT int navigator_invoke_timer_registration_set_specific_time(
    navigator_invoke_timer_registration_t *registration,
    const navigator_invoke_specific_time_t *specific_time);
QZPLATFORM_EXPORT int navigator_invoke_timer_registration_set_recurrence_rule(
    navigator_invoke_timer_registration_t *registration,
    const navigator_invoke_recurrence_rule_t *recurrence_rule);

/*
 * Hands the registration to the navigator. The backend receives the handle's address followed by
 * its content as a map: "kind", "action", "id", "timer_id", "target", "specific_time" (a TIME),
 * "recurrence_rule" ({"frequency", "start_date" (a TIME), "count_limit", "date_limit" (a TIME),
 * "interval", and "minutes_of_hour", "hours_of_day", "days_of_week", "days_of_month",
 * "months_of_year" as lists of numbers}), where a TIME is {"year", "month", "day", "hour",
 * "minute", "time_zone"}. Keys never set are absent.
 */
QZPLATFORM_EXPORT int
navigator_invoke_timer_registration_send(const navigator_invoke_timer_registration_t *registration);

#ifdef __cplusplus
}
#endif

#endif
