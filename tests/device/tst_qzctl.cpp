// qzctl against qzdevice, both as real processes on a private PPS server.
#include "deviceprocesses.h"

namespace {

using Device = DeviceProcesses;

const QByteArray s_script = R"({"dialogs": [
    {"className": "ToastBase", "button": "Undo"},
    {"className": "AlertDialog", "title": "Delete?", "button": "Cancel", "checkbox": false},
    {"className": "AlertDialog", "button": "Later"},
    {"className": "PromptDialog", "text": "Alice"},
    {"className": "LoginDialog", "username": "bob", "password": "hunter2", "checkbox": true},
    {"className": "ListDialog", "rows": [0, 3]}
]})";

} // namespace

class tst_Qzctl : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void verbsAgainstDevice_data();
    void verbsAgainstDevice();
    void progressUpdatesReachTheDevice_data();
    void progressUpdatesReachTheDevice();
    void noDeviceIsAnError();
    void deviceDyingEndsTheWaitingDialog_data();
    void deviceDyingEndsTheWaitingDialog();
    void requestPastALimitIsRefused();
    void usageErrors_data();
    void usageErrors();
};

void tst_Qzctl::verbsAgainstDevice_data()
{
    QTest::addColumn<bool>("scripted");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("auto toast times out")
        << false
        << QStringList{QStringLiteral("toast"), QStringLiteral("--body"), QStringLiteral("Saved")}
        << QStringLiteral("result: TimeOut\nbutton: none\n") << 4;
    QTest::newRow("auto dialog presses Ok")
        << false
        << QStringList{QStringLiteral("dialog"), QStringLiteral("--title"), QStringLiteral("T"),
                       QStringLiteral("--remember-me"), QStringLiteral("--exec")}
        << QStringLiteral("result: ConfirmButtonSelection\nbutton: Ok\nremember-me: checked\n")
        << 0;
    QTest::newRow("auto dialog presses the chosen default")
        << false
        << QStringList{QStringLiteral("dialog"), QStringLiteral("--custom"),
                       QStringLiteral("Maybe"), QStringLiteral("--default"),
                       QStringLiteral("Maybe")}
        << QStringLiteral("result: CustomButtonSelection\nbutton: Maybe\n") << 3;
    QTest::newRow("auto prompt") << false
                                 << QStringList{QStringLiteral("prompt"), QStringLiteral("--text"),
                                                QStringLiteral("draft"), QStringLiteral("--exec")}
                                 << QStringLiteral(
                                        "result: ConfirmButtonSelection\nbutton: Ok\ntext: draft\n")
                                 << 0;
    QTest::newRow("auto login")
        << false << QStringList{QStringLiteral("login")}
        << QStringLiteral(
               "result: ConfirmButtonSelection\nbutton: Login\nusername: user\npassword: secret\n")
        << 0;
    QTest::newRow("auto list")
        << false << QStringList{QStringLiteral("list"), QStringLiteral("a"), QStringLiteral("*b")}
        << QStringLiteral("result: ConfirmButtonSelection\nbutton: Ok\nselected: 1\n") << 0;

    QTest::newRow("script toast button")
        << true
        << QStringList{QStringLiteral("toast"), QStringLiteral("--button"), QStringLiteral("Undo"),
                       QStringLiteral("--exec")}
        << QStringLiteral("result: ButtonSelection\nbutton: Undo\n") << 0;
    QTest::newRow("script dialog by title")
        << true
        << QStringList{QStringLiteral("dialog"), QStringLiteral("--title"),
                       QStringLiteral("Delete?"), QStringLiteral("--remember-me")}
        << QStringLiteral("result: CancelButtonSelection\nbutton: Cancel\nremember-me: unchecked\n")
        << 1;
    QTest::newRow("script added button")
        << true
        << QStringList{QStringLiteral("dialog"), QStringLiteral("--button"),
                       QStringLiteral("Later"), QStringLiteral("--global"),
                       QStringLiteral("--priority")}
        << QStringLiteral("result: ButtonSelection\nbutton: Later\n") << 0;
    QTest::newRow("script prompt")
        << true
        << QStringList{QStringLiteral("prompt"), QStringLiteral("--mode"), QStringLiteral("Email")}
        << QStringLiteral("result: ConfirmButtonSelection\nbutton: Ok\ntext: Alice\n") << 0;
    QTest::newRow("script login") << true
                                  << QStringList{QStringLiteral("login"),
                                                 QStringLiteral("--remember-me"),
                                                 QStringLiteral("--exec")}
                                  << QStringLiteral(
                                         "result: ConfirmButtonSelection\nbutton: Login\nusername: "
                                         "bob\npassword: hunter2\nremember-me: checked\n")
                                  << 0;
    QTest::newRow("script list")
        << true
        << QStringList{QStringLiteral("list"), QStringLiteral("--multi"), QStringLiteral("a"),
                       QStringLiteral("#H"),   QStringLiteral("="),       QStringLiteral("b")}
        << QStringLiteral("result: ConfirmButtonSelection\nbutton: Ok\nselected: 0 3\n") << 0;
    QTest::newRow("script without answer runs into the timeout")
        << true << QStringList{QStringLiteral("progress"),   QStringLiteral("--toast"),
                               QStringLiteral("--interval"), QStringLiteral("10000"),
                               QStringLiteral("--timeout"),  QStringLiteral("300")}
        << QStringLiteral("result: None\nbutton: none\ncancelled: no answer within 300 ms\n")
        << 124;
}

