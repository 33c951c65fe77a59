#include <qz/system/invoketimerrequest.h>

namespace qz::system {

class InvokeTimerRequestPrivate : public QSharedData
{
public:
    QString timerId;
    InvokeDateTime specificTime;
    InvokeRecurrenceRule recurrenceRule;
    int type = 0;
    QString target;
};

InvokeTimerRequest::InvokeTimerRequest()
    : d(new InvokeTimerRequestPrivate)
{}

InvokeTimerRequest::InvokeTimerRequest(const QString &timerId, const InvokeDateTime &specificTime,
                                       const QString &target)
    : InvokeTimerRequest()
{
    set(timerId, specificTime, target);
}

InvokeTimerRequest::InvokeTimerRequest(const QString &timerId, const InvokeRecurrenceRule &rule,
                                       const QString &target)
    : InvokeTimerRequest()
{
    set(timerId, rule, target);
}

InvokeTimerRequest::InvokeTimerRequest(const InvokeTimerRequest &other) = default;
InvokeTimerRequest &InvokeTimerRequest::operator=(const InvokeTimerRequest &other) = default;
InvokeTimerRequest::~InvokeTimerRequest() = default;

void InvokeTimerRequest::set(const QString &timerId, const InvokeDateTime &specificTime,
                             const QString &target)
{
    d->timerId = timerId;
    d->specificTime = specificTime;
    d->recurrenceRule = InvokeRecurrenceRule();
    d->type = 1;
    d->target = target;
}

void InvokeTimerRequest::set(const QString &timerId, const InvokeRecurrenceRule &rule,
                             const QString &target)
{
    d->timerId = timerId;
    d->recurrenceRule = rule;
    d->type = 2;
    d->target = target;
}

QString InvokeTimerRequest::timerId() const
{
    return d->timerId;
}

QString InvokeTimerRequest::target() const
{
    return d->target;
}

int InvokeTimerRequest::type() const
{
    return d->type;
}

InvokeDateTime InvokeTimerRequest::specificTime() const
{
    return d->specificTime;
}

InvokeRecurrenceRule InvokeTimerRequest::recurrenceRule() const
{
    return d->recurrenceRule;
}

bool InvokeTimerRequest::isValid() const
{
    if (d->timerId.isEmpty() || d->target.isEmpty())
        return false;
    return (d->type == 1 && d->specificTime.isValid()) ||
           (d->type == 2 && d->recurrenceRule.isValid());
}

} // namespace qz::system
