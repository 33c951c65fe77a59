// qzppsd --record and qzppsreplay across processes: a conversation with qzdevice, recorded, holds
// again with qzppsreplay in qzdevice's place; what is typed into a login prompt stays out.
#include "deviceprocesses.h"

#include <context/context.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const char ReplayReady[] = "qzppsreplay: replaying";

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_RecordReplay : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void dialogReplaysWithoutDevice_data();
    void dialogReplaysWithoutDevice();
    void unmatchedRequestIsReported();
    void objectsStartAsRecorded();
    void loginPasswordNeverRecorded();
    void anonymisedValuesNeverRecorded();
    void recordingRefusesSymlink();

private:
    // Records qzctl's conversation with qzdevice; its output and exit code.
    std::pair<QString, int> record(const QStringList &ctlArguments,
                                   const QStringList &deviceArguments = {});

    QTemporaryDir m_dir;
    QString m_recording;
    int m_recordings = 0;
};

std::pair<QString, int> tst_RecordReplay::record(const QStringList &ctlArguments,
                                                 const QStringList &deviceArguments)
{
    m_recording = m_dir.filePath(QStringLiteral("%1.rec").arg(++m_recordings));
    DeviceProcesses device(QStringList{QStringLiteral("--delay"), QStringLiteral("50")} +
                               deviceArguments,
                           {QStringLiteral("--record"), m_recording});
    if (!device.isReady())
        return {QStringLiteral("qzppsd --record and qzdevice did not start"), -1};
    const auto result = device.ctl(ctlArguments);
    if (result.second < 0)
        qWarning("qzctl: %s", qPrintable(device.ctlErrors()));
    return result;
}

void tst_RecordReplay::dialogReplaysWithoutDevice_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected");

    QTest::newRow("default button")
        << QStringList{QStringLiteral("dialog"), QStringLiteral("--title"),
                       QStringLiteral("Delete?"), QStringLiteral("--exec")}
        << QStringLiteral("result: ConfirmButtonSelection\nbutton: Ok\n");
    QTest::newRow("added default button, remember-me")
        << QStringList{QStringLiteral("dialog"), QStringLiteral("--button"),
                       QStringLiteral("Red"),    QStringLiteral("--button"),
                       QStringLiteral("Blue"),   QStringLiteral("--default"),
                       QStringLiteral("Blue"),   QStringLiteral("--remember-me"),
                       QStringLiteral("--exec")}
        << QStringLiteral("result: ButtonSelection\nbutton: Blue\nremember-me: checked\n");
    QTest::newRow("prompt text")
        << QStringList{QStringLiteral("prompt"), QStringLiteral("--text"),
                       QStringLiteral("Alice\nand Bob"), QStringLiteral("--exec")}
        << QStringLiteral("result: ConfirmButtonSelection\nbutton: Ok\ntext: Alice\nand Bob\n");
}

void tst_RecordReplay::dialogReplaysWithoutDevice()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);

    const auto [recorded, recordedCode] = record(arguments);
    QVERIFY2(recorded.contains(expected), qPrintable(recorded));

    // qzdevice is gone with the fixture: a fresh server, and the replay answering in its place.
    DeviceProcesses replay({}, QStringLiteral(QZPPSREPLAY_PATH), {m_recording}, ReplayReady);
    QVERIFY2(replay.isReady(), qPrintable(replay.deviceLog()));
    const auto [replayed, replayedCode] = replay.ctl(arguments);
    QCOMPARE(replayed, recorded);
    QCOMPARE(replayedCode, recordedCode);
    QVERIFY2(!replay.deviceLog().contains(QLatin1String("no recorded answer")),
             qPrintable(replay.deviceLog()));
}

void tst_RecordReplay::unmatchedRequestIsReported()
{
    const QStringList dialog{QStringLiteral("dialog"), QStringLiteral("--exec"),
                             QStringLiteral("--timeout"), QStringLiteral("2000")};
    QCOMPARE(record(dialog).second, 0);

    DeviceProcesses replay({}, QStringLiteral(QZPPSREPLAY_PATH), {m_recording}, ReplayReady);
    QVERIFY2(replay.isReady(), qPrintable(replay.deviceLog()));
    // One button more than recorded: a request of another shape, which nothing answers.
    const auto [text, code] =
        replay.ctl(dialog + QStringList{QStringLiteral("--button"), QStringLiteral("Extra")});
    QCOMPARE(code, 124);
    QVERIFY2(text.contains(QLatin1String("cancelled: no answer within 2000 ms")), qPrintable(text));
    QTRY_VERIFY2(replay.deviceLog().contains(QLatin1String(
                     "Replay: no recorded answer: none of the 1 requests \"show\" recorded on "
                     "/pps/services/dialog/control has the same keys and kinds of values")),
                 qPrintable(replay.deviceLog()));
}

