/*
 * Not API. The state of a Phone: its transports and its tables of lines and calls.
 */
#ifndef QZ_SYSTEM_PHONE_PHONE_P_H
#define QZ_SYSTEM_PHONE_PHONE_P_H

#include "call_p.h"
#include "callcommandresponse_p.h"
#include "line_p.h"
#include "ppscontrol_p.h"
#include "ppsobjectwrapper_p.h"
#include "ppspermission_p.h"

#include <qz/system/phone/phone.h>

#include <QMap>
#include <QSharedDataPointer>

namespace qz::system::phone {

class PhonePrivate : public QObject
{
    Q_OBJECT
public:
    explicit PhonePrivate(Phone *phone);
    ~PhonePrivate() override;

    void dial(const QVariantMap &request, const QString &mimeType, bool personal);
    bool commandCall(int callId, CallAction::Type action, const char *unknownCallWarning,
                     bool (PpsControl::*command)(int));
    bool endCall(int callId);
    bool mergeCall(int callId1, int callId2);

    bool isLineAvailable(LineType::Type type) const;

    Phone *const q;
    PpsControl commands;
    PpsLineInfo lineInfo;
    PpsCallInfo callInfo;
    PpsControl responses;
    QMap<QString, QSharedDataPointer<LinePrivate>> lineTable;
    QMap<int, QSharedDataPointer<CallPrivate>> callTable;

public Q_SLOTS:
    void lineUpdated(const qz::system::phone::PpsAttributePair &line);
    void lineRemoved(const qz::system::phone::PpsAttributePair &line);
    void callUpdated(const qz::system::phone::PpsAttributePair &call);
    void onCallCommandResponseReceived(const QVariantMap &response);

private:
    void emitCall(const Call &call);
    void emitLine(const Line &line, bool removed);
};

} // namespace qz::system::phone

#endif
