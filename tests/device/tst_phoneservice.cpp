// qzdevice's phone service in-process over a real PPS server: applications' commands on the
// control objects, the network's side, what the calls objects show, who may open what, the
// phone application's target reached through the navigator, and a restart taking over.
#include "navigatorservice.h"
#include "phoneservice.h"
#include "phonetarget.h"
#include "ppstestserver.h"
#include "rawppsclient.h"

#include <qz/PpsObject>

#include <QTest>

#ifdef QZDEVICE_PATH
#include "deviceprocesses.h"
#endif

#include <cerrno>
#include <unistd.h>

using qz::PpsOpenMode;

namespace {

const QString s_root = QStringLiteral("/pps/services/phone/");

// One client of a control object (the applications' or the network's): what it sends, and
// every answer it gets.
class Client
{
public:
    explicit Client(const QString &path)
        : m_object(path)
    {
        QObject::connect(&m_object, &qz::PpsObject::readyRead, &m_object, [this, path] {
            bool ok = false;
            const QByteArray text = m_object.read(&ok);
            const QString name = u'@' + path.section(u'/', -1);
            if (ok)
                answers << qz::PpsObject::decode(text).value(name).toMap();
        });
    }
    bool open() { return m_object.open(PpsOpenMode::PublishSubscribe); }
    void send(const QString &msg, const QVariantMap &dat, const QString &id = QStringLiteral("7"))
    {
        QVERIFY(m_object.writeMessage(msg, id, dat) == 0);
    }
    void sendRaw(const QByteArray &text) { QVERIFY(m_object.write(text)); }
    /*! Sends and waits for the answer; its "err". */
    QString ask(const QString &msg, const QVariantMap &dat)
    {
        const qsizetype before = answers.size();
        send(msg, dat);
        if (!QTest::qWaitFor([&] { return answers.size() > before; }, 5000))
            return QStringLiteral("no answer");
        return answers.last().value(QStringLiteral("err")).toString();
    }

    QList<QVariantMap> answers;

private:
    qz::PpsObject m_object;
};

// What a subscriber of a calls directory sees, one line per change: "<id> <state>",
// "<id> number <number>", "<id> gone".
class CallsWatcher
{
public:
    explicit CallsWatcher(const QString &level = QStringLiteral("private"))
        : m_object(s_root + level + QStringLiteral("/calls/.all?delta"))
    {
        QObject::connect(&m_object, &qz::PpsObject::readyRead, &m_object, [this] {
            bool ok = false;
            const qz::PpsAttributeMap objects =
                qz::PpsObject::decodeWithFlags(m_object.read(&ok), &ok);
            for (auto it = objects.cbegin(); ok && it != objects.cend(); ++it) {
                const QString id = it.key().mid(1);
                const qz::PpsAttributeMap attributes = it->toMap();
                if (it->flags() & qz::PpsAttributeFlag::Deleted)
                    seen << id + QStringLiteral(" gone");
                if (attributes.contains(QStringLiteral("callernumber")))
                    seen << id + QStringLiteral(" number ") +
                                attributes.value(QStringLiteral("callernumber")).toString();
                if (attributes.contains(QStringLiteral("callstate")))
                    seen << id + u' ' + attributes.value(QStringLiteral("callstate")).toString();
                for (auto a = attributes.cbegin(); a != attributes.cend(); ++a)
                    last[id].insert(a.key(), a->toVariant());
            }
        });
    }
    bool open() { return m_object.open(PpsOpenMode::Subscribe); }

    QStringList seen;
    QHash<QString, QVariantMap> last; // every attribute seen, by call

private:
    qz::PpsObject m_object;
};

struct Fixture
{
    explicit Fixture(PhoneService::Options options = immediate())
        : service(options)
    {}
    static PhoneService::Options immediate()
    {
        PhoneService::Options options;
        options.serveTarget = false;
        options.exchange.ringAfterMs = 0;
        options.exchange.answerAfterMs = -1;
        return options;
    }
    bool start()
    {
        QString error;
        const bool started = server.isRunning() && service.start(&error) && control.open() &&
                             network.open() && watcher.open();
        if (!started)
            qWarning("%s", qPrintable(error));
        return started;
    }
    PhoneExchange *exchange() const { return service.exchange(); }
    /*! A call made ready in \a state: "incoming", "connected" or "held". */
    int callIn(const QString &state, const QString &number = QStringLiteral("5550001"))
    {
        int id = 0;
        if (state == QLatin1String("incoming")) {
            exchange()->incoming(number, QStringLiteral("cellular"), PhoneCall::Personal, &id);
            return id;
        }
        exchange()->dial(number, QStringLiteral("cellular"), PhoneCall::Personal, false, &id);
        exchange()->answer(id);
        if (state == QLatin1String("held"))
            exchange()->hold(id);
        return id;
    }
    QString stateOf(int id) const
    {
        const PhoneCall *call = exchange()->call(id);
        return call ? call->state : QStringLiteral("gone");
    }

