// The phone API against an embedded PPS server that plays the phone service with raw objects:
// the line and call tables, commands written or refused, answers, placing calls by invocation,
// malformed service objects and the service going away.
#include "phoneobjects.h"
#include "ppstestserver.h"
#include "recordingbackend.h"
#include "scriptedpeer.h"

#include <qz/system/phone/Phone>

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

using namespace qz::system::phone;
using phonetest::Lines;
using phonetest::PrivateCalls;
using phonetest::publish;

namespace {

const QString Control = phonetest::Phone + QStringLiteral("private/control");

enum Command { Hold, Resume, Split, End, Merge };

bool send(Phone &phone, Command command, int id, int other)
{
    switch (command) {
    case Hold:
        return phone.holdCall(id);
    case Resume:
        return phone.resumeCall(id);
    case Split:
        return phone.splitCall(id);
    case End:
        return phone.endCall(id);
    case Merge:
        return phone.mergeCall(id, other);
    }
    return false;
}

QByteArray connectedCall(const QByteArray &actions = "[]")
{
    return "callstate::connected\ncalltype::outgoing\nline_id::cellular\ncall_actions:json:" +
           actions + '\n';
}

Call lastCall(const QSignalSpy &spy)
{
    return spy.constLast().at(0).value<Call>();
}

} // namespace

class tst_Phone : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void linesReadAtOnceThenUpdatedAndRemoved();
    void availableLines_data();
    void availableLines();
    void callHandedOutKeepsItsValues();
    void refusedCommandsWriteNothing_data();
    void refusedCommandsWriteNothing();
    void commandsWritten_data();
    void commandsWritten();
    void commandResponse();
    void malformedCallObjects_data();
    void malformedCallObjects();
    void serviceGoneAndRestarted();
    void phoneDeletedFromItsOwnSignal();
    void placingCallsInvokesThePhoneApplication_data();
    void placingCallsInvokesThePhoneApplication();

private:
    // Publishes a call object and waits until \a phone has taken it in.
    bool addCall(Phone &phone, int id, const QByteArray &text);

    std::unique_ptr<PpsTestServer> m_server;
    std::unique_ptr<ScriptedPeer> m_service;
};

void tst_Phone::init()
{
    m_server = std::make_unique<PpsTestServer>();
    m_service = std::make_unique<ScriptedPeer>(Control);
    QVERIFY(m_service->open());
}

void tst_Phone::cleanup()
{
    m_service.reset();
    m_server.reset();
}

bool tst_Phone::addCall(Phone &phone, int id, const QByteArray &text)
{
    QSignalSpy spy(&phone, qOverload<const Call &>(&Phone::callUpdated));
    return publish(PrivateCalls + QString::number(id), text) &&
           QTest::qWaitFor([&] { return !spy.isEmpty() && lastCall(spy).callId() == id; });
}

void tst_Phone::linesReadAtOnceThenUpdatedAndRemoved()
{
    QVERIFY(publish(Lines + QStringLiteral("cellular"),
                    "address::5550100\nstate::idle\nvoice_usage:n:2\n"));
    QVERIFY(publish(Lines + QStringLiteral("vchat"), "address::2A3B4C5D\nstate::active\n"));
    Phone phone;
    QCOMPARE(phone.lines().keys(),
             QStringList({QStringLiteral("cellular"), QStringLiteral("vchat")}));
    QCOMPARE(phone.activeLine().id(), QStringLiteral("vchat"));
    QCOMPARE(phone.lines().value(QStringLiteral("cellular")).description(),
             QStringLiteral("cellular"));

    QSignalSpy updated(&phone, qOverload<const Line &>(&Phone::lineUpdated));
    QSignalSpy updatedVariant(&phone, qOverload<const QVariant &>(&Phone::lineUpdated));
    QSignalSpy removed(&phone, qOverload<const Line &>(&Phone::lineRemoved));
    QVERIFY(publish(Lines + QStringLiteral("cellular"), "friendly_name::Work SIM\n"));
    QTRY_COMPARE(updated.size(), 1);
    const Line cellular = updated.constFirst().at(0).value<Line>();
    QCOMPARE(cellular.description(), QStringLiteral("Work SIM"));
    QCOMPARE(cellular.address(), QStringLiteral("5550100"));
    QCOMPARE(cellular.type(), LineType::Cellular);
    QCOMPARE(updatedVariant.size(), 1);
    QCOMPARE(updatedVariant.constFirst().at(0).value<QVariant>().value<Line>(), cellular);

    QVERIFY(phonetest::unpublish(Lines + QStringLiteral("vchat")));
    QTRY_COMPARE(removed.size(), 1);
    QCOMPARE(removed.constFirst().at(0).value<Line>().address(), QStringLiteral("2A3B4C5D"));
    QCOMPARE(phone.lines().keys(), QStringList{QStringLiteral("cellular")});
    QVERIFY(!phone.activeLine().isValid());
    QVERIFY(!phone.isLineAvailable(LineType::VideoChat));
}

