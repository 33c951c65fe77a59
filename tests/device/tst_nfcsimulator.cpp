// The NFC simulator of qzdevice behind the nfc_* functions: the service on a thread of its own
// (the functions wait for its answers), the application through the NFC device backend, and the
// other side of the field speaking to the service as qzctl does.
#include "nfccontroller.h"
#include "nfcservice.h"
#include "ppstestserver.h"

#include <nfc/nfc.h>
#include <nfc/nfcdevicebackend.h>
#include <qz/AbstractXrvEventHandler>
#include <qz/PpsObject>

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cstdlib>
#include <memory>

using qz::platform::NfcDeviceBackend;
using qz::platform::Service;

namespace {

const QString s_bt = QStringLiteral("00:11:22:33:44:55");
const QString s_wifi = QStringLiteral("66:77:88:99:AA:BB");

class ServiceThread : public QThread
{
public:
    ~ServiceThread() override { stopService(); }
    void stopService()
    {
        quit();
        wait();
    }
    bool startService()
    {
        start();
        m_ready.acquire();
        return m_started;
    }

private:
    void run() override
    {
        NfcService service;
        QString error;
        m_started = service.start(&error);
        if (!m_started)
            qWarning("NFC service: %s", qPrintable(error));
        m_ready.release();
        if (m_started)
            exec();
    }

    QSemaphore m_ready;
    bool m_started = false;
};

// The other side of the field: requests and their answers on the peer object.
class Peer
{
public:
    Peer()
        : m_object(NfcService::s_peerPath)
    {
        QObject::connect(&m_object, &qz::PpsObject::readyRead, &m_object, [this] {
            bool ok = false;
            const QByteArray text = m_object.read(&ok);
            if (ok)
                answers.append(qz::PpsObject::decode(text).value(QStringLiteral("@peer")).toMap());
        });
    }
    bool open() { return m_object.open(qz::PpsOpenMode::PublishSubscribe); }
    bool send(const QString &msg, const QVariantMap &dat = {})
    {
        return m_object.writeMessage(msg, QStringLiteral("t"), dat) == 0;
    }
    QVariantMap lastDat() const
    {
        return answers.value(answers.size() - 1).value(QStringLiteral("dat")).toMap();
    }

    QList<QVariantMap> answers;

private:
    qz::PpsObject m_object;
};

// An application: every NFC event with the target it carries, kept until the end.
class App : public qz::AbstractXrvEventHandler
{
public:
    App() { subscribe(nfc_get_domain()); }
    ~App() override { releaseTargets(); }

