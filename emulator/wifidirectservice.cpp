#include "wifidirectservice.h"

#include "controlobjectserver.h"
#include "devicelogging.h"
#include "devicetree.h"
#include "nfcndef.h"
#include "peerfiles.h"
#include "serviceanswers.h"

#include <QMap>

#include <algorithm>
#include <cerrno>

const QString WiFiDirectService::s_managerPath =
    QStringLiteral("/pps/services/wifi_p2p/manager/control");
const QString WiFiDirectService::s_sendPath = QStringLiteral("/pps/services/wifi_p2p/send/control");
const QString WiFiDirectService::s_peerPath = QStringLiteral("/pps/services/wifi_p2p/peer");

namespace {

constexpr qsizetype MaxIdSize = 64;
// Host numbers of the group's subnet: the device is .1, peers get .2 to .254.
constexpr int FirstHost = 2;
constexpr int LastHost = 254;

QString ipAddress(int host)
{
    return QStringLiteral("192.168.49.%1").arg(host);
}

} // namespace

class WiFiDirectServicePrivate
{
public:
    WiFiDirectServicePrivate(WiFiDirectService *owner, const WiFiDirectService::Options &options);

    void watch(ControlObjectServer *server,
               void (WiFiDirectServicePrivate::*handle)(int, const QString &, const QVariant &,
                                                        const QVariantMap &));
    void onManagerRequest(int client, const QString &msg, const QVariant &id,
                          const QVariantMap &dat);
    void onSendRequest(int client, const QString &msg, const QVariant &id, const QVariantMap &dat);
    void onPeerRequest(int client, const QString &msg, const QVariant &id, const QVariantMap &dat);
    QVariantMap switchState() const;
    QString peerAt(const QString &ip) const;

    WiFiDirectService *const q;
    ControlObjectServer manager;
    ControlObjectServer sender;
    ControlObjectServer peerSide;
    PeerFiles files;
    WiFiDirectService::Switches switches;
    // Connected peers (MAC, upper case) and their host numbers, the lowest free one each.
    QMap<QString, int> connected;
};

WiFiDirectServicePrivate::WiFiDirectServicePrivate(WiFiDirectService *owner,
                                                   const WiFiDirectService::Options &options)
    : q(owner)
    , manager(WiFiDirectService::s_managerPath)
    , sender(WiFiDirectService::s_sendPath)
    , peerSide(WiFiDirectService::s_peerPath)
    , files(options.deviceRoot, options.peersDir, DeviceTree::transports().at(1))
    , switches(options.switches)
{
    watch(&manager, &WiFiDirectServicePrivate::onManagerRequest);
    watch(&sender, &WiFiDirectServicePrivate::onSendRequest);
    watch(&peerSide, &WiFiDirectServicePrivate::onPeerRequest);
}

void WiFiDirectServicePrivate::watch(ControlObjectServer *server,
                                     void (WiFiDirectServicePrivate::*handle)(int, const QString &,
                                                                              const QVariant &,
                                                                              const QVariantMap &))
{
    QObject::connect(server, &ControlObjectServer::requestReceived, q,
                     [this, server, handle](int client, const QVariantMap &message) {
                         const QString msg = message.value(QStringLiteral("msg")).toString();
                         const QVariant id = message.value(QStringLiteral("id"));
                         qCDebug(lcDeviceWiFiDirect).noquote() << server->name() << msg;
                         if (!id.isValid() || id.toString().size() > MaxIdSize)
                             server->reply(client, serviceRefusal(msg, QVariant(), EINVAL));
                         else
                             (this->*handle)(client, msg, id,
                                             message.value(QStringLiteral("dat")).toMap());
                     });
    QObject::connect(server, &ControlObjectServer::unreadableRequest, q,
                     [server](int client, const QByteArray &) {
                         qCWarning(lcDeviceWiFiDirect).noquote()
                             << server->path() << "client" << client
                             << "sent a request that is not PPS text; dropped";
                     });
    QObject::connect(server, &ControlObjectServer::lost, q, &DeviceService::failed);
}

void WiFiDirectServicePrivate::onManagerRequest(int client, const QString &msg, const QVariant &id,
                                                const QVariantMap &dat)
{
    const QString mac = dat.value(QStringLiteral("addr")).toString().toUpper();
    QVariantMap answer;
    if (msg == QLatin1String("wifi_p2p_connect")) {
        const int error = switches.connectError;
        if (!NfcNdef::isMacAddress(mac)) {
            answer = serviceRefusal(msg, id, EINVAL);
        } else if (!connected.contains(mac) && connected.size() > LastHost - FirstHost) {
            answer = serviceRefusal(msg, id, ENOSPC);
        } else {
            // "Already connecting" means the connection is under way all the same.
            if ((error == 0 || error == WiFiDirectService::AlreadyConnecting) &&
                !connected.contains(mac)) {
                int host = FirstHost;
                while (std::find(connected.cbegin(), connected.cend(), host) != connected.cend())
                    ++host;
                connected.insert(mac, host);
            }
            answer = error ? serviceRefusal(msg, id, error) : serviceAnswer(msg, id, QVariantMap());
        }
    } else if (msg == QLatin1String("wifi_p2p_get_ip_address")) {
        if (!NfcNdef::isMacAddress(mac))
            answer = serviceRefusal(msg, id, EINVAL);
        else if (switches.failIpAddress)
            answer = serviceRefusal(msg, id, EIO);
        else if (!connected.contains(mac))
            answer = serviceRefusal(msg, id, ENOTCONN);
        else
            answer = serviceAnswer(
                msg, id, QVariantMap{{QStringLiteral("ip_addr"), ipAddress(connected.value(mac))}});
    } else if (msg == QLatin1String("wifi_p2p_cancel_connect")) {
        connected.clear();
        answer = serviceAnswer(msg, id, QVariantMap());
    } else {
        answer = serviceRefusal(msg, id, EINVAL);
    }
    if (!manager.reply(client, answer))
        qCWarning(lcDeviceWiFiDirect).noquote()
            << "the answer to manager client" << client << "was not sent";
}

