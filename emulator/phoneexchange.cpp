#include "phoneexchange.h"

#include <QRegularExpression>
#include <QTimer>

const QString PhoneExchange::s_invalidCallId = QStringLiteral("INVALID_CALL_ID");
const QString PhoneExchange::s_notAllowed = QStringLiteral("ACTION_NOT_ALLOWED");
const QString PhoneExchange::s_lineUnavailable = QStringLiteral("LINE_UNAVAILABLE");
const QString PhoneExchange::s_invalidNumber = QStringLiteral("INVALID_NUMBER");
const QString PhoneExchange::s_invalidTones = QStringLiteral("INVALID_TONES");
const QString PhoneExchange::s_noActiveCall = QStringLiteral("NO_ACTIVE_CALL");
const QString PhoneExchange::s_tooManyCalls = QStringLiteral("TOO_MANY_CALLS");
const QString PhoneExchange::s_invalidState = QStringLiteral("INVALID_LINE_STATE");

const QStringList PhoneExchange::s_lineTypes{QStringLiteral("cellular"), QStringLiteral("Kestrane"),
                                             QStringLiteral("vchat"), QStringLiteral("Murmex")};

namespace {

const QString s_incoming = QStringLiteral("incoming");
const QString s_outgoing = QStringLiteral("outgoing");
const QString s_missed = QStringLiteral("missed");
const QString s_connecting = QStringLiteral("connecting");
const QString s_remoteRinging = QStringLiteral("remote_ringing");
const QString s_connected = QStringLiteral("connected");
const QString s_held = QStringLiteral("held");
const QString s_multiparty = QStringLiteral("multiparty");
const QString s_disconnected = QStringLiteral("disconnected");
const QString s_idle = QStringLiteral("idle");

bool isTalking(const PhoneCall &call)
{
    return call.state == s_connected || call.state == s_held || call.state == s_multiparty;
}

} // namespace

PhoneExchange::PhoneExchange(const QList<PhoneLine> &lines, const Options &options, QObject *parent)
    : QObject(parent)
    , m_lines(lines)
    , m_options(options)
{}

const PhoneCall *PhoneExchange::call(int callId) const
{
    const auto it = m_calls.constFind(callId);
    return it == m_calls.cend() ? nullptr : &*it;
}

PhoneCall *PhoneExchange::find(int callId)
{
    const auto it = m_calls.find(callId);
    return it == m_calls.end() ? nullptr : &*it;
}

const PhoneLine *PhoneExchange::findLine(const QString &line) const
{
    for (const PhoneLine &candidate : m_lines) {
        if (candidate.id == line)
            return &candidate;
    }
    return nullptr;
}

QString PhoneExchange::lineState(const QString &line) const
{
    const PhoneLine *found = findLine(line);
    if (!found)
        return QString();
    if (found->networkState != s_idle)
        return found->networkState;
    for (const PhoneCall &call : m_calls) {
        if (call.line == line && call.state != s_disconnected)
            return QStringLiteral("active");
    }
    return s_idle;
}

QStringList PhoneExchange::actionsOf(const PhoneCall &call)
{
    if (call.state == s_connected)
        return {QStringLiteral("hold_call")};
    if (call.state == s_held)
        return {QStringLiteral("resume_call")};
    if (call.state == s_multiparty)
        return {QStringLiteral("hold_call"), QStringLiteral("split_call")};
    return {};
}

void PhoneExchange::changed(const PhoneCall &call)
{
    Q_EMIT callChanged(call.id);
}

void PhoneExchange::setState(PhoneCall &call, const QString &state)
{
    if (call.state == state)
        return;
    call.state = state;
    changed(call);
}

QList<PhoneCall *> PhoneExchange::members(int conference)
{
    QList<PhoneCall *> result;
    if (conference == 0)
        return result;
    for (PhoneCall &call : m_calls) {
        if (call.conference == conference)
            result << &call;
    }
    return result;
}