    void event(xrv_event_t *event) override
    {
        nfc_event_t *nfcEvent = nullptr;
        nfc_target_t *target = nullptr;
        if (nfc_get_nfc_event(event, &nfcEvent) == NFC_RESULT_SUCCESS)
            nfc_get_target(nfcEvent, &target);
        m_events.append({xrv_event_get_code(event), target});
    }
    QList<int> codes() const
    {
        QList<int> codes;
        for (const auto &[code, target] : m_events)
            codes.append(code);
        return codes;
    }
    /*! The target of the latest event \a code, or null. */
    nfc_target_t *target(int code) const
    {
        for (auto it = m_events.crbegin(); it != m_events.crend(); ++it) {
            if (it->first == code)
                return it->second;
        }
        return nullptr;
    }
    void releaseTargets()
    {
        for (const auto &[code, target] : std::exchange(m_events, {})) {
            if (target)
                nfc_destroy_target(target);
        }
    }

private:
    QList<std::pair<int, nfc_target_t *>> m_events;
};

struct MessageDeleter
{
    void operator()(nfc_ndef_message_t *message) const { nfc_delete_ndef_message(message, true); }
};
using Message = std::unique_ptr<nfc_ndef_message_t, MessageDeleter>;

Message textMessage(const char *text)
{
    nfc_ndef_message_t *message = nullptr;
    nfc_ndef_record_t *record = nullptr;
    if (nfc_create_ndef_message(&message) != NFC_RESULT_SUCCESS ||
        nfc_create_text_record(text, "en", &record) != NFC_RESULT_SUCCESS ||
        nfc_add_ndef_record(message, record) != NFC_RESULT_SUCCESS)
        qFatal("cannot build a text message");
    return Message(message);
}

// "<transport> <address>" for each carrier record of the target's one message.
QStringList carriersOf(nfc_target_t *target)
{
    unsigned int messages = 0;
    nfc_ndef_message_t *message = nullptr;
    unsigned int records = 0;
    if (nfc_get_ndef_message_count(target, &messages) || messages != 1 ||
        nfc_get_ndef_message(target, 0, &message) || nfc_get_ndef_record_count(message, &records))
        return {QStringLiteral("no hand-over message")};
    QStringList carriers;
    for (unsigned int i = 0; i < records; ++i) {
        nfc_ndef_record_t *record = nullptr;
        nfc_handover_transport_t transport{};
        char *mac = nullptr;
        if (nfc_get_ndef_record(message, i, &record) ||
            nfc_get_handover_transport_type(record, &transport))
            return {QStringLiteral("unreadable record")};
        const nfc_result_t read = transport == NFC_HANDOVER_TRANSPORT_BLUETOOTH
                                      ? nfc_get_handover_bluetooth_mac_address(record, &mac)
                                      : nfc_get_handover_wifi_direct_mac_address(record, &mac);
        carriers.append(QStringLiteral("%1 %2").arg(transport).arg(
            read == NFC_RESULT_SUCCESS ? QString::fromLatin1(mac) : QStringLiteral("?")));
        std::free(mac);
    }
    return carriers;
}

QVariantMap carrier(int transport, const QString &mac)
{
    return {{QStringLiteral("transport"), transport}, {QStringLiteral("mac"), mac}};
}

// A PPS server, the service on its thread, the device backend installed, a peer and an app.
struct Rig
{
    Rig()
    {
        qz::platform::setBackend(Service::Nfc, &backend);
        up = pps.isRunning() && service.startService() && peer.open() &&
             nfc_request_events(0) == NFC_RESULT_SUCCESS;
    }
    ~Rig()
    {
        app.releaseTargets();
        qz::platform::setBackend(Service::Nfc, nullptr);
    }

    PpsTestServer pps;
    ServiceThread service;
    NfcDeviceBackend backend;
    Peer peer;
    App app;
    bool up = false;
};

#ifdef QZDEVICE_PATH
// qzppsd and qzdevice as processes; this process is the application, qzctl the other side.
class Device
{
public:
    Device()
        : m_socket(m_dir.filePath(QStringLiteral("pps.sock")))
        , m_previousSocket(qgetenv("QZ_PPS_SOCKET"))
    {
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(m_socket));
        for (QProcess *process : {&m_ppsd, &m_device})
            process->setReadChannel(QProcess::StandardError);
        m_ppsd.start(QStringLiteral(QZPPSD_PATH), {});
        m_device.start(QStringLiteral(QZDEVICE_PATH), {QStringLiteral("--verbose")});
        m_ready = waitFor(m_ppsd, "serving on") && waitFor(m_device, "nfc service ready");
    }
    ~Device()
    {
        for (QProcess *process : {&m_device, &m_ppsd}) {
            process->terminate();
            process->waitForFinished(5000);
        }
        qputenv("QZ_PPS_SOCKET", m_previousSocket);
    }
    bool isReady() const { return m_ready; }
    QString log() { return QString::fromUtf8(m_log += m_device.readAllStandardError()); }
    void startCtl(QProcess &ctl, const QStringList &arguments)
    {
        ctl.start(QStringLiteral(QZCTL_PATH), QStringList{QStringLiteral("nfc")} + arguments);
    }
    /*! Waits for a started qzctl; its output and exit code. */
    static std::pair<QString, int> finish(QProcess &ctl)
    {
        if (!QTest::qWaitFor([&] { return ctl.state() == QProcess::NotRunning; }, 20000))
            return {QStringLiteral("qzctl did not finish"), -1};
        return {QString::fromUtf8(ctl.readAllStandardOutput()), ctl.exitCode()};
    }

private:
    bool waitFor(QProcess &process, const char *text)
    {
        QByteArray seen;
        while (!seen.contains(text)) {
            if (!process.waitForReadyRead(10000)) {
                qWarning("%s never said \"%s\": %s", qPrintable(process.program()), text,
                         seen.constData());
                return false;
            }
            seen += process.readAllStandardError();
        }
        if (&process == &m_device)
            m_log = seen;
        return true;
    }

