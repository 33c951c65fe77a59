/*
 * Not API. The data of a Call, and the texts the phone service uses for call states, types and
 * actions.
 */
#ifndef QZ_SYSTEM_PHONE_CALL_P_H
#define QZ_SYSTEM_PHONE_CALL_P_H

#include <qz/system/phone/call.h>

#include <QSet>
#include <QSharedData>

namespace qz::system::phone {

class CallPrivate : public QSharedData
{
public:
    CallPrivate() = default;
    CallPrivate(const CallPrivate &other) = default;
    virtual ~CallPrivate() = default;

    /*! Two calls are the same call when their ids are. */
    bool operator==(const CallPrivate &other) const { return callId == other.callId; }

    static CallState::Type stateFromText(const QString &text);
    static CallType::Type typeFromText(const QString &text);
    /*! The action an item of "call_actions" names; 0 for any other text. */
    static int actionFromText(const QString &text);

    int callId = -1;
    CallType::Type callType = CallType::Invalid;
    CallState::Type callState = CallState::Invalid;
    LineType::Type callLine = LineType::Invalid;
    QString callerNumber;
    QSet<int> actions;
};

inline CallState::Type CallPrivate::stateFromText(const QString &text)
{
    static const struct
    {
        const char *text;
        CallState::Type state;
    } states[] = {{"unknown", CallState::Unknown},
                  {"incoming", CallState::Incoming},
                  {"connecting", CallState::Connecting},
                  {"remote_ringing", CallState::RemoteRinging},
                  {"connected", CallState::Connected},
                  {"disconnected", CallState::Disconnected},
                  {"failed", CallState::Failed},
                  {"held", CallState::Held},
                  {"multiparty", CallState::MultiPartyMember}};
    for (const auto &entry : states) {
        if (text == QLatin1String(entry.text))
            return entry.state;
    }
    return CallState::Invalid;
}

inline CallType::Type CallPrivate::typeFromText(const QString &text)
{
    static const struct
    {
        const char *text;
        CallType::Type type;
    } types[] = {{"incoming", CallType::Incoming},     {"outgoing", CallType::Outgoing},
                 {"multiparty", CallType::MultiParty}, {"missed", CallType::Missed},
                 {"command", CallType::Command},       {"emergency", CallType::Emergency}};
    for (const auto &entry : types) {
        if (text == QLatin1String(entry.text))
            return entry.type;
    }
    return CallType::Invalid;
}

inline int CallPrivate::actionFromText(const QString &text)
{
    if (text == QLatin1String("hold_call"))
        return CallAction::HoldCall;
    if (text == QLatin1String("resume_call"))
        return CallAction::ResumeCall;
    if (text == QLatin1String("split_call"))
        return CallAction::SplitCall;
    return 0;
}

} // namespace qz::system::phone

#endif
