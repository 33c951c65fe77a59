#include "nfccontroller.h"

#include "devicelogging.h"

#include <nfc/nfc.h>

namespace {

// Calls that build or release NDEF data or targets: the application does the work itself and
// only tells the controller, which agrees unless a failure is switched on.
const QSet<QString> s_toldCalls{
    QStringLiteral("nfc_create_ndef_message"), QStringLiteral("nfc_create_ndef_message_from_bytes"),
    QStringLiteral("nfc_delete_ndef_message"), QStringLiteral("nfc_create_text_record"),
    QStringLiteral("nfc_create_uri_record"),   QStringLiteral("nfc_create_ndef_record"),
    QStringLiteral("nfc_add_ndef_record"),     QStringLiteral("nfc_destroy_target"),
};

QString kindName(NfcController::Tap::Kind kind)
{
    switch (kind) {
    case NfcController::Tap::Kind::Peer:
        return QStringLiteral("peer");
    case NfcController::Tap::Kind::Tag:
        return QStringLiteral("tag");
    case NfcController::Tap::Kind::Handover:
        return QStringLiteral("hand-over device");
    }
    return {};
}

QVariantList carrierList(const QList<NfcController::Carrier> &carriers)
{
    QVariantList list;
    for (const NfcController::Carrier &carrier : carriers)
        list.append(QVariantMap{{QStringLiteral("transport"), carrier.transport},
                                {QStringLiteral("mac"), carrier.mac}});
    return list;
}

} // namespace

NfcController::NfcController(QObject *parent)
    : QObject(parent)
{}

NfcController::~NfcController() = default;

NfcController::Result NfcController::request(int client, const QString &call,
                                             const QVariantList &args)
{
    Client &c = m_clients[client];
    if (const auto failure = m_failures.constFind(call); failure != m_failures.cend()) {
        qCInfo(lcDeviceNfc).noquote()
            << "client" << client << call << "fails as switched on:" << *failure;
        return {*failure, {}};
    }
    qCDebug(lcDeviceNfc).noquote() << "client" << client << call;
    if (s_toldCalls.contains(call))
        return {};
    if (call == QLatin1String("nfc_request_events")) {
        c.events = true;
    } else if (call == QLatin1String("nfc_stop_events")) {
        c.events = false;
    } else if (call == QLatin1String("nfc_push_ndef_message")) {
        return push(client, args);
    } else if (call == QLatin1String("nfc_write_ndef_message_to_tag")) {
        return write(client, args);
    } else if (call == QLatin1String("nfc_confirm_handover_process")) {
        return confirm(client, args, false);
    } else if (call == QLatin1String("nfc_confirm_handover_process_with_transports")) {
        return confirm(client, args, true);
    } else if (call == QLatin1String("nfc_get_setting")) {
        if (args.value(0).toInt() != NFC_SETTING_PROMPT_TO_SEND_FILES)
            return {NFC_RESULT_NOT_FOUND, {}};
        return {NFC_RESULT_SUCCESS, {m_prompt}};
    } else {
        return registration(client, call, args);
    }
    return {};
}

NfcController::Result NfcController::registration(int client, const QString &call,
                                                  const QVariantList &args)
{
    Client &c = m_clients[client];
    if (call == QLatin1String("nfc_register_snep_client")) {
        c.snep = true;
    } else if (call == QLatin1String("nfc_unregister_snep_client")) {
        c.snep = false;
    } else if (call == QLatin1String("nfc_register_tag_readerwriter")) {
        c.tagReader = true;
    } else if (call == QLatin1String("nfc_unregister_tag_readerwriter")) {
        c.tagReader = false;
    } else if (call == QLatin1String("nfc_register_handover_listener")) {
        const int transport = args.value(0).toInt();
        if (transport != NFC_HANDOVER_TRANSPORT_BLUETOOTH &&
            transport != NFC_HANDOVER_TRANSPORT_WIFI_DIRECT)
            return {NFC_RESULT_INVALID_PARAMETER, {}};
        if (!c.handover.contains(transport))
            c.handover.append(transport);
    } else if (call == QLatin1String("nfc_unregister_handover_listener")) {
        c.handover.clear();
    } else {
        qCWarning(lcDeviceNfc).noquote() << "client" << client << "made an unknown call" << call;
        return {NFC_RESULT_INVALID_PARAMETER, {}};
    }
    return {};
}

bool NfcController::inField(Tap::Kind kind, int client, const QVariantList &args) const
{
    bool ok = false;
    const int id = args.value(0).toInt(&ok);
    if (m_field && ok && id == m_serial && m_field->tap.kind == kind &&
        m_field->told.contains(client))
        return true;
    qCInfo(lcDeviceNfc).noquote() << "client" << client << "named target" << args.value(0)
                                  << "which is not a" << kindName(kind) << "in the field";
    return false;
}

