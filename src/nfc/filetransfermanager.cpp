#include "filetransfermanager_p.h"

#include "bluetoothconnector_p.h"
#include "nfcconnector_p.h"
#include "nfclogging_p.h"
#include "nfcsharewithhandler_p.h"
#include "wifidirectconnector_p.h"

#include <qz/system/systemdialog.h>

#include <QFileInfo>
#include <QTimer>

namespace qz::system {

namespace {

constexpr int s_promptTimeoutMs = 10000;
constexpr int s_pairingTimeoutMs = 20000;
// What the Wi-Fi Direct service answers to a connect while one is already under way.
constexpr int s_alreadyConnecting = 256;
// errno EINVAL: what a failed link preparation is reported as.
constexpr int s_badSource = 22;

constexpr int s_transportBluetooth = 1;
constexpr int s_transportWiFiDirect = 2;

} // namespace

FileTransferManager::FileTransferManager(NfcConnector *connector, QObject *parent)
    : QObject(parent)
    , m_connector(connector)
{}

FileTransferManager::~FileTransferManager()
{
    endTransaction();
    if (m_promptDialog) {
        m_promptDialog->cancel();
        delete m_promptDialog;
    }
}

bool FileTransferManager::setRemoteTarget(nfc_target_t *target)
{
    // Read into a list of its own: a hand-over that cannot be read leaves a peer held on demand
    // in place.
    QList<RemoteTarget> targets;
    if (!m_connector->getHandoverTargets(target, targets)) {
        qCWarning(lcNfc) << "Handover Failed - Can't get Mac address and transport from handover "
                            "data for transport ";
        return false;
    }
    m_remoteTargets = targets;
    qCDebug(lcNfc) << "List of remote target was prepared. Size = " << m_remoteTargets.size();
    return true;
}

bool FileTransferManager::isRemoteTargetAvailable() const
{
    return !m_remoteTargets.isEmpty();
}

void FileTransferManager::clearTransferTarget()
{
    m_remoteTargets.clear();
}

void FileTransferManager::setPayload(const QList<QUrl> &payload)
{
    m_payload = payload;
}

bool FileTransferManager::isPromptShown() const
{
    QMutexLocker lock(&m_lock);
    return m_promptShown;
}

void FileTransferManager::endTransaction()
{
    m_payload.clear();
    if (!m_targetHeld)
        m_remoteTargets.clear();
}

void FileTransferManager::setTargetHeld(bool held)
{
    m_targetHeld = held;
}

void FileTransferManager::showPromptToSendDialog()
{
    QMutexLocker lock(&m_lock);
    if (m_promptShown)
        return;
    // The previous dialog may still be delivering its finished(): it goes once that is done.
    if (m_promptDialog) {
        m_promptDialog->disconnect(this);
        m_promptDialog->deleteLater();
    }
    m_promptDialog = new SystemDialog(QStringLiteral("OK"), QStringLiteral("Cancel"), nullptr);
    m_promptDialog->setTitle(QStringLiteral("nfc.share.promptToSendDialog.title"));
    m_promptDialog->setBody(QStringLiteral("nfc.share.promptToSendDialog.body"));
    connect(m_promptDialog, qOverload<SystemUiResult::Type>(&SystemDialog::finished), this,
            &FileTransferManager::finished);

    bool timerConnected = true;
    if (m_promptTimer) {
        qCDebug(lcNfc) << "Stopping timer...(1)";
        m_promptTimer->stop();
    } else {
        m_promptTimer = new QTimer(this);
        m_promptTimer->setInterval(s_promptTimeoutMs);
        timerConnected = bool(
            connect(m_promptTimer, &QTimer::timeout, this, &FileTransferManager::dialogTimeout));
    }
    m_promptTimer->start();
    qCDebug(lcNfc) << "Showing the prompt to send. Connect: " << timerConnected;
    // Marked shown before show(): a dialog service that is absent answers within show().
    m_promptShown = true;
    m_promptDialog->show();
}

void FileTransferManager::finished(SystemUiResult::Type value)
{
    if (m_promptTimer) {
        qCDebug(lcNfc) << "Stopping timer...(2)";
        m_promptTimer->stop();
    }
    qCDebug(lcNfc) << "Prompt to send dialog finished: " << value;
    qCDebug(lcNfc) << "                         error: " << m_promptDialog->error();
    qCDebug(lcNfc) << "           cancelled by system: "
                   << (m_promptDialog->buttonSelection() == nullptr);
    {
        QMutexLocker lock(&m_lock);
        m_promptShown = false;
    }
    if (value == SystemUiResult::ConfirmButtonSelection)
        Q_EMIT transferConfirmed();
    else
        Q_EMIT transferCancelled(value == SystemUiResult::CancelButtonSelection);
}

void FileTransferManager::dialogTimeout()
{
    qCDebug(lcNfc) << "Confirmation dialog has timed out";
    QMutexLocker lock(&m_lock);
    if (!m_promptDialog || !m_promptShown)
        return;
    m_promptTimer->stop();
    m_promptDialog->cancel();
    m_promptShown = false;
    lock.unlock();
    Q_EMIT transferCancelled(true);
}

bool FileTransferManager::startFileTransfer(NfcShareError::Type &err)
{
    const bool sent = transferFiles(m_remoteTargets, m_payload, err);
    endTransaction();
    return sent;
}

void FileTransferManager::cancelFileTransfer(bool byUser, NfcShareError::Type &err)
{
    const int transport = m_remoteTargets.isEmpty() ? 0 : m_remoteTargets.first().transport;
    if (transport == s_transportBluetooth) {
        if (byUser) {
            qCDebug(lcNfc) << "BT Initiation during cancelled prompt";
            if (!pairBluetooth(m_remoteTargets.first().macAddress))
                qCWarning(lcNfc) << "BT Initiation failed during cancelled prompt";
        }
        err = NfcShareError::BluetoothFileTransferCancelled;
    } else if (transport == s_transportWiFiDirect) {
        err = NfcShareError::WiFiDirectFileTransferCancelled;
    } else {
        qCWarning(lcNfc) << "Unexpected handover transport for remote target in "
                            "NfcShareManagerPrivate::fileTransferCancelled()";
    }
    endTransaction();
}

bool FileTransferManager::transferFiles(const QList<RemoteTarget> &targets,
                                        const QList<QUrl> &files, NfcShareError::Type &err)
{
    if (files.isEmpty()) {
        qCWarning(lcNfc) << "transferFiles: File list is empty";
        err = NfcShareError::NoContentToShare;
        return false;
    }
    if (targets.isEmpty()) {
        qCWarning(lcNfc) << "No remote targets available to transfer files";
        err = NfcShareError::NoTransferTarget;
        return false;
    }
    for (qsizetype index = 0; index < targets.size(); ++index) {
        const RemoteTarget &target = targets.at(index);
        bool sent = false;
        if (target.macAddress.isEmpty()) {
            qCWarning(lcNfc) << "transferFiles: Target #" << index << " - MAC address is NULL";
            err = NfcShareError::NoTransferTarget;
            continue;
        }
        if (target.transport == s_transportBluetooth) {
            qCDebug(lcNfc) << "Trying BT to " << getHash(target.macAddress);
            sent = sendFilesOverBluetooth(target.macAddress, files, err);
        } else if (target.transport == s_transportWiFiDirect) {
            qCDebug(lcNfc) << "Trying WiFi to " << getHash(target.macAddress);
            sent = sendFilesOverWiFiDirect(target.macAddress, files, err);
        } else {
            qCWarning(lcNfc) << "Unexpected transfer transport: " << target.transport;
            err = NfcShareError::HandoverFailed;
            continue;
        }
        if (sent) {
            qCDebug(lcNfc) << "Successful file transfer from Target #" << index;
            return true;
        }
        qCWarning(lcNfc) << "Failed file transfer attempt from Target #" << index;
    }
    return false;
}

bool FileTransferManager::pairBluetooth(const QString &mac)
{
    const bool paired = BluetoothConnector::initiatePairing(mac, s_pairingTimeoutMs, false);
    qCDebug(lcNfc) << "Initiating BT pairing to " << getHash(mac) << " res:" << paired;
    return paired;
}

bool FileTransferManager::sendFilesOverBluetooth(const QString &mac, const QList<QUrl> &files,
                                                 NfcShareError::Type &err)
{
    if (!pairBluetooth(mac)) {
        qCWarning(lcNfc) << "BT Initiation failed: error ";
        err = NfcShareError::BluetoothFileTransferFailed;
        return false;
    }
    QList<FileEntry> entries;
    int result = s_badSource;
    if (createLinks(files, entries, QStringLiteral("bluetooth")))
        result = BluetoothConnector::sendFiles(mac, entries);
    if (result != 0) {
        removeLinks(entries);
        qCWarning(lcNfc) << "Bluetooth file transfer has failed - errno: " << result;
        err = NfcShareError::BluetoothFileTransferFailed;
        return false;
    }
    // The links stay: the Bluetooth service reads the files through them.
    qCDebug(lcNfc) << "File transfer over Bluetooth has started";
    err = NfcShareError::Unknown;
    return true;
}

bool FileTransferManager::sendFilesOverWiFiDirect(const QString &mac, const QList<QUrl> &files,
                                                  NfcShareError::Type &err)
{
    const int connected = WiFiDirectConnector::connect(mac);
    if (connected != 0 && connected != s_alreadyConnecting) {
        qCWarning(lcNfc) << "WiFiDirect File transfer has failed. Reason: WiFi connect request "
                            "failed. Error "
                         << connected;
        err = NfcShareError::WiFiDirectFileTransferFailed;
        return false;
    }
    const QString ipAddress = WiFiDirectConnector::getIPAddress(mac);
    if (ipAddress.isEmpty()) {
        err = NfcShareError::WiFiDirectFileTransferFailed;
        qCWarning(lcNfc).nospace().noquote()
            << "Failed to retrieve IP Address for mac address <" << getHash(mac)
            << ">. Cancelling WiFi connect operation";
        if (WiFiDirectConnector::cancelConnect() == 0)
            qCDebug(lcNfc) << "Successful cancelConnect";
        else
            qCWarning(lcNfc) << "Failed cancelConnect";
        return false;
    }
    QList<FileEntry> entries;
    int result = s_badSource;
    if (createLinks(files, entries, QStringLiteral("wifidirect")))
        result = WiFiDirectConnector::sendFiles(ipAddress, entries);
    if (result != 0) {
        removeLinks(entries);
        qCWarning(lcNfc) << "WiFi Direct file transfer has failed - errno: " << result;
        err = NfcShareError::WiFiDirectFileTransferFailed;
        return false;
    }
    qCDebug(lcNfc) << "File transfer over WiFi Direct has started";
    err = NfcShareError::Unknown;
    return true;
}

bool FileTransferManager::createLinks(const QList<QUrl> &urls, QList<FileEntry> &entries,
                                      const QString &transportName)
{
    if (urls.isEmpty()) {
        qCWarning(lcNfc) << "File list is empty";
        return false;
    }
    NfcShareWithHandler *const handler = NfcShareWithHandler::instance();
    for (const QUrl &url : urls) {
        if (!url.isLocalFile()) {
            qCWarning(lcNfc) << "error - bad source: " << getHash(url) << " is not a local file";
            return false;
        }
        // The file itself must be a regular file: a symlink put in its place since it was chosen
        // would send whatever it points to.
        const QFileInfo info(url.toLocalFile());
        if (info.isSymLink() || !info.isFile()) {
            qCWarning(lcNfc) << "error - bad source: " << getHash(url) << " is not a file";
            return false;
        }
        const QString path = info.canonicalFilePath();
        if (!handler->isLinkRequired(path)) {
            entries.append({path, false});
            qCDebug(lcNfc) << "Added to the list a file=" << getHash(path);
            continue;
        }
        const QString link = handler->createLink(path, info.fileName(), transportName);
        if (link.isEmpty()) {
            qCWarning(lcNfc) << "Hardlink for uri " << getHash(url) << " is empty.";
            return false;
        }
        entries.append({link, true});
        qCDebug(lcNfc).nospace().noquote() << "Added to the list a hardlink=" << getHash(link)
                                           << " for file='" << getHash(path) << "'";
    }
    return true;
}

void FileTransferManager::removeLinks(const QList<FileEntry> &entries)
{
    NfcShareWithHandler *const handler = NfcShareWithHandler::instance();
    for (const FileEntry &entry : entries) {
        if (!entry.isLink)
            continue;
        qCDebug(lcNfc) << "Cleaning up link " << getHash(entry.path);
        handler->deleteLink(entry.path);
    }
}

qint64 FileTransferManager::calculateSize(const QList<QUrl> &urls)
{
    qint64 size = 0;
    for (const QUrl &url : urls) {
        if (!url.isLocalFile())
            continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isFile())
            size += info.size();
    }
    return size;
}

QString FileTransferManager::getHash(const QString &text)
{
    return nfcLogHash(text);
}

QString FileTransferManager::getHash(const QUrl &url)
{
    return nfcLogHash(url);
}

} // namespace qz::system
