#include "bluetoothservice.h"

#include "controlobjectserver.h"
#include "devicelogging.h"
#include "devicetree.h"
#include "nfcndef.h"
#include "peerfiles.h"
#include "serviceanswers.h"

#include <QSet>
#include <QTimer>

#include <cerrno>
#include <map>

const QString BluetoothService::s_controlPath =
    QStringLiteral("/pps/services/bluetooth/public/control");
const QString BluetoothService::s_peerPath = QStringLiteral("/pps/services/bluetooth/peer");

namespace {

// A client reads an answer 127 bytes at a time and looks for its command and id in one read:
// the reason must leave room for them.
constexpr qsizetype MaxWhySize = 60;
constexpr qsizetype MaxIdSize = 64;
constexpr int MaxTimeoutMs = 5 * 60 * 1000;
// Peers are remembered for as long as qzdevice runs; this many at most.
constexpr int MaxPeers = 256;
constexpr int MaxSilentPeers = 64;
// Requests waiting for one peer's pairing: clients cannot pile up more.
constexpr int MaxWaiting = 64;

const QString s_pairing = QStringLiteral("initiate_pairing");
const QString s_push = QStringLiteral("push_object");

struct Request
{
    int client;
    QVariant id;
};

struct Push
{
    Request request;
    QStringList paths;
};

struct Peer
{
    enum class State { Unpaired, Pairing, Paired, Failed };
    State state = State::Unpaired;
    int error = 0;      // why the last pairing failed
    int generation = 0; // tells a pairing's end from that of an earlier one
    QList<Request> pairingAskers;
    QList<Push> pushes;
};

} // namespace

class BluetoothServicePrivate
{
public:
    BluetoothServicePrivate(BluetoothService *owner, const BluetoothService::Options &options);

    void onRequest(int client, const QVariantMap &message);
    void startPairing(const Request &request, const QString &mac, int timeoutMs);
    void endPairing(const QString &mac, int generation, int error);
    void push(const Push &push, const QString &mac);
    void answer(const Request &request, const QString &msg, int error, const QString &why = {});
    void onClientLeft(int client);
    QVariantMap onPeerRequest(const QString &msg, const QVariant &id, const QVariantMap &dat);
    QVariantMap switchState() const;

    BluetoothService *const q;
    ControlObjectServer control;
    ControlObjectServer peerSide;
    PeerFiles files;
    BluetoothService::Switches switches;
    QSet<QString> silent;
    std::map<QString, Peer> peers;
};

BluetoothServicePrivate::BluetoothServicePrivate(BluetoothService *owner,
                                                 const BluetoothService::Options &options)
    : q(owner)
    , control(BluetoothService::s_controlPath)
    , peerSide(BluetoothService::s_peerPath)
    , files(options.deviceRoot, options.peersDir, DeviceTree::transports().at(0))
    , switches(options.switches)
{
    for (const QString &mac : switches.silentPeers)
        silent.insert(mac.toUpper());
    QObject::connect(
        &control, &ControlObjectServer::requestReceived, q,
        [this](int client, const QVariantMap &message) { onRequest(client, message); });
    QObject::connect(&control, &ControlObjectServer::clientLeft, q,
                     [this](int client) { onClientLeft(client); });
    QObject::connect(&peerSide, &ControlObjectServer::requestReceived, q,
                     [this](int client, const QVariantMap &message) {
                         const QString msg = message.value(QStringLiteral("msg")).toString();
                         qCDebug(lcDeviceBluetooth).noquote() << "peer side:" << msg;
                         peerSide.reply(
                             client, onPeerRequest(msg, message.value(QStringLiteral("id")),
                                                   message.value(QStringLiteral("dat")).toMap()));
                     });
    for (ControlObjectServer *server : {&control, &peerSide}) {
        QObject::connect(server, &ControlObjectServer::unreadableRequest, q,
                         [server](int client, const QByteArray &) {
                             qCWarning(lcDeviceBluetooth).noquote()
                                 << server->name() << "client" << client
                                 << "sent a request that is not PPS text; dropped";
                         });
        QObject::connect(server, &ControlObjectServer::lost, q, &DeviceService::failed);
    }
}