    QTemporaryDir m_dir;
    QString m_socket;
    QByteArray m_previousSocket;
    QProcess m_ppsd;
    QProcess m_device;
    QByteArray m_log;
    bool m_ready = false;
};
#endif

} // namespace

class tst_NfcSimulator : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void pushToPeer_data();
    void pushToPeer();
    void tagWrite_data();
    void tagWrite();
    void handover_data();
    void handover();
    void targetLeavingTheField();
    void controllerSwitches();
    void peerRequestsRefused_data();
    void peerRequestsRefused();
    void withoutController();
    void controllerRestarting();
    void qzctlAgainstDevice();
    void qzctlUsageErrors_data();
    void qzctlUsageErrors();
};

void tst_NfcSimulator::pushToPeer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<int>("event");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("accepts") << "accept" << int(NFC_NDEF_PUSH_SUCCEED_EVENT) << "received";
    QTest::newRow("rejects") << "reject" << int(NFC_NDEF_PUSH_FAILURE_REJECTED_EVENT) << "rejected";
    QTest::newRow("too large") << "too-large" << int(NFC_NDEF_PUSH_FAILURE_MSG_OVER_SIZE_EVENT)
                               << "too-large";
    QTest::newRow("I/O error") << "io-error" << int(NFC_NDEF_PUSH_FAILURE_IO_ERROR_EVENT)
                               << "io-error";
}

void tst_NfcSimulator::pushToPeer()
{
    QFETCH(QString, answer);
    QFETCH(int, event);
    QFETCH(QString, outcome);
    Rig rig;
    QVERIFY(rig.up);
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);

    QVERIFY(rig.peer.send(QStringLiteral("tap"), {{QStringLiteral("kind"), QStringLiteral("peer")},
                                                  {QStringLiteral("answer"), answer}}));
    QTRY_VERIFY(rig.app.target(NFC_SNEP_CONNECTION_EVENT));
    nfc_target_t *target = rig.app.target(NFC_SNEP_CONNECTION_EVENT);
    const Message message = textMessage("hello");
    QCOMPARE(nfc_push_ndef_message(target, message.get()), NFC_RESULT_SUCCESS);
    QTRY_COMPARE(rig.app.codes(), QList<int>({NFC_SNEP_CONNECTION_EVENT, event}));
    QTRY_COMPARE(rig.peer.answers.size(), 1);
    QCOMPARE(rig.peer.lastDat().value(QStringLiteral("outcome")).toString(), outcome);
    QCOMPARE(rig.peer.lastDat().value(QStringLiteral("records")).toStringList(),
             QStringList{QStringLiteral("Text 'hello' (en)")});

    // The exchange is over and the peer gone: the same target takes no second push.
    QCOMPARE(nfc_push_ndef_message(target, message.get()), NFC_RESULT_INVALID_PARAMETER);
}

