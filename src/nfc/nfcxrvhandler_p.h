/*
 * Not API. Receives the events of the NFC domain and hands them, with the target they carry, to
 * the share manager.
 */
#ifndef QZ_SYSTEM_NFCXRVHANDLER_P_H
#define QZ_SYSTEM_NFCXRVHANDLER_P_H

#include <qz/system/nfcshareenums.h>

#include <qz/abstractxrveventhandler.h>

#include <nfc/nfc.h>

namespace qz::system {

/*!
    What the NFC event handler calls; the share manager's private object implements it. A target
    handed to one of these is valid only during the call and destroyed right after it: what is
    needed later must be copied out.
*/
class NfcXrvHandlerOwner
{
public:
    virtual ~NfcXrvHandlerOwner();

    virtual void snepData(nfc_target_t *target) = 0;
    virtual void writeData(nfc_target_t *target) = 0;
    virtual void handoverDetected(nfc_target_t *target) = 0;
    virtual void prepareFileTransfer(nfc_target_t *target) = 0;
    virtual void nfcShareFailed(NfcShareError::Type error) = 0;
    virtual void nfcShareTransferFailed(NfcShareError::Type error) = 0;
    virtual void nfcShareTransferSucceed(NfcShareSuccess::Type result) = 0;
};

class NfcXrvHandler : public qz::AbstractXrvEventHandler
{
public:
    /*! \a owner is not owned; without one the handler stays unusable. */
    explicit NfcXrvHandler(NfcXrvHandlerOwner *owner);
    /*! Stops the NFC events and ends the subscription, if there is one. */
    ~NfcXrvHandler() override;

    /*! Subscribes to the NFC domain and asks for its events; false without an owner, when
        already subscribed, or when the event service refuses. */
    bool init();
    void event(xrv_event_t *event) override;

private:
    bool m_subscribed = false;
    NfcXrvHandlerOwner *m_owner = nullptr;
};

} // namespace qz::system

#endif
