#include "nfcservice.h"

#include "controlobjectserver.h"
#include "devicelogging.h"
#include "nfccontroller.h"

#include <nfc/nfcdevicebackend.h>

#include <QHash>

#include <cerrno>

using qz::platform::NfcDeviceBackend;

const QString NfcService::s_controlPath = QStringLiteral("/pps/services/nfc/control");
const QString NfcService::s_peerPath = QStringLiteral("/pps/services/nfc/peer");

namespace {

// Tags hold tens of kilobytes at most; a tag's content travels base64-encoded in the events of
// later taps, which must stay well inside a PPS message.
constexpr int MaxTagCapacity = 64 * 1024;
constexpr int MaxCallNameSize = 64;
constexpr int MaxTagNameSize = 64;
constexpr int MaxCarriers = 8;

QVariantMap answer(const QString &msg, const QVariant &id, const QVariantMap &dat)
{
    return {{QStringLiteral("res"), msg}, {QStringLiteral("id"), id}, {QStringLiteral("dat"), dat}};
}

QVariantMap refusal(const QString &msg, const QVariant &id, int error, const QString &why)
{
    return {{QStringLiteral("res"), msg},
            {QStringLiteral("id"), id},
            {QStringLiteral("err"), error},
            {QStringLiteral("errstr"), why}};
}

bool isBool(const QVariant &value)
{
    return value.typeId() == QMetaType::Bool;
}

// What a peer asks to bring into the field; nullopt with \a why when it makes no sense.
std::optional<NfcController::Tap> readTap(const QVariantMap &dat, QString *why)
{
    NfcController::Tap tap;
    const QString kind = dat.value(QStringLiteral("kind")).toString();
    if (kind == QLatin1String("peer")) {
        static const QStringList answers{QStringLiteral("accept"), QStringLiteral("reject"),
                                         QStringLiteral("too-large"), QStringLiteral("io-error")};
        const int answer =
            answers.indexOf(dat.value(QStringLiteral("answer"), answers.first()).toString());
        if (answer < 0) {
            *why = QStringLiteral("\"answer\" is not accept, reject, too-large or io-error");
            return std::nullopt;
        }
        tap.kind = NfcController::Tap::Kind::Peer;
        tap.answer = NfcController::PeerAnswer(answer);
    } else if (kind == QLatin1String("tag")) {
        tap.kind = NfcController::Tap::Kind::Tag;
        tap.tagName = dat.value(QStringLiteral("name"), tap.tagName).toString();
        bool ok = true;
        if (dat.contains(QStringLiteral("capacity")))
            tap.capacity = dat.value(QStringLiteral("capacity")).toInt(&ok);
        tap.locked = dat.value(QStringLiteral("locked")).toBool();
        tap.unsupported = dat.value(QStringLiteral("unsupported")).toBool();
        if (tap.tagName.isEmpty() || tap.tagName.size() > MaxTagNameSize) {
            *why = QStringLiteral("a tag's \"name\" has 1 to %1 characters").arg(MaxTagNameSize);
            return std::nullopt;
        }
        if (!ok || tap.capacity < 0 || tap.capacity > MaxTagCapacity) {
            *why = QStringLiteral("a tag's \"capacity\" is 0 to %1 bytes").arg(MaxTagCapacity);
            return std::nullopt;
        }
    } else if (kind == QLatin1String("handover")) {
        tap.kind = NfcController::Tap::Kind::Handover;
        const QVariantList carriers = dat.value(QStringLiteral("carriers")).toList();
        if (carriers.isEmpty() || carriers.size() > MaxCarriers) {
            *why = QStringLiteral("a hand-over device has 1 to %1 \"carriers\"").arg(MaxCarriers);
            return std::nullopt;
        }
        for (const QVariant &item : carriers) {
            const QVariantMap carrier = item.toMap();
            const int transport = carrier.value(QStringLiteral("transport")).toInt();
            const QString mac = carrier.value(QStringLiteral("mac")).toString();
            if ((transport != 1 && transport != 2) || !NfcNdef::isMacAddress(mac)) {
                *why = QStringLiteral("a carrier is a \"transport\" (1 or 2) and a \"mac\" "
                                      "AA:BB:CC:DD:EE:FF");
                return std::nullopt;
            }
            tap.carriers.append({transport, mac.toUpper()});
        }
    } else {
        *why = QStringLiteral("\"kind\" is not peer, tag or handover");
        return std::nullopt;
    }
    return tap;
}

} // namespace

class NfcServicePrivate
{
public:
    explicit NfcServicePrivate(NfcService *owner);