void tst_NfcSimulator::tagWrite_data()
{
    QTest::addColumn<QVariantMap>("tag");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("outcome");

    QTest::newRow("writable") << QVariantMap() << int(NFC_RESULT_SUCCESS) << "written";
    QTest::newRow("locked") << QVariantMap{{QStringLiteral("locked"), true}}
                            << int(NFC_RESULT_TAG_LOCKED) << "locked";
    // "hello" in "en" takes 12 bytes as a short text record.
    QTest::newRow("one byte too small") << QVariantMap{{QStringLiteral("capacity"), 11}}
                                        << int(NFC_RESULT_MESSAGE_TOO_LARGE) << "too-small";
    QTest::newRow("just large enough")
        << QVariantMap{{QStringLiteral("capacity"), 12}} << int(NFC_RESULT_SUCCESS) << "written";
    QTest::newRow("unsupported type") << QVariantMap{{QStringLiteral("unsupported"), true}}
                                      << int(NFC_RESULT_UNSUPPORTED_TAG_TYPE) << "unsupported";
}

void tst_NfcSimulator::tagWrite()
{
    QFETCH(QVariantMap, tag);
    QFETCH(int, result);
    QFETCH(QString, outcome);
    Rig rig;
    QVERIFY(rig.up);
    QCOMPARE(nfc_register_tag_readerwriter(NFC_TAG_TYPE_NDEF), NFC_RESULT_SUCCESS);

    tag.insert(QStringLiteral("kind"), QStringLiteral("tag"));
    QVERIFY(rig.peer.send(QStringLiteral("tap"), tag));
    QTRY_VERIFY(rig.app.target(NFC_TAG_READWRITE_EVENT));
    const Message message = textMessage("hello");
    QCOMPARE(int(nfc_write_ndef_message_to_tag(rig.app.target(NFC_TAG_READWRITE_EVENT),
                                               message.get(), false)),
             result);
    QTRY_COMPARE(rig.peer.answers.size(), 1);
    QCOMPARE(rig.peer.lastDat().value(QStringLiteral("outcome")).toString(), outcome);

    // What the tag holds now: the message only when the write went through.
    const bool kept = result == NFC_RESULT_SUCCESS;
    QVERIFY(rig.peer.send(QStringLiteral("read-tag")));
    QTRY_COMPARE(rig.peer.answers.size(), 2);
    QCOMPARE(rig.peer.lastDat().value(QStringLiteral("records")).toStringList(),
             kept ? QStringList{QStringLiteral("Text 'hello' (en)")} : QStringList());
    rig.app.releaseTargets();
    QVERIFY(rig.peer.send(QStringLiteral("tap"), tag));
    QTRY_VERIFY(rig.app.target(NFC_TAG_READWRITE_EVENT));
    unsigned int count = 99;
    QCOMPARE(nfc_get_ndef_message_count(rig.app.target(NFC_TAG_READWRITE_EVENT), &count),
             NFC_RESULT_SUCCESS);
    QCOMPARE(count, kept ? 1u : 0u);
}

void tst_NfcSimulator::handover_data()
{
    QTest::addColumn<QVariantList>("carriers");
    QTest::addColumn<QVariantList>("offered"); // empty: the registered transports
    QTest::addColumn<int>("event");
    QTest::addColumn<QStringList>("targets");

    const QVariantList btWifi{carrier(1, s_bt), carrier(2, s_wifi)};
    QTest::newRow("Bluetooth then Wi-Fi Direct")
        << btWifi << QVariantList() << int(NFC_HANDOVER_COMPLETE_EVENT)
        << QStringList{u"1 " + s_bt, u"2 " + s_wifi};
    QTest::newRow("Wi-Fi Direct then Bluetooth")
        << QVariantList{carrier(2, s_wifi), carrier(1, s_bt)} << QVariantList()
        << int(NFC_HANDOVER_COMPLETE_EVENT) << QStringList{u"2 " + s_wifi, u"1 " + s_bt};
    QTest::newRow("Wi-Fi Direct offered first")
        << btWifi << QVariantList{2, 1} << int(NFC_HANDOVER_COMPLETE_EVENT)
        << QStringList{u"2 " + s_wifi, u"1 " + s_bt};
    QTest::newRow("only Bluetooth offered")
        << btWifi << QVariantList{1} << int(NFC_HANDOVER_COMPLETE_EVENT)
        << QStringList{u"1 " + s_bt};
    QTest::newRow("no common transport")
        << QVariantList{carrier(2, s_wifi)} << QVariantList{1}
        << int(NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT) << QStringList();
}

