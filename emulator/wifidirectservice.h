// The device's Wi-Fi Direct services, simulated, on two control objects in server mode: the
// connection manager "/pps/services/wifi_p2p/manager/control" and the send service
// "/pps/services/wifi_p2p/send/control". Requests, each in the client's block:
//     msg::<command>  id::<id>  dat:json:{..}
// answered to that client alone with res::<command> id::<id> and dat:json:{..} or err:n:<code>.
// The manager's commands:
//     wifi_p2p_connect         {"addr":<MAC>,"go_intent":"any","wps_method":0,"wps_pin":"NULL"}
//                              -> {}; the peer is connected
//     wifi_p2p_get_ip_address  {"addr":<MAC>} -> {"ip_addr":"192.168.49.<n>"} for a connected
//                              peer (ENOTCONN otherwise); each peer keeps its address
//     wifi_p2p_cancel_connect  {} -> {}; every peer is disconnected
// the send service's:
//     wifi_p2p_send            {"ip_addr":<address>,"files":[<path>,..],"nfc_triggered":true}
//                              -> {} once the files arrived in the inbox of the connected peer
//                              with that address (see PeerFiles); EHOSTUNREACH for no such peer
// Switches: a connect answered with an error (256, "already connecting", still connects the
// peer; any other leaves it unconnected), the address query and the send failing (EIO).
//
// "/pps/services/wifi_p2p/peer": the peers' side (qzctl wifidirect), answered at once:
//     msg::fail  dat:json:{"connect":<code, 0 for none>,"ip":<bool>,"send":<bool>}
//         (any of them, or none to only read) -> {"connect":..,"ip":..,"send":..}
//     msg::inbox  dat:json:{"addr":<MAC>} -> {"inbox":<folder>,"files":[..]}
#ifndef QZDEVICE_WIFIDIRECTSERVICE_H
#define QZDEVICE_WIFIDIRECTSERVICE_H

#include "deviceservice.h"

#include <memory>

class WiFiDirectServicePrivate;

class WiFiDirectService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_managerPath;
    static const QString s_sendPath;
    static const QString s_peerPath;
    /*! The connect answer that tells a connection is already under way. */
    static constexpr int AlreadyConnecting = 256;

    struct Switches
    {
        /*! The error every connect is answered with; 0 for none. */
        int connectError = 0;
        bool failIpAddress = false;
        bool failSend = false;
    };
    struct Options
    {
        QString deviceRoot;
        /*! Where the peers' inboxes are kept. */
        QString peersDir;
        Switches switches;
    };

    explicit WiFiDirectService(const Options &options, QObject *parent = nullptr);
    ~WiFiDirectService() override;

    QString name() const override;
    bool start(QString *error) override;

private:
    std::unique_ptr<WiFiDirectServicePrivate> const d;
};

#endif
