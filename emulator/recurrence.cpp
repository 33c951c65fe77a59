#include "recurrence.h"

#include <QRegularExpression>
#include <QTimeZone>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr qint64 EpochJd = 2440588;  // 1970-01-01
constexpr qint64 MondayJd = 2440592; // 1970-01-05, a Monday: weeks are counted from it
constexpr qint64 SecsPerDay = 86400;
constexpr int MaxYear = 9999;
// The Gregorian calendar repeats itself, days of week included, every 400 years.
constexpr qint64 HorizonDays = 146097;
// Occurrences stepped over when a count limit makes us count from the start.
constexpr qint64 CountBudget = 1000000;
constexpr int MaxZoneIdLength = 64;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

qint64 lastJd()
{
    static const qint64 jd = QDate(MaxYear, 12, 31).toJulianDay();
    return jd;
}

int offsetAt(const QTimeZone &zone, qint64 utcSecs)
{
    return zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utcSecs, Qt::UTC));
}

// Wall seconds are the wall clock's reading counted as if it were UTC.
qint64 wallSecs(qint64 jd, int minuteOfDay)
{
    return (jd - EpochJd) * SecsPerDay + minuteOfDay * 60;
}

qint64 instantOfWall(const QTimeZone &zone, qint64 wall)
{
    const int before = offsetAt(zone, wall - SecsPerDay);
    const int after = offsetAt(zone, wall + SecsPerDay);
    const qint64 early = wall - before;
    const qint64 late = wall - after;
    const bool earlyHolds = offsetAt(zone, early) == before;
    const bool lateHolds = offsetAt(zone, late) == after;
    if (earlyHolds && lateHolds)
        return std::min(early, late); // a wall time seen twice: the first
    if (lateHolds)
        return late;
    // Either the only reading, or a gap: the offset before the jump moves it forward.
    return early;
}

std::optional<QTimeZone> zoneNamed(const QString &id)
{
    if (id.isEmpty())
        return QTimeZone::systemTimeZone();
    // Zone ids name files of the system's zone database: keep them to the shape of real ids.
    static const QRegularExpression shape(
        QStringLiteral("^[A-Za-z][A-Za-z0-9_+-]*(/[A-Za-z0-9_+-]+)*$"));
    if (id.size() > MaxZoneIdLength || !shape.match(id).hasMatch())
        return std::nullopt;
    QTimeZone zone(id.toLatin1());
    if (!zone.isValid())
        return std::nullopt;
    return zone;
}

std::optional<qint64> integerOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::LongLong:
        return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const qulonglong v = value.toULongLong();
        if (v > qulonglong(std::numeric_limits<qint64>::max()))
            return std::nullopt;
        return qint64(v);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const double v = value.toDouble();
        if (!std::isfinite(v) || v != std::floor(v) || std::fabs(v) > 1e15)
            return std::nullopt;
        return qint64(v);
    }
    default:
        return std::nullopt;
    }
}

// Reads the fields of one wire map, keeping the first problem found.
class FieldReader
{
public:
    FieldReader(const QVariantMap &map, const QString &where)
        : m_map(map)
        , m_where(where)
    {}

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    void fail(const QString &problem) { fail(QString(), problem); }
    void fail(const char *key, const QString &problem) { fail(QLatin1String(key), problem); }

    bool has(const char *key) const { return m_map.contains(QLatin1String(key)); }
    QVariant value(const char *key) const { return m_map.value(QLatin1String(key)); }

    /*! \a fallback when absent; nothing (and an error) when absent without one or wrong. */
    std::optional<int> integer(const char *key, qint64 low, qint64 high,
                               std::optional<int> fallback = std::nullopt)
    {
        if (!has(key)) {
            if (!fallback)
                fail(key, QStringLiteral("missing"));
            return fallback;
        }
        const std::optional<qint64> v = integerOf(value(key));
        if (!v) {
            fail(key, QStringLiteral("expected a whole number"));
            return std::nullopt;
        }
        if (*v < low || *v > high) {
            fail(key, QStringLiteral("%1 is not within %2..%3").arg(*v).arg(low).arg(high));
            return std::nullopt;
        }
        return int(*v);
    }

