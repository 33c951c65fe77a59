// The device's Bluetooth service, simulated: pairing with peers and pushing files to them, on
// "/pps/services/bluetooth/public/control" in server mode. Requests (PPS text):
//     msg::initiate_pairing  id::<id>  dat:json:{"addr":<MAC>,"timeout":<ms>,"bonding":0|4}
//     msg::push_object  id::<id>  dat:json:{"address":<MAC>,"urls":[<path>,..]}
// answered to the asking client alone with
//     res::<msg>  id::<id>  dat::EOK        or        res::<msg>  id::<id>  err:n:<errno>  errstr::<why>
// (each answer fits the 127 bytes a client reads at once).
//
// Every initiate_pairing pairs afresh: the peer is paired after --bt-pairing-delay ms, or fails
// (ECONNREFUSED) when pairing is switched to fail; a silent peer never answers and the pairing
// ends after the request's timeout (ETIMEDOUT). Clients need not wait for a pairing's answer. A
// push waits for the peer's pairing under way, then copies the files into the peer's inbox (see
// PeerFiles) and is answered once they arrived or failed; a peer not paired, or whose pairing
// failed, is refused (ENOTCONN or the pairing's error), and so is every push while pushing is
// switched to fail (EIO). A client that goes away takes its waiting pushes with it.
//
// "/pps/services/bluetooth/peer": the peers' side (qzctl bluetooth), answered at once with
// res::<msg> id::<same> dat:json:{...} or err and errstr:
//     msg::fail  dat:json:{"pairing":<bool>,"push":<bool>}   (either or none; none only reads)
//     msg::silent  dat:json:{"addr":<MAC>,"on":<bool>}
//         both answered with {"pairing":..,"push":..,"silent":[<MAC>,..]}
//     msg::inbox  dat:json:{"addr":<MAC>}   answered with {"inbox":<folder>,"files":[..]}
#ifndef QZDEVICE_BLUETOOTHSERVICE_H
#define QZDEVICE_BLUETOOTHSERVICE_H

#include "deviceservice.h"

#include <QStringList>

#include <memory>

class BluetoothServicePrivate;

class BluetoothService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    static const QString s_peerPath;

    struct Switches
    {
        int pairingDelayMs = 300;
        bool failPairing = false;
        bool failPush = false;
        /*! Peers that never answer a pairing (MAC addresses). */
        QStringList silentPeers;
    };
    struct Options
    {
        QString deviceRoot;
        /*! Where the peers' inboxes are kept. */
        QString peersDir;
        Switches switches;
    };

    explicit BluetoothService(const Options &options, QObject *parent = nullptr);
    ~BluetoothService() override;

    QString name() const override;
    bool start(QString *error) override;

private:
    std::unique_ptr<BluetoothServicePrivate> const d;
};

#endif
