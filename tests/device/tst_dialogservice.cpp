// The dialog service of qzdevice, driven through a real PPS server by clients that write requests
// as the library does.
#include "autodialogpolicy.h"
#include "dialogclient.h"
#include "dialogservice.h"
#include "ppstestserver.h"
#include "scriptdialogpolicy.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString s_id = QStringLiteral("{00000000-0000-0000-0000-000000000001}");

QVariantMap map(std::initializer_list<std::pair<QString, QVariant>> entries)
{
    return QVariantMap(entries);
}

QVariantMap pressed(int index, const QString &label, const QVariantMap &extra = {})
{
    QVariantMap response{{QStringLiteral("selectedIndex"), index},
                         {QStringLiteral("responseBtnContext"),
                          label.isEmpty() ? QString() : QString(QStringLiteral("ctx-") + label)}};
    response.insert(extra);
    return response;
}

QVariantMap row(const QString &label, bool selected, bool disabled = false)
{
    return {{QStringLiteral("label"), label},
            {QStringLiteral("disabled"), disabled},
            {QStringLiteral("selected"), selected}};
}

QVariantMap header(const QString &label)
{
    return {{QStringLiteral("label"), label},
            {QStringLiteral("disabled"), false},
            {QStringLiteral("header"), true}};
}

DialogScript script(const QByteArray &json)
{
    QString error;
    const std::optional<DialogScript> loaded = DialogScript::fromJson(json, &error);
    if (!loaded)
        qFatal("bad test script: %s", qPrintable(error));
    return *loaded;
}

// A server, the service and one client, all up.
struct Rig
{
    explicit Rig(std::unique_ptr<DialogPolicy> policy)
        : service(std::move(policy))
    {
        QString error;
        started = pps.isRunning() && service.start(&error) && client.open();
        if (!started)
            qWarning("rig: %s", qPrintable(error));
    }

    PpsTestServer pps;
    DialogService service;
    DialogClient client;
    bool started = false;
};

DialogDefaults quick(int delayMs = 0)
{
    DialogDefaults defaults;
    defaults.delayMs = delayMs;
    return defaults;
}

} // namespace

class tst_DialogService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void autoAnswersEachKind_data();
    void autoAnswersEachKind();
    void scriptAnswers_data();
    void scriptAnswers();
    void scriptOnceEntryServesOneDialog();
    void scriptWithoutMatchOrButtonLeavesDialogUp_data();
    void scriptWithoutMatchOrButtonLeavesDialogUp();
    void unusableRequestsAreLoggedAndUnanswered_data();
    void unusableRequestsAreLoggedAndUnanswered();
    void cancelWithdrawsDialog();
    void updateChangesTheAnswer();
    void updateForUnknownDialogShowsIt();
    void progressIsAnsweredOnceDone_data();
    void progressIsAnsweredOnceDone();
    void dialogKeptUpAfterAnswerIsAnsweredOnce();
    void clientsWithSameIdGetTheirOwnAnswers();
    void systemControlAnswersOnItsObject();
    void clientLeavingTakesItsDialogsDown();
    void manyButtonsAreAnsweredFast();
    void limitsOfARequest_data();
    void limitsOfARequest();
    void updatePastALimitTakesTheDialogDown();
};

