// The interactive policy against a scripted terminal: what is asked, what is accepted, and what
// the answers become on the wire.
#include "dialogclient.h"
#include "interactivedialogpolicy.h"
#include "terminal.h"

#include <QTest>

namespace {

class FakeTerminal : public Terminal
{
public:
    void write(const QString &text) override { output += text; }
    void setEcho(bool on) override { echo.append(on); }
    void enter(const QString &line) { Q_EMIT lineEntered(line); }

    QString output;
    QList<bool> echo;
};

struct Answer
{
    DialogKey key;
    DialogAnswer answer;
};

// The policy with its terminal and the answers it gave.
struct Rig
{
    Rig()
        : terminal(new FakeTerminal)
        , policy(terminal, defaults())
    {
        QObject::connect(&policy, &DialogPolicy::answered, &policy,
                         [this](const DialogKey &key, const DialogAnswer &answer) {
                             answers.append({key, answer});
                         });
    }
    static DialogDefaults defaults()
    {
        DialogDefaults defaults;
        defaults.delayMs = 0;
        return defaults;
    }

    FakeTerminal *terminal;
    InteractiveDialogPolicy policy;
    QList<Answer> answers;
};

Dialog dialog(const QString &id, const QString &className, const QVariantMap &description)
{
    return Dialog({QStringLiteral("control"), 1, id}, className, description);
}

QVariantMap item(const QString &label, bool selected = false)
{
    return {{QStringLiteral("label"), label},
            {QStringLiteral("disabled"), false},
            {QStringLiteral("selected"), selected}};
}

} // namespace

class tst_InteractiveDialogPolicy : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void answersFromTheTerminal_data();
    void answersFromTheTerminal();
    void passwordIsNotEchoed();
    void dialogsAreAskedInTurn();
    void withdrawnDialogIsNoLongerAsked();
    void updateIsShownWhileAsking();
    void dialogWithoutButtonsTimesOut();
};

