// Reading the peers a hand-over offers: whatever messages a tapped device sends (any number, any
// bytes), the connector reads only well-formed carrier records, in record order, each giving one
// peer with a transport code and an address in text form, and leaks nothing.
#include "fuzzcheck.h"

#include "nfcconnector_p.h"

#include <nfc/ndef_p.h>
#include <nfc/nfc.h>
#include <xrv/backend_p.h>
#include <xrv/eventservice_p.h>

#include <QRegularExpression>

namespace ndef = qz::platform::ndef;
using qz::system::NfcConnector;
using qz::system::NfcRemoteTarget;

namespace {

class QuietBackend : public qz::platform::Backend
{
public:
    int call(const QByteArray &, const QVariantList &, QVariantList *) override { return 0; }
};

// What the connector should find, by the platform's own reading of carrier records.
QList<NfcRemoteTarget> expectedTargets(const QVariantList &messages)
{
    ndef::Message message;
    if (messages.size() != 1 || !ndef::parse(messages.first().toByteArray(), &message))
        return {};
    QList<NfcRemoteTarget> targets;
    for (const ndef::Record &record : message) {
        int transport = 0;
        QByteArray address;
        if (ndef::readCarrier(record, &transport, &address) == ndef::Content::Ok)
            targets.append({QString::fromLatin1(address), transport});
    }
    return targets;
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
    static const QRegularExpression address(QStringLiteral("^[0-9A-F]{2}(:[0-9A-F]{2}){5}$"));

    // First byte: how many messages (mostly one); then each message as a length-prefixed run,
    // the last one taking the rest.
    qzfuzz::Input input(data, size);
    const int count = input.byte() % 4;
    QVariantList messages;
    for (int i = 0; i < count; ++i)
        messages.append(i + 1 < count ? input.shortBytes() : input.bytes(input.remaining()));

    xrv_event event;
    event.domain = nfc_get_domain();
    event.code = NFC_HANDOVER_COMPLETE_EVENT;
    event.fields.insert(QStringLiteral("target"),
                        QVariantMap{{QStringLiteral("id"), 1},
                                    {QStringLiteral("ndef_messages"), messages},
                                    {QStringLiteral("handover_role"), 1}});
    nfc_event_t *nfcEvent = nullptr;
    nfc_target_t *target = nullptr;
    QZ_FUZZ_CHECK(nfc_get_nfc_event(&event, &nfcEvent) == NFC_RESULT_SUCCESS &&
                      nfc_get_target(nfcEvent, &target) == NFC_RESULT_SUCCESS,
                  "no target");

    NfcConnector connector;
    QList<NfcRemoteTarget> found;
    const bool result = connector.getHandoverTargets(target, found);
    QZ_FUZZ_CHECK(result == !found.isEmpty(), "result %d with %lld peers", int(result),
                  static_cast<long long>(found.size()));
    for (const NfcRemoteTarget &peer : found) {
        QZ_FUZZ_CHECK(peer.transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH ||
                          peer.transport == NFC_HANDOVER_TRANSPORT_WIFI_DIRECT,
                      "transport %d", peer.transport);
        QZ_FUZZ_CHECK(address.match(peer.macAddress).hasMatch(), "address \"%s\"",
                      qPrintable(peer.macAddress));
    }
    QZ_FUZZ_CHECK(found == expectedTargets(messages), "%lld peers, not the carrier records",
                  static_cast<long long>(found.size()));
    QZ_FUZZ_CHECK(nfc_destroy_target(target) == NFC_RESULT_SUCCESS, "target not destroyed");
    return 0;
}