void WiFiDirectServicePrivate::onSendRequest(int client, const QString &msg, const QVariant &id,
                                             const QVariantMap &dat)
{
    const QString ip = dat.value(QStringLiteral("ip_addr")).toString();
    const QVariant list = dat.value(QStringLiteral("files"));
    QStringList paths;
    for (const QVariant &path : list.toList()) {
        if (path.typeId() == QMetaType::QString)
            paths.append(path.toString());
    }
    QVariantMap answer;
    if (msg != QLatin1String("wifi_p2p_send") || list.typeId() != QMetaType::QVariantList ||
        paths.size() != list.toList().size()) {
        answer = serviceRefusal(msg, id, EINVAL);
    } else if (switches.failSend) {
        answer = serviceRefusal(msg, id, EIO);
    } else {
        const QString mac = peerAt(ip);
        const std::optional<PeerFiles::Failure> failure =
            mac.isEmpty()
                ? PeerFiles::Failure{EHOSTUNREACH, QStringLiteral("no peer has that address")}
                : files.deliver(mac, paths);
        qCDebug(lcDeviceWiFiDirect).noquote()
            << "send of" << paths.size() << "files to a peer"
            << (failure ? QStringLiteral("failed: ") + failure->why : QStringLiteral("delivered"));
        answer = failure ? serviceRefusal(msg, id, failure->error)
                         : serviceAnswer(msg, id, QVariantMap());
    }
    if (!sender.reply(client, answer))
        qCWarning(lcDeviceWiFiDirect).noquote()
            << "the answer to send client" << client << "was not sent";
}

QString WiFiDirectServicePrivate::peerAt(const QString &ip) const
{
    for (auto it = connected.cbegin(); it != connected.cend(); ++it) {
        if (ipAddress(it.value()) == ip)
            return it.key();
    }
    return {};
}

QVariantMap WiFiDirectServicePrivate::switchState() const
{
    return {{QStringLiteral("connect"), switches.connectError},
            {QStringLiteral("ip"), switches.failIpAddress},
            {QStringLiteral("send"), switches.failSend}};
}

void WiFiDirectServicePrivate::onPeerRequest(int client, const QString &msg, const QVariant &id,
                                             const QVariantMap &dat)
{
    QVariantMap answer;
    if (msg == QLatin1String("fail")) {
        const QVariant connect = dat.value(QStringLiteral("connect"));
        const QVariant ip = dat.value(QStringLiteral("ip"));
        const QVariant send = dat.value(QStringLiteral("send"));
        bool ok = true;
        const int error = connect.isValid() ? connect.toInt(&ok) : switches.connectError;
        if (!ok || error < 0 || (ip.isValid() && ip.typeId() != QMetaType::Bool) ||
            (send.isValid() && send.typeId() != QMetaType::Bool)) {
            answer = serviceRefusal(msg, id, EINVAL,
                                    QStringLiteral("\"connect\" is an error code, \"ip\" and "
                                                   "\"send\" true or false"));
        } else {
            switches.connectError = error;
            switches.failIpAddress = ip.isValid() ? ip.toBool() : switches.failIpAddress;
            switches.failSend = send.isValid() ? send.toBool() : switches.failSend;
            answer = serviceAnswer(msg, id, switchState());
        }
    } else if (msg == QLatin1String("inbox")) {
        const QString mac = dat.value(QStringLiteral("addr")).toString();
        answer = NfcNdef::isMacAddress(mac)
                     ? serviceAnswer(msg, id, files.listing(mac))
                     : serviceRefusal(msg, id, EINVAL, QStringLiteral("\"addr\" is a MAC address"));
    } else {
        answer = serviceRefusal(msg, id, EINVAL, QStringLiteral("\"msg\" is fail or inbox"));
    }
    peerSide.reply(client, answer);
}

WiFiDirectService::WiFiDirectService(const Options &options, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<WiFiDirectServicePrivate>(this, options))
{}

WiFiDirectService::~WiFiDirectService() = default;

QString WiFiDirectService::name() const
{
    return QStringLiteral("wifidirect");
}

bool WiFiDirectService::start(QString *error)
{
    return d->manager.open(error) && d->sender.open(error) && d->peerSide.open(error);
}
