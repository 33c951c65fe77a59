/*
 * Not API. Pairing with a peer and pushing files to it through the device's Bluetooth service,
 * whose control object is used as a file.
 */
#ifndef QZ_SYSTEM_BLUETOOTHCONNECTOR_P_H
#define QZ_SYSTEM_BLUETOOTHCONNECTOR_P_H

#include "filetransfermanager_p.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qz::system {

class BluetoothConnector
{
public:
    virtual ~BluetoothConnector();

    /*! Sends the pairing command without waiting for its answer; false when the address is
        empty, the command cannot be encoded or the service cannot be reached. */
    static bool initiatePairing(const QString &mac, int timeout, bool bonding);
    /*! 0 once the service has accepted the push, 1 on failure. */
    static int sendFiles(const QString &mac, const QList<FileTransferManager::FileEntry> &files);
    /*! Writes \a command to the control object at \a path; with \a wait, reads until the answer
        to \a msg and \a id arrives and tells whether it reports success. */
    static bool sendCommand(const char *path, const char *msg, const char *id, const char *command,
                            bool wait);

    /*! The text of the pairing command; empty when it cannot be encoded. */
    static QByteArray pairingCommand(const QString &mac, int timeout, bool bonding);
    /*! The text of the push command; empty when it cannot be encoded (a NUL in the address or a
        path would cut it short). */
    static QByteArray pushCommand(const QString &mac,
                                  const QList<FileTransferManager::FileEntry> &files);

    /*! What one answer read from the control object says of the command \a msg sent as \a id. */
    enum class Answer {
        NotOurs,   //!< addressed to another command or client, or to no one
        Succeeded, //!< ours, and its "dat" holds "EOK"
        Failed     //!< ours, reporting an error or unreadable
    };
    /*! Reads \a text, a NUL-terminated answer of the service, untrusted. */
    static Answer readAnswer(const char *text, const char *msg, const char *id);
};

} // namespace qz::system

#endif
