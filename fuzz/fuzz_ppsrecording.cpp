// PPS recordings are untrusted input to qzppsreplay: whatever the bytes, reading one never
// crashes, and what it accepts writes back to the same records; masking any accepted record leaves
// no password readable on the dialog objects; the replay script built from it answers its own
// recorded requests and makes objects only of attribute lines.
#include "fuzzcheck.h"

#include <pps/ppsrecording.h>
#include <pps/ppsreplay.h>
#include <qz/ppsobject.h>

#include <QBuffer>

namespace {

using qz::pps::Record;
namespace recording = qz::pps::recording;

std::optional<QList<Record>> readRecording(const QByteArray &text, QString *error)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return recording::read(buffer, error);
}

// Every member named "password", at any depth, holds the mask.
void checkNoPassword(const QVariant &value, const QString &name)
{
    if (name == QLatin1String("password")) {
        QZ_FUZZ_CHECK(value == QVariant(QString::fromLatin1(recording::s_maskMarker)),
                      "a password left in a recording: %s", qPrintable(value.toString()));
        return;
    }
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            checkNoPassword(it.value(), it.key());
    } else if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant &element : value.toList())
            checkNoPassword(element, name);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool silenced = (qzfuzz::silenceQtMessages(), true);
    Q_UNUSED(silenced);
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    QString error;
    const std::optional<QList<Record>> records = readRecording(text, &error);
    if (!records) {
        QZ_FUZZ_CHECK(error.startsWith(QLatin1String("line ")), "refused without a line: %s",
                      qPrintable(error));
        return 0;
    }

    QByteArray written = QByteArray(recording::s_header) + '\n';
    for (const Record &record : *records)
        written += recording::format(record);
    const std::optional<QList<Record>> again = readRecording(written, &error);
    QZ_FUZZ_CHECK(again && *again == *records, "records do not read back as written: %s",
                  qPrintable(error));

    qz::pps::Masker masker;
    for (const Record &record : *records) {
        const Record masked = masker.mask(record);
        if (masked.masked || !qz::pps::Masker::guards(record.path))
            continue;
        bool ok = false;
        const QVariantMap decoded = qz::PpsObject::decode(masked.bytes, &ok);
        QZ_FUZZ_CHECK(ok, "a masked message that does not decode");
        if (!record.path.contains("/context/"))
            checkNoPassword(decoded, QString());
    }

    qz::pps::ReplayScript script(*records);
    for (const auto &[path, content] : script.objectContents()) {
        for (const QByteArray &line : content.split('\n'))
            QZ_FUZZ_CHECK(!recording::isBlockLine(line) && !line.startsWith('-'),
                          "an object made with a line no write leaves: %s", line.constData());
    }
    for (const Record &record : *records) {
        bool ok = false;
        const QVariantMap request = qz::PpsObject::decode(record.bytes, &ok);
        // A request without headers reads as the service read it, so it matches itself.
        const bool plain = ok && !record.masked && record.from == Record::From::Client &&
                           !record.bytes.contains('@') && !record.bytes.contains("\n-") &&
                           !record.bytes.startsWith('-');
        const bool answered = script.answer(record.path, request).has_value();
        QZ_FUZZ_CHECK(!plain || answered, "a recorded request that its replay does not answer");
        script.errorAnswer(record.path, request, error);
    }
    return 0;
}
