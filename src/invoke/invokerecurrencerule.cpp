#include <qz/system/invokerecurrencerule.h>

#include <QDateTime>

#include <algorithm>

namespace qz::system {

namespace {

QList<int> ascending(const QSet<int> &set)
{
    QList<int> list(set.cbegin(), set.cend());
    std::sort(list.begin(), list.end());
    return list;
}

QSet<int> toSet(const QList<int> &list)
{
    return QSet<int>(list.cbegin(), list.cend());
}

} // namespace

class InvokeRecurrenceRulePrivate : public QSharedData
{
public:
    InvokeRecurrenceRuleFrequency::Type frequency = InvokeRecurrenceRuleFrequency::None;
    // What the caller asked for; limitType() also checks that the limit itself holds.
    InvokeRecurrenceRuleLimit::Type limitType = InvokeRecurrenceRuleLimit::None;
    InvokeDateTime dateLimit;
    int countLimit = 0;
    int interval = 1;
    QSet<int> minutesOfHour;
    QSet<int> hoursOfDay;
    QSet<int> daysOfWeek;
    QSet<int> daysOfMonth;
    QSet<int> monthsOfYear;
    InvokeDateTime startTime;
};

InvokeRecurrenceRule::InvokeRecurrenceRule()
    : d(new InvokeRecurrenceRulePrivate)
{}

InvokeRecurrenceRule::InvokeRecurrenceRule(InvokeRecurrenceRuleFrequency::Type frequency)
    : InvokeRecurrenceRule(frequency, [] {
        const QDateTime now = QDateTime::currentDateTime();
        return InvokeDateTime(now.date(), now.time(), QString());
    }())
{}

InvokeRecurrenceRule::InvokeRecurrenceRule(InvokeRecurrenceRuleFrequency::Type frequency,
                                           const InvokeDateTime &startTime)
    : InvokeRecurrenceRule()
{
    d->frequency = frequency;
    d->startTime = startTime;
}

InvokeRecurrenceRule::InvokeRecurrenceRule(const InvokeRecurrenceRule &other) = default;
InvokeRecurrenceRule &InvokeRecurrenceRule::operator=(const InvokeRecurrenceRule &other) = default;
InvokeRecurrenceRule::~InvokeRecurrenceRule() = default;

InvokeRecurrenceRuleFrequency::Type InvokeRecurrenceRule::frequency() const
{
    return d->frequency;
}

void InvokeRecurrenceRule::setFrequency(InvokeRecurrenceRuleFrequency::Type frequency)
{
    d->frequency = frequency;
}

InvokeRecurrenceRuleLimit::Type InvokeRecurrenceRule::limitType() const
{
    if (d->limitType == InvokeRecurrenceRuleLimit::Date && d->dateLimit.isValid())
        return InvokeRecurrenceRuleLimit::Date;
    if (d->limitType == InvokeRecurrenceRuleLimit::Count && d->countLimit >= 1)
        return InvokeRecurrenceRuleLimit::Count;
    return InvokeRecurrenceRuleLimit::None;
}

InvokeDateTime InvokeRecurrenceRule::dateLimit() const
{
    return d->dateLimit;
}

int InvokeRecurrenceRule::countLimit() const
{
    return d->countLimit;
}

void InvokeRecurrenceRule::setLimit(int count)
{
    d->countLimit = count;
    d->limitType = InvokeRecurrenceRuleLimit::Count;
}

void InvokeRecurrenceRule::setLimit(const InvokeDateTime &date)
{
    d->dateLimit = date;
    d->limitType = InvokeRecurrenceRuleLimit::Date;
}

void InvokeRecurrenceRule::clearLimit()
{
    d->limitType = InvokeRecurrenceRuleLimit::None;
    d->countLimit = 0;
    d->dateLimit = InvokeDateTime();
}

int InvokeRecurrenceRule::interval() const
{
    return d->interval;
}

void InvokeRecurrenceRule::setInterval(int interval)
{
    d->interval = interval;
}

InvokeDateTime InvokeRecurrenceRule::startTime() const
{
    return d->startTime;
}

void InvokeRecurrenceRule::setStartTime(const InvokeDateTime &startTime)
{
    d->startTime = startTime;
}

QSet<int> InvokeRecurrenceRule::minutesOfHour() const
{
    return d->minutesOfHour;
}

void InvokeRecurrenceRule::setMinutesOfHour(const QSet<int> &minutes)
{
    d->minutesOfHour = minutes;
}

QSet<int> InvokeRecurrenceRule::hoursOfDay() const
{
    return d->hoursOfDay;
}

void InvokeRecurrenceRule::setHoursOfDay(const QSet<int> &hours)
{
    d->hoursOfDay = hours;
}

QSet<int> InvokeRecurrenceRule::daysOfWeek() const
{
    return d->daysOfWeek;
}

void InvokeRecurrenceRule::setDaysOfWeek(const QSet<int> &days)
{
    d->daysOfWeek = days;
}

QSet<int> InvokeRecurrenceRule::daysOfMonth() const
{
    return d->daysOfMonth;
}

void InvokeRecurrenceRule::setDaysOfMonth(const QSet<int> &days)
{
    d->daysOfMonth = days;
}

QSet<int> InvokeRecurrenceRule::monthsOfYear() const
{
    return d->monthsOfYear;
}

void InvokeRecurrenceRule::setMonthsOfYear(const QSet<int> &months)
{
    d->monthsOfYear = months;
}

QList<int> InvokeRecurrenceRule::minutesOfHourList() const
{
    return ascending(d->minutesOfHour);
}

void InvokeRecurrenceRule::setMinutesOfHourList(const QList<int> &minutes)
{
    d->minutesOfHour = toSet(minutes);
}

QList<int> InvokeRecurrenceRule::hoursOfDayList() const
{
    return ascending(d->hoursOfDay);
}

void InvokeRecurrenceRule::setHoursOfDayList(const QList<int> &hours)
{
    d->hoursOfDay = toSet(hours);
}

QList<int> InvokeRecurrenceRule::daysOfWeekList() const
{
    return ascending(d->daysOfWeek);
}

void InvokeRecurrenceRule::setDaysOfWeekList(const QList<int> &days)
{
    d->daysOfWeek = toSet(days);
}

QList<int> InvokeRecurrenceRule::daysOfMonthList() const
{
    return ascending(d->daysOfMonth);
}

void InvokeRecurrenceRule::setDaysOfMonthList(const QList<int> &days)
{
    d->daysOfMonth = toSet(days);
}

QList<int> InvokeRecurrenceRule::monthsOfYearList() const
{
    return ascending(d->monthsOfYear);
}

void InvokeRecurrenceRule::setMonthsOfYearList(const QList<int> &months)
{
    d->monthsOfYear = toSet(months);
}

bool InvokeRecurrenceRule::isValid() const
{
    return d->frequency != InvokeRecurrenceRuleFrequency::None && d->startTime.isValid() &&
           d->interval > 0;
}

} // namespace qz::system
