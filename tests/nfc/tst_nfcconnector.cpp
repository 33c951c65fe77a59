// The NFC connector against the recording backend (registrations, hand-over confirmation and
// the "PERIMETER" rules, remote targets read from hand-over records, push, tag write, the prompt
// setting) and the NFC event handler (subscription, the event table, target lifetime).
#include "nfcconnector_p.h"
#include "nfcxrvhandler_p.h"

#include "nfctestsupport.h"

#include <nfc/ndef_p.h>

#include <QTest>

using namespace qz::system;
using Transport = NfcShareHandoverTransport;
using Service = RecordingBackend::Service;
namespace ndef = qz::platform::ndef;

Q_DECLARE_METATYPE(std::function<bool(NfcConnector &)>)

namespace {

const int TargetId = 42;

QList<Transport::Type> transports(const QList<int> &values)
{
    QList<Transport::Type> list;
    for (int v : values)
        list.append(Transport::Type(v));
    return list;
}

ndef::Record carrier(bool bluetooth, const char *address)
{
    ndef::Record record;
    const bool made = bluetooth ? ndef::bluetoothCarrierRecord(address, &record)
                                : ndef::wifiDirectCarrierRecord(address, &record);
    Q_ASSERT(made);
    return record;
}

QVariantMap targetWith(const QList<QByteArray> &messages)
{
    QVariantList list;
    for (const QByteArray &m : messages)
        list.append(m);
    return {{QStringLiteral("id"), TargetId},
            {QStringLiteral("ndef_messages"), list},
            {QStringLiteral("handover_role"), int(NFC_HANDOVER_ROLE_SELECTOR)}};
}

const QVariantMap SomeTarget = targetWith({});

// Sets or unsets "PERIMETER" for one test function.
class PerimeterScope
{
public:
    explicit PerimeterScope(const QString &value)
    {
        if (value.isNull())
            qunsetenv("PERIMETER");
        else
            qputenv("PERIMETER", value.toUtf8());
    }
    ~PerimeterScope() { qunsetenv("PERIMETER"); }
};

// What the handler hands its owner, as text; a target is checked to be alive during the call.
class RecordingOwner : public NfcXrvHandlerOwner
{
public:
    QStringList calls;
    nfc_target_t *lastTarget = nullptr;

    void snepData(nfc_target_t *target) override { record("snepData", target); }
    void writeData(nfc_target_t *target) override { record("writeData", target); }
    void handoverDetected(nfc_target_t *target) override { record("handoverDetected", target); }
    void prepareFileTransfer(nfc_target_t *target) override
    {
        record("prepareFileTransfer", target);
    }
    void nfcShareFailed(NfcShareError::Type error) override
    {
        calls.append(QStringLiteral("failed %1").arg(error));
    }
    void nfcShareTransferFailed(NfcShareError::Type error) override
    {
        calls.append(QStringLiteral("transferFailed %1").arg(error));
    }
    void nfcShareTransferSucceed(NfcShareSuccess::Type result) override
    {
        calls.append(QStringLiteral("transferSucceed %1").arg(result));
    }

private:
    void record(const char *name, nfc_target_t *target)
    {
        unsigned int count = 0;
        const bool alive = nfc_get_ndef_message_count(target, &count) == NFC_RESULT_SUCCESS;
        calls.append(QString::fromLatin1(name) + (alive ? QString() : QStringLiteral(" (dead)")));
        lastTarget = target;
    }
};

} // namespace

class tst_NfcConnector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void registrations_data();
    void registrations();
    void registerHandoverListener_data();
    void registerHandoverListener();
    void confirmHandover_data();
    void confirmHandover();
    void handoverTargets_data();
    void handoverTargets();
    void pushAndWrite();
    void promptSetting_data();
    void promptSetting();

    void handlerSubscription();
    void handlerEvents_data();
    void handlerEvents();

private:
    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<NfcLogCapture> m_log;
    NfcConnector m_connector;
};

void tst_NfcConnector::init()
{
    m_backend = std::make_unique<RecordingBackend>(std::initializer_list<Service>{Service::Nfc});
    m_log = std::make_unique<NfcLogCapture>();
}

void tst_NfcConnector::cleanup()
{
    m_log.reset();
    m_backend.reset();
}

