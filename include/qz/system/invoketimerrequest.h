#ifndef QZ_SYSTEM_INVOKETIMERREQUEST_H
#define QZ_SYSTEM_INVOKETIMERREQUEST_H

#include <qz/system/invokedatetime.h>
#include <qz/system/invokerecurrencerule.h>

#include <QObject>
#include <QString>

namespace qz::system {

class InvokeTimerRequestPrivate;

/*!
    \class qz::system::InvokeTimerRequest
    \brief A timer that asks the navigator to invoke a target later: once at a specific time, or
    repeatedly by a recurrence rule.

    A value type; copies share their data until one is changed. type() tells which kind of timer
    it holds: 0 none (default-constructed), 1 a specific time, 2 a recurrence rule.
*/
class QZSYSTEM_EXPORT InvokeTimerRequest
{
    Q_GADGET
    Q_PROPERTY(QString timerId READ timerId CONSTANT FINAL)
    Q_PROPERTY(QString target READ target CONSTANT FINAL)
    Q_PROPERTY(qz::system::InvokeDateTime specificTime READ specificTime CONSTANT FINAL)
    Q_PROPERTY(qz::system::InvokeRecurrenceRule recurrenceRule READ recurrenceRule CONSTANT FINAL)
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
public:
    InvokeTimerRequest();
    InvokeTimerRequest(const QString &timerId, const InvokeDateTime &specificTime,
                       const QString &target);
    InvokeTimerRequest(const QString &timerId, const InvokeRecurrenceRule &rule,
                       const QString &target);
    InvokeTimerRequest(const InvokeTimerRequest &other);
    InvokeTimerRequest &operator=(const InvokeTimerRequest &other);
    virtual ~InvokeTimerRequest();

    /*! A timer at \a specificTime; the recurrence rule is reset. */
    Q_INVOKABLE void set(const QString &timerId, const qz::system::InvokeDateTime &specificTime,
                         const QString &target);
    /*! A timer by \a rule. */
    Q_INVOKABLE void set(const QString &timerId, const qz::system::InvokeRecurrenceRule &rule,
                         const QString &target);

    /*! The caller's name for the timer. */
    QString timerId() const;
    /*! The key of the target to invoke. */
    QString target() const;
    int type() const;
    InvokeDateTime specificTime() const;
    InvokeRecurrenceRule recurrenceRule() const;

    /*! A timer id and a target, and a valid time or rule as type() says. */
    bool isValid() const;

private:
    QSharedDataPointer<InvokeTimerRequestPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::InvokeTimerRequest)

#endif