void tst_Qzctl::verbsAgainstDevice()
{
    QFETCH(bool, scripted);
    QFETCH(QStringList, arguments);
    QFETCH(QString, output);
    QFETCH(int, exitCode);

    QTemporaryDir scriptDir;
    QStringList deviceArguments{QStringLiteral("--delay"), QStringLiteral("50")};
    if (scripted) {
        QFile script(scriptDir.filePath(QStringLiteral("answers.json")));
        QVERIFY(script.open(QIODevice::WriteOnly) && script.write(s_script) == s_script.size());
        deviceArguments << QStringLiteral("--policy") << QStringLiteral("script")
                        << QStringLiteral("--script") << script.fileName();
    }
    Device device(deviceArguments);
    QVERIFY(device.isReady());
    const auto [text, code] = device.ctl(arguments);
    QCOMPARE(text, output);
    QCOMPARE(code, exitCode);
}

void tst_Qzctl::progressUpdatesReachTheDevice_data()
{
    QTest::addColumn<bool>("verbose");
    QTest::newRow("per-request lines asked for") << true;
    QTest::newRow("quiet by default") << false;
}

void tst_Qzctl::progressUpdatesReachTheDevice()
{
    QFETCH(bool, verbose);
    QStringList arguments{QStringLiteral("--delay"), QStringLiteral("0")};
    if (verbose)
        arguments << QStringLiteral("--verbose");
    Device device(arguments);
    QVERIFY(device.isReady());
    const auto [text, code] =
        device.ctl({QStringLiteral("progress"), QStringLiteral("--step"), QStringLiteral("40"),
                    QStringLiteral("--interval"), QStringLiteral("20"), QStringLiteral("--status"),
                    QStringLiteral("Copying")});
    QCOMPARE(text, QStringLiteral("progress: 40%\nprogress: 80%\nprogress: 100%\nresult: "
                                  "ConfirmButtonSelection\nbutton: Ok\n"));
    QCOMPARE(code, 0);
    if (!verbose) {
        QTest::qWait(100);
        QVERIFY2(!device.deviceLog().contains(QLatin1String("qz.device")),
                 qPrintable(device.deviceLog()));
        return;
    }
    for (const char *seen :
         {"show ProgressDialog buttons [\"Ok\"*] progress 0% state play details \"Copying\"",
          "update ProgressDialog buttons [\"Ok\"*] progress 40%", "progress 80%", "progress 100%",
          "answered: button \"Ok\" (0)"}) {
        QTRY_VERIFY2(device.deviceLog().contains(QLatin1String(seen)), seen);
    }
}

void tst_Qzctl::noDeviceIsAnError()
{
    QTemporaryDir dir;
    QProcess ctl;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QZ_PPS_SOCKET"), dir.filePath(QStringLiteral("none.sock")));
    ctl.setProcessEnvironment(environment);
    ctl.start(QStringLiteral(QZCTL_PATH), {QStringLiteral("dialog"), QStringLiteral("--exec")});
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(ctl.readAllStandardOutput()),
             QStringLiteral("result: Error\nerror: ServiceUnavailable\nbutton: none\n"));
    QCOMPARE(ctl.exitCode(), 5);
}

void tst_Qzctl::deviceDyingEndsTheWaitingDialog_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::newRow("show") << QStringList{};
    QTest::newRow("exec") << QStringList{QStringLiteral("--exec")};
}