    /*! Sorted members without duplicates; empty when absent. */
    QList<int> integerSet(const char *key, int low, int high, bool negativeToo = false)
    {
        QList<int> members;
        if (!has(key))
            return members;
        const QVariant list = value(key);
        if (list.typeId() != QMetaType::QVariantList) {
            fail(key, QStringLiteral("expected a list of whole numbers"));
            return members;
        }
        for (const QVariant &item : list.toList()) {
            const std::optional<qint64> v = integerOf(item);
            if (!v) {
                fail(key, QStringLiteral("expected a list of whole numbers"));
                return {};
            }
            const bool inRange =
                (*v >= low && *v <= high) || (negativeToo && *v <= -low && *v >= -high);
            if (!inRange) {
                fail(key,
                     negativeToo
                         ? QStringLiteral("%1 is not within %2..%3 or -%3..-%2")
                               .arg(*v)
                               .arg(low)
                               .arg(high)
                         : QStringLiteral("%1 is not within %2..%3").arg(*v).arg(low).arg(high));
                return {};
            }
            members.append(int(*v));
        }
        std::sort(members.begin(), members.end());
        members.erase(std::unique(members.begin(), members.end()), members.end());
        return members;
    }

private:
    void fail(const QString &key, const QString &problem)
    {
        if (!m_error.isEmpty())
            return;
        m_error = key.isEmpty() ? QStringLiteral("%1: %2").arg(m_where, problem)
                                : QStringLiteral("%1.%2: %3").arg(m_where, key, problem);
    }

    const QVariantMap &m_map;
    const QString m_where;
    QString m_error;
};

QVariantList toVariantList(const QList<int> &values)
{
    QVariantList list;
    for (int v : values)
        list.append(v);
    return list;
}

template<std::size_t N> std::bitset<N> maskOf(const QList<int> &values, int shift = 0)
{
    std::bitset<N> mask;
    for (int v : values)
        mask.set(std::size_t(v + shift));
    return mask;
}

} // namespace

ZonedTime::ZonedTime(QDate date, QTime time, const QString &timeZone)
    : m_date(date)
    , m_time(time.isValid() ? QTime(time.hour(), time.minute()) : time)
    , m_timeZone(timeZone)
{}

std::optional<ZonedTime> ZonedTime::fromWire(const QVariant &time, const QString &where,
                                             QString *error)
{
    if (time.typeId() != QMetaType::QVariantMap) {
        *error = QStringLiteral("%1: expected a map").arg(where);
        return std::nullopt;
    }
    const QVariantMap map = time.toMap();
    FieldReader reader(map, where);
    const std::optional<int> year = reader.integer("year", 1, MaxYear);
    const std::optional<int> month = reader.integer("month", 1, 12);
    const std::optional<int> day = reader.integer("day", 1, 31);
    const std::optional<int> hour = reader.integer("hour", 0, 23, 0);
    const std::optional<int> minute = reader.integer("minute", 0, 59, 0);
    QString zone;
    if (reader.has("time_zone")) {
        const QVariant value = reader.value("time_zone");
        if (value.typeId() != QMetaType::QString)
            reader.fail("time_zone", QStringLiteral("expected a text"));
        else
            zone = value.toString();
        if (!reader.failed() && !zoneNamed(zone))
            reader.fail("time_zone", QStringLiteral("unknown time zone \"%1\"").arg(zone.left(80)));
    }
    if (!reader.failed() && !QDate::isValid(*year, *month, *day))
        reader.fail(QStringLiteral("%1-%2-%3 is not a date")
                        .arg(*year, 4, 10, QLatin1Char('0'))
                        .arg(*month, 2, 10, QLatin1Char('0'))
                        .arg(*day, 2, 10, QLatin1Char('0')));
    if (reader.failed()) {
        *error = reader.error();
        return std::nullopt;
    }
    return ZonedTime(QDate(*year, *month, *day), QTime(*hour, *minute), zone);
}

