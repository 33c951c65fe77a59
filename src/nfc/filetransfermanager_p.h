/*
 * Not API. Sends the files of an NFC file share to the peer found in the hand-over, over
 * Bluetooth or Wi-Fi Direct, after asking the user.
 */
#ifndef QZ_SYSTEM_FILETRANSFERMANAGER_P_H
#define QZ_SYSTEM_FILETRANSFERMANAGER_P_H

#include "nfcremotetarget_p.h"

#include <qz/system/nfcshareenums.h>
#include <qz/system/systemuienums.h>

#include <nfc/nfc.h>

#include <QList>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <QUrl>

QT_FORWARD_DECLARE_CLASS(QTimer)

class tst_FileTransferManager;

namespace qz::system {

class NfcConnector;
class SystemDialog;

class FileTransferManager : public QObject
{
    Q_OBJECT
public:
    using RemoteTarget = NfcRemoteTarget;

    /*! A file as handed to a transfer service: its canonical path, or the hard link made for
        it, which must be removed when the send fails. */
    struct FileEntry
    {
        QString path;
        bool isLink = false;
    };

    /*! \a connector (not owned) reads the remote targets out of a hand-over. */
    explicit FileTransferManager(NfcConnector *connector, QObject *parent = nullptr);
    ~FileTransferManager() override;

    bool setRemoteTarget(nfc_target_t *target);
    bool isRemoteTargetAvailable() const;
    void clearTransferTarget();
    void setPayload(const QList<QUrl> &payload);
    bool isPromptShown() const;
    void showPromptToSendDialog();
    bool startFileTransfer(NfcShareError::Type &err);
    void cancelFileTransfer(bool byUser, NfcShareError::Type &err);
    /*! Empties the payload, and the remote targets unless they are held. */
    void endTransaction();
    /*! While \a held (a peer kept on demand), a transfer or a declined prompt keeps the remote
        targets for the next transfer; clearTransferTarget() still drops them. */
    void setTargetHeld(bool held);

    static qint64 calculateSize(const QList<QUrl> &urls);
    static QString getHash(const QString &text);
    static QString getHash(const QUrl &url);

Q_SIGNALS:
    void transferConfirmed();
    void transferCancelled(bool byUser);

public Q_SLOTS:
    void dialogTimeout();
    void finished(qz::system::SystemUiResult::Type value);

private:
    // The test reaches the target iteration with targets that no hand-over record can carry.
    friend class ::tst_FileTransferManager;

    bool transferFiles(const QList<RemoteTarget> &targets, const QList<QUrl> &files,
                       NfcShareError::Type &err);
    bool sendFilesOverBluetooth(const QString &mac, const QList<QUrl> &files,
                                NfcShareError::Type &err);
    bool sendFilesOverWiFiDirect(const QString &mac, const QList<QUrl> &files,
                                 NfcShareError::Type &err);
    bool pairBluetooth(const QString &mac);
    bool createLinks(const QList<QUrl> &urls, QList<FileEntry> &entries,
                     const QString &transportName);
    void removeLinks(const QList<FileEntry> &entries);

    NfcConnector *m_connector = nullptr;
    mutable QRecursiveMutex m_lock;
    bool m_promptShown = false;
    QList<RemoteTarget> m_remoteTargets;
    QList<QUrl> m_payload;
    SystemDialog *m_promptDialog = nullptr;
    QTimer *m_promptTimer = nullptr;
    bool m_targetHeld = false;
};

} // namespace qz::system

#endif
