// The navigator service of qzdevice over a real PPS server: clients that speak its protocol (and,
// end to end, the device backend behind the navigator C functions) invoke, query, relay, close
// cards and run timers against targets declared in a temporary folder.
#include "navigatorservice.h"
#include "ppstestserver.h"
#include "targetdeclaration.h"
#include "virtualclock.h"

#include <qz/AbstractXrvEventHandler>
#include <qz/PpsObject>
#include <xrv/navigator.h>
#include <xrv/navigatordevicebackend.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Fields = QVariantMap;

const QString s_viewer = QStringLiteral("com.example.viewer");
const QString s_editor = QStringLiteral("com.example.editor");
const QString s_card = QStringLiteral("com.example.picker");

// A client of the navigator's control object that collects the events sent to it.
class Client : public QObject
{
public:
    explicit Client(const QString &target = QString(), bool acknowledge = true)
        : m_object(NavigatorService::s_controlPath)
        , m_acknowledge(acknowledge)
    {
        connect(&m_object, &qz::PpsObject::readyRead, this, &Client::onReadyRead);
        m_open = m_object.open(qz::PpsOpenMode::PublishSubscribe);
        QVariantMap hello{{QStringLiteral("pid"), 4242}};
        if (!target.isEmpty())
            hello.insert(QStringLiteral("target"), target);
        send(QStringLiteral("hello"), hello);
    }

    bool isOpen() const { return m_open; }
    void close() { m_object.close(); }

    void send(const QString &msg, const QVariantMap &dat)
    {
        m_object.writeMessage({{QStringLiteral("msg"), msg}, {QStringLiteral("dat"), dat}});
    }
    void call(const QString &name, const QVariantList &args)
    {
        send(QStringLiteral("call"),
             {{QStringLiteral("name"), name}, {QStringLiteral("args"), args}});
    }

    /*! The fields of the next event with \a code, waiting for it; empty on time-out. */
    std::optional<Fields> take(int code, int timeoutMs = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        do {
            for (qsizetype i = 0; i < m_events.size(); ++i) {
                if (m_events[i].first == code)
                    return m_events.takeAt(i).second;
            }
            QTest::qWait(10);
        } while (timer.elapsed() < timeoutMs);
        return std::nullopt;
    }
    int count(int code) const
    {
        return int(std::count_if(m_events.cbegin(), m_events.cend(),
                                 [code](const auto &event) { return event.first == code; }));
    }
    QVariantMap lastMessage(const QString &msg) const { return m_messages.value(msg); }

private:
    void onReadyRead()
    {
        bool ok = false;
        const QVariantMap decoded = qz::PpsObject::decode(m_object.read(&ok));
        const QVariantMap message = decoded.value(QStringLiteral("@control")).toMap();
        const QString msg = message.value(QStringLiteral("msg")).toString();
        const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
        m_messages.insert(msg, dat);
        if (msg != QLatin1String("event"))
            return;
        m_events.append({dat.value(QStringLiteral("code")).toInt(),
                         dat.value(QStringLiteral("fields")).toMap()});
        if (m_acknowledge && dat.contains(QStringLiteral("delivery")))
            send(QStringLiteral("invoked"),
                 {{QStringLiteral("delivery"), dat.value(QStringLiteral("delivery"))}});
    }

    qz::PpsObject m_object;
    bool m_acknowledge;
    bool m_open = false;
    QList<std::pair<int, Fields>> m_events;
    QMap<QString, QVariantMap> m_messages;
};

struct Rig
{
    explicit Rig(const QMap<QString, QByteArray> &declarations = {},
                 const QMap<QString, QString> &failures = {})
    {
        for (auto it = declarations.cbegin(); it != declarations.cend(); ++it)
            write(it.key(), it.value());
        restart(failures);
    }

