#include "virtualclock.h"

VirtualClock::VirtualClock(QObject *parent)
    : QObject(parent)
{}

VirtualClock::~VirtualClock() = default;

QDateTime VirtualClock::now() const
{
    return QDateTime::currentDateTimeUtc().addMSecs(m_offsetMs);
}

void VirtualClock::set(const QDateTime &time)
{
    if (time.isValid())
        moveBy(now().msecsTo(time));
}

void VirtualClock::advance(qint64 ms)
{
    moveBy(ms);
}

void VirtualClock::reset()
{
    moveBy(-m_offsetMs);
}

void VirtualClock::moveBy(qint64 deltaMs)
{
    if (deltaMs == 0)
        return;
    m_offsetMs += deltaMs;
    Q_EMIT jumped(deltaMs);
}
