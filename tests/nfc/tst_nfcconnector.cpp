// The NFC connector against the recording backend (registrations, hand-over confirmation and
// the "PERIMETER" rules, remote targets read from hand-over records, push, tag write, the prompt
// setting) and the NFC event handler (subscription, the event table, target lifetime).
#include "nfcconnector_p.h"
#include "nfcxrvhandler_p.h"

#include "nfctestsupport.h"

#include <nfc/ndef_p.h>

#include <QTest>

using namespace qz::system;
using Service = RecordingBackend::Service;
namespace ndef = qz::platform::ndef;

Q_DECLARE_METATYPE(std::function<bool(NfcConnector &)>)

namespace {

const int TargetId = 42;
const QVariantMap SomeTarget{{QStringLiteral("id"), TargetId}};

QList<NfcShareHandoverTransport::Type> transports(const QList<int> &values)
{
    QList<NfcShareHandoverTransport::Type> list;
    for (int v : values)
        list.append(NfcShareHandoverTransport::Type(v));
    return list;
}

void setPerimeter(const char *value)
{
    value ? qputenv("PERIMETER", value) : qunsetenv("PERIMETER");
}

ndef::Record carrier(bool bluetooth, const char *address)
{
    ndef::Record record;
    (bluetooth ? ndef::bluetoothCarrierRecord : ndef::wifiDirectCarrierRecord)(address, &record);
    return record;
}

// What the handler hands its owner, as text; a target is checked to be alive during the call.
class RecordingOwner : public NfcXrvHandlerOwner
{
public:
    QStringList calls;
    nfc_target_t *lastTarget = nullptr;