void tst_DialogService::autoAnswersEachKind_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QVariantMap>("description");
    QTest::addColumn<QVariantMap>("response");

    const QStringList cancelOk{QStringLiteral("Cancel"), QStringLiteral("Ok")};
    QTest::newRow("alert presses the default")
        << QStringLiteral("AlertDialog") << describeDialog(cancelOk, 1)
        << pressed(1, QStringLiteral("Ok"));
    QTest::newRow("alert with a check box")
        << QStringLiteral("AlertDialog")
        << describeDialog(cancelOk, 0,
                          map({{QStringLiteral("checkboxChecked"), false},
                               {QStringLiteral("checkboxLabel"), QStringLiteral("Remember Me")}}))
        << pressed(0, QStringLiteral("Cancel"), map({{QStringLiteral("checkboxChecked"), false}}));
    QVariantMap disabledDefault = describeDialog(cancelOk, 1);
    QVariantList buttons = disabledDefault.value(QStringLiteral("buttons")).toList();
    QVariantMap ok = buttons.at(1).toMap();
    ok.insert(QStringLiteral("enabled"), false);
    buttons[1] = ok;
    disabledDefault.insert(QStringLiteral("buttons"), buttons);
    QTest::newRow("disabled default is not pressed")
        << QStringLiteral("AlertDialog") << disabledDefault << pressed(-1, QString());
    QTest::newRow("no default") << QStringLiteral("AlertDialog") << describeDialog(cancelOk, -1)
                                << pressed(-1, QString());
    QTest::newRow("prompt answers its default text")
        << QStringLiteral("PromptDialog")
        << describeDialog(cancelOk, 1,
                          map({{QStringLiteral("inputField"), QStringLiteral("draft")},
                               {QStringLiteral("inputKeyboard"), QStringLiteral("default")}}))
        << pressed(1, QStringLiteral("Ok"),
                   map({{QStringLiteral("inputField"), QStringLiteral("draft")}}));
    QTest::newRow("login answers the configured user")
        << QStringLiteral("LoginDialog")
        << describeDialog(
               {QStringLiteral("Cancel"), QStringLiteral("Login")}, 1,
               map({{QStringLiteral("username"), QString()},
                    {QStringLiteral("usernamePlaceholder"), QStringLiteral("Username")}}))
        << pressed(1, QStringLiteral("Login"),
                   map({{QStringLiteral("username"), QStringLiteral("user")},
                        {QStringLiteral("password"), QStringLiteral("secret")}}));
    const QVariantList rows{header(QStringLiteral("Fruit")), row(QStringLiteral("Apple"), true),
                            row(QStringLiteral("Pear"), false), row(QStringLiteral("Plum"), true),
                            row(QStringLiteral("Fig"), true, true)};
    QTest::newRow("multi list answers the enabled pre-selected rows")
        << QStringLiteral("ListDialog")
        << describeDialog(
               cancelOk, 1,
               map({{QStringLiteral("list"), rows}, {QStringLiteral("multiSelect"), true}}))
        << pressed(1, QStringLiteral("Ok"),
                   map({{QStringLiteral("selectedIndices"), QVariantList{1, 3}}}));
    QTest::newRow("single list answers one row")
        << QStringLiteral("ListDialog")
        << describeDialog(
               cancelOk, 1,
               map({{QStringLiteral("list"), rows}, {QStringLiteral("multiSelect"), false}}))
        << pressed(1, QStringLiteral("Ok"),
                   map({{QStringLiteral("selectedIndices"), QVariantList{1}}}));
    QTest::newRow("toast with a button times out")
        << QStringLiteral("ToastBase")
        << describeDialog({QStringLiteral("Undo")}, 0,
                          map({{QStringLiteral("position"), QStringLiteral("bottomCenter")}}))
        << pressed(-1, QString());
    QTest::newRow("icon toast times out")
        << QStringLiteral("IconToast")
        << describeDialog({}, -1,
                          map({{QStringLiteral("position"), QStringLiteral("middleCenter")}}))
        << pressed(-1, QString());
}

void tst_DialogService::autoAnswersEachKind()
{
    QFETCH(QString, className);
    QFETCH(QVariantMap, description);
    QFETCH(QVariantMap, response);

    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    QVERIFY(rig.client.show(s_id, className, description));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    const QVariantMap answer = rig.client.answers().first();
    QCOMPARE(answer.value(QStringLiteral("res")).toString(), QStringLiteral("show"));
    QCOMPARE(answer.value(QStringLiteral("id")).toString(), s_id);
    QCOMPARE(rig.client.response(), response);
    QCOMPARE(rig.service.dialogCount(), 0);
}