QVariantMap ZonedTime::toWire() const
{
    QVariantMap map{{QStringLiteral("year"), m_date.year()},
                    {QStringLiteral("month"), m_date.month()},
                    {QStringLiteral("day"), m_date.day()},
                    {QStringLiteral("hour"), m_time.hour()},
                    {QStringLiteral("minute"), m_time.minute()}};
    if (!m_timeZone.isEmpty())
        map.insert(QStringLiteral("time_zone"), m_timeZone);
    return map;
}

QDateTime ZonedTime::instant() const
{
    const std::optional<QTimeZone> zone = zoneNamed(m_timeZone);
    if (!zone || !m_date.isValid() || !m_time.isValid())
        return QDateTime();
    const qint64 wall = wallSecs(m_date.toJulianDay(), m_time.msecsSinceStartOfDay() / 60000);
    return QDateTime::fromSecsSinceEpoch(instantOfWall(*zone, wall), Qt::UTC);
}

// Walks the wall-clock times a rule produces, day by day from a given wall time on, and hands
// out their instants in order (each day's sorted, so a time moved forward out of a gap takes its
// place; an instant not after the last one handed out is dropped). Gives up when a whole horizon
// passes without an occurrence, or at the end of year 9999.
class RecurrenceCursor
{
public:
    RecurrenceCursor(const RecurrenceRule &rule, const QTimeZone &zone);

    /*! Restarts at wall time (\a jd, \a minute), or at the start when that is earlier, handing
        out only instants after \a dropUpTo. */
    void seek(qint64 jd, int minute, qint64 dropUpTo);
    std::optional<qint64> next();

private:
    bool fillBatch();
    std::optional<qint64> candidateDay(qint64 jd) const;
    bool dayMatches(qint64 jd, int month, int day, int daysInMonth) const;
    void timesOfDay(qint64 jd, std::vector<int> *times) const;
    qint64 periodOf(qint64 jd, int year, int month) const;

    using Frequency = RecurrenceRule::Frequency;
    const Frequency m_frequency;
    const qint64 m_interval;
    const QTimeZone m_zone;
    const qint64 m_startJd;
    const int m_startMinute;

    std::bitset<13> m_months; // empty: any
    std::bitset<32> m_monthDays;
    std::bitset<32> m_monthDaysFromEnd; // bit n: the n-th day from the end
    std::bitset<8> m_weekdays;
    bool m_anyMonth = true;
    bool m_anyMonthDay = true;
    bool m_anyWeekday = true;

    qint64 m_startPeriod = 0;
    // Daily and longer rules: the minutes of day they fire at.
    std::vector<int> m_dayTimes;
    // Hourly and minutely rules: units are hours (24 a day) or minutes (1440 a day); a unit fires
    // when it is a whole number of intervals from the start's and listed in m_units.
    qint64 m_unitsPerDay = 1;
    qint64 m_startUnit = 0;
    std::vector<int> m_units;
    std::bitset<1440> m_unitMask;
    std::vector<bool> m_residues; // intervals shorter than a day: which residues have units
    std::vector<int> m_minutes;   // hourly rules: the minutes of each hour that fires

    qint64 m_fromJd = 0;
    int m_fromMinute = 0;
    qint64 m_dayJd = 0;
    qint64 m_limitJd = 0;
    qint64 m_last = std::numeric_limits<qint64>::min();
    std::vector<qint64> m_batch;
    std::size_t m_position = 0;
};

