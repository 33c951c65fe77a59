// The Bluetooth and Wi-Fi Direct connectors against scripted services: the commands as the
// services decode them (and the Bluetooth text's key order), which answers count as ours, and
// what each answer, a missing service and a service dying before it answers make of a call.
#include "bluetoothconnector_p.h"
#include "wifidirectconnector_p.h"

#include "nfctestsupport.h"
#include "ppstestserver.h"
#include "scriptedpeerthread.h"

#include <QTest>

using namespace qz::system;
using Entry = FileTransferManager::FileEntry;

namespace {

const QString BluetoothPath = QStringLiteral("/pps/services/bluetooth/public/control");
const QString ManagerPath = QStringLiteral("/pps/services/wifi_p2p/manager/control");
const QString SendPath = QStringLiteral("/pps/services/wifi_p2p/send/control");
const QString Mac = QStringLiteral("00:11:22:33:44:55");
const QList<Entry> Files{{QStringLiteral("/accounts/1000/shared/documents/a.txt"), false},
                         {QStringLiteral("/accounts/1000/sharewith/bluetooth/app/1/b.png"), true}};

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

QByteArray encoded(const QVariantMap &map)
{
    return qz::PpsObject::encode(map);
}

// A service answering each request with \a answers (PPS text) to the asking client; with
// \a dieAfterAnswers it then goes away.
ScriptedPeerThread::Handler answerWith(const QList<QByteArray> &answers, bool dieAfterAnswers)
{
    return [answers, dieAfterAnswers](ScriptedPeer &peer, const ScriptedPeer::Request &request) {
        for (const QByteArray &answer : answers)
            peer.replyRaw(request.clientId, answer);
        return !dieAfterAnswers;
    };
}

// Positions of \a keys in \a text, each found after the one before; false when one is missing
// or out of order.
bool inOrder(const QByteArray &text, const QList<QByteArray> &keys)
{
    qsizetype from = 0;
    for (const QByteArray &key : keys) {
        from = text.indexOf(key, from);
        if (from < 0)
            return false;
    }
    return true;
}

enum class WiFiCall { Connect, IpAddress, CancelConnect, SendFiles };

// Runs one Wi-Fi Direct operation; its result as text (an IP address, or a number).
QString runWiFi(WiFiCall call, const QString &mac)
{
    switch (call) {
    case WiFiCall::Connect:
        return QString::number(WiFiDirectConnector::connect(mac));
    case WiFiCall::IpAddress:
        return WiFiDirectConnector::getIPAddress(mac);
    case WiFiCall::CancelConnect:
        return QString::number(WiFiDirectConnector::cancelConnect());
    case WiFiCall::SendFiles:
        return QString::number(
            WiFiDirectConnector::sendFiles(QStringLiteral("192.168.49.7"), Files));
    }
    return QString();
}

QByteArray wifiAnswer(const char *res, const char *id, const QVariantMap &fields)
{
    QVariantMap answer = fields;
    answer.insert(str("res"), str(res));
    answer.insert(str("id"), str(id));
    return encoded(answer);
}

} // namespace

Q_DECLARE_METATYPE(WiFiCall)
Q_DECLARE_METATYPE(qz::system::BluetoothConnector::Answer)

class tst_TransportConnectors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bluetoothCommands_data();
    void bluetoothCommands();
    void bluetoothCommandRefusesNul();
    void bluetoothAnswer_data();
    void bluetoothAnswer();
    void bluetoothPush_data();
    void bluetoothPush();
    void bluetoothPairing();

    void wifiRequests_data();
    void wifiRequests();
    void wifiResults_data();
    void wifiResults();
};

void tst_TransportConnectors::bluetoothCommands_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QVariantMap>("message");
    QTest::addColumn<QList<QByteArray>>("order");

    const QVariantMap pairing{{str("addr"), Mac}, {str("timeout"), 20000}, {str("bonding"), 0}};
    QTest::newRow("pairing") << BluetoothConnector::pairingCommand(Mac, 20000, false)
                             << QVariantMap{{str("msg"), str("initiate_pairing")},
                                            {str("id"), str("nfcshare")},
                                            {str("dat"), pairing}}
                             << QList<QByteArray>{"msg::",    "id::",        "dat:json:",
                                                  "\"addr\"", "\"timeout\"", "\"bonding\""};
    QVariantMap bonding = pairing;
    bonding.insert(str("bonding"), 4);
    bonding.insert(str("timeout"), 5);
    QTest::newRow("pairing with bonding")
        << BluetoothConnector::pairingCommand(Mac, 5, true)
        << QVariantMap{{str("msg"), str("initiate_pairing")},
                       {str("id"), str("nfcshare")},
                       {str("dat"), bonding}}
        << QList<QByteArray>{
               "msg::", "id::", "dat:json:", "\"addr\"", "\"timeout\"", "\"bonding\""};
    const QVariantList urls{Files.at(0).path, Files.at(1).path};
    QTest::newRow("push") << BluetoothConnector::pushCommand(Mac, Files)
                          << QVariantMap{{str("msg"), str("push_object")},
                                         {str("id"), str("nfcshare")},
                                         {str("dat"),
                                          QVariantMap{{str("address"), Mac}, {str("urls"), urls}}}}
                          << QList<QByteArray>{"msg::",    "id::",  "dat:json:", "\"address\"",
                                               "\"urls\"", "a.txt", "b.png"};
}

