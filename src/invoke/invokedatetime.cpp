#include <qz/system/invokedatetime.h>

namespace qz::system {

class InvokeDateTimePrivate : public QSharedData
{
public:
    QDate date;
    QTime time;
    QString timeZone;
};

InvokeDateTime::InvokeDateTime()
    : d(new InvokeDateTimePrivate)
{}

InvokeDateTime::InvokeDateTime(const QDate &date, const QTime &time, const QString &timeZone)
    : InvokeDateTime()
{
    set(date, time, timeZone);
}

InvokeDateTime::InvokeDateTime(const InvokeDateTime &other) = default;
InvokeDateTime &InvokeDateTime::operator=(const InvokeDateTime &other) = default;
InvokeDateTime::~InvokeDateTime() = default;

QDate InvokeDateTime::date() const
{
    return d->date;
}

QTime InvokeDateTime::time() const
{
    return d->time;
}

QString InvokeDateTime::timeZone() const
{
    return d->timeZone;
}

void InvokeDateTime::set(const QDate &date, const QTime &time, const QString &timeZone)
{
    d->date = date;
    d->time = time;
    d->timeZone = timeZone;
}

void InvokeDateTime::setDate(const QDate &date)
{
    d->date = date;
}

void InvokeDateTime::setTime(const QTime &time)
{
    d->time = time;
}

void InvokeDateTime::setTimeZone(const QString &timeZone)
{
    d->timeZone = timeZone;
}

bool InvokeDateTime::isValid() const
{
    return d->date.isValid() && d->time.isValid();
}

int InvokeDateTime::type() const
{
    if (!isValid())
        return 0;
    return d->timeZone.isEmpty() ? 1 : 2;
}

} // namespace qz::system
