// The timer side of the invoke manager: registering and deregistering timed invocations.
#include "invokemanager_p.h"

#include "invokelogging_p.h"
#include "invokereply_p.h"
#include "xrvtimerrequest_p.h"

#include <exception>

namespace qz::system {

namespace {

XrvTimerRequest::Kind kindOf(const InvokeTimerRequest &request)
{
    if (request.type() == 2)
        return XrvTimerRequest::Recurrent;
    return request.specificTime().type() == 1 ? XrvTimerRequest::SpecificTimeLocal
                                              : XrvTimerRequest::SpecificTimeZoned;
}

} // namespace

InvokeReply *InvokeManager::registerTimer(const InvokeTimerRequest &request)
{
    auto *reply = new InvokeReply(this);
    const int type = request.type();
    if (type != 1 && type != 2) {
        qCWarning(lcInvoke) << "Unexpected InvokeTimerRequest type:" << type;
        delete reply;
        return nullptr;
    }
    try {
        XrvTimerRequest registration(kindOf(request));
        registration.setAction(XrvTimerRequest::Register);
        registration.setId(InvokeReplyPrivate::idFromReply(reply));
        registration.setTimerId(request.timerId());
        registration.setTarget(request.target());
        if (type == 2)
            registration.setRecurrenceRule(request.recurrenceRule());
        else
            registration.setSpecificTime(request.specificTime());
        registration.send();
    } catch (const std::exception &) {
        qCWarning(lcInvoke, "Failed to send request.");
        delete reply;
        return nullptr;
    }
    return reply;
}

InvokeReply *InvokeManager::deregisterTimer(const QString &timerId)
{
    auto *reply = new InvokeReply(this);
    try {
        XrvTimerRequest registration(XrvTimerRequest::Deregistration);
        registration.setAction(XrvTimerRequest::Deregister);
        registration.setId(InvokeReplyPrivate::idFromReply(reply));
        if (!timerId.isEmpty())
            registration.setTimerId(timerId);
        registration.send();
    } catch (const std::exception &) {
        qCWarning(lcInvoke, "Failed to send request.");
        delete reply;
        return nullptr;
    }
    return reply;
}

} // namespace qz::system
