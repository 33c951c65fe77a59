// The NFC device backend reading what an untrusted NFC controller sends: the input is one message
// as read from the control object. An event ("msg::event" with a whole-number code) must be
// posted exactly once with that code, anything else not at all; an answer comes back only for a
// message that is not an event. Each posted event is then read the way the library reads it
// (its target, every message and record of it), which must fail cleanly or agree with the fields.
#include "fuzzcheck.h"

#include <nfc/nfc.h>
#include <nfc/nfcdevicebackend.h>
#include <qz/AbstractXrvEventHandler>
#include <qz/PpsObject>

#include <QCoreApplication>

#include <cstdlib>

using qz::platform::NfcDeviceBackend;

namespace {

// Calls the library makes while reading an event (nfc_destroy_target) go nowhere.
class NullBackend : public qz::platform::Backend
{
public:
    int call(const QByteArray &, const QVariantList &, QVariantList *) override { return 0; }
};

void readRecord(nfc_ndef_record_t *record)
{
    const char *text = nullptr;
    const char *language = nullptr;
    const char *uri = nullptr;
    nfc_handover_transport_t transport{};
    nfc_get_text_record(record, &text, &language);
    nfc_get_uri_record(record, &uri);
    if (nfc_get_handover_transport_type(record, &transport) == NFC_RESULT_SUCCESS) {
        char *mac = nullptr;
        const nfc_result_t read = transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH
                                      ? nfc_get_handover_bluetooth_mac_address(record, &mac)
                                      : nfc_get_handover_wifi_direct_mac_address(record, &mac);
        QZ_FUZZ_CHECK((read == NFC_RESULT_SUCCESS) == (mac != nullptr),
                      "a carrier address and its result disagree");
        std::free(mac);
    }
}

class Reader : public qz::AbstractXrvEventHandler
{
public:
    Reader() { subscribe(nfc_get_domain()); }

    void event(xrv_event_t *event) override
    {
        codes.append(xrv_event_get_code(event));
        nfc_event_t *nfcEvent = nullptr;
        nfc_target_t *target = nullptr;
        if (nfc_get_nfc_event(event, &nfcEvent) != NFC_RESULT_SUCCESS ||
            nfc_get_target(nfcEvent, &target) != NFC_RESULT_SUCCESS)
            return;
        unsigned int count = 0;
        QZ_FUZZ_CHECK(nfc_get_ndef_message_count(target, &count) == NFC_RESULT_SUCCESS,
                      "a target that cannot count its messages");
        QZ_FUZZ_CHECK(qsizetype(count) == expectedMessages,
                      "%u messages on a target whose field lists %lld", count,
                      static_cast<long long>(expectedMessages));
        for (unsigned int i = 0; i < count; ++i) {
            nfc_ndef_message_t *message = nullptr;
            unsigned int records = 0;
            if (nfc_get_ndef_message(target, i, &message) != NFC_RESULT_SUCCESS)
                continue;
            QZ_FUZZ_CHECK(nfc_get_ndef_record_count(message, &records) == NFC_RESULT_SUCCESS &&
                              records > 0,
                          "a parsed message without records");
            for (unsigned int r = 0; r < records; ++r) {
                nfc_ndef_record_t *record = nullptr;
                QZ_FUZZ_CHECK(nfc_get_ndef_record(message, r, &record) == NFC_RESULT_SUCCESS,
                              "record %u of %u missing", r, records);
                readRecord(record);
            }
        }
        nfc_handover_role_t role{};
        nfc_get_handover_role(target, &role);
        nfc_destroy_target(target);
    }

    QList<int> codes;
    qsizetype expectedMessages = 0;
};

struct Harness
{
    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    NullBackend backend;
    Reader reader;

    Harness()
    {
        qzfuzz::silenceQtMessages();
        qz::platform::setBackend(qz::platform::Service::Nfc, &backend);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));

    // What the message says, read independently of the backend.
    bool decoded = false;
    const QVariantMap message =
        qz::PpsObject::decode(text, &decoded).value(QStringLiteral("@control")).toMap();
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    const bool isEvent = message.value(QStringLiteral("msg")).toString() == QLatin1String("event");
    bool hasCode = false;
    const int code = dat.value(QStringLiteral("code")).toInt(&hasCode);
    const QVariant target =
        dat.value(QStringLiteral("fields")).toMap().value(QStringLiteral("target"));
    harness->reader.expectedMessages =
        target.toMap().value(QStringLiteral("ndef_messages")).toList().size();
    harness->reader.codes.clear();

    const QVariantMap answer = NfcDeviceBackend::readMessage(text);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();

    const bool posted = decoded && !message.isEmpty() && isEvent && hasCode;
    // Counted and compared by hand: comparing two empty QLists trips the sanitizer in Qt 6.4.
    const QList<int> &codes = harness->reader.codes;
    QZ_FUZZ_CHECK(codes.size() == (posted ? 1 : 0) && (!posted || codes.first() == code),
                  "%lld events delivered, %d expected", static_cast<long long>(codes.size()),
                  int(posted));
    QZ_FUZZ_CHECK(answer.isEmpty() || (!isEvent && answer == message),
                  "an answer that is not the message read");
    return 0;
}