void PhoneExchange::holdActive(const PhoneCall *except)
{
    for (PhoneCall &call : m_calls) {
        if (&call == except ||
            (except && except->conference && call.conference == except->conference))
            continue;
        // A call still being set up is left to go on; only a conversation can wait.
        if (call.state == s_connected || call.state == s_multiparty)
            setState(call, s_held);
    }
}

QString PhoneExchange::add(PhoneCall call, int *callId)
{
    static const QRegularExpression number(QStringLiteral("^[0-9A-Za-z+*#@._-]+$"));
    if (call.number.size() > MaxNumberSize || !number.match(call.number).hasMatch())
        return s_invalidNumber;
    if (m_calls.size() >= MaxCalls)
        return s_tooManyCalls;
    const PhoneLine *line = findLine(call.line);
    if (!line || line->networkState != s_idle)
        return s_lineUnavailable;
    call.id = ++m_lastId;
    if (callId)
        *callId = call.id;
    const bool outgoing = call.type == s_outgoing;
    if (outgoing)
        holdActive(nullptr);
    m_calls.insert(call.id, call);
    changed(call);
    Q_EMIT lineChanged(call.line);
    if (!outgoing)
        return QString();

    const int id = call.id;
    QTimer::singleShot(m_options.ringAfterMs, this, [this, id] {
        PhoneCall *dialled = find(id);
        if (!dialled || dialled->state != s_connecting)
            return;
        setState(*dialled, s_remoteRinging);
        if (m_options.answerAfterMs >= 0) {
            QTimer::singleShot(m_options.answerAfterMs, this, [this, id] {
                const PhoneCall *ringing = this->call(id);
                if (ringing && ringing->state == s_remoteRinging)
                    answer(id);
            });
        }
    });
    return QString();
}

QString PhoneExchange::dial(const QString &number, const QString &line, int perimeter, bool video,
                            int *callId)
{
    PhoneCall call;
    call.type = s_outgoing;
    call.state = s_connecting;
    call.number = number;
    call.line = line;
    call.perimeter =
        perimeter == PhoneCall::Enterprise ? PhoneCall::Enterprise : PhoneCall::Personal;
    call.video = video;
    return add(call, callId);
}

QString PhoneExchange::incoming(const QString &number, const QString &line, int perimeter,
                                int *callId)
{
    PhoneCall call;
    call.type = s_incoming;
    call.state = s_incoming;
    call.number = number;
    call.line = line;
    call.perimeter =
        perimeter == PhoneCall::Enterprise ? PhoneCall::Enterprise : PhoneCall::Personal;
    return add(call, callId);
}

QString PhoneExchange::answer(int callId)
{
    PhoneCall *call = find(callId);
    if (!call)
        return s_invalidCallId;
    if (call->state != s_incoming && call->state != s_remoteRinging && call->state != s_connecting)
        return s_notAllowed;
    holdActive(call);
    setState(*call, s_connected);
    return QString();
}

QString PhoneExchange::hold(int callId)
{
    PhoneCall *call = find(callId);
    if (!call)
        return s_invalidCallId;
    if (!actionsOf(*call).contains(QStringLiteral("hold_call")))
        return s_notAllowed;
    if (call->conference) {
        for (PhoneCall *member : members(call->conference))
            setState(*member, s_held);
    } else {
        setState(*call, s_held);
    }
    return QString();
}

QString PhoneExchange::resume(int callId)
{
    PhoneCall *call = find(callId);
    if (!call)
        return s_invalidCallId;
    if (!actionsOf(*call).contains(QStringLiteral("resume_call")))
        return s_notAllowed;
    holdActive(call);
    if (call->conference) {
        for (PhoneCall *member : members(call->conference))
            setState(*member, s_multiparty);
    } else {
        setState(*call, s_connected);
    }
    return QString();
}

