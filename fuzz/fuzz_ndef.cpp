// NDEF parsing: whatever the bytes, parsing never reads outside them nor crashes; an accepted
// message encodes to bytes no longer than the input that parse to the same records, the C
// functions agree with the parser, and every content reader and the description cope with
// whatever an accepted record holds.
#include "fuzzcheck.h"

#include <nfc/ndef_p.h>
#include <nfc/ndefdescribe_p.h>
#include <nfc/nfc.h>
#include <xrv/backend_p.h>

#include <vector>

namespace ndef = qz::platform::ndef;

namespace {

// Stands in for the device: lets every local NFC call proceed.
class QuietBackend : public qz::platform::Backend
{
public:
    int call(const QByteArray &, const QVariantList &, QVariantList *) override { return 0; }
};

void readEveryRecord(const ndef::Message &message)
{
    for (const ndef::Record &record : message) {
        QString text;
        QByteArray language;
        QByteArray uri;
        int transport = 0;
        QByteArray address;
        if (ndef::readText(record, &text, &language) == ndef::Content::Ok)
            QZ_FUZZ_CHECK(language.size() < 64, "language of %lld bytes",
                          static_cast<long long>(language.size()));
        ndef::readUri(record, &uri);
        if (ndef::readCarrier(record, &transport, &address) == ndef::Content::Ok)
            QZ_FUZZ_CHECK(address.size() == 17, "address \"%s\"", address.constData());
    }
    const QString description = ndef::describe(message);
    for (const QChar c : description) {
        const ushort u = c.unicode();
        QZ_FUZZ_CHECK(u >= 0x20 && (u < 0x7f || u > 0x9f), "control character U+%04x described",
                      unsigned(u));
    }
}

// The C functions on the same bytes, from a block of exactly their size.
void checkCApi(const QByteArray &input, bool accepted, const QByteArray &encoded)
{
    const std::vector<uint8_t> exact(input.cbegin(), input.cend());
    nfc_ndef_message_t *message = nullptr;
    const nfc_result_t result =
        nfc_create_ndef_message_from_bytes(exact.data(), exact.size(), &message);
    QZ_FUZZ_CHECK((result == NFC_RESULT_SUCCESS) == accepted,
                  "the C parser says %d where the parser says %d", int(result), int(accepted));
    if (!accepted) {
        QZ_FUZZ_CHECK(result == NFC_RESULT_BAD_NDEF_FORMAT && !message,
                      "refused with %d, message %p", int(result), static_cast<void *>(message));
        return;
    }
    size_t length = 0;
    QZ_FUZZ_CHECK(nfc_get_ndef_message_byte_length(message, &length) == NFC_RESULT_SUCCESS &&
                      length == size_t(encoded.size()),
                  "the C encoding has %zu bytes, not %lld", length,
                  static_cast<long long>(encoded.size()));
    std::vector<uint8_t> bytes(length);
    QZ_FUZZ_CHECK(nfc_get_ndef_message_bytes(message, bytes.data(), bytes.size(), &length) ==
                      NFC_RESULT_SUCCESS,
                  "no C encoding");
    QZ_FUZZ_CHECK(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(length)) ==
                      encoded,
                  "the C encoding differs");
    QZ_FUZZ_CHECK(nfc_delete_ndef_message(message, true) == NFC_RESULT_SUCCESS, "not deleted");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = [] {
        qzfuzz::silenceQtMessages();
        static QuietBackend backend;
        qz::platform::setBackend(qz::platform::Service::Nfc, &backend);
        return true;
    }();
    Q_UNUSED(ready);

    // A heap copy of exactly the input: QByteArray's own terminator would hide a one-byte overread.
    const std::vector<char> exact(data, data + size);
    const QByteArray input = QByteArray::fromRawData(exact.data(), qsizetype(exact.size()));
    ndef::Message message;
    QString error;
    const bool accepted = ndef::parse(input, &message, &error);
    QByteArray encoded;
    if (accepted) {
        QZ_FUZZ_CHECK(!message.isEmpty(), "accepted a message without records");
        for (const ndef::Record &record : message) {
            const QString problem = ndef::recordProblem(record);
            QZ_FUZZ_CHECK(problem.isEmpty(), "accepted a record that cannot be encoded: %s",
                          qPrintable(problem));
        }
        encoded = ndef::encode(message);
        QZ_FUZZ_CHECK(encoded.size() <= input.size(),
                      "%lld bytes encode to %lld: the canonical form is never longer",
                      static_cast<long long>(input.size()), static_cast<long long>(encoded.size()));
        ndef::Message again;
        QZ_FUZZ_CHECK(ndef::parse(encoded, &again, &error), "own encoding refused: %s",
                      qPrintable(error));
        QZ_FUZZ_CHECK(again == message, "own encoding parses to other records");
        QZ_FUZZ_CHECK(ndef::encode(again) == encoded, "encoding is not stable");
        readEveryRecord(message);
    } else {
        QZ_FUZZ_CHECK(!error.isEmpty(), "refused without a reason");
    }
    checkCApi(input, accepted, encoded);
    return 0;
}