void tst_TransportConnectors::bluetoothCommands()
{
    QFETCH(QByteArray, text);
    QFETCH(QVariantMap, message);
    QFETCH(QList<QByteArray>, order);

    bool ok = false;
    QCOMPARE(qz::PpsObject::decode(text, &ok), message);
    QVERIFY(ok);
    QVERIFY2(inOrder(text, order), text.constData());
}

void tst_TransportConnectors::bluetoothCommandRefusesNul()
{
    // A NUL would cut the value short in the C encoder: a different file, or a different peer.
    const QString cut = QStringLiteral("/accounts/1000/shared/a.txt") + QChar(0) + str("x");
    QCOMPARE(BluetoothConnector::pushCommand(Mac, {{cut, false}}), QByteArray());
    QCOMPARE(BluetoothConnector::pairingCommand(Mac + QChar(0), 20000, false), QByteArray());
}

void tst_TransportConnectors::bluetoothAnswer_data()
{
    using Answer = BluetoothConnector::Answer;
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<Answer>("expected");
    QTest::addColumn<QStringList>("warnings");

    QTest::newRow("accepted") << QByteArray("@control\nres::push_object\nid::nfcshare\ndat::EOK\n")
                              << Answer::Succeeded << QStringList();
    QTest::newRow("another client's id")
        << QByteArray("@control\nres::push_object\nid::other\ndat::EOK\n") << Answer::NotOurs
        << QStringList();
    QTest::newRow("id that only begins like ours")
        << QByteArray("@control\nres::push_object\nid::nfcshare2\ndat::EOK\n") << Answer::NotOurs
        << QStringList();
    QTest::newRow("another command")
        << QByteArray("@control\nres::initiate_pairing\nid::nfcshare\ndat::EOK\n")
        << Answer::NotOurs << QStringList();
    QTest::newRow("names in a value only")
        << QByteArray("@control\nmsg::push_object\nnote::nfcshare\ndat::EOK\n") << Answer::NotOurs
        << QStringList();
    QTest::newRow("refused")
        << QByteArray("@control\nres::push_object\nid::nfcshare\nerr:n:16\nerrstr::busy\n")
        << Answer::Failed << QStringList{str("Error code =  16"), str("Error msg =  busy")};
    QTest::newRow("dat without EOK")
        << QByteArray("@control\nres::push_object\nid::nfcshare\ndat::ENODEV\n") << Answer::Failed
        << QStringList();
    QTest::newRow("unreadable, naming the command")
        << QByteArray("@control\nres::push_object\nid::nfcshare\nerr:n:x\n") << Answer::Failed
        << QStringList{str("Unreadable answer from BT service")};
    QTest::newRow("unreadable, naming nothing")
        << QByteArray("@control\nres::other\nerr:q:1\n") << Answer::NotOurs << QStringList();
    QTest::newRow("empty") << QByteArray("") << Answer::NotOurs << QStringList();
}

void tst_TransportConnectors::bluetoothAnswer()
{
    QFETCH(QByteArray, text);
    QFETCH(BluetoothConnector::Answer, expected);
    QFETCH(QStringList, warnings);

    NfcLogCapture log;
    QCOMPARE(BluetoothConnector::readAnswer(text.constData(), "push_object", "nfcshare"), expected);
    QCOMPARE(log.warnings, warnings);
}

