// Timer registrations as qzdevice reads them. The input is JSON text:
// - an object with "timers" is a saved timers file: the scheduler loads all of it or none, and
//   what it loads it saves back and loads again unchanged;
// - any other object is a recurrence rule ("not_before_minutes", when given, moves the search
//   that far past the start): a rule read is written and read back unchanged, it fires at least
//   once from its start, and its occurrences rise strictly, keep to the start, the limits and,
//   away from a change of offset, to its by-lists; searching from an occurrence finds it.
// Every search is bounded, so each input takes bounded time.
#include "fuzzcheck.h"

#include "recurrence.h"
#include "timerscheduler.h"
#include "virtualclock.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>

namespace {

constexpr int Occurrences = 8;
constexpr qint64 MaxNotBeforeMinutes = 1000000;

QByteArray text(const QDateTime &time)
{
    return time.toString(Qt::ISODate).toLatin1();
}

// The wall time of \a at in the rule's zone matches the rule's lists, unless the zone's offset
// changes around it (a time moved out of a gap no longer shows its wall time).
void checkLists(const RecurrenceRule &rule, const QDateTime &at)
{
    const QTimeZone zone = rule.start().timeZone().isEmpty()
                               ? QTimeZone::systemTimeZone()
                               : QTimeZone(rule.start().timeZone().toLatin1());
    if (zone.offsetFromUtc(at.addDays(-1)) != zone.offsetFromUtc(at.addDays(1)))
        return;
    const QDateTime wall = at.toTimeZone(zone);
    const QDate date = wall.date();
    const QTime time = wall.time();
    const auto check = [&](const QList<int> &list, int value, const char *name) {
        QZ_FUZZ_CHECK(list.isEmpty() || list.contains(value), "%s at %s is not in %s",
                      text(at).constData(), text(wall).constData(), name);
    };
    check(rule.minutesOfHour(), time.minute(), "minutes_of_hour");
    check(rule.hoursOfDay(), time.hour(), "hours_of_day");
    check(rule.daysOfWeek(), date.dayOfWeek(), "days_of_week");
    check(rule.monthsOfYear(), date.month(), "months_of_year");
    const QList<int> days = rule.daysOfMonth();
    QZ_FUZZ_CHECK(days.isEmpty() || days.contains(date.day()) ||
                      days.contains(date.day() - date.daysInMonth() - 1),
                  "%s is not in days_of_month", text(wall).constData());
    QZ_FUZZ_CHECK(time.second() == 0, "%s is not a whole minute", text(wall).constData());
}

void fuzzRule(const QVariantMap &map)
{
    QString error;
    const std::optional<RecurrenceRule> rule = RecurrenceRule::fromWire(map, &error);
    if (!rule) {
        QZ_FUZZ_CHECK(!error.isEmpty(), "a rule refused without a reason");
        return;
    }
    QString again;
    const std::optional<RecurrenceRule> reread = RecurrenceRule::fromWire(rule->toWire(), &again);
    QZ_FUZZ_CHECK(reread && reread->toWire() == rule->toWire(), "the rule does not read back: %s",
                  qPrintable(again));

    const QDateTime start = rule->start().instant();
    QZ_FUZZ_CHECK(rule->nextOccurrence(start), "a rule read that never fires");
    const double asked = map.value(QStringLiteral("not_before_minutes")).toDouble();
    const qint64 minutes = asked > 0 ? qint64(std::min(asked, double(MaxNotBeforeMinutes))) : 0;
    const QDateTime notBefore = start.addSecs(minutes * 60);
    const QDateTime limit =
        rule->dateLimit().date().isValid() ? rule->dateLimit().instant() : QDateTime();

    std::optional<RecurrenceRule::Occurrence> occurrence = rule->nextOccurrence(notBefore);
    QDateTime previous;
    for (int i = 0; occurrence && i < Occurrences; ++i) {
        const QDateTime at = occurrence->at;
        QZ_FUZZ_CHECK(at >= notBefore && at >= start, "%s is before where the search began",
                      text(at).constData());
        QZ_FUZZ_CHECK(!previous.isValid() || at > previous, "%s does not come after %s",
                      text(at).constData(), text(previous).constData());
        QZ_FUZZ_CHECK(!limit.isValid() || at <= limit, "%s is past the date limit",
                      text(at).constData());
        QZ_FUZZ_CHECK(rule->countLimit() == 0 ||
                          (occurrence->number >= 1 && occurrence->number <= rule->countLimit()),
                      "occurrence number %lld of %d", static_cast<long long>(occurrence->number),
                      rule->countLimit());
        checkLists(*rule, at);
        if (i < 2) {
            QZ_FUZZ_CHECK(rule->next(at) == at, "searching from %s does not find it",
                          text(at).constData());
        }
        previous = at;
        occurrence = rule->following(*occurrence);
    }
}

void fuzzSavedTimers(const QByteArray &json)
{
    static VirtualClock clock;
    clock.set(QDateTime(QDate(2026, 6, 1), QTime(10, 0), Qt::UTC));
    QTemporaryDir folder;
    QZ_FUZZ_CHECK(folder.isValid(), "no temporary folder");
    const QString path = folder.filePath(QStringLiteral("timers.json"));
    {
        QFile file(path);
        QZ_FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(json) == json.size(),
                      "cannot write %s", qPrintable(path));
    }
    QList<TimerScheduler::Entry> loaded;
    {
        TimerScheduler scheduler(&clock, folder.path());
        loaded = scheduler.list();
        QZ_FUZZ_CHECK(scheduler.loadError().isEmpty() || loaded.isEmpty(), "half-loaded: %s",
                      qPrintable(scheduler.loadError()));
        if (!scheduler.loadError().isEmpty() || loaded.isEmpty())
            return;
        // A change saves what was loaded.
        QZ_FUZZ_CHECK(scheduler.remove(loaded.first().target, loaded.first().timerId),
                      "a loaded timer cannot be removed");
        loaded.removeFirst();
    }
    TimerScheduler reloaded(&clock, folder.path());
    QZ_FUZZ_CHECK(reloaded.loadError().isEmpty(), "cannot read its own file: %s",
                  qPrintable(reloaded.loadError()));
    const QList<TimerScheduler::Entry> entries = reloaded.list();
    QZ_FUZZ_CHECK(entries.size() == loaded.size(), "%lld timers saved, %lld read back",
                  static_cast<long long>(loaded.size()), static_cast<long long>(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        QZ_FUZZ_CHECK(entries.at(i).registration == loaded.at(i).registration &&
                          entries.at(i).nextDue == loaded.at(i).nextDue,
                      "timer %s changed through its file", qPrintable(entries.at(i).timerId));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_recurrencerule";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *const app = new QCoreApplication(argc, argv);
    Q_UNUSED(app);
    static const bool silenced = (qzfuzz::silenceQtMessages(), true);
    Q_UNUSED(silenced);

    const QByteArray json(reinterpret_cast<const char *>(data), qsizetype(size));
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject())
        return 0;
    const QVariantMap map = document.toVariant().toMap();
    if (map.contains(QStringLiteral("timers")))
        fuzzSavedTimers(json);
    else
        fuzzRule(map);
    return 0;
}
