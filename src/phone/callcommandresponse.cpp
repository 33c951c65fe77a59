#include "callcommandresponse_p.h"

namespace qz::system::phone {

CallCommandResponse::CallCommandResponse()
    : d(new CallCommandResponsePrivate)
{}

CallCommandResponse::CallCommandResponse(const QSharedDataPointer<CallCommandResponsePrivate> &data)
    : d(data)
{}

CallCommandResponse::CallCommandResponse(const CallCommandResponse &other) = default;
CallCommandResponse &CallCommandResponse::operator=(const CallCommandResponse &other) = default;
CallCommandResponse::~CallCommandResponse() = default;

QString CallCommandResponse::callCommand() const
{
    return d->callCommand;
}

int CallCommandResponse::responseId() const
{
    return d->responseId;
}

int CallCommandResponse::callId() const
{
    return d->callId;
}

QString CallCommandResponse::error() const
{
    return d->error;
}

bool CallCommandResponse::operator==(const CallCommandResponse &other) const
{
    return d->responseId == other.d->responseId;
}

} // namespace qz::system::phone