QString PhoneExchange::merge(int callId1, int callId2)
{
    PhoneCall *first = find(callId1);
    PhoneCall *second = find(callId2);
    if (!first || !second || callId1 == callId2)
        return s_invalidCallId;
    if (!isTalking(*first) || !isTalking(*second) ||
        (first->conference && first->conference == second->conference))
        return s_notAllowed;
    const int conference = first->conference    ? first->conference
                           : second->conference ? second->conference
                                                : ++m_lastConference;
    QList<PhoneCall *> joining = members(first->conference) + members(second->conference);
    joining << first << second;
    for (PhoneCall *member : joining)
        member->conference = conference;
    holdActive(first);
    for (PhoneCall *member : joining)
        setState(*member, s_multiparty);
    return QString();
}

void PhoneExchange::leaveConference(PhoneCall &call)
{
    const int conference = std::exchange(call.conference, 0);
    const QList<PhoneCall *> rest = members(conference);
    // A conference of one is just a call again.
    if (rest.size() == 1) {
        rest.first()->conference = 0;
        if (rest.first()->state == s_multiparty)
            setState(*rest.first(), s_connected);
    }
}

QString PhoneExchange::split(int callId)
{
    PhoneCall *call = find(callId);
    if (!call)
        return s_invalidCallId;
    if (call->state != s_multiparty)
        return s_notAllowed;
    const int conference = call->conference;
    leaveConference(*call);
    // The rest of the conference waits while the user talks to the one taken out.
    for (PhoneCall *member : members(conference))
        setState(*member, s_held);
    for (PhoneCall &other : m_calls) {
        if (other.conference == 0 && &other != call && other.state == s_multiparty)
            setState(other, s_held);
    }
    setState(*call, s_connected);
    return QString();
}

QString PhoneExchange::disconnect(int callId, const QString &type)
{
    PhoneCall *call = find(callId);
    if (!call)
        return s_invalidCallId;
    if (call->conference)
        leaveConference(*call);
    // One change, so that readers see the call end as what it was.
    if (!type.isEmpty())
        call->type = type;
    setState(*call, s_disconnected);
    const PhoneCall gone = m_calls.take(callId);
    Q_EMIT callRemoved(gone);
    Q_EMIT lineChanged(gone.line);
    return QString();
}

QString PhoneExchange::end(int callId)
{
    return disconnect(callId, QString());
}

QString PhoneExchange::reject(int callId)
{
    const PhoneCall *call = this->call(callId);
    if (!call)
        return s_invalidCallId;
    if (call->state != s_incoming)
        return s_notAllowed;
    return disconnect(callId, QString());
}

QString PhoneExchange::hangUp(int callId)
{
    const PhoneCall *call = this->call(callId);
    if (!call)
        return s_invalidCallId;
    // Nobody picked up: the call is one the user missed.
    return disconnect(callId, call->state == s_incoming ? s_missed : QString());
}

QString PhoneExchange::sendTones(const QString &line, const QString &tones, int *callId)
{
    static const QRegularExpression valid(QStringLiteral("^[0-9*#A-D]+$"));
    if (tones.size() > MaxTonesSize || !valid.match(tones).hasMatch())
        return s_invalidTones;
    if (!findLine(line))
        return s_lineUnavailable;
    for (PhoneCall &call : m_calls) {
        if (call.line != line || (call.state != s_connected && call.state != s_multiparty))
            continue;
        if (call.tones.size() + tones.size() > MaxRecordedTones)
            return s_invalidTones;
        call.tones += tones;
        if (callId)
            *callId = call.id;
        changed(call);
        return QString();
    }
    return s_noActiveCall;
}

QString PhoneExchange::setLineState(const QString &line, const QString &networkState)
{
    static const QStringList states{s_idle, QStringLiteral("unavailable"),
                                    QStringLiteral("unregistered")};
    if (!states.contains(networkState))
        return s_invalidState;
    for (PhoneLine &candidate : m_lines) {
        if (candidate.id != line)
            continue;
        if (candidate.networkState != networkState) {
            candidate.networkState = networkState;
            Q_EMIT lineChanged(line);
        }
        return QString();
    }
    return s_lineUnavailable;
}