    PpsTestServer server;
    PhoneService service;
    Client control{PhoneService::controlPath(0)};
    Client network{PhoneService::s_networkPath};
    CallsWatcher watcher;
};

QVariantMap callDat(int id)
{
    return {{QStringLiteral("call_id"), QString::number(id)}};
}

} // namespace

class tst_PhoneService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dialledCallGoesThroughEveryState();
    void commands_data();
    void commands();
    void incomingCallsEnd_data();
    void incomingCallsEnd();
    void mergeAndSplit();
    void answersCarryTheAskersId();
    void tonesAreRecorded();
    void levelsOpenByAccess_data();
    void levelsOpenByAccess();
    void readInvocation_data();
    void readInvocation();
    void invocationsReachThePhoneTarget_data();
    void invocationsReachThePhoneTarget();
    void restartEndsTheCallsOfTheEarlierRun();
    void qzctlPlaysUserAndNetwork();
    void serviceKilledDuringACall();
    void qzctlUsageErrors_data();
    void qzctlUsageErrors();
};

void tst_PhoneService::dialledCallGoesThroughEveryState()
{
    PhoneService::Options options = Fixture::immediate();
    options.exchange.answerAfterMs = 0;
    Fixture f(options);
    QVERIFY(f.start());
    int id = 0;
    QCOMPARE(f.exchange()->dial(QStringLiteral("5550100"), QStringLiteral("cellular"),
                                PhoneCall::Personal, false, &id),
             QString());
    QTRY_COMPARE(f.stateOf(id), QStringLiteral("connected"));
    QCOMPARE(f.exchange()->lineState(QStringLiteral("cellular")), QStringLiteral("active"));
    QCOMPARE(f.control.ask(QStringLiteral("end_call"), callDat(id)), QString());
    const QString n = QString::number(id);
    // The number comes once, with the first write: a reader takes a later update that carries
    // it for a number change and would not apply the state.
    QTRY_COMPARE(
        f.watcher.seen,
        (QStringList{n + QStringLiteral(" number 5550100"), n + QStringLiteral(" connecting"),
                     n + QStringLiteral(" remote_ringing"), n + QStringLiteral(" connected"),
                     n + QStringLiteral(" disconnected"), n + QStringLiteral(" gone")}));
    QCOMPARE(f.control.answers.last().value(QStringLiteral("dat")).toMap(), callDat(id));
    QCOMPARE(f.exchange()->lineState(QStringLiteral("cellular")), QStringLiteral("idle"));
}