void tst_NfcConnector::registrations_data()
{
    QTest::addColumn<std::function<bool(NfcConnector &)>>("operation");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("failureWarning");

    QTest::newRow("snep") << std::function([](NfcConnector &c) {
        return c.registerSnepDetection();
    }) << QByteArray("nfc_register_snep_client")
                          << QVariantList() << QStringLiteral("registerSnepDetection. Error: ");
    QTest::newRow("snep off") << std::function(
                                     [](NfcConnector &c) { return c.unregisterSnepDetection(); })
                              << QByteArray("nfc_unregister_snep_client") << QVariantList()
                              << QStringLiteral("unregisterSnepDetection. Error: ");
    QTest::newRow("tags") << std::function([](NfcConnector &c) { return c.registerTagDetection(); })
                          << QByteArray("nfc_register_tag_readerwriter") << QVariantList{4}
                          << QStringLiteral("registerTagDetection. Error: ");
    QTest::newRow("tags off") << std::function(
                                     [](NfcConnector &c) { return c.unregisterTagDetection(); })
                              << QByteArray("nfc_unregister_tag_readerwriter") << QVariantList()
                              << QStringLiteral("unregisterTagDetection. Error: ");
    QTest::newRow("hand-over off")
        << std::function([](NfcConnector &c) { return c.unregisterHandoverListener(); })
        << QByteArray("nfc_unregister_handover_listener") << QVariantList()
        << QStringLiteral("Failed to nfc_unregister_handover_listener. Error:");
}

void tst_NfcConnector::registrations()
{
    QFETCH(std::function<bool(NfcConnector &)>, operation);
    QFETCH(QByteArray, call);
    QFETCH(QVariantList, arguments);
    QFETCH(QString, failureWarning);

    QVERIFY(operation(m_connector));
    QCOMPARE(m_backend->argumentsOf(call), QList<QVariantList>{arguments});
    QVERIFY(m_log->warnings.isEmpty());

    m_backend->failCall(call);
    QVERIFY(!operation(m_connector));
    QVERIFY2(m_log->warningsStartWith({failureWarning}), qPrintable(m_log->warnings.join(u'|')));
}

void tst_NfcConnector::registerHandoverListener_data()
{
    QTest::addColumn<QList<int>>("list");
    QTest::addColumn<QString>("perimeter");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QList<int>>("registered"); // library codes, in call order
    QTest::addColumn<bool>("result");
    QTest::addColumn<QStringList>("warnings");

    const QString unset;
    const QString outside = QStringLiteral(
        "NfcConnector::registerHandoverListener error - cannot handle perimeter type  ");
    QTest::newRow("bluetooth") << QList<int>{0} << unset << false << QList<int>{1} << true
                               << QStringList();
    QTest::newRow("wifi direct in the personal perimeter")
        << QList<int>{1} << QStringLiteral("personal") << false << QList<int>{2} << true
        << QStringList();
    QTest::newRow("both in the enterprise perimeter")
        << QList<int>{0, 1} << QStringLiteral("enterprise") << false << QList<int>{1, 2} << true
        << QStringList();
    QTest::newRow("wifi direct outside a perimeter skipped, bluetooth still registered")
        << QList<int>{1, 0} << unset << false << QList<int>{1} << true
        << QStringList{outside + QStringLiteral("\"\"")};
    QTest::newRow("wifi direct alone outside a perimeter registers nothing")
        << QList<int>{1} << QStringLiteral("Personal") << false << QList<int>() << false
        << QStringList{outside + QStringLiteral("\"Personal\"")};
    QTest::newRow("unknown transport")
        << QList<int>{0, 7} << unset << false << QList<int>{1} << true
        << QStringList{QStringLiteral("Unexpected handover transport  7"),
                       QStringLiteral("Failed to register handover listener for transport:  7")};
    QTest::newRow("empty list") << QList<int>() << unset << false << QList<int>() << false
                                << QStringList();
    QTest::newRow("refused registrations are all tried")
        << QList<int>{0, 1} << QStringLiteral("personal") << true << QList<int>{1, 2} << false
        << QStringList{QStringLiteral("Failed to register handover listener for transport:  0"),
                       QStringLiteral("Failed to register handover listener for transport:  1")};
}

