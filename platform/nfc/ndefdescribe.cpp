#include "ndefdescribe_p.h"

#include <nfc/nfc.h>

#include <QStringList>

namespace qz::platform::ndef {

namespace {

constexpr int MaxShown = 64;

// Printable and short: control characters become U+FFFD, long texts end in "...".
QString shown(const QString &text)
{
    QString out;
    for (const QChar c : text.left(MaxShown))
        out.append(c.isPrint() || c == QLatin1Char(' ') ? c : QChar(QChar::ReplacementCharacter));
    if (text.size() > MaxShown)
        out.append(QStringLiteral("..."));
    return out;
}

QString shown(const QByteArray &latin)
{
    return shown(QString::fromUtf8(latin));
}

QString bytes(qsizetype size)
{
    return size == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(size);
}

QString tnfName(quint8 tnf)
{
    switch (tnf) {
    case NFC_TNF_WELL_KNOWN:
        return QStringLiteral("well-known");
    case NFC_TNF_MEDIA:
        return QStringLiteral("media");
    case NFC_TNF_ABSOLUTE_URI:
        return QStringLiteral("absolute URI");
    case NFC_TNF_EXTERNAL:
        return QStringLiteral("external");
    case NFC_TNF_UNKNOWN:
        return QStringLiteral("unknown type");
    default:
        return QStringLiteral("TNF %1").arg(tnf);
    }
}

} // namespace

QString describe(const Record &record)
{
    if (record.tnf == NFC_TNF_EMPTY)
        return QStringLiteral("empty record");

    QString text;
    QByteArray language;
    switch (readText(record, &text, &language)) {
    case Content::Ok:
        return QStringLiteral("Text '%1' (%2)").arg(shown(text), shown(language));
    case Content::Malformed:
        return QStringLiteral("Text, malformed, %1").arg(bytes(record.payload.size()));
    case Content::OtherKind:
        break;
    }

    QByteArray uri;
    switch (readUri(record, &uri)) {
    case Content::Ok:
        return QStringLiteral("URI %1").arg(shown(uri));
    case Content::Malformed:
        return QStringLiteral("URI, malformed, %1").arg(bytes(record.payload.size()));
    case Content::OtherKind:
        break;
    }

    int transport = 0;
    QByteArray address;
    const Content carrier = readCarrier(record, &transport, &address);
    if (carrier != Content::OtherKind) {
        const QString name = transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH
                                 ? QStringLiteral("Bluetooth")
                                 : QStringLiteral("Wi-Fi Direct");
        return carrier == Content::Ok
                   ? QStringLiteral("%1 hand-over %2").arg(name, QString::fromLatin1(address))
                   : QStringLiteral("%1 hand-over, malformed, %2")
                         .arg(name, bytes(record.payload.size()));
    }

    QString head = tnfName(record.tnf);
    if (!record.type.isEmpty())
        head += QLatin1Char(' ') + shown(record.type);
    return QStringLiteral("%1, %2").arg(head, bytes(record.payload.size()));
}

QString describe(const Message &message)
{
    if (message.size() == 1)
        return describe(message.first());
    QStringList parts;
    for (const Record &record : message)
        parts.append(describe(record));
    return QStringLiteral("%1 records: %2")
        .arg(message.size())
        .arg(parts.join(QStringLiteral("; ")));
}

QString describeBytes(const QByteArray &bytes)
{
    Message message;
    QString error;
    if (!parse(bytes, &message, &error))
        return QStringLiteral("not an NDEF message: ") + error;
    return describe(message);
}

} // namespace qz::platform::ndef
