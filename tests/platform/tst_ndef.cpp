#include "recordingbackend.h"

#include <nfc/ndef_p.h>
#include <nfc/ndefdescribe_p.h>
#include <nfc/nfc.h>
#include <qz/AbstractXrvEventHandler>

#include <QTest>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <vector>

using Service = qz::platform::Service;
namespace ndef = qz::platform::ndef;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray bytesOf(nfc_ndef_message_t *message)
{
    size_t length = 0;
    if (nfc_get_ndef_message_byte_length(message, &length) != NFC_RESULT_SUCCESS)
        return "<no length>";
    QByteArray out(qsizetype(length), '\0');
    if (nfc_get_ndef_message_bytes(message, reinterpret_cast<uint8_t *>(out.data()), length,
                                   &length) != NFC_RESULT_SUCCESS)
        return "<no bytes>";
    return out;
}

// Parses from a heap block of exactly the given size, so that reading one byte too far is caught.
nfc_result_t parse(const QByteArray &bytes, nfc_ndef_message_t **message)
{
    const std::vector<uint8_t> exact(bytes.cbegin(), bytes.cend());
    return nfc_create_ndef_message_from_bytes(exact.data(), exact.size(), message);
}

// Builds a message of the records \a make creates through the C API.
using Builder = std::function<QList<nfc_ndef_record_t *>()>;

nfc_ndef_message_t *build(const Builder &make)
{
    nfc_ndef_message_t *message = nullptr;
    if (nfc_create_ndef_message(&message) != NFC_RESULT_SUCCESS)
        return nullptr;
    for (nfc_ndef_record_t *record : make()) {
        if (nfc_add_ndef_record(message, record) != NFC_RESULT_SUCCESS) {
            nfc_delete_ndef_message(message, true);
            return nullptr;
        }
    }
    return message;
}

nfc_ndef_record_t *text(const char *body, const char *language)
{
    nfc_ndef_record_t *record = nullptr;
    nfc_create_text_record(body, language, &record);
    return record;
}

nfc_ndef_record_t *uri(const char *value)
{
    nfc_ndef_record_t *record = nullptr;
    nfc_create_uri_record(value, &record);
    return record;
}

nfc_ndef_record_t *record(nfc_tnf_t tnf, const char *type, const QByteArray &payload,
                          const char *id = nullptr)
{
    nfc_ndef_record_t *made = nullptr;
    nfc_create_ndef_record(tnf, type, reinterpret_cast<const uint8_t *>(payload.constData()),
                           size_t(payload.size()), id, &made);
    return made;
}

// Runs \a body on the next event of the nfc domain.
class NfcHandler : public qz::AbstractXrvEventHandler
{
public:
    explicit NfcHandler(std::function<void(xrv_event_t *)> body)
        : m_body(std::move(body))
    {
        subscribe(nfc_get_domain());
    }
    void event(xrv_event_t *event) override
    {
        m_body(event);
        ++handled;
    }
    int handled = 0;

private:
    std::function<void(xrv_event_t *)> m_body;
};

} // namespace

Q_DECLARE_METATYPE(Builder)

class tst_Ndef : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void encodesForumLayouts_data();
    void encodesForumLayouts();
    void uriAbbreviations_data();
    void uriAbbreviations();
    void refusesMalformedMessages_data();
    void refusesMalformedMessages();
    void readsIrregularButValidForms_data();
    void readsIrregularButValidForms();
    void refusesBadRecordsAndStaleHandles();
    void targetsFromEventsOutliveThem();
    void requestsForwardAndReportTheBackendsCode();
    void describesForPeople_data();
    void describesForPeople();
};

