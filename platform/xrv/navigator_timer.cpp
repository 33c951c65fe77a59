#include <xrv/navigator_timer.h>

#include "backend_p.h"
#include "navigator_p.h"

#include <cerrno>
#include <utility>

using namespace qz::platform;
using namespace qz::platform::navigator;

// Each handle keeps its content in the form it travels in, so sending is a copy and setting a
// time or rule on another handle copies it too.
struct navigator_invoke_specific_time
{
    QVariantMap content;
};

struct navigator_invoke_recurrence_rule
{
    QVariantMap content;
};

struct navigator_invoke_timer_registration
{
    QVariantMap content;
};

namespace {

bool validHandle(const void *handle)
{
    if (handle)
        return true;
    errno = EINVAL;
    return false;
}

// A setter: hand the call to the backend with \a argument; on success store \a stored under
// \a key, or drop the key when \a stored is invalid (a NULL text or handle).
template<typename Handle>
int set(Handle *handle, const char *name, const char *key, const QVariant &argument,
        const QVariant &stored)
{
    if (!validHandle(handle))
        return -1;
    const int result = forward(Service::Navigator, name, {handleArgument(handle), argument});
    if (result == 0) {
        if (stored.isValid())
            handle->content.insert(QString::fromLatin1(key), stored);
        else
            handle->content.remove(QString::fromLatin1(key));
    }
    return result;
}

template<typename Handle>
int setNumber(Handle *handle, const char *name, const char *key, int value)
{
    return set(handle, name, key, value, value);
}

template<typename Handle>
int setText(Handle *handle, const char *name, const char *key, const char *text)
{
    const QVariant value = textArgument(text);
    return set(handle, name, key, value, value);
}

// A time or rule set on another handle: its address travels, its content is copied.
template<typename Handle, typename Value>
int setHandle(Handle *handle, const char *name, const char *key, const Value *value)
{
    return set(handle, name, key, handleArgument(value),
               value ? QVariant(value->content) : QVariant());
}

int setList(navigator_invoke_recurrence_rule_t *rule, const char *name, const char *key,
            const int *values, int count)
{
    if (!validHandle(rule))
        return -1;
    if (count < 0 || (count > 0 && !values)) {
        errno = EINVAL;
        return -1;
    }
    QVariantList list;
    list.reserve(count);
    for (int i = 0; i < count; ++i)
        list.append(values[i]);
    const int result = forward(Service::Navigator, name, {handleArgument(rule), list, count});
    if (result == 0) {
        if (count > 0)
            rule->content.insert(QString::fromLatin1(key), list);
        else
            rule->content.remove(QString::fromLatin1(key));
    }
    return result;
}

// A create function: \a args go to the backend; the handle is made only when it agrees.
template<typename Handle>
int create(Handle **handle, const char *name, const QVariantList &args, QVariantMap content)
{
    if (!validHandle(handle))
        return -1;
    *handle = nullptr;
    const int result = forward(Service::Navigator, name, args);
    if (result == 0)
        *handle = new Handle{std::move(content)};
    return result;
}

template<typename Handle> int destroy(Handle *handle, const char *name)
{
    if (!validHandle(handle))
        return -1;
    const int result = forward(Service::Navigator, name, {handleArgument(handle)});
    delete handle;
    return result;
}

int refuse()
{
    errno = EINVAL;
    return -1;
}

} // namespace

