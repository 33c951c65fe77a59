// NFC sharing end to end: qzppsd and qzdevice as processes, qzctl nfc share as the application
// holding an NfcShareManager, and qzctl nfc tap as what the user taps the device against. Files
// must arrive byte for byte in the emulated peer's inbox, and no transaction folder may be left
// in the share-with area, whatever the outcome.
#include "deviceprocesses.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>

namespace {

const QString s_bt = QStringLiteral("00:11:22:33:44:55");
const QString s_wifi = QStringLiteral("66:77:88:99:AA:BB");
constexpr int WaitMs = 30000;

// qzctl nfc share running: its output line by line.
class Sharing
{
public:
    Sharing(DeviceProcesses &device, const QStringList &arguments)
    {
        device.startCtl(m_process,
                        QStringList{QStringLiteral("nfc"), QStringLiteral("share")} + arguments);
    }
    ~Sharing()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    /*! Waits for the line \a line; whether it came. */
    bool waitFor(const QString &line)
    {
        return QTest::qWaitFor(
            [&] {
                m_output += QString::fromUtf8(m_process.readAllStandardOutput());
                return m_output.split(u'\n').contains(line);
            },
            WaitMs);
    }
    void write(const QByteArray &command) { m_process.write(command + '\n'); }
    /*! The exit code once it ended; -1 when it did not. */
    int exitCode()
    {
        if (!QTest::qWaitFor([&] { return m_process.state() == QProcess::NotRunning; }, WaitMs))
            return -1;
        m_output += QString::fromUtf8(m_process.readAllStandardOutput());
        return m_process.exitCode();
    }
    QString output() const { return m_output; }
    QString errors() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QString m_output;
};

// The files an application shares: one of its own (linked for the transfer), one from the
// shared documents (read where it lies).
struct Files
{
    explicit Files(DeviceProcesses &device)
        : own(device.filePath(QStringLiteral("app/photo.jpg")))
        , shared(device.deviceRoot() + QStringLiteral("/accounts/1000/shared/documents/notes.txt"))
    {
        ready = writeFile(own, ownBytes) && writeFile(shared, sharedBytes);
    }

    const QString own;
    const QString shared;
    const QByteArray ownBytes = randomBytes(2 * 1024 * 1024);
    const QByteArray sharedBytes = QByteArrayLiteral("meeting at ten\n");
    bool ready = false;
};

QString inbox(DeviceProcesses &device, const QString &mac)
{
    return device.filePath(QStringLiteral("data/peers/") + QString(mac).replace(u':', u'-') +
                           QStringLiteral("/inbox"));
}

// What is left in the application's share-with folders: transaction folders and links.
QStringList leftInShareWith(DeviceProcesses &device)
{
    QStringList left;
    for (const QString &transport : {QStringLiteral("bluetooth"), QStringLiteral("wifidirect")}) {
        const QDir folder(device.deviceRoot() + QStringLiteral("/accounts/1000/sharewith/") +
                          transport + QStringLiteral("/qzctl"));
        for (const QString &name : folder.entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
            left << transport + u'/' + name;
    }
    return left;
}

} // namespace

class tst_NfcShareProcesses : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void shareData_data();
    void shareData();
    void shareFiles_data();
    void shareFiles();
    void shareFilesOnDemand();
    void transportOrderBySize_data();
    void transportOrderBySize();

private:
    QTemporaryDir m_dir;
};

