#include "timerscheduler.h"

#include "recurrence.h"
#include "virtualclock.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QPointer>
#include <QSaveFile>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {
Q_LOGGING_CATEGORY(lcTimers, "qz.device.timers")

constexpr int MaxKeyLength = 1024;
// The real-time timer is re-armed at least this often, so a change of the system's clock is
// noticed.
constexpr qint64 MaxArmMs = 60 * 1000;
constexpr int FileVersion = 1;
// A saved file has at most s_maxTimers entries of a few hundred bytes each.
constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

const QString FileName = QStringLiteral("timers.json");

struct Timer
{
    TimerScheduler::Entry entry;
    std::optional<RecurrenceRule> rule;
    qint64 number = 0; // of the occurrence at entry.nextDue, with a count limit
};

QString checkKey(const QString &value, const char *name)
{
    if (value.isEmpty())
        return QStringLiteral("%1: empty").arg(QLatin1String(name));
    if (value.size() > MaxKeyLength)
        return QStringLiteral("%1: longer than %2 characters")
            .arg(QLatin1String(name))
            .arg(MaxKeyLength);
    return QString();
}

} // namespace

class TimerSchedulerPrivate
{
public:
    TimerSchedulerPrivate(TimerScheduler *owner, VirtualClock *virtualClock,
                          const QString &dataFolder)
        : q(owner)
        , clock(virtualClock)
        , folder(dataFolder)
    {}

    int indexOf(const QString &target, const QString &timerId) const;
    /*! Reads a registration or a saved timer into \a timer (kind and time or rule). */
    bool read(const QVariantMap &map, Timer *timer, const QDateTime &now, QString *error) const;
    /*! Moves \a timer past its due occurrence; false when it has none left. */
    bool advance(Timer *timer) const;
    void process();
    void arm();
    void save();
    void load();
    QString loadFrom(const QByteArray &json, QList<Timer> *loaded) const;

    TimerScheduler *const q;
    VirtualClock *const clock;
    const QString folder;
    QString loadError;
    QList<Timer> timers; // in registration order, which breaks ties between due instants
    QTimer alarm;
    bool processing = false;
};

int TimerSchedulerPrivate::indexOf(const QString &target, const QString &timerId) const
{
    for (int i = 0; i < timers.size(); ++i) {
        if (timers.at(i).entry.target == target && timers.at(i).entry.timerId == timerId)
            return i;
    }
    return -1;
}

bool TimerSchedulerPrivate::read(const QVariantMap &map, Timer *timer, const QDateTime &now,
                                 QString *error) const
{
    const QVariant kindValue = map.value(QStringLiteral("kind"));
    bool isNumber = false;
    const double kind = kindValue.toDouble(&isNumber);
    const bool numeric = kindValue.typeId() != QMetaType::QString &&
                         kindValue.typeId() != QMetaType::Bool && isNumber;
    if (!numeric || (kind != 1 && kind != 2 && kind != 3)) {
        *error = QStringLiteral("kind: expected 1 (recurrent), 2 or 3 (specific time)");
        return false;
    }
    timer->entry.kind = int(kind);
    timer->entry.registration = {{QStringLiteral("kind"), timer->entry.kind}};
    if (timer->entry.kind == 1) {
        const QVariant rule = map.value(QStringLiteral("recurrence_rule"));
        if (rule.typeId() != QMetaType::QVariantMap) {
            *error = QStringLiteral("recurrence_rule: expected a map");
            return false;
        }
        timer->rule = RecurrenceRule::fromWire(rule.toMap(), error, now);
        if (!timer->rule)
            return false;
        timer->entry.registration.insert(QStringLiteral("recurrence_rule"), timer->rule->toWire());
        return true;
    }
    const std::optional<ZonedTime> time = ZonedTime::fromWire(
        map.value(QStringLiteral("specific_time")), QStringLiteral("specific_time"), error);
    if (!time)
        return false;
    timer->entry.nextDue = time->instant();
    timer->entry.registration.insert(QStringLiteral("specific_time"), time->toWire());
    return true;
}

bool TimerSchedulerPrivate::advance(Timer *timer) const
{
    if (!timer->rule)
        return false;
    const std::optional<RecurrenceRule::Occurrence> next =
        timer->rule->following({timer->entry.nextDue, timer->number});
    if (!next)
        return false;
    timer->entry.nextDue = next->at;
    timer->number = next->number;
    return true;
}

