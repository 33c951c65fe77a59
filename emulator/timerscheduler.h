// Timed invocations of the navigator: registrations keyed by (target, timer id), each with its
// next due instant on the virtual clock, and the due() signal when the clock reaches it.
//
// A registration is the content map of a timer registration: "kind" 1 (recurrent, with
// "recurrence_rule") or 2/3 (once, at "specific_time"); see recurrence.h for both. It is refused
// with a clear error when it is malformed, when its specific time is over (a time in the current
// minute fires at once) or when its rule has no occurrence left, and when the target (256) or the
// scheduler (4096) holds too many timers. Registering an existing (target, timer id) replaces it.
//
// due() is emitted exactly once per occurrence, in the order of the occurrences across all
// timers: when real time reaches it, or when the clock is set or advanced past it (each
// occurrence passed over fires, at most 1000 per timer and jump; the rest are skipped with a
// warning). A once-only timer is removed when it fires, a recurrent one after its last
// occurrence. Moving the clock back fires nothing again.
//
// The timers are saved atomically to "timers.json" in the data folder on every change and read
// back on construction; occurrences passed while the emulator was not running fire once the
// event loop runs. A file that cannot be read whole is reported (loadError()) and ignored.
#ifndef QZDEVICE_TIMERSCHEDULER_H
#define QZDEVICE_TIMERSCHEDULER_H

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>

class VirtualClock;
class TimerSchedulerPrivate;

class TimerScheduler : public QObject
{
    Q_OBJECT
public:
    static constexpr int s_maxTimersPerTarget = 256;
    static constexpr int s_maxTimers = 4096;
    static constexpr int s_maxCatchUp = 1000;

    struct Entry
    {
        QString target;
        QString timerId;
        int kind = 0;             //!< 1 recurrent, 2 or 3 once
        QVariantMap registration; //!< "kind" and "specific_time" or "recurrence_rule", explicit
        QDateTime nextDue;        //!< UTC
        qint64 fired = 0;         //!< due() signals emitted for it so far
    };

    /*! Reads the saved timers from \a dataFolder (created when missing); \a clock must outlive the
        scheduler. */
    TimerScheduler(VirtualClock *clock, const QString &dataFolder, QObject *parent = nullptr);
    ~TimerScheduler() override;

    /*! Why the saved timers were not loaded; empty when they were or there were none. */
    QString loadError() const;
    QString filePath() const;

    bool add(const QString &target, const QString &timerId, const QVariantMap &registration,
             QString *error);
    /*! False when there is no such timer. */
    bool remove(const QString &target, const QString &timerId);
    /*! The number of timers removed. */
    int removeAll(const QString &target);
    /*! The timers of \a target, or all of them for an empty target, soonest due first. */
    QList<Entry> list(const QString &target = QString()) const;
    int count() const;

Q_SIGNALS:
    void due(const QString &target, const QString &timerId);

private:
    std::unique_ptr<TimerSchedulerPrivate> const d;
};

#endif
