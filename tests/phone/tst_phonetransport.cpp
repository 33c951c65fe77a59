// The phone service's PPS transport: command messages as the service reads them, the exact DTMF
// text, answers picked out by process id, and the fallback from refused access levels, where
// the PPS server's access checks do the refusing.
#include "phoneobjects.h"
#include "ppscontrol_p.h"
#include "ppspermission_p.h"
#include "ppstestserver.h"
#include "scriptedpeer.h"

#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace qz::system::phone;

namespace {

const QString PrivateControl = phonetest::Phone + QStringLiteral("private/control");
const QString ProtectedControl = phonetest::Phone + QStringLiteral("protected/control");
const QString PublicControl = phonetest::Phone + QStringLiteral("public/control");
const uid_t Stranger = ::getuid() + 4242;

enum Command { Split, Resume, Hold, Reject, End, Merge };

bool send(PpsControl &control, Command command, int id, int other)
{
    switch (command) {
    case Split:
        return control.splitCall(id);
    case Resume:
        return control.resumeCall(id);
    case Hold:
        return control.holdCall(id);
    case Reject:
        return control.rejectCall(id);
    case End:
        return control.endCall(id);
    case Merge:
        return control.mergeCall(id, other);
    }
    return false;
}

// Keeps every process but another user's out of the object at \a path.
bool refuse(PpsTestServer &server, const QString &path)
{
    return server.server().setAccess(path.toUtf8(), Stranger, Stranger, 0600);
}

} // namespace

class tst_PhoneTransport : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void commandMessages_data();
    void commandMessages();
    void idsBelowOneAreRefusedUnwritten_data();
    void idsBelowOneAreRefusedUnwritten();
    void dtmfText_data();
    void dtmfText();
    void onlyThisProcessesAnswersArePassedOn_data();
    void onlyThisProcessesAnswersArePassedOn();
    void permissionFallsBackFromRefusedLevels_data();
    void permissionFallsBackFromRefusedLevels();
    void controlFallsBackToPublic();
    void callsFallBackToThePublicListing();
};

void tst_PhoneTransport::commandMessages_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QVariantMap>("dat");
    const QVariantMap one{{QStringLiteral("call_id"), QStringLiteral("7")}};
    QTest::newRow("split") << int(Split) << QStringLiteral("split_call") << one;
    QTest::newRow("resume") << int(Resume) << QStringLiteral("resume_call") << one;
    QTest::newRow("hold") << int(Hold) << QStringLiteral("hold_call") << one;
    QTest::newRow("reject") << int(Reject) << QStringLiteral("reject_call") << one;
    QTest::newRow("end") << int(End) << QStringLiteral("end_call") << one;
    QTest::newRow("merge") << int(Merge) << QStringLiteral("join_call")
                           << QVariantMap{{QStringLiteral("call_id1"), QStringLiteral("7")},
                                          {QStringLiteral("call_id2"), QStringLiteral("12")}};
}

void tst_PhoneTransport::commandMessages()
{
    QFETCH(int, command);
    QFETCH(QString, msg);
    QFETCH(QVariantMap, dat);
    PpsTestServer server;
    ScriptedPeer peer(PrivateControl);
    QVERIFY(peer.open());
    PpsControl control;
    QVERIFY(control.startListening());

    QVERIFY(send(control, Command(command), 7, 12));
    QVERIFY(peer.waitForRequests(1));
    const QVariantMap message = peer.requests().constFirst().message;
    QCOMPARE(message.value(QStringLiteral("msg")).toString(), msg);
    QCOMPARE(message.value(QStringLiteral("id")).toString(), QString::number(::getpid()));
    QCOMPARE(message.value(QStringLiteral("dat")).toMap(), dat);
}