    void snepData(nfc_target_t *target) override { take("snepData", target); }
    void writeData(nfc_target_t *target) override { take("writeData", target); }
    void handoverDetected(nfc_target_t *target) override { take("handoverDetected", target); }
    void prepareFileTransfer(nfc_target_t *target) override { take("prepareFileTransfer", target); }
    void nfcShareFailed(NfcShareError::Type e) override
    {
        calls.append(QStringLiteral("failed %1").arg(e));
    }
    void nfcShareTransferFailed(NfcShareError::Type e) override
    {
        calls.append(QStringLiteral("transferFailed %1").arg(e));
    }
    void nfcShareTransferSucceed(NfcShareSuccess::Type r) override
    {
        calls.append(QStringLiteral("transferSucceed %1").arg(r));
    }

private:
    void take(const char *name, nfc_target_t *target)
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
    setPerimeter(nullptr);
    m_log.reset();
    m_backend.reset();
}

void tst_NfcConnector::registrations_data()
{
    QTest::addColumn<std::function<bool(NfcConnector &)>>("operation");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariantList>("arguments");
    QTest::addColumn<QString>("failureWarning");

    auto row = [](const char *name, bool (NfcConnector::*op)(), const char *call,
                  const QVariantList &args, const char *warning) {
        QTest::newRow(name) << std::function<bool(NfcConnector &)>(op) << QByteArray(call) << args
                            << QString::fromLatin1(warning);
    };
    row("snep", &NfcConnector::registerSnepDetection, "nfc_register_snep_client", {},
        "registerSnepDetection. Error: ");
    row("snep off", &NfcConnector::unregisterSnepDetection, "nfc_unregister_snep_client", {},
        "unregisterSnepDetection. Error: ");
    row("tags", &NfcConnector::registerTagDetection, "nfc_register_tag_readerwriter", {4},
        "registerTagDetection. Error: ");
    row("tags off", &NfcConnector::unregisterTagDetection, "nfc_unregister_tag_readerwriter", {},
        "unregisterTagDetection. Error: ");
    row("hand-over off", &NfcConnector::unregisterHandoverListener,
        "nfc_unregister_handover_listener", {},
        "Failed to nfc_unregister_handover_listener. Error:");
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
    QTest::addColumn<QByteArray>("perimeter"); // null: unset
    QTest::addColumn<bool>("refuse");
    QTest::addColumn<QList<int>>("registered"); // library codes, in call order
    QTest::addColumn<QStringList>("warnings");

    const QString outside = QStringLiteral(
        "NfcConnector::registerHandoverListener error - cannot handle perimeter type  ");
    const QString failed = QStringLiteral("Failed to register handover listener for transport:  ");
    QTest::newRow("bluetooth") << QList<int>{0} << QByteArray() << false << QList<int>{1}
                               << QStringList();
    QTest::newRow("wifi direct in the personal perimeter")
        << QList<int>{1} << QByteArray("personal") << false << QList<int>{2} << QStringList();
    QTest::newRow("both in the enterprise perimeter")
        << QList<int>{0, 1} << QByteArray("enterprise") << false << QList<int>{1, 2}
        << QStringList();
    QTest::newRow("wifi direct outside a perimeter skipped, bluetooth still registered")
        << QList<int>{1, 0} << QByteArray() << false << QList<int>{1}
        << QStringList{outside + QStringLiteral("\"\"")};
    QTest::newRow("wifi direct alone outside a perimeter registers nothing")
        << QList<int>{1} << QByteArray("Personal") << false << QList<int>()
        << QStringList{outside + QStringLiteral("\"Personal\"")};
    QTest::newRow("unknown transport")
        << QList<int>{0, 7} << QByteArray() << false << QList<int>{1}
        << QStringList{QStringLiteral("Unexpected handover transport  7"),
                       failed + QStringLiteral("7")};
    QTest::newRow("empty list") << QList<int>() << QByteArray() << false << QList<int>()
                                << QStringList();
    QTest::newRow("refused registrations are all tried")
        << QList<int>{0, 1} << QByteArray("personal") << true << QList<int>{1, 2}
        << QStringList{failed + QStringLiteral("0"), failed + QStringLiteral("1")};
}

void tst_NfcConnector::registerHandoverListener()
{
    QFETCH(QList<int>, list);
    QFETCH(QByteArray, perimeter);
    QFETCH(bool, refuse);
    QFETCH(QList<int>, registered);
    QFETCH(QStringList, warnings);

    setPerimeter(perimeter.isNull() ? nullptr : perimeter.constData());
    if (refuse)
        m_backend->failCall("nfc_register_handover_listener");
    QCOMPARE(m_connector.registerHandoverListener(transports(list)),
             !refuse && !registered.isEmpty());
    QList<QVariantList> expected;
    for (int code : registered)
        expected.append(QVariantList{code});
    QCOMPARE(m_backend->argumentsOf("nfc_register_handover_listener"), expected);
    QCOMPARE(m_log->warnings, warnings);
}

void tst_NfcConnector::confirmHandover_data()
{
    QTest::addColumn<QList<int>>("list");
    QTest::addColumn<QByteArray>("perimeter");
    QTest::addColumn<QVariantList>("offered"); // library codes; unused with an empty list
    QTest::addColumn<QStringList>("warnings");

    QTest::newRow("registered transports")
        << QList<int>() << QByteArray() << QVariantList() << QStringList();
    QTest::newRow("bluetooth then wifi direct in a perimeter")
        << QList<int>{0, 1} << QByteArray("personal") << QVariantList{1, 2} << QStringList();
    QTest::newRow("wifi direct first")
        << QList<int>{1, 0} << QByteArray("enterprise") << QVariantList{2, 1} << QStringList();
    QTest::newRow("wifi direct alone outside a perimeter offers nothing")
        << QList<int>{1} << QByteArray() << QVariantList()
        << QStringList{QStringLiteral(
               "NfcConnector::confirmHandover error - cannot handle perimeter type  \"\"")};
    QTest::newRow("unknown transport dropped")
        << QList<int>{5, 0} << QByteArray() << QVariantList{1}
        << QStringList{QStringLiteral("NfcConnector::confirmHandover - Unexpected handover "
                                      "transport handover transport  5")};
}

void tst_NfcConnector::confirmHandover()
{
    QFETCH(QList<int>, list);
    QFETCH(QByteArray, perimeter);
    QFETCH(QVariantList, offered);
    QFETCH(QStringList, warnings);

    setPerimeter(perimeter.isNull() ? nullptr : perimeter.constData());
    const QByteArray call = list.isEmpty() ? "nfc_confirm_handover_process"
                                           : "nfc_confirm_handover_process_with_transports";
    const QVariantList arguments = list.isEmpty() ? QVariantList{TargetId, true}
                                                  : QVariantList{TargetId, offered, offered.size()};
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
    QVERIFY(
        m_log->warnings.last().startsWith(QStringLiteral("Failed to confirm handover. Error:")));

    m_backend->clear();
    QVERIFY(!m_connector.confirmHandover(nullptr, transports(list)));
    QVERIFY(m_backend->calls().isEmpty());
}

void tst_NfcConnector::handoverTargets_data()
{
    QTest::addColumn<QVariantList>("messages");
    QTest::addColumn<QStringList>("targets"); // "<transport code> <address>", in record order
    QTest::addColumn<QString>("warning");

    const ndef::Record bluetooth = carrier(true, "aa:bb:cc:dd:ee:01");
    const ndef::Record wifi = carrier(false, "02-11-22-33-44-55");
    ndef::Record shortBluetooth = bluetooth;
    shortBluetooth.payload.truncate(3);
    const QString bt = QStringLiteral("1 AA:BB:CC:DD:EE:01");
    const QString wd = QStringLiteral("2 02:11:22:33:44:55");
    const QString improper =
        QStringLiteral("Target doesn't contain proper Handover NDEF message. Error: 0");

    QTest::newRow("bluetooth then wifi direct")
        << QVariantList{ndef::encode({bluetooth, wifi})} << QStringList{bt, wd} << QString();
    QTest::newRow("wifi direct then bluetooth")
        << QVariantList{ndef::encode({wifi, bluetooth})} << QStringList{wd, bt} << QString();
    QTest::newRow("a record without hand-over information is skipped")
        << QVariantList{ndef::encode({ndef::textRecord("hello", "en"), bluetooth})}
        << QStringList{bt}
        << QStringLiteral("Target NDEF Record # 0  doesn't contain Handover information. Error: 6");
    QTest::newRow("a bluetooth record too short for an address")
        << QVariantList{ndef::encode({shortBluetooth})} << QStringList()
        << QStringLiteral(
               "Target NDEF Record # 0  doesn't contain Bluetooth Handover information. Error: 2");
    QTest::newRow("two messages") << QVariantList{ndef::encode({bluetooth}), ndef::encode({wifi})}
                                  << QStringList() << improper;
    QTest::newRow("no message") << QVariantList() << QStringList() << improper;
    QTest::newRow("bytes that are no ndef")
        << QVariantList{QByteArray("\xd1\x02", 2)} << QStringList()
        << QStringLiteral("Failed to retrieve Handover NDEF Message from target. Error: 2");
}

void tst_NfcConnector::handoverTargets()
{
    QFETCH(QVariantList, messages);
    QFETCH(QStringList, targets);
    QFETCH(QString, warning);

    NfcTargetProbe probe;
    bool result = false;
    QList<NfcRemoteTarget> out{{QStringLiteral("stale"), 1}};
    const QVariantMap target{{QStringLiteral("id"), TargetId},
                             {QStringLiteral("ndef_messages"), messages},
                             {QStringLiteral("handover_role"), 1}};
    QVERIFY(probe.deliver(NFC_HANDOVER_COMPLETE_EVENT, target, [&](nfc_target_t *t) {
        result = m_connector.getHandoverTargets(t, out);
    }));
    QStringList read;
    for (const NfcRemoteTarget &t : out)
        read.append(QStringLiteral("%1 %2").arg(t.transport).arg(t.macAddress));
    QCOMPARE(read, targets);
    QCOMPARE(result, !targets.isEmpty());
    QCOMPARE(m_log->warnings, warning.isEmpty() ? QStringList() : QStringList{warning});
}

void tst_NfcConnector::pushAndWrite()
{
    nfc_ndef_message_t *built = nullptr;
    QVERIFY(
        NfcConnector::createTextNDEFMessage(QStringLiteral("hi"), QStringLiteral("en"), &built));
    const std::unique_ptr<nfc_ndef_message_t, void (*)(nfc_ndef_message_t *)> owner(
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
        QVERIFY(!handler.init());
        QCOMPARE(m_log->warnings, QStringList{QStringLiteral("Attempting to establish duplicate "
                                                             "subscription to NFC XRV events.")});
        QCOMPARE(m_backend->callNames(), QList<QByteArray>{"nfc_request_events"});
        QCOMPARE(m_backend->argumentsOf("nfc_request_events"), QList<QVariantList>{{0}});
        // The first subscription still delivers.
        NfcTargetProbe probe;
        QVERIFY(probe.deliver(NFC_NDEF_PUSH_SUCCEED_EVENT, {}));
        QCOMPARE(owner.calls, QStringList{QStringLiteral("transferSucceed 1")});
        owner.calls.clear();
    }
    QCOMPARE(m_backend->callNames(), (QList<QByteArray>{"nfc_request_events", "nfc_stop_events"}));

    // Refused event delivery leaves no subscription: no event reaches the owner, none is stopped.
    m_backend->clear();
    m_log->warnings.clear();
    m_backend->failCall("nfc_request_events");
    {
        NfcXrvHandler handler(&owner);
        QVERIFY(!handler.init());
        QVERIFY(m_log->warningsStartWith(
            {QStringLiteral("Failed to subscribe to NFC XRV events. Error: ")}));
        NfcTargetProbe probe;
        QVERIFY(probe.deliver(NFC_NDEF_PUSH_SUCCEED_EVENT, {}));
        QVERIFY(owner.calls.isEmpty());
    }
    QCOMPARE(m_backend->callNames(), QList<QByteArray>{"nfc_request_events"});

    m_log->warnings.clear();
    NfcXrvHandler orphan(nullptr);
    QVERIFY(!orphan.init());
    QCOMPARE(m_log->warnings, QStringList(2, QStringLiteral("NfcShareManagerPrivate is NULL")));
}

void tst_NfcConnector::handlerEvents_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("withTarget");
    QTest::addColumn<bool>("unreadable");
    QTest::addColumn<QString>("call");
    QTest::addColumn<QString>("warning"); // prefix