void tst_NfcShareProcesses::shareData_data()
{
    QTest::addColumn<QStringList>("content"); // qzctl nfc share ...
    QTest::addColumn<QStringList>("tap");     // qzctl nfc tap ...
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("tapped");
    QTest::addColumn<int>("exitCode");

    QTest::newRow("text pushed to a peer")
        << QStringList{QStringLiteral("text"), QStringLiteral("hello")}
        << QStringList{QStringLiteral("peer")} << QStringLiteral("finished: Snep")
        << QStringLiteral("outcome: received\nrecord: Text 'hello' (en)\n") << 0;
    QTest::newRow("address written to a tag")
        << QStringList{QStringLiteral("url"), QStringLiteral("https://example.org/a")}
        << QStringList{QStringLiteral("tag")} << QStringLiteral("finished: TagWrite")
        << QStringLiteral("outcome: written\nrecord: URI https://example.org/a\n") << 0;
    QTest::newRow("locked tag") << QStringList{QStringLiteral("text"), QStringLiteral("hello")}
                                << QStringList{QStringLiteral("tag"), QStringLiteral("--locked")}
                                << QStringLiteral("error: TagLocked")
                                << QStringLiteral("outcome: locked\nrecord: Text 'hello' (en)\n")
                                << 1;
}

void tst_NfcShareProcesses::shareData()
{
    QFETCH(QStringList, content);
    QFETCH(QStringList, tap);
    QFETCH(QString, outcome);
    QFETCH(QString, tapped);
    QFETCH(int, exitCode);
    DeviceProcesses device({});
    QVERIFY(device.isReady());

    Sharing sharing(device, content);
    QVERIFY2(sharing.waitFor(QStringLiteral("ready")), qPrintable(sharing.errors()));
    const auto [output, code] =
        device.ctl(QStringList{QStringLiteral("nfc"), QStringLiteral("tap")} + tap);
    QCOMPARE(output, tapped);
    QCOMPARE(code, 0);
    QVERIFY2(sharing.waitFor(outcome), qPrintable(sharing.output()));
    QCOMPARE(sharing.exitCode(), exitCode);
}

void tst_NfcShareProcesses::shareFiles_data()
{
    QTest::addColumn<QStringList>("deviceArguments");
    QTest::addColumn<QStringList>("options"); // of qzctl nfc share files
    QTest::addColumn<QStringList>("carriers");
    QTest::addColumn<int>("tapExitCode");
    QTest::addColumn<QString>("outcome");
    QTest::addColumn<QString>("receiver"); // the peer whose inbox gets the files, if any
    QTest::addColumn<bool>("paired");      // the Bluetooth peer was asked to pair

    const QStringList bt{QStringLiteral("--bt"), s_bt};
    const QStringList wifi{QStringLiteral("--wifi"), s_wifi};
    const QStringList noPrompt{QStringLiteral("--no-prompt")};
    const QString done = QStringLiteral("finished: File");
    // The prompt to send, answered by qzdevice's default policy: the default button.
    QTest::newRow("Bluetooth, prompt accepted")
        << QStringList{QStringLiteral("--delay"), QStringLiteral("0")} << QStringList() << bt << 0
        << done << s_bt << true;
    QTest::newRow("Wi-Fi Direct") << QStringList() << noPrompt << wifi << 0 << done << s_wifi
                                  << false;
    QTest::newRow("Wi-Fi Direct, already connecting")
        << QStringList{QStringLiteral("--wifi-fail"), QStringLiteral("connect=256")} << noPrompt
        << wifi << 0 << done << s_wifi << false;
    QTest::newRow("Bluetooth pairing fails, Wi-Fi Direct takes over")
        << QStringList{QStringLiteral("--bt-fail"), QStringLiteral("pairing")} << noPrompt
        << bt + wifi << 0 << done << s_wifi << true;
    QTest::newRow("Bluetooth push fails")
        << QStringList{QStringLiteral("--bt-fail"), QStringLiteral("push")} << noPrompt << bt << 0
        << QStringLiteral("error: BluetoothFileTransferFailed") << QString() << true;
    QTest::newRow("Wi-Fi Direct connect fails")
        << QStringList{QStringLiteral("--wifi-fail"), QStringLiteral("connect=5")} << noPrompt
        << wifi << 0 << QStringLiteral("error: WiFiDirectFileTransferFailed") << QString() << false;
    // The tap comes to nothing: no transport in common.
    QTest::newRow("only Wi-Fi Direct offered, to a Bluetooth peer")
        << QStringList()
        << noPrompt + QStringList{QStringLiteral("--transport"), QStringLiteral("wifidirect")} << bt
        << 1 << QStringLiteral("error: HandoverFailed") << QString() << false;
    QTest::newRow("prompt declined")
        << QStringList{QStringLiteral("--policy"), QStringLiteral("script"),
                       QStringLiteral("--script"), QStringLiteral("decline.json")}
        << QStringList() << bt << 0 << QStringLiteral("error: BluetoothFileTransferCancelled")
        << QString() << true;
    // The user never answers: the prompt gives up after its 10 seconds.
    QTest::newRow("prompt unanswered")
        << QStringList{QStringLiteral("--policy"), QStringLiteral("script"),
                       QStringLiteral("--script"), QStringLiteral("unanswered.json")}
        << QStringList() << bt << 0 << QStringLiteral("error: BluetoothFileTransferCancelled")
        << QString() << true;
}

