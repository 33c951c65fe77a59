// The emulator's notion of now: real time plus an offset that users and tests move, so that
// anything time-based (timers, expiries) can be exercised without waiting. Everything in qzdevice
// that reads the time reads it here.
#ifndef QZDEVICE_VIRTUALCLOCK_H
#define QZDEVICE_VIRTUALCLOCK_H

#include <QDateTime>
#include <QObject>

class VirtualClock : public QObject
{
    Q_OBJECT
public:
    explicit VirtualClock(QObject *parent = nullptr);
    ~VirtualClock() override;

    /*! Real time plus the offset, in UTC. */
    QDateTime now() const;
    /*! How far the clock is ahead of real time (negative: behind). */
    qint64 offsetMs() const { return m_offsetMs; }

    /*! Makes now() read \a time from here on; an invalid time is ignored. */
    void set(const QDateTime &time);
    /*! Moves the clock by \a ms (negative: back). */
    void advance(qint64 ms);
    /*! Back to real time. */
    void reset();

Q_SIGNALS:
    /*! The clock was moved by \a deltaMs (set, advance or reset); not emitted for a move of 0. */
    void jumped(qint64 deltaMs);

private:
    void moveBy(qint64 deltaMs);

    qint64 m_offsetMs = 0;
};

#endif