void tst_DialogService::scriptAnswers_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QVariantMap>("description");
    QTest::addColumn<QVariantMap>("response");

    const QStringList three{QStringLiteral("Retry"), QStringLiteral("Ok"),
                            QStringLiteral("Cancel")};
    const QVariantMap titled =
        describeDialog(three, 1, map({{QStringLiteral("titleText"), QStringLiteral("Delete?")}}));
    QTest::newRow("button by label")
        << QByteArray(R"({"dialogs": [{"className": "AlertDialog", "button": "Cancel"}]})")
        << QStringLiteral("AlertDialog") << titled << pressed(2, QStringLiteral("Cancel"));
    QTest::newRow("first entry matching class and title wins")
        << QByteArray(
               R"({"dialogs": [{"className": "AlertDialog", "title": "Other", "button": "Cancel"},
                                      {"className": "PromptDialog", "button": "Cancel"},
                                      {"title": "Delete?", "button": "Retry"},
                                      {"button": "Ok"}]})")
        << QStringLiteral("AlertDialog") << titled << pressed(0, QStringLiteral("Retry"));
    QTest::newRow("timeout presses nothing")
        << QByteArray(R"({"dialogs": [{"timeout": true}]})") << QStringLiteral("AlertDialog")
        << titled << pressed(-1, QString());
    QTest::newRow("toast button pressed")
        << QByteArray(R"({"dialogs": [{"className": "ToastBase", "button": "Undo"}]})")
        << QStringLiteral("ToastBase")
        << describeDialog({QStringLiteral("Undo")}, 0,
                          map({{QStringLiteral("position"), QStringLiteral("topCenter")}}))
        << pressed(0, QStringLiteral("Undo"));
    QTest::newRow("check box and text")
        << QByteArray(R"({"dialogs": [{"checkbox": true, "text": "Alice"}]})")
        << QStringLiteral("PromptDialog")
        << describeDialog(three, 1,
                          map({{QStringLiteral("checkboxChecked"), false},
                               {QStringLiteral("checkboxLabel"), QStringLiteral("Keep")},
                               {QStringLiteral("inputField"), QStringLiteral("x")}}))
        << pressed(1, QStringLiteral("Ok"),
                   map({{QStringLiteral("checkboxChecked"), true},
                        {QStringLiteral("inputField"), QStringLiteral("Alice")}}));
    QTest::newRow("credentials")
        << QByteArray(
               R"({"dialogs": [{"className": "LoginDialog", "username": "bob", "password": "pw 1", "button": "Cancel"}]})")
        << QStringLiteral("LoginDialog")
        << describeDialog({QStringLiteral("Cancel"), QStringLiteral("Login")}, 1)
        << pressed(0, QStringLiteral("Cancel"),
                   map({{QStringLiteral("username"), QStringLiteral("bob")},
                        {QStringLiteral("password"), QStringLiteral("pw 1")}}));
    QTest::newRow("rows")
        << QByteArray(R"({"dialogs": [{"className": "ListDialog", "rows": [0, 2]}]})")
        << QStringLiteral("ListDialog")
        << describeDialog(
               three, 1,
               map({{QStringLiteral("list"),
                     QVariantList{row(QStringLiteral("a"), true), row(QStringLiteral("b"), false),
                                  row(QStringLiteral("c"), false)}}}))
        << pressed(1, QStringLiteral("Ok"),
                   map({{QStringLiteral("selectedIndices"), QVariantList{0, 2}}}));
}

void tst_DialogService::scriptAnswers()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, className);
    QFETCH(QVariantMap, description);
    QFETCH(QVariantMap, response);

    Rig rig(std::make_unique<ScriptDialogPolicy>(script(json), quick()));
    QVERIFY(rig.started);
    QVERIFY(rig.client.show(s_id, className, description));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.client.response(), response);
}

void tst_DialogService::scriptOnceEntryServesOneDialog()
{
    Rig rig(std::make_unique<ScriptDialogPolicy>(
        script(R"({"dialogs": [{"button": "Cancel", "once": true}, {"button": "Ok"}]})"), quick()));
    QVERIFY(rig.started);
    const QVariantMap description =
        describeDialog({QStringLiteral("Cancel"), QStringLiteral("Ok")}, 1);
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"), description));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"), description));
    QTRY_COMPARE(rig.client.answers().size(), 2);
    QCOMPARE(rig.client.response(0), pressed(0, QStringLiteral("Cancel")));
    QCOMPARE(rig.client.response(1), pressed(1, QStringLiteral("Ok")));
}

