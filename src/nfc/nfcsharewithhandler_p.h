/*
 * Not API. Gives the transfer services access to files they cannot read where they lie: a hard
 * link in a per-transaction folder of the device's share-with area.
 */
#ifndef QZ_SYSTEM_NFCSHAREWITHHANDLER_P_H
#define QZ_SYSTEM_NFCSHAREWITHHANDLER_P_H

#include <QString>
#include <QStringList>

namespace qz::system {

class NfcShareWithHandler
{
public:
    static NfcShareWithHandler *instance();

    /*! False when \a path lies under a root the transfer services read directly. */
    bool isLinkRequired(const QString &path) const;
    /*! The path of a new hard link to the file at \a path, named \a fileName, in a fresh
        transaction folder for \a transportName ("bluetooth" or "wifidirect"); empty on
        failure. */
    QString createLink(const QString &path, const QString &fileName,
                       const QString &transportName) const;
    /*! Removes the link, and its transaction folder once empty. */
    bool deleteLink(const QString &linkPath) const;

    QString perimeter() const;
    QString dname() const;
    QString transactionId() const;

    NfcShareWithHandler(const NfcShareWithHandler &) = delete;
    NfcShareWithHandler &operator=(const NfcShareWithHandler &) = delete;

private:
    NfcShareWithHandler();
    ~NfcShareWithHandler();

    QStringList m_sharedRoots;
    int m_processId = 0;
};

} // namespace qz::system

#endif