    void onClientRequest(int client, const QVariantMap &message);
    void onPeerRequest(int peer, const QVariantMap &message);
    QVariantMap peerAnswer(int peer, const QString &msg, const QVariant &id,
                           const QVariantMap &dat);
    void onEvent(int client, int code, const QVariantMap &fields);
    void onTapEnded(int peer, const QVariantMap &outcome);
    void watch(ControlObjectServer *server);

    NfcService *const q;
    NfcController controller;
    ControlObjectServer clients;
    ControlObjectServer peers;
    // Events caused by a call go out after the call's answer.
    bool holding = false;
    QList<std::pair<int, QVariantMap>> held;
    // The "id" of each peer's tap that is under way.
    QHash<int, QVariant> taps;
};

NfcServicePrivate::NfcServicePrivate(NfcService *owner)
    : q(owner)
    , clients(NfcService::s_controlPath)
    , peers(NfcService::s_peerPath)
{
    QObject::connect(
        &clients, &ControlObjectServer::requestReceived, q,
        [this](int client, const QVariantMap &message) { onClientRequest(client, message); });
    QObject::connect(&clients, &ControlObjectServer::clientLeft, q,
                     [this](int client) { controller.clientLeft(client); });
    QObject::connect(
        &peers, &ControlObjectServer::requestReceived, q,
        [this](int peer, const QVariantMap &message) { onPeerRequest(peer, message); });
    QObject::connect(&peers, &ControlObjectServer::clientLeft, q, [this](int peer) {
        taps.remove(peer);
        controller.peerLeft(peer);
    });
    QObject::connect(
        &controller, &NfcController::eventPosted, q,
        [this](int client, int code, const QVariantMap &fields) { onEvent(client, code, fields); });
    QObject::connect(&controller, &NfcController::tapEnded, q,
                     [this](int peer, const QVariantMap &outcome) { onTapEnded(peer, outcome); });
    watch(&clients);
    watch(&peers);
}

void NfcServicePrivate::watch(ControlObjectServer *server)
{
    QObject::connect(server, &ControlObjectServer::unreadableRequest, q,
                     [server](int client, const QByteArray &) {
                         qCWarning(lcDeviceNfc).noquote()
                             << server->name() << "client" << client
                             << "sent a request that is not PPS text; dropped";
                     });
    QObject::connect(server, &ControlObjectServer::lost, q, &DeviceService::failed);
}

void NfcServicePrivate::onClientRequest(int client, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant id = message.value(QStringLiteral("id"));
    const QVariant args =
        message.value(QStringLiteral("dat")).toMap().value(QStringLiteral("args"));
    if (msg.isEmpty() || !id.isValid() || args.typeId() != QMetaType::QVariantList) {
        qCWarning(lcDeviceNfc).noquote()
            << "control client" << client << "sent a request without msg, id or dat.args";
        clients.reply(
            client, refusal(msg, id, EINVAL, QStringLiteral("a request has msg, id and dat.args")));
        return;
    }
    holding = true;
    const NfcController::Result result =
        controller.request(client, msg, NfcDeviceBackend::fromWire(args).toList());
    holding = false;
    const QVariantMap dat{{QStringLiteral("result"), result.code},
                          {QStringLiteral("out"), NfcDeviceBackend::toWire(result.out)}};
    if (!clients.reply(client, answer(msg, id, dat)))
        qCWarning(lcDeviceNfc).noquote() << "the answer to client" << client << "was not sent";
    const auto events = std::exchange(held, {});
    for (const auto &[to, event] : events)
        clients.reply(to, event);
}

void NfcServicePrivate::onEvent(int client, int code, const QVariantMap &fields)
{
    qCDebug(lcDeviceNfc).noquote() << "event" << code << "to client" << client;
    const QVariantMap event{
        {QStringLiteral("msg"), QStringLiteral("event")},
        {QStringLiteral("dat"),
         QVariantMap{{QStringLiteral("code"), code},
                     {QStringLiteral("fields"), NfcDeviceBackend::toWire(fields)}}},
    };
    if (holding)
        held.append({client, event});
    else if (!clients.reply(client, event))
        qCWarning(lcDeviceNfc).noquote() << "event" << code << "to client" << client << "not sent";
}

void NfcServicePrivate::onTapEnded(int peer, const QVariantMap &outcome)
{
    const auto it = taps.find(peer);
    if (it == taps.end())
        return; // the peer went away
    const QVariant id = *it;
    taps.erase(it);
    peers.reply(peer, answer(QStringLiteral("tap"), id, NfcDeviceBackend::toWire(outcome).toMap()));
}