void tst_PhoneService::commands_data()
{
    QTest::addColumn<QString>("setup"); // the call's state before, "" for no call
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QVariant>("callId"); // "call" for the call set up
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("after");

    const QVariant call = QStringLiteral("call");
    QTest::newRow("hold a connected call") << "connected"
                                           << "hold_call" << call << ""
                                           << "held";
    QTest::newRow("hold a held call") << "held"
                                      << "hold_call" << call << "ACTION_NOT_ALLOWED"
                                      << "held";
    QTest::newRow("hold a ringing call") << "incoming"
                                         << "hold_call" << call << "ACTION_NOT_ALLOWED"
                                         << "incoming";
    QTest::newRow("resume a held call") << "held"
                                        << "resume_call" << call << ""
                                        << "connected";
    QTest::newRow("resume a connected call") << "connected"
                                             << "resume_call" << call << "ACTION_NOT_ALLOWED"
                                             << "connected";
    QTest::newRow("split a call on its own") << "connected"
                                             << "split_call" << call << "ACTION_NOT_ALLOWED"
                                             << "connected";
    QTest::newRow("reject a connected call") << "connected"
                                             << "reject_call" << call << "ACTION_NOT_ALLOWED"
                                             << "connected";
    QTest::newRow("end a held call") << "held"
                                     << "end_call" << call << ""
                                     << "gone";
    QTest::newRow("hold an unknown call")
        << ""
        << "hold_call" << QVariant(QStringLiteral("99")) << "INVALID_CALL_ID"
        << "";
    QTest::newRow("a call id that is no number")
        << "connected"
        << "hold_call" << QVariant(QStringLiteral("1x")) << "INVALID_REQUEST"
        << "connected";
    QTest::newRow("call id 0") << "connected"
                               << "end_call" << QVariant(QStringLiteral("0")) << "INVALID_REQUEST"
                               << "connected";
    QTest::newRow("a call id past int")
        << "connected"
        << "end_call" << QVariant(QStringLiteral("4294967297")) << "INVALID_REQUEST"
        << "connected";
    QTest::newRow("no call id") << "connected"
                                << "end_call" << QVariant() << "INVALID_REQUEST"
                                << "connected";
    QTest::newRow("unknown command") << "connected"
                                     << "answer_call" << call << "UNKNOWN_COMMAND"
                                     << "connected";
}

void tst_PhoneService::commands()
{
    QFETCH(QString, setup);
    QFETCH(QString, msg);
    QFETCH(QVariant, callId);
    QFETCH(QString, err);
    QFETCH(QString, after);
    Fixture f;
    QVERIFY(f.start());
    const int id = setup.isEmpty() ? 0 : f.callIn(setup);
    QVariantMap dat;
    if (callId.isValid())
        dat.insert(QStringLiteral("call_id"),
                   callId == QStringLiteral("call") ? QVariant(QString::number(id)) : callId);
    QCOMPARE(f.control.ask(msg, dat), err);
    QCOMPARE(f.control.answers.last().value(QStringLiteral("res")).toString(), msg);
    if (id)
        QCOMPARE(f.stateOf(id), after);
}

void tst_PhoneService::incomingCallsEnd_data()
{
    QTest::addColumn<bool>("byUser");
    QTest::addColumn<QString>("type");
    QTest::newRow("rejected by the user") << true << "incoming";
    QTest::newRow("the remote gave up") << false << "missed";
}

void tst_PhoneService::incomingCallsEnd()
{
    QFETCH(bool, byUser);
    QFETCH(QString, type);
    Fixture f;
    QVERIFY(f.start());
    QCOMPARE(f.network.ask(QStringLiteral("incoming"),
                           {{QStringLiteral("number"), QStringLiteral("5550199")}}),
             QString());
    const int id = f.network.answers.last()
                       .value(QStringLiteral("dat"))
                       .toMap()
                       .value(QStringLiteral("call_id"))
                       .toInt();
    QCOMPARE(f.stateOf(id), QStringLiteral("incoming"));
    QCOMPARE(byUser ? f.control.ask(QStringLiteral("reject_call"), callDat(id))
                    : f.network.ask(QStringLiteral("hangup"), callDat(id)),
             QString());
    const QString n = QString::number(id);
    QTRY_VERIFY(f.watcher.seen.contains(n + QStringLiteral(" gone")));
    QCOMPARE(f.watcher.seen.mid(f.watcher.seen.size() - 3),
             (QStringList{n + QStringLiteral(" incoming"), n + QStringLiteral(" disconnected"),
                          n + QStringLiteral(" gone")}));
    QCOMPARE(f.watcher.last.value(n).value(QStringLiteral("calltype")).toString(), type);
}

