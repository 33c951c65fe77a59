#ifndef QZ_SYSTEM_INVOKERECURRENCERULE_H
#define QZ_SYSTEM_INVOKERECURRENCERULE_H

#include <qz/system/invokedatetime.h>
#include <qz/system/invokerecurrencerulefrequency.h>
#include <qz/system/invokerecurrencerulelimit.h>

#include <QList>
#include <QObject>
#include <QSet>

namespace qz::system {

class InvokeRecurrenceRulePrivate;

/*!
    \class qz::system::InvokeRecurrenceRule
    \brief When a recurring timer fires: a frequency and interval from a start time, optionally
    narrowed by lists of minutes, hours, weekdays, days and months, and ended by a count or a date.

    A value type; copies share their data until one is changed. Writers store their values
    unchecked: the navigator judges the ranges of the list members.

    QML, and anything else going through the meta-object, reaches the five lists as the
    properties minutesOfHour, hoursOfDay, daysOfWeek, daysOfMonth and monthsOfYear of type
    QList<int> (JavaScript arrays of numbers): read in ascending order, written with duplicates
    dropped.
*/
class QZSYSTEM_EXPORT InvokeRecurrenceRule
{
    Q_GADGET
    Q_PROPERTY(qz::system::InvokeRecurrenceRuleFrequency::Type frequency READ frequency WRITE
                   setFrequency FINAL)
    Q_PROPERTY(int interval READ interval WRITE setInterval FINAL)
    Q_PROPERTY(qz::system::InvokeDateTime startTime READ startTime WRITE setStartTime FINAL)
    Q_PROPERTY(qz::system::InvokeRecurrenceRuleLimit::Type limitType READ limitType CONSTANT FINAL)
    Q_PROPERTY(qz::system::InvokeDateTime dateLimit READ dateLimit CONSTANT FINAL)
    Q_PROPERTY(int countLimit READ countLimit CONSTANT FINAL)
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
    Q_PROPERTY(QList<int> minutesOfHour READ minutesOfHourList WRITE setMinutesOfHourList FINAL)
    Q_PROPERTY(QList<int> hoursOfDay READ hoursOfDayList WRITE setHoursOfDayList FINAL)
    Q_PROPERTY(QList<int> daysOfWeek READ daysOfWeekList WRITE setDaysOfWeekList FINAL)
    Q_PROPERTY(QList<int> daysOfMonth READ daysOfMonthList WRITE setDaysOfMonthList FINAL)
    Q_PROPERTY(QList<int> monthsOfYear READ monthsOfYearList WRITE setMonthsOfYearList FINAL)
public:
    /*! Frequency None, invalid start time: not a valid rule until both are set. */
    InvokeRecurrenceRule();
    /*! Starting now, in local time. */
    explicit InvokeRecurrenceRule(InvokeRecurrenceRuleFrequency::Type frequency);
    InvokeRecurrenceRule(InvokeRecurrenceRuleFrequency::Type frequency,
                         const InvokeDateTime &startTime);
    InvokeRecurrenceRule(const InvokeRecurrenceRule &other);
    InvokeRecurrenceRule &operator=(const InvokeRecurrenceRule &other);
    ~InvokeRecurrenceRule();

    InvokeRecurrenceRuleFrequency::Type frequency() const;
    void setFrequency(InvokeRecurrenceRuleFrequency::Type frequency);

    /*! Date when a valid date limit is set, Count when a count of at least 1 is, else None. */
    InvokeRecurrenceRuleLimit::Type limitType() const;
    InvokeDateTime dateLimit() const;
    int countLimit() const;
    /*! Ends the timer after \a count occurrences. */
    Q_INVOKABLE void setLimit(int count);
    /*! Ends the timer at \a date. */
    Q_INVOKABLE void setLimit(const qz::system::InvokeDateTime &date);
    /*! No limit, count 0, invalid date limit. */
    Q_INVOKABLE void clearLimit();

    /*! Every how many periods of the frequency the timer fires; 1 by default. */
    int interval() const;
    void setInterval(int interval);

    InvokeDateTime startTime() const;
    void setStartTime(const InvokeDateTime &startTime);

    QSet<int> minutesOfHour() const;
    void setMinutesOfHour(const QSet<int> &minutes);
    QSet<int> hoursOfDay() const;
    void setHoursOfDay(const QSet<int> &hours);
    QSet<int> daysOfWeek() const;
    void setDaysOfWeek(const QSet<int> &days);
    QSet<int> daysOfMonth() const;
    void setDaysOfMonth(const QSet<int> &days);
    QSet<int> monthsOfYear() const;
    void setMonthsOfYear(const QSet<int> &months);

    /*! A frequency, a valid start time and an interval above 0. */
    bool isValid() const;

private:
    // The lists as the meta-object's properties: QML has no conversion from QSet.
    QList<int> minutesOfHourList() const;
    void setMinutesOfHourList(const QList<int> &minutes);
    QList<int> hoursOfDayList() const;
    void setHoursOfDayList(const QList<int> &hours);
    QList<int> daysOfWeekList() const;
    void setDaysOfWeekList(const QList<int> &days);
    QList<int> daysOfMonthList() const;
    void setDaysOfMonthList(const QList<int> &days);
    QList<int> monthsOfYearList() const;
    void setMonthsOfYearList(const QList<int> &months);

    QSharedDataPointer<InvokeRecurrenceRulePrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeRecurrenceRule)

#endif