    void write(const QString &name, const QByteArray &text)
    {
        QFile file(QDir(targets.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    void restart(const QMap<QString, QString> &failures = {})
    {
        service.reset();
        service = std::make_unique<NavigatorService>(
            NavigatorService::Options{targets.path(), data.path(), failures, 3000});
        QString error;
        started = pps.isRunning() && service->start(&error);
        if (!started)
            qWarning("rig: %s", qPrintable(error));
    }

    PpsTestServer pps;
    QTemporaryDir targets;
    QTemporaryDir data;
    std::unique_ptr<NavigatorService> service;
    bool started = false;
};

QMap<QString, QByteArray> standardTargets()
{
    return {{QStringLiteral("viewer.target"),
             "key com.example.viewer\ntype viewer\nlabel Viewer\n"
             "action qz.action.VIEW View\n"
             "filter actions=qz.action.VIEW;types=image/*;exts=png;\n"},
            {QStringLiteral("editor.target"),
             "key com.example.editor\ntype application\nperimeter enterprise\n"
             "filter actions=qz.action.EDIT,qz.action.VIEW;types=text/plain;uris=file://,data:;\n"},
            {QStringLiteral("picker.target"), "key com.example.picker\ntype card\n"
                                              "filter actions=qz.action.PICK;types=*;\n"}};
}

QVariantMap invocation(std::initializer_list<std::pair<QString, QVariant>> entries)
{
    QVariantMap map(entries);
    map.insert(QStringLiteral("id"), QStringLiteral("r1"));
    return map;
}

// The error text of an answer, or a text no answer carries when none came.
QString errorOf(const std::optional<Fields> &answer)
{
    return answer ? answer->value(QStringLiteral("err")).toString() : QStringLiteral("<no answer>");
}

QVariantMap specificTime(const QDateTime &utc)
{
    return {{QStringLiteral("year"), utc.date().year()},
            {QStringLiteral("month"), utc.date().month()},
            {QStringLiteral("day"), utc.date().day()},
            {QStringLiteral("hour"), utc.time().hour()},
            {QStringLiteral("minute"), utc.time().minute()},
            {QStringLiteral("time_zone"), QStringLiteral("UTC")}};
}

} // namespace

class tst_NavigatorService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void declarationParsing_data();
    void declarationParsing();
    void refusedDeclarationIsSkippedWhole();
    void routing_data();
    void routing();
    void failureSwitchAnswersWithItsText();
    void targetThatDiesDoesNotTakeTheInvocation_data();
    void targetThatDiesDoesNotTakeTheInvocation();
    void queryHonoursTypesAndPerimeter_data();
    void queryHonoursTypesAndPerimeter();
    void settingFilters_data();
    void settingFilters();
    void replacedFiltersSurviveARestart();
    void viewerRelaysBothWaysAndClose();
    void cardClosesWithItsResultAndResizes();
    void timersFireOnTheVirtualClock();
    void deviceBackendRoundTrip();
    void lostNavigatorAnswersWhatItOwed();
};

void tst_NavigatorService::declarationParsing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("error"); // empty: accepted

    QTest::newRow("complete") << QByteArray("# a viewer\nkey a.b\ntype viewer\nperimeter personal\n"
                                            "start \"/bin/my viewer\" --x\nlabel L\n"
                                            "filter actions=x.Y;types=text/*;\n")
                              << QString();
    QTest::newRow("unknown keyword") << QByteArray("key a.b\ntype card\ncolour red\n")
                                     << QStringLiteral("f:3: unknown keyword \"colour\"");
    QTest::newRow("filter without types")
        << QByteArray("key a.b\ntype card\nfilter actions=x;\n")
        << QStringLiteral("f:3: bad filter: a filter needs actions and types");
    QTest::newRow("filter with empty value")
        << QByteArray("key a.b\ntype card\nfilter actions=x,,y;types=*;\n")
        << QStringLiteral("f:3: bad filter: clause \"actions\" has an empty value");
    QTest::newRow("filter clause without =")
        << QByteArray("key a.b\ntype card\nfilter actions=x;types;\n")
        << QStringLiteral("f:3: bad filter: clause \"types\" is not name=values");
    QTest::newRow("bad MIME type")
        << QByteArray("key a.b\ntype card\nfilter actions=x;types=*/*;\n")
        << QStringLiteral("f:3: bad filter: \"*/*\" is not a MIME type");
    QTest::newRow("no type") << QByteArray("key a.b\n") << QStringLiteral("f:2: no type");
    QTest::newRow("second key") << QByteArray("key a.b\nkey a.c\ntype card\n")
                                << QStringLiteral("f:2: a second key");
    QTest::newRow("bad key") << QByteArray("key a..b\ntype card\n")
                             << QStringLiteral("f:1: \"a..b\" is not a target key");
    QTest::newRow("unbalanced quote") << QByteArray("key a.b\ntype card\nstart \"/bin/x\n")
                                      << QStringLiteral("f:3: unbalanced quotes");
    QTest::newRow("not UTF-8") << QByteArray("key a.b\ntype card\nlabel \xff\n")
                               << QStringLiteral("f:3: not UTF-8 text");
    QTest::newRow("too long") << QByteArray(TargetDeclaration::MaxSize + 1, '#')
                              << QStringLiteral("f: longer than 65536 bytes");
}