RecurrenceCursor::RecurrenceCursor(const RecurrenceRule &rule, const QTimeZone &zone)
    : m_frequency(rule.m_frequency)
    , m_interval(rule.m_interval)
    , m_zone(zone)
    , m_startJd(rule.m_start.date().toJulianDay())
    , m_startMinute(rule.m_start.time().hour() * 60 + rule.m_start.time().minute())
{
    const QDate startDate = rule.m_start.date();
    QList<int> months = rule.m_months;
    QList<int> monthDays = rule.m_monthDays;
    QList<int> weekdays = rule.m_weekdays;
    if (monthDays.isEmpty() && weekdays.isEmpty()) {
        if (m_frequency == Frequency::Yearly) {
            if (months.isEmpty())
                months = {startDate.month()};
            monthDays = {startDate.day()};
        } else if (m_frequency == Frequency::Monthly) {
            monthDays = {startDate.day()};
        } else if (m_frequency == Frequency::Weekly) {
            weekdays = {startDate.dayOfWeek()};
        }
    }
    m_anyMonth = months.isEmpty();
    m_months = maskOf<13>(months);
    m_anyMonthDay = monthDays.isEmpty();
    for (int day : monthDays) {
        if (day > 0)
            m_monthDays.set(std::size_t(day));
        else
            m_monthDaysFromEnd.set(std::size_t(-day));
    }
    m_anyWeekday = weekdays.isEmpty();
    m_weekdays = maskOf<8>(weekdays);

    QList<int> hours = rule.m_hours;
    QList<int> minutes = rule.m_minutes;
    if (hours.isEmpty() && m_frequency <= Frequency::Daily)
        hours = {m_startMinute / 60};
    if (minutes.isEmpty() && m_frequency <= Frequency::Hourly)
        minutes = {m_startMinute % 60};
    if (hours.isEmpty()) {
        for (int h = 0; h < 24; ++h)
            hours.append(h);
    }
    if (minutes.isEmpty()) {
        for (int m = 0; m < 60; ++m)
            minutes.append(m);
    }

    const QDate start = rule.m_start.date();
    m_startPeriod = periodOf(m_startJd, start.year(), start.month());
    if (m_frequency <= Frequency::Daily) {
        for (int h : hours) {
            for (int m : minutes)
                m_dayTimes.push_back(h * 60 + m);
        }
        return;
    }
    if (m_frequency == Frequency::Hourly) {
        m_unitsPerDay = 24;
        m_startUnit = m_startJd * 24 + m_startMinute / 60;
        m_units.assign(hours.cbegin(), hours.cend());
        m_minutes.assign(minutes.cbegin(), minutes.cend());
    } else {
        m_unitsPerDay = 1440;
        m_startUnit = m_startJd * 1440 + m_startMinute;
        for (int h : hours) {
            for (int m : minutes)
                m_units.push_back(h * 60 + m);
        }
    }
    for (int unit : m_units)
        m_unitMask.set(std::size_t(unit));
    if (m_interval < m_unitsPerDay) {
        m_residues.assign(std::size_t(m_interval), false);
        for (int unit : m_units)
            m_residues[std::size_t(unit % m_interval)] = true;
    }
}

qint64 RecurrenceCursor::periodOf(qint64 jd, int year, int month) const
{
    switch (m_frequency) {
    case Frequency::Yearly:
        return year;
    case Frequency::Monthly:
        return qint64(year) * 12 + month - 1;
    case Frequency::Weekly:
        return floorDiv(jd - MondayJd, 7);
    default:
        return jd;
    }
}

bool RecurrenceCursor::dayMatches(qint64 jd, int month, int day, int daysInMonth) const
{
    if (!m_anyMonth && !m_months.test(std::size_t(month)))
        return false;
    if (!m_anyMonthDay && !m_monthDays.test(std::size_t(day)) &&
        !m_monthDaysFromEnd.test(std::size_t(daysInMonth - day + 1)))
        return false;
    return m_anyWeekday || m_weekdays.test(std::size_t(floorMod(jd - MondayJd, 7) + 1));
}