void tst_Phone::availableLines_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("lines");
    const QStringList cellularTypes{QStringLiteral("cellular"), QStringLiteral("Kestrane")};
    const QStringList all = cellularTypes + QStringList{QStringLiteral("vchat")};
    QTest::newRow("eight decimal digits") << QStringLiteral("12345678") << all;
    QTest::newRow("hex PIN, upper case")
        << QStringLiteral("2A3B4C5D") << QStringList{QStringLiteral("vchat")};
    QTest::newRow("hex PIN, lower case")
        << QStringLiteral("2a3b4c5d") << QStringList{QStringLiteral("vchat")};
    QTest::newRow("e-mail") << QStringLiteral("ann.lee@example.org")
                            << QStringList{QStringLiteral("vchat")};
    QTest::newRow("number with a hyphen") << QStringLiteral("555-0100") << cellularTypes;
    QTest::newRow("nine digits") << QStringLiteral("123456789") << cellularTypes;
    QTest::newRow("seven hex digits") << QStringLiteral("2A3B4C5") << cellularTypes;
    QTest::newRow("e-mail without a domain") << QStringLiteral("ann@example") << cellularTypes;
    QTest::newRow("empty") << QString() << QStringList();
}

void tst_Phone::availableLines()
{
    QFETCH(QString, address);
    QFETCH(QStringList, lines);
    // Murmex is unavailable, so it is never offered; the unknown line type never is either.
    QVERIFY(publish(Lines + QStringLiteral("cellular"), "state::idle\n"));
    QVERIFY(publish(Lines + QStringLiteral("Kestrane"), "state::active\n"));
    QVERIFY(publish(Lines + QStringLiteral("Murmex"), "state::unavailable\n"));
    QVERIFY(publish(Lines + QStringLiteral("vchat"), "state::idle\n"));
    QVERIFY(publish(Lines + QStringLiteral("smoke"), "state::idle\n"));
    Phone phone;
    QStringList ids;
    for (const Line &line : phone.availableLines(address))
        ids.append(line.id());
    QCOMPARE(ids, lines);
}

void tst_Phone::callHandedOutKeepsItsValues()
{
    Phone phone;
    QSignalSpy spy(&phone, qOverload<const Call &>(&Phone::callUpdated));
    QSignalSpy variants(&phone, qOverload<const QVariant &>(&Phone::callUpdated));
    QVERIFY(publish(PrivateCalls + QStringLiteral("5"),
                    "callstate::connecting\ncalltype::outgoing\nline_id::vchat\n"
                    "callernumber::5550199\ncall_actions:json:[\"hold_call\"]\n"));
    QTRY_COMPARE(spy.size(), 1);
    const Call first = lastCall(spy);
    QCOMPARE(first.callId(), 5);
    QCOMPARE(first.callState(), CallState::Connecting);
    QCOMPARE(first.callType(), CallType::Outgoing);
    QCOMPARE(first.callLine(), LineType::VideoChat);
    QCOMPARE(first.phoneNumber(), QStringLiteral("5550199"));
    QVERIFY(first.canPerformAction(CallAction::HoldCall));
    QCOMPARE(variants.size(), 1);
    QCOMPARE(variants.constFirst().at(0).value<QVariant>().value<Call>(), first);

    QVERIFY(publish(PrivateCalls + QStringLiteral("5"),
                    "callstate::held\ncall_actions:json:[\"resume_call\"]\n"));
    QTRY_COMPARE(spy.size(), 2);
    QCOMPARE(lastCall(spy).callState(), CallState::Held);
    QVERIFY(lastCall(spy).canPerformAction(CallAction::ResumeCall));
    QCOMPARE(first.callState(), CallState::Connecting);
    QVERIFY(first.canPerformAction(CallAction::HoldCall));
    QVERIFY(!first.canPerformAction(CallAction::ResumeCall));

    // Disconnected: reported, then gone from the table.
    QVERIFY(publish(PrivateCalls + QStringLiteral("5"), "callstate::disconnected\n"));
    QTRY_COMPARE(spy.size(), 3);
    QCOMPARE(lastCall(spy).callState(), CallState::Disconnected);
    QTest::ignoreMessage(QtWarningMsg, "PhonePrivate::endCall: invalid callId: 5");
    QVERIFY(!phone.endCall(5));
}

