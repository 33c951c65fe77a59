// The library reading an untrusted Bluetooth service's answer to a push: whatever bytes a read of
// the control object brings, only an answer that is ours (res and id exactly) and says "EOK"
// counts as success, and an answer naming neither the command nor the id is never taken as ours.
#include "fuzzcheck.h"

#include "bluetoothconnector_p.h"

#include <qz/PpsObject>

#include <cstring>

using qz::system::BluetoothConnector;

namespace {

// The answer as the PPS text format reads it: the control object's block, or the bare lines.
QVariantMap answerOf(const QByteArray &text, bool *ok)
{
    const QVariantMap decoded = qz::PpsObject::decode(text, ok);
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        if (it.key().startsWith(u'@'))
            return it.value().toMap();
    }
    return decoded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = [] {
        qzfuzz::silenceQtMessages();
        return true;
    }();
    Q_UNUSED(ready);

    // What a read of at most 127 bytes hands over, NUL-terminated as the connector keeps it.
    const QByteArray read(reinterpret_cast<const char *>(data), qsizetype(qMin<size_t>(size, 127)));
    const char *text = read.constData();
    const BluetoothConnector::Answer result =
        BluetoothConnector::readAnswer(text, "push_object", "nfcshare");

    if (!std::strstr(text, "push_object") || !std::strstr(text, "nfcshare"))
        QZ_FUZZ_CHECK(result == BluetoothConnector::Answer::NotOurs, "taken as ours: %s", text);
    if (result == BluetoothConnector::Answer::Succeeded) {
        bool ok = false;
        const QVariantMap answer = answerOf(QByteArray(text), &ok);
        const QVariant dat = answer.value(QStringLiteral("dat"));
        QZ_FUZZ_CHECK(ok && answer.value(QStringLiteral("res")) == QStringLiteral("push_object") &&
                          answer.value(QStringLiteral("id")) == QStringLiteral("nfcshare") &&
                          dat.typeId() == QMetaType::QString &&
                          dat.toString().contains(QStringLiteral("EOK")),
                      "success claimed for: %s", text);
    }
    return 0;
}
