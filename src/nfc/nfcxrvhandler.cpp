#include "nfcxrvhandler_p.h"

#include "nfclogging_p.h"

#include <QThread>

namespace qz::system {

namespace {

const char s_ownerMissing[] = "NfcShareManagerPrivate is NULL";

bool isHandled(int code)
{
    switch (code) {
    case NFC_SNEP_CONNECTION_EVENT:
    case NFC_TAG_READWRITE_EVENT:
    case NFC_HANDOVER_DETECTED_EVENT:
    case NFC_HANDOVER_COMPLETE_EVENT:
    case NFC_OFF_EVENT:
    case NFC_ON_EVENT:
    case NFC_NDEF_PUSH_SUCCEED_EVENT:
    case NFC_NDEF_PUSH_FAILURE_MSG_OVER_SIZE_EVENT:
    case NFC_NDEF_PUSH_FAILURE_REJECTED_EVENT:
    case NFC_NDEF_PUSH_FAILURE_IO_ERROR_EVENT:
    case NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT:
    case NFC_TARGET_LOST_EVENT:
        return true;
    default:
        return false;
    }
}

// The target an event carries, destroyed when the event has been handled: the owner never keeps
// the handle beyond its call.
class EventTarget
{
public:
    nfc_result_t fetch(nfc_event_t *event) { return nfc_get_target(event, &m_target); }
    nfc_target_t *get() const { return m_target; }