std::optional<qint64> RecurrenceCursor::candidateDay(qint64 jd) const
{
    while (jd <= m_limitJd && jd <= lastJd()) {
        int year = 0;
        int month = 0;
        int day = 0;
        const QDate date = QDate::fromJulianDay(jd);
        date.getDate(&year, &month, &day);
        if (!m_anyMonth && !m_months.test(std::size_t(month))) {
            jd = QDate(year, month, 1).addMonths(1).toJulianDay();
            continue;
        }
        if (m_frequency <= Frequency::Daily) {
            const qint64 period = periodOf(jd, year, month);
            const qint64 offPeriod = floorMod(period - m_startPeriod, m_interval);
            if (offPeriod != 0) {
                const qint64 target = period - offPeriod + m_interval;
                switch (m_frequency) {
                case Frequency::Yearly:
                    if (target > MaxYear)
                        return std::nullopt;
                    jd = QDate(int(target), 1, 1).toJulianDay();
                    break;
                case Frequency::Monthly:
                    if (target / 12 > MaxYear)
                        return std::nullopt;
                    jd = QDate(int(target / 12), int(target % 12) + 1, 1).toJulianDay();
                    break;
                case Frequency::Weekly:
                    jd = MondayJd + target * 7;
                    break;
                default:
                    jd = target;
                    break;
                }
                continue;
            }
        } else {
            const qint64 residue = floorMod(m_startUnit - jd * m_unitsPerDay, m_interval);
            const bool feasible =
                m_interval < m_unitsPerDay
                    ? bool(m_residues[std::size_t(residue)])
                    : residue < m_unitsPerDay && m_unitMask.test(std::size_t(residue));
            if (!feasible) {
                ++jd;
                continue;
            }
        }
        if (!dayMatches(jd, month, day, date.daysInMonth())) {
            ++jd;
            continue;
        }
        return jd;
    }
    return std::nullopt;
}

void RecurrenceCursor::timesOfDay(qint64 jd, std::vector<int> *times) const
{
    times->clear();
    if (m_frequency <= Frequency::Daily) {
        *times = m_dayTimes;
        return;
    }
    for (int unit : m_units) {
        if (floorMod(jd * m_unitsPerDay + unit - m_startUnit, m_interval) != 0)
            continue;
        if (m_frequency == Frequency::Minutely) {
            times->push_back(unit);
        } else {
            for (int minute : m_minutes)
                times->push_back(unit * 60 + minute);
        }
    }
}

void RecurrenceCursor::seek(qint64 jd, int minute, qint64 dropUpTo)
{
    if (jd < m_startJd || (jd == m_startJd && minute < m_startMinute)) {
        jd = m_startJd;
        minute = m_startMinute;
    }
    m_fromJd = jd;
    m_fromMinute = minute;
    m_dayJd = jd;
    // Searches start a day early (see nextOccurrence()); the horizon counts from where they
    // were asked to start.
    m_limitJd = jd + HorizonDays + 1;
    m_last = dropUpTo;
    m_batch.clear();
    m_position = 0;
}

bool RecurrenceCursor::fillBatch()
{
    std::vector<int> times;
    m_batch.clear();
    m_position = 0;
    while (m_batch.empty()) {
        const std::optional<qint64> day = candidateDay(m_dayJd);
        if (!day)
            return false;
        m_dayJd = *day + 1;
        timesOfDay(*day, &times);
        // Offsets rarely change: read each wall time on its own only around a change.
        const qint64 midnight = wallSecs(*day, 0);
        const int offsetBefore = offsetAt(m_zone, midnight - SecsPerDay);
        const bool steady = offsetBefore == offsetAt(m_zone, midnight + 2 * SecsPerDay);
        for (int minute : times) {
            if (*day < m_startJd || (*day == m_startJd && minute < m_startMinute) ||
                (*day == m_fromJd && minute < m_fromMinute))
                continue;
            const qint64 wall = wallSecs(*day, minute);
            const qint64 instant = steady ? wall - offsetBefore : instantOfWall(m_zone, wall);
            if (instant > m_last)
                m_batch.push_back(instant);
        }
        std::sort(m_batch.begin(), m_batch.end());
        m_batch.erase(std::unique(m_batch.begin(), m_batch.end()), m_batch.end());
        if (!m_batch.empty())
            m_limitJd = *day + HorizonDays;
    }
    return true;
}