void tst_NfcShareProcesses::shareFiles()
{
    QFETCH(QStringList, deviceArguments);
    QFETCH(QStringList, options);
    QFETCH(QStringList, carriers);
    QFETCH(int, tapExitCode);
    QFETCH(QString, outcome);
    QFETCH(QString, receiver);
    QFETCH(bool, paired);
    // The dialog scripts of the prompt rows, by name.
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("decline.json")),
                      R"({"dialogs": [{"className": "AlertDialog", "button": "Cancel"}]})"));
    QVERIFY(writeFile(m_dir.filePath(QStringLiteral("unanswered.json")),
                      R"({"dialogs": [{"className": "AlertDialog", "delay": 60000}]})"));
    for (QString &argument : deviceArguments) {
        if (argument.endsWith(QLatin1String(".json")))
            argument = m_dir.filePath(argument);
    }
    DeviceProcesses device(deviceArguments + QStringList{QStringLiteral("--verbose")});
    QVERIFY(device.isReady());
    const Files files(device);
    QVERIFY(files.ready);

    Sharing sharing(device,
                    QStringList{QStringLiteral("files"), files.own, files.shared} + options);
    QVERIFY2(sharing.waitFor(QStringLiteral("ready")), qPrintable(sharing.errors()));
    const auto [output, code] = device.ctl(
        QStringList{QStringLiteral("nfc"), QStringLiteral("tap"), QStringLiteral("handover")} +
        carriers);
    QVERIFY2(code == tapExitCode, qPrintable(output));
    QVERIFY2(sharing.waitFor(outcome), qPrintable(sharing.output() + sharing.errors()));
    QCOMPARE(sharing.exitCode(), outcome == QLatin1String("finished: File") ? 0 : 1);

    for (const QString &peer : {s_bt, s_wifi}) {
        const QDir folder(inbox(device, peer));
        if (peer != receiver) {
            QCOMPARE(folder.entryList(QDir::Files), QStringList());
            continue;
        }
        QCOMPARE(folder.entryList(QDir::Files, QDir::Name),
                 QStringList({QStringLiteral("notes.txt"), QStringLiteral("photo.jpg")}));
        QCOMPARE(readFile(folder.filePath(QStringLiteral("photo.jpg"))), files.ownBytes);
        QCOMPARE(readFile(folder.filePath(QStringLiteral("notes.txt"))), files.sharedBytes);
    }
    QCOMPARE(leftInShareWith(device), QStringList());
    // The originals are the application's, whatever happened.
    QCOMPARE(readFile(files.own), files.ownBytes);
    QCOMPARE(readFile(files.shared), files.sharedBytes);
    // Declined on a Bluetooth hand-over, pairing starts all the same.
    QTRY_COMPARE(device.deviceLog().contains(QStringLiteral("pairing with a peer started")),
                 paired);
}