void tst_TransportConnectors::bluetoothPush_data()
{
    QTest::addColumn<bool>("serve");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<bool>("die");
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("warnings");

    const QByteArray accepted("res::push_object\nid::nfcshare\ndat::EOK\n");
    const QByteArray otherId("res::push_object\nid::someone\ndat::EOK\n");
    const QString failed = str("Sending files over BT has failed: 1");
    QTest::newRow("accepted") << true << QList<QByteArray>{accepted} << false << 0 << QStringList();
    QTest::newRow("another id's answer skipped")
        << true
        << QList<QByteArray>{"res::push_object\nid::someone\nerr:n:5\n",
                             "res::initiate_pairing\nid::nfcshare\nerr:n:5\n", accepted}
        << false << 0 << QStringList();
    QTest::newRow("refused")
        << true
        << QList<QByteArray>{"res::push_object\nid::nfcshare\nerr:n:2\nerrstr::not paired\n"}
        << false << 1
        << QStringList{str("Error code =  2"), str("Error msg =  not paired"), failed};
    QTest::newRow("service dies after another id's answer")
        << true << QList<QByteArray>{otherId} << true << 1
        << QStringList{str("no response from command"), failed};
    QTest::newRow("no service") << false << QList<QByteArray>() << false << 1
                                << QStringList{str(" error open to write BT command "), failed};
}

void tst_TransportConnectors::bluetoothPush()
{
    QFETCH(bool, serve);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(bool, die);
    QFETCH(int, result);
    QFETCH(QStringList, warnings);

    PpsTestServer server;
    QVERIFY(server.isRunning());
    ScriptedPeerThread service(BluetoothPath, answerWith(answers, die));
    if (serve)
        QVERIFY(service.begin());

    NfcLogCapture log;
    QCOMPARE(BluetoothConnector::sendFiles(Mac, Files), result);
    QVERIFY2(log.warningsStartWith(warnings), qPrintable(log.warnings.join(u'|')));
    if (serve) {
        bool ok = false;
        const QVariantMap expected =
            qz::PpsObject::decode(BluetoothConnector::pushCommand(Mac, Files), &ok);
        QCOMPARE(service.requests(), QList<QVariantMap>{expected});
    }
}

void tst_TransportConnectors::bluetoothPairing()
{
    PpsTestServer server;
    QVERIFY(server.isRunning());
    {
        // Without a service the pairing was never asked for, and says so.
        NfcLogCapture log;
        QVERIFY(!BluetoothConnector::initiatePairing(Mac, 20000, false));
        QVERIFY(log.warningsStartWith({str(" error open to write BT command ")}));
    }

    // Nothing is answered: the pairing does not wait for the service.
    ScriptedPeerThread service(BluetoothPath, answerWith({}, false));
    QVERIFY(service.begin());
    QVERIFY(!BluetoothConnector::initiatePairing(QString(), 20000, false));
    QVERIFY(BluetoothConnector::initiatePairing(Mac, 20000, false));
    QTRY_COMPARE(service.requests().size(), 1);
    bool ok = false;
    QCOMPARE(service.requests().constFirst(),
             qz::PpsObject::decode(BluetoothConnector::pairingCommand(Mac, 20000, false), &ok));
}

void tst_TransportConnectors::wifiRequests_data()
{
    QTest::addColumn<WiFiCall>("call");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QVariantMap>("dat");

    QTest::newRow("connect") << WiFiCall::Connect << ManagerPath << str("wifi_p2p_connect")
                             << QVariantMap{{str("addr"), Mac},
                                            {str("go_intent"), str("any")},
                                            {str("wps_method"), 0},
                                            {str("wps_pin"), str("NULL")}};
    QTest::newRow("ip address") << WiFiCall::IpAddress << ManagerPath
                                << str("wifi_p2p_get_ip_address")
                                << QVariantMap{{str("addr"), Mac}};
    QTest::newRow("cancel") << WiFiCall::CancelConnect << ManagerPath
                            << str("wifi_p2p_cancel_connect") << QVariantMap();
    QTest::newRow("send") << WiFiCall::SendFiles << SendPath << str("wifi_p2p_send")
                          << QVariantMap{
                                 {str("ip_addr"), str("192.168.49.7")},
                                 {str("files"), QVariantList{Files.at(0).path, Files.at(1).path}},
                                 {str("nfc_triggered"), true}};
}

void tst_TransportConnectors::wifiRequests()
{
    QFETCH(WiFiCall, call);
    QFETCH(QString, path);
    QFETCH(QString, msg);
    QFETCH(QVariantMap, dat);

    PpsTestServer server;
    QVERIFY(server.isRunning());
    ScriptedPeerThread service(path,
                               answerWith({wifiAnswer(qPrintable(msg), "nfcshare", {})}, false));
    QVERIFY(service.begin());
    runWiFi(call, Mac);
    const QVariantMap expected{{str("msg"), msg}, {str("id"), str("nfcshare")}, {str("dat"), dat}};
    QCOMPARE(service.requests(), QList<QVariantMap>{expected});
}

