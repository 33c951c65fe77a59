#ifndef QZ_SYSTEM_PHONE_PHONEENUMS_H
#define QZ_SYSTEM_PHONE_PHONEENUMS_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system::phone {

/*!
    \class qz::system::phone::CallAction
    \brief A command that a call in progress may allow.

    \value HoldCall The call can be put on hold.
    \value ResumeCall The held call can be resumed.
    \value SplitCall The call can be taken out of a conference.
*/
class QZSYSTEM_EXPORT CallAction
{
    Q_GADGET
public:
    enum Type : int { HoldCall = 1, ResumeCall = 2, SplitCall = 3 };
    Q_ENUM(Type)

    CallAction() = delete;
};

/*!
    \class qz::system::phone::CallState
    \brief Where a call stands.

    \value Invalid The phone service reported a state this library does not know.
    \value Unknown The phone service does not know the state.
    \value Incoming The call rings on this device.
    \value Connecting The call is being set up.
    \value RemoteRinging The far end rings.
    \value Connected The call is up.
    \value Disconnected The call has ended.
    \value Failed The call could not be made.
    \value Held The call is on hold.
    \value MultiPartyMember The call is part of a conference.
*/
class QZSYSTEM_EXPORT CallState
{
    Q_GADGET
public:
    enum Type : int {
        Invalid = -1,
        Unknown = 0,
        Incoming = 1,
        Connecting = 2,
        RemoteRinging = 3,
        Connected = 4,
        Disconnected = 5,
        Failed = 6,
        Held = 7,
        MultiPartyMember = 8
    };
    Q_ENUM(Type)

    CallState() = delete;
};

/*!
    \class qz::system::phone::CallType
    \brief What kind of call a call is.

    \value Invalid Not known.
    \value Incoming A call received.
    \value Outgoing A call placed.
    \value MultiParty A conference.
    \value Missed A call received and not answered.
    \value Command A network command (for example a service code).
    \value Emergency An emergency call.
*/
class QZSYSTEM_EXPORT CallType
{
    Q_GADGET
public:
    enum Type : int {
        Invalid = -1,
        Incoming = 0,
        Outgoing = 1,
        MultiParty = 2,
        Missed = 3,
        Command = 4,
        Emergency = 5
    };
    Q_ENUM(Type)

    CallType() = delete;
};

/*!
    \class qz::system::phone::LineType
    \brief The kind of line a call runs on.

    \value Invalid Not a line this library knows.
    \value Cellular The cellular network.
    \value Kestrane A Kestrane line.
    \value VideoChat A video chat line.
    \value Murmex A Murmex line.
*/
class QZSYSTEM_EXPORT LineType
{
    Q_GADGET
public:
    enum Type : int { Invalid = -1, Cellular = 0, Kestrane = 1, VideoChat = 2, Murmex = 3 };
    Q_ENUM(Type)

    LineType() = delete;
};

} // namespace qz::system::phone

#endif