void tst_Phone::refusedCommandsWriteNothing_data()
{
    QTest::addColumn<QByteArray>("call"); // call 5, if any
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("warning");
    const QByteArray none;
    const QByteArray noActions = connectedCall();
    QTest::newRow("hold, unknown call")
        << none << int(Hold) << 5
        << QStringLiteral("holdCall(callId=5) contains an invalid callId");
    QTest::newRow("hold, id 0") << none << int(Hold) << 0
                                << QStringLiteral("holdCall(callId=0) contains an invalid callId");
    QTest::newRow("hold, not allowed")
        << connectedCall(R"(["split_call"])") << int(Hold) << 5
        << QStringLiteral("call 5 does not support HoldCall action.");
    QTest::newRow("resume, unknown call")
        << none << int(Resume) << 5
        << QStringLiteral("resumeCall(callId=5) contains an invalid callId");
    QTest::newRow("resume, not allowed")
        << noActions << int(Resume) << 5
        << QStringLiteral("call 5 does not support ResumeCall action.");
    QTest::newRow("split, unknown call")
        << none << int(Split) << 5 << QStringLiteral("splitCall(callId=5): invalid call id");
    QTest::newRow("split, not allowed")
        << noActions << int(Split) << 5
        << QStringLiteral("call 5 does not support SplitCall action.");
    QTest::newRow("end, unknown call")
        << none << int(End) << 5 << QStringLiteral("PhonePrivate::endCall: invalid callId: 5");
    QTest::newRow("merge with itself")
        << noActions << int(Merge) << 5
        << QStringLiteral("mergeCall(callId1=5, callId2=5) contains invalid call Id");
    QTest::newRow("merge with an unknown call")
        << noActions << int(Merge) << 6
        << QStringLiteral("mergeCall(callId1=5, callId2=6) contains invalid call Id");
}

void tst_Phone::refusedCommandsWriteNothing()
{
    QFETCH(QByteArray, call);
    QFETCH(int, command);
    QFETCH(int, id);
    QFETCH(QString, warning);
    Phone phone;
    if (!call.isEmpty())
        QVERIFY(addCall(phone, 5, call));

    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    // Merge takes call 5 and the row's id; the others take the row's id.
    QVERIFY(!send(phone, Command(command), command == Merge ? 5 : id, id));
    QVERIFY(phone.sendDTMFTones("1")); // a marker: the first thing the service reads
    QVERIFY(m_service->waitForRequests(1));
    QTest::qWait(50);
    QCOMPARE(m_service->requests().size(), 1);
    QCOMPARE(m_service->requests().constFirst().message.value(QStringLiteral("msg")).toString(),
             QStringLiteral("send_dtmf_tones"));
}

void tst_Phone::commandsWritten_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QVariantMap>("dat");
    const QVariantMap five{{QStringLiteral("call_id"), QStringLiteral("5")}};
    QTest::newRow("end of an incoming call rejects it")
        << QByteArray("callstate::incoming\ncalltype::incoming\n") << int(End)
        << QStringLiteral("reject_call") << five;
    QTest::newRow("end of a connected call")
        << connectedCall() << int(End) << QStringLiteral("end_call") << five;
    // Each allowed by its own action only, so a check of the wrong action refuses it.
    QTest::newRow("hold") << connectedCall(R"(["hold_call"])") << int(Hold)
                          << QStringLiteral("hold_call") << five;
    QTest::newRow("resume") << connectedCall(R"(["resume_call"])") << int(Resume)
                            << QStringLiteral("resume_call") << five;
    QTest::newRow("split") << connectedCall(R"(["split_call"])") << int(Split)
                           << QStringLiteral("split_call") << five;
    QTest::newRow("merge") << connectedCall() << int(Merge) << QStringLiteral("join_call")
                           << QVariantMap{{QStringLiteral("call_id1"), QStringLiteral("5")},
                                          {QStringLiteral("call_id2"), QStringLiteral("6")}};
}

void tst_Phone::commandsWritten()
{
    QFETCH(QByteArray, call);
    QFETCH(int, command);
    QFETCH(QString, msg);
    QFETCH(QVariantMap, dat);
    Phone phone;
    QVERIFY(addCall(phone, 5, call));
    QVERIFY(addCall(phone, 6, connectedCall()));

    QVERIFY(send(phone, Command(command), 5, 6));
    QVERIFY(m_service->waitForRequests(1));
    const QVariantMap message = m_service->requests().constFirst().message;
    QCOMPARE(message.value(QStringLiteral("msg")).toString(), msg);
    QCOMPARE(message.value(QStringLiteral("id")).toString(), QString::number(::getpid()));
    QCOMPARE(message.value(QStringLiteral("dat")).toMap(), dat);
}