void BluetoothServicePrivate::answer(const Request &request, const QString &msg, int error,
                                     const QString &why)
{
    const QVariantMap message = error == 0
                                    ? serviceAnswer(msg, request.id, QStringLiteral("EOK"))
                                    : serviceRefusal(msg, request.id, error, why.left(MaxWhySize));
    // A pairing's client has usually gone by now: it does not wait for the answer.
    if (!control.reply(request.client, message) && msg != s_pairing)
        qCWarning(lcDeviceBluetooth).noquote()
            << "the answer to client" << request.client << "was not sent";
}

void BluetoothServicePrivate::onRequest(int client, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant id = message.value(QStringLiteral("id"));
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    const Request request{client, id.toString().size() > MaxIdSize ? QVariant() : id};
    if (!request.id.isValid())
        return answer(request, msg, EINVAL, QStringLiteral("a request has an id of up to 64"));
    if (msg == s_pairing) {
        const QString mac = dat.value(QStringLiteral("addr")).toString().toUpper();
        bool ok = false;
        const int timeoutMs = dat.value(QStringLiteral("timeout")).toInt(&ok);
        const int bonding = dat.value(QStringLiteral("bonding"), 0).toInt();
        if (!NfcNdef::isMacAddress(mac) || !ok || timeoutMs < 1 || timeoutMs > MaxTimeoutMs ||
            (bonding != 0 && bonding != 4))
            return answer(request, msg, EINVAL, QStringLiteral("addr, timeout or bonding wrong"));
        return startPairing(request, mac, timeoutMs);
    }
    if (msg == s_push) {
        const QString mac = dat.value(QStringLiteral("address")).toString().toUpper();
        const QVariant urls = dat.value(QStringLiteral("urls"));
        QStringList paths;
        for (const QVariant &url : urls.toList()) {
            if (url.typeId() == QMetaType::QString)
                paths.append(url.toString());
        }
        if (!NfcNdef::isMacAddress(mac) || urls.typeId() != QMetaType::QVariantList ||
            paths.size() != urls.toList().size() || paths.isEmpty() ||
            paths.size() > PeerFiles::MaxFiles)
            return answer(request, msg, EINVAL, QStringLiteral("address or urls wrong"));
        return push({request, paths}, mac);
    }
    answer(request, msg, EINVAL, QStringLiteral("msg is initiate_pairing or push_object"));
}

void BluetoothServicePrivate::startPairing(const Request &request, const QString &mac,
                                           int timeoutMs)
{
    auto it = peers.find(mac);
    if (it == peers.end()) {
        if (int(peers.size()) >= MaxPeers)
            return answer(request, s_pairing, ENOSPC, QStringLiteral("too many peers"));
        it = peers.emplace(mac, Peer()).first;
    }
    Peer &peer = it->second;
    if (peer.pairingAskers.size() >= MaxWaiting)
        return answer(request, s_pairing, EBUSY, QStringLiteral("too many pairings waiting"));
    peer.pairingAskers.append(request);
    if (peer.state == Peer::State::Pairing)
        return; // answered with the pairing under way
    peer.state = Peer::State::Pairing;
    const int generation = ++peer.generation;
    const bool isSilent = silent.contains(mac);
    const int error = isSilent ? ETIMEDOUT : switches.failPairing ? ECONNREFUSED : 0;
    qCDebug(lcDeviceBluetooth).noquote() << "pairing with a peer started;"
                                         << (isSilent ? "it is silent"
                                             : error  ? "it will refuse"
                                                      : "it will accept");
    QTimer::singleShot(isSilent ? timeoutMs : switches.pairingDelayMs, q,
                       [this, mac, generation, error] { endPairing(mac, generation, error); });
}

void BluetoothServicePrivate::endPairing(const QString &mac, int generation, int error)
{
    const auto it = peers.find(mac);
    if (it == peers.end() || it->second.generation != generation)
        return;
    Peer &peer = it->second;
    peer.state = error ? Peer::State::Failed : Peer::State::Paired;
    peer.error = error;
    qCDebug(lcDeviceBluetooth).noquote()
        << "pairing with a peer" << (error ? "failed" : "succeeded");
    for (const Request &request : std::exchange(peer.pairingAskers, {}))
        answer(request, s_pairing, error,
               error == ETIMEDOUT ? QStringLiteral("the peer did not answer")
                                  : QStringLiteral("the peer refused to pair"));
    for (const Push &waiting : std::exchange(peer.pushes, {}))
        push(waiting, mac);
}