void tst_NfcConnector::registerHandoverListener()
{
    QFETCH(QList<int>, list);
    QFETCH(QString, perimeter);
    QFETCH(bool, refuse);
    QFETCH(QList<int>, registered);
    QFETCH(bool, result);
    QFETCH(QStringList, warnings);

    PerimeterScope scope(perimeter);
    if (refuse)
        m_backend->failCall("nfc_register_handover_listener");
    QCOMPARE(m_connector.registerHandoverListener(transports(list)), result);
    QList<QVariantList> expected;
    for (int code : registered)
        expected.append(QVariantList{code});
    QCOMPARE(m_backend->argumentsOf("nfc_register_handover_listener"), expected);
    QCOMPARE(m_log->warnings, warnings);
}

void tst_NfcConnector::confirmHandover_data()
{
    QTest::addColumn<QList<int>>("list");
    QTest::addColumn<QString>("perimeter");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QStringList>("warnings");

    const QString unset;
    QTest::newRow("registered transports")
        << QList<int>() << unset << QByteArray("nfc_confirm_handover_process")
        << QVariantList{TargetId, true} << QStringList();
    QTest::newRow("bluetooth then wifi direct in a perimeter")
        << QList<int>{0, 1} << QStringLiteral("personal")
        << QByteArray("nfc_confirm_handover_process_with_transports")
        << QVariantList{TargetId, QVariantList{1, 2}, 2} << QStringList();
    QTest::newRow("wifi direct first")
        << QList<int>{1, 0} << QStringLiteral("enterprise")
        << QByteArray("nfc_confirm_handover_process_with_transports")
        << QVariantList{TargetId, QVariantList{2, 1}, 2} << QStringList();
    QTest::newRow("wifi direct alone outside a perimeter offers nothing")
        << QList<int>{1} << unset << QByteArray("nfc_confirm_handover_process_with_transports")
        << QVariantList{TargetId, QVariantList(), 0}
        << QStringList{QStringLiteral(
               "NfcConnector::confirmHandover error - cannot handle perimeter type  \"\"")};
    QTest::newRow("unknown transport dropped")
        << QList<int>{5, 0} << unset << QByteArray("nfc_confirm_handover_process_with_transports")
        << QVariantList{TargetId, QVariantList{1}, 1}
        << QStringList{QStringLiteral("NfcConnector::confirmHandover - Unexpected handover "
                                      "transport handover transport  5")};
}

void tst_NfcConnector::confirmHandover()
{
    QFETCH(QList<int>, list);
    QFETCH(QString, perimeter);
    QFETCH(QByteArray, call);
    QFETCH(QVariantList, arguments);
    QFETCH(QStringList, warnings);

    PerimeterScope scope(perimeter);
    NfcTargetProbe probe;
    bool confirmed = false;
    bool refusedConfirmed = true;
    QVERIFY(probe.deliver(NFC_HANDOVER_DETECTED_EVENT, SomeTarget, [&](nfc_target_t *target) {
        confirmed = m_connector.confirmHandover(target, transports(list));
        m_backend->failCall(call);
        refusedConfirmed = m_connector.confirmHandover(target, transports(list));
    }));
    QVERIFY(confirmed);
    QVERIFY(!refusedConfirmed);
    QCOMPARE(m_backend->argumentsOf(call), (QList<QVariantList>{arguments, arguments}));
    QCOMPARE(m_log->warnings.mid(0, warnings.size()), warnings);
    QVERIFY2(
        m_log->warnings.last().startsWith(QStringLiteral("Failed to confirm handover. Error:")),
        qPrintable(m_log->warnings.join(u'|')));

    m_backend->clear();
    QVERIFY(!m_connector.confirmHandover(nullptr, transports(list)));
    QVERIFY(m_backend->calls().isEmpty());
}