NfcController::Result NfcController::push(int client, const QVariantList &args)
{
    if (!inField(Tap::Kind::Peer, client, args))
        return {NFC_RESULT_INVALID_PARAMETER, {}};
    const QByteArray message = args.value(1).toByteArray();
    if (!NfcNdef::isMessage(message))
        return {NFC_RESULT_BAD_NDEF_FORMAT, {}};
    static const struct
    {
        int event;
        const char *outcome;
    } answers[] = {
        {NFC_NDEF_PUSH_SUCCEED_EVENT, "received"},
        {NFC_NDEF_PUSH_FAILURE_REJECTED_EVENT, "rejected"},
        {NFC_NDEF_PUSH_FAILURE_MSG_OVER_SIZE_EVENT, "too-large"},
        {NFC_NDEF_PUSH_FAILURE_IO_ERROR_EVENT, "io-error"},
    };
    const auto &answer = answers[int(m_field->tap.answer)];
    const QStringList records = NfcNdef::describe(message);
    for (const QString &record : records)
        qCInfo(lcDeviceNfc).noquote()
            << "peer" << answer.outcome << "from client" << client << "a push of" << record;
    tell({client}, answer.event, {});
    end({{QStringLiteral("outcome"), QLatin1String(answer.outcome)},
         {QStringLiteral("size"), int(message.size())},
         {QStringLiteral("records"), records}});
    return {};
}

NfcController::Result NfcController::write(int client, const QVariantList &args)
{
    if (!inField(Tap::Kind::Tag, client, args))
        return {NFC_RESULT_INVALID_PARAMETER, {}};
    const QByteArray message = args.value(1).toByteArray();
    if (!NfcNdef::isMessage(message))
        return {NFC_RESULT_BAD_NDEF_FORMAT, {}};
    StoredTag &tag = m_tags[m_field->tap.tagName];
    int code = NFC_RESULT_SUCCESS;
    QString outcome = QStringLiteral("written");
    if (m_field->tap.unsupported) {
        code = NFC_RESULT_UNSUPPORTED_TAG_TYPE;
        outcome = QStringLiteral("unsupported");
    } else if (tag.locked) {
        code = NFC_RESULT_TAG_LOCKED;
        outcome = QStringLiteral("locked");
    } else if (message.size() > tag.capacity) {
        code = NFC_RESULT_MESSAGE_TOO_LARGE;
        outcome = QStringLiteral("too-small");
    } else {
        tag.content = message;
    }
    const QStringList records = NfcNdef::describe(message);
    for (const QString &record : records)
        qCInfo(lcDeviceNfc).noquote() << "tag" << m_field->tap.tagName << outcome << "from client"
                                      << client << "a write of" << record;
    end({{QStringLiteral("outcome"), outcome},
         {QStringLiteral("tag"), m_field->tap.tagName},
         {QStringLiteral("size"), int(message.size())},
         {QStringLiteral("records"), records}});
    return {code, {}};
}

NfcController::Result NfcController::confirm(int client, const QVariantList &args,
                                             bool withTransports)
{
    if (!inField(Tap::Kind::Handover, client, args))
        return {NFC_RESULT_INVALID_PARAMETER, {}};
    QList<int> offered;
    if (withTransports) {
        const QVariantList transports = args.value(1).toList();
        const int count = args.value(2).toInt();
        if (count < 0 || count > transports.size())
            return {NFC_RESULT_INVALID_PARAMETER, {}};
        for (int i = 0; i < count; ++i)
            offered.append(transports.at(i).toInt());
    } else if (args.value(1).toBool()) {
        offered = m_clients.value(client).handover;
    } else {
        qCInfo(lcDeviceNfc).noquote() << "client" << client << "declined the hand-over";
        end({{QStringLiteral("outcome"), QStringLiteral("declined")}});
        return {};
    }
    // The carriers both sides have. An application that gave its own list gets them in its order
    // (its choice by payload size must hold); otherwise in the order of the device's records.
    QList<Carrier> chosen;
    if (withTransports) {
        for (qsizetype i = 0; i < offered.size(); ++i) {
            if (offered.indexOf(offered.at(i)) != i)
                continue; // offered twice
            for (const Carrier &carrier : m_field->tap.carriers) {
                if (carrier.transport == offered.at(i))
                    chosen.append(carrier);
            }
        }
    } else {
        for (const Carrier &carrier : m_field->tap.carriers) {
            if (offered.contains(carrier.transport))
                chosen.append(carrier);
        }
    }
    if (chosen.isEmpty()) {
        qCInfo(lcDeviceNfc).noquote()
            << "client" << client << "offered no transport the device has";
        tell({client}, NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT, {});
        end({{QStringLiteral("outcome"), QStringLiteral("no-transport")}});
        return {};
    }
    const QVariantMap target{
        {QStringLiteral("id"), m_serial},
        {QStringLiteral("ndef_messages"), QVariantList{NfcNdef::handoverMessage(chosen)}},
        {QStringLiteral("handover_role"), int(NFC_HANDOVER_ROLE_REQUESTER)},
    };
    qCInfo(lcDeviceNfc).noquote()
        << "client" << client << "completed a hand-over over"
        << NfcNdef::describe(NfcNdef::handoverMessage(chosen)).join(u", ");
    tell({client}, NFC_HANDOVER_COMPLETE_EVENT, {{QStringLiteral("target"), target}});
    end({{QStringLiteral("outcome"), QStringLiteral("handover")},
         {QStringLiteral("carriers"), carrierList(chosen)}});
    return {};
}