void BluetoothServicePrivate::push(const Push &push, const QString &mac)
{
    const auto it = peers.find(mac);
    const Peer::State state = it == peers.end() ? Peer::State::Unpaired : it->second.state;
    if (state == Peer::State::Pairing) {
        if (it->second.pushes.size() >= MaxWaiting)
            return answer(push.request, s_push, EBUSY, QStringLiteral("too many pushes waiting"));
        it->second.pushes.append(push);
        return;
    }
    if (state == Peer::State::Unpaired)
        return answer(push.request, s_push, ENOTCONN, QStringLiteral("the peer is not paired"));
    if (state == Peer::State::Failed)
        return answer(push.request, s_push, it->second.error,
                      QStringLiteral("pairing with the peer failed"));
    if (switches.failPush)
        return answer(push.request, s_push, EIO, QStringLiteral("the push failed (switched)"));
    const std::optional<PeerFiles::Failure> failure = files.deliver(mac, push.paths);
    qCDebug(lcDeviceBluetooth).noquote()
        << "push of" << push.paths.size() << "files to a peer"
        << (failure ? QStringLiteral("failed: ") + failure->why : QStringLiteral("delivered"));
    if (failure)
        return answer(push.request, s_push, failure->error, failure->why);
    answer(push.request, s_push, 0);
}

void BluetoothServicePrivate::onClientLeft(int client)
{
    for (auto &[mac, peer] : peers) {
        peer.pushes.removeIf([client](const Push &push) { return push.request.client == client; });
        peer.pairingAskers.removeIf(
            [client](const Request &request) { return request.client == client; });
    }
}

QVariantMap BluetoothServicePrivate::switchState() const
{
    QStringList silentPeers = silent.values();
    silentPeers.sort();
    return {{QStringLiteral("pairing"), switches.failPairing},
            {QStringLiteral("push"), switches.failPush},
            {QStringLiteral("silent"), silentPeers}};
}

QVariantMap BluetoothServicePrivate::onPeerRequest(const QString &msg, const QVariant &id,
                                                   const QVariantMap &dat)
{
    if (msg == QLatin1String("fail")) {
        for (const auto &[key, flag] : {std::pair{QStringLiteral("pairing"), &switches.failPairing},
                                        std::pair{QStringLiteral("push"), &switches.failPush}}) {
            const QVariant value = dat.value(key);
            if (value.isValid() && value.typeId() != QMetaType::Bool)
                return serviceRefusal(msg, id, EINVAL,
                                      QStringLiteral("\"%1\" is true or false").arg(key));
            if (value.isValid())
                *flag = value.toBool();
        }
        return serviceAnswer(msg, id, switchState());
    }
    const QString mac = dat.value(QStringLiteral("addr")).toString().toUpper();
    if (!NfcNdef::isMacAddress(mac))
        return serviceRefusal(msg, id, EINVAL, QStringLiteral("\"addr\" is a MAC address"));
    if (msg == QLatin1String("silent")) {
        if (!dat.value(QStringLiteral("on"), true).toBool())
            silent.remove(mac);
        else if (silent.size() < MaxSilentPeers)
            silent.insert(mac);
        else
            return serviceRefusal(msg, id, ENOSPC, QStringLiteral("too many silent peers"));
        return serviceAnswer(msg, id, switchState());
    }
    if (msg == QLatin1String("inbox"))
        return serviceAnswer(msg, id, files.listing(mac));
    return serviceRefusal(msg, id, EINVAL, QStringLiteral("\"msg\" is fail, silent or inbox"));
}

BluetoothService::BluetoothService(const Options &options, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<BluetoothServicePrivate>(this, options))
{}

BluetoothService::~BluetoothService() = default;

QString BluetoothService::name() const
{
    return QStringLiteral("bluetooth");
}

bool BluetoothService::start(QString *error)
{
    return d->control.open(error) && d->peerSide.open(error);
}