std::optional<qint64> RecurrenceCursor::next()
{
    if (m_position >= m_batch.size() && !fillBatch())
        return std::nullopt;
    m_last = m_batch[m_position++];
    return m_last;
}

std::optional<RecurrenceRule> RecurrenceRule::fromWire(const QVariantMap &rule, QString *error,
                                                       const QDateTime &defaultStart)
{
    const QString where = QStringLiteral("recurrence_rule");
    FieldReader reader(rule, where);
    RecurrenceRule result;
    if (reader.has("frequency")) {
        const std::optional<qint64> frequency = integerOf(reader.value("frequency"));
        if (!frequency || *frequency < 1 || *frequency > 6)
            reader.fail("frequency", QStringLiteral("unknown frequency %1 (expected 1 yearly .. 6 "
                                                    "minutely)")
                                         .arg(reader.value("frequency").toString().left(40)));
        else
            result.m_frequency = Frequency(*frequency);
    } else {
        reader.fail("frequency", QStringLiteral("missing"));
    }
    result.m_interval =
        reader.integer("interval", 1, std::numeric_limits<int>::max(), 1).value_or(1);
    result.m_countLimit =
        reader.integer("count_limit", 0, std::numeric_limits<int>::max(), 0).value_or(0);
    result.m_minutes = reader.integerSet("minutes_of_hour", 0, 59);
    result.m_hours = reader.integerSet("hours_of_day", 0, 23);
    result.m_weekdays = reader.integerSet("days_of_week", 1, 7);
    result.m_monthDays = reader.integerSet("days_of_month", 1, 31, true);
    result.m_months = reader.integerSet("months_of_year", 1, 12);
    if (reader.failed()) {
        *error = reader.error();
        return std::nullopt;
    }

    if (reader.has("start_date")) {
        const std::optional<ZonedTime> start = ZonedTime::fromWire(
            reader.value("start_date"), where + QStringLiteral(".start_date"), error);
        if (!start)
            return std::nullopt;
        result.m_start = *start;
    } else if (defaultStart.isValid()) {
        const QDateTime local = defaultStart.toLocalTime();
        if (local.date().year() < 1 || local.date().year() > MaxYear) {
            *error = QStringLiteral("%1.start_date: missing").arg(where);
            return std::nullopt;
        }
        result.m_start = ZonedTime(local.date(), local.time());
    } else {
        *error = QStringLiteral("%1.start_date: missing").arg(where);
        return std::nullopt;
    }
    const QDateTime start = result.m_start.instant();
    if (reader.has("date_limit")) {
        const std::optional<ZonedTime> limit = ZonedTime::fromWire(
            reader.value("date_limit"), where + QStringLiteral(".date_limit"), error);
        if (!limit)
            return std::nullopt;
        if (limit->instant() < start) {
            *error = QStringLiteral("%1.date_limit: before the start date").arg(where);
            return std::nullopt;
        }
        result.m_dateLimit = *limit;
    }

    QString why;
    if (!result.nextOccurrence(start, &why)) {
        *error = QStringLiteral("%1: never fires (%2)").arg(where, why);
        return std::nullopt;
    }
    return result;
}

QVariantMap RecurrenceRule::toWire() const
{
    QVariantMap map{{QStringLiteral("frequency"), int(m_frequency)},
                    {QStringLiteral("start_date"), m_start.toWire()},
                    {QStringLiteral("count_limit"), m_countLimit},
                    {QStringLiteral("interval"), m_interval}};
    if (m_dateLimit.date().isValid())
        map.insert(QStringLiteral("date_limit"), m_dateLimit.toWire());
    const std::pair<const char *, const QList<int> *> lists[] = {{"minutes_of_hour", &m_minutes},
                                                                 {"hours_of_day", &m_hours},
                                                                 {"days_of_week", &m_weekdays},
                                                                 {"days_of_month", &m_monthDays},
                                                                 {"months_of_year", &m_months}};
    for (const auto &[key, values] : lists) {
        if (!values->isEmpty())
            map.insert(QLatin1String(key), toVariantList(*values));
    }
    return map;
}

