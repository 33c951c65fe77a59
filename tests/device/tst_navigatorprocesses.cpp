// Invocation between real processes: qzctl invokes, queries, sets filters, opens viewers and
// registers timers through qzdevice's navigator, and other qzctl processes act as the targets.
#include "deviceprocesses.h"

#include <QDir>
#include <QFile>

namespace {

QProcessEnvironment asTarget(const QString &key)
{
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("QZ_NAVIGATOR_TARGET"), key);
    return environment;
}

int countOf(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).count(text) : -1;
}

} // namespace

class tst_NavigatorProcesses : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void invokeReachesAnotherProcess_data();
    void invokeReachesAnotherProcess();
    void filtersOfOneProcessAreSeenByAnotherAndSurviveARestart();
    void relays();
    void timersFireOnTheVirtualClock();

private:
    // Writes the declarations of this test's targets; a target started by qzdevice writes what
    // it receives to "<key>.out" in the fixture's folder; one without listen arguments is never
    // started, only reached while it runs.
    void declare(const QString &key, const QString &type, const QString &listenArguments,
                 const QString &filter);

    std::unique_ptr<DeviceProcesses> m_device;
    QTemporaryDir m_targets;
};

void tst_NavigatorProcesses::declare(const QString &key, const QString &type,
                                     const QString &listenArguments, const QString &filter)
{
    QFile file(m_targets.filePath(key + QStringLiteral(".target")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QString text = QStringLiteral("key %1\ntype %2\nlabel %1\nfilter %3\n").arg(key, type, filter);
    if (!listenArguments.isNull()) {
        text += QStringLiteral("start /bin/sh -c \"exec '%1' listen %2 >> '%3'\"\n")
                    .arg(QStringLiteral(QZCTL_PATH), listenArguments,
                         m_targets.filePath(key + QStringLiteral(".out")));
    }
    file.write(text.toUtf8());
}

void tst_NavigatorProcesses::init()
{
    declare(QStringLiteral("demo.running"), QStringLiteral("application"), QString(),
            QStringLiteral("actions=qz.action.PLAY;types=audio/*;"));
    declare(QStringLiteral("demo.started"), QStringLiteral("application"),
            QStringLiteral("--count 1"),
            QStringLiteral("actions=qz.action.SHOW;types=text/plain;"));
    declare(QStringLiteral("demo.viewer"), QStringLiteral("viewer"),
            QStringLiteral("--echo --timeout 5000"),
            QStringLiteral("actions=qz.action.VIEW;types=image/*;"));
    declare(QStringLiteral("demo.timed"), QStringLiteral("application"),
            QStringLiteral("--timeout 2000"), QStringLiteral("actions=qz.action.WAKE;types=*;"));
    m_device = std::make_unique<DeviceProcesses>(
        QStringList{QStringLiteral("--targets"), m_targets.path()});
    QVERIFY(m_device->isReady());
}

void tst_NavigatorProcesses::cleanup()
{
    m_device.reset();
    for (const QString &out : QDir(m_targets.path()).entryList({QStringLiteral("*.out")}))
        QFile::remove(m_targets.filePath(out));
}

void tst_NavigatorProcesses::invokeReachesAnotherProcess_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("received"); // by the running target, or by the one started

    QTest::newRow("by key, target running")
        << QStringList{QStringLiteral("--target"), QStringLiteral("demo.running")} << 0
        << "target: demo.running (Application)"
        << "invoked: target=demo.running data=hello";
    QTest::newRow("by key, target started")
        << QStringList{QStringLiteral("--target"), QStringLiteral("demo.started")} << 0
        << "target: demo.started (Application)"
        << "invoked: target=demo.started data=hello";
    QTest::newRow("by action and type")
        << QStringList{QStringLiteral("--action"), QStringLiteral("qz.action.SHOW"),
                       QStringLiteral("--type"), QStringLiteral("text/plain")}
        << 0 << "target: demo.started (Application)"
        << "invoked: action=qz.action.SHOW type=text/plain data=hello";
    QTest::newRow("unknown key") << QStringList{QStringLiteral("--target"), QStringLiteral("nope")}
                                 << 1 << "error: NoTarget (code 1)" << QString();
    QTest::newRow("nothing handles it")
        << QStringList{QStringLiteral("--action"), QStringLiteral("qz.action.EAT")} << 1
        << "error: NoTarget (code 1)" << QString();
}

void tst_NavigatorProcesses::invokeReachesAnotherProcess()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, answer);
    QFETCH(QString, received);

    // A declared target that runs already: it says who it is when it connects.
    QProcess running;
    m_device->startCtl(
        running, {QStringLiteral("listen"), QStringLiteral("--timeout"), QStringLiteral("20000")},
        asTarget(QStringLiteral("demo.running")));
    QVERIFY(running.waitForReadyRead(10000)); // "started as ..." once it is connected

    const auto [text, code] = m_device->ctl(
        QStringList{QStringLiteral("invoke"), QStringLiteral("--data"), QStringLiteral("hello")} +
        arguments);
    QVERIFY2(text.contains(answer), qPrintable(text));
    QCOMPARE(code, exitCode);
    running.terminate();
    running.waitForFinished(5000);
    const QString runningSaw = QString::fromUtf8(running.readAllStandardOutput());
    const QString started = m_targets.filePath(QStringLiteral("demo.started.out"));
    if (received.isEmpty()) {
        QVERIFY2(!runningSaw.contains(QLatin1String("invoked")), qPrintable(runningSaw));
        QVERIFY(!QFile::exists(started));
    } else if (received.contains(QLatin1String("demo.running"))) {
        QVERIFY2(runningSaw.contains(received), qPrintable(runningSaw));
    } else {
        QTRY_COMPARE(countOf(started, received), 1);
    }
}