void tst_NfcSimulator::handover()
{
    QFETCH(QVariantList, carriers);
    QFETCH(QVariantList, offered);
    QFETCH(int, event);
    QFETCH(QStringList, targets);
    Rig rig;
    QVERIFY(rig.up);
    QCOMPARE(nfc_register_handover_listener(NFC_HANDOVER_TRANSPORT_BLUETOOTH), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_register_handover_listener(NFC_HANDOVER_TRANSPORT_WIFI_DIRECT),
             NFC_RESULT_SUCCESS);

    QVERIFY(
        rig.peer.send(QStringLiteral("tap"), {{QStringLiteral("kind"), QStringLiteral("handover")},
                                              {QStringLiteral("carriers"), carriers}}));
    QTRY_VERIFY(rig.app.target(NFC_HANDOVER_DETECTED_EVENT));
    nfc_target_t *detected = rig.app.target(NFC_HANDOVER_DETECTED_EVENT);
    if (offered.isEmpty()) {
        QCOMPARE(nfc_confirm_handover_process(detected, true), NFC_RESULT_SUCCESS);
    } else {
        QList<nfc_handover_transport_t> codes;
        for (const QVariant &code : offered)
            codes.append(nfc_handover_transport_t(code.toInt()));
        QCOMPARE(nfc_confirm_handover_process_with_transports(detected, codes.constData(),
                                                              unsigned(codes.size())),
                 NFC_RESULT_SUCCESS);
    }
    QTRY_COMPARE(rig.app.codes(), QList<int>({NFC_HANDOVER_DETECTED_EVENT, event}));
    if (event == NFC_HANDOVER_COMPLETE_EVENT)
        QCOMPARE(carriersOf(rig.app.target(event)), targets);
    QTRY_COMPARE(rig.peer.answers.size(), 1);
    QStringList confirmed;
    for (const QVariant &item : rig.peer.lastDat().value(QStringLiteral("carriers")).toList())
        confirmed.append(QStringLiteral("%1 %2")
                             .arg(item.toMap().value(QStringLiteral("transport")).toInt())
                             .arg(item.toMap().value(QStringLiteral("mac")).toString()));
    QCOMPARE(confirmed, targets);
}

void tst_NfcSimulator::targetLeavingTheField()
{
    Rig rig;
    QVERIFY(rig.up);
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);

    // Taken away by the peer side before the application pushed.
    QVERIFY(
        rig.peer.send(QStringLiteral("tap"), {{QStringLiteral("kind"), QStringLiteral("peer")}}));
    QTRY_VERIFY(rig.app.target(NFC_SNEP_CONNECTION_EVENT));
    QVERIFY(rig.peer.send(QStringLiteral("lose")));
    QTRY_COMPARE(rig.app.codes(), QList<int>({NFC_SNEP_CONNECTION_EVENT, NFC_TARGET_LOST_EVENT}));
    QTRY_COMPARE(rig.peer.answers.size(), 2); // the tap's and the lose's
    QCOMPARE(rig.peer.answers.first()
                 .value(QStringLiteral("dat"))
                 .toMap()
                 .value(QStringLiteral("outcome")),
             QVariant(QStringLiteral("lost")));
    const Message message = textMessage("late");
    QCOMPARE(nfc_push_ndef_message(rig.app.target(NFC_SNEP_CONNECTION_EVENT), message.get()),
             NFC_RESULT_INVALID_PARAMETER);

    // The tapping side dies mid-exchange: the target leaves with it.
    {
        Peer dying;
        QVERIFY(dying.open());
        QVERIFY(
            dying.send(QStringLiteral("tap"), {{QStringLiteral("kind"), QStringLiteral("peer")}}));
        QTRY_COMPARE(rig.app.codes().size(), 3);
    }
    QTRY_COMPARE(rig.app.codes().size(), 4);
    QCOMPARE(rig.app.codes().last(), int(NFC_TARGET_LOST_EVENT));
}