void tst_Phone::commandResponse()
{
    Phone phone;
    QSignalSpy spy(&phone,
                   qOverload<const CallCommandResponse &>(&Phone::callCommandResponseReceived));
    QSignalSpy variants(&phone, qOverload<const QVariant &>(&Phone::callCommandResponseReceived));
    const QString self = QString::number(::getpid());
    QVERIFY(
        m_service->reply(0, {{QStringLiteral("res"), QStringLiteral("hold_call")},
                             {QStringLiteral("id"), self},
                             {QStringLiteral("dat"), QVariantMap{{QStringLiteral("call_id"), 5}}},
                             {QStringLiteral("err"), QStringLiteral("NOT_ALLOWED")}}));
    QTRY_COMPARE(spy.size(), 1);
    const auto response = spy.constFirst().at(0).value<CallCommandResponse>();
    QCOMPARE(response.callCommand(), QStringLiteral("hold_call"));
    QCOMPARE(response.responseId(), self.toInt());
    QCOMPARE(response.callId(), 5);
    QCOMPARE(response.error(), QStringLiteral("NOT_ALLOWED"));
    QCOMPARE(variants.size(), 1);
    QCOMPARE(variants.constFirst().at(0).value<QVariant>().value<CallCommandResponse>().callId(),
             5);
}

void tst_Phone::malformedCallObjects_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArrayList>("updates");
    QTest::addColumn<int>("reported"); // callUpdated emissions
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("canHold");
    QTest::newRow("state text of another case")
        << QStringLiteral("5") << QByteArrayList{"callstate::Connected\n"} << 1
        << int(CallState::Invalid) << false;
    QTest::newRow("unknown state keeps the known one")
        << QStringLiteral("5") << QByteArrayList{"callstate::held\n", "callstate::on_fire\n"} << 2
        << int(CallState::Held) << false;
    QTest::newRow("state as JSON")
        << QStringLiteral("5") << QByteArrayList{"callstate:json:{\"a\":1}\n"} << 1
        << int(CallState::Invalid) << false;
    QTest::newRow("actions as a plain text")
        << QStringLiteral("5")
        << QByteArrayList{connectedCall(R"(["hold_call"])"), "call_actions::hold_call\n"} << 2
        << int(CallState::Connected) << false;
    QTest::newRow("junk among actions")
        << QStringLiteral("5") << QByteArrayList{connectedCall(R"(["hold_call",7,{"x":1},"fly"])")}
        << 1 << int(CallState::Connected) << true;
    QTest::newRow("name not a number")
        << QStringLiteral("abc") << QByteArrayList{connectedCall()} << 0 << 0 << false;
    QTest::newRow("name 0") << QStringLiteral("0") << QByteArrayList{connectedCall()} << 0 << 0
                            << false;
    QTest::newRow("nothing about a call")
        << QStringLiteral("5") << QByteArrayList{"colour::red\n"} << 0 << 0 << false;
}

void tst_Phone::malformedCallObjects()
{
    QFETCH(QString, name);
    QFETCH(QByteArrayList, updates);
    QFETCH(int, reported);
    QFETCH(int, state);
    QFETCH(bool, canHold);
    Phone phone;
    QSignalSpy spy(&phone, qOverload<const Call &>(&Phone::callUpdated));
    for (const QByteArray &update : updates)
        QVERIFY(publish(PrivateCalls + name, update));
    // A well-formed call behind them: once it is in, everything before it has been read.
    QVERIFY(addCall(phone, 99, connectedCall()));
    QCOMPARE(spy.size(), reported + 1);
    if (reported == 0)
        return;
    const Call call = spy.at(reported - 1).at(0).value<Call>();
    QCOMPARE(call.callId(), name.toInt());
    QCOMPARE(int(call.callState()), state);
    QCOMPARE(call.canPerformAction(CallAction::HoldCall), canHold);
}