void tst_PhoneService::mergeAndSplit()
{
    Fixture f;
    QVERIFY(f.start());
    const int a = f.callIn(QStringLiteral("connected"), QStringLiteral("5550001"));
    const int b = f.callIn(QStringLiteral("connected"), QStringLiteral("5550002"));
    QCOMPARE(f.stateOf(a), QStringLiteral("held")); // dialling b put a on hold
    const auto merge = [&](int first, int second) {
        return f.control.ask(QStringLiteral("join_call"),
                             {{QStringLiteral("call_id1"), QString::number(first)},
                              {QStringLiteral("call_id2"), QString::number(second)}});
    };
    QCOMPARE(merge(a, a), QStringLiteral("INVALID_CALL_ID"));
    QCOMPARE(merge(a, b), QString());
    QCOMPARE(f.stateOf(a), QStringLiteral("multiparty"));
    QCOMPARE(f.stateOf(b), QStringLiteral("multiparty"));
    QCOMPARE(merge(b, a), QStringLiteral("ACTION_NOT_ALLOWED"));

    const int c = f.callIn(QStringLiteral("connected"), QStringLiteral("5550003"));
    QCOMPARE(f.stateOf(a), QStringLiteral("held")); // the conference waits for c
    QCOMPARE(merge(c, a), QString());
    QCOMPARE(QList<QString>({f.stateOf(a), f.stateOf(b), f.stateOf(c)}),
             QList<QString>(3, QStringLiteral("multiparty")));

    // Taken out, a is talked to alone while b and c wait, still one conference.
    QCOMPARE(f.control.ask(QStringLiteral("split_call"), callDat(a)), QString());
    QCOMPARE(QList<QString>({f.stateOf(a), f.stateOf(b), f.stateOf(c)}),
             (QList<QString>{QStringLiteral("connected"), QStringLiteral("held"),
                             QStringLiteral("held")}));
    QCOMPARE(f.control.ask(QStringLiteral("resume_call"), callDat(b)), QString());
    QCOMPARE(QList<QString>({f.stateOf(a), f.stateOf(b), f.stateOf(c)}),
             (QList<QString>{QStringLiteral("held"), QStringLiteral("multiparty"),
                             QStringLiteral("multiparty")}));
    // A conference of one is a plain call again.
    QCOMPARE(f.control.ask(QStringLiteral("end_call"), callDat(c)), QString());
    QCOMPARE(f.stateOf(b), QStringLiteral("connected"));
    QTRY_COMPARE(f.watcher.last.value(QString::number(b))
                     .value(QStringLiteral("call_actions"))
                     .toStringList(),
                 QStringList{QStringLiteral("hold_call")});
}

void tst_PhoneService::answersCarryTheAskersId()
{
    Fixture f;
    QVERIFY(f.start());
    const int id = f.callIn(QStringLiteral("connected"));
    // Applications send with one handle and listen with another.
    Client listener(PhoneService::controlPath(0));
    QVERIFY(listener.open());
    f.control.send(QStringLiteral("hold_call"), callDat(id), QStringLiteral("4242"));
    QTRY_COMPARE(listener.answers.size(), 1);
    QCOMPARE(listener.answers.first(),
             (QVariantMap{{QStringLiteral("res"), QStringLiteral("hold_call")},
                          {QStringLiteral("id"), QStringLiteral("4242")},
                          {QStringLiteral("dat"), callDat(id)},
                          {QStringLiteral("err"), QString()}}));

    // Without an id, or not PPS text at all: only the sender hears of it, and the service
    // keeps serving.
    f.control.sendRaw("msg::hold_call\ndat:json:{\"call_id\":\"1\"}\n");
    QTRY_COMPARE(f.control.answers.size(), 2);
    QCOMPARE(f.control.answers.last().value(QStringLiteral("err")).toString(),
             QStringLiteral("INVALID_REQUEST"));
    f.control.sendRaw("msg::resume_call\nid::1\ndat:json:{\"call_id\":\n");
    f.control.sendRaw("dat:n:not a number\n");
    // An id too long to echo is no id: the sender alone is told.
    f.control.send(QStringLiteral("resume_call"), callDat(id), QString(300, u'9'));
    QTRY_COMPARE(f.control.answers.size(), 3);
    QCOMPARE(f.control.answers.last().value(QStringLiteral("id")).toString(), QString());
    QCOMPARE(f.control.answers.last().value(QStringLiteral("err")).toString(),
             QStringLiteral("INVALID_REQUEST"));
    QCOMPARE(f.control.ask(QStringLiteral("resume_call"), callDat(id)), QString());
    QCOMPARE(listener.answers.size(), 2);
}

