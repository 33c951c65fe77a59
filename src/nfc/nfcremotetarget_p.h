/*
 * Not API. A peer reachable after an NFC hand-over, as read from its hand-over record.
 */
#ifndef QZ_SYSTEM_NFCREMOTETARGET_P_H
#define QZ_SYSTEM_NFCREMOTETARGET_P_H

#include <QList>
#include <QString>

namespace qz::system {

/*! One hand-over record of the peer: its address and the NFC library's transport code (1
    Bluetooth, 2 Wi-Fi Direct). The file transfer tries a peer's targets in record order. */
struct NfcRemoteTarget
{
    QString macAddress;
    int transport = 0;

    bool operator==(const NfcRemoteTarget &other) const
    {
        return macAddress == other.macAddress && transport == other.transport;
    }
};

} // namespace qz::system

#endif