void tst_InteractiveDialogPolicy::answersFromTheTerminal_data()
{
    QTest::addColumn<QString>("className");
    QTest::addColumn<QVariantMap>("description");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QVariantMap>("response");

    const QStringList cancelOk{QStringLiteral("Cancel"), QStringLiteral("Ok")};
    const auto response = [](int index, const QString &label, const QVariantMap &extra = {}) {
        QVariantMap map{{QStringLiteral("selectedIndex"), index},
                        {QStringLiteral("responseBtnContext"),
                         label.isEmpty() ? QString() : QString(QStringLiteral("ctx-") + label)}};
        map.insert(extra);
        return map;
    };
    QTest::newRow("button by number")
        << QStringLiteral("AlertDialog") << describeDialog(cancelOk, 1)
        << QStringList{QStringLiteral("1")} << response(0, QStringLiteral("Cancel"));
    QTest::newRow("enter presses the default")
        << QStringLiteral("AlertDialog") << describeDialog(cancelOk, 1) << QStringList{QString()}
        << response(1, QStringLiteral("Ok"));
    QTest::newRow("zero presses nothing")
        << QStringLiteral("AlertDialog") << describeDialog(cancelOk, 1)
        << QStringList{QStringLiteral("0")} << response(-1, QString());
    QTest::newRow("wrong choices are asked again")
        << QStringLiteral("AlertDialog") << describeDialog(cancelOk, 1)
        << QStringList{QStringLiteral("3"), QStringLiteral("ok"), QStringLiteral("-1"),
                       QStringLiteral("1")}
        << response(0, QStringLiteral("Cancel"));
    QTest::newRow("check box")
        << QStringLiteral("AlertDialog")
        << describeDialog(cancelOk, 1,
                          {{QStringLiteral("checkboxChecked"), true},
                           {QStringLiteral("checkboxLabel"), QStringLiteral("Keep")}})
        << QStringList{QStringLiteral("maybe"), QStringLiteral("n"), QString()}
        << response(1, QStringLiteral("Ok"), {{QStringLiteral("checkboxChecked"), false}});
    QTest::newRow("typed text")
        << QStringLiteral("PromptDialog")
        << describeDialog(cancelOk, 1, {{QStringLiteral("inputField"), QStringLiteral("draft")}})
        << QStringList{QStringLiteral("Hello there"), QString()}
        << response(1, QStringLiteral("Ok"),
                    {{QStringLiteral("inputField"), QStringLiteral("Hello there")}});
    QTest::newRow("enter keeps the text")
        << QStringLiteral("PromptDialog")
        << describeDialog(cancelOk, 1, {{QStringLiteral("inputField"), QStringLiteral("draft")}})
        << QStringList{QString(), QString()}
        << response(1, QStringLiteral("Ok"),
                    {{QStringLiteral("inputField"), QStringLiteral("draft")}});
    QTest::newRow("credentials")
        << QStringLiteral("LoginDialog")
        << describeDialog({QStringLiteral("Cancel"), QStringLiteral("Login")}, 1)
        << QStringList{QStringLiteral("bob"), QStringLiteral(" p w "), QString()}
        << response(1, QStringLiteral("Login"),
                    {{QStringLiteral("username"), QStringLiteral("bob")},
                     {QStringLiteral("password"), QStringLiteral(" p w ")}});
    const QVariantList rows{item(QStringLiteral("a"), true),
                            QVariantMap{{QStringLiteral("label"), QStringLiteral("H")},
                                        {QStringLiteral("header"), true}},
                            item(QStringLiteral("b")), item(QStringLiteral("c"))};
    QTest::newRow("rows picked")
        << QStringLiteral("ListDialog")
        << describeDialog(cancelOk, 1,
                          {{QStringLiteral("list"), rows}, {QStringLiteral("multiSelect"), true}})
        << QStringList{QStringLiteral("2"), QStringLiteral("5"), QStringLiteral("3, 4"), QString()}
        << response(1, QStringLiteral("Ok"),
                    {{QStringLiteral("selectedIndices"), QVariantList{2, 3}}});
    QTest::newRow("one row in a single list")
        << QStringLiteral("ListDialog")
        << describeDialog(cancelOk, 1, {{QStringLiteral("list"), rows}})
        << QStringList{QStringLiteral("3 4"), QStringLiteral("-"), QString()}
        << response(1, QStringLiteral("Ok"), {{QStringLiteral("selectedIndices"), QVariantList{}}});
    QTest::newRow("pre-selected rows kept")
        << QStringLiteral("ListDialog")
        << describeDialog(cancelOk, 1, {{QStringLiteral("list"), rows}})
        << QStringList{QString(), QString()}
        << response(1, QStringLiteral("Ok"),
                    {{QStringLiteral("selectedIndices"), QVariantList{0}}});
}

void tst_InteractiveDialogPolicy::answersFromTheTerminal()
{
    QFETCH(QString, className);
    QFETCH(QVariantMap, description);
    QFETCH(QStringList, lines);
    QFETCH(QVariantMap, response);

    Rig rig;
    const Dialog shown = dialog(QStringLiteral("a"), className, description);
    rig.policy.present(shown);
    for (const QString &line : lines) {
        QVERIFY2(rig.answers.isEmpty(), "answered before all lines were read");
        rig.terminal->enter(line);
    }
    QCOMPARE(rig.answers.size(), 1);
    QCOMPARE(rig.answers.first().key, shown.key());
    QCOMPARE(rig.answers.first().answer.toResponse(shown), response);
}

void tst_InteractiveDialogPolicy::passwordIsNotEchoed()
{
    Rig rig;
    rig.policy.present(dialog(QStringLiteral("a"), QStringLiteral("LoginDialog"),
                              describeDialog({QStringLiteral("Login")}, 0)));
    rig.terminal->enter(QStringLiteral("bob"));
    QVERIFY(rig.terminal->output.endsWith(QLatin1String("(Enter for the configured one): ")));
    QCOMPARE(rig.terminal->echo.last(), false);
    rig.terminal->enter(QStringLiteral("hunter2"));
    QCOMPARE(rig.terminal->echo.last(), true);
    QVERIFY(!rig.terminal->output.contains(QLatin1String("hunter2")));
}