void TimerSchedulerPrivate::process()
{
    // A due() slot that moves the clock lands here; the loop below reads the clock again.
    if (processing)
        return;
    processing = true;
    QHash<QString, int> caughtUp; // occurrences fired per timer in this pass
    bool changed = false;
    QPointer<TimerScheduler> alive(q);
    for (;;) {
        const QDateTime now = clock->now();
        int soonest = -1;
        for (int i = 0; i < timers.size(); ++i) {
            const QDateTime due = timers.at(i).entry.nextDue;
            if (due <= now && (soonest < 0 || due < timers.at(soonest).entry.nextDue))
                soonest = i;
        }
        if (soonest < 0)
            break;
        Timer &timer = timers[soonest];
        const QString target = timer.entry.target;
        const QString timerId = timer.entry.timerId;
        ++timer.entry.fired;
        changed = true;
        const QString key = target + QChar(0) + timerId;
        if (!advance(&timer)) {
            timers.removeAt(soonest);
        } else if (++caughtUp[key] >= TimerScheduler::s_maxCatchUp && timer.entry.nextDue <= now) {
            const std::optional<RecurrenceRule::Occurrence> next =
                timer.rule->nextOccurrence(now.addMSecs(1));
            qCWarning(lcTimers).nospace()
                << "timer " << target << " / " << timerId << ": the clock passed more than "
                << TimerScheduler::s_maxCatchUp << " occurrences at once; skipping to now";
            if (next) {
                timer.entry.nextDue = next->at;
                timer.number = next->number;
            } else {
                timers.removeAt(soonest);
            }
        }
        Q_EMIT q->due(target, timerId);
        if (!alive)
            return;
    }
    processing = false;
    if (changed)
        save();
    arm();
}

void TimerSchedulerPrivate::arm()
{
    QDateTime soonest;
    for (const Timer &t : std::as_const(timers)) {
        if (!soonest.isValid() || t.entry.nextDue < soonest)
            soonest = t.entry.nextDue;
    }
    if (!soonest.isValid()) {
        alarm.stop();
        return;
    }
    alarm.start(int(qBound(qint64(0), clock->now().msecsTo(soonest), MaxArmMs)));
}

void TimerSchedulerPrivate::save()
{
    QJsonArray list;
    for (const Timer &t : std::as_const(timers)) {
        QJsonObject object = QJsonObject::fromVariantMap(t.entry.registration);
        object.insert(QStringLiteral("target"), t.entry.target);
        object.insert(QStringLiteral("timer_id"), t.entry.timerId);
        object.insert(QStringLiteral("next_due"), double(t.entry.nextDue.toMSecsSinceEpoch()));
        object.insert(QStringLiteral("number"), double(t.number));
        object.insert(QStringLiteral("fired"), double(t.entry.fired));
        list.append(object);
    }
    const QJsonObject root{{QStringLiteral("version"), FileVersion},
                           {QStringLiteral("timers"), list}};
    QSaveFile file(q->filePath());
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
        file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0 || !file.commit()) {
        qCWarning(lcTimers).nospace()
            << "cannot save the timers to " << q->filePath() << ": " << file.errorString();
    }
}

QString TimerSchedulerPrivate::loadFrom(const QByteArray &json, QList<Timer> *loaded) const
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return QStringLiteral("not JSON (%1)").arg(parseError.errorString());
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("version")) != FileVersion ||
        !root.value(QStringLiteral("timers")).isArray())
        return QStringLiteral("expected version %1 with a \"timers\" array").arg(FileVersion);
    const QJsonArray list = root.value(QStringLiteral("timers")).toArray();
    if (list.size() > TimerScheduler::s_maxTimers)
        return QStringLiteral("more than %1 timers").arg(TimerScheduler::s_maxTimers);
    QHash<QString, int> perTarget;
    for (int i = 0; i < list.size(); ++i) {
        const QString where = QStringLiteral("timers[%1]").arg(i);
        const QJsonObject object = list.at(i).toObject();
        Timer timer;
        timer.entry.target = object.value(QStringLiteral("target")).toString();
        timer.entry.timerId = object.value(QStringLiteral("timer_id")).toString();
        QString error = checkKey(timer.entry.target, "target");
        if (error.isEmpty())
            error = checkKey(timer.entry.timerId, "timer_id");
        const QJsonValue nextDue = object.value(QStringLiteral("next_due"));
        const QJsonValue number = object.value(QStringLiteral("number"));
        const QJsonValue fired = object.value(QStringLiteral("fired"));
        const auto isCount = [](const QJsonValue &v) {
            return v.isDouble() && v.toDouble() >= 0 && v.toDouble() <= 1e15 &&
                   v.toDouble() == double(qint64(v.toDouble()));
        };
        if (error.isEmpty() && (!isCount(nextDue) || !isCount(number) || !isCount(fired)))
            error = QStringLiteral("next_due, number and fired: expected whole numbers");
        if (error.isEmpty() && read(object.toVariantMap(), &timer, QDateTime(), &error)) {
            if (timer.rule) {
                timer.entry.nextDue =
                    QDateTime::fromMSecsSinceEpoch(qint64(nextDue.toDouble()), Qt::UTC);
                timer.number = qint64(number.toDouble());
            }
            timer.entry.fired = qint64(fired.toDouble());
        }
        if (error.isEmpty() &&
            ++perTarget[timer.entry.target] > TimerScheduler::s_maxTimersPerTarget)
            error = QStringLiteral("too many timers for the target");
        if (!error.isEmpty())
            return QStringLiteral("%1: %2").arg(where, error);
        const bool duplicate = std::any_of(loaded->cbegin(), loaded->cend(), [&](const Timer &t) {
            return t.entry.target == timer.entry.target && t.entry.timerId == timer.entry.timerId;
        });
        if (duplicate)
            return QStringLiteral("%1: a second timer %2 of %3")
                .arg(where, timer.entry.timerId, timer.entry.target);
        loaded->append(timer);
    }
    return QString();
}