void tst_PhoneTransport::idsBelowOneAreRefusedUnwritten_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("warning");
    QTest::newRow("split 0") << int(Split) << 0 << QStringLiteral("splitCall: invalid callId: 0");
    QTest::newRow("resume -1") << int(Resume) << -1
                               << QStringLiteral("resumeCall: invalid callId: -1");
    QTest::newRow("hold 0") << int(Hold) << 0 << QStringLiteral("holdCall: invalid callId: 0");
    QTest::newRow("reject -5") << int(Reject) << -5
                               << QStringLiteral("rejectCall: invalid callId: -5");
    QTest::newRow("end 0") << int(End) << 0 << QStringLiteral("endCall: invalid callId: 0");
}

void tst_PhoneTransport::idsBelowOneAreRefusedUnwritten()
{
    QFETCH(int, command);
    QFETCH(int, id);
    QFETCH(QString, warning);
    PpsTestServer server;
    ScriptedPeer peer(PrivateControl);
    QVERIFY(peer.open());
    PpsControl control;
    QVERIFY(control.startListening());

    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    QVERIFY(!send(control, Command(command), id, 0));
    // A marker behind it: the first thing the service reads must be the marker.
    QVERIFY(control.endCall(99));
    QVERIFY(peer.waitForRequests(1));
    QTest::qWait(50);
    QCOMPARE(peer.requests().size(), 1);
    QCOMPARE(peer.requests().constFirst().message.value(QStringLiteral("dat")).toMap(),
             QVariantMap({{QStringLiteral("call_id"), QStringLiteral("99")}}));
}

void tst_PhoneTransport::dtmfText_data()
{
    QTest::addColumn<QByteArray>("tones");
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("json");
    QTest::newRow("video chat") << QByteArray("12#") << int(LineType::VideoChat)
                                << QByteArray(R"({"line":"vchat","tones":"12#"})");
    QTest::newRow("Kestrane") << QByteArray("*0") << int(LineType::Kestrane)
                              << QByteArray(R"({"line":"Kestrane","tones":"*0"})");
    QTest::newRow("Murmex") << QByteArray("9") << int(LineType::Murmex)
                            << QByteArray(R"({"line":"Murmex","tones":"9"})");
    QTest::newRow("cellular") << QByteArray("5") << int(LineType::Cellular)
                              << QByteArray(R"({"line":"cellular","tones":"5"})");
    QTest::newRow("invalid type is cellular") << QByteArray("5") << int(LineType::Invalid)
                                              << QByteArray(R"({"line":"cellular","tones":"5"})");
    QTest::newRow("cut at a zero byte")
        << QByteArray("12\0"
                      "34",
                      5)
        << int(LineType::Cellular) << QByteArray(R"({"line":"cellular","tones":"12"})");
    QTest::newRow("quote and line break stay inside the string")
        << QByteArray("1\"\nmsg::end_call") << int(LineType::Cellular)
        << QByteArray(R"({"line":"cellular","tones":"1\"\u000amsg::end_call"})");
}

void tst_PhoneTransport::dtmfText()
{
    QFETCH(QByteArray, tones);
    QFETCH(int, line);
    QFETCH(QByteArray, json);
    PpsTestServer server;
    qz::PpsObject service(PrivateControl + QStringLiteral("?server"));
    QVERIFY(service.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create));
    PpsControl control;
    QVERIFY(control.startListening());

    QVERIFY(control.sendDTMFTones(tones, LineType::Type(line)));
    QByteArray written;
    QVERIFY(QTest::qWaitFor([&] {
        bool ok = false;
        for (QByteArray text = service.read(&ok); ok; text = service.read(&ok)) {
            if (text.startsWith("@control.")) // not the notice of the client's arrival
                written = text.mid(text.indexOf('\n') + 1);
        }
        return !written.isEmpty();
    }));
    QCOMPARE(written, "msg::send_dtmf_tones\nid::42\ndat:json:" + json + '\n');
}