void tst_PhoneService::tonesAreRecorded()
{
    Fixture f;
    QVERIFY(f.start());
    const int id = f.callIn(QStringLiteral("connected"));
    // Exactly as applications write them, id "42" and all.
    const QByteArray tones("msg::send_dtmf_tones\nid::42\ndat:json:{\"line\":\"cellular\","
                           "\"tones\":\"12#\"}\n");
    f.control.sendRaw(tones);
    f.control.sendRaw(tones);
    QTRY_COMPARE(f.control.answers.size(), 2);
    QCOMPARE(f.control.answers.last().value(QStringLiteral("id")).toString(), QStringLiteral("42"));
    QTRY_COMPARE(f.watcher.last.value(QString::number(id)).value(QStringLiteral("tones")),
                 QVariant(QStringLiteral("12#12#")));
    const auto send = [&](const QString &line, const QString &text) {
        return f.control.ask(QStringLiteral("send_dtmf_tones"),
                             {{QStringLiteral("line"), line}, {QStringLiteral("tones"), text}});
    };
    QCOMPARE(send(QStringLiteral("cellular"), QStringLiteral("1x")),
             QStringLiteral("INVALID_TONES"));
    QCOMPARE(send(QStringLiteral("cellular"), QString(65, u'1')), QStringLiteral("INVALID_TONES"));
    QCOMPARE(send(QStringLiteral("vchat"), QStringLiteral("1")), QStringLiteral("NO_ACTIVE_CALL"));
    QCOMPARE(send(QStringLiteral("Murmex"), QStringLiteral("1")),
             QStringLiteral("LINE_UNAVAILABLE"));
    QCOMPARE(f.exchange()->call(id)->tones, QStringLiteral("12#12#"));
}

void tst_PhoneService::levelsOpenByAccess_data()
{
    QTest::addColumn<bool>("sameGroup");
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("error");

    const int rw = PpsOpenMode::PublishSubscribe;
    const int r = PpsOpenMode::Subscribe;
    const auto at = [](const char *path) -> QString { return s_root + QLatin1String(path); };
    for (const bool group : {false, true}) {
        const auto row = [group](const char *name) -> QTestData & {
            return QTest::newRow(qPrintable(QLatin1String(group ? "group: " : "others: ") +
                                            QLatin1String(name)))
                   << group;
        };
        const int groupMay = group ? 0 : EACCES;
        row("private control") << PhoneService::controlPath(0) << rw << EACCES;
        row("protected control") << PhoneService::controlPath(1) << rw << groupMay;
        row("public control") << PhoneService::controlPath(2) << rw << 0;
        row("private call") << at("private/calls/1") << r << EACCES;
        row("protected call") << at("protected/calls/1") << r << groupMay;
        row("public call") << at("public/calls/1") << r << 0;
        row("writing a public call") << at("public/calls/1") << int(PpsOpenMode::Publish) << EACCES;
        row("call data") << at("protected/personal_call_data/1") << r << groupMay;
        row("line") << at("public/lines/cellular") << r << 0;
        row("network") << PhoneService::s_networkPath << rw << EACCES;
        row("private calls directory") << at("private/calls/.all?delta") << r << EACCES;
        row("protected calls directory") << at("protected/calls/.all?delta") << r << groupMay;
    }
}

void tst_PhoneService::levelsOpenByAccess()
{
    QFETCH(bool, sameGroup);
    QFETCH(QString, path);
    QFETCH(int, mode);
    QFETCH(int, error);
    Fixture f;
    QVERIFY(f.start());
    QCOMPARE(f.callIn(QStringLiteral("incoming")), 1);
    QTRY_VERIFY(!f.watcher.seen.isEmpty());
    const uid_t other = ::getuid() + 4242;
    RawPpsClient client(f.server.server(), other, sameGroup ? ::getgid() : gid_t(other));
    QCOMPARE(client.open(mode, path.toUtf8()), error);
}

void tst_PhoneService::readInvocation_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QByteArray>("data"); // PPS text, sent base64-encoded
    QTest::addColumn<QString>("line");    // read, "" when refused

    const QString call = PhoneTarget::s_startCallType;
    QTest::newRow("a call") << call << QByteArray("number::555\nline_id:n:2\n") << "vchat";
    QTest::newRow("no line: cellular") << call << QByteArray("number::555\n") << "cellular";
    QTest::newRow("the dial pad") << PhoneTarget::s_dialpadType
                                  << QByteArray("number::555\nline_id:n:3\n") << "Murmex";
    QTest::newRow("another type") << "text/plain" << QByteArray("number::555\n") << "";
    QTest::newRow("no number") << call << QByteArray("line_id:n:0\n") << "";
    QTest::newRow("a number that is a number") << call << QByteArray("number:n:555\n") << "";
    QTest::newRow("no line type") << call << QByteArray("number::5\nline_id:n:4\n") << "";
    QTest::newRow("a negative line") << call << QByteArray("number::5\nline_id:n:-1\n") << "";
    QTest::newRow("a fraction of a line") << call << QByteArray("number::5\nline_id:n:1.5\n") << "";
    QTest::newRow("a line as text") << call << QByteArray("number::5\nline_id::2\n") << "";
    QTest::newRow("a line as truth") << call << QByteArray("number::5\nline_id:b:true\n") << "";
    QTest::newRow("not PPS text") << call << QByteArray("number\n") << "";
}