void tst_Qzctl::deviceDyingEndsTheWaitingDialog()
{
    QFETCH(QStringList, options);

    // A script without an entry for the dialog leaves it up, waiting for an answer.
    QTemporaryDir scriptDir;
    QFile script(scriptDir.filePath(QStringLiteral("answers.json")));
    const QByteArray json = R"({"dialogs": [{"className": "ListDialog"}]})";
    QVERIFY(script.open(QIODevice::WriteOnly) && script.write(json) == json.size());
    script.close();
    Device device({QStringLiteral("--policy"), QStringLiteral("script"), QStringLiteral("--script"),
                   script.fileName()});
    QVERIFY(device.isReady());

    QProcess ctl;
    device.startCtl(ctl, QStringList{QStringLiteral("dialog"), QStringLiteral("--title"),
                                     QStringLiteral("Waiting")} +
                             options);
    QTRY_VERIFY(device.deviceLog().contains(QLatin1String("has no script answer")));
    device.killDevice();
    QVERIFY2(ctl.waitForFinished(5000), "qzctl still waits for a dialog service that is gone");
    QCOMPARE(QString::fromUtf8(ctl.readAllStandardOutput()),
             QStringLiteral("result: Error\nerror: ServiceUnavailable\nbutton: none\n"));
    QCOMPARE(ctl.exitCode(), 5);
}

void tst_Qzctl::requestPastALimitIsRefused()
{
    Device device({QStringLiteral("--delay"), QStringLiteral("0")});
    QVERIFY(device.isReady());
    const auto [text, code] =
        device.ctl({QStringLiteral("dialog"), QStringLiteral("--title"), QString(65537, u'x')});
    QCOMPARE(text, QStringLiteral("result: None\nbutton: none\n"));
    QCOMPARE(code, 6);
    QTRY_VERIFY(device.deviceLog().contains(QLatin1String(
        "request refused (text \"titleText\" of 65537 characters, more than 65536)")));
}

void tst_Qzctl::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("no verb") << QStringList{} << QStringLiteral("Usage: qzctl VERB");
    QTest::newRow("unknown verb") << QStringList{QStringLiteral("dance")}
                                  << QStringLiteral("unknown verb \"dance\"");
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("toast"), QStringLiteral("--title"), QStringLiteral("x")}
        << QStringLiteral("Unknown option 'title'");
    QTest::newRow("bad position") << QStringList{QStringLiteral("toast"),
                                                 QStringLiteral("--position"),
                                                 QStringLiteral("left")}
                                  << QStringLiteral("--position takes top, middle or bottom");
    QTest::newRow("bad timeout") << QStringList{QStringLiteral("dialog"),
                                                QStringLiteral("--timeout"), QStringLiteral("soon")}
                                 << QStringLiteral("--timeout takes a number");
    QTest::newRow("bad mode") << QStringList{QStringLiteral("prompt"), QStringLiteral("--mode"),
                                             QStringLiteral("Morse")}
                              << QStringLiteral("unknown --mode Morse");
    QTest::newRow("list without rows")
        << QStringList{QStringLiteral("list")} << QStringLiteral("list needs at least one row");
    QTest::newRow("bad step") << QStringList{QStringLiteral("progress"), QStringLiteral("--step"),
                                             QStringLiteral("0")}
                              << QStringLiteral("--step takes a number from 1 to 100");
    const auto words = [](const char *text) {
        return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
    };
    QTest::newRow("share without content")
        << words("nfc share text") << QStringLiteral("use: qzctl nfc share");
    QTest::newRow("share data on demand")
        << words("nfc share url https://x --on-demand") << QStringLiteral("go with files");
    QTest::newRow("share over an unknown transport")
        << words("nfc share files a --transport pigeon")
        << QStringLiteral("--transport takes bluetooth or wifidirect");
    QTest::newRow("share no outcome")
        << words("nfc share files a --count 0") << QStringLiteral("--count takes a positive");
    QTest::newRow("Bluetooth failure of nothing")
        << words("bluetooth fail everything") << QStringLiteral("fail takes pairing or push");
    QTest::newRow("Bluetooth silence without a peer")
        << words("bluetooth silent") << QStringLiteral("use: qzctl bluetooth");
    QTest::newRow("Wi-Fi Direct connect error 0")
        << words("wifidirect fail connect=0") << QStringLiteral("connect=CODE (a positive");
    QTest::newRow("Wi-Fi Direct inbox without a peer")
        << words("wifidirect inbox") << QStringLiteral("use: qzctl wifidirect");
}

void tst_Qzctl::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QProcess ctl;
    ctl.start(QStringLiteral(QZCTL_PATH), arguments);
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(ctl.exitCode(), 2);
    QVERIFY2(QString::fromUtf8(ctl.readAllStandardError()).contains(message), qPrintable(message));
}

QTEST_GUILESS_MAIN(tst_Qzctl)
#include "tst_qzctl.moc"