void tst_NfcSimulator::controllerSwitches()
{
    Rig rig;
    QVERIFY(rig.up);
    const auto ask = [&rig](const QString &msg, const QVariantMap &dat = {}) {
        const int before = rig.peer.answers.size();
        return rig.peer.send(msg, dat) &&
               QTest::qWaitFor([&] { return rig.peer.answers.size() > before; });
    };

    // A failure switched on is what the call returns, until cleared.
    QVERIFY(ask(QStringLiteral("fail"),
                {{QStringLiteral("call"), QStringLiteral("nfc_register_snep_client")},
                 {QStringLiteral("result"), int(NFC_RESULT_IO_ERROR)}}));
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_IO_ERROR);
    QCOMPARE(nfc_register_tag_readerwriter(NFC_TAG_TYPE_NDEF), NFC_RESULT_SUCCESS);
    QVERIFY(ask(QStringLiteral("fail"), {{QStringLiteral("clear"), true}}));
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);

    // The user's setting, both ways.
    bool prompt = true;
    QVERIFY(ask(QStringLiteral("prompt"), {{QStringLiteral("on"), false}}));
    QCOMPARE(nfc_get_setting(NFC_SETTING_PROMPT_TO_SEND_FILES, &prompt), NFC_RESULT_SUCCESS);
    QCOMPARE(prompt, false);
    QVERIFY(ask(QStringLiteral("prompt"), {{QStringLiteral("on"), true}}));
    QCOMPARE(nfc_get_setting(NFC_SETTING_PROMPT_TO_SEND_FILES, &prompt), NFC_RESULT_SUCCESS);
    QCOMPARE(prompt, true);

    // Off: told to the application, and nothing comes into the field until it is on again.
    QVERIFY(ask(QStringLiteral("off")));
    QTRY_COMPARE(rig.app.codes(), QList<int>{NFC_OFF_EVENT});
    QVERIFY(ask(QStringLiteral("tap"), {{QStringLiteral("kind"), QStringLiteral("peer")}}));
    QCOMPARE(rig.peer.answers.last().value(QStringLiteral("errstr")).toString(),
             QStringLiteral("NFC is off"));
    QVERIFY(ask(QStringLiteral("on")));
    QTRY_COMPARE(rig.app.codes(), QList<int>({NFC_OFF_EVENT, NFC_ON_EVENT}));
}

void tst_NfcSimulator::peerRequestsRefused_data()
{
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QVariantMap>("dat");

    const auto handover = [](const QVariantList &carriers) {
        return QVariantMap{{QStringLiteral("kind"), QStringLiteral("handover")},
                           {QStringLiteral("carriers"), carriers}};
    };
    QTest::newRow("unknown msg") << "explode" << QVariantMap();
    QTest::newRow("unknown kind") << "tap"
                                  << QVariantMap{{QStringLiteral("kind"), QStringLiteral("phone")}};
    QTest::newRow("negative capacity")
        << "tap"
        << QVariantMap{{QStringLiteral("kind"), QStringLiteral("tag")},
                       {QStringLiteral("capacity"), -1}};
    QTest::newRow("hand-over without carriers") << "tap" << handover({});
    QTest::newRow("unknown transport") << "tap" << handover({carrier(3, s_bt)});
    QTest::newRow("malformed MAC") << "tap" << handover({carrier(1, QStringLiteral("00:11:22"))});
    QTest::newRow("nothing to lose") << "lose" << QVariantMap();
    QTest::newRow("failure of success")
        << "fail"
        << QVariantMap{{QStringLiteral("call"), QStringLiteral("nfc_push_ndef_message")},
                       {QStringLiteral("result"), 0}};
}