void tst_RecordReplay::objectsStartAsRecorded()
{
    m_recording = m_dir.filePath(QStringLiteral("locale.rec"));
    std::pair<QString, int> shown;
    {
        DeviceProcesses device({}, {QStringLiteral("--record"), m_recording});
        QVERIFY(device.isReady());
        QCOMPARE(
            device
                .ctl({QStringLiteral("locale"), QStringLiteral("set"), QStringLiteral("--region"),
                      QStringLiteral("de_CH"), QStringLiteral("--uom"), QStringLiteral("imperial")})
                .second,
            0);
        shown = device.ctl({QStringLiteral("locale"), QStringLiteral("show")});
    }
    QVERIFY2(shown.first.contains(QLatin1String("region: de_CH\nuom: imperial\n")),
             qPrintable(shown.first));

    // The locale service's objects come back with what the service last wrote to them.
    DeviceProcesses replay({}, QStringLiteral(QZPPSREPLAY_PATH), {m_recording}, ReplayReady);
    QVERIFY2(replay.isReady(), qPrintable(replay.deviceLog()));
    QCOMPARE(replay.ctl({QStringLiteral("locale"), QStringLiteral("show")}), shown);
}

void tst_RecordReplay::loginPasswordNeverRecorded()
{
    const QString typed = QStringLiteral("typed-Pa55 w\\rd");
    const QString prefilled = QStringLiteral("prefilled-\"secret\"");
    const QStringList login{QStringLiteral("login"),
                            QStringLiteral("--username"),
                            QStringLiteral("bob"),
                            QStringLiteral("--password"),
                            prefilled,
                            QStringLiteral("--exec")};
    const auto [text, code] = record(login, {QStringLiteral("--user"), QStringLiteral("bob"),
                                             QStringLiteral("--password"), typed});
    QCOMPARE(code, 0);
    QVERIFY2(text.contains(QStringLiteral("password: ") + typed), qPrintable(text));

    const QByteArray recording = contentOf(m_recording);
    QVERIFY(recording.contains("LoginDialog"));
    QVERIFY(recording.contains("bob"));
    QVERIFY(recording.contains("<masked>"));
    // Neither whole nor in any encoding the wire might have used.
    for (const QByteArray &needle : {QByteArray("typed-Pa55"), QByteArray("prefilled-"),
                                     QByteArray("Pa55 w\\\\rd"), QByteArray("5 w")})
        QVERIFY2(!recording.contains(needle), needle.constData());
    struct stat info;
    QVERIFY(::stat(QFile::encodeName(m_recording).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0600));

    // Replayed, the prompt gets the mask in place of the password.
    DeviceProcesses replay({}, QStringLiteral(QZPPSREPLAY_PATH), {m_recording}, ReplayReady);
    QVERIFY2(replay.isReady(), qPrintable(replay.deviceLog()));
    const auto [replayed, replayedCode] = replay.ctl(login);
    QCOMPARE(replayedCode, 0);
    QVERIFY2(replayed.contains(QLatin1String("username: bob\npassword: <masked>\n")),
             qPrintable(replayed));
}

void tst_RecordReplay::anonymisedValuesNeverRecorded()
{
    m_recording = m_dir.filePath(QStringLiteral("context.rec"));
    DeviceProcesses device({}, {QStringLiteral("--record"), m_recording});
    QVERIFY(device.isReady());
    // This process is the application: the context library reaches qzdevice's collector.
    qputenv("QZ_PPS_SOCKET",
            QFile::encodeName(device.environment().value(QStringLiteral("QZ_PPS_SOCKET"))));
    char cardDigest[CCL_ANONYMIZED_SIZE] = {};
    char pinDigest[CCL_ANONYMIZED_SIZE] = {};
    QCOMPARE(getCCLAnonymizedString("card-4111-1111", cardDigest, sizeof cardDigest), 0);
    QCOMPARE(getCCLAnonymizedPIN("pin-8642", pinDigest, sizeof pinDigest), 0);
    qunsetenv("QZ_PPS_SOCKET");

    // Each call returned after its answer passed the server, so both are in the file.
    const QByteArray recording = contentOf(m_recording);
    QVERIFY(recording.contains("getCCLAnonymizedString"));
    QVERIFY(recording.contains("getCCLAnonymizedPIN"));
    QVERIFY(!recording.contains("card-4111"));
    QVERIFY(!recording.contains("pin-8642"));
    // What the application keeps, the anonymised form, may be recorded.
    QVERIFY(recording.contains(cardDigest));
    QVERIFY(recording.contains(pinDigest));
}

void tst_RecordReplay::recordingRefusesSymlink()
{
    const QString target = m_dir.filePath(QStringLiteral("someone-elses"));
    const QString link = m_dir.filePath(QStringLiteral("planted.rec"));
    QVERIFY(QFile::link(target, link));
    QProcess ppsd;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QZ_PPS_SOCKET"), m_dir.filePath(QStringLiteral("s.sock")));
    ppsd.setProcessEnvironment(environment);
    ppsd.start(QStringLiteral(QZPPSD_PATH), {QStringLiteral("--record"), link});
    QVERIFY(ppsd.waitForFinished(10000));
    QCOMPARE(ppsd.exitCode(), 1);
    QVERIFY2(ppsd.readAllStandardError().contains("it is a symbolic link"), "no reason given");
    QVERIFY(!QFile::exists(target));
}

QTEST_GUILESS_MAIN(tst_RecordReplay)
#include "tst_recordreplay.moc"