void tst_PhoneService::readInvocation()
{
    QFETCH(QString, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, line);
    QString why;
    const std::optional<PhoneTarget::Request> request = PhoneTarget::readInvocation(
        {{QStringLiteral("action"), PhoneTarget::s_dialAction},
         {QStringLiteral("type"), type},
         {QStringLiteral("data"), QString::fromLatin1(data.toBase64())}},
        &why);
    QCOMPARE(request ? request->line : QString(), line);
    QCOMPARE(why.isEmpty(), !line.isEmpty());
    if (request)
        QCOMPARE(request->number, QStringLiteral("555"));
}

void tst_PhoneService::invocationsReachThePhoneTarget_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("perimeter");
    QTest::addColumn<QString>("line");     // of the call placed, "" for the dial pad
    QTest::addColumn<QString>("dataPath"); // where the call's data shows
    QTest::newRow("a call") << PhoneTarget::s_startCallType << 1 << "vchat"
                            << "protected/personal_call_data/1";
    QTest::newRow("an enterprise call") << PhoneTarget::s_startCallType << 2 << "vchat"
                                        << "protected/enterprise_call_data/1";
    QTest::newRow("the dial pad") << PhoneTarget::s_dialpadType << 0 << ""
                                  << "private/dialpad";
}

void tst_PhoneService::invocationsReachThePhoneTarget()
{
    QFETCH(QString, type);
    QFETCH(int, perimeter);
    QFETCH(QString, line);
    QFETCH(QString, dataPath);
    PpsTestServer server;
    NavigatorService::Options navigatorOptions;
    navigatorOptions.builtInTargets << PhoneTarget::declaration();
    NavigatorService navigator(navigatorOptions);
    PhoneService::Options options = Fixture::immediate();
    options.serveTarget = true;
    PhoneService phone(options);
    QString error;
    QVERIFY2(navigator.start(&error) && phone.start(&error), qPrintable(error));

    // An application invoking, as the navigator's device backend speaks for it.
    Client invoker(NavigatorService::s_controlPath);
    QVERIFY(invoker.open());
    invoker.send(QStringLiteral("hello"), {{QStringLiteral("pid"), 1}});
    const QByteArray data = qz::PpsObject::encode(
        {{QStringLiteral("number"), QStringLiteral("2B3C4D5E")}, {QStringLiteral("line_id"), 2}});
    invoker.send(
        QStringLiteral("call"),
        {{QStringLiteral("name"), QStringLiteral("navigator_invoke_invocation_send")},
         {QStringLiteral("args"),
          QVariantList{
              1, QVariantMap{{QStringLiteral("id"), QStringLiteral("abc")},
                             {QStringLiteral("action"), PhoneTarget::s_dialAction},
                             {QStringLiteral("type"), type},
                             {QStringLiteral("perimeter"), perimeter},
                             {QStringLiteral("data"), QString::fromLatin1(data.toBase64())}}}}});
    QTRY_COMPARE(invoker.answers.size(), 1);
    const QVariantMap fields = invoker.answers.first()
                                   .value(QStringLiteral("dat"))
                                   .toMap()
                                   .value(QStringLiteral("fields"))
                                   .toMap();
    QCOMPARE(fields.value(QStringLiteral("target")).toString(), PhoneTarget::s_key);
    QVERIFY(!fields.contains(QStringLiteral("err")));

    if (!line.isEmpty()) {
        QTRY_VERIFY(phone.exchange()->call(1));
        QCOMPARE(phone.exchange()->call(1)->line, line);
        QCOMPARE(phone.exchange()->call(1)->number, QStringLiteral("2B3C4D5E"));
    }
    qz::PpsObject shown(s_root + dataPath);
    QVERIFY(shown.open(PpsOpenMode::Subscribe));
    const QVariantMap content =
        qz::PpsObject::decode(shown.read()).value(u'@' + dataPath.section(u'/', -1)).toMap();
    QCOMPARE(content.value(line.isEmpty() ? QStringLiteral("number") : QStringLiteral("perimeter"))
                 .toString(),
             line.isEmpty()   ? QStringLiteral("2B3C4D5E")
             : perimeter == 2 ? QStringLiteral("enterprise")
                              : QStringLiteral("personal"));
}

