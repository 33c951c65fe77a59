/*
 * Not API. Connecting to a peer and sending files to it through the device's Wi-Fi Direct
 * connection manager and send service.
 */
#ifndef QZ_SYSTEM_WIFIDIRECTCONNECTOR_P_H
#define QZ_SYSTEM_WIFIDIRECTCONNECTOR_P_H

#include "filetransfermanager_p.h"

#include <QList>
#include <QString>
#include <QVariantMap>

namespace qz::system {

class WiFiDirectConnector
{
public:
    virtual ~WiFiDirectConnector();

    /*! 0 on success, 22 for an empty address or a failed exchange, else the service's "err"
        (256: a connection is already under way). */
    static int connect(const QString &mac);
    /*! The peer's IP address; empty on failure. */
    static QString getIPAddress(const QString &mac);
    static int cancelConnect();
    /*! 0 on success, 1 for a failed exchange, else the service's "err". */
    static int sendFiles(const QString &ipAddress,
                         const QList<FileTransferManager::FileEntry> &files);
    static bool sendCommand(const QString &path, const QString &objectName, const QString &msg,
                            const QVariantMap &dat, QVariantMap &response);
};

} // namespace qz::system

#endif