void tst_NavigatorService::declarationParsing()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, error);
    QString why;
    const std::optional<TargetDeclaration> declaration =
        TargetDeclaration::parse(text, QStringLiteral("f"), &why);
    QCOMPARE(why, error);
    QCOMPARE(declaration.has_value(), error.isEmpty());
    if (declaration) {
        QCOMPARE(declaration->type, int(TargetDeclaration::Viewer));
        QCOMPARE(declaration->perimeter, int(TargetDeclaration::Personal));
        QCOMPARE(declaration->program, QStringLiteral("/bin/my viewer"));
        QCOMPARE(declaration->arguments, QStringList{QStringLiteral("--x")});
        QCOMPARE(declaration->filters.value(0).toText(),
                 QStringLiteral("actions=x.Y;types=text/*;"));
    }
}

void tst_NavigatorService::refusedDeclarationIsSkippedWhole()
{
    QMap<QString, QByteArray> targets = standardTargets();
    // Parsable up to its last line: none of it may be taken.
    targets.insert(QStringLiteral("broken.target"),
                   "key com.example.broken\ntype application\nfilter "
                   "actions=qz.action.VIEW;types=text/plain;\nfilter x\n");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("skipped .*broken.target:4: ")));
    Rig rig(targets);
    QVERIFY(rig.started);
    QCOMPARE(rig.service->refusedDeclarations().size(), 1);
    QVERIFY2(rig.service->refusedDeclarations().first().endsWith(
                 QStringLiteral("/broken.target:4: bad filter: clause \"x\" is not name=values")),
             qPrintable(rig.service->refusedDeclarations().first()));

    Client invoker;
    invoker.call(
        QStringLiteral("navigator_invoke_invocation_send"),
        {0, invocation({{QStringLiteral("target"), QStringLiteral("com.example.broken")}})});
    const auto answer = invoker.take(19);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("err")).toString(),
             QStringLiteral("INVOKE_NO_TARGET_ERROR"));
}

void tst_NavigatorService::routing_data()
{
    QTest::addColumn<QVariantMap>("request");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("target"); // who gets the invocation

    QTest::newRow("by key") << invocation(
                                   {{QStringLiteral("target"), s_editor},
                                    {QStringLiteral("action"), QStringLiteral("qz.action.SHARE")}})
                            << QString() << s_editor;
    QTest::newRow("by action and MIME wildcard")
        << invocation({{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
                       {QStringLiteral("type"), QStringLiteral("image/png")}})
        << QString() << s_viewer;
    QTest::newRow("by MIME type alone")
        << invocation({{QStringLiteral("type"), QStringLiteral("text/plain")}}) << QString()
        << s_editor;
    QTest::newRow("by URI prefix")
        << invocation({{QStringLiteral("action"), QStringLiteral("qz.action.EDIT")},
                       {QStringLiteral("uri"), QStringLiteral("data:,hello")}})
        << QString() << s_editor;
    QTest::newRow("URI extension decides")
        << invocation({{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
                       {QStringLiteral("uri"), QStringLiteral("file:///a/b.png")}})
        << QString() << s_viewer;
    QTest::newRow("URI of no filter")
        << invocation({{QStringLiteral("uri"), QStringLiteral("http://x/y.png")}})
        << QStringLiteral("INVOKE_NO_TARGET_ERROR") << QString();
    QTest::newRow("unknown key") << invocation({{QStringLiteral("target"),
                                                 QStringLiteral("com.example.none")}})
                                 << QStringLiteral("INVOKE_NO_TARGET_ERROR") << QString();
    QTest::newRow("nothing to route by") << invocation({{QStringLiteral("perimeter"), 1}})
                                         << QStringLiteral("INVOKE_BAD_REQUEST_ERROR") << QString();
    QTest::newRow("type mask rules the viewer out")
        << invocation({{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
                       {QStringLiteral("type"), QStringLiteral("image/png")},
                       {QStringLiteral("target_type_mask"), 1}})
        << QStringLiteral("INVOKE_NO_TARGET_ERROR") << QString();
    QTest::newRow("perimeter rules the editor out")
        << invocation({{QStringLiteral("action"), QStringLiteral("qz.action.EDIT")},
                       {QStringLiteral("perimeter"), 1}})
        << QStringLiteral("INVOKE_NO_TARGET_ERROR") << QString();
}

void tst_NavigatorService::routing()
{
    QFETCH(QVariantMap, request);
    QFETCH(QString, err);
    QFETCH(QString, target);

    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client viewer(s_viewer);
    Client editor(s_editor);
    Client invoker;
    QVERIFY(invoker.isOpen());
    QMap<QString, Client *> targets{{s_viewer, &viewer}, {s_editor, &editor}};
    invoker.call(QStringLiteral("navigator_invoke_invocation_send"), {7, request});

    const auto answer = invoker.take(19);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("id")).toString(), QStringLiteral("r1"));
    QCOMPARE(answer->value(QStringLiteral("err")).toString(), err);
    if (!err.isEmpty()) {
        QVERIFY(answer->value(QStringLiteral("error_code")).toInt() > 0);
        QCOMPARE(viewer.count(16) + editor.count(16), 0);
        return;
    }
    QCOMPARE(answer->value(QStringLiteral("target")).toString(), target);
    const auto invoked = targets.value(target)->take(16, 0);
    QVERIFY(invoked);
    QCOMPARE(invoked->value(QStringLiteral("invocation")).toMap(), request);
    QCOMPARE(invoked->value(QStringLiteral("group_id")).toInt(), 4242);
    QCOMPARE(viewer.count(16) + editor.count(16), 0); // nobody else got it
}

void tst_NavigatorService::failureSwitchAnswersWithItsText()
{
    Rig rig(standardTargets(), {{QStringLiteral("navigator_invoke_invocation_send"),
                                 QStringLiteral("INVOKE_INSUFFICIENT_PRIVILEGES_ERROR")}});
    QVERIFY(rig.started);
    Client editor(s_editor);
    Client invoker;
    const QVariantMap request = invocation({{QStringLiteral("target"), s_editor}});
    invoker.call(QStringLiteral("navigator_invoke_invocation_send"), {0, request});
    auto answer = invoker.take(19);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("err")).toString(),
             QStringLiteral("INVOKE_INSUFFICIENT_PRIVILEGES_ERROR"));
    QCOMPARE(editor.count(16), 0);

    // Switched off at run time, the same call goes through.
    invoker.send(QStringLiteral("fail"),
                 {{QStringLiteral("call"), QStringLiteral("navigator_invoke_invocation_send")}});
    invoker.call(QStringLiteral("navigator_invoke_invocation_send"), {0, request});
    answer = invoker.take(19);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("err")).toString(), QString());
    QVERIFY(editor.take(16));
}

