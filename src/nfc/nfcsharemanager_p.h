/*
 * Not API. The share manager's working half: share modes and their NFC registrations, the content,
 * the NFC events of a tap, and the verdicts of the file transfer.
 */
#ifndef QZ_SYSTEM_NFCSHAREMANAGER_P_H
#define QZ_SYSTEM_NFCSHAREMANAGER_P_H

#include "nfcxrvhandler_p.h"
#include "sharestatemachine_p.h"

#include <qz/system/nfcsharemanager.h>

#include <QObject>

#include <memory>

namespace qz::system {

class DataTransferTarget;
class FileTransferManager;
class NfcConnector;
class NfcSharedContent;

class NfcShareManagerPrivate : public QObject, public NfcXrvHandlerOwner
{
    Q_OBJECT
public:
    explicit NfcShareManagerPrivate(NfcShareManager *owner);
    ~NfcShareManagerPrivate() override;

    NfcShareMode::Type shareMode() const { return m_shareMode; }
    void setShareMode(NfcShareMode::Type mode, NfcShareStartTransferMode::Type transferMode,
                      const QList<NfcShareHandoverTransport::Type> &transports);
    NfcShareSetContentError::Type setShareContent(const NfcShareDataContent &content);
    NfcShareSetContentError::Type setShareContent(const NfcShareFilesContent &content);
    void startTransfer();
    void cancelTarget();
    void reset();
    void setIgnorePromptSetting(bool ignore) { m_ignorePromptSetting = ignore; }

    void snepData(nfc_target_t *target) override;
    void writeData(nfc_target_t *target) override;
    void handoverDetected(nfc_target_t *target) override;
    void prepareFileTransfer(nfc_target_t *target) override;
    void nfcShareFailed(NfcShareError::Type error) override;
    void nfcShareTransferFailed(NfcShareError::Type error) override;
    void nfcShareTransferSucceed(NfcShareSuccess::Type result) override;

private Q_SLOTS:
    void fileTransferConfirmed();
    void fileTransferCancelled(bool byUser);

private:
    // A data tap, SNEP push or tag write: the texts of its log lines and what it does with the
    // target.
    struct DataTap
    {
        const char *nullTarget;
        const char *wrongMode;
        const char *ignored;
        const char *noWrapper;
        const char *noContent;
        const char *noMessage;
        void (NfcShareManagerPrivate::*transfer)(const DataTransferTarget &);
    };
    static const DataTap s_snepTap;
    static const DataTap s_tagTap;

    bool startAction(ShareStateMachine::ShareAction action);
    template<typename Content>
    NfcShareSetContentError::Type setContent(const Content &content, bool modeFits,
                                             const char *badState, const char *badMode);
    void dataTap(nfc_target_t *target, const DataTap &tap);
    void pushNdefMessage(const DataTransferTarget &target);
    void writeNdefMessage(const DataTransferTarget &target);
    nfc_ndef_message_t *messageToSend(const DataTap &tap);
    void sendFiles();
    void clearHeldTarget();
    bool registerSharing(NfcShareMode::Type mode,
                         const QList<NfcShareHandoverTransport::Type> &transports);
    void disableSharing();
    void completeTransfer();
    bool isDataMode() const;

    NfcShareMode::Type m_shareMode = NfcShareMode::Disabled;
    NfcShareManager *const q;
    std::unique_ptr<NfcConnector> m_connector;
    std::unique_ptr<NfcSharedContent> m_content;
    std::unique_ptr<ShareStateMachine> m_stateMachine;
    bool m_defaultTransports = true;
    std::unique_ptr<NfcXrvHandler> m_eventHandler;
    FileTransferManager *m_fileTransferManager = nullptr;
    bool m_initialised = false;
    bool m_ignorePromptSetting = false;
    NfcShareStartTransferMode::Type m_startTransferMode = NfcShareStartTransferMode::OnTap;
};

} // namespace qz::system

#endif
