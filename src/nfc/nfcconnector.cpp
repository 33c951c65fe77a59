#include "nfcconnector_p.h"

#include "nfclogging_p.h"

#include <QVarLengthArray>

#include <cstdlib>

namespace qz::system {

const QString NfcConnector::RECORD_MEDIA_TEXT_PLAIN = QStringLiteral("text/plain");
const QString NfcConnector::RECORD_MEDIA_TEXT_URI_LIST = QStringLiteral("text/URI-list");
const QString NfcConnector::RECORD_NDEF = QStringLiteral("application/vnd.ozk.nfc.ndef");

namespace {

const QString s_perimeterPersonal = QStringLiteral("personal");
const QString s_perimeterEnterprise = QStringLiteral("enterprise");

// Wi-Fi Direct may only be offered from inside a perimeter.
bool perimeterAllowsWiFiDirect(const QString &perimeter)
{
    return perimeter == s_perimeterPersonal || perimeter == s_perimeterEnterprise;
}

// Builds a message holding the one record that \a createRecord makes. Whatever fails, nothing is
// left over: a record that could not be added and a message that is not handed out are deleted.
template<typename CreateRecord>
bool buildOneRecordMessage(CreateRecord createRecord, nfc_ndef_message_t **message)
{
    *message = nullptr;
    nfc_ndef_message_t *built = nullptr;
    nfc_result_t rc = nfc_create_ndef_message(&built);
    if (rc != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "NFC_ERROR_CREATE_NDEF_MSG:" << int(rc);
        return false;
    }
    nfc_ndef_record_t *record = nullptr;
    rc = createRecord(&record);
    if (rc != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "NFC_ERROR_CREATE_NDEF_RECORD:" << int(rc);
        nfc_delete_ndef_message(built, true);
        return false;
    }
    rc = nfc_add_ndef_record(built, record);
    if (rc != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "NFC_ERROR_ADD_NDEF_RECORD:" << int(rc);
        nfc_delete_ndef_record(record);
        nfc_delete_ndef_message(built, true);
        return false;
    }
    *message = built;
    return true;
}

} // namespace

NfcConnector::NfcConnector() = default;
NfcConnector::~NfcConnector() = default;

bool NfcConnector::registerSnepDetection()
{
    const nfc_result_t rc = nfc_register_snep_client();
    if (rc != NFC_RESULT_SUCCESS)
        qCWarning(lcNfc) << "registerSnepDetection. Error: " << int(rc);
    return rc == NFC_RESULT_SUCCESS;
}

bool NfcConnector::unregisterSnepDetection()
{
    const nfc_result_t rc = nfc_unregister_snep_client();
    if (rc != NFC_RESULT_SUCCESS)
        qCWarning(lcNfc) << "unregisterSnepDetection. Error: " << int(rc);
    return rc == NFC_RESULT_SUCCESS;
}

bool NfcConnector::registerTagDetection()
{
    const nfc_result_t rc = nfc_register_tag_readerwriter(NFC_TAG_TYPE_NDEF);
    if (rc != NFC_RESULT_SUCCESS)
        qCWarning(lcNfc) << "registerTagDetection. Error: " << int(rc);
    return rc == NFC_RESULT_SUCCESS;
}

bool NfcConnector::unregisterTagDetection()
{
    const nfc_result_t rc = nfc_unregister_tag_readerwriter();
    if (rc != NFC_RESULT_SUCCESS)
        qCWarning(lcNfc) << "unregisterTagDetection. Error: " << int(rc);
    return rc == NFC_RESULT_SUCCESS;
}

bool NfcConnector::registerHandoverListener(
    const QList<NfcShareHandoverTransport::Type> &transports)
{
    bool registered = false;
    bool perimeterRead = false;
    QString perimeter;
    for (const NfcShareHandoverTransport::Type transport : transports) {
        int rc = -1;
        switch (transport) {
        case NfcShareHandoverTransport::Bluetooth:
            rc = nfc_register_handover_listener(NFC_HANDOVER_TRANSPORT_BLUETOOTH);
            break;
        case NfcShareHandoverTransport::WiFiDirect:
            if (!perimeterRead) {
                perimeter = qEnvironmentVariable("PERIMETER");
                perimeterRead = true;
                qCDebug(lcNfc) << "[NSL-registerHandoverListener]: my perimeter is " << perimeter;
            }
            if (!perimeterAllowsWiFiDirect(perimeter)) {
                // Skipped, not fatal: the other transports of the list are still registered,
                // and the result says whether any was.
                qCWarning(lcNfc) << "NfcConnector::registerHandoverListener error - cannot handle "
                                    "perimeter type "
                                 << perimeter;
                continue;
            }
            rc = nfc_register_handover_listener(NFC_HANDOVER_TRANSPORT_WIFI_DIRECT);
            break;
        default:
            qCWarning(lcNfc) << "Unexpected handover transport " << int(transport);
            break;
        }
        if (rc == NFC_RESULT_SUCCESS) {
            qCDebug(lcNfc) << "Registered NFC handover transport: " << int(transport);
            registered = true;
        } else {
            qCWarning(lcNfc) << "Failed to register handover listener for transport: "
                             << int(transport);
        }
    }
    return registered;
}

bool NfcConnector::unregisterHandoverListener()
{
    const nfc_result_t rc = nfc_unregister_handover_listener();
    if (rc != NFC_RESULT_SUCCESS)
        qCWarning(lcNfc) << "Failed to nfc_unregister_handover_listener. Error:" << int(rc);
    return rc == NFC_RESULT_SUCCESS;
}

bool NfcConnector::confirmHandover(nfc_target_t *target,
                                   const QList<NfcShareHandoverTransport::Type> &transports)
{
    if (!target)
        return false;

    nfc_result_t rc;
    if (transports.isEmpty()) {
        rc = nfc_confirm_handover_process(target, true);
        qCDebug(lcNfc) << "Using registered handover transports";
    } else {
        const QString perimeter = qEnvironmentVariable("PERIMETER");
        QVarLengthArray<nfc_handover_transport_t, 2> codes;
        for (const NfcShareHandoverTransport::Type transport : transports) {
            switch (transport) {
            case NfcShareHandoverTransport::Bluetooth:
                codes.append(NFC_HANDOVER_TRANSPORT_BLUETOOTH);
                break;
            case NfcShareHandoverTransport::WiFiDirect:
                if (perimeterAllowsWiFiDirect(perimeter)) {
                    codes.append(NFC_HANDOVER_TRANSPORT_WIFI_DIRECT);
                } else {
                    qCWarning(lcNfc)
                        << "NfcConnector::confirmHandover error - cannot handle perimeter type "
                        << perimeter;
                }
                break;
            default:
                qCWarning(lcNfc) << "NfcConnector::confirmHandover - Unexpected handover transport "
                                    "handover transport "
                                 << int(transport);
                break;
            }
        }
        for (qsizetype i = 0; i < codes.size(); ++i)
            qCDebug(lcNfc) << "Handover Record " << i << ": Detected transport " << int(codes[i]);
        rc = nfc_confirm_handover_process_with_transports(
            target, codes.isEmpty() ? nullptr : codes.constData(), unsigned(codes.size()));
        qCDebug(lcNfc) << "Overwriting registered handover transports (smart transport adjustment)";
    }
    if (rc != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "Failed to confirm handover. Error:" << int(rc);
        return false;
    }
    qCDebug(lcNfc) << "Handover confirmed";
    return true;
}

bool NfcConnector::getHandoverTargets(nfc_target_t *target, QList<NfcRemoteTarget> &out)
{
    out.clear();
    nfc_handover_role_t role = NFC_HANDOVER_ROLE_REQUESTER;
    nfc_get_handover_role(target, &role); // asked for, as the library expects; not needed here
    unsigned int messageCount = 0;
    nfc_result_t rc = nfc_get_ndef_message_count(target, &messageCount);
    if (rc != NFC_RESULT_SUCCESS || messageCount != 1) {
        qCWarning(lcNfc) << "Target doesn't contain proper Handover NDEF message. Error:"
                         << int(rc);
        return false;
    }
    nfc_ndef_message_t *message = nullptr;
    rc = nfc_get_ndef_message(target, 0, &message);
    if (rc != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "Failed to retrieve Handover NDEF Message from target. Error:"
                         << int(rc);
        return false;
    }
    unsigned int recordCount = 0;
    rc = nfc_get_ndef_record_count(message, &recordCount);
    if (rc != NFC_RESULT_SUCCESS || recordCount == 0) {
        qCWarning(lcNfc) << "Handover NDEF message doesn't have NDEF Records. Error:" << int(rc);
        return false;
    }

    for (unsigned int i = 0; i < recordCount; ++i) {
        NfcRemoteTarget remote;
        nfc_ndef_record_t *record = nullptr;
        rc = nfc_get_ndef_record(message, i, &record);
        if (rc != NFC_RESULT_SUCCESS) {
            qCWarning(lcNfc) << "Failed to retrieve Handover NDEF Record #" << i
                             << ". Error:" << int(rc);
            continue;
        }
        nfc_handover_transport_t transport;
        rc = nfc_get_handover_transport_type(record, &transport);
        if (rc != NFC_RESULT_SUCCESS || (transport != NFC_HANDOVER_TRANSPORT_BLUETOOTH &&
                                         transport != NFC_HANDOVER_TRANSPORT_WIFI_DIRECT)) {
            qCWarning(lcNfc) << "Target NDEF Record #" << i
                             << " doesn't contain Handover information. Error:" << int(rc);
            continue;
        }
        const bool bluetooth = transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH;
        char *address = nullptr;
        rc = bluetooth ? nfc_get_handover_bluetooth_mac_address(record, &address)
                       : nfc_get_handover_wifi_direct_mac_address(record, &address);
        if (rc == NFC_RESULT_SUCCESS && address) {
            remote.transport = int(transport);
            remote.macAddress.append(QString::fromUtf8(address));
            out.append(remote);
        } else {
            qCWarning(lcNfc) << "Target NDEF Record #" << i
                             << (bluetooth
                                     ? " doesn't contain Bluetooth Handover information. Error:"
                                     : " doesn't contain Wi-Fi Handover information. Error:")
                             << int(rc);
        }
        std::free(address);
    }
    return !out.isEmpty();
}

bool NfcConnector::pushNDEFMessage(nfc_target_t *target, nfc_ndef_message_t *message)
{
    if (!target || !message)
        return false;
    const nfc_result_t rc = nfc_push_ndef_message(target, message);
    if (rc != NFC_RESULT_SUCCESS) {
        qCDebug(lcNfc) << "Failed to push NDEF Message. Error:" << int(rc);
        return false;
    }
    qCDebug(lcNfc) << "Successfully pushed as NDEF Message";
    return true;
}

int NfcConnector::writeNDEFMessage(nfc_target_t *target, nfc_ndef_message_t *message)
{
    if (!target || !message)
        return 1;
    return nfc_write_ndef_message_to_tag(target, message, false);
}

bool NfcConnector::getNfcSettingPromptToSend()
{
    bool prompt = false;
    const nfc_result_t rc = nfc_get_setting(NFC_SETTING_PROMPT_TO_SEND_FILES, &prompt);
    if (rc != NFC_RESULT_SUCCESS)
        prompt = true;
    qCDebug(lcNfc) << "nfc_get_setting(prompt_files) - " << int(rc) << " - "
                   << (prompt ? "true" : "false");
    return prompt;
}

bool NfcConnector::createTextNDEFMessage(const QString &text, const QString &language,
                                         nfc_ndef_message_t **message)
{
    const QByteArray utf8Text = text.toUtf8();
    const QByteArray utf8Language = language.toUtf8();
    return buildOneRecordMessage(
        [&](nfc_ndef_record_t **record) {
            return nfc_create_text_record(utf8Text.constData(), utf8Language.constData(), record);
        },
        message);
}

bool NfcConnector::createUriNDEFMessage(const QString &uri, nfc_ndef_message_t **message)
{
    const QByteArray utf8Uri = uri.toUtf8();
    return buildOneRecordMessage(
        [&](nfc_ndef_record_t **record) {
            return nfc_create_uri_record(utf8Uri.constData(), record);
        },
        message);
}

bool NfcConnector::createNDEFMessage(nfc_tnf_t tnf, const QString &type, const QByteArray &payload,
                                     nfc_ndef_message_t **message)
{
    const QByteArray utf8Type = type.toUtf8();
    return buildOneRecordMessage(
        [&](nfc_ndef_record_t **record) {
            return nfc_create_ndef_record(tnf, utf8Type.constData(),
                                          reinterpret_cast<const uint8_t *>(payload.constData()),
                                          size_t(payload.size()), nullptr, record);
        },
        message);
}

bool NfcConnector::createNDEFMessage(const QByteArray &bytes, nfc_ndef_message_t **message)
{
    *message = nullptr;
    const nfc_result_t rc = nfc_create_ndef_message_from_bytes(
        reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()), message);
    if (rc != NFC_RESULT_SUCCESS) {
        qCWarning(lcNfc) << "create ndef message from bytes failed, ret=" << int(rc)
                         << ", msg size=" << bytes.size();
        if (*message) {
            nfc_delete_ndef_message(*message, true);
            *message = nullptr;
        }
        return false;
    }
    return true;
}

} // namespace qz::system
