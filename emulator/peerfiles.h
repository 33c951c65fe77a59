// The emulated peers' end of a file transfer: the files a transfer service is given are read from
// the device's file tree and copied into the inbox of the peer they go to,
//     <data folder>/peers/<MAC address, upper case, ':' as '-'>/inbox/<file name>
// (a name taken already gets " (2)", " (3)", ... before its extension).
//
// A service may read only what the device lets it read: files under the shared roots, and links
// in the transaction folders of its own share-with folder (sharewith/<transport>/<application>/
// <transaction>/<name>). Each path is taken apart below the device root and opened one folder at
// a time without following symbolic links, so neither a link in the path nor one swapped in
// after the check leads elsewhere; only regular files are read. A share-with link is the
// service's to remove once its file arrived, and so is its transaction folder once empty.
#ifndef QZDEVICE_PEERFILES_H
#define QZDEVICE_PEERFILES_H

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

class PeerFiles
{
public:
    /*! The most files one request may carry, and the most bytes they may hold together. */
    static constexpr int MaxFiles = 64;
    static constexpr qint64 MaxBytes = qint64(256) * 1024 * 1024;

    /*! A transfer over \a transport ("bluetooth" or "wifidirect") reading from \a deviceRoot,
        with the peers' inboxes under \a peersDir. */
    PeerFiles(const QString &deviceRoot, const QString &peersDir, const QString &transport);

    struct Failure
    {
        int error; // an errno number
        QString why;
    };
    /*! Copies every file of \a paths into the inbox of \a mac, all or none: a file that cannot
        be read or copied stops the transfer and takes back what arrived. Once all arrived, the
        share-with links among \a paths are removed. Nothing on success. */
    std::optional<Failure> deliver(const QString &mac, const QStringList &paths) const;

    /*! The inbox folder of \a mac. */
    QString inbox(const QString &mac) const;
    /*! {"inbox": folder, "files": [{"name": .., "size": ..}, ..]} by name. */
    QVariantMap listing(const QString &mac) const;

private:
    QString m_root;
    QString m_canonicalRoot;
    QString m_peersDir;
    QString m_transport;
};

#endif