void tst_NavigatorService::targetThatDiesDoesNotTakeTheInvocation_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("environment"); // what the started process saw; empty: not started

    QTest::newRow("started, exits before taking it")
        << s_card << QStringLiteral("invoke://localhost card com.example.picker");
    QTest::newRow("started application has no MODE")
        << s_editor << QStringLiteral("invoke://localhost com.example.editor");
    QTest::newRow("running, leaves without taking it") << s_viewer << QString();
}

void tst_NavigatorService::targetThatDiesDoesNotTakeTheInvocation()
{
    QFETCH(QString, key);
    QFETCH(QString, environment);

    QTemporaryDir scratch;
    const QString seen = scratch.filePath(QStringLiteral("seen"));
    QMap<QString, QByteArray> targets = standardTargets();
    const QByteArray start =
        "start sh -c \"echo $uri $MODE $QZ_NAVIGATOR_TARGET > " + seen.toUtf8() + "; exit 3\"\n";
    targets[QStringLiteral("picker.target")] += start;
    targets[QStringLiteral("editor.target")] += start;
    Rig rig(targets);
    QVERIFY(rig.started);

    std::unique_ptr<Client> running;
    if (environment.isEmpty())
        running = std::make_unique<Client>(key, false);
    Client invoker;
    invoker.call(QStringLiteral("navigator_invoke_invocation_send"),
                 {0, invocation({{QStringLiteral("target"), key}})});
    if (running) {
        QVERIFY(running->take(16)); // got it, and goes away without taking it
        running->close();
    }
    const auto answer = invoker.take(19);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("err")).toString(),
             QStringLiteral("INVOKE_TARGET_ERROR"));
    QCOMPARE(answer->value(QStringLiteral("target")).toString(), key);
    if (!environment.isEmpty()) {
        QFile file(seen);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll().trimmed()), environment);
    }
}