    ~EventTarget()
    {
        if (!m_target)
            return;
        qCDebug(lcNfc) << "destroying NFC target" << static_cast<void *>(m_target)
                       << " Thread:" << QThread::currentThreadId();
        const nfc_result_t rc = nfc_destroy_target(m_target);
        qCDebug(lcNfc) << "NFC target destroyed=" << int(rc);
    }

private:
    nfc_target_t *m_target = nullptr;
};

} // namespace

NfcXrvHandlerOwner::~NfcXrvHandlerOwner() = default;

NfcXrvHandler::NfcXrvHandler(NfcXrvHandlerOwner *owner)
    : m_owner(owner)
{
    if (!m_owner)
        qCWarning(lcNfc) << s_ownerMissing;
}

NfcXrvHandler::~NfcXrvHandler()
{
    if (!m_subscribed)
        return;
    nfc_stop_events();
    unsubscribe(nfc_get_domain());
    xrv_shutdown();
    m_subscribed = false;
}

bool NfcXrvHandler::init()
{
    if (!m_owner) {
        qCWarning(lcNfc) << s_ownerMissing;
        return false;
    }
    if (m_subscribed) {
        qCWarning(lcNfc) << "Attempting to establish duplicate subscription to NFC XRV events.";
        return false;
    }
    int rc = xrv_initialize();
    if (rc != 0) {
        // A refused initialisation holds no reference, so there is none to give back: shutting
        // down here would drop a reference of another user of the event service.
        qCWarning(lcNfc) << "Failed to initialize XRV. Error: " << rc;
        m_subscribed = false;
        return false;
    }
    const int domain = nfc_get_domain();
    subscribe(domain);
    rc = nfc_request_events(0);
    if (rc != 0) {
        qCWarning(lcNfc) << "Failed to subscribe to NFC XRV events. Error: " << rc;
        unsubscribe(domain);
        xrv_shutdown();
        m_subscribed = false;
        return false;
    }
    qCDebug(lcNfc) << "Registering XRVHandler";
    m_subscribed = true;
    return true;
}

void NfcXrvHandler::event(xrv_event_t *event)
{
    const int code = xrv_event_get_code(event);
    qCDebug(lcNfc) << "==Processing NFC xrv code " << code;
    nfc_event_t *nfcEvent = nullptr;
    const nfc_result_t eventResult = nfc_get_nfc_event(event, &nfcEvent);
    if (!m_owner) {
        qCWarning(lcNfc) << s_ownerMissing;
        return;
    }
    // A code this handler does not know is only logged, whether or not its event could be read:
    // it must not turn into an error of the share.
    if (!isHandled(code)) {
        qCWarning(lcNfc) << "Unsupported nfc event type received:" << code;
        return;
    }
    if (eventResult != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "Failed to retrieve NFC event from XRV";
        m_owner->nfcShareFailed(NfcShareError::Unknown);
        return;
    }

    EventTarget target;
    nfc_result_t rc;
    switch (code) {
    case NFC_SNEP_CONNECTION_EVENT:
        rc = target.fetch(nfcEvent);
        if (rc == NFC_RESULT_SUCCESS) {
            m_owner->snepData(target.get());
        } else {
            qCWarning(lcNfc) << "Failed to retrieve target in for 'NFC_SNEP_CONNECTION_EVENT': "
                             << int(rc);
            m_owner->nfcShareFailed(NfcShareError::Unknown);
        }
        break;
    case NFC_TAG_READWRITE_EVENT:
        rc = target.fetch(nfcEvent);
        if (rc == NFC_RESULT_SUCCESS) {
            m_owner->writeData(target.get());
        } else {
            qCWarning(lcNfc) << "Failed to retrieve target in for 'NFC_TAG_READWRITE_EVENT': "
                             << int(rc);
            m_owner->nfcShareFailed(NfcShareError::Unknown);
        }
        break;
    case NFC_HANDOVER_DETECTED_EVENT:
        rc = target.fetch(nfcEvent);
        qCDebug(lcNfc) << "get handover detected target ret=" << int(rc);
        if (rc == NFC_RESULT_SUCCESS) {
            m_owner->handoverDetected(target.get());
        } else {
            qCWarning(lcNfc) << "Failed to retrieve target in for 'NFC_HANDOVER_DETECTED_EVENT'";
            m_owner->nfcShareFailed(NfcShareError::Unknown);
        }
        break;
    case NFC_HANDOVER_COMPLETE_EVENT:
        rc = target.fetch(nfcEvent);
        if (rc == NFC_RESULT_SUCCESS) {
            m_owner->prepareFileTransfer(target.get());
        } else {
            qCWarning(lcNfc) << "Failed to retrieve target in for 'NFC_HANDOVER_COMPLETE_EVENT': "
                             << int(rc);
            m_owner->nfcShareFailed(NfcShareError::Unknown);
        }
        break;
    case NFC_OFF_EVENT:
        qCDebug(lcNfc) << "NFC is Off";
        break;
    case NFC_ON_EVENT:
        qCDebug(lcNfc) << "NFC is ON";
        break;
    case NFC_NDEF_PUSH_SUCCEED_EVENT:
        qCDebug(lcNfc) << "NFC_NDEF_PUSH_SUCCEED_EVENT";
        m_owner->nfcShareTransferSucceed(NfcShareSuccess::Snep);
        break;
    case NFC_NDEF_PUSH_FAILURE_MSG_OVER_SIZE_EVENT:
        qCWarning(lcNfc) << "SNEP Failed - MSG_OVER_SIZE";
        m_owner->nfcShareTransferFailed(NfcShareError::MessageSize);
        break;
    case NFC_NDEF_PUSH_FAILURE_REJECTED_EVENT:
        qCWarning(lcNfc) << "SNEP Failed - SNEP Rejected";
        m_owner->nfcShareTransferFailed(NfcShareError::DataTransferFailed);
        break;
    case NFC_NDEF_PUSH_FAILURE_IO_ERROR_EVENT:
        qCWarning(lcNfc) << "SNEP Failed - IO Error ";
        m_owner->nfcShareTransferFailed(NfcShareError::DataTransferFailed);
        break;
    case NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT:
        qCWarning(lcNfc) << "Failed to retrieve transport in for "
                            "'NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT'";
        m_owner->nfcShareFailed(NfcShareError::HandoverFailed);
        break;
    case NFC_TARGET_LOST_EVENT:
        qCWarning(lcNfc) << "NFC_TARGET_LOST_EVENT";
        m_owner->nfcShareTransferFailed(NfcShareError::DataTransferFailed);
        break;
    }
}

} // namespace qz::system
