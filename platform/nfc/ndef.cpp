#include "ndef_p.h"

#include <nfc/nfc.h>

#include <QStringDecoder>

#include <algorithm>
#include <cctype>
#include <iterator>

namespace qz::platform::ndef {

namespace {

enum Flag : quint8 {
    MB = 0x80,
    ME = 0x40,
    CF = 0x20,
    SR = 0x10,
    IL = 0x08,
    TnfMask = 0x07,
};
constexpr quint8 TnfReserved = 7;

// The NFC Forum URI record abbreviations, indexed by their code.
const char *const UriPrefixes[] = {
    "",
    "http://www.",
    "https://www.",
    "http://",
    "https://",
    "tel:",
    "mailto:",
    "ftp://anonymous:anonymous@",
    "ftp://ftp.",
    "ftps://",
    "sftp://",
    "smb://",
    "nfs://",
    "ftp://",
    "dav://",
    "news:",
    "telnet://",
    "imap:",
    "rtsp://",
    "urn:",
    "pop:",
    "sip:",
    "sips:",
    "tftp:",
    "btspp://",
    "btl2cap://",
    "btgoep://",
    "tcpobex://",
    "irdaobex://",
    "file://",
    "urn:epc:id:",
    "urn:epc:tag:",
    "urn:epc:pat:",
    "urn:epc:raw:",
    "urn:epc:",
    "urn:nfc:",
};
constexpr int UriPrefixCount = int(std::size(UriPrefixes));
static_assert(UriPrefixCount == 0x24, "the abbreviation table has codes 0x00 to 0x23");

qsizetype prefixLength(int code)
{
    return qsizetype(std::char_traits<char>::length(UriPrefixes[code]));
}

const QByteArray TextType = QByteArrayLiteral("T");
const QByteArray UriType = QByteArrayLiteral("U");
const QByteArray BluetoothType = QByteArrayLiteral(NFC_HANDOVER_BLUETOOTH_TYPE);
const QByteArray WifiDirectType = QByteArrayLiteral(NFC_HANDOVER_WIFI_DIRECT_TYPE);

constexpr quint8 P2pDeviceInfo = 13;
constexpr int AddressSize = 6;

bool isWellKnown(const Record &record, const QByteArray &type)
{
    return record.tnf == NFC_TNF_WELL_KNOWN && record.type == type;
}

bool setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

// Bytes read from a buffer whose end is always checked first.
class Reader
{
public:
    explicit Reader(const QByteArray &bytes)
        : m_bytes(bytes)
    {}
    qsizetype position() const { return m_pos; }
    qsizetype left() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos == m_bytes.size(); }
    quint8 byte() { return quint8(m_bytes.at(m_pos++)); }
    QByteArray take(qsizetype n)
    {
        // A copy of its own: the bytes read may be borrowed (QByteArray::fromRawData).
        const QByteArray out(m_bytes.constData() + m_pos, n);
        m_pos += n;
        return out;
    }

private:
    const QByteArray &m_bytes;
    qsizetype m_pos = 0;
};

void appendBigEndian32(QByteArray *out, quint32 value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out->append(char((value >> shift) & 0xff));
}

bool parseAddress(const QByteArray &text, QByteArray *address)
{
    if (text.size() != 3 * AddressSize - 1)
        return false;
    QByteArray bytes;
    for (int i = 0; i < AddressSize; ++i) {
        const qsizetype at = 3 * i;
        if (i > 0 && text.at(at - 1) != ':' && text.at(at - 1) != '-')
            return false;
        bool ok = false;
        const QByteArray pair = text.mid(at, 2);
        if (!std::isxdigit(static_cast<unsigned char>(pair.at(0))) ||
            !std::isxdigit(static_cast<unsigned char>(pair.at(1))))
            return false;
        bytes.append(char(pair.toUInt(&ok, 16)));
    }
    *address = bytes;
    return true;
}

QByteArray addressText(const QByteArray &address)
{
    return address.toHex(':').toUpper();
}

QByteArray reversed(const QByteArray &bytes)
{
    QByteArray out = bytes;
    std::reverse(out.begin(), out.end());
    return out;
}

Content readBluetooth(const QByteArray &payload, QByteArray *address)
{
    if (payload.size() < 2 + AddressSize)
        return Content::Malformed;
    const int length = quint8(payload.at(0)) | (quint8(payload.at(1)) << 8);
    if (length < 2 + AddressSize || length > payload.size())
        return Content::Malformed;
    *address = addressText(reversed(payload.mid(2, AddressSize)));
    return Content::Ok;
}

Content readWifiDirect(const QByteArray &payload, QByteArray *address)
{
    auto bigEndian16 = [&payload](qsizetype at) {
        return (quint8(payload.at(at)) << 8) | quint8(payload.at(at + 1));
    };
    if (payload.size() < 2)
        return Content::Malformed;
    const qsizetype p2pAt = 2 + qsizetype(bigEndian16(0));
    if (p2pAt + 2 > payload.size())
        return Content::Malformed;
    qsizetype at = p2pAt + 2;
    const qsizetype end = at + bigEndian16(p2pAt);
    if (end > payload.size())
        return Content::Malformed;
    while (at + 3 <= end) {
        const quint8 id = quint8(payload.at(at));
        const qsizetype length = quint8(payload.at(at + 1)) | (quint8(payload.at(at + 2)) << 8);
        at += 3;
        if (at + length > end)
            return Content::Malformed;
        if (id == P2pDeviceInfo && length >= AddressSize) {
            *address = addressText(payload.mid(at, AddressSize));
            return Content::Ok;
        }
        at += length;
    }
    return Content::Malformed;
}

} // namespace

