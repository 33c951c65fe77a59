#ifndef QZ_SYSTEM_INVOKEDATETIME_H
#define QZ_SYSTEM_INVOKEDATETIME_H

#include <qz/system/qzsystem_export.h>

#include <QDate>
#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QTime>

namespace qz::system {

class InvokeDateTimePrivate;

/*!
    \class qz::system::InvokeDateTime
    \brief A date and time of day for a timed invocation, in local time or in a named time zone.

    A value type; copies share their data until one is changed. The navigator works to the minute:
    seconds are not sent.
*/
class QZSYSTEM_EXPORT InvokeDateTime
{
    Q_GADGET
    Q_PROPERTY(QDate date READ date WRITE setDate FINAL)
    Q_PROPERTY(QTime time READ time WRITE setTime FINAL)
    Q_PROPERTY(QString timeZone READ timeZone WRITE setTimeZone FINAL)
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
public:
    /*! Invalid date and time, local time. */
    InvokeDateTime();
    InvokeDateTime(const QDate &date, const QTime &time, const QString &timeZone);
    InvokeDateTime(const InvokeDateTime &other);
    InvokeDateTime &operator=(const InvokeDateTime &other);
    ~InvokeDateTime();

    QDate date() const;
    QTime time() const;
    /*! Empty for the device's local time. */
    QString timeZone() const;

    void set(const QDate &date, const QTime &time, const QString &timeZone);
    void setDate(const QDate &date);
    void setTime(const QTime &time);
    void setTimeZone(const QString &timeZone);

    /*! The date and the time are both valid. */
    bool isValid() const;
    /*! 0 when not valid, 1 when valid in local time, 2 when valid in a named time zone. */
    int type() const;

private:
    QSharedDataPointer<InvokeDateTimePrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeDateTime)

#endif