void tst_NfcConnector::handoverTargets_data()
{
    QTest::addColumn<QList<QByteArray>>("messages");
    QTest::addColumn<QStringList>("targets"); // "<transport code> <address>", in record order
    QTest::addColumn<QStringList>("warnings");

    const ndef::Record bluetooth = carrier(true, "aa:bb:cc:dd:ee:01");
    const ndef::Record wifi = carrier(false, "02-11-22-33-44-55");
    const ndef::Record text = ndef::textRecord("hello", "en");
    ndef::Record shortBluetooth = bluetooth;
    shortBluetooth.payload.truncate(3);

    QTest::newRow("bluetooth then wifi direct")
        << QList<QByteArray>{ndef::encode({bluetooth, wifi})}
        << QStringList{QStringLiteral("1 AA:BB:CC:DD:EE:01"), QStringLiteral("2 02:11:22:33:44:55")}
        << QStringList();
    QTest::newRow("wifi direct then bluetooth")
        << QList<QByteArray>{ndef::encode({wifi, bluetooth})}
        << QStringList{QStringLiteral("2 02:11:22:33:44:55"), QStringLiteral("1 AA:BB:CC:DD:EE:01")}
        << QStringList();
    QTest::newRow("a record without hand-over information is skipped")
        << QList<QByteArray>{ndef::encode({text, bluetooth})}
        << QStringList{QStringLiteral("1 AA:BB:CC:DD:EE:01")}
        << QStringList{QStringLiteral(
               "Target NDEF Record # 0  doesn't contain Handover information. Error: 6")};
    QTest::newRow("a bluetooth record too short for an address")
        << QList<QByteArray>{ndef::encode({shortBluetooth})} << QStringList()
        << QStringList{QStringLiteral(
               "Target NDEF Record # 0  doesn't contain Bluetooth Handover information. Error: 2")};
    QTest::newRow("two messages")
        << QList<QByteArray>{ndef::encode({bluetooth}), ndef::encode({wifi})} << QStringList()
        << QStringList{
               QStringLiteral("Target doesn't contain proper Handover NDEF message. Error: 0")};
    QTest::newRow("no message")
        << QList<QByteArray>() << QStringList()
        << QStringList{
               QStringLiteral("Target doesn't contain proper Handover NDEF message. Error: 0")};
    QTest::newRow("bytes that are no ndef")
        << QList<QByteArray>{QByteArray("\xd1\x02", 2)} << QStringList()
        << QStringList{
               QStringLiteral("Failed to retrieve Handover NDEF Message from target. Error: 2")};
}

void tst_NfcConnector::handoverTargets()
{
    QFETCH(QList<QByteArray>, messages);
    QFETCH(QStringList, targets);
    QFETCH(QStringList, warnings);

    NfcTargetProbe probe;
    bool result = false;
    QList<NfcRemoteTarget> out{{QStringLiteral("stale"), 1}};
    QVERIFY(
        probe.deliver(NFC_HANDOVER_COMPLETE_EVENT, targetWith(messages), [&](nfc_target_t *target) {
            result = m_connector.getHandoverTargets(target, out);
        }));
    QStringList read;
    for (const NfcRemoteTarget &t : out)
        read.append(QStringLiteral("%1 %2").arg(t.transport).arg(t.macAddress));
    QCOMPARE(read, targets);
    QCOMPARE(result, !targets.isEmpty());
    QCOMPARE(m_log->warnings, warnings);
}

void tst_NfcConnector::pushAndWrite()
{
    nfc_ndef_message_t *built = nullptr;
    QVERIFY(
        NfcConnector::createTextNDEFMessage(QStringLiteral("hi"), QStringLiteral("en"), &built));
    const std::unique_ptr<nfc_ndef_message_t, void (*)(nfc_ndef_message_t *)> message(
        built, [](nfc_ndef_message_t *m) { nfc_delete_ndef_message(m, true); });
    const QByteArray bytes = messageBytes(built);
    m_backend->clear();

    NfcTargetProbe probe;
    QVERIFY(probe.deliver(NFC_SNEP_CONNECTION_EVENT, SomeTarget, [&](nfc_target_t *target) {
        QVERIFY(!m_connector.pushNDEFMessage(nullptr, built));
        QVERIFY(!m_connector.pushNDEFMessage(target, nullptr));
        QCOMPARE(m_connector.writeNDEFMessage(nullptr, built), 1);
        QCOMPARE(m_connector.writeNDEFMessage(target, nullptr), 1);
        QVERIFY(m_backend->calls().isEmpty());

        QVERIFY(m_connector.pushNDEFMessage(target, built));
        QCOMPARE(m_connector.writeNDEFMessage(target, built), 0);
        m_backend->failCall("nfc_push_ndef_message");
        m_backend->failCall("nfc_write_ndef_message_to_tag", NFC_RESULT_TAG_LOCKED);
        QVERIFY(!m_connector.pushNDEFMessage(target, built));
        // The library's own result comes back, so that the caller can tell a locked tag.
        QCOMPARE(m_connector.writeNDEFMessage(target, built), int(NFC_RESULT_TAG_LOCKED));
    }));
    QCOMPARE(m_backend->argumentsOf("nfc_push_ndef_message"),
             (QList<QVariantList>{{TargetId, bytes}, {TargetId, bytes}}));
    QCOMPARE(m_backend->argumentsOf("nfc_write_ndef_message_to_tag"),
             (QList<QVariantList>{{TargetId, bytes, false}, {TargetId, bytes, false}}));
    QVERIFY(m_log->debugs.contains(QStringLiteral("Successfully pushed as NDEF Message")));
    QVERIFY(m_log->warnings.isEmpty());
}

