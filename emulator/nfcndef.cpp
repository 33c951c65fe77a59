#include "nfcndef.h"

#include <nfc/ndef_p.h>
#include <nfc/ndefdescribe_p.h>

#include <QRegularExpression>

namespace ndef = qz::platform::ndef;

namespace NfcNdef {

namespace {
// A message of a megabyte can hold a hundred thousand records; people read the first few.
constexpr int MaxLines = 16;
} // namespace

bool isMessage(const QByteArray &bytes)
{
    ndef::Message message;
    return ndef::parse(bytes, &message);
}

QStringList describe(const QByteArray &bytes)
{
    ndef::Message message;
    if (!ndef::parse(bytes, &message))
        return {ndef::describeBytes(bytes)};
    QStringList lines;
    for (const ndef::Record &record : message) {
        if (lines.size() == MaxLines) {
            lines.append(QStringLiteral("and %1 more records").arg(message.size() - MaxLines));
            break;
        }
        lines.append(ndef::describe(record));
    }
    return lines;
}

QByteArray handoverMessage(const QList<Carrier> &carriers)
{
    ndef::Message message;
    for (const Carrier &carrier : carriers) {
        ndef::Record record;
        const bool made = carrier.transport == 1
                              ? ndef::bluetoothCarrierRecord(carrier.mac.toLatin1(), &record)
                              : ndef::wifiDirectCarrierRecord(carrier.mac.toLatin1(), &record);
        if (made)
            message.append(record);
    }
    return ndef::encode(message);
}

bool isMacAddress(const QString &mac)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
    return pattern.match(mac).hasMatch();
}

} // namespace NfcNdef
