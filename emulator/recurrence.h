// Timed invocations: the times a timer registration names, read from the navigator's wire maps,
// and the instants at which a recurrence rule fires.
//
// A TIME on the wire is {"year","month","day","hour","minute","time_zone"}: year, month and day
// are required, hour and minute default to 0, and a missing or empty "time_zone" is the device's
// local zone, looked up again at every computation (so a rule follows a change of the device's
// zone). Numbers may arrive as integers or as integral doubles (JSON); anything else is refused.
//
// A recurrence rule {"frequency", "start_date", "count_limit", "date_limit", "interval",
// "minutes_of_hour", "hours_of_day", "days_of_week", "days_of_month", "months_of_year"} follows
// the usual calendar recurrence rules:
// - "frequency" 1..6 = yearly, monthly, weekly, daily, hourly, minutely; "interval" (default 1)
//   picks every n-th period, counted from the period holding the start (weeks begin on Monday).
// - The by-lists expand or limit: months of year expand a yearly rule and limit the others; days
//   of month expand yearly and monthly rules and limit the others; days of week expand yearly,
//   monthly and weekly rules (limiting instead when days of month are given) and limit the
//   others; hours of day expand yearly to daily rules and limit hourly and minutely ones;
//   minutes of hour expand all but minutely rules, which they limit.
// - What no list fixes is taken from the start: a yearly rule without day lists fires on the
//   start's day (in the start's month unless months are listed), a monthly one on the start's day
//   of month, a weekly one on the start's day of week; daily and longer rules fire at the start's
//   hour and minute, hourly rules at its minute.
// - Days of week: 1 = Monday .. 7 = Sunday. Days of month: 1..31, or -1..-31 counted from the end
//   (-1 = the last day). A day that a month does not have is skipped, never clamped: a monthly
//   rule on the 31st fires in seven months a year, a yearly rule on February 29 in leap years
//   only.
// - The start is the lower bound, not an occurrence of its own: only times that match the rule
//   fire. "count_limit" (0 or absent: none) counts occurrences from the start, "date_limit" is the
//   last instant that may fire (inclusive); both may be given, and the first to end the rule wins.
//
// Rules run on the wall clock of their zone. A wall time that does not exist (the clock jumps
// over it) is read with the offset in force before the jump, which moves it forward by the jump
// (02:30 in a gap from 02:00 to 03:00 fires at 03:30); a wall time that happens twice fires at the
// first. Occurrences that land on the same instant fire once.
//
// Every search is bounded: occurrences are looked for within 400 years (the calendar's whole
// cycle) of where the search begins and never after 9999-12-31, so a rule that cannot fire (the
// 30th of February, a date limit before the start) is found out rather than searched forever.
#ifndef QZDEVICE_RECURRENCE_H
#define QZDEVICE_RECURRENCE_H

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <QVariantMap>

#include <optional>

/*! A date and a minute on the wall clock of a time zone. */
class ZonedTime
{
public:
    ZonedTime() = default;
    ZonedTime(QDate date, QTime time, const QString &timeZone = QString());

    /*! Reads a TIME map; \a where names it in \a error ("specific_time", "start_date", ...). */
    static std::optional<ZonedTime> fromWire(const QVariant &time, const QString &where,
                                             QString *error);
    QVariantMap toWire() const;

    QDate date() const { return m_date; }
    /*! Whole minutes. */
    QTime time() const { return m_time; }
    /*! Empty: the device's local zone. */
    QString timeZone() const { return m_timeZone; }

    /*! The instant this wall time stands for (in UTC), a gap moving it forward and an overlap
        taking the first; invalid when the zone is no longer known. */
    QDateTime instant() const;

private:
    QDate m_date;
    QTime m_time;
    QString m_timeZone;
};

class RecurrenceRule
{
public:
    enum class Frequency { Yearly = 1, Monthly, Weekly, Daily, Hourly, Minutely };

    struct Occurrence
    {
        QDateTime at;      //!< in UTC
        qint64 number = 0; //!< 1 for the first occurrence after the start
    };

    /*! Reads a "recurrence_rule" map; nothing and \a error set when any field is wrong. A missing
        "start_date" starts the rule at \a defaultStart (in the local zone) when that is valid. */
    static std::optional<RecurrenceRule> fromWire(const QVariantMap &rule, QString *error,
                                                  const QDateTime &defaultStart = QDateTime());
    /*! The rule as a wire map, every field explicit; fromWire() reads it back unchanged. */
    QVariantMap toWire() const;

    Frequency frequency() const { return m_frequency; }
    int interval() const { return m_interval; }
    ZonedTime start() const { return m_start; }
    /*! 0: none. */
    int countLimit() const { return m_countLimit; }
    /*! Not set when the date is not valid. */
    ZonedTime dateLimit() const { return m_dateLimit; }
    QList<int> minutesOfHour() const { return m_minutes; }
    QList<int> hoursOfDay() const { return m_hours; }
    QList<int> daysOfWeek() const { return m_weekdays; }
    QList<int> daysOfMonth() const { return m_monthDays; }
    QList<int> monthsOfYear() const { return m_months; }

    /*! The first occurrence at or after \a notBefore, or nothing when the rule has ended or does
        not fire within the search bounds (\a why, when given, says which). With a count limit
        the occurrences since the start are counted, at most countLimit() of them. */
    std::optional<Occurrence> nextOccurrence(const QDateTime &notBefore,
                                             QString *why = nullptr) const;
    /*! The occurrence after \a previous (one this rule produced), or nothing when none is left. */
    std::optional<Occurrence> following(const Occurrence &previous) const;
    /*! The instant of nextOccurrence(), invalid when there is none. */
    QDateTime next(const QDateTime &notBefore) const;

private:
    friend class RecurrenceCursor;

    Frequency m_frequency = Frequency::Daily;
    int m_interval = 1;
    ZonedTime m_start;
    int m_countLimit = 0;
    ZonedTime m_dateLimit;
    // Sorted, without duplicates.
    QList<int> m_minutes;
    QList<int> m_hours;
    QList<int> m_weekdays;
    QList<int> m_monthDays;
    QList<int> m_months;
};

#endif