void tst_NfcSimulator::peerRequestsRefused()
{
    QFETCH(QString, msg);
    QFETCH(QVariantMap, dat);
    Rig rig;
    QVERIFY(rig.up);
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);

    QVERIFY(rig.peer.send(msg, dat));
    QTRY_COMPARE(rig.peer.answers.size(), 1);
    QVERIFY(rig.peer.answers.first().value(QStringLiteral("err")).toInt() > 0);
    QVERIFY(!rig.peer.answers.first().value(QStringLiteral("errstr")).toString().isEmpty());
    // Nothing came into the field, and the service still serves.
    QVERIFY(
        rig.peer.send(QStringLiteral("tap"), {{QStringLiteral("kind"), QStringLiteral("peer")}}));
    QTRY_COMPARE(rig.app.codes(), QList<int>{NFC_SNEP_CONNECTION_EVENT});
}

void tst_NfcSimulator::withoutController()
{
    // By default applications talk to the device; with no device they are told so, while
    // building messages needs no device at all.
    QVERIFY(dynamic_cast<NfcDeviceBackend *>(qz::platform::backend(Service::Nfc)));
    PpsTestServer pps;
    QVERIFY(pps.isRunning());
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SERVICE_UNAVAILABLE);
    QCOMPARE(nfc_request_events(0), int(NFC_RESULT_SERVICE_UNAVAILABLE));
    const Message message = textMessage("offline");
    QVERIFY(message);

    // A controller that comes later is found on the next call.
    ServiceThread service;
    QVERIFY(service.startService());
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);
}

void tst_NfcSimulator::controllerRestarting()
{
    // The application is not told; it is registered again with the new controller and hears
    // the next tap.
    Rig rig;
    QVERIFY(rig.up);
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);
    rig.service.stopService();
    QVERIFY(rig.service.startService());
    Peer peer;
    QVERIFY(peer.open());
    int taps = 0;
    QVERIFY(QTest::qWaitFor(
        [&] {
            if (rig.app.target(NFC_SNEP_CONNECTION_EVENT))
                return true;
            // Until the application is found again, taps go unheard and are answered at once.
            if (peer.answers.size() == taps &&
                peer.send(QStringLiteral("tap"),
                          {{QStringLiteral("kind"), QStringLiteral("peer")}}))
                ++taps;
            return false;
        },
        5000));
}