void tst_Ndef::encodesForumLayouts_data()
{
    QTest::addColumn<Builder>("make");
    QTest::addColumn<QByteArray>("expected");

    // Header byte: MB 0x80, ME 0x40, CF 0x20, SR 0x10, IL 0x08, TNF in the low three bits.
    QTest::newRow("text hello in en") << Builder([] { return QList{text("hello", "en")}; })
                                      << hex("d1 01 08 54 02 65 6e 68 65 6c 6c 6f");
    QTest::newRow("URI, https://www. abbreviated")
        << Builder([] { return QList{uri("https://www.example.com/a")}; })
        << hex("d1 01 0e 55 02") + "example.com/a";
    QTest::newRow("media image/png")
        << Builder([] { return QList{record(NFC_TNF_MEDIA, "image/png", hex("89 50 4e 47"))}; })
        << hex("d2 09 04") + "image/png" + hex("89 50 4e 47");
    const QByteArray big(300, 'x');
    QTest::newRow("long record, 300 bytes of payload")
        << Builder([big] { return QList{record(NFC_TNF_MEDIA, "a/b", big)}; })
        << hex("c2 03 00 00 01 2c") + "a/b" + big;
    QTest::newRow("two records: MB on the first, ME on the second") << Builder([] {
        return QList{text("hi", "en"), uri("tel:123")};
    }) << hex("91 01 05 54 02 65 6e 68 69  51 01 04 55 05 31 32 33");
    QTest::newRow("external type with an ID")
        << Builder([] { return QList{record(NFC_TNF_EXTERNAL, "ozk.com:t", "ab", "7")}; })
        << hex("dc 09 02 01") + "ozk.com:t" + "7" + "ab";
    QTest::newRow("no records: one empty record")
        << Builder([] { return QList<nfc_ndef_record_t *>{}; }) << hex("d0 00 00");
}

void tst_Ndef::encodesForumLayouts()
{
    QFETCH(Builder, make);
    QFETCH(QByteArray, expected);

    nfc_ndef_message_t *message = build(make);
    QVERIFY(message);
    QCOMPARE(bytesOf(message).toHex(' '), expected.toHex(' '));
    QCOMPARE(nfc_delete_ndef_message(message, true), NFC_RESULT_SUCCESS);

    // And back: the bytes parse to records that encode to the same bytes.
    nfc_ndef_message_t *parsed = nullptr;
    QCOMPARE(parse(expected, &parsed), NFC_RESULT_SUCCESS);
    QCOMPARE(bytesOf(parsed).toHex(' '), expected.toHex(' '));
    QCOMPARE(nfc_delete_ndef_message(parsed, true), NFC_RESULT_SUCCESS);
}

void tst_Ndef::uriAbbreviations_data()
{
    QTest::addColumn<QByteArray>("uri");
    QTest::addColumn<int>("code");

    // The longest matching prefix wins; matching is by exact bytes.
    QTest::newRow("http://www.") << QByteArray("http://www.a.org") << 0x01;
    QTest::newRow("http://") << QByteArray("http://a.org") << 0x03;
    QTest::newRow("tel:") << QByteArray("tel:+4930") << 0x05;
    QTest::newRow("anonymous ftp") << QByteArray("ftp://anonymous:anonymous@h/f") << 0x07;
    QTest::newRow("ftp://ftp.") << QByteArray("ftp://ftp.h/f") << 0x08;
    QTest::newRow("ftp://") << QByteArray("ftp://h/f") << 0x0d;
    QTest::newRow("file://") << QByteArray("file:///tmp/a") << 0x1d;
    QTest::newRow("urn:epc:id:") << QByteArray("urn:epc:id:sgtin:1") << 0x1e;
    QTest::newRow("urn:epc:") << QByteArray("urn:epc:x") << 0x22;
    QTest::newRow("urn:nfc:") << QByteArray("urn:nfc:sn:1") << 0x23;
    QTest::newRow("urn:") << QByteArray("urn:isbn:1") << 0x13;
    QTest::newRow("upper case is not abbreviated") << QByteArray("HTTP://A.ORG") << 0x00;
    QTest::newRow("no scheme") << QByteArray("example") << 0x00;
    QTest::newRow("prefix alone") << QByteArray("https://") << 0x04;
}

void tst_Ndef::uriAbbreviations()
{
    QFETCH(QByteArray, uri);
    QFETCH(int, code);

    nfc_ndef_record_t *made = ::uri(uri.constData());
    QVERIFY(made);
    const uint8_t *payload = nullptr;
    size_t length = 0;
    QCOMPARE(nfc_get_ndef_record_payload(made, &payload, &length), NFC_RESULT_SUCCESS);
    QVERIFY(length >= 1);
    QCOMPARE(int(payload[0]), code);
    const char *expanded = nullptr;
    QCOMPARE(nfc_get_uri_record(made, &expanded), NFC_RESULT_SUCCESS);
    QCOMPARE(QByteArray(expanded), uri);
    QCOMPARE(nfc_delete_ndef_record(made), NFC_RESULT_SUCCESS);
}