void tst_NfcConnector::promptSetting_data()
{
    QTest::addColumn<QVariantList>("answer");
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<bool>("prompt");

    QTest::newRow("on") << QVariantList{true} << false << true;
    QTest::newRow("off") << QVariantList{false} << false << false;
    // Unreadable: ask rather than send files unasked.
    QTest::newRow("refused") << QVariantList{false} << true << true;
    QTest::newRow("no answer") << QVariantList() << false << true;
}

void tst_NfcConnector::promptSetting()
{
    QFETCH(QVariantList, answer);
    QFETCH(bool, refuse);
    QFETCH(bool, prompt);

    m_backend->setOutValues("nfc_get_setting", answer);
    if (refuse)
        m_backend->failCall("nfc_get_setting");
    QCOMPARE(m_connector.getNfcSettingPromptToSend(), prompt);
    QCOMPARE(m_backend->argumentsOf("nfc_get_setting"), QList<QVariantList>{{3}});
}

void tst_NfcConnector::handlerSubscription()
{
    RecordingOwner owner;
    {
        NfcXrvHandler handler(&owner);
        QVERIFY(handler.init());
        QCOMPARE(m_backend->argumentsOf("nfc_request_events"), QList<QVariantList>{{0}});
        QVERIFY(!handler.init());
        QCOMPARE(m_log->warnings,
                 QStringList{QStringLiteral(
                     "Attempting to establish duplicate subscription to NFC XRV events.")});
        QCOMPARE(m_backend->argumentsOf("nfc_request_events").size(), 1);
        QCOMPARE(m_backend->argumentsOf("nfc_stop_events").size(), 0);
    }
    QCOMPARE(m_backend->argumentsOf("nfc_stop_events").size(), 1);

    // Refused event delivery: no subscription is left, so no event reaches the owner.
    m_backend->clear();
    m_log->warnings.clear();
    m_backend->failCall("nfc_request_events");
    {
        NfcXrvHandler handler(&owner);
        QVERIFY(!handler.init());
        QVERIFY2(m_log->warningsStartWith(
                     {QStringLiteral("Failed to subscribe to NFC XRV events. Error: ")}),
                 qPrintable(m_log->warnings.join(u'|')));
        NfcTargetProbe probe;
        QVERIFY(probe.deliver(NFC_NDEF_PUSH_SUCCEED_EVENT, {}));
        QVERIFY(owner.calls.isEmpty());
    }
    QCOMPARE(m_backend->argumentsOf("nfc_stop_events").size(), 0);

    m_log->warnings.clear();
    NfcXrvHandler orphan(nullptr);
    QVERIFY(!orphan.init());
    QCOMPARE(m_log->warnings, QStringList(2, QStringLiteral("NfcShareManagerPrivate is NULL")));
}