QString recordProblem(const Record &record)
{
    if (record.tnf >= NFC_TNF_UNCHANGED)
        return QStringLiteral("TNF %1 is not a record's own type name format").arg(record.tnf);
    if (record.type.size() > 255)
        return QStringLiteral("type of %1 bytes (at most 255)").arg(record.type.size());
    if (record.id.size() > 255)
        return QStringLiteral("ID of %1 bytes (at most 255)").arg(record.id.size());
    if (quint64(record.payload.size()) > 0xffffffffu)
        return QStringLiteral("payload of %1 bytes (at most 4294967295)")
            .arg(record.payload.size());
    if (record.tnf == NFC_TNF_EMPTY &&
        (!record.type.isEmpty() || !record.id.isEmpty() || !record.payload.isEmpty()))
        return QStringLiteral("an empty record with a type, ID or payload");
    if (record.tnf == NFC_TNF_UNKNOWN && !record.type.isEmpty())
        return QStringLiteral("an unknown-type record with a type");
    return {};
}

QByteArray encode(const Message &message)
{
    const Message records = message.isEmpty() ? Message{Record{}} : message;
    QByteArray out;
    for (qsizetype i = 0; i < records.size(); ++i) {
        const Record &record = recordProblem(records.at(i)).isEmpty() ? records.at(i) : Record{};
        const bool shortRecord = record.payload.size() < 256;
        quint8 header = record.tnf;
        if (i == 0)
            header |= MB;
        if (i == records.size() - 1)
            header |= ME;
        if (shortRecord)
            header |= SR;
        if (!record.id.isEmpty())
            header |= IL;
        out.append(char(header));
        out.append(char(record.type.size()));
        if (shortRecord)
            out.append(char(record.payload.size()));
        else
            appendBigEndian32(&out, quint32(record.payload.size()));
        if (!record.id.isEmpty())
            out.append(char(record.id.size()));
        out.append(record.type);
        out.append(record.id);
        out.append(record.payload);
    }
    return out;
}

bool parse(const QByteArray &bytes, Message *message, QString *error)
{
    if (bytes.isEmpty())
        return setError(error, QStringLiteral("no bytes: a message holds at least one record"));

    Reader in(bytes);
    Message records;
    Record pending; // the record a chunk sequence is building
    bool chunking = false;
    for (int index = 0; !in.atEnd(); ++index) {
        const qsizetype start = in.position();
        const auto fail = [&](const QString &what) {
            return setError(
                error, QStringLiteral("record %1 at byte %2: %3").arg(index).arg(start).arg(what));
        };
        if (in.left() < 2)
            return fail(QStringLiteral("header cut short"));
        const quint8 header = in.byte();
        const quint8 typeLength = in.byte();
        const quint8 tnf = header & TnfMask;
        const int lengthBytes = (header & SR) ? 1 : 4;
        if (in.left() < lengthBytes + ((header & IL) ? 1 : 0))
            return fail(QStringLiteral("length fields cut short"));
        quint64 payloadLength = 0;
        for (int i = 0; i < lengthBytes; ++i)
            payloadLength = (payloadLength << 8) | in.byte();
        const quint8 idLength = (header & IL) ? in.byte() : 0;
        const quint64 needed = quint64(typeLength) + idLength + payloadLength;
        if (needed > quint64(in.left())) {
            return fail(QStringLiteral("type, ID and payload of %1 bytes run past the end (%2 "
                                       "bytes left)")
                            .arg(needed)
                            .arg(in.left()));
        }
        const QByteArray type = in.take(typeLength);
        const QByteArray id = in.take(idLength);
        const QByteArray payload = in.take(qsizetype(payloadLength));

        if (bool(header & MB) != (index == 0))
            return fail(index == 0 ? QStringLiteral("the first record lacks MB")
                                   : QStringLiteral("MB on a record after the first"));
        if (tnf == TnfReserved)
            return fail(QStringLiteral("reserved TNF 7"));
        if ((header & ME) && (header & CF))
            return fail(QStringLiteral("the message ends inside a chunk sequence"));
        if ((header & ME) && !in.atEnd())
            return fail(QStringLiteral("%1 bytes after the record with ME").arg(in.left()));
        if (!(header & ME) && in.atEnd()) {
            return fail(chunking || (header & CF)
                            ? QStringLiteral("the bytes end inside a chunk sequence")
                            : QStringLiteral("the last record lacks ME"));
        }

        if (chunking) {
            if (tnf != NFC_TNF_UNCHANGED || typeLength != 0)
                return fail(QStringLiteral("a chunk sequence is not continued by a chunk"));
            if (header & IL)
                return fail(QStringLiteral("a following chunk carries an ID"));
            pending.payload.append(payload);
        } else {
            if (tnf == NFC_TNF_UNCHANGED)
                return fail(QStringLiteral("TNF unchanged outside a chunk sequence"));
            pending = Record{tnf, type, id, payload};
        }
        chunking = header & CF;
        if (chunking)
            continue;
        const QString problem = recordProblem(pending);
        if (!problem.isEmpty())
            return fail(problem);
        records.append(pending);
    }
    *message = records;
    return true;
}