void tst_PhoneService::restartEndsTheCallsOfTheEarlierRun()
{
    PpsTestServer server;
    CallsWatcher watcher(QStringLiteral("public"));
    int id = 0;
    {
        PhoneService earlier(Fixture::immediate());
        QString error;
        QVERIFY2(earlier.start(&error), qPrintable(error));
        QVERIFY(watcher.open());
        earlier.exchange()->incoming(QStringLiteral("5550111"), QStringLiteral("cellular"),
                                     PhoneCall::Personal, &id);
        QTRY_VERIFY(watcher.seen.contains(QStringLiteral("1 incoming")));
    } // gone as if killed: its objects stay behind

    PhoneService::Options options = Fixture::immediate();
    options.lines = {*PhoneService::line(QStringLiteral("Murmex"))};
    PhoneService later(options);
    QString error;
    QVERIFY2(later.start(&error), qPrintable(error));
    QTRY_COMPARE(watcher.seen.mid(watcher.seen.size() - 2),
                 (QStringList{QStringLiteral("1 disconnected"), QStringLiteral("1 gone")}));
    QCOMPARE(later.exchange()->incoming(QStringLiteral("5550112"), QStringLiteral("Murmex"),
                                        PhoneCall::Personal, &id),
             QString());
    QCOMPARE(id, 2); // ids are not given twice
    qz::PpsObject lines(s_root + QStringLiteral("public/lines/.all"));
    QVERIFY(lines.open(PpsOpenMode::Subscribe));
    QCOMPARE(qz::PpsObject::decode(lines.read()).keys(), QStringList{QStringLiteral("@Murmex")});
}

#ifdef QZDEVICE_PATH
// `qzctl phone watch` against \a device: what an application's Phone object signals, as it comes.
struct PhoneWatch
{
    explicit PhoneWatch(DeviceProcesses &device)
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        device.startCtl(process, {QStringLiteral("phone"), QStringLiteral("watch")});
    }
    /*! Whether \a text has been printed, waiting up to ten seconds for it. */
    bool sees(const QString &text)
    {
        return QTest::qWaitFor(
            [&] {
                seen += QString::fromUtf8(process.readAllStandardOutput());
                return seen.contains(text);
            },
            10000);
    }

    QProcess process;
    QString seen;
};
#endif