void tst_DialogService::scriptWithoutMatchOrButtonLeavesDialogUp_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("warning");
    QTest::newRow("no entry matches") << QByteArray(R"({"dialogs": [{"className": "ListDialog"}]})")
                                      << QStringLiteral("has no script answer");
    QTest::newRow("button not shown")
        << QByteArray(R"({"dialogs": [{"button": "Maybe"}]})")
        << QStringLiteral("presses \"Maybe\", which the dialog does not show");
}

void tst_DialogService::scriptWithoutMatchOrButtonLeavesDialogUp()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, warning);

    Rig rig(std::make_unique<ScriptDialogPolicy>(script(json), quick()));
    QVERIFY(rig.started);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"),
                            describeDialog({QStringLiteral("Ok")}, 0)));
    QTest::qWait(200);
    QVERIFY(rig.client.answers().isEmpty());
    QCOMPARE(rig.service.dialogCount(), 1);
}

void tst_DialogService::unusableRequestsAreLoggedAndUnanswered_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QString>("warning");
    QTest::newRow("bad json") << QByteArray("msg::show\nid::x\ndat:json:{\"className\":\n")
                              << QStringLiteral("not PPS text");
    QTest::newRow("no colons") << QByteArray("hello world\n") << QStringLiteral("not PPS text");
    QTest::newRow("bad number") << QByteArray("msg::show\nid:n:twelve\n")
                                << QStringLiteral("not PPS text");
    QTest::newRow("no msg") << QByteArray("id::x\n")
                            << QStringLiteral("\"msg\" is not show, update or cancel");
    QTest::newRow("unknown msg") << QByteArray("msg::dance\nid::x\n")
                                 << QStringLiteral("\"msg\" is not show");
    QTest::newRow("show without id")
        << QByteArray("msg::show\ndat:json:{\"className\":\"AlertDialog\",\"desc_obj\":{}}\n")
        << QStringLiteral("no dialog \"id\"");
    QTest::newRow("show without dat")
        << QByteArray("msg::show\nid::x\n") << QStringLiteral("no \"desc_obj\" map");
    QTest::newRow("dat not a map")
        << QByteArray("msg::show\nid::x\ndat::text\n") << QStringLiteral("no \"desc_obj\" map");
    QTest::newRow("desc_obj a list")
        << QByteArray(
               "msg::show\nid::x\ndat:json:{\"className\":\"AlertDialog\",\"desc_obj\":[1]}\n")
        << QStringLiteral("no \"desc_obj\" map");
    QTest::newRow("update with id outside dat")
        << QByteArray("msg::update\nid::x\ndat:json:{\"desc_obj\":{}}\n")
        << QStringLiteral("no dialog \"id\"");
}

void tst_DialogService::unusableRequestsAreLoggedAndUnanswered()
{
    QFETCH(QByteArray, request);
    QFETCH(QString, warning);

    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
    QVERIFY(rig.client.sendRaw(request));
    // The service goes on: the next proper request is answered, and it is the only answer.
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"),
                            describeDialog({QStringLiteral("Ok")}, 0)));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QTest::qWait(100);
    QCOMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.client.answers().first().value(QStringLiteral("id")).toString(), s_id);
}

void tst_DialogService::cancelWithdrawsDialog()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick(150)));
    QVERIFY(rig.started);
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"),
                            describeDialog({QStringLiteral("Ok")}, 0)));
    QTRY_COMPARE(rig.service.dialogCount(), 1);
    QVERIFY(rig.client.cancel(s_id));
    QTRY_COMPARE(rig.service.dialogCount(), 0);
    QTest::qWait(300);
    QVERIFY(rig.client.answers().isEmpty());
}

