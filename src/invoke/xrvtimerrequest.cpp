#include "xrvtimerrequest_p.h"

#include "invokelogging_p.h"
#include "xrvinvokerequest_p.h"

#include <algorithm>
#include <memory>
#include <new>
#include <stdexcept>
#include <vector>

namespace qz::system {

namespace {

[[noreturn]] void fail(const char *message)
{
    qCWarning(lcInvoke, "%s", message);
    throw std::runtime_error(message);
}

[[noreturn]] void fail(const char *message, int value)
{
    qCWarning(lcInvoke) << message << value;
    throw std::runtime_error(message);
}

void destroySpecificTime(navigator_invoke_specific_time_t *time, const char *failure)
{
    if (time && navigator_invoke_specific_time_destroy(time) != 0 && failure)
        qCWarning(lcInvoke, "%s", failure);
}

// What translating a rule makes on the way; all of it is released however the translation ends.
struct RuleDetails
{
    navigator_invoke_recurrence_rule_t *rule = nullptr;
    navigator_invoke_specific_time_t *startTime = nullptr;
    navigator_invoke_specific_time_t *dateLimit = nullptr;
    std::vector<std::unique_ptr<int[]>> arrays;

    RuleDetails() = default;
    RuleDetails(const RuleDetails &) = delete;
    RuleDetails &operator=(const RuleDetails &) = delete;

