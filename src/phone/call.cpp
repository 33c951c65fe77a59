#include "call_p.h"

namespace qz::system::phone {

Call::Call()
    : d(new CallPrivate)
{}

Call::Call(const QSharedDataPointer<CallPrivate> &data)
    : d(data)
{}

Call::Call(const Call &other) = default;
Call &Call::operator=(const Call &other) = default;
Call::~Call() = default;

bool Call::isValid() const
{
    return d->callId != -1;
}

int Call::callId() const
{
    return isValid() ? d->callId : -1;
}

CallType::Type Call::callType() const
{
    return isValid() ? d->callType : CallType::Invalid;
}

CallState::Type Call::callState() const
{
    return isValid() ? d->callState : CallState::Unknown;
}

LineType::Type Call::callLine() const
{
    return isValid() ? d->callLine : LineType::Invalid;
}

QString Call::phoneNumber() const
{
    return isValid() ? d->callerNumber : QString();
}

bool Call::canPerformAction(CallAction::Type action) const
{
    return d->actions.contains(action);
}

bool Call::operator==(const Call &other) const
{
    return isValid() && other.isValid() && *d == *other.d;
}

} // namespace qz::system::phone