void tst_PhoneTransport::onlyThisProcessesAnswersArePassedOn_data()
{
    const QString self = QString::number(::getpid());
    const QVariantMap dat{{QStringLiteral("call_id"), 3}};
    QTest::addColumn<QVariantMap>("answer");
    QTest::addColumn<bool>("passedOn");
    QTest::newRow("ours") << QVariantMap{{QStringLiteral("res"), QStringLiteral("hold_call")},
                                         {QStringLiteral("id"), self},
                                         {QStringLiteral("dat"), dat}}
                          << true;
    QTest::newRow("another process's") << QVariantMap{{QStringLiteral("res"), QStringLiteral("x")},
                                                      {QStringLiteral("id"), QString(self + u'1')}}
                                       << false;
    QTest::newRow("no res") << QVariantMap{{QStringLiteral("id"), self}} << false;
    QTest::newRow("no id") << QVariantMap{{QStringLiteral("res"), QStringLiteral("x")}} << false;
    QTest::newRow("id with a tail") << QVariantMap{{QStringLiteral("res"), QStringLiteral("x")},
                                                   {QStringLiteral("id"), QString(self + u'x')}}
                                    << false;
}

void tst_PhoneTransport::onlyThisProcessesAnswersArePassedOn()
{
    QFETCH(QVariantMap, answer);
    QFETCH(bool, passedOn);
    PpsTestServer server;
    ScriptedPeer peer(PrivateControl);
    QVERIFY(peer.open());
    PpsControl control;
    QSignalSpy spy(&control, &PpsControl::callCommandResponseReceived);
    QVERIFY(control.startListening());

    const QVariantMap marker{{QStringLiteral("res"), QStringLiteral("marker")},
                             {QStringLiteral("id"), QString::number(::getpid())}};
    QVERIFY(peer.reply(0, answer)); // to every client of the control object
    QVERIFY(peer.reply(0, marker));
    QTRY_VERIFY(!spy.isEmpty() &&
                spy.constLast().at(0).toMap().value(QStringLiteral("res")).toString() ==
                    QLatin1String("marker"));
    QCOMPARE(spy.size(), passedOn ? 2 : 1);
    if (passedOn)
        QCOMPARE(spy.constFirst().at(0).toMap(), answer);
}

void tst_PhoneTransport::permissionFallsBackFromRefusedLevels_data()
{
    QTest::addColumn<QStringList>("refused");
    QTest::addColumn<QString>("main");
    QTest::addColumn<QString>("perimeter");
    QTest::newRow("all open") << QStringList() << QStringLiteral("private")
                              << QStringLiteral("enterprise");
    QTest::newRow("private refused") << QStringList{QStringLiteral("private")}
                                     << QStringLiteral("protected") << QStringLiteral("enterprise");
    QTest::newRow("only public and personal")
        << QStringList{QStringLiteral("private"), QStringLiteral("protected"),
                       QStringLiteral("enterprise")}
        << QStringLiteral("public") << QStringLiteral("personal");
    QTest::newRow("nothing open") << QStringList{QStringLiteral("private"),
                                                 QStringLiteral("protected"),
                                                 QStringLiteral("public")}
                                  << QString() << QString();
}

