/*
 * Not API. Pairing with a peer and pushing files to it through the device's Bluetooth service,
 * whose control object is used as a file.
 */
#ifndef QZ_SYSTEM_BLUETOOTHCONNECTOR_P_H
#define QZ_SYSTEM_BLUETOOTHCONNECTOR_P_H

#include "filetransfermanager_p.h"

#include <QList>
#include <QString>

namespace qz::system {

class BluetoothConnector
{
public:
    virtual ~BluetoothConnector();

    /*! Sends the pairing command without waiting for its answer; false only when the address is
        empty or the command cannot be encoded. */
    static bool initiatePairing(const QString &mac, int timeout, bool bonding);
    /*! 0 once the service has accepted the push, 1 on failure. */
    static int sendFiles(const QString &mac, const QList<FileTransferManager::FileEntry> &files);
    /*! Writes \a command to the control object at \a path; with \a wait, reads until the answer
        to \a msg and \a id arrives and tells whether it reports success. */
    static bool sendCommand(const char *path, const char *msg, const char *id,
                            const char *command, bool wait);
};

} // namespace qz::system

#endif
