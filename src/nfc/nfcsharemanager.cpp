#include "nfcsharemanager_p.h"

#include "datatransfertarget_p.h"
#include "filetransfermanager_p.h"
#include "nfcconnector_p.h"
#include "nfclogging_p.h"
#include "nfcsharedcontent_p.h"

namespace qz::system {

namespace {

// Payloads up to this size go over Bluetooth first; larger ones over Wi-Fi Direct first.
constexpr qint64 s_bluetoothFirstLimit = 5242880;

NfcShareError::Type tagWriteError(int result)
{
    switch (result) {
    case NFC_RESULT_TAG_LOCKED:
        return NfcShareError::TagLocked;
    case NFC_RESULT_MESSAGE_TOO_LARGE:
        return NfcShareError::MessageSize;
    case NFC_RESULT_UNSUPPORTED_TAG_TYPE:
        return NfcShareError::UnsupportedTagType;
    default:
        return NfcShareError::DataTransferFailed;
    }
}

} // namespace

const NfcShareManagerPrivate::DataTap NfcShareManagerPrivate::s_snepTap{
    "Target is null in 'snepData'",
    "Unexpected share method in 'snepData'",
    "Ignoring snepData(): target is already acquired and locked",
    "Failed to set Remote Target (NFC_SNEP_CONNECTION_EVENT)",
    "sharedContent is null for ndefPushTargetDetected_1",
    "NDEF message is null for ndefPushTargetDetected",
    &NfcShareManagerPrivate::pushNdefMessage,
};

const NfcShareManagerPrivate::DataTap NfcShareManagerPrivate::s_tagTap{
    "Target is null in 'writeData'",
    "Unexpected share method in 'writeData'",
    "Ignoring writeData(): target is already acquired and locked",
    "Failed to set Remote Target (NFC_TAG_READWRITE_EVENT)",
    "Shared content is null for ndefWriteTargetDetected_1",
    "NDEF message is null for writeNdefMessage",
    &NfcShareManagerPrivate::writeNdefMessage,
};

NfcShareManagerPrivate::NfcShareManagerPrivate(NfcShareManager *owner)
    : q(owner)
    , m_connector(std::make_unique<NfcConnector>())
{
    m_eventHandler = std::make_unique<NfcXrvHandler>(this);
    m_initialised = m_eventHandler->init();
    m_fileTransferManager = new FileTransferManager(m_connector.get(), this);
    const bool connected = connect(m_fileTransferManager, &FileTransferManager::transferConfirmed,
                                   this, &NfcShareManagerPrivate::fileTransferConfirmed) &&
                           connect(m_fileTransferManager, &FileTransferManager::transferCancelled,
                                   this, &NfcShareManagerPrivate::fileTransferCancelled);
    qCDebug(lcNfc) << "FileTransferManager created: " << connected;
    m_stateMachine = std::make_unique<ShareStateMachine>();
}

NfcShareManagerPrivate::~NfcShareManagerPrivate()
{
    // The file transfer manager reads hand-overs through the connector: it goes first.
    delete m_fileTransferManager;
    m_stateMachine.reset();
    m_eventHandler.reset();
    m_connector.reset();
    m_content.reset();
}

bool NfcShareManagerPrivate::startAction(ShareStateMachine::ShareAction action)
{
    return m_stateMachine->startAction(action, m_startTransferMode);
}

bool NfcShareManagerPrivate::isDataMode() const
{
    return m_shareMode == NfcShareMode::Data || m_shareMode == NfcShareMode::DataTagWrite ||
           m_shareMode == NfcShareMode::DataSnep;
}

void NfcShareManagerPrivate::setShareMode(NfcShareMode::Type mode,
                                          NfcShareStartTransferMode::Type transferMode,
                                          const QList<NfcShareHandoverTransport::Type> &transports)
{
    if (!m_initialised) {
        qCWarning(lcNfc) << "Failed to subscribe to NFC XRV events";
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    if (!startAction(mode == NfcShareMode::Disabled ? ShareStateMachine::DisableSharing
                                                    : ShareStateMachine::EnableSharing)) {
        Q_EMIT q->error(NfcShareError::TransferInProgress);
        return;
    }
    if (transferMode == NfcShareStartTransferMode::OnDemand && mode != NfcShareMode::File) {
        qCWarning(lcNfc) << "onDemand startTransferMode is not supported for 'Data' mode";
        m_stateMachine->cancelAction();
        Q_EMIT q->error(NfcShareError::UnsupportedShareMode);
        return;
    }
    if (mode == m_shareMode) {
        m_stateMachine->cancelAction();
        // A peer held on demand would otherwise stay held on tap, where nothing can send to it
        // or drop it and every later tap is refused.
        if (m_startTransferMode == NfcShareStartTransferMode::OnDemand &&
            transferMode == NfcShareStartTransferMode::OnTap &&
            m_stateMachine->state() == ShareStateMachine::TargetAcquired)
            clearHeldTarget();
        m_startTransferMode = transferMode;
        return;
    }
    switch (mode) {
    case NfcShareMode::Disabled:
        disableSharing();
        m_stateMachine->commitAction();
        m_shareMode = NfcShareMode::Disabled;
        Q_EMIT q->shareModeChanged(NfcShareMode::Disabled);
        return;
    case NfcShareMode::Data:
    case NfcShareMode::File:
    case NfcShareMode::DataTagWrite:
    case NfcShareMode::DataSnep:
        break;
    default:
        qCWarning(lcNfc) << "Unsupported nfc share method:" << int(mode);
        m_stateMachine->cancelAction();
        return;
    }

    disableSharing();
    m_content.reset();
    m_startTransferMode = NfcShareStartTransferMode::OnTap;
    if (!registerSharing(mode, transports)) {
        // The earlier registrations are gone: the mode in force is Disabled, so that asking for
        // the same mode again registers afresh instead of being taken as already in force.
        m_stateMachine->cancelAction();
        if (startAction(ShareStateMachine::DisableSharing))
            m_stateMachine->commitAction();
        const bool changed = m_shareMode != NfcShareMode::Disabled;
        m_shareMode = NfcShareMode::Disabled;
        Q_EMIT q->error(mode == NfcShareMode::File ? NfcShareError::RegisterFileSharing
                                                   : NfcShareError::RegisterDataSharing);
        if (changed)
            Q_EMIT q->shareModeChanged(NfcShareMode::Disabled);
        return;
    }
    m_startTransferMode = transferMode;
    m_stateMachine->commitAction();
    m_shareMode = mode;
    Q_EMIT q->shareModeChanged(mode);
}

bool NfcShareManagerPrivate::registerSharing(
    NfcShareMode::Type mode, const QList<NfcShareHandoverTransport::Type> &transports)
{
    switch (mode) {
    case NfcShareMode::File:
        m_defaultTransports = transports.isEmpty();
        return m_connector->registerHandoverListener(
            m_defaultTransports
                ? QList<NfcShareHandoverTransport::Type>{NfcShareHandoverTransport::Bluetooth,
                                                         NfcShareHandoverTransport::WiFiDirect}
                : transports);
    case NfcShareMode::Data: {
        const bool snep = m_connector->registerSnepDetection();
        const bool tags = m_connector->registerTagDetection();
        return snep || tags;
    }
    case NfcShareMode::DataTagWrite:
        return m_connector->registerTagDetection();
    case NfcShareMode::DataSnep:
        return m_connector->registerSnepDetection();
    case NfcShareMode::Disabled:
        break;
    }
    return true;
}

void NfcShareManagerPrivate::disableSharing()
{
    switch (m_shareMode) {
    case NfcShareMode::Data:
        m_connector->unregisterSnepDetection();
        m_connector->unregisterTagDetection();
        break;
    case NfcShareMode::DataSnep:
        m_connector->unregisterSnepDetection();
        break;
    case NfcShareMode::DataTagWrite:
        m_connector->unregisterTagDetection();
        break;
    case NfcShareMode::File:
        m_connector->unregisterHandoverListener();
        m_fileTransferManager->clearTransferTarget();
        break;
    case NfcShareMode::Disabled:
        break;
    }
}

template<typename Content>
NfcShareSetContentError::Type
NfcShareManagerPrivate::setContent(const Content &content, bool modeFits, const char *badState,
                                   const char *badMode)
{
    if (!startAction(ShareStateMachine::SetContent)) {
        qCWarning(lcNfc) << badState;
        return m_stateMachine->getLastSetContentError();
    }
    if (!modeFits) {
        qCWarning(lcNfc) << badMode;
        m_stateMachine->cancelAction();
        return NfcShareSetContentError::InvalidShareMode;
    }
    m_content = std::make_unique<NfcSharedContent>();
    const NfcShareSetContentError::Type result = m_content->setContent(content);
    if (result == NfcShareSetContentError::None)
        m_stateMachine->commitAction();
    else
        m_stateMachine->cancelAction();
    return result;
}

NfcShareSetContentError::Type
NfcShareManagerPrivate::setShareContent(const NfcShareDataContent &content)
{
    return setContent(content, isDataMode(), "Bad states in setDataShareContentImpl",
                      "Attempt to set DataShare Content when share mode is not 'Data'");
}

NfcShareSetContentError::Type
NfcShareManagerPrivate::setShareContent(const NfcShareFilesContent &content)
{
    return setContent(content, m_shareMode == NfcShareMode::File,
                      "Bad states in setFileShareContentImpl",
                      "Attempt to set FileShare Content when share mode is not 'File'");
}

void NfcShareManagerPrivate::snepData(nfc_target_t *target)
{
    dataTap(target, s_snepTap);
}

void NfcShareManagerPrivate::writeData(nfc_target_t *target)
{
    dataTap(target, s_tagTap);
}

void NfcShareManagerPrivate::dataTap(nfc_target_t *target, const DataTap &tap)
{
    if (!target) {
        qCWarning(lcNfc) << tap.nullTarget;
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    if (!isDataMode()) {
        qCWarning(lcNfc) << tap.wrongMode;
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    if (!startAction(ShareStateMachine::AcquireTarget)) {
        qCWarning(lcNfc) << tap.ignored;
        return;
    }
    // Data modes are always on tap (setShareMode refuses on demand for them): the target is
    // used at once and not kept beyond this event.
    DataTransferTarget wrapper;
    if (!wrapper.setNfcTarget(target)) {
        m_stateMachine->cancelAction();
        qCWarning(lcNfc) << tap.noWrapper;
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    m_stateMachine->commitAction();
    (this->*tap.transfer)(wrapper);
}

// Starts the transfer of the message of \a tap; null (with the error emitted) when there is none.
nfc_ndef_message_t *NfcShareManagerPrivate::messageToSend(const DataTap &tap)
{
    if (!startAction(ShareStateMachine::StartTransfer)) {
        qCWarning(lcNfc) << "startTransfer() call is ignored when transfer is started";
        Q_EMIT q->error(NfcShareError::NoTransferTarget);
        return nullptr;
    }
    nfc_ndef_message_t *message = m_content ? m_content->getNDEFMessage() : nullptr;
    if (!message) {
        qCWarning(lcNfc) << (m_content ? tap.noMessage : tap.noContent);
        m_stateMachine->cancelAction();
        Q_EMIT q->error(NfcShareError::NoContentToShare);
        return nullptr;
    }
    m_stateMachine->commitAction();
    return message;
}

void NfcShareManagerPrivate::pushNdefMessage(const DataTransferTarget &target)
{
    qCDebug(lcNfc) << "Starting pushNdefMessage";
    nfc_ndef_message_t *message = messageToSend(s_snepTap);
    if (!message)
        return;
    if (m_connector->pushNDEFMessage(target.getNfcTarget(), message)) {
        // The outcome arrives as an NFC event, which completes the transfer.
        qCDebug(lcNfc) << "ndef msg was pushed, waiting for async confirm";
        return;
    }
    qCWarning(lcNfc) << "Failed to push NDEF Message";
    completeTransfer();
    Q_EMIT q->error(NfcShareError::Unknown);
}

void NfcShareManagerPrivate::writeNdefMessage(const DataTransferTarget &target)
{
    nfc_ndef_message_t *message = messageToSend(s_tagTap);
    if (!message)
        return;
    const int result = m_connector->writeNDEFMessage(target.getNfcTarget(), message);
    if (result == NFC_RESULT_SUCCESS) {
        qCDebug(lcNfc) << "Successfully wrote NDEF Message to tag";
        completeTransfer();
        Q_EMIT q->finished(NfcShareSuccess::TagWrite);
        return;
    }
    qCWarning(lcNfc) << "writeNDEFMessage has failed. Error: " << result;
    completeTransfer();
    Q_EMIT q->error(tagWriteError(result));
}

void NfcShareManagerPrivate::completeTransfer()
{
    if (!startAction(ShareStateMachine::CompleteTransfer)) {
        qCWarning(lcNfc) << "ActionCompleteTransfer is not allowed";
        return;
    }
    m_stateMachine->commitAction();
}

void NfcShareManagerPrivate::nfcShareFailed(NfcShareError::Type error)
{
    Q_EMIT q->error(error);
}

void NfcShareManagerPrivate::nfcShareTransferFailed(NfcShareError::Type error)
{
    completeTransfer();
    Q_EMIT q->error(error);
}

void NfcShareManagerPrivate::nfcShareTransferSucceed(NfcShareSuccess::Type result)
{
    completeTransfer();
    Q_EMIT q->finished(result);
}

void NfcShareManagerPrivate::handoverDetected(nfc_target_t *target)
{
    if (!target) {
        qCWarning(lcNfc) << "Target is null in 'handoverDetected'";
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    qint64 payloadSize = 0;
    if (m_content)
        payloadSize = FileTransferManager::calculateSize(m_content->getFileUrls());
    else if (m_startTransferMode == NfcShareStartTransferMode::OnTap)
        qCWarning(lcNfc) << "_sharedContent is null - handoverDetected in OnTap mode";
    qCDebug(lcNfc) << "payload size:" << payloadSize;

    // Without an application's list the platform is told the order that suits the payload;
    // with one, the transports registered from that list apply.
    QList<NfcShareHandoverTransport::Type> offered;
    if (m_defaultTransports && payloadSize <= s_bluetoothFirstLimit)
        offered = {NfcShareHandoverTransport::Bluetooth, NfcShareHandoverTransport::WiFiDirect};
    else if (m_defaultTransports)
        offered = {NfcShareHandoverTransport::WiFiDirect, NfcShareHandoverTransport::Bluetooth};
    if (!m_connector->confirmHandover(target, offered)) {
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    qCDebug(lcNfc) << "'Confirm handover' was received";
}

void NfcShareManagerPrivate::prepareFileTransfer(nfc_target_t *target)
{
    if (!target) {
        qCWarning(lcNfc) << "Target is null in 'prepareFileTransfer'";
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    if (m_shareMode != NfcShareMode::File) {
        qCWarning(lcNfc) << "Unexpected share method in 'prepareFileTransfer'";
        Q_EMIT q->error(NfcShareError::Unknown);
        return;
    }
    if (!startAction(ShareStateMachine::AcquireTarget)) {
        qCWarning(lcNfc) << "Ignoring prepareFileTransfer(): target is already acquired and "
                            "transfer is in progress";
        Q_EMIT q->error(NfcShareError::TransferInProgress);
        return;
    }
    if (m_fileTransferManager->isPromptShown()) {
        m_stateMachine->cancelAction();
        qCWarning(lcNfc) << "Prompt to send is still shown for the previous tap - ignoring new "
                            "nfc_target_t";
        Q_EMIT q->error(NfcShareError::TransferInProgress);
        return;
    }
    if (!m_fileTransferManager->setRemoteTarget(target)) {
        m_stateMachine->cancelAction();
        qCWarning(lcNfc) << "Failed to set Remote Target (prepareFileTransfer)";
        Q_EMIT q->error(NfcShareError::HandoverFailed);
        return;
    }
    m_stateMachine->commitAction();
    if (m_startTransferMode == NfcShareStartTransferMode::OnTap)
        sendFiles();
    else
        Q_EMIT q->targetAcquired();
}

void NfcShareManagerPrivate::sendFiles()
{
    if (!startAction(ShareStateMachine::StartTransfer)) {
        qCWarning(lcNfc) << "sendFiles() call is ignored when transfer is started";
        Q_EMIT q->error(NfcShareError::NoTransferTarget);
        return;
    }
    if (!m_fileTransferManager->isRemoteTargetAvailable()) {
        m_stateMachine->cancelAction();
        qCWarning(lcNfc) << "TransferTarget is not ready'";
        Q_EMIT q->error(NfcShareError::NoTransferTarget);
        return;
    }
    if (!m_content) {
        m_stateMachine->cancelAction();
        qCWarning(lcNfc) << "sharedContent is null for sendFiles";
        Q_EMIT q->error(NfcShareError::NoContentToShare);
        return;
    }
    m_fileTransferManager->setPayload(m_content->getFileUrls());
    // On demand the peer stays held after this transfer, for the next startTransfer().
    m_fileTransferManager->setTargetHeld(m_startTransferMode ==
                                         NfcShareStartTransferMode::OnDemand);
    m_stateMachine->commitAction();
    if (m_ignorePromptSetting || !m_connector->getNfcSettingPromptToSend())
        fileTransferConfirmed();
    else
        m_fileTransferManager->showPromptToSendDialog();
}

void NfcShareManagerPrivate::fileTransferConfirmed()
{
    qCDebug(lcNfc) << "NfcShareManagerPrivate::fileTransferConfirmed()";
    NfcShareError::Type error = NfcShareError::Unknown;
    const bool sent = m_fileTransferManager->startFileTransfer(error);
    if (!sent)
        qCWarning(lcNfc) << "FileTransferManager::sendFiles failed:" << int(error);
    completeTransfer();
    if (sent)
        Q_EMIT q->finished(NfcShareSuccess::File);
    else
        Q_EMIT q->error(error);
}

void NfcShareManagerPrivate::fileTransferCancelled(bool byUser)
{
    qCDebug(lcNfc) << "NfcShareManagerPrivate::fileTransferCancelled() - File transfer was "
                      "cancelled (not confirmed) by user";
    NfcShareError::Type error = NfcShareError::Unknown;
    m_fileTransferManager->cancelFileTransfer(byUser, error);
    completeTransfer();
    Q_EMIT q->error(error);
}

void NfcShareManagerPrivate::startTransfer()
{
    if (m_startTransferMode == NfcShareStartTransferMode::OnTap) {
        qCWarning(lcNfc) << "startTransfer() call is ignored when 'Transfer on Tap' mode is on";
        Q_EMIT q->error(NfcShareError::TransferInProgress);
    } else if (m_shareMode == NfcShareMode::File) {
        sendFiles();
    } else {
        qCWarning(lcNfc) << "onDemand startTransferMode is not supported for 'Data' mode "
                            "(startTransferImpl)";
        Q_EMIT q->error(NfcShareError::UnsupportedShareMode);
    }
}

// Drops the peer held on demand.
void NfcShareManagerPrivate::clearHeldTarget()
{
    if (!startAction(ShareStateMachine::ClearTarget)) {
        qCWarning(lcNfc) << "clearStartTransfer() call is ignored when transfer is started";
        Q_EMIT q->error(NfcShareError::TransferInProgress);
        return;
    }
    m_fileTransferManager->clearTransferTarget();
    m_stateMachine->commitAction();
    Q_EMIT q->targetCancelled();
}

void NfcShareManagerPrivate::cancelTarget()
{
    if (m_startTransferMode == NfcShareStartTransferMode::OnTap) {
        qCWarning(lcNfc) << "cancelTransfer() call is ignored when 'Transfer on Tap' mode is on";
    } else if (m_shareMode == NfcShareMode::File) {
        clearHeldTarget();
    } else {
        qCWarning(lcNfc) << "onDemand clearTarget is not supported for 'Data' mode "
                            "(clearTargetImpl)";
        Q_EMIT q->error(NfcShareError::UnsupportedShareMode);
    }
}

void NfcShareManagerPrivate::reset()
{
    if (!startAction(ShareStateMachine::Reset)) {
        Q_EMIT q->error(NfcShareError::TransferInProgress);
        return;
    }
    disableSharing();
    m_content.reset();
    m_startTransferMode = NfcShareStartTransferMode::OnTap;
    m_stateMachine->commitAction();
    m_shareMode = NfcShareMode::Disabled;
    Q_EMIT q->shareModeChanged(NfcShareMode::Disabled);
}

// ---- NfcShareManager ---------------------------------------------------------------------------

NfcShareManager::NfcShareManager(QObject *parent)
    : QObject(parent)
    , d(std::make_unique<NfcShareManagerPrivate>(this))
{}

NfcShareManager::~NfcShareManager() = default;

NfcShareMode::Type NfcShareManager::shareMode() const
{
    return d->shareMode();
}

NfcShareSetContentError::Type NfcShareManager::setShareContent(const NfcShareDataContent &content)
{
    return d->setShareContent(content);
}

NfcShareSetContentError::Type NfcShareManager::setShareContent(const NfcShareFilesContent &content)
{
    return d->setShareContent(content);
}

void NfcShareManager::setShareMode(NfcShareMode::Type mode)
{
    setShareMode(mode, NfcShareStartTransferMode::OnTap);
}

void NfcShareManager::setShareMode(NfcShareMode::Type mode,
                                   NfcShareStartTransferMode::Type transferMode)
{
    setShareMode(mode, transferMode, {});
}

void NfcShareManager::setShareMode(NfcShareMode::Type mode,
                                   NfcShareStartTransferMode::Type transferMode,
                                   const QList<NfcShareHandoverTransport::Type> &transports)
{
    d->setShareMode(mode, transferMode, transports);
}

void NfcShareManager::startTransfer()
{
    d->startTransfer();
}

void NfcShareManager::cancelTarget()
{
    d->cancelTarget();
}

void NfcShareManager::reset()
{
    d->reset();
}

void _ignorePromptSendFilesSetting(NfcShareManager *manager, bool ignore)
{
    if (manager)
        manager->d->setIgnorePromptSetting(ignore);
}

} // namespace qz::system