void tst_PhoneTransport::permissionFallsBackFromRefusedLevels()
{
    QFETCH(QStringList, refused);
    QFETCH(QString, main);
    QFETCH(QString, perimeter);
    PpsTestServer server;
    const QStringList levels{QStringLiteral("private"), QStringLiteral("protected"),
                             QStringLiteral("public"), QStringLiteral("enterprise"),
                             QStringLiteral("personal")};
    const auto path = [](const QString &level) -> QString {
        return QStringLiteral("/pps/test/") + level;
    };
    for (const QString &level : levels) {
        QVERIFY(phonetest::publish(path(level), "level::" + level.toUtf8() + '\n'));
        if (refused.contains(level)) {
            QVERIFY(refuse(server, path(level)));
            QTest::ignoreMessage(QtWarningMsg,
                                 qPrintable(QStringLiteral("PpsPermission unable to open path: "
                                                           "\"%1\"\n")
                                                .arg(path(level))));
        }
    }

    PpsPermission permission(path(levels[0]), path(levels[1]), path(levels[2]), path(levels[3]),
                             path(levels[4]), qz::PpsOpenMode::Subscribe);
    QCOMPARE(permission.mainObject() ? permission.mainObject()->path() : QString(),
             main.isEmpty() ? QString() : path(main));
    QCOMPARE(permission.perimeterObject() ? permission.perimeterObject()->path() : QString(),
             perimeter.isEmpty() ? QString() : path(perimeter));
    QVERIFY(!permission.write(QStringLiteral("x::y\n"))); // opened to subscribe only
    if (main.isEmpty())
        return;

    // The content of the objects in use, and nothing of the others, is delivered.
    QStringList delivered;
    connect(&permission, &PpsPermission::dataReady, this,
            [&delivered](PpsAttributeMap::const_iterator &entry) {
                delivered.append(entry.value().toMap().value(QStringLiteral("level")).toString());
            });
    QTRY_COMPARE(delivered.size(), 2);
    QCOMPARE(QSet<QString>(delivered.cbegin(), delivered.cend()), QSet<QString>({main, perimeter}));
}

void tst_PhoneTransport::controlFallsBackToPublic()
{
    PpsTestServer server;
    ScriptedPeer privatePeer(PrivateControl);
    ScriptedPeer protectedPeer(ProtectedControl);
    ScriptedPeer publicPeer(PublicControl);
    QVERIFY(privatePeer.open() && protectedPeer.open() && publicPeer.open());
    QVERIFY(refuse(server, PrivateControl));
    QVERIFY(refuse(server, ProtectedControl));

    QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("PpsControl unable to open path: "
                                                                 "%1\n")
                                                      .arg(PrivateControl)));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("PpsControl unable to open path: "
                                                                 "%1\n")
                                                      .arg(ProtectedControl)));
    PpsControl control;
    QVERIFY(control.startListening());
    QCOMPARE(control.objectInUse()->path(), PublicControl);
    QVERIFY(control.holdCall(4));
    QVERIFY(publicPeer.waitForRequests(1));
    QCOMPARE(publicPeer.requests().constFirst().message.value(QStringLiteral("msg")),
             QStringLiteral("hold_call"));
}

void tst_PhoneTransport::callsFallBackToThePublicListing()
{
    PpsTestServer server;
    for (const char *level : {"private", "protected", "public"}) {
        QVERIFY(
            phonetest::publish(phonetest::Phone + QLatin1String(level) + QStringLiteral("/calls/7"),
                               QByteArray("level::") + level + '\n'));
    }
    // The service keeps the better listings from this process: the server refuses to list them.
    for (const char *level : {"private", "protected"}) {
        QVERIFY(server.server().setDirectoryAccess(
            (phonetest::Phone + QLatin1String(level) + QStringLiteral("/calls")).toUtf8(), Stranger,
            Stranger, 0700));
    }
    for (const QString &path : {PpsCallInfo::PRIVATE_CALLS_PATH, PpsCallInfo::PROTECTED_CALLS_PATH})
        QTest::ignoreMessage(
            QtWarningMsg,
            qPrintable(QStringLiteral("PpsPermission unable to open path: \"%1\"\n").arg(path)));

    PpsCallInfo calls;
    QSignalSpy updated(&calls, &PpsCallInfo::callUpdated);
    QVERIFY(calls.permission().mainObject());
    QCOMPARE(calls.permission().mainObject()->path(), PpsCallInfo::PUBLIC_CALLS_PATH);
    QTRY_COMPARE(updated.size(), 1);
    const auto call = updated.constFirst().constFirst().value<PpsAttributePair>();
    QCOMPARE(call.second.toMap().value(QStringLiteral("level")).toString(),
             QStringLiteral("public"));
}

QTEST_GUILESS_MAIN(tst_PhoneTransport)
#include "tst_phonetransport.moc"