void tst_InteractiveDialogPolicy::dialogsAreAskedInTurn()
{
    Rig rig;
    rig.policy.present(dialog(QStringLiteral("a"), QStringLiteral("AlertDialog"),
                              describeDialog({QStringLiteral("First")}, 0)));
    rig.policy.present(dialog(QStringLiteral("b"), QStringLiteral("AlertDialog"),
                              describeDialog({QStringLiteral("Second")}, 0)));
    QVERIFY(!rig.terminal->output.contains(QLatin1String("Second")));
    rig.terminal->enter(QString());
    QVERIFY(rig.terminal->output.contains(QLatin1String("Second")));
    rig.terminal->enter(QString());
    QCOMPARE(rig.answers.size(), 2);
    QCOMPARE(rig.answers.at(0).key.id, QStringLiteral("a"));
    QCOMPARE(rig.answers.at(1).key.id, QStringLiteral("b"));
}

void tst_InteractiveDialogPolicy::withdrawnDialogIsNoLongerAsked()
{
    Rig rig;
    const Dialog first = dialog(QStringLiteral("a"), QStringLiteral("LoginDialog"),
                                describeDialog({QStringLiteral("Login")}, 0));
    rig.policy.present(first);
    rig.policy.present(dialog(QStringLiteral("b"), QStringLiteral("AlertDialog"),
                              describeDialog({QStringLiteral("Ok")}, 0)));
    rig.terminal->enter(QStringLiteral("bob")); // now at the unechoed password
    rig.policy.withdraw(first.key());
    QCOMPARE(rig.terminal->echo.last(), true);
    QVERIFY(rig.terminal->output.contains(QLatin1String("was taken down by its application")));
    rig.terminal->enter(QString());
    QCOMPARE(rig.answers.size(), 1);
    QCOMPARE(rig.answers.first().key.id, QStringLiteral("b"));
}

void tst_InteractiveDialogPolicy::updateIsShownWhileAsking()
{
    Rig rig;
    const QVariantMap running =
        describeDialog({QStringLiteral("Stop")}, 0, {{QStringLiteral("progress"), 10}});
    rig.policy.present(dialog(QStringLiteral("a"), QStringLiteral("ProgressDialog"), running));
    rig.policy.revise(dialog(QStringLiteral("a"), QStringLiteral("ProgressDialog"),
                             describeDialog({QStringLiteral("Stop"), QStringLiteral("Pause")}, 0,
                                            {{QStringLiteral("progress"), 40}})));
    QVERIFY(rig.terminal->output.contains(
        QLatin1String("updated: ProgressDialog buttons [\"Stop\"*, \"Pause\"] progress 40%")));
    rig.terminal->enter(QStringLiteral("2"));
    QCOMPARE(rig.answers.size(), 1);
    QCOMPARE(rig.answers.first().answer.buttonIndex, 1);
}

void tst_InteractiveDialogPolicy::dialogWithoutButtonsTimesOut()
{
    Rig rig;
    const Dialog toast =
        dialog(QStringLiteral("t"), QStringLiteral("ToastBase"),
               describeDialog({}, -1, {{QStringLiteral("messageText"), QStringLiteral("Saved")}}));
    rig.policy.present(toast);
    QVERIFY(rig.terminal->output.contains(QLatin1String("[toast] ToastBase message \"Saved\"")));
    QTRY_COMPARE(rig.answers.size(), 1);
    QCOMPARE(rig.answers.first().answer.buttonIndex, -1);
}

QTEST_GUILESS_MAIN(tst_InteractiveDialogPolicy)
#include "tst_interactivedialogpolicy.moc"