std::optional<RecurrenceRule::Occurrence> RecurrenceRule::nextOccurrence(const QDateTime &notBefore,
                                                                         QString *why) const
{
    QString ignored;
    QString &reason = why ? *why : ignored;
    const std::optional<QTimeZone> zone = zoneNamed(m_start.timeZone());
    if (!zone || !notBefore.isValid()) {
        reason = zone ? QStringLiteral("no time to search from")
                      : QStringLiteral("the time zone is no longer known");
        return std::nullopt;
    }
    const qint64 floor =
        notBefore.toSecsSinceEpoch() + (notBefore.toMSecsSinceEpoch() % 1000 > 0 ? 1 : 0);
    const QDateTime limit = m_dateLimit.date().isValid() ? m_dateLimit.instant() : QDateTime();
    const qint64 limitSecs =
        limit.isValid() ? limit.toSecsSinceEpoch() : std::numeric_limits<qint64>::max();
    RecurrenceCursor cursor(*this, *zone);
    if (m_countLimit > 0) {
        cursor.seek(m_start.date().toJulianDay(), 0, std::numeric_limits<qint64>::min());
    } else {
        // Start a day early: a time in a gap before our wall clock's reading may land after it.
        const qint64 wall = floor + offsetAt(*zone, floor) - SecsPerDay;
        cursor.seek(floorDiv(wall, SecsPerDay) + EpochJd, int(floorMod(wall, SecsPerDay) / 60),
                    std::numeric_limits<qint64>::min());
    }
    qint64 number = 0;
    while (const std::optional<qint64> instant = cursor.next()) {
        if (m_countLimit > 0) {
            if (++number > m_countLimit) {
                reason = QStringLiteral("all %1 occurrences are over").arg(m_countLimit);
                return std::nullopt;
            }
            if (number > CountBudget) {
                reason = QStringLiteral("too many occurrences since the start to count");
                return std::nullopt;
            }
        }
        if (*instant > limitSecs) {
            reason = QStringLiteral("its date limit has passed");
            return std::nullopt;
        }
        if (*instant >= floor)
            return Occurrence{QDateTime::fromSecsSinceEpoch(*instant, Qt::UTC), number};
    }
    reason = QStringLiteral("no occurrence within 400 years");
    return std::nullopt;
}

std::optional<RecurrenceRule::Occurrence>
RecurrenceRule::following(const Occurrence &previous) const
{
    const std::optional<QTimeZone> zone = zoneNamed(m_start.timeZone());
    if (!zone || !previous.at.isValid() || (m_countLimit > 0 && previous.number >= m_countLimit))
        return std::nullopt;
    const qint64 after = previous.at.toSecsSinceEpoch();
    const qint64 wall = after + offsetAt(*zone, after) - SecsPerDay;
    RecurrenceCursor cursor(*this, *zone);
    cursor.seek(floorDiv(wall, SecsPerDay) + EpochJd, int(floorMod(wall, SecsPerDay) / 60), after);
    const std::optional<qint64> instant = cursor.next();
    if (!instant)
        return std::nullopt;
    if (m_dateLimit.date().isValid() && *instant > m_dateLimit.instant().toSecsSinceEpoch())
        return std::nullopt;
    return Occurrence{QDateTime::fromSecsSinceEpoch(*instant, Qt::UTC),
                      m_countLimit > 0 ? previous.number + 1 : 0};
}

QDateTime RecurrenceRule::next(const QDateTime &notBefore) const
{
    const std::optional<Occurrence> occurrence = nextOccurrence(notBefore);
    return occurrence ? occurrence->at : QDateTime();
}