extern "C" {

int navigator_invoke_specific_time_create(navigator_invoke_specific_time_t **time)
{
    return create(time, "navigator_invoke_specific_time_create", {}, {});
}

int navigator_invoke_specific_time_destroy(navigator_invoke_specific_time_t *time)
{
    return destroy(time, "navigator_invoke_specific_time_destroy");
}

int navigator_invoke_specific_time_set_year(navigator_invoke_specific_time_t *time, int year)
{
    return setNumber(time, "navigator_invoke_specific_time_set_year", "year", year);
}

int navigator_invoke_specific_time_set_month(navigator_invoke_specific_time_t *time, int month)
{
    return setNumber(time, "navigator_invoke_specific_time_set_month", "month", month);
}

int navigator_invoke_specific_time_set_day(navigator_invoke_specific_time_t *time, int day)
{
    return setNumber(time, "navigator_invoke_specific_time_set_day", "day", day);
}

int navigator_invoke_specific_time_set_hour(navigator_invoke_specific_time_t *time, int hour)
{
    return setNumber(time, "navigator_invoke_specific_time_set_hour", "hour", hour);
}

int navigator_invoke_specific_time_set_minute(navigator_invoke_specific_time_t *time, int minute)
{
    return setNumber(time, "navigator_invoke_specific_time_set_minute", "minute", minute);
}

int navigator_invoke_specific_time_set_time_zone(navigator_invoke_specific_time_t *time,
                                                 const char *time_zone)
{
    return setText(time, "navigator_invoke_specific_time_set_time_zone", "time_zone", time_zone);
}

int navigator_invoke_recurrence_rule_create(navigator_invoke_recurrence_rule_t **rule,
                                            int frequency)
{
    if (frequency < NAVIGATOR_INVOKE_RECURRENCE_YEARLY ||
        frequency > NAVIGATOR_INVOKE_RECURRENCE_MINUTELY) {
        if (rule)
            *rule = nullptr;
        return refuse();
    }
    return create(rule, "navigator_invoke_recurrence_rule_create", {frequency},
                  {{QStringLiteral("frequency"), frequency}});
}

int navigator_invoke_recurrence_rule_destroy(navigator_invoke_recurrence_rule_t *rule)
{
    return destroy(rule, "navigator_invoke_recurrence_rule_destroy");
}

int navigator_invoke_recurrence_rule_set_start_date(
    navigator_invoke_recurrence_rule_t *rule, const navigator_invoke_specific_time_t *start_date)
{
    return setHandle(rule, "navigator_invoke_recurrence_rule_set_start_date", "start_date",
                     start_date);
}

int navigator_invoke_recurrence_rule_set_count_limit(navigator_invoke_recurrence_rule_t *rule,
                                                     int count_limit)
{
    return setNumber(rule, "navigator_invoke_recurrence_rule_set_count_limit", "count_limit",
                     count_limit);
}

int navigator_invoke_recurrence_rule_set_date_limit(
    navigator_invoke_recurrence_rule_t *rule, const navigator_invoke_specific_time_t *date_limit)
{
    return setHandle(rule, "navigator_invoke_recurrence_rule_set_date_limit", "date_limit",
                     date_limit);
}

int navigator_invoke_recurrence_rule_set_interval(navigator_invoke_recurrence_rule_t *rule,
                                                  int interval)
{
    return setNumber(rule, "navigator_invoke_recurrence_rule_set_interval", "interval", interval);
}

int navigator_invoke_recurrence_rule_set_minutes_of_hour(navigator_invoke_recurrence_rule_t *rule,
                                                         const int *values, int count)
{
    return setList(rule, "navigator_invoke_recurrence_rule_set_minutes_of_hour", "minutes_of_hour",
                   values, count);
}

int navigator_invoke_recurrence_rule_set_hours_of_day(navigator_invoke_recurrence_rule_t *rule,
                                                      const int *values, int count)
{
    return setList(rule, "navigator_invoke_recurrence_rule_set_hours_of_day", "hours_of_day",
                   values, count);
}

int navigator_invoke_recurrence_rule_set_days_of_week(navigator_invoke_recurrence_rule_t *rule,
                                                      const int *values, int count)
{
    return setList(rule, "navigator_invoke_recurrence_rule_set_days_of_week", "days_of_week",
                   values, count);
}

int navigator_invoke_recurrence_rule_set_days_of_month(navigator_invoke_recurrence_rule_t *rule,
                                                       const int *values, int count)
{
    return setList(rule, "navigator_invoke_recurrence_rule_set_days_of_month", "days_of_month",
                   values, count);
}

int navigator_invoke_recurrence_rule_set_months_of_year(navigator_invoke_recurrence_rule_t *rule,
                                                        const int *values, int count)
{
    return setList(rule, "navigator_invoke_recurrence_rule_set_months_of_year", "months_of_year",
                   values, count);
}

int navigator_invoke_timer_registration_create(navigator_invoke_timer_registration_t **registration,
                                               int kind)
{
    if (kind < NAVIGATOR_INVOKE_TIMER_KIND_NONE ||
        kind > NAVIGATOR_INVOKE_TIMER_KIND_SPECIFIC_TIME_ZONED) {
        if (registration)
            *registration = nullptr;
        return refuse();
    }
    return create(registration, "navigator_invoke_timer_registration_create", {kind},
                  {{QStringLiteral("kind"), kind}});
}

int navigator_invoke_timer_registration_destroy(navigator_invoke_timer_registration_t *registration)
{
    return destroy(registration, "navigator_invoke_timer_registration_destroy");
}

int navigator_invoke_timer_registration_set_action(
    navigator_invoke_timer_registration_t *registration, int action)
{
    return setNumber(registration, "navigator_invoke_timer_registration_set_action", "action",
                     action);
}

int navigator_invoke_timer_registration_set_id(navigator_invoke_timer_registration_t *registration,
                                               const char *id)
{
    return setText(registration, "navigator_invoke_timer_registration_set_id", "id", id);
}

int navigator_invoke_timer_registration_set_timer_id(
    navigator_invoke_timer_registration_t *registration, const char *timer_id)
{
    return setText(registration, "navigator_invoke_timer_registration_set_timer_id", "timer_id",
                   timer_id);
}

int navigator_invoke_timer_registration_set_target(
    navigator_invoke_timer_registration_t *registration, const char *target)
{
    return setText(registration, "navigator_invoke_timer_registration_set_target", "target",
                   target);
}

int navigator_invoke_timer_registration_set_specific_time(
    navigator_invoke_timer_registration_t *registration,
    const navigator_invoke_specific_time_t *specific_time)
{
    return setHandle(registration, "navigator_invoke_timer_registration_set_specific_time",
                     "specific_time", specific_time);
}

int navigator_invoke_timer_registration_set_recurrence_rule(
    navigator_invoke_timer_registration_t *registration,
    const navigator_invoke_recurrence_rule_t *recurrence_rule)
{
    return setHandle(registration, "navigator_invoke_timer_registration_set_recurrence_rule",
                     "recurrence_rule", recurrence_rule);
}

int navigator_invoke_timer_registration_send(
    const navigator_invoke_timer_registration_t *registration)
{
    if (!validHandle(registration))
        return -1;
    return forward(Service::Navigator, "navigator_invoke_timer_registration_send",
                   {handleArgument(registration), registration->content});
}

} // extern "C"