Record textRecord(const QByteArray &utf8, const QByteArray &language)
{
    // The status byte has six bits for the language length; callers check it beforehand.
    const QByteArray code = language.left(0x3f);
    Record record{NFC_TNF_WELL_KNOWN, TextType, {}, {}};
    record.payload.append(char(code.size()));
    record.payload.append(code);
    record.payload.append(utf8);
    return record;
}

Record uriRecord(const QByteArray &uri)
{
    int best = 0;
    for (int code = 1; code < UriPrefixCount; ++code) {
        if (prefixLength(code) > prefixLength(best) && uri.startsWith(UriPrefixes[code]))
            best = code;
    }
    Record record{NFC_TNF_WELL_KNOWN, UriType, {}, {}};
    record.payload.append(char(best));
    record.payload.append(uri.mid(prefixLength(best)));
    return record;
}

Record mediaRecord(const QByteArray &mimeType, const QByteArray &payload)
{
    return Record{NFC_TNF_MEDIA, mimeType, {}, payload};
}

Content readText(const Record &record, QString *text, QByteArray *language)
{
    if (!isWellKnown(record, TextType))
        return Content::OtherKind;
    const QByteArray &payload = record.payload;
    if (payload.isEmpty())
        return Content::Malformed;
    const quint8 status = quint8(payload.at(0));
    const qsizetype languageLength = status & 0x3f;
    if (1 + languageLength > payload.size())
        return Content::Malformed;
    QByteArray body = payload.mid(1 + languageLength);
    // The text is what the record holds: a byte order mark after the one removed here stays.
    const auto Keep = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    QStringDecoder decoder;
    if (status & 0x80) {
        if (body.size() % 2)
            return Content::Malformed;
        auto encoding = QStringConverter::Utf16BE;
        if (body.startsWith("\xff\xfe"))
            encoding = QStringConverter::Utf16LE;
        if (body.startsWith("\xff\xfe") || body.startsWith("\xfe\xff"))
            body.remove(0, 2);
        decoder = QStringDecoder(encoding, Keep);
    } else {
        decoder = QStringDecoder(QStringConverter::Utf8, Keep);
    }
    const QString decoded = decoder.decode(body);
    if (decoder.hasError())
        return Content::Malformed;
    *text = decoded;
    *language = payload.mid(1, languageLength);
    return Content::Ok;
}

Content readUri(const Record &record, QByteArray *uri)
{
    if (!isWellKnown(record, UriType))
        return Content::OtherKind;
    if (record.payload.isEmpty())
        return Content::Malformed;
    const int code = quint8(record.payload.at(0));
    if (code >= UriPrefixCount)
        return Content::Malformed;
    *uri = QByteArray(UriPrefixes[code]) + record.payload.mid(1);
    return Content::Ok;
}

bool bluetoothCarrierRecord(const QByteArray &address, Record *record)
{
    QByteArray bytes;
    if (!parseAddress(address, &bytes))
        return false;
    QByteArray payload;
    payload.append(char(2 + AddressSize));
    payload.append('\0');
    payload.append(reversed(bytes));
    *record = mediaRecord(BluetoothType, payload);
    return true;
}

bool wifiDirectCarrierRecord(const QByteArray &address, Record *record)
{
    QByteArray bytes;
    if (!parseAddress(address, &bytes))
        return false;
    // Device info: address, config methods (2), primary device type (8), no secondary types (1).
    const QByteArray deviceInfo = bytes + QByteArray(11, '\0');
    QByteArray attributes;
    attributes.append(char(P2pDeviceInfo));
    attributes.append(char(deviceInfo.size()));
    attributes.append('\0');
    attributes.append(deviceInfo);
    QByteArray payload(2, '\0'); // no WSC block
    payload.append(char(attributes.size() >> 8));
    payload.append(char(attributes.size() & 0xff));
    payload.append(attributes);
    *record = mediaRecord(WifiDirectType, payload);
    return true;
}

Content readCarrier(const Record &record, int *transport, QByteArray *address)
{
    if (record.tnf != NFC_TNF_MEDIA)
        return Content::OtherKind;
    if (record.type == BluetoothType) {
        *transport = NFC_HANDOVER_TRANSPORT_BLUETOOTH;
        return readBluetooth(record.payload, address);
    }
    if (record.type == WifiDirectType) {
        *transport = NFC_HANDOVER_TRANSPORT_WIFI_DIRECT;
        return readWifiDirect(record.payload, address);
    }
    return Content::OtherKind;
}

} // namespace qz::platform::ndef