    ~RuleDetails()
    {
        if (rule && navigator_invoke_recurrence_rule_destroy(rule) != 0)
            qCWarning(
                lcInvoke,
                "XrvTimerRequest::freeRecurrenceRuleDetails Failed to destroy recurrence rule");
        destroySpecificTime(
            startTime, "XrvTimerRequest::freeRecurrenceRuleDetails Failed to destroy start time");
        destroySpecificTime(
            dateLimit, "XrvTimerRequest::freeRecurrenceRuleDetails Failed to destroy date limit");
    }
};

struct ByList
{
    QSet<int> (InvokeRecurrenceRule::*members)() const;
    int (*setter)(navigator_invoke_recurrence_rule_t *, const int *, int);
    const char *allocationFailure;
    const char *setFailure;
};

const ByList byLists[] = {
    {&InvokeRecurrenceRule::minutesOfHour, navigator_invoke_recurrence_rule_set_minutes_of_hour,
     "XrvTimerRequest::setRecurrenceRule Failed to create 'minutes of hour' array",
     "XrvTimerRequest::setRecurrenceRule Failed to set 'minutes of hour'. size:"},
    {&InvokeRecurrenceRule::hoursOfDay, navigator_invoke_recurrence_rule_set_hours_of_day,
     "XrvTimerRequest::setRecurrenceRule Failed to create 'hours of day' array",
     "XrvTimerRequest::setRecurrenceRule Failed to set 'hours of day'. size:"},
    {&InvokeRecurrenceRule::daysOfWeek, navigator_invoke_recurrence_rule_set_days_of_week,
     "XrvTimerRequest::setRecurrenceRule Failed to create 'days of week' array",
     "XrvTimerRequest::setRecurrenceRule Failed to set 'days of week'. size:"},
    {&InvokeRecurrenceRule::daysOfMonth, navigator_invoke_recurrence_rule_set_days_of_month,
     "XrvTimerRequest::setRecurrenceRule Failed to create 'days of month' array",
     "XrvTimerRequest::setRecurrenceRule Failed to set 'days of month'. size:"},
    {&InvokeRecurrenceRule::monthsOfYear, navigator_invoke_recurrence_rule_set_months_of_year,
     "XrvTimerRequest::setRecurrenceRule Failed to create 'months of year' array",
     "XrvTimerRequest::setRecurrenceRule Failed to set 'months of year'. size:"},
};

void setText(navigator_invoke_timer_registration_t *handle,
             int (*setter)(navigator_invoke_timer_registration_t *, const char *), const char *call,
             const QString &text)
{
    throwOnPlatformError(setter(handle, text.toUtf8().constData()), call);
}

} // namespace

XrvTimerRequest::XrvTimerRequest(Kind kind)
{
    throwOnPlatformError(navigator_invoke_timer_registration_create(&m_handle, kind),
                         "navigator_invoke_timer_registration_create");
}

XrvTimerRequest::~XrvTimerRequest()
{
    navigator_invoke_timer_registration_destroy(m_handle);
}

void XrvTimerRequest::setAction(Action action)
{
    throwOnPlatformError(navigator_invoke_timer_registration_set_action(m_handle, action),
                         "navigator_invoke_timer_registration_set_action");
}

void XrvTimerRequest::setId(const QString &id)
{
    setText(m_handle, navigator_invoke_timer_registration_set_id,
            "navigator_invoke_timer_registration_set_id", id);
}

void XrvTimerRequest::setTimerId(const QString &timerId)
{
    setText(m_handle, navigator_invoke_timer_registration_set_timer_id,
            "navigator_invoke_timer_registration_set_timer_id", timerId);
}

void XrvTimerRequest::setTarget(const QString &target)
{
    setText(m_handle, navigator_invoke_timer_registration_set_target,
            "navigator_invoke_timer_registration_set_target", target);
}

void XrvTimerRequest::setSpecificTime(const InvokeDateTime &time)
{
    bool filled = false;
    const std::unique_ptr<navigator_invoke_specific_time_t,
                          void (*)(navigator_invoke_specific_time_t *)>
        specificTime(createNST(time, &filled),
                     [](navigator_invoke_specific_time_t *t) { destroySpecificTime(t, nullptr); });
    if (!specificTime || !filled)
        throw std::runtime_error("no specific time");
    // The registration keeps a copy.
    throwOnPlatformError(
        navigator_invoke_timer_registration_set_specific_time(m_handle, specificTime.get()),
        "navigator_invoke_timer_registration_set_specific_time");
}

void XrvTimerRequest::setRecurrenceRule(const InvokeRecurrenceRule &rule)
{
    RuleDetails details;
    if (!rule.isValid())
        fail("XrvTimerRequest::setRecurrenceRule rule is not valid");
    const int frequency = rule.frequency();
    if (frequency < InvokeRecurrenceRuleFrequency::Yearly ||
        frequency > InvokeRecurrenceRuleFrequency::Minutely)
        fail("XrvTimerRequest::setRecurrenceRule unexpected frequency");
    if (navigator_invoke_recurrence_rule_create(&details.rule, frequency) != 0)
        fail("XrvTimerRequest::setRecurrenceRule Failed to create rule");

    bool filled = false;
    details.startTime = createNST(rule.startTime(), &filled);
    if (!details.startTime)
        fail("XrvTimerRequest::setRecurrenceRule Failed to create xrv start date");
    if (!filled)
        fail("XrvTimerRequest::setRecurrenceRule: Failed to create xrv start time");
    if (navigator_invoke_recurrence_rule_set_start_date(details.rule, details.startTime) != 0)
        fail("XrvTimerRequest::setRecurrenceRule Failed to set start date");

    if (navigator_invoke_recurrence_rule_set_count_limit(details.rule, rule.countLimit()) != 0)
        fail("XrvTimerRequest::setRecurrenceRule Failed to set countLimit:", rule.countLimit());

    if (const InvokeDateTime dateLimit = rule.dateLimit(); dateLimit.isValid()) {
        details.dateLimit = createNST(dateLimit, &filled);
        if (!details.dateLimit || !filled)
            fail("XrvTimerRequest::setRecurrenceRule: Failed to create xrv date limit");
        if (navigator_invoke_recurrence_rule_set_date_limit(details.rule, details.dateLimit) != 0)
            fail("XrvTimerRequest::setRecurrenceRule failed to set date limit");
    }

    if (navigator_invoke_recurrence_rule_set_interval(details.rule, rule.interval()) != 0)
        fail("XrvTimerRequest::setRecurrenceRule Failed to set interval ", rule.interval());

    for (const ByList &list : byLists) {
        const QSet<int> members = (rule.*list.members)();
        if (members.isEmpty())
            continue;
        const int size = int(members.size());
        std::unique_ptr<int[]> array(new (std::nothrow) int[size]);
        if (!array)
            fail(list.allocationFailure);
        std::copy(members.cbegin(), members.cend(), array.get());
        if (list.setter(details.rule, array.get(), size) != 0)
            fail(list.setFailure, size);
        details.arrays.push_back(std::move(array));
    }

    if (navigator_invoke_timer_registration_set_recurrence_rule(m_handle, details.rule) != 0)
        fail("XrvTimerRequest::setRecurrenceRule Failed to set recurrence rule");
}

void XrvTimerRequest::send()
{
    if (navigator_invoke_timer_registration_send(m_handle) != 0)
        fail("XrvTimerRequest::setRecurrenceRule Failed to send timer registration.");
}

navigator_invoke_specific_time_t *XrvTimerRequest::createNST(const InvokeDateTime &dateTime,
                                                             bool *filled)
{
    *filled = false;
    navigator_invoke_specific_time_t *time = nullptr;
    if (navigator_invoke_specific_time_create(&time) != 0) {
        qCWarning(lcInvoke, "XTR::createNST: Failed to create specific time.");
        return nullptr;
    }
    if (!dateTime.isValid()) {
        qCWarning(lcInvoke, "XTR::createNST: Specific Time is not valid");
        return time;
    }
    const QDate date = dateTime.date();
    const QTime clock = dateTime.time();
    // Seconds are dropped: the navigator works to the minute.
    *filled =
        navigator_invoke_specific_time_set_year(time, date.year()) == 0 &&
        navigator_invoke_specific_time_set_month(time, date.month()) == 0 &&
        navigator_invoke_specific_time_set_day(time, date.day()) == 0 &&
        navigator_invoke_specific_time_set_hour(time, clock.hour()) == 0 &&
        navigator_invoke_specific_time_set_minute(time, clock.minute()) == 0 &&
        (dateTime.timeZone().isEmpty() || navigator_invoke_specific_time_set_time_zone(
                                              time, dateTime.timeZone().toUtf8().constData()) == 0);
    return time;
}

} // namespace qz::system