void tst_Ndef::refusesMalformedMessages_data()
{
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("empty buffer") << QByteArray();
    QTest::newRow("header only") << hex("d1");
    QTest::newRow("short record without its payload length") << hex("d1 01");
    QTest::newRow("long record with its payload length cut") << hex("c1 01 00 00 01");
    QTest::newRow("payload length past the end") << hex("d1 01 08 54 02 65 6e");
    QTest::newRow("4 GiB payload length") << hex("c1 01 ff ff ff ff 54 00");
    QTest::newRow("ID length past the end") << hex("d9 01 00 05 54 61");
    QTest::newRow("missing ME") << hex("91 01 00 54");
    QTest::newRow("MB not on the first record") << hex("51 01 00 54");
    QTest::newRow("MB on a later record") << hex("91 01 00 54  d1 01 00 54");
    QTest::newRow("ME before the end") << hex("d1 01 00 54  51 01 00 54");
    QTest::newRow("bytes after ME") << hex("d1 01 00 54 00");
    QTest::newRow("chunked without end") << hex("b1 01 01 54 61");
    QTest::newRow("ME on a chunk that continues") << hex("b1 01 01 54 61  76 00 01 62");
    QTest::newRow("chunk sequence broken by a record") << hex("b1 01 01 54 61  51 01 00 54");
    QTest::newRow("following chunk with a type") << hex("b1 01 01 54 61  56 01 00 54");
    QTest::newRow("following chunk with an ID") << hex("b1 01 01 54 61  5e 00 01 01 78 62");
    QTest::newRow("reserved TNF 7") << hex("d7 00 00");
    QTest::newRow("TNF unchanged outside a chunk") << hex("d6 00 00");
    QTest::newRow("empty record with a payload") << hex("d0 00 01 41");
    QTest::newRow("unknown record with a type") << hex("d5 01 00 41");
}

void tst_Ndef::refusesMalformedMessages()
{
    QFETCH(QByteArray, bytes);

    nfc_ndef_message_t *message = reinterpret_cast<nfc_ndef_message_t *>(&bytes);
    errno = 0;
    QCOMPARE(parse(bytes, &message), NFC_RESULT_BAD_NDEF_FORMAT);
    QCOMPARE(errno, EBADMSG);
    QCOMPARE(message, nullptr);

    ndef::Message parsed;
    QString error;
    QVERIFY(!ndef::parse(bytes, &parsed, &error));
    QVERIFY2(!error.isEmpty(), "refused without a reason");
}

void tst_Ndef::readsIrregularButValidForms_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("canonical");

    QTest::newRow("chunks join into one record")
        << hex("b1 01 02 54 02 65  36 00 03 6e 68 69  56 00 00")
        << hex("d1 01 05 54 02 65 6e 68 69");
    QTest::newRow("long form for a short payload")
        << hex("c1 01 00 00 00 01 54 00") << hex("d1 01 01 54 00");
    QTest::newRow("IL with an empty ID") << hex("d9 01 00 00 54") << hex("d1 01 00 54");
    QTest::newRow("empty record") << hex("d0 00 00") << hex("d0 00 00");
}

void tst_Ndef::readsIrregularButValidForms()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, canonical);

    nfc_ndef_message_t *message = nullptr;
    QCOMPARE(parse(bytes, &message), NFC_RESULT_SUCCESS);
    QCOMPARE(bytesOf(message).toHex(' '), canonical.toHex(' '));
    QCOMPARE(nfc_delete_ndef_message(message, true), NFC_RESULT_SUCCESS);
}