void tst_DialogService::updateChangesTheAnswer()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick(150)));
    QVERIFY(rig.started);
    const QStringList buttons{QStringLiteral("Cancel"), QStringLiteral("Ok")};
    QVERIFY(rig.client.show(
        s_id, QStringLiteral("PromptDialog"),
        describeDialog(buttons, 1, map({{QStringLiteral("inputField"), QStringLiteral("old")}}))));
    QVERIFY(rig.client.update(
        s_id,
        describeDialog(buttons, 0, map({{QStringLiteral("inputField"), QStringLiteral("new")}}))));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.client.response(),
             pressed(0, QStringLiteral("Cancel"),
                     map({{QStringLiteral("inputField"), QStringLiteral("new")}})));
}

void tst_DialogService::updateForUnknownDialogShowsIt()
{
    // What a client sends after moving a dialog to the other control object.
    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    QVERIFY(rig.client.update(
        s_id, describeDialog(
                  {QStringLiteral("Cancel"), QStringLiteral("Login")}, 1,
                  map({{QStringLiteral("usernamePlaceholder"), QStringLiteral("Username")}}))));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.client.response(),
             pressed(1, QStringLiteral("Login"),
                     map({{QStringLiteral("username"), QStringLiteral("user")},
                          {QStringLiteral("password"), QStringLiteral("secret")}})));
}

void tst_DialogService::progressIsAnsweredOnceDone_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QVariantMap>("finalUpdate");
    QTest::addColumn<QVariantMap>("response");
    QTest::newRow("dialog reaching 100")
        << QStringLiteral("ProgressDialog") << QStringList{QStringLiteral("Ok")}
        << map({{QStringLiteral("progress"), 100},
                {QStringLiteral("state"), QStringLiteral("play")}})
        << pressed(0, QStringLiteral("Ok"));
    QTest::newRow("toast failing")
        << QStringLiteral("ProgressToast") << QStringList{}
        << map({{QStringLiteral("progress"), 60},
                {QStringLiteral("state"), QStringLiteral("error")},
                {QStringLiteral("position"), QStringLiteral("middleCenter")}})
        << pressed(-1, QString());
}

void tst_DialogService::progressIsAnsweredOnceDone()
{
    QFETCH(QString, className);
    QFETCH(QStringList, buttons);
    QFETCH(QVariantMap, finalUpdate);
    QFETCH(QVariantMap, response);

    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    const QVariantMap running{{QStringLiteral("progress"), 0},
                              {QStringLiteral("state"), QStringLiteral("play")},
                              {QStringLiteral("position"), QStringLiteral("middleCenter")}};
    QVERIFY(rig.client.show(s_id, className,
                            describeDialog(buttons, buttons.isEmpty() ? -1 : 0, running)));
    QVariantMap halfway = running;
    halfway.insert(QStringLiteral("progress"), 50);
    QVERIFY(rig.client.update(s_id, describeDialog(buttons, buttons.isEmpty() ? -1 : 0, halfway)));
    QTest::qWait(200);
    QVERIFY(rig.client.answers().isEmpty());
    QCOMPARE(rig.service.dialogCount(), 1);
    QVERIFY(
        rig.client.update(s_id, describeDialog(buttons, buttons.isEmpty() ? -1 : 0, finalUpdate)));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.client.response(), response);
}

void tst_DialogService::dialogKeptUpAfterAnswerIsAnsweredOnce()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    const QVariantMap description =
        describeDialog({QStringLiteral("Ok")}, 0, map({{QStringLiteral("cancelRequired"), true}}));
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"), description));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.service.dialogCount(), 1);
    QVERIFY(rig.client.update(s_id, description));
    QTest::qWait(200);
    QCOMPARE(rig.client.answers().size(), 1);
    QVERIFY(rig.client.cancel(s_id));
    QTRY_COMPARE(rig.service.dialogCount(), 0);
}

void tst_DialogService::clientsWithSameIdGetTheirOwnAnswers()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick(50)));
    QVERIFY(rig.started);
    DialogClient other;
    QVERIFY(other.open());
    const QStringList buttons{QStringLiteral("No"), QStringLiteral("Yes")};
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"), describeDialog(buttons, 0)));
    QVERIFY(other.show(s_id, QStringLiteral("AlertDialog"), describeDialog(buttons, 1)));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QTRY_COMPARE(other.answers().size(), 1);
    QCOMPARE(rig.client.response(), pressed(0, QStringLiteral("No")));
    QCOMPARE(other.response(), pressed(1, QStringLiteral("Yes")));
}