    auto row = [](const char *name, int code, bool withTarget, const char *call,
                  const char *warning, bool unreadable = false) {
        QTest::newRow(name) << code << withTarget << unreadable << QString::fromLatin1(call)
                            << QString::fromLatin1(warning);
    };
    const char *failed = "failed 0";
    row("snep peer", 1, true, "snepData", "");
    row("snep peer without target", 1, false, failed,
        "Failed to retrieve target in for 'NFC_SNEP_CONNECTION_EVENT': ");
    row("tag", 2, true, "writeData", "");
    row("tag without target", 2, false, failed,
        "Failed to retrieve target in for 'NFC_TAG_READWRITE_EVENT': ");
    row("hand-over detected", 3, true, "handoverDetected", "");
    row("hand-over detected without target", 3, false, failed,
        "Failed to retrieve target in for 'NFC_HANDOVER_DETECTED_EVENT'");
    row("hand-over complete", 4, true, "prepareFileTransfer", "");
    row("hand-over complete without target", 4, false, failed,
        "Failed to retrieve target in for 'NFC_HANDOVER_COMPLETE_EVENT': ");
    row("nfc off", 6, false, "", "");
    row("nfc on", 7, true, "", "");
    row("push succeeded", 20, false, "transferSucceed 1", "");
    row("message too large", 21, false, "transferFailed 4", "SNEP Failed - MSG_OVER_SIZE");
    row("rejected", 22, false, "transferFailed 7", "SNEP Failed - SNEP Rejected");
    row("i/o error", 23, false, "transferFailed 7", "SNEP Failed - IO Error ");
    row("no hand-over transport", 30, false, "failed 8",
        "Failed to retrieve transport in for 'NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT'");
    row("target lost", 49, true, "transferFailed 7", "NFC_TARGET_LOST_EVENT");
    row("unknown code only logs", 5, true, "", "Unsupported nfc event type received: 5");
    row("unreadable event", 1, true, failed, "Failed to retrieve NFC event from XRV", true);
    row("unreadable event of an unknown code only logs", 99, false, "",
        "Unsupported nfc event type received: 99", true);
}