void tst_Phone::serviceGoneAndRestarted()
{
    QVERIFY(publish(Lines + QStringLiteral("cellular"), "state::idle\n"));
    Phone phone;
    QSignalSpy spy(&phone, qOverload<const Call &>(&Phone::callUpdated));
    QVERIFY(addCall(phone, 5, connectedCall(R"(["hold_call"])")));

    m_service->close(); // the service dies mid-call
    QTRY_VERIFY(!phone.holdCall(5));
    QCOMPARE(phone.lines().size(), 1);

    // Restarted, it drops the calls of its earlier life and starts afresh.
    m_service = std::make_unique<ScriptedPeer>(Control);
    QVERIFY(m_service->open());
    QVERIFY(phonetest::unpublish(PrivateCalls + QStringLiteral("5")));
    QTRY_COMPARE(lastCall(spy).callState(), CallState::Disconnected);
    QCOMPARE(lastCall(spy).callId(), 5);
    QTest::ignoreMessage(QtWarningMsg, "holdCall(callId=5) contains an invalid callId");
    QVERIFY(!phone.holdCall(5));
    QVERIFY(addCall(phone, 7, connectedCall(R"(["hold_call"])")));

    // The control object in use is chosen once; a phone made now reaches the new service.
    Phone later;
    QVERIFY(addCall(later, 8, connectedCall(R"(["hold_call"])")));
    QVERIFY(later.holdCall(8));
    QVERIFY(m_service->waitForRequests(1));

    // Without the PPS server nothing changes any more, and nothing breaks.
    m_service.reset();
    m_server.reset();
    QTest::qWait(50);
    QCOMPARE(phone.lines().size(), 1);
    QVERIFY(!phone.holdCall(7));
    QVERIFY(!phone.sendDTMFTones("1"));
}

void tst_Phone::phoneDeletedFromItsOwnSignal()
{
    auto *phone = new Phone;
    QPointer<Phone> guard(phone);
    int variants = 0;
    connect(phone, qOverload<const Call &>(&Phone::callUpdated), this, [phone] { delete phone; });
    connect(phone, qOverload<const QVariant &>(&Phone::callUpdated), this,
            [&variants] { ++variants; });
    // The QVariant form that follows must not be emitted by a deleted phone.
    QVERIFY(publish(PrivateCalls + QStringLiteral("5"), connectedCall()));
    QTRY_VERIFY(!guard);
    QCOMPARE(variants, 0);
}

void tst_Phone::placingCallsInvokesThePhoneApplication_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("mimeType");
    QTest::addColumn<int>("perimeter"); // as the platform numbers it
    QTest::addColumn<QVariantMap>("data");
    const QString start = QStringLiteral("application/vnd.quillon.phone.startcall");
    const QString number = QStringLiteral("+1 555 0100");
    QTest::newRow("call") << 0 << start << 1
                          << QVariantMap{{QStringLiteral("number"), number},
                                         {QStringLiteral("line_id"), 2}};
    QTest::newRow("video call") << 1 << start << 1
                                << QVariantMap{{QStringLiteral("number"), number},
                                               {QStringLiteral("line_id"), 2},
                                               {QStringLiteral("video_call"), true}};
    QTest::newRow("cellular call") << 2 << start << 1
                                   << QVariantMap{{QStringLiteral("number"), number},
                                                  {QStringLiteral("line_id"), 0},
                                                  {QStringLiteral("apply_smart_dialing"), true}};
    QTest::newRow("dial pad") << 3 << QStringLiteral("application/vnd.quillon.phone.dialpad") << 0
                              << QVariantMap{{QStringLiteral("number"), number},
                                             {QStringLiteral("line_id"), 2}};
}

void tst_Phone::placingCallsInvokesThePhoneApplication()
{
    QFETCH(int, operation);
    QFETCH(QString, mimeType);
    QFETCH(int, perimeter);
    QFETCH(QVariantMap, data);
    RecordingBackend navigator({RecordingBackend::Service::Navigator});
    Phone phone;
    const QString number = QStringLiteral("+1 555 0100");
    switch (operation) {
    case 0:
        phone.initiateCall(number, LineType::VideoChat);
        break;
    case 1:
        phone.initiateVideoCall(number, LineType::VideoChat);
        break;
    case 2:
        phone.initiateCellularCall(number, true);
        break;
    default:
        phone.requestDialpad(number, LineType::VideoChat);
    }
    const QList<QVariantList> sent = navigator.argumentsOf("navigator_invoke_invocation_send");
    QCOMPARE(sent.size(), 1);
    const QVariantMap invocation = sent.constFirst().at(1).toMap();
    QCOMPARE(invocation.value(QStringLiteral("action")).toString(),
             QStringLiteral("qz.action.DIAL"));
    QCOMPARE(invocation.value(QStringLiteral("type")).toString(), mimeType);
    QCOMPARE(invocation.value(QStringLiteral("perimeter")).toInt(), perimeter);
    bool ok = false;
    QCOMPARE(qz::PpsObject::decode(invocation.value(QStringLiteral("data")).toByteArray(), &ok),
             data);
    QVERIFY(ok);
}

QTEST_GUILESS_MAIN(tst_Phone)
#include "tst_phone.moc"