void tst_Ndef::refusesBadRecordsAndStaleHandles()
{
    nfc_ndef_record_t *made = nullptr;
    QCOMPARE(nfc_create_text_record("x", "", &made), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_create_text_record("x", QByteArray(64, 'a').constData(), &made),
             NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_create_ndef_record(NFC_TNF_EMPTY, "t", nullptr, 0, nullptr, &made),
             NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_create_ndef_record(NFC_TNF_UNCHANGED, nullptr, nullptr, 0, nullptr, &made),
             NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_create_ndef_record(NFC_TNF_MEDIA, QByteArray(256, 't').constData(), nullptr, 0,
                                    nullptr, &made),
             NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(made, nullptr);

    // A record belongs to one message; detached records return to the caller.
    nfc_ndef_record_t *first = text("a", "en");
    nfc_ndef_message_t *one = build([first] { return QList{first}; });
    nfc_ndef_message_t *other = build([] { return QList<nfc_ndef_record_t *>{}; });
    QVERIFY(one && other);
    QCOMPARE(nfc_add_ndef_record(other, first), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_delete_ndef_record(first), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_delete_ndef_message(one, false), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_add_ndef_record(other, first), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_delete_ndef_message(other, true), NFC_RESULT_SUCCESS);

    // Gone handles, and handles of the wrong kind, are refused rather than used.
    unsigned int count = 0;
    QCOMPARE(nfc_get_ndef_record_count(other, &count), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_delete_ndef_message(other, true), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_delete_ndef_record(first), NFC_RESULT_INVALID_PARAMETER);
    nfc_ndef_record_t *loose = text("b", "en");
    QCOMPARE(nfc_get_ndef_record_count(reinterpret_cast<nfc_ndef_message_t *>(loose), &count),
             NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_delete_ndef_record(loose), NFC_RESULT_SUCCESS);
}

void tst_Ndef::targetsFromEventsOutliveThem()
{
    RecordingBackend backend({Service::Nfc});
    ndef::Record bluetooth;
    ndef::Record wifi;
    QVERIFY(ndef::bluetoothCarrierRecord("00:1a:7d:da:71:13", &bluetooth));
    QVERIFY(ndef::wifiDirectCarrierRecord("02-90-4C-AA-BB-CC", &wifi));
    QVERIFY(!ndef::bluetoothCarrierRecord("00:1a:7d:da:71", &bluetooth));
    const QVariantMap target{{QStringLiteral("id"), 7},
                             {QStringLiteral("handover_role"), int(NFC_HANDOVER_ROLE_SELECTOR)},
                             {QStringLiteral("ndef_messages"),
                              QVariantList{ndef::encode({bluetooth, wifi}), hex("91 01 00 54")}}};

    nfc_target_t *kept = nullptr;
    nfc_result_t withoutTarget = NFC_RESULT_SUCCESS;
    nfc_result_t unreadable = NFC_RESULT_SUCCESS;
    NfcHandler handler([&](xrv_event_t *event) {
        nfc_event_t *nfcEvent = nullptr;
        const nfc_result_t read = nfc_get_nfc_event(event, &nfcEvent);
        if (xrv_event_get_code(event) == NFC_TARGET_LOST_EVENT) {
            unreadable = read;
            return;
        }
        QCOMPARE(read, NFC_RESULT_SUCCESS);
        nfc_target_t *t = nullptr;
        if (xrv_event_get_code(event) == NFC_HANDOVER_COMPLETE_EVENT)
            QCOMPARE(nfc_get_target(nfcEvent, &kept), NFC_RESULT_SUCCESS);
        else
            withoutTarget = nfc_get_target(nfcEvent, &t);
    });
    RecordingBackend::postEvent(Service::Nfc, NFC_HANDOVER_COMPLETE_EVENT,
                                {{QStringLiteral("target"), target}});
    RecordingBackend::postEvent(Service::Nfc, NFC_NDEF_PUSH_SUCCEED_EVENT);
    RecordingBackend::postEvent(Service::Nfc, NFC_TARGET_LOST_EVENT,
                                {{QStringLiteral("nfc_event_error"), 7}});
    QTRY_COMPARE(handler.handled, 3);
    QCOMPARE(withoutTarget, NFC_RESULT_NOT_FOUND);
    QCOMPARE(unreadable, NFC_RESULT_IO_ERROR);
    QVERIFY(kept);

    // The target is the caller's: readable after its event is gone.
    nfc_handover_role_t role = NFC_HANDOVER_ROLE_REQUESTER;
    QCOMPARE(nfc_get_handover_role(kept, &role), NFC_RESULT_SUCCESS);
    QCOMPARE(role, NFC_HANDOVER_ROLE_SELECTOR);
    unsigned int count = 0;
    QCOMPARE(nfc_get_ndef_message_count(kept, &count), NFC_RESULT_SUCCESS);
    QCOMPARE(count, 2u);
    nfc_ndef_message_t *message = nullptr;
    QTest::ignoreMessage(QtWarningMsg, "NDEF message 1 of target 7 refused: record 0 at byte 0: "
                                       "the last record lacks ME");
    QCOMPARE(nfc_get_ndef_message(kept, 1, &message), NFC_RESULT_BAD_NDEF_FORMAT);
    QCOMPARE(nfc_get_ndef_message(kept, 2, &message), NFC_RESULT_NOT_FOUND);
    QCOMPARE(nfc_get_ndef_message(kept, 0, &message), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_delete_ndef_message(message, true), NFC_RESULT_INVALID_PARAMETER); // the target's

    const QList<QPair<nfc_handover_transport_t, QByteArray>> expected{
        {NFC_HANDOVER_TRANSPORT_BLUETOOTH, "00:1A:7D:DA:71:13"},
        {NFC_HANDOVER_TRANSPORT_WIFI_DIRECT, "02:90:4C:AA:BB:CC"}};
    QCOMPARE(nfc_get_ndef_record_count(message, &count), NFC_RESULT_SUCCESS);
    QCOMPARE(count, 2u);
    for (unsigned int i = 0; i < count; ++i) {
        nfc_ndef_record_t *carrier = nullptr;
        QCOMPARE(nfc_get_ndef_record(message, i, &carrier), NFC_RESULT_SUCCESS);
        nfc_handover_transport_t transport = {};
        QCOMPARE(nfc_get_handover_transport_type(carrier, &transport), NFC_RESULT_SUCCESS);
        QCOMPARE(transport, expected.at(i).first);
        char *mac = nullptr;
        const bool isBluetooth = transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH;
        QCOMPARE(isBluetooth ? nfc_get_handover_wifi_direct_mac_address(carrier, &mac)
                             : nfc_get_handover_bluetooth_mac_address(carrier, &mac),
                 NFC_RESULT_UNSUPPORTED_RECORD);
        QCOMPARE(isBluetooth ? nfc_get_handover_bluetooth_mac_address(carrier, &mac)
                             : nfc_get_handover_wifi_direct_mac_address(carrier, &mac),
                 NFC_RESULT_SUCCESS);
        const QByteArray address(mac);
        std::free(mac);
        QCOMPARE(address, expected.at(i).second);
    }

    QCOMPARE(nfc_confirm_handover_process_with_transports(kept, nullptr, 0), NFC_RESULT_SUCCESS);
    QCOMPARE(backend.argumentsOf("nfc_confirm_handover_process_with_transports"),
             (QList<QVariantList>{{7, QVariantList{}, 0u}}));
    QCOMPARE(nfc_destroy_target(kept), NFC_RESULT_SUCCESS);
    QCOMPARE(backend.argumentsOf("nfc_destroy_target"), (QList<QVariantList>{{7}}));
    QCOMPARE(nfc_destroy_target(kept), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_get_ndef_record_count(message, &count), NFC_RESULT_INVALID_PARAMETER);
}

void tst_Ndef::requestsForwardAndReportTheBackendsCode()
{
    bool value = true;
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SERVICE_UNAVAILABLE); // no backend

    RecordingBackend backend({Service::Nfc});
    nfc_ndef_message_t *message = build([] { return QList{text("hello", "en")}; });
    QVERIFY(message);
    const QVariantHash fields{{QStringLiteral("target"), QVariantMap{{QStringLiteral("id"), 3}}}};
    nfc_target_t *tag = nullptr;
    NfcHandler handler([&tag](xrv_event_t *event) {
        nfc_event_t *nfcEvent = nullptr;
        if (nfc_get_nfc_event(event, &nfcEvent) == NFC_RESULT_SUCCESS)
            nfc_get_target(nfcEvent, &tag);
    });
    RecordingBackend::postEvent(Service::Nfc, NFC_TAG_READWRITE_EVENT, fields);
    QTRY_VERIFY(tag);

    QCOMPARE(nfc_write_ndef_message_to_tag(tag, message, false), NFC_RESULT_SUCCESS);
    QCOMPARE(backend.argumentsOf("nfc_write_ndef_message_to_tag"),
             (QList<QVariantList>{{3, hex("d1 01 08 54 02 65 6e 68 65 6c 6c 6f"), false}}));
    backend.failCall("nfc_write_ndef_message_to_tag", NFC_RESULT_TAG_LOCKED);
    QCOMPARE(nfc_write_ndef_message_to_tag(tag, message, false), NFC_RESULT_TAG_LOCKED);
    backend.failCall("nfc_push_ndef_message", NFC_RESULT_IO_ERROR);
    QCOMPARE(nfc_push_ndef_message(tag, message), NFC_RESULT_IO_ERROR);

    // A setting is read only from an answer that carries it.
    QTest::ignoreMessage(QtWarningMsg, "nfc_get_setting(3): the service answered no value");
    QCOMPARE(nfc_get_setting(NFC_SETTING_PROMPT_TO_SEND_FILES, &value), NFC_RESULT_IO_ERROR);
    backend.setOutValues("nfc_get_setting", {false});
    QCOMPARE(nfc_get_setting(NFC_SETTING_PROMPT_TO_SEND_FILES, &value), NFC_RESULT_SUCCESS);
    QCOMPARE(value, false);

    QCOMPARE(nfc_register_handover_listener(nfc_handover_transport_t(5)),
             NFC_RESULT_INVALID_PARAMETER);
    QVERIFY(backend.argumentsOf("nfc_register_handover_listener").isEmpty());

    // The backend may refuse local work too; nothing is made then.
    backend.failCall("nfc_create_ndef_message_from_bytes", NFC_RESULT_IO_ERROR);
    nfc_ndef_message_t *refused = message;
    QCOMPARE(parse(hex("d0 00 00"), &refused), NFC_RESULT_IO_ERROR);
    QCOMPARE(refused, nullptr);

    // A release is final even when the backend refuses to hear of it: the message is gone
    // (ASan would report it otherwise) and its handle is stale.
    backend.failCall("nfc_delete_ndef_message", NFC_RESULT_IO_ERROR);
    QCOMPARE(nfc_delete_ndef_message(message, true), NFC_RESULT_IO_ERROR);
    backend.succeedCall("nfc_delete_ndef_message");
    QCOMPARE(nfc_delete_ndef_message(message, true), NFC_RESULT_INVALID_PARAMETER);
    QCOMPARE(nfc_destroy_target(tag), NFC_RESULT_SUCCESS);
}