void NfcServicePrivate::onPeerRequest(int peer, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant id = message.value(QStringLiteral("id"));
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    qCDebug(lcDeviceNfc).noquote() << "peer" << peer << msg;
    const QVariantMap reply = peerAnswer(peer, msg, id, dat);
    if (!reply.isEmpty() && !peers.reply(peer, reply))
        qCWarning(lcDeviceNfc).noquote() << "the answer to peer" << peer << "was not sent";
}

QVariantMap NfcServicePrivate::peerAnswer(int peer, const QString &msg, const QVariant &id,
                                          const QVariantMap &dat)
{
    QString why;
    if (msg == QLatin1String("tap")) {
        if (taps.contains(peer))
            return refusal(msg, id, EBUSY, QStringLiteral("this peer's tap is still under way"));
        const std::optional<NfcController::Tap> tap = readTap(dat, &why);
        if (!tap)
            return refusal(msg, id, EINVAL, why);
        taps.insert(peer, id);
        if (!controller.tap(peer, *tap, &why)) {
            taps.remove(peer);
            return refusal(msg, id, EBUSY, why);
        }
        return {}; // answered by onTapEnded()
    }
    if (msg == QLatin1String("lose")) {
        if (!controller.lose(&why))
            return refusal(msg, id, ENOENT, why);
        return answer(msg, id, {});
    }
    if (msg == QLatin1String("off") || msg == QLatin1String("on")) {
        controller.setEnabled(msg == QLatin1String("on"));
        return answer(msg, id, {});
    }
    if (msg == QLatin1String("prompt")) {
        const QVariant on = dat.value(QStringLiteral("on"));
        if (on.isValid() && !isBool(on))
            return refusal(msg, id, EINVAL, QStringLiteral("\"on\" is true or false"));
        if (on.isValid()) {
            controller.setPromptBeforeSendingFiles(on.toBool());
            qCInfo(lcDeviceNfc).noquote()
                << "prompt before sending files:" << (on.toBool() ? "on" : "off");
        }
        return answer(msg, id, {{QStringLiteral("on"), controller.promptBeforeSendingFiles()}});
    }
    if (msg == QLatin1String("read-tag")) {
        const QString name = dat.value(QStringLiteral("name"), QStringLiteral("tag")).toString();
        const std::optional<NfcController::StoredTag> tag = controller.tag(name);
        if (!tag)
            return refusal(msg, id, ENOENT, QStringLiteral("no tag \"%1\" was tapped").arg(name));
        return answer(msg, id,
                      NfcDeviceBackend::toWire(
                          QVariantMap{{QStringLiteral("name"), name},
                                      {QStringLiteral("locked"), tag->locked},
                                      {QStringLiteral("capacity"), tag->capacity},
                                      {QStringLiteral("size"), int(tag->content.size())},
                                      {QStringLiteral("records"),
                                       tag->content.isEmpty() ? QStringList()
                                                              : NfcNdef::describe(tag->content)}})
                          .toMap());
    }
    if (msg == QLatin1String("fail")) {
        if (dat.value(QStringLiteral("clear")).toBool()) {
            controller.clearFailures();
        } else {
            const QString call = dat.value(QStringLiteral("call")).toString();
            bool ok = false;
            const int result = dat.value(QStringLiteral("result")).toInt(&ok);
            if (!call.startsWith(QLatin1String("nfc_")) || call.size() > MaxCallNameSize || !ok ||
                result <= 0)
                return refusal(msg, id, EINVAL,
                               QStringLiteral("a failure is an nfc_* \"call\" and a positive "
                                              "\"result\""));
            if (!controller.setFailure(call, result))
                return refusal(msg, id, ENOSPC, QStringLiteral("too many failures switched on"));
        }
        QVariantMap failures;
        const QHash<QString, int> all = controller.failures();
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            failures.insert(it.key(), it.value());
        return answer(msg, id, {{QStringLiteral("failures"), failures}});
    }
    return refusal(msg, id, EINVAL,
                   QStringLiteral("\"msg\" is not tap, lose, off, on, prompt, read-tag or fail"));
}

NfcService::NfcService(QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<NfcServicePrivate>(this))
{}

NfcService::~NfcService() = default;

QString NfcService::name() const
{
    return QStringLiteral("nfc");
}

bool NfcService::start(QString *error)
{
    return d->clients.open(error) && d->peers.open(error);
}

NfcController *NfcService::controller() const
{
    return &d->controller;
}