void tst_PhoneService::qzctlPlaysUserAndNetwork()
{
#ifndef QZDEVICE_PATH
    QSKIP("qzctl is not built");
#else
    DeviceProcesses device({QStringLiteral("--phone-answer-after"), QStringLiteral("-1")});
    QVERIFY(device.isReady());
    // An application's view of it all: what its Phone object signals.
    PhoneWatch watch(device);
    QString &watched = watch.seen;
    const auto sees = [&](const QString &text) { return watch.sees(text); };
    QVERIFY(sees(QStringLiteral("line vchat (Video Chat, 2A3B4C5D)")));
    const auto ctl = [&](const QString &command) {
        return device.ctl(QStringList{QStringLiteral("phone")} + command.split(u' '));
    };

    const auto [dialled, dialExit] = ctl(QStringLiteral("dial 5551234"));
    QCOMPARE(dialExit, 0);
    QVERIFY2(dialled.startsWith(QStringLiteral("call 1: outgoing")), qPrintable(dialled));
    QVERIFY(sees(QStringLiteral("call 1: RemoteRinging")));
    QCOMPARE(ctl(QStringLiteral("answer 1")),
             std::make_pair(QStringLiteral("call 1: answer\n"), 0));
    QCOMPARE(ctl(QStringLiteral("hold 1")).second, 0);
    QCOMPARE(ctl(QStringLiteral("hold 1")),
             std::make_pair(QStringLiteral("error: ACTION_NOT_ALLOWED\n"), 1));
    QCOMPARE(ctl(QStringLiteral("resume 1")).second, 0);
    QCOMPARE(ctl(QStringLiteral("hangup 1")).second, 0);
    // The network's side: a call comes in, and its caller gives up.
    QCOMPARE(ctl(QStringLiteral("incoming 5559999")),
             std::make_pair(QStringLiteral("call 2: incoming\n"), 0));
    QCOMPARE(ctl(QStringLiteral("hangup 2 --remote")).second, 0);
    QVERIFY(sees(QStringLiteral("call 2: Disconnected")));
    watch.process.kill();
    watch.process.waitForFinished();

    QStringList calls;
    for (const QString &line : watched.split(u'\n')) {
        if (line.startsWith(QLatin1String("call ")))
            calls << line;
    }
    QCOMPARE(calls, (QStringList{
                        QStringLiteral("call 1: Connecting Outgoing on Cellular 5551234"),
                        QStringLiteral("call 1: RemoteRinging Outgoing on Cellular 5551234"),
                        QStringLiteral("call 1: Connected Outgoing on Cellular 5551234"),
                        QStringLiteral("call 1: Held Outgoing on Cellular 5551234"),
                        QStringLiteral("call 1: Connected Outgoing on Cellular 5551234"),
                        QStringLiteral("call 1: Disconnected Outgoing on Cellular 5551234"),
                        QStringLiteral("call 2: Incoming Incoming on Cellular 5559999"),
                        QStringLiteral("call 2: Disconnected Missed on Cellular 5559999"),
                    }));
    QCOMPARE(ctl(QStringLiteral("calls")), std::make_pair(QStringLiteral("no calls\n"), 0));
#endif
}

void tst_PhoneService::serviceKilledDuringACall()
{
#ifndef QZDEVICE_PATH
    QSKIP("qzctl is not built");
#else
    DeviceProcesses device({QStringLiteral("--phone-answer-after"), QStringLiteral("0")});
    QVERIFY(device.isReady());
    PhoneWatch watch(device);
    const auto sees = [&](const QString &text) { return watch.sees(text); };
    QVERIFY(sees(QStringLiteral("line vchat")));
    QCOMPARE(
        device.ctl({QStringLiteral("phone"), QStringLiteral("dial"), QStringLiteral("555")}).second,
        0);
    QVERIFY(sees(QStringLiteral("call 1: Connected")));
    device.killDevice();
    // The application lives on; the service that comes back ends the call it cannot know and
    // is heard from again.
    QVERIFY(device.restartDevice());
    QVERIFY(sees(QStringLiteral("call 1: Disconnected")));
    QCOMPARE(
        device.ctl({QStringLiteral("phone"), QStringLiteral("dial"), QStringLiteral("556")}).second,
        0);
    QVERIFY(sees(QStringLiteral("call 2: Connected Outgoing on Cellular 556")));
    QCOMPARE(watch.process.state(), QProcess::Running);
    watch.process.kill();
    watch.process.waitForFinished();
#endif
}

void tst_PhoneService::qzctlUsageErrors_data()
{
    QTest::addColumn<QString>("arguments");
    QTest::newRow("nothing to do") << "";
    QTest::newRow("unknown command") << "ring 1";
    QTest::newRow("no call id") << "hold";
    QTest::newRow("a call id that is no number") << "hold one";
    QTest::newRow("merge with one call") << "merge 1";
    QTest::newRow("unknown line") << "dial 555 --line fax";
    QTest::newRow("a failure without its error") << "fail hold_call";
}

void tst_PhoneService::qzctlUsageErrors()
{
#ifndef QZCTL_PATH
    QSKIP("qzctl is not built");
#else
    QFETCH(QString, arguments);
    QProcess ctl;
    ctl.start(QStringLiteral(QZCTL_PATH),
              QStringList{QStringLiteral("phone")} + arguments.split(u' ', Qt::SkipEmptyParts));
    QVERIFY(ctl.waitForFinished(10000));
    QCOMPARE(ctl.exitCode(), 2);
    QVERIFY(ctl.readAllStandardError().contains("see --help"));
#endif
}

QTEST_GUILESS_MAIN(tst_PhoneService)
#include "tst_phoneservice.moc"