void NfcController::clientLeft(int client)
{
    m_clients.remove(client);
    if (!m_field || !m_field->told.remove(client) || !m_field->told.isEmpty())
        return;
    qCInfo(lcDeviceNfc).noquote() << "client" << client << "went away in the middle of a tap";
    end({{QStringLiteral("outcome"), QStringLiteral("abandoned")}});
}

bool NfcController::tap(int peer, const Tap &tap, QString *error)
{
    if (!m_enabled) {
        *error = QStringLiteral("NFC is off");
        return false;
    }
    if (m_field) {
        *error = QStringLiteral("another target is in the field");
        return false;
    }
    if (tap.kind == Tap::Kind::Tag && !m_tags.contains(tap.tagName) && m_tags.size() >= MaxTags) {
        *error = QStringLiteral("the simulator keeps %1 tags at most").arg(MaxTags);
        return false;
    }
    const auto listens = [&tap](const Client &c) {
        switch (tap.kind) {
        case Tap::Kind::Peer:
            return c.snep;
        case Tap::Kind::Tag:
            return c.tagReader;
        case Tap::Kind::Handover:
            return !c.handover.isEmpty();
        }
        return false;
    };
    QList<int> receivers;
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        if (it->events && listens(*it))
            receivers.append(it.key());
    }
    std::sort(receivers.begin(), receivers.end());

    m_field = Field{peer, tap, {}};
    ++m_serial;
    QVariantList messages;
    int code = NFC_SNEP_CONNECTION_EVENT;
    if (tap.kind == Tap::Kind::Tag) {
        StoredTag &stored = m_tags[tap.tagName];
        stored.capacity = tap.capacity;
        stored.locked = stored.locked || tap.locked;
        if (!stored.content.isEmpty())
            messages.append(stored.content);
        code = NFC_TAG_READWRITE_EVENT;
    } else if (tap.kind == Tap::Kind::Handover) {
        messages.append(NfcNdef::handoverMessage(tap.carriers));
        code = NFC_HANDOVER_DETECTED_EVENT;
    }
    qCInfo(lcDeviceNfc).noquote() << kindName(tap.kind) << m_serial << "comes into the field;"
                                  << receivers.size() << "applications listen";
    if (receivers.isEmpty()) {
        end({{QStringLiteral("outcome"), QStringLiteral("unheard")}});
        return true;
    }
    m_field->told = QSet<int>(receivers.cbegin(), receivers.cend());
    const QVariantMap target{{QStringLiteral("id"), m_serial},
                             {QStringLiteral("ndef_messages"), messages}};
    tell(receivers, code, {{QStringLiteral("target"), target}});
    return true;
}

bool NfcController::lose(QString *error)
{
    if (!m_field) {
        *error = QStringLiteral("no target is in the field");
        return false;
    }
    leave(QStringLiteral("taken out of the field"));
    return true;
}

void NfcController::peerLeft(int peer)
{
    if (m_field && m_field->peer == peer)
        leave(QStringLiteral("the tapping side went away"));
}

void NfcController::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    if (!enabled)
        leave(QStringLiteral("NFC was switched off"));
    m_enabled = enabled;
    qCInfo(lcDeviceNfc).noquote() << "NFC switched" << (enabled ? "on" : "off");
    QList<int> everyone;
    for (auto it = m_clients.cbegin(); it != m_clients.cend(); ++it) {
        if (it->events)
            everyone.append(it.key());
    }
    std::sort(everyone.begin(), everyone.end());
    tell(everyone, enabled ? NFC_ON_EVENT : NFC_OFF_EVENT, {});
}

bool NfcController::setFailure(const QString &call, int result)
{
    if (!m_failures.contains(call) && m_failures.size() >= MaxFailures)
        return false;
    m_failures.insert(call, result);
    return true;
}

std::optional<NfcController::StoredTag> NfcController::tag(const QString &name) const
{
    const auto it = m_tags.constFind(name);
    if (it == m_tags.cend())
        return std::nullopt;
    return *it;
}

void NfcController::tell(const QList<int> &clients, int code, const QVariantMap &fields)
{
    for (const int client : clients) {
        if (m_clients.value(client).events)
            Q_EMIT eventPosted(client, code, fields);
    }
}

void NfcController::end(QVariantMap outcome)
{
    const int peer = m_field->peer;
    outcome.insert(QStringLiteral("target"), m_serial);
    m_field.reset();
    Q_EMIT tapEnded(peer, outcome);
}

void NfcController::leave(const QString &why)
{
    if (!m_field)
        return;
    qCInfo(lcDeviceNfc).noquote() << "target" << m_serial << "lost:" << why;
    QList<int> told = m_field->told.values();
    std::sort(told.begin(), told.end());
    tell(told, NFC_TARGET_LOST_EVENT, {});
    end({{QStringLiteral("outcome"), QStringLiteral("lost")}, {QStringLiteral("why"), why}});
}