void tst_NfcConnector::handlerEvents_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QVariantMap>("target");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QStringList>("calls");
    QTest::addColumn<QStringList>("warnings");

    const QVariantMap none;
    const QStringList quiet;
    const QStringList lost{QStringLiteral("failed 0")};
    auto row = [](const char *name) -> QTestData & { return QTest::newRow(name); };

    row("snep peer") << 1 << SomeTarget << false << QStringList{QStringLiteral("snepData")}
                     << quiet;
    row("snep peer without target")
        << 1 << none << false << lost
        << QStringList{
               QStringLiteral("Failed to retrieve target in for 'NFC_SNEP_CONNECTION_EVENT': ")};
    row("tag") << 2 << SomeTarget << false << QStringList{QStringLiteral("writeData")} << quiet;
    row("tag without target")
        << 2 << none << false << lost
        << QStringList{
               QStringLiteral("Failed to retrieve target in for 'NFC_TAG_READWRITE_EVENT': ")};
    row("hand-over detected") << 3 << SomeTarget << false
                              << QStringList{QStringLiteral("handoverDetected")} << quiet;
    row("hand-over detected without target")
        << 3 << none << false << lost
        << QStringList{
               QStringLiteral("Failed to retrieve target in for 'NFC_HANDOVER_DETECTED_EVENT'")};
    row("hand-over complete") << 4 << SomeTarget << false
                              << QStringList{QStringLiteral("prepareFileTransfer")} << quiet;
    row("hand-over complete without target")
        << 4 << none << false << lost
        << QStringList{
               QStringLiteral("Failed to retrieve target in for 'NFC_HANDOVER_COMPLETE_EVENT': ")};
    row("nfc off") << 6 << none << false << QStringList() << quiet;
    row("nfc on") << 7 << none << false << QStringList() << quiet;
    row("push succeeded") << 20 << none << false << QStringList{QStringLiteral("transferSucceed 1")}
                          << quiet;
    row("message too large") << 21 << none << false
                             << QStringList{QStringLiteral("transferFailed 4")}
                             << QStringList{QStringLiteral("SNEP Failed - MSG_OVER_SIZE")};
    row("rejected") << 22 << none << false << QStringList{QStringLiteral("transferFailed 7")}
                    << QStringList{QStringLiteral("SNEP Failed - SNEP Rejected")};
    row("i/o error") << 23 << none << false << QStringList{QStringLiteral("transferFailed 7")}
                     << QStringList{QStringLiteral("SNEP Failed - IO Error ")};
    row("no hand-over transport")
        << 30 << none << false << QStringList{QStringLiteral("failed 8")}
        << QStringList{QStringLiteral(
               "Failed to retrieve transport in for 'NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT'")};
    row("target lost") << 49 << none << false << QStringList{QStringLiteral("transferFailed 7")}
                       << QStringList{QStringLiteral("NFC_TARGET_LOST_EVENT")};
    row("unknown code only logs") << 5 << SomeTarget << false << QStringList()
                                  << QStringList{
                                         QStringLiteral("Unsupported nfc event type received: 5")};
    row("unreadable event") << 1 << SomeTarget << true << lost
                            << QStringList{QStringLiteral("Failed to retrieve NFC event from XRV")};
    row("unreadable event of an unknown code only logs")
        << 99 << none << true << QStringList()
        << QStringList{QStringLiteral("Unsupported nfc event type received: 99")};
}

void tst_NfcConnector::handlerEvents()
{
    QFETCH(int, code);
    QFETCH(QVariantMap, target);
    QFETCH(bool, unreadable);
    QFETCH(QStringList, calls);
    QFETCH(QStringList, warnings);

    RecordingOwner owner;
    NfcXrvHandler handler(&owner);
    QVERIFY(handler.init());
    NfcTargetProbe probe; // subscribed after the handler: sees each event after it
    m_backend->clear();
    QVariantHash extra;
    if (unreadable)
        extra.insert(QStringLiteral("nfc_event_error"), int(NFC_RESULT_IO_ERROR));
    QVERIFY(probe.deliver(code, target, {}, extra));

    QCOMPARE(owner.calls, calls);
    QVERIFY2(m_log->warningsStartWith(warnings), qPrintable(m_log->warnings.join(u'|')));
    // A target handed over is destroyed once, right after the call, and never used again.
    const bool handedOver = owner.lastTarget != nullptr;
    QCOMPARE(m_backend->argumentsOf("nfc_destroy_target"),
             handedOver ? QList<QVariantList>{{TargetId}} : QList<QVariantList>());
    if (handedOver) {
        unsigned int count = 0;
        QCOMPARE(nfc_get_ndef_message_count(owner.lastTarget, &count),
                 NFC_RESULT_INVALID_PARAMETER);
    }
}

QTEST_GUILESS_MAIN(tst_NfcConnector)
#include "tst_nfcconnector.moc"