void tst_DialogService::systemControlAnswersOnItsObject()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    DialogClient global(DialogService::s_systemControlPath);
    QVERIFY(global.open());
    QVERIFY(global.show(s_id, QStringLiteral("AlertDialog"),
                        describeDialog({QStringLiteral("Ok")}, 0)));
    QTRY_COMPARE(global.answers().size(), 1);
    QCOMPARE(global.response(), pressed(0, QStringLiteral("Ok")));
    QVERIFY(rig.client.answers().isEmpty());
}

void tst_DialogService::clientLeavingTakesItsDialogsDown()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick(100)));
    QVERIFY(rig.started);
    DialogClient leaving;
    QVERIFY(leaving.open());
    QVERIFY(leaving.show(s_id, QStringLiteral("AlertDialog"),
                         describeDialog({QStringLiteral("Ok")}, 0)));
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"),
                            describeDialog({QStringLiteral("Ok")}, 0)));
    QTRY_COMPARE(rig.service.dialogCount(), 2);
    leaving.close();
    QTRY_COMPARE(rig.service.dialogCount(), 1);
    QTRY_COMPARE(rig.client.answers().size(), 1);
}

void tst_DialogService::manyButtonsAreAnsweredFast()
{
    // Far more buttons than any dialog shows: handling a request must stay linear in its size.
    constexpr int count = 8000;
    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    QStringList labels;
    for (int i = 0; i < count; ++i)
        labels.append(QString::number(i));
    const QVariantMap description = describeDialog(labels, count - 1);

    QElapsedTimer timer;
    timer.start();
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"), description));
    QTRY_COMPARE_WITH_TIMEOUT(rig.client.answers().size(), 1, 120000);
    const qint64 elapsed = timer.elapsed();
    qInfo("%d buttons answered in %lld ms", count, elapsed);
    QCOMPARE(rig.client.response(), pressed(count - 1, QString::number(count - 1)));
    // About 0.3 s here; the quadratic reading took minutes. The slack is for a loaded machine.
    QVERIFY2(elapsed < 3000, qPrintable(QStringLiteral("took %1 ms").arg(elapsed)));
}

void tst_DialogService::limitsOfARequest_data()
{
    QTest::addColumn<QVariantMap>("description");
    QTest::addColumn<QString>("refusal"); // empty when the request is answered

    const auto labels = [](int count) {
        QStringList numbers;
        for (int i = 0; i < count; ++i)
            numbers.append(QString::number(i));
        return numbers;
    };
    const auto rows = [](int count) {
        QVariantList list;
        for (int i = 0; i < count; ++i)
            list.append(row(QString::number(i), false));
        return list;
    };
    const int maxButtons = DialogLimits::maxButtons;
    const int maxRows = DialogLimits::maxRows;
    const int maxText = DialogLimits::maxTextLength;
    const QString longest(maxText, u'x');
    const QString tooLong(maxText + 1, u'x');

    QTest::newRow("buttons at the limit") << describeDialog(labels(maxButtons), 0) << QString();
    QTest::newRow("buttons past the limit")
        << describeDialog(labels(maxButtons + 1), 0)
        << QStringLiteral("%1 buttons, more than %2").arg(maxButtons + 1).arg(maxButtons);
    QTest::newRow("rows at the limit")
        << describeDialog({QStringLiteral("Ok")}, 0, map({{QStringLiteral("list"), rows(maxRows)}}))
        << QString();
    QTest::newRow("rows past the limit")
        << describeDialog({QStringLiteral("Ok")}, 0,
                          map({{QStringLiteral("list"), rows(maxRows + 1)}}))
        << QStringLiteral("%1 rows, more than %2").arg(maxRows + 1).arg(maxRows);
    QTest::newRow("title at the limit")
        << describeDialog({QStringLiteral("Ok")}, 0, map({{QStringLiteral("titleText"), longest}}))
        << QString();
    QTest::newRow("title past the limit")
        << describeDialog({QStringLiteral("Ok")}, 0, map({{QStringLiteral("titleText"), tooLong}}))
        << QStringLiteral("text \"titleText\" of %1 characters").arg(maxText + 1);
    // The label alone at its length: the test's contexts ("ctx-<label>") would be longer still.
    const auto labelled = [](const QString &label) {
        QVariantMap description = describeDialog({QStringLiteral("Ok"), QStringLiteral("x")}, 0);
        QVariantList buttons = description.value(QStringLiteral("buttons")).toList();
        QVariantMap second = buttons.at(1).toMap();
        second.insert(QStringLiteral("label"), label);
        buttons[1] = second;
        description.insert(QStringLiteral("buttons"), buttons);
        return description;
    };
    QTest::newRow("button label at the limit") << labelled(longest) << QString();
    QTest::newRow("button label past the limit")
        << labelled(tooLong)
        << QStringLiteral("button 1 \"label\" of %1 characters").arg(maxText + 1);
    QTest::newRow("row label at the limit")
        << describeDialog({QStringLiteral("Ok")}, 0,
                          map({{QStringLiteral("list"), QVariantList{row(longest, false)}}}))
        << QString();
    QTest::newRow("row label past the limit")
        << describeDialog({QStringLiteral("Ok")}, 0,
                          map({{QStringLiteral("list"), QVariantList{row(tooLong, false)}}}))
        << QStringLiteral("row 0 \"label\" of %1 characters").arg(maxText + 1);
}

