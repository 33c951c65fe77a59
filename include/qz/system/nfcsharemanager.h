#ifndef QZ_SYSTEM_NFCSHAREMANAGER_H
#define QZ_SYSTEM_NFCSHAREMANAGER_H

#include <qz/system/nfcsharedatacontent.h>
#include <qz/system/nfcshareenums.h>
#include <qz/system/nfcsharefilescontent.h>
#include <qz/system/qzsystem_export.h>

#include <QList>
#include <QObject>

#include <memory>

namespace qz::system {

class NfcShareManagerPrivate;

/*!
    \class qz::system::NfcShareManager
    \brief Shares data or files with whatever the user taps the device against.

    Choose what a tap shares with setShareMode(), give the content with setShareContent(), and
    learn from the signals how each tap went: finished() or error(). Data travels over NFC
    itself, pushed to a peer or written to a tag; files travel over Bluetooth or Wi-Fi Direct
    after an NFC hand-over, once the user has agreed to send them. In OnDemand mode a tapped
    peer is held (targetAcquired()) until startTransfer() or cancelTarget().
*/
class QZSYSTEM_EXPORT NfcShareManager : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qz::system::NfcShareMode::Type shareMode READ shareMode WRITE setShareMode NOTIFY
                   shareModeChanged FINAL)
public:
    explicit NfcShareManager(QObject *parent = nullptr);
    ~NfcShareManager() override;

    NfcShareMode::Type shareMode() const;
    Q_INVOKABLE qz::system::NfcShareSetContentError::Type
    setShareContent(const qz::system::NfcShareDataContent &content);
    Q_INVOKABLE qz::system::NfcShareSetContentError::Type
    setShareContent(const qz::system::NfcShareFilesContent &content);

public Q_SLOTS:
    void setShareMode(qz::system::NfcShareMode::Type mode);
    void setShareMode(qz::system::NfcShareMode::Type mode,
                      qz::system::NfcShareStartTransferMode::Type transferMode);
    void setShareMode(qz::system::NfcShareMode::Type mode,
                      qz::system::NfcShareStartTransferMode::Type transferMode,
                      const QList<qz::system::NfcShareHandoverTransport::Type> &transports);
    void startTransfer();
    void cancelTarget();
    void reset();

Q_SIGNALS:
    void shareModeChanged(qz::system::NfcShareMode::Type mode);
    void finished(qz::system::NfcShareSuccess::Type result);
    void error(qz::system::NfcShareError::Type error);
    void targetAcquired();
    void targetCancelled();

private:
    friend class NfcShareManagerPrivate;
    friend void _ignorePromptSendFilesSetting(NfcShareManager *manager, bool ignore);
    std::unique_ptr<NfcShareManagerPrivate> const d;
};

/*! Makes \a manager send files without the prompt-to-send dialog when \a ignore is true. */
QZSYSTEM_EXPORT void _ignorePromptSendFilesSetting(NfcShareManager *manager, bool ignore);

} // namespace qz::system

#endif