void tst_NavigatorProcesses::filtersOfOneProcessAreSeenByAnotherAndSurviveARestart()
{
    const QStringList set{QStringLiteral("filters"), QStringLiteral("set"),
                          QStringLiteral("demo.started"),
                          QStringLiteral("actions=qz.action.OPEN;types=text/*;")};
    // Only the target itself may replace its filters.
    QCOMPARE(m_device->ctl(set).second, 1);
    const auto [setText, setCode] = m_device->ctl(set, asTarget(QStringLiteral("demo.started")));
    QVERIFY2(setCode == 0, qPrintable(setText));

    const QStringList query{QStringLiteral("query"), QStringLiteral("--action"),
                            QStringLiteral("qz.action.OPEN"), QStringLiteral("--type"),
                            QStringLiteral("text/html")};
    for (int run = 0; run < 2; ++run) {
        const auto [text, code] = m_device->ctl(query);
        QCOMPARE(code, 0);
        QVERIFY2(text.contains(QLatin1String("action qz.action.OPEN")) &&
                     text.contains(QLatin1String("demo.started (Application)")),
                 qPrintable(text));
        QCOMPARE(m_device
                     ->ctl({QStringLiteral("filters"), QStringLiteral("get"),
                            QStringLiteral("demo.started")})
                     .first,
                 QStringLiteral("actions=qz.action.OPEN;types=text/*;\n"));
        if (run == 0)
            QVERIFY(m_device->restartDevice());
    }
}

void tst_NavigatorProcesses::relays()
{
    const auto [text, code] = m_device->ctl(
        {QStringLiteral("viewer"), QStringLiteral("open"), QStringLiteral("--target"),
         QStringLiteral("demo.viewer"), QStringLiteral("--window"), QStringLiteral("w1"),
         QStringLiteral("--size"), QStringLiteral("320x240"), QStringLiteral("--relay"),
         QStringLiteral("ping=hello"), QStringLiteral("--close")});
    QCOMPARE(code, 0);
    QVERIFY2(text.contains(QLatin1String("answer ping from window w1: hello")), qPrintable(text));
    const QString out = m_targets.filePath(QStringLiteral("demo.viewer.out"));
    QTRY_COMPARE(countOf(out, QStringLiteral("viewer closed: w1")), 1);
    QCOMPARE(countOf(out, QStringLiteral("invoked as viewer in window w1 (320x240)")), 1);

    // A relay to a window no viewer has.
    const auto [lost, lostCode] =
        m_device->ctl({QStringLiteral("viewer"), QStringLiteral("relay"),
                       QStringLiteral("--window"), QStringLiteral("w9"), QStringLiteral("--name"),
                       QStringLiteral("ping"), QStringLiteral("--id"), QStringLiteral("7")});
    QCOMPARE(lostCode, 1);
    QVERIFY2(lost.contains(QLatin1String("error InvalidWindowId")), qPrintable(lost));
}

void tst_NavigatorProcesses::timersFireOnTheVirtualClock()
{
    const QProcessEnvironment self = asTarget(QStringLiteral("demo.timed"));
    const auto ctl = [&](const QStringList &arguments) {
        const auto [text, code] = m_device->ctl(arguments, self);
        QVERIFY2(code == 0, qPrintable(text + m_device->ctlErrors()));
    };
    const QString out = m_targets.filePath(QStringLiteral("demo.timed.out"));
    const QString fired = QStringLiteral("invoked: target=demo.timed");
    const auto advanceMinutes = [&](int minutes) {
        ctl({QStringLiteral("clock"), QStringLiteral("advance"), QString::number(minutes * 60000)});
    };

    ctl({QStringLiteral("clock"), QStringLiteral("set"), QStringLiteral("2030-01-01T09:00:00")});
    ctl({QStringLiteral("timer"), QStringLiteral("add"), QStringLiteral("once"),
         QStringLiteral("--target"), QStringLiteral("demo.timed"), QStringLiteral("--at"),
         QStringLiteral("2030-01-01T10:00")});
    advanceMinutes(59);
    QTest::qWait(500);
    QVERIFY(!QFile::exists(out));
    advanceMinutes(2);
    QTRY_COMPARE(countOf(out, fired), 1);

    // Hourly from 11:00, three times: 11:00, 12:00 and 13:00, and never again.
    ctl({QStringLiteral("timer"), QStringLiteral("add"), QStringLiteral("hourly"),
         QStringLiteral("--target"), QStringLiteral("demo.timed"), QStringLiteral("--every"),
         QStringLiteral("hourly"), QStringLiteral("--start"), QStringLiteral("2030-01-01T11:00"),
         QStringLiteral("--count"), QStringLiteral("3")});
    const QStringList list{QStringLiteral("timer"), QStringLiteral("list")};
    QCOMPARE(m_device->ctl(list).first,
             QStringLiteral("demo.timed hourly: recurring next 2030-01-01T11:00:00, fired 0\n"));
    advanceMinutes(60); // 11:01
    QTRY_COMPARE(countOf(out, fired), 2);
    advanceMinutes(5 * 60); // 16:01: 12:00 and 13:00 are due, nothing after
    QTRY_COMPARE(countOf(out, fired), 4);
    QTest::qWait(2500); // the started target has ended; nothing else may come
    advanceMinutes(24 * 60);
    QTest::qWait(1000);
    QCOMPARE(countOf(out, fired), 4);
    QCOMPARE(m_device->ctl(list).first, QStringLiteral("no timers\n"));
}

QTEST_GUILESS_MAIN(tst_NavigatorProcesses)
#include "tst_navigatorprocesses.moc"