void tst_NfcShareProcesses::shareFilesOnDemand()
{
    DeviceProcesses device({});
    QVERIFY(device.isReady());
    const Files files(device);
    QVERIFY(files.ready);

    // finished and then targetCancelled: two outcomes.
    Sharing sharing(device, {QStringLiteral("files"), files.own, QStringLiteral("--on-demand"),
                             QStringLiteral("--no-prompt"), QStringLiteral("--count"),
                             QStringLiteral("2")});
    QVERIFY2(sharing.waitFor(QStringLiteral("ready")), qPrintable(sharing.errors()));
    const auto [output, code] =
        device.ctl({QStringLiteral("nfc"), QStringLiteral("tap"), QStringLiteral("handover"),
                    QStringLiteral("--bt"), s_bt});
    QCOMPARE(code, 0);
    QVERIFY(sharing.waitFor(QStringLiteral("targetAcquired")));
    QVERIFY(!QFileInfo::exists(inbox(device, s_bt)));

    sharing.write("start");
    QVERIFY2(sharing.waitFor(QStringLiteral("finished: File")), qPrintable(sharing.output()));
    QCOMPARE(readFile(inbox(device, s_bt) + QStringLiteral("/photo.jpg")), files.ownBytes);
    // The target is still held until the application lets it go.
    sharing.write("cancel");
    QVERIFY2(sharing.waitFor(QStringLiteral("targetCancelled")), qPrintable(sharing.output()));
    QCOMPARE(sharing.exitCode(), 0);
    QCOMPARE(sharing.output(),
             QStringLiteral("ready\ntargetAcquired\nfinished: File\ntargetCancelled\n"));
    QCOMPARE(leftInShareWith(device), QStringList());
}

void tst_NfcShareProcesses::transportOrderBySize_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("receiver");

    QTest::newRow("1 MiB: Bluetooth first") << 1024 * 1024 << s_bt;
    QTest::newRow("exactly 5 MiB: Bluetooth first") << 5242880 << s_bt;
    QTest::newRow("6 MiB: Wi-Fi Direct first") << 6 * 1024 * 1024 << s_wifi;
}

void tst_NfcShareProcesses::transportOrderBySize()
{
    QFETCH(int, size);
    QFETCH(QString, receiver);
    DeviceProcesses device({});
    QVERIFY(device.isReady());
    const QString path = device.filePath(QStringLiteral("app/video.mp4"));
    const QByteArray bytes = randomBytes(size);
    QVERIFY(writeFile(path, bytes));

    Sharing sharing(device, {QStringLiteral("files"), path, QStringLiteral("--no-prompt")});
    QVERIFY2(sharing.waitFor(QStringLiteral("ready")), qPrintable(sharing.errors()));
    // The peer offers both; the carriers come back in the order the application confirmed.
    const auto [output, code] =
        device.ctl({QStringLiteral("nfc"), QStringLiteral("tap"), QStringLiteral("handover"),
                    QStringLiteral("--bt"), s_bt, QStringLiteral("--wifi"), s_wifi});
    QCOMPARE(code, 0);
    const QString bt = QStringLiteral("carrier: Bluetooth ") + s_bt;
    const QString wifi = QStringLiteral("carrier: Wi-Fi Direct ") + s_wifi;
    QCOMPARE(output, QStringLiteral("outcome: handover\n%1\n%2\n")
                         .arg(receiver == s_bt ? bt : wifi, receiver == s_bt ? wifi : bt));
    QVERIFY2(sharing.waitFor(QStringLiteral("finished: File")), qPrintable(sharing.output()));
    QCOMPARE(readFile(inbox(device, receiver) + QStringLiteral("/video.mp4")), bytes);
    QVERIFY(!QFileInfo::exists(inbox(device, receiver == s_bt ? s_wifi : s_bt)));
}

QTEST_GUILESS_MAIN(tst_NfcShareProcesses)
#include "tst_nfcshareprocesses.moc"
