/*
 * Not API. The data of a CallCommandResponse.
 */
#ifndef QZ_SYSTEM_PHONE_CALLCOMMANDRESPONSE_P_H
#define QZ_SYSTEM_PHONE_CALLCOMMANDRESPONSE_P_H

#include <qz/system/phone/callcommandresponse.h>

#include <QSharedData>

namespace qz::system::phone {

class CallCommandResponsePrivate : public QSharedData
{
public:
    CallCommandResponsePrivate() = default;
    CallCommandResponsePrivate(const CallCommandResponsePrivate &other) = default;
    virtual ~CallCommandResponsePrivate() = default;

    QString callCommand;
    int responseId = -1;
    int callId = -1;
    QString error;
};

} // namespace qz::system::phone

#endif