void tst_DialogService::limitsOfARequest()
{
    QFETCH(QVariantMap, description);
    QFETCH(QString, refusal);

    Rig rig(std::make_unique<AutoDialogPolicy>(quick()));
    QVERIFY(rig.started);
    if (!refusal.isEmpty()) {
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("request refused \\(") +
                                                QRegularExpression::escape(refusal)));
    }
    QVERIFY(rig.client.show(s_id, QStringLiteral("ListDialog"), description));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    const QVariantMap answer = rig.client.answers().first();
    QCOMPARE(answer.value(QStringLiteral("id")).toString(), s_id);
    if (refusal.isEmpty()) {
        QCOMPARE(answer.value(QStringLiteral("res")).toString(), QStringLiteral("show"));
        QCOMPARE(rig.client.response().value(QStringLiteral("selectedIndex")).toInt(), 0);
    } else {
        QCOMPARE(answer.value(QStringLiteral("res")).toString(), QStringLiteral("error"));
        QVERIFY(answer.value(QStringLiteral("dat"))
                    .toMap()
                    .value(QStringLiteral("errorText"))
                    .toString()
                    .startsWith(refusal));
    }
    QCOMPARE(rig.service.dialogCount(), 0);
}

void tst_DialogService::updatePastALimitTakesTheDialogDown()
{
    Rig rig(std::make_unique<AutoDialogPolicy>(quick(300)));
    QVERIFY(rig.started);
    QVERIFY(rig.client.show(s_id, QStringLiteral("AlertDialog"),
                            describeDialog({QStringLiteral("Ok")}, 0)));
    QTRY_COMPARE(rig.service.dialogCount(), 1);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("request refused")));
    const QString tooLong(DialogLimits::maxTextLength + 1, u'x');
    QVERIFY(
        rig.client.update(s_id, describeDialog({QStringLiteral("Ok")}, 0,
                                               map({{QStringLiteral("messageText"), tooLong}}))));
    QTRY_COMPARE(rig.client.answers().size(), 1);
    QCOMPARE(rig.client.answers().first().value(QStringLiteral("res")).toString(),
             QStringLiteral("error"));
    QCOMPARE(rig.service.dialogCount(), 0);
    // The timer of the withdrawn dialog never answers it.
    QTest::qWait(400);
    QCOMPARE(rig.client.answers().size(), 1);
}

QTEST_GUILESS_MAIN(tst_DialogService)
#include "tst_dialogservice.moc"