void tst_TransportConnectors::wifiResults_data()
{
    QTest::addColumn<WiFiCall>("call");
    QTest::addColumn<QString>("mac");
    QTest::addColumn<bool>("serve");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<bool>("die");
    QTest::addColumn<QString>("result");

    const QString ip = str("192.168.49.7");
    const auto error = [](const char *res, QVariant err) {
        return wifiAnswer(res, "nfcshare", {{str("err"), err}});
    };
    const auto ok = [](const char *res, const QVariantMap &dat = {}) {
        return wifiAnswer(res, "nfcshare", {{str("dat"), dat}});
    };
    using L = QList<QByteArray>;
    const char *connect = "wifi_p2p_connect";
    const char *getIp = "wifi_p2p_get_ip_address";
    const char *cancel = "wifi_p2p_cancel_connect";
    const char *send = "wifi_p2p_send";

    QTest::newRow("connect") << WiFiCall::Connect << Mac << true << L{ok(connect)} << false
                             << str("0");
    QTest::newRow("connect already under way")
        << WiFiCall::Connect << Mac << true << L{error(connect, 256)} << false << str("256");
    QTest::newRow("connect refused")
        << WiFiCall::Connect << Mac << true << L{error(connect, 16)} << false << str("16");
    QTest::newRow("connect refused without a number")
        << WiFiCall::Connect << Mac << true << L{error(connect, str("busy"))} << false << str("22");
    QTest::newRow("connect refused with zero")
        << WiFiCall::Connect << Mac << true << L{error(connect, 0)} << false << str("22");
    QTest::newRow("connect, others' answers skipped")
        << WiFiCall::Connect << Mac << true
        << L{wifiAnswer(connect, "someone", {{str("err"), 16}}), ok(getIp, {}), error(connect, 256)}
        << false << str("256");
    QTest::newRow("connect, empty address")
        << WiFiCall::Connect << QString() << true << L() << false << str("22");
    QTest::newRow("connect, no service")
        << WiFiCall::Connect << Mac << false << L() << false << str("22");
    QTest::newRow("connect, service dies")
        << WiFiCall::Connect << Mac << true << L{wifiAnswer(connect, "someone", {})} << true
        << str("22");

    QTest::newRow("ip") << WiFiCall::IpAddress << Mac << true
                        << L{ok(getIp, {{str("ip_addr"), ip}})} << false << ip;
    QTest::newRow("ip refused") << WiFiCall::IpAddress << Mac << true << L{error(getIp, 5)} << false
                                << QString();
    QTest::newRow("ip missing") << WiFiCall::IpAddress << Mac << true << L{ok(getIp)} << false
                                << QString();

    QTest::newRow("cancel") << WiFiCall::CancelConnect << Mac << true << L{ok(cancel)} << false
                            << str("0");
    QTest::newRow("cancel refused")
        << WiFiCall::CancelConnect << Mac << true << L{error(cancel, 3)} << false << str("3");

    QTest::newRow("send") << WiFiCall::SendFiles << Mac << true << L{ok(send)} << false << str("0");
    QTest::newRow("send refused") << WiFiCall::SendFiles << Mac << true << L{error(send, 7)}
                                  << false << str("7");
    QTest::newRow("send refused without a number")
        << WiFiCall::SendFiles << Mac << true << L{error(send, str("no"))} << false << str("1");
    QTest::newRow("send, no service")
        << WiFiCall::SendFiles << Mac << false << L() << false << str("1");
    QTest::newRow("send, service dies")
        << WiFiCall::SendFiles << Mac << true << L() << true << str("1");
}

void tst_TransportConnectors::wifiResults()
{
    QFETCH(WiFiCall, call);
    QFETCH(QString, mac);
    QFETCH(bool, serve);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(bool, die);
    QFETCH(QString, result);

    PpsTestServer server;
    QVERIFY(server.isRunning());
    ScriptedPeerThread service(call == WiFiCall::SendFiles ? SendPath : ManagerPath,
                               answerWith(answers, die));
    if (serve)
        QVERIFY(service.begin());

    NfcLogCapture log;
    QCOMPARE(runWiFi(call, mac), result);
    // Failures say so; addresses and paths never appear in plain text.
    QCOMPARE(log.warnings.isEmpty(), result == str("0") || result.contains(u'.'));
    for (const QString &line : log.debugs + log.warnings) {
        QVERIFY2(!line.contains(Mac) && !line.contains(str("/accounts")) &&
                     !line.contains(str("192.168")),
                 qPrintable(line));
    }
}

QTEST_GUILESS_MAIN(tst_TransportConnectors)

#include "tst_transportconnectors.moc"