void tst_Ndef::describesForPeople_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("description");

    QTest::newRow("text") << hex("d1 01 08 54 02 65 6e 68 65 6c 6c 6f")
                          << QStringLiteral("Text 'hello' (en)");
    QTest::newRow("UTF-16 text, little-endian mark")
        << hex("d1 01 09 54 82 65 6e ff fe 68 00 69 00") << QStringLiteral("Text 'hi' (en)");
    QTest::newRow("control characters are not passed on")
        << hex("d1 01 06 54 02 65 6e 1b 5b 41") << QStringLiteral("Text '\uFFFD[A' (en)");
    QTest::newRow("URI") << hex("d1 01 0c 55 04") + "example.com"
                         << QStringLiteral("URI https://example.com");
    QTest::newRow("URI with an unknown prefix code")
        << hex("d1 01 02 55 24 61") << QStringLiteral("URI, malformed, 2 bytes");
    QTest::newRow("media") << hex("d2 09 04") + "image/png" + hex("89 50 4e 47")
                           << QStringLiteral("media image/png, 4 bytes");
    QTest::newRow("two records") << hex("91 01 05 54 02 65 6e 68 69  51 01 04 55 05 31 32 33")
                                 << QStringLiteral("2 records: Text 'hi' (en); URI tel:123");
    QTest::newRow("not NDEF") << hex("d7 00 00")
                              << QStringLiteral("not an NDEF message: record 0 at byte 0: "
                                                "reserved TNF 7");
}

void tst_Ndef::describesForPeople()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, description);
    QCOMPARE(ndef::describeBytes(bytes), description);
}

QTEST_GUILESS_MAIN(tst_Ndef)
#include "tst_ndef.moc"