void TimerSchedulerPrivate::load()
{
    QFile file(q->filePath());
    if (!file.exists())
        return;
    QList<Timer> loaded;
    if (!file.open(QIODevice::ReadOnly))
        loadError = QStringLiteral("cannot read: %1").arg(file.errorString());
    else if (file.size() > MaxFileSize)
        loadError = QStringLiteral("larger than %1 bytes").arg(MaxFileSize);
    else
        loadError = loadFrom(file.readAll(), &loaded);
    file.close();
    if (loadError.isEmpty()) {
        timers = loaded;
        return;
    }
    loadError = QStringLiteral("%1: %2").arg(q->filePath(), loadError);
    // Keep the file for a person to look at rather than overwriting it with the next change.
    const QString aside = q->filePath() + QStringLiteral(".corrupt");
    QFile::remove(aside);
    const bool kept = QFile::rename(q->filePath(), aside);
    qCWarning(lcTimers).noquote() << "ignoring the saved timers:" << loadError
                                  << (kept ? QStringLiteral("(moved to %1)").arg(aside)
                                           : QString());
}

TimerScheduler::TimerScheduler(VirtualClock *clock, const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<TimerSchedulerPrivate>(this, clock, dataFolder))
{
    d->alarm.setSingleShot(true);
    d->alarm.setTimerType(Qt::PreciseTimer);
    connect(&d->alarm, &QTimer::timeout, this, [this] { d->process(); });
    connect(clock, &VirtualClock::jumped, this, [this] { d->process(); });
    d->load();
    // Occurrences passed while we were not running fire once the caller is connected.
    d->arm();
}

TimerScheduler::~TimerScheduler() = default;

QString TimerScheduler::loadError() const
{
    return d->loadError;
}

QString TimerScheduler::filePath() const
{
    return QDir(d->folder).filePath(FileName);
}

bool TimerScheduler::add(const QString &target, const QString &timerId,
                         const QVariantMap &registration, QString *error)
{
    QString problem = checkKey(target, "target");
    if (problem.isEmpty())
        problem = checkKey(timerId, "timer_id");
    const QDateTime now = d->clock->now();
    // Times are whole minutes: one in the current minute is not over yet.
    const QDateTime minute = QDateTime::fromSecsSinceEpoch(
        now.toSecsSinceEpoch() - now.toSecsSinceEpoch() % 60, Qt::UTC);
    Timer timer;
    timer.entry.target = target;
    timer.entry.timerId = timerId;
    if (problem.isEmpty())
        d->read(registration, &timer, now, &problem);
    if (problem.isEmpty() && timer.rule) {
        QString why;
        const std::optional<RecurrenceRule::Occurrence> first =
            timer.rule->nextOccurrence(minute, &why);
        if (first) {
            timer.entry.nextDue = first->at;
            timer.number = first->number;
        } else {
            problem = QStringLiteral("recurrence_rule: %1").arg(why);
        }
    } else if (problem.isEmpty() && timer.entry.nextDue < minute) {
        problem = QStringLiteral("specific_time: %1 is over")
                      .arg(timer.entry.nextDue.toString(Qt::ISODate));
    }
    const int existing = d->indexOf(target, timerId);
    if (problem.isEmpty() && existing < 0) {
        const auto ofTarget =
            std::count_if(d->timers.cbegin(), d->timers.cend(),
                          [&](const Timer &t) { return t.entry.target == target; });
        if (ofTarget >= s_maxTimersPerTarget)
            problem = QStringLiteral("the target has %1 timers already").arg(s_maxTimersPerTarget);
        else if (d->timers.size() >= s_maxTimers)
            problem = QStringLiteral("%1 timers are registered already").arg(s_maxTimers);
    }
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    if (existing >= 0)
        d->timers[existing] = timer;
    else
        d->timers.append(timer);
    d->save();
    d->arm();
    return true;
}

bool TimerScheduler::remove(const QString &target, const QString &timerId)
{
    const int index = d->indexOf(target, timerId);
    if (index < 0)
        return false;
    d->timers.removeAt(index);
    d->save();
    d->arm();
    return true;
}

int TimerScheduler::removeAll(const QString &target)
{
    const auto removed =
        d->timers.removeIf([&](const Timer &t) { return t.entry.target == target; });
    if (removed > 0) {
        d->save();
        d->arm();
    }
    return int(removed);
}

QList<TimerScheduler::Entry> TimerScheduler::list(const QString &target) const
{
    QList<Entry> entries;
    for (const Timer &t : std::as_const(d->timers)) {
        if (target.isEmpty() || t.entry.target == target)
            entries.append(t.entry);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.nextDue < b.nextDue; });
    return entries;
}

int TimerScheduler::count() const
{
    return int(d->timers.size());
}
