#include "phone_p.h"

#include "phonelogging_p.h"

#include <qz/system/InvokeManager>

#include <QPointer>
#include <QRegularExpression>

namespace qz::system::phone {

namespace {

const QString CallStateKey = QStringLiteral("callstate");
const QString CallTypeKey = QStringLiteral("calltype");
const QString LineIdKey = QStringLiteral("line_id");
const QString CallerNumberKey = QStringLiteral("callernumber");
const QString CallActionsKey = QStringLiteral("call_actions");
const QString NumberKey = QStringLiteral("number");
const QString StartCallType = QStringLiteral("application/vnd.quillon.phone.startcall");
const QString DialpadType = QStringLiteral("application/vnd.quillon.phone.dialpad");

constexpr qz::PpsAttributeFlag::Types Gone =
    qz::PpsAttributeFlag::Deleted | qz::PpsAttributeFlag::Purged;

QString textOf(const PpsAttributeMap &attributes, const QString &key)
{
    const auto it = attributes.constFind(key);
    return it == attributes.cend() ? QStringLiteral("Invalid") : it->toString();
}

// Applies what an object of the calls directory says about \a call.
void applyCallUpdate(CallPrivate &call, int callId, const PpsAttributeMap &attributes)
{
    if (callId != call.callId)
        return;
    if (attributes.contains(CallerNumberKey))
        call.callerNumber = attributes.value(CallerNumberKey).toString();
    // A change of state sent together with the number is applied as well, not lost.
    const CallState::Type state = CallPrivate::stateFromText(textOf(attributes, CallStateKey));
    if (state != CallState::Invalid && state != call.callState)
        call.callState = state;
    const CallType::Type type = CallPrivate::typeFromText(textOf(attributes, CallTypeKey));
    if (type != CallType::Invalid && type != call.callType)
        call.callType = type;
    const LineType::Type line = LinePrivate::lineTypeFromName(textOf(attributes, LineIdKey));
    if (line != LineType::Invalid && line != call.callLine)
        call.callLine = line;

    const auto actions = attributes.constFind(CallActionsKey);
    if (actions == attributes.cend()) {
        qCWarning(lcPhone, "callAction list is not valid");
        return;
    }
    if (actions->flags() & qz::PpsAttributeFlag::Deleted)
        qCDebug(lcPhone, "callActionAttr is deleted");
    call.actions.clear();
    const qz::PpsAttributeList items = actions->toList();
    for (const qz::PpsAttribute &item : items) {
        const int action = CallPrivate::actionFromText(item.toString());
        if (action == 0)
            qCWarning(lcPhone, "action is not valid");
        else
            call.actions.insert(action);
    }
}

void applyLineUpdate(LinePrivate &line, const QString &id, const PpsAttributeMap &attributes)
{
    if (id != line.id)
        return;
    const auto value = [&attributes](const QString &key) { return attributes.constFind(key); };
    if (const auto it = value(PpsLineInfo::LINE_ATTR_ADDRESS); it != attributes.cend())
        line.address = it->toString();
    if (const auto it = value(PpsLineInfo::LINE_ATTR_FRIENDLY_NAME); it != attributes.cend())
        line.friendlyName = it->toString();
    if (const auto it = value(PpsLineInfo::LINE_ATTR_USAGE);
        it != attributes.cend() && it->toInt() > 0)
        line.voiceUsage = it->toInt();
    if (const auto it = value(PpsLineInfo::LINE_ATTR_RESET_TIME);
        it != attributes.cend() && it->toLongLong() >= 1)
        line.resetTime = it->toLongLong();
    if (const auto it = value(PpsLineInfo::LINE_STATE); it != attributes.cend())
        line.state = LinePrivate::stateFromText(it->toString());
}

} // namespace

PhonePrivate::PhonePrivate(Phone *phone)
    : QObject(phone)
    , q(phone)
{
    qRegisterMetaType<Call>("qz::system::phone::Call");
    qRegisterMetaType<Line>("qz::system::phone::Line");
    qRegisterMetaType<CallCommandResponse>("qz::system::phone::CallCommandResponse");

    connect(&lineInfo, &PpsLineInfo::lineRemoved, this, &PhonePrivate::lineRemoved);
    connect(&lineInfo, &PpsLineInfo::lineUpdated, this, &PhonePrivate::lineUpdated);
    lineInfo.startListening();
    connect(&callInfo, &PpsCallInfo::callUpdated, this, &PhonePrivate::callUpdated);
    commands.startListening();
    connect(&responses, &PpsControl::callCommandResponseReceived, this,
            &PhonePrivate::onCallCommandResponseReceived);
    responses.startListening();
}

PhonePrivate::~PhonePrivate() = default;

void PhonePrivate::emitCall(const Call &call)
{
    QPointer<Phone> guard(q);
    Q_EMIT q->callUpdated(call);
    if (guard)
        Q_EMIT q->callUpdated(QVariant::fromValue(call));
}

void PhonePrivate::emitLine(const Line &line, bool removed)
{
    QPointer<Phone> guard(q);
    if (removed) {
        Q_EMIT q->lineRemoved(line);
        if (guard)
            Q_EMIT q->lineRemoved(QVariant::fromValue(line));
    } else {
        Q_EMIT q->lineUpdated(line);
        if (guard)
            Q_EMIT q->lineUpdated(QVariant::fromValue(line));
    }
}

void PhonePrivate::callUpdated(const PpsAttributePair &update)
{
    qCDebug(lcPhone).noquote() << QStringLiteral("Call %1 updated.").arg(update.first);
    bool numeric = false;
    const int callId = update.first.toInt(&numeric);
    // Commands address calls by positive ids; an object named otherwise is no call of ours.
    if (!numeric || callId < 1)
        return;
    const PpsAttributeMap attributes = update.second.toMap();
    const qz::PpsAttributeFlag::Types flags = update.second.flags();

    const auto known = callTable.find(callId);
    if (known != callTable.end()) {
        QSharedDataPointer<CallPrivate> call = known.value();
        if (flags & Gone) {
            // The call's object went away without a last word: the call is over, and a table
            // entry kept for it would never leave.
            callTable.erase(known);
            call->callState = CallState::Disconnected;
            emitCall(Call(call));
            return;
        }
        applyCallUpdate(*call, callId, attributes); // detaches: values handed out keep theirs
        if (call->callState == CallState::Disconnected)
            callTable.erase(known);
        else
            known.value() = call;
        emitCall(Call(call));
        return;
    }

    if (flags & (Gone | qz::PpsAttributeFlag::Truncated))
        return;
    const bool describesCall = attributes.contains(CallStateKey) ||
                               attributes.contains(CallTypeKey) || attributes.contains(LineIdKey) ||
                               attributes.contains(CallerNumberKey) ||
                               attributes.contains(CallActionsKey);
    if (!describesCall)
        return;
    QSharedDataPointer<CallPrivate> call(new CallPrivate);
    call->callId = callId;
    call->callType = CallPrivate::typeFromText(attributes.value(CallTypeKey).toString());
    call->callState = CallPrivate::stateFromText(attributes.value(CallStateKey).toString());
    call->callLine = LinePrivate::lineTypeFromName(attributes.value(LineIdKey).toString());
    call->callerNumber = attributes.value(CallerNumberKey).toString();
    applyCallUpdate(*call, callId, attributes);
    callTable.insert(callId, call);
    emitCall(Call(call));
}

void PhonePrivate::lineUpdated(const PpsAttributePair &update)
{
    const QString &id = update.first;
    if (id.isEmpty())
        return;
    const PpsAttributeMap attributes = update.second.toMap();
    QSharedDataPointer<LinePrivate> line;
    const auto known = lineTable.find(id);
    if (known != lineTable.end()) {
        line = known.value();
        applyLineUpdate(*line, id, attributes);
        known.value() = line;
    } else {
        const bool describesLine = attributes.contains(PpsLineInfo::LINE_ATTR_ADDRESS) ||
                                   attributes.contains(PpsLineInfo::LINE_ATTR_FRIENDLY_NAME) ||
                                   attributes.contains(PpsLineInfo::LINE_ATTR_USAGE) ||
                                   attributes.contains(PpsLineInfo::LINE_ATTR_RESET_TIME) ||
                                   attributes.contains(PpsLineInfo::LINE_STATE);
        if (!describesLine)
            return;
        line = new LinePrivate;
        line->id = id;
        line->address = attributes.value(PpsLineInfo::LINE_ATTR_ADDRESS).toString();
        line->friendlyName = attributes.value(PpsLineInfo::LINE_ATTR_FRIENDLY_NAME).toString();
        line->voiceUsage = attributes.value(PpsLineInfo::LINE_ATTR_USAGE).toInt();
        line->resetTime = attributes.value(PpsLineInfo::LINE_ATTR_RESET_TIME).toLongLong();
        line->state =
            LinePrivate::stateFromText(attributes.value(PpsLineInfo::LINE_STATE).toString());
        lineTable.insert(id, line);
    }
    qCDebug(lcPhone).noquote() << QStringLiteral("\"%1\" line updated. Total lines count is %2")
                                      .arg(id)
                                      .arg(lineTable.size());
    emitLine(Line(line), false);
}

void PhonePrivate::lineRemoved(const PpsAttributePair &update)
{
    const auto known = lineTable.find(update.first);
    if (known == lineTable.end())
        return;
    const Line last(known.value());
    lineTable.erase(known);
    emitLine(last, true);
}

void PhonePrivate::onCallCommandResponseReceived(const QVariantMap &response)
{
    const QString result = response.value(QStringLiteral("res")).toString();
    qCDebug(lcPhone).noquote()
        << QStringLiteral("onCallCommandResponseReceived: processing %1").arg(result);
    QSharedDataPointer<CallCommandResponsePrivate> data(new CallCommandResponsePrivate);
    data->callCommand = result;
    data->responseId = response.value(QStringLiteral("id")).toInt();
    data->callId =
        response.value(QStringLiteral("dat")).toMap().value(QStringLiteral("call_id")).toInt();
    data->error = response.value(QStringLiteral("err")).toString();
    const CallCommandResponse value(data);
    QPointer<Phone> guard(q);
    Q_EMIT q->callCommandResponseReceived(value);
    if (guard)
        Q_EMIT q->callCommandResponseReceived(QVariant::fromValue(value));
}

void PhonePrivate::dial(const QVariantMap &request, const QString &mimeType, bool personal)
{
    bool ok = false;
    const QByteArray data = qz::PpsObject::encode(request, &ok);
    // A request the phone application could not read would at best open an empty dial screen.
    if (!ok || data.isEmpty()) {
        qCWarning(lcPhone, "The call request for the phone application could not be encoded");
        return;
    }
    InvokeRequest invocation;
    invocation.setAction(QStringLiteral("qz.action.DIAL"));
    invocation.setMimeType(mimeType);
    invocation.setData(data);
    if (personal)
        invocation.setPerimeter(SecurityPerimeter::Personal);
    InvokeManager manager; // the request is sent within invoke(); no answer is awaited
    manager.invoke(invocation);
}

bool PhonePrivate::commandCall(int callId, CallAction::Type action, const char *unknownCallWarning,
                               bool (PpsControl::*command)(int))
{
    const auto known = callTable.constFind(callId);
    if (known == callTable.cend()) {
        qCWarning(lcPhone).noquote() << QString::fromLatin1(unknownCallWarning).arg(callId);
        return false;
    }
    if (!known.value()->actions.contains(action)) {
        const char *name = action == CallAction::HoldCall     ? "HoldCall"
                           : action == CallAction::ResumeCall ? "ResumeCall"
                                                              : "SplitCall";
        qCWarning(lcPhone, "call %d does not support %s action.", callId, name);
        return false;
    }
    return (commands.*command)(callId);
}

bool PhonePrivate::endCall(int callId)
{
    const auto known = callTable.constFind(callId);
    if (known == callTable.cend()) {
        qCWarning(lcPhone, "PhonePrivate::endCall: invalid callId: %d", callId);
        return false;
    }
    if (known.value()->callState == CallState::Incoming)
        return commands.rejectCall(callId);
    return commands.endCall(callId);
}

bool PhonePrivate::mergeCall(int callId1, int callId2)
{
    if (callId1 == callId2 || !callTable.contains(callId1) || !callTable.contains(callId2)) {
        qCWarning(lcPhone, "mergeCall(callId1=%d, callId2=%d) contains invalid call Id", callId1,
                  callId2);
        return false;
    }
    return commands.mergeCall(callId1, callId2);
}

bool PhonePrivate::isLineAvailable(LineType::Type type) const
{
    for (const QSharedDataPointer<LinePrivate> &line : lineTable) {
        if (LinePrivate::lineTypeFromName(line->id) == type)
            return line->isAvailable();
    }
    return false;
}

Phone::Phone(QObject *parent)
    : QObject(parent)
    , d(new PhonePrivate(this))
{}

Phone::~Phone() = default;

QMap<QString, Line> Phone::lines() const
{
    QMap<QString, Line> result;
    for (auto it = d->lineTable.cbegin(); it != d->lineTable.cend(); ++it)
        result.insert(it.key(), Line(it.value()));
    return result;
}

QList<Line> Phone::availableLines(const QString &address) const
{
    QList<Line> result;
    if (address.isEmpty())
        return result;
    static const auto whole = [](const char *pattern) {
        return QRegularExpression(QRegularExpression::anchoredPattern(QString::fromLatin1(pattern)),
                                  QRegularExpression::CaseInsensitiveOption);
    };
    static const QRegularExpression decimal = whole("[0-9]{8}");
    static const QRegularExpression email =
        whole("^[_A-Za-z0-9-\\+]+(\\.[_A-Za-z0-9-]+)*@[A-Za-z0-9-]+(\\.[A-Za-z0-9]+)*"
              "(\\.[A-Za-z]{2,})$");
    static const QRegularExpression hex = whole("[0-9A-F]{8}");
    const QList<LineType::Type> cellular{LineType::Cellular, LineType::Kestrane, LineType::Murmex};
    const QList<LineType::Type> pin{LineType::VideoChat};

    QList<LineType::Type> candidates;
    if (decimal.match(address).hasMatch())
        candidates = cellular + pin;
    else if (email.match(address).hasMatch() || hex.match(address).hasMatch())
        candidates = pin;
    else
        candidates = cellular;

    for (const LineType::Type type : std::as_const(candidates)) {
        if (!d->isLineAvailable(type))
            continue;
        for (const QSharedDataPointer<LinePrivate> &line : std::as_const(d->lineTable)) {
            if (LinePrivate::lineTypeFromName(line->id) == type) {
                result.append(Line(line));
                break;
            }
        }
    }
    return result;
}

Line Phone::activeLine() const
{
    for (const QSharedDataPointer<LinePrivate> &line : std::as_const(d->lineTable)) {
        if (line->isActive())
            return Line(line);
    }
    return Line();
}

bool Phone::isLineAvailable(LineType::Type type) const
{
    return d->isLineAvailable(type);
}

void Phone::requestDialpad(const QString &address, LineType::Type type)
{
    d->dial({{NumberKey, address}, {LineIdKey, int(type)}}, DialpadType, false);
}

void Phone::requestKeypressSpeedDial(int keycap)
{
    Q_UNUSED(keycap)
}

void Phone::initiateCellularCall(const QString &phoneNumber, bool applySmartDialing)
{
    d->dial({{NumberKey, phoneNumber},
             {LineIdKey, 0},
             {QStringLiteral("apply_smart_dialing"), applySmartDialing}},
            StartCallType, true);
}

void Phone::initiateCall(const QString &address, LineType::Type lineType)
{
    d->dial({{NumberKey, address}, {LineIdKey, int(lineType)}}, StartCallType, true);
}

void Phone::initiateVideoCall(const QString &address, LineType::Type lineType)
{
    d->dial(
        {{NumberKey, address}, {LineIdKey, int(lineType)}, {QStringLiteral("video_call"), true}},
        StartCallType, true);
}

bool Phone::sendDTMFTones(const QByteArray &tones, LineType::Type lineType)
{
    return d->commands.sendDTMFTones(tones, lineType);
}

bool Phone::endCall(int callId)
{
    return d->endCall(callId);
}

bool Phone::holdCall(int callId)
{
    return d->commandCall(callId, CallAction::HoldCall,
                          "holdCall(callId=%1) contains an invalid callId", &PpsControl::holdCall);
}

bool Phone::resumeCall(int callId)
{
    return d->commandCall(callId, CallAction::ResumeCall,
                          "resumeCall(callId=%1) contains an invalid callId",
                          &PpsControl::resumeCall);
}

bool Phone::splitCall(int callId)
{
    return d->commandCall(callId, CallAction::SplitCall, "splitCall(callId=%1): invalid call id",
                          &PpsControl::splitCall);
}

bool Phone::mergeCall(int callId1, int callId2)
{
    return d->mergeCall(callId1, callId2);
}

} // namespace qz::system::phone