void tst_NavigatorService::queryHonoursTypesAndPerimeter_data()
{
    QTest::addColumn<QVariantMap>("query");
    QTest::addColumn<QStringList>("actions"); // "action:target,target"
    QTest::addColumn<QString>("err");

    QTest::newRow("all actions for text")
        << QVariantMap{{QStringLiteral("type"), QStringLiteral("text/plain")}}
        << QStringList{QStringLiteral("qz.action.EDIT:com.example.editor"),
                       QStringLiteral("qz.action.PICK:com.example.picker"),
                       QStringLiteral("qz.action.VIEW:com.example.editor")}
        << QString();
    QTest::newRow("one action, two targets")
        << QVariantMap{{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")}}
        << QStringList{QStringLiteral("qz.action.VIEW:com.example.editor,com.example.viewer")}
        << QString();
    QTest::newRow("type mask: cards only")
        << QVariantMap{{QStringLiteral("type"), QStringLiteral("text/plain")},
                       {QStringLiteral("target_type_mask"), 2}}
        << QStringList{QStringLiteral("qz.action.PICK:com.example.picker")} << QString();
    QTest::newRow("personal perimeter leaves the enterprise editor out")
        << QVariantMap{{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
                       {QStringLiteral("perimeter"), 1}}
        << QStringList{QStringLiteral("qz.action.VIEW:com.example.viewer")} << QString();
    QTest::newRow("menu actions need a label")
        << QVariantMap{{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
                       {QStringLiteral("action_type"), 1}}
        << QStringList{QStringLiteral("qz.action.VIEW:com.example.viewer")} << QString();
    QTest::newRow("nothing asked")
        << QVariantMap() << QStringList() << QStringLiteral("INVOKE_BAD_REQUEST_ERROR");
}

void tst_NavigatorService::queryHonoursTypesAndPerimeter()
{
    QFETCH(QVariantMap, query);
    QFETCH(QStringList, actions);
    QFETCH(QString, err);

    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client client;
    query.insert(QStringLiteral("id"), QStringLiteral("q"));
    client.call(QStringLiteral("navigator_invoke_query_send"), {0, query});
    const auto answer = client.take(17);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("err")).toString(), err);
    QStringList got;
    for (const QVariant &action : answer->value(QStringLiteral("query_result_actions")).toList()) {
        QStringList keys;
        for (const QVariant &target : action.toMap().value(QStringLiteral("targets")).toList())
            keys << target.toMap().value(QStringLiteral("key")).toString();
        QCOMPARE(action.toMap().value(QStringLiteral("default_target")).toString(), keys.value(0));
        got << action.toMap().value(QStringLiteral("name")).toString() + u':' + keys.join(u',');
    }
    QCOMPARE(got, actions);
}

void tst_NavigatorService::settingFilters_data()
{
    QTest::addColumn<QString>("identity");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("err");

    const QStringList share{QStringLiteral("actions=qz.action.SHARE;types=*;")};
    QTest::newRow("own filters") << s_editor << s_editor << share << QString();
    QTest::newRow("someone else's")
        << s_viewer << s_editor << share << QStringLiteral("INVOKE_TARGET_NOT_OWNED_ERROR");
    QTest::newRow("anonymous") << QString() << s_editor << share
                               << QStringLiteral("INVOKE_TARGET_NOT_OWNED_ERROR");
    QTest::newRow("unknown target") << s_editor << QStringLiteral("com.example.none") << share
                                    << QStringLiteral("INVOKE_NO_TARGET_ERROR");
    QTest::newRow("too many") << s_editor << s_editor << QStringList(65, share.first())
                              << QStringLiteral("INVOKE_BAD_REQUEST_ERROR");
    QTest::newRow("one malformed of two")
        << s_editor << s_editor << QStringList{share.first(), QStringLiteral("actions=;types=*;")}
        << QStringLiteral("INVOKE_BAD_REQUEST_ERROR");
}

void tst_NavigatorService::settingFilters()
{
    QFETCH(QString, identity);
    QFETCH(QString, key);
    QFETCH(QStringList, filters);
    QFETCH(QString, err);

    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client client(identity);
    client.call(QStringLiteral("navigator_invoke_set_filters"),
                {QStringLiteral("s"), key, filters});
    const auto set = client.take(37);
    QVERIFY(set);
    QCOMPARE(set->value(QStringLiteral("err")).toString(), err);

    client.call(QStringLiteral("navigator_invoke_get_filters"), {QStringLiteral("g"), s_editor});
    const auto got = client.take(35);
    QVERIFY(got);
    QCOMPARE(got->value(QStringLiteral("filters_target")).toString(), s_editor);
    const QStringList original{QStringLiteral(
        "actions=qz.action.EDIT,qz.action.VIEW;types=text/plain;uris=file://,data:;")};
    QCOMPARE(got->value(QStringLiteral("filters")).toStringList(),
             err.isEmpty() ? filters : original);
}

void tst_NavigatorService::replacedFiltersSurviveARestart()
{
    Rig rig(standardTargets());
    QVERIFY(rig.started);
    const QStringList share{QStringLiteral("actions=qz.action.SHARE;types=text/*;")};
    {
        Client editor(s_editor);
        editor.call(QStringLiteral("navigator_invoke_set_filters"),
                    {QStringLiteral("s"), s_editor, share});
        QVERIFY(editor.take(37));
    }
    rig.restart();
    QVERIFY(rig.started);
    Client editor(s_editor);
    Client invoker;
    invoker.call(QStringLiteral("navigator_invoke_get_filters"), {QStringLiteral("g"), s_editor});
    const auto got = invoker.take(35);
    QVERIFY(got);
    QCOMPARE(got->value(QStringLiteral("filters")).toStringList(), share);
    // And the broker routes by them.
    invoker.call(QStringLiteral("navigator_invoke_invocation_send"),
                 {0, invocation({{QStringLiteral("action"), QStringLiteral("qz.action.SHARE")},
                                 {QStringLiteral("type"), QStringLiteral("text/html")}})});
    const auto answer = invoker.take(19);
    QVERIFY(answer);
    QCOMPARE(answer->value(QStringLiteral("target")).toString(), s_editor);
}

void tst_NavigatorService::viewerRelaysBothWaysAndClose()
{
    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client viewer(s_viewer);
    Client invoker;
    const QVariantMap request{
        {QStringLiteral("invocation"),
         invocation({{QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
                     {QStringLiteral("type"), QStringLiteral("image/png")}})},
        {QStringLiteral("window_id"), QStringLiteral("w1")},
        {QStringLiteral("width"), 320},
        {QStringLiteral("height"), 200}};
    invoker.call(QStringLiteral("navigator_invoke_viewer_send"), {0, request});
    const auto invoked = viewer.take(18);
    QVERIFY(invoked);
    QCOMPARE(invoked->value(QStringLiteral("viewer")).toMap(), request);
    const auto started = invoker.take(20);
    QVERIFY(started);
    QCOMPARE(started->value(QStringLiteral("target")).toString(), s_viewer);

    // Invoker asks, viewer answers.
    invoker.call(QStringLiteral("navigator_invoke_viewer_relay"),
                 {QStringLiteral("w1"), QStringLiteral("zoom"), QStringLiteral("2"),
                  QStringLiteral("m1"), false});
    const auto asked = viewer.take(21);
    QVERIFY(asked);
    QCOMPARE(asked->value(QStringLiteral("viewer_relay_data")).toString(), QStringLiteral("2"));
    QCOMPARE(asked->value(QStringLiteral("id")).toString(), QStringLiteral("m1"));
    viewer.call(QStringLiteral("navigator_invoke_viewer_relay"),
                {QStringLiteral("w1"), QStringLiteral("zoom"), QStringLiteral("done"),
                 QStringLiteral("m1"), true});
    const auto answered = invoker.take(25);
    QVERIFY(answered);
    QCOMPARE(answered->value(QStringLiteral("err")).toString(), QString());
    QCOMPARE(answered->value(QStringLiteral("viewer_relay_data")).toString(),
             QStringLiteral("done"));

    // Viewer tells the invoker, which closes the window; a question left open then fails.
    viewer.call(QStringLiteral("navigator_invoke_viewer_relay"),
                {QStringLiteral("w1"), QStringLiteral("viewerCloseRequest"), QVariant(), QVariant(),
                 false});
    QVERIFY(invoker.take(21));
    viewer.call(
        QStringLiteral("navigator_invoke_viewer_relay"),
        {QStringLiteral("w1"), QStringLiteral("ask"), QVariant(), QStringLiteral("m2"), false});
    QVERIFY(invoker.take(21));
    invoker.call(QStringLiteral("navigator_invoke_close_viewer"), {QStringLiteral("w1")});
    const auto closed = viewer.take(22);
    QVERIFY(closed);
    QCOMPARE(closed->value(QStringLiteral("window_id")).toString(), QStringLiteral("w1"));
    const auto unanswered = viewer.take(25);
    QVERIFY(unanswered);
    QCOMPARE(unanswered->value(QStringLiteral("err")).toString(),
             QStringLiteral("INVALID_WINDOW_ID"));

    invoker.call(
        QStringLiteral("navigator_invoke_viewer_relay"),
        {QStringLiteral("w1"), QStringLiteral("zoom"), QVariant(), QStringLiteral("m3"), false});
    const auto refused = invoker.take(25);
    QVERIFY(refused);
    QCOMPARE(refused->value(QStringLiteral("err")).toString(), QStringLiteral("INVALID_WINDOW_ID"));
    QCOMPARE(refused->value(QStringLiteral("id")).toString(), QStringLiteral("m3"));
}

void tst_NavigatorService::cardClosesWithItsResultAndResizes()
{
    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client card(s_card);
    Client parent;
    parent.call(QStringLiteral("navigator_invoke_invocation_send"),
                {0, invocation({{QStringLiteral("action"), QStringLiteral("qz.action.PICK")},
                                {QStringLiteral("type"), QStringLiteral("image/png")},
                                {QStringLiteral("list_id"), 7}})});
    QVERIFY(card.take(16));
    QVERIFY(parent.take(19));

    Client tool;
    tool.send(QStringLiteral("card-resize"), {{QStringLiteral("target"), s_card},
                                              {QStringLiteral("width"), 100},
                                              {QStringLiteral("height"), 50},
                                              {QStringLiteral("edge"), 90}});
    const auto resize = card.take(32);
    QVERIFY(resize);
    QCOMPARE(resize->value(QStringLiteral("card_width")).toInt(), 100);
    QCOMPARE(resize->value(QStringLiteral("card_edge")).toInt(), 90);
    QVERIFY(!resize->value(QStringLiteral("id")).toString().isEmpty());

    // The card moves in the list it was invoked from; its parent owns the list.
    card.call(QStringLiteral("navigator_invoke_select_list_item"), {2});
    const auto selected = parent.take(44);
    QVERIFY(selected);
    QCOMPARE(selected->value(QStringLiteral("list_id")).toInt(), 7);
    QCOMPARE(selected->value(QStringLiteral("list_item_selection")).toInt(), 2);

    card.call(QStringLiteral("navigator_card_peek"), {0});
    const auto peek = parent.take(30);
    QVERIFY(peek);
    QCOMPARE(peek->value(QStringLiteral("card_peek_type")).toInt(), 0);
    QVERIFY(card.take(38));

    card.call(
        QStringLiteral("navigator_card_close"),
        {QStringLiteral("done"), QStringLiteral("text/uri-list"), QStringLiteral("file:///p.png")});
    const auto done = parent.take(33);
    QVERIFY(done);
    QCOMPARE(done->value(QStringLiteral("card_closed_reason")).toString(), QStringLiteral("done"));
    QCOMPARE(done->value(QStringLiteral("card_closed_data_type")).toString(),
             QStringLiteral("text/uri-list"));
    QCOMPARE(done->value(QStringLiteral("card_closed_data")).toString(),
             QStringLiteral("file:///p.png"));
}

void tst_NavigatorService::timersFireOnTheVirtualClock()
{
    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client editor(s_editor);
    VirtualClock *clock = rig.service->clock();
    const QDateTime start = clock->now().addDays(1);
    const QVariantMap once{{QStringLiteral("kind"), 3},
                           {QStringLiteral("action"), 1},
                           {QStringLiteral("id"), QStringLiteral("t1")},
                           {QStringLiteral("timer_id"), QStringLiteral("once")},
                           {QStringLiteral("target"), s_editor},
                           {QStringLiteral("specific_time"), specificTime(start)}};
    QVariantMap rule{{QStringLiteral("frequency"), 5},
                     {QStringLiteral("start_date"), specificTime(start.addDays(1))},
                     {QStringLiteral("count_limit"), 2}};
    const QVariantMap hourly{{QStringLiteral("kind"), 1},
                             {QStringLiteral("action"), 1},
                             {QStringLiteral("id"), QStringLiteral("t2")},
                             {QStringLiteral("timer_id"), QStringLiteral("hourly")},
                             {QStringLiteral("target"), s_editor},
                             {QStringLiteral("recurrence_rule"), rule}};
    for (const QVariantMap &registration : {once, hourly}) {
        editor.call(QStringLiteral("navigator_invoke_timer_registration_send"), {0, registration});
        const auto answer = editor.take(45);
        QVERIFY(answer);
        QCOMPARE(answer->value(QStringLiteral("err")).toString(), QString());
    }
    // A rule that can never fire is refused, not kept.
    QVariantMap never = hourly;
    rule.insert(QStringLiteral("date_limit"), specificTime(start));
    never.insert(QStringLiteral("recurrence_rule"), rule);
    editor.call(QStringLiteral("navigator_invoke_timer_registration_send"), {0, never});
    QCOMPARE(errorOf(editor.take(45)), QStringLiteral("INVOKE_BAD_REQUEST_ERROR"));
    // Another target's timer is not this client's to set.
    QVariantMap foreign = once;
    foreign.insert(QStringLiteral("target"), s_viewer);
    editor.call(QStringLiteral("navigator_invoke_timer_registration_send"), {0, foreign});
    QCOMPARE(errorOf(editor.take(45)), QStringLiteral("INVOKE_TARGET_NOT_OWNED_ERROR"));

    const auto timerIdOf = [](const Fields &event) {
        const QVariantMap invocation = event.value(QStringLiteral("invocation")).toMap();
        return QString::fromUtf8(
            QByteArray::fromBase64(invocation.value(QStringLiteral("data")).toString().toLatin1()));
    };
    // Moves the clock by \a minutes and returns the ids of the timers that fired: \a expected
    // of them waited for, then whatever else comes soon after.
    const auto advance = [&](qint64 minutes, int expected) {
        clock->advance(minutes * 60 * 1000);
        QStringList fired;
        for (int i = 0; i <= expected; ++i) {
            if (const auto event = editor.take(16, i < expected ? 5000 : 200))
                fired << timerIdOf(*event);
        }
        return fired;
    };
    // Times are whole minutes, so "once" is due in the minute before now + 24 h.
    QCOMPARE(advance(23 * 60, 0), QStringList());
    QCOMPARE(advance(60, 1), QStringList{QStringLiteral("once")});
    // The hourly rule fires at its start a day later, then an hour on, then never again.
    QCOMPARE(advance(23 * 60 + 59, 0), QStringList());
    QCOMPARE(advance(2, 1), QStringList{QStringLiteral("hourly")});
    QCOMPARE(advance(55, 0), QStringList());
    QCOMPARE(advance(5, 1), QStringList{QStringLiteral("hourly")});
    QCOMPARE(advance(10 * 60, 0), QStringList());
}

namespace {
class Recorder : public qz::AbstractXrvEventHandler
{
public:
    Recorder() { subscribe(navigator_get_domain()); }
    void event(xrv_event_t *event) override
    {
        if (xrv_event_get_code(event) == 16) {
            const navigator_invoke_invocation_t *invocation =
                navigator_invoke_event_get_invocation(event);
            data = QByteArray(
                static_cast<const char *>(navigator_invoke_invocation_get_data(invocation)),
                navigator_invoke_invocation_get_data_length(invocation));
        } else if (xrv_event_get_code(event) == 19) {
            target = QString::fromUtf8(navigator_invoke_event_get_target(event));
            err = QString::fromUtf8(navigator_event_get_err(event));
        }
    }
    QByteArray data;
    QString target;
    QString err;
};

// Sends an invocation of \a key through the navigator C functions.
void invokeThroughC(const char *key, const QByteArray &data = {})
{
    navigator_invoke_invocation_t *invocation = nullptr;
    QCOMPARE(navigator_invoke_invocation_create(&invocation), 0);
    QCOMPARE(navigator_invoke_invocation_set_id(invocation, "r"), 0);
    QCOMPARE(navigator_invoke_invocation_set_target(invocation, key), 0);
    QCOMPARE(navigator_invoke_invocation_set_data(invocation, data.constData(), int(data.size())),
             0);
    QCOMPARE(navigator_invoke_invocation_send(invocation), 0);
    navigator_invoke_invocation_destroy(invocation);
}
} // namespace

void tst_NavigatorService::deviceBackendRoundTrip()
{
    Rig rig(standardTargets());
    QVERIFY(rig.started);
    // This process is both ends: the default backend invokes, a second one is the target.
    qputenv(qz::platform::NavigatorDeviceBackend::s_targetVariable, s_editor.toUtf8());
    qz::platform::NavigatorDeviceBackend target;
    QVERIFY(target.connectToService());
    qunsetenv(qz::platform::NavigatorDeviceBackend::s_targetVariable);
    Recorder recorder;

    const QByteArray bytes("\0\xff binary", 9);
    invokeThroughC("com.example.editor", bytes);

    QTRY_COMPARE(recorder.target, s_editor); // answered only once the target took it
    QCOMPARE(recorder.data, bytes);
}

void tst_NavigatorService::lostNavigatorAnswersWhatItOwed()
{
    Rig rig(standardTargets());
    QVERIFY(rig.started);
    Client editor(s_editor, false); // takes the invocation, never acknowledges it
    Recorder recorder;
    invokeThroughC("com.example.editor");
    QVERIFY(editor.take(16));
    rig.service.reset();
    QTRY_COMPARE(recorder.err,
                 QString::fromLatin1(qz::platform::NavigatorDeviceBackend::s_goneError));
}

QTEST_GUILESS_MAIN(tst_NavigatorService)
#include "tst_navigatorservice.moc"
