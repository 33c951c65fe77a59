/*
 * Not API. The NFC library's operations that NFC sharing needs, and the builders of the NDEF
 * messages it shares.
 */
#ifndef QZ_SYSTEM_NFCCONNECTOR_P_H
#define QZ_SYSTEM_NFCCONNECTOR_P_H

#include "nfcremotetarget_p.h"

#include <qz/system/nfcshareenums.h>

#include <nfc/nfc.h>

#include <QByteArray>
#include <QList>
#include <QString>

namespace qz::system {

/*!
    Stateless: every operation is a call into the NFC library, true on success; failures are
    logged with the library's result. The environment variable "PERIMETER" ("personal" or
    "enterprise") decides whether Wi-Fi Direct may be offered.
*/
class NfcConnector
{
public:
    static const QString RECORD_MEDIA_TEXT_PLAIN;
    static const QString RECORD_MEDIA_TEXT_URI_LIST;
    static const QString RECORD_NDEF;

    NfcConnector();
    virtual ~NfcConnector();

    bool registerSnepDetection();
    bool unregisterSnepDetection();
    bool registerTagDetection();
    bool unregisterTagDetection();

    /*! Registers a hand-over listener per transport, in order; Wi-Fi Direct only inside a
        perimeter. True when at least one was registered. */
    bool registerHandoverListener(const QList<NfcShareHandoverTransport::Type> &transports);
    bool unregisterHandoverListener();
    /*! Confirms the hand-over of \a target with the registered transports (\a transports empty)
        or with exactly those of \a transports that may be offered, in their order. */
    bool confirmHandover(nfc_target_t *target,
                         const QList<NfcShareHandoverTransport::Type> &transports);
    /*! The peers that the hand-over message of \a target offers, in record order; true when
        there is at least one. Reads \a target only during the call. */
    bool getHandoverTargets(nfc_target_t *target, QList<NfcRemoteTarget> &out);

    bool pushNDEFMessage(nfc_target_t *target, nfc_ndef_message_t *message);
    /*! The library's result (0 on success); 1 for a null target or message. */
    int writeNDEFMessage(nfc_target_t *target, nfc_ndef_message_t *message);
    /*! Whether the user wants to be asked before files are sent. When the setting cannot be
        read, true: asking once too often is better than sending unasked. */
    bool getNfcSettingPromptToSend();

    // Builders of one-record messages, and of a message from whole NDEF bytes. On success
    // *message is new and owned by the caller; on failure it is null and nothing is left over.
    static bool createTextNDEFMessage(const QString &text, const QString &language,
                                      nfc_ndef_message_t **message);
    static bool createUriNDEFMessage(const QString &uri, nfc_ndef_message_t **message);
    static bool createNDEFMessage(nfc_tnf_t tnf, const QString &type, const QByteArray &payload,
                                  nfc_ndef_message_t **message);
    static bool createNDEFMessage(const QByteArray &bytes, nfc_ndef_message_t **message);

    NfcConnector(const NfcConnector &) = delete;
    NfcConnector &operator=(const NfcConnector &) = delete;
};

} // namespace qz::system

#endif
