/*
 * Not API. NDEF messages as values: the exact NFC Forum byte layout both ways, the well-known
 * text and URI records, media records and the hand-over carrier records. The nfc_* functions are
 * built on it; exported for the emulator and the tools, which build and print messages with it.
 */
#ifndef NFC_NDEF_P_H
#define NFC_NDEF_P_H

#include <qz/qzplatform_export.h>

#include <QByteArray>
#include <QList>
#include <QString>

namespace qz::platform::ndef {

/*! One logical record; a chunk sequence read from bytes is one record. */
struct Record
{
    quint8 tnf = 0; // an nfc_tnf_t below NFC_TNF_UNCHANGED
    QByteArray type;
    QByteArray id;
    QByteArray payload;

    bool operator==(const Record &other) const
    {
        return tnf == other.tnf && type == other.type && id == other.id && payload == other.payload;
    }
    bool operator!=(const Record &other) const { return !(*this == other); }
};

using Message = QList<Record>;

/*! Why \a record cannot be encoded (a TNF out of range or "unchanged", a type or ID longer than
    255 bytes, an empty record with content, an unknown record with a type); empty when it can. */
QZPLATFORM_EXPORT QString recordProblem(const Record &record);

/*!
    The bytes of \a message: MB on the first record, ME on the last, short records (SR) for
    payloads under 256 bytes, IL only with an ID, never chunked. A message without records encodes
    as one empty record. Every record must be free of recordProblem(); one that is not is encoded
    as an empty record rather than as bytes no parser accepts.
*/
QZPLATFORM_EXPORT QByteArray encode(const Message &message);

/*!
    Parses \a bytes as exactly one NDEF message. On success fills \a message (at least one
    record) and returns true; otherwise returns false, leaves \a message alone and says in
    \a error what is wrong and where. Never reads outside \a bytes.
*/
QZPLATFORM_EXPORT bool parse(const QByteArray &bytes, Message *message, QString *error = nullptr);

/*! What a content reader found. */
enum class Content { Ok, OtherKind, Malformed };

QZPLATFORM_EXPORT Record textRecord(const QByteArray &utf8, const QByteArray &language);
/*! The longest matching prefix of the NFC Forum URI abbreviation table becomes its code. */
QZPLATFORM_EXPORT Record uriRecord(const QByteArray &uri);
QZPLATFORM_EXPORT Record mediaRecord(const QByteArray &mimeType, const QByteArray &payload);

/*! Text records: UTF-8 or UTF-16 (with or without byte order mark; big-endian without). */
QZPLATFORM_EXPORT Content readText(const Record &record, QString *text, QByteArray *language);
/*! URI records, prefix expanded; an unknown prefix code is Malformed. */
QZPLATFORM_EXPORT Content readUri(const Record &record, QByteArray *uri);

/*!
    Hand-over carrier records (media records): Bluetooth out-of-band data (a two-byte
    little-endian length, then the device address least significant byte first) and Wi-Fi Direct
    (a WSC block and a P2P attribute block, each after a two-byte big-endian length; the address
    is the first six bytes of the P2P device-info attribute, id 13). \a address is the text form
    "AA:BB:CC:DD:EE:FF" (':' or '-' between the bytes, either case); false when it is not one.
*/
QZPLATFORM_EXPORT bool bluetoothCarrierRecord(const QByteArray &address, Record *record);
QZPLATFORM_EXPORT bool wifiDirectCarrierRecord(const QByteArray &address, Record *record);
/*! The transport (NFC_HANDOVER_TRANSPORT_*) and address text, upper case with ':'. */
QZPLATFORM_EXPORT Content readCarrier(const Record &record, int *transport, QByteArray *address);

} // namespace qz::platform::ndef

#endif