void tst_NfcSimulator::qzctlAgainstDevice()
{
#ifndef QZDEVICE_PATH
    QSKIP("qzctl is not built");
#else
    Device device;
    QVERIFY(device.isReady());
    NfcDeviceBackend backend;
    qz::platform::setBackend(Service::Nfc, &backend);
    const auto restore = qScopeGuard([] { qz::platform::setBackend(Service::Nfc, nullptr); });
    App app;
    QCOMPARE(nfc_request_events(0), int(NFC_RESULT_SUCCESS));
    QCOMPARE(nfc_register_snep_client(), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_register_tag_readerwriter(NFC_TAG_TYPE_NDEF), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_register_handover_listener(NFC_HANDOVER_TRANSPORT_BLUETOOTH), NFC_RESULT_SUCCESS);
    QCOMPARE(nfc_register_handover_listener(NFC_HANDOVER_TRANSPORT_WIFI_DIRECT),
             NFC_RESULT_SUCCESS);

    // A text pushed to a peer is printed by qzctl and logged by qzdevice.
    QProcess peer;
    device.startCtl(peer, {QStringLiteral("tap"), QStringLiteral("peer")});
    QTRY_VERIFY_WITH_TIMEOUT(app.target(NFC_SNEP_CONNECTION_EVENT), 10000);
    const Message text = textMessage("hello");
    QCOMPARE(nfc_push_ndef_message(app.target(NFC_SNEP_CONNECTION_EVENT), text.get()),
             NFC_RESULT_SUCCESS);
    QCOMPARE(Device::finish(peer),
             std::make_pair(QStringLiteral("outcome: received\nrecord: Text 'hello' (en)\n"), 0));
    QTRY_VERIFY(device.log().contains(QStringLiteral("a push of Text 'hello' (en)")));

    // A tag keeps what was written for read-tag.
    QProcess tag;
    device.startCtl(tag, {QStringLiteral("tap"), QStringLiteral("tag")});
    QTRY_VERIFY_WITH_TIMEOUT(app.target(NFC_TAG_READWRITE_EVENT), 10000);
    QCOMPARE(nfc_write_ndef_message_to_tag(app.target(NFC_TAG_READWRITE_EVENT), text.get(), false),
             NFC_RESULT_SUCCESS);
    QCOMPARE(Device::finish(tag).second, 0);
    QProcess read;
    device.startCtl(read, {QStringLiteral("read-tag")});
    QCOMPARE(
        Device::finish(read),
        std::make_pair(QStringLiteral("tag tag (8192 bytes)\nrecord: Text 'hello' (en)\n"), 0));

    // Hand-over records in the order given on the command line.
    QProcess handover;
    device.startCtl(handover, {QStringLiteral("tap"), QStringLiteral("handover"),
                               QStringLiteral("--wifi"), s_wifi, QStringLiteral("--bt"), s_bt});
    QTRY_VERIFY_WITH_TIMEOUT(app.target(NFC_HANDOVER_DETECTED_EVENT), 10000);
    QCOMPARE(nfc_confirm_handover_process(app.target(NFC_HANDOVER_DETECTED_EVENT), true),
             NFC_RESULT_SUCCESS);
    QCOMPARE(Device::finish(handover),
             std::make_pair(QStringLiteral("outcome: handover\ncarrier: Wi-Fi Direct %1\n"
                                           "carrier: Bluetooth %2\n")
                                .arg(s_wifi, s_bt),
                            0));
    QTRY_VERIFY(app.target(NFC_HANDOVER_COMPLETE_EVENT));
    QCOMPARE(carriersOf(app.target(NFC_HANDOVER_COMPLETE_EVENT)),
             QStringList({u"2 " + s_wifi, u"1 " + s_bt}));

    // Nobody answers within --timeout: the target leaves the field.
    QProcess waiting;
    device.startCtl(waiting, {QStringLiteral("tap"), QStringLiteral("peer"),
                              QStringLiteral("--timeout"), QStringLiteral("200")});
    QCOMPARE(Device::finish(waiting).second, 4);
    QTRY_COMPARE(app.codes().last(), int(NFC_TARGET_LOST_EVENT));
    app.releaseTargets();
#endif
}

void tst_NfcSimulator::qzctlUsageErrors_data()
{
    QTest::addColumn<QString>("arguments");

    QTest::newRow("nothing") << "";
    QTest::newRow("tap what") << "tap";
    QTest::newRow("tap a phone") << "tap phone";
    QTest::newRow("hand-over without carriers") << "tap handover";
    QTest::newRow("hand-over to a malformed address")
        << QStringLiteral("tap handover --bt %1 --wifi=66:77:88").arg(s_bt);
    QTest::newRow("two answers") << "tap peer --reject --io-error";
    QTest::newRow("prompt maybe") << "prompt maybe";
    QTest::newRow("failing with success") << "fail nfc_push_ndef_message 0";
    QTest::newRow("zero timeout") << "lose --timeout 0";
}

void tst_NfcSimulator::qzctlUsageErrors()
{
#ifndef QZCTL_PATH
    QSKIP("qzctl is not built");
#else
    QFETCH(QString, arguments);
    QProcess ctl;
    ctl.start(QStringLiteral(QZCTL_PATH),
              QStringList{QStringLiteral("nfc")} + arguments.split(u' ', Qt::SkipEmptyParts));
    QVERIFY(ctl.waitForFinished(10000));
    QCOMPARE(ctl.exitCode(), 2);
    QVERIFY(ctl.readAllStandardError().contains("see --help"));
#endif
}

QTEST_GUILESS_MAIN(tst_NfcSimulator)
#include "tst_nfcsimulator.moc"
