// Reading the script policy's JSON: every mistake is reported with where it is.
#include "dialogscript.h"

#include <QTest>

class tst_DialogScript : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rejectsMistakes_data();
    void rejectsMistakes();
    void readsEveryKey();
    void matchesInOrderAndUsesUpOnceEntries();
    void missingFileIsReported();
};

void tst_DialogScript::rejectsMistakes_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::newRow("not json") << QByteArray("{\"dialogs\": [") << QStringLiteral("not JSON");
    QTest::newRow("no dialogs") << QByteArray("{\"answers\": []}")
                                << QStringLiteral("expected an object with a \"dialogs\" array");
    QTest::newRow("top-level array")
        << QByteArray("[]") << QStringLiteral("expected an object with a \"dialogs\" array");
    QTest::newRow("entry not an object")
        << QByteArray("{\"dialogs\": [{}, 3]}") << QStringLiteral("dialogs[1]: expected an object");
    QTest::newRow("unknown key") << QByteArray("{\"dialogs\": [{\"buton\": \"Ok\"}]}")
                                 << QStringLiteral("dialogs[0]: unknown key \"buton\"");
    QTest::newRow("button not a string") << QByteArray("{\"dialogs\": [{\"button\": 1}]}")
                                         << QStringLiteral("dialogs[0].button: expected a string");
    QTest::newRow("checkbox not a bool")
        << QByteArray("{\"dialogs\": [{\"checkbox\": \"yes\"}]}")
        << QStringLiteral("dialogs[0].checkbox: expected true or false");
    QTest::newRow("negative delay")
        << QByteArray("{\"dialogs\": [{\"delay\": -5}]}")
        << QStringLiteral("dialogs[0].delay: expected a number of milliseconds");
    QTest::newRow("fractional delay")
        << QByteArray("{\"dialogs\": [{\"delay\": 1.5}]}")
        << QStringLiteral("dialogs[0].delay: expected a number of milliseconds");
    QTest::newRow("rows not numbers")
        << QByteArray("{\"dialogs\": [{\"rows\": [1, \"2\"]}]}")
        << QStringLiteral("dialogs[0].rows: expected an array of row numbers");
    QTest::newRow("button and timeout")
        << QByteArray("{\"dialogs\": [{\"button\": \"Ok\", \"timeout\": true}]}")
        << QStringLiteral("dialogs[0]: \"button\" and \"timeout\" exclude each other");
}

void tst_DialogScript::rejectsMistakes()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QString reported;
    QVERIFY(!DialogScript::fromJson(json, &reported));
    QVERIFY2(reported.startsWith(error), qPrintable(reported));
}

void tst_DialogScript::readsEveryKey()
{
    QString error;
    std::optional<DialogScript> script = DialogScript::fromJson(
        R"({"dialogs": [{"className": "LoginDialog", "title": "Sign in", "button": "Login", "checkbox": false,
            "text": "t", "username": "u", "password": "p", "rows": [4], "delay": 20, "once": true}]})",
        &error);
    QVERIFY2(script, qPrintable(error));
    const Dialog dialog({}, QStringLiteral("LoginDialog"),
                        {{QStringLiteral("titleText"), QStringLiteral("Sign in")}});
    const std::optional<DialogScriptEntry> entry = script->take(dialog);
    QVERIFY(entry);
    QCOMPARE(entry->button, QStringLiteral("Login"));
    QCOMPARE(entry->checkbox, false);
    QCOMPARE(entry->text, QStringLiteral("t"));
    QCOMPARE(entry->username, QStringLiteral("u"));
    QCOMPARE(entry->password, QStringLiteral("p"));
    QCOMPARE(entry->rows, QList<int>{4});
    QCOMPARE(entry->delayMs, 20);
    QVERIFY(entry->once);
    QCOMPARE(script->size(), 0);
}

void tst_DialogScript::matchesInOrderAndUsesUpOnceEntries()
{
    QString error;
    std::optional<DialogScript> script = DialogScript::fromJson(
        R"({"dialogs": [{"title": "A", "button": "1", "once": true}, {"className": "AlertDialog", "button": "2"}]})",
        &error);
    QVERIFY(script);
    const Dialog titled({}, QStringLiteral("AlertDialog"),
                        {{QStringLiteral("titleText"), QStringLiteral("A")}});
    const Dialog prompt({}, QStringLiteral("PromptDialog"),
                        {{QStringLiteral("titleText"), QStringLiteral("B")}});
    QCOMPARE(script->take(titled)->button, QStringLiteral("1"));
    QCOMPARE(script->take(titled)->button, QStringLiteral("2"));
    QCOMPARE(script->take(titled)->button, QStringLiteral("2"));
    QVERIFY(!script->take(prompt));
}

void tst_DialogScript::missingFileIsReported()
{
    QString error;
    QVERIFY(!DialogScript::fromFile(QStringLiteral("/nonexistent/answers.json"), &error));
    QVERIFY2(error.startsWith(QLatin1String("cannot read /nonexistent/answers.json")),
             qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_DialogScript)
#include "tst_dialogscript.moc"