void tst_NfcConnector::handlerEvents()
{
    QFETCH(int, code);
    QFETCH(bool, withTarget);
    QFETCH(bool, unreadable);
    QFETCH(QString, call);
    QFETCH(QString, warning);

    RecordingOwner owner;
    NfcXrvHandler handler(&owner);
    QVERIFY(handler.init());
    NfcTargetProbe probe; // subscribed after the handler: sees each event after it
    m_backend->clear();
    QVariantHash extra;
    if (unreadable)
        extra.insert(QStringLiteral("nfc_event_error"), int(NFC_RESULT_IO_ERROR));
    QVERIFY(probe.deliver(code, withTarget ? SomeTarget : QVariantMap(), {}, extra));

    QCOMPARE(owner.calls, call.isEmpty() ? QStringList() : QStringList{call});
    QVERIFY2(m_log->warningsStartWith(warning.isEmpty() ? QStringList() : QStringList{warning}),
             qPrintable(m_log->warnings.join(u'|')));
    // A target handed over is destroyed once, right after the call, and refused from then on.
    const bool handedOver = owner.lastTarget != nullptr;
    QCOMPARE(m_backend->argumentsOf("nfc_destroy_target"),
             handedOver ? QList<QVariantList>{{TargetId}} : QList<QVariantList>());
    unsigned int count = 0;
    if (handedOver)
        QCOMPARE(nfc_get_ndef_message_count(owner.lastTarget, &count),
                 NFC_RESULT_INVALID_PARAMETER);
}

QTEST_GUILESS_MAIN(tst_NfcConnector)
#include "tst_nfcconnector.moc"
