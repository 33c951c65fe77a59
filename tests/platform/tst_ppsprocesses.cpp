#include "rawppsclient.h"
#include "scriptedpeer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// User and system CPU time of a process so far, in clock ticks.
long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 12 ? fields.at(11).toLong() + fields.at(12).toLong() : -1;
}

// Starts qzppsd on \a socket with \a options; true once it listens.
bool startDaemon(QProcess &daemon, const QString &socket, const QStringList &options = {})
{
    daemon.start(QStringLiteral(QZPPSD_PATH),
                 QStringList{QStringLiteral("--socket"), socket} + options);
    return daemon.waitForStarted() && QTest::qWaitFor([&] { return QFileInfo::exists(socket); });
}

} // namespace

// qzppsd as its own process, with qzpps processes (and this one) as its clients.
class tst_PpsProcesses : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void writerProcessReachesWatcherProcess();
    void clientProcessReachesServedControlObject();
    void cliReportsErrors_data();
    void cliReportsErrors();
    void cutOffReaderFailsLoudly();
    void oversizedWriteCreatesNothing();
    void outOfDescriptorsDoesNotSpin();
    void serverOfAnotherUserIsRefused();
    void servicesDirectoryIsReserved();

private:
    QProcess *qzpps(const QStringList &args);
    int runQzpps(const QStringList &args, QByteArray *out = nullptr, QByteArray *err = nullptr);

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_socket;
    QList<QProcess *> m_children;
};

void tst_PpsProcesses::init()
{
    QVERIFY(m_dir.isValid());
    m_socket = m_dir.filePath(QStringLiteral("run/pps.sock"));
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QVERIFY(startDaemon(m_daemon, m_socket));
    qputenv("QZ_PPS_SOCKET", m_socket.toLocal8Bit());
}

void tst_PpsProcesses::cleanup()
{
    for (QProcess *p : std::as_const(m_children)) {
        p->terminate();
        p->waitForFinished(3000);
        delete p;
    }
    m_children.clear();
    m_daemon.terminate();
    QVERIFY(m_daemon.waitForFinished(5000));
    QCOMPARE(m_daemon.exitCode(), 0); // a clean shutdown on SIGTERM
    QVERIFY(!QFileInfo::exists(m_socket));
    qunsetenv("QZ_PPS_SOCKET");
}

QProcess *tst_PpsProcesses::qzpps(const QStringList &args)
{
    auto *p = new QProcess;
    m_children.append(p);
    p->start(QStringLiteral(QZPPS_PATH), args);
    p->waitForStarted();
    return p;
}

int tst_PpsProcesses::runQzpps(const QStringList &args, QByteArray *out, QByteArray *err)
{
    QProcess p;
    p.start(QStringLiteral(QZPPS_PATH), args);
    if (!p.waitForFinished(10000))
        return -1;
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitCode();
}

void tst_PpsProcesses::writerProcessReachesWatcherProcess()
{
    const QString path = QStringLiteral("/pps/demo/status");
    QCOMPARE(runQzpps({QStringLiteral("write"), path, QStringLiteral("state::booting")}), 0);
    QProcess *watcher = qzpps({QStringLiteral("watch"), path + QStringLiteral("?delta")});
    QTRY_VERIFY(watcher->bytesAvailable() > 0); // the current content comes first
    QCOMPARE(watcher->readAll(), QByteArray("@status\nstate::booting\n"));

    QCOMPARE(runQzpps({QStringLiteral("write"), path, QStringLiteral("state::ready"),
                       QStringLiteral("count:n:2")}),
             0);
    QByteArray seen;
    QTRY_VERIFY((seen += watcher->readAll()).contains("count:n:2"));
    QCOMPARE(seen, QByteArray("@status\nstate::ready\ncount:n:2\n"));

    QByteArray out;
    QCOMPARE(runQzpps({QStringLiteral("cat"), QStringLiteral("/pps/demo/.all")}, &out), 0);
    QCOMPARE(qz::PpsObject::decode(out)
                 .value(QStringLiteral("@status"))
                 .toMap()
                 .value(QStringLiteral("count"))
                 .toInt(),
             2);
}

void tst_PpsProcesses::clientProcessReachesServedControlObject()
{
    const QString path = QStringLiteral("/pps/services/demo/control");
    ScriptedPeer peer(path);
    QVERIFY(peer.open());
    QProcess *listener = qzpps({QStringLiteral("watch"), path});
    QTRY_VERIFY(listener->state() == QProcess::Running);
    QTest::qWait(100); // let the watcher's open reach the daemon

    QCOMPARE(runQzpps({QStringLiteral("write"), path, QStringLiteral("msg::ping"),
                       QStringLiteral("id::7")}),
             0);
    QVERIFY(peer.waitForRequests(1));
    QCOMPARE(peer.requests().at(0).message,
             (QVariantMap{{QStringLiteral("msg"), QStringLiteral("ping")},
                          {QStringLiteral("id"), QStringLiteral("7")}}));

    QVERIFY(peer.reply(0, {{QStringLiteral("res"), QStringLiteral("pong")}}));
    QByteArray seen;
    QTRY_VERIFY((seen += listener->readAll()).contains("res::pong"));
    QCOMPARE(seen, QByteArray("@control\nres::pong\n"));
}

void tst_PpsProcesses::cliReportsErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("missing object")
        << QStringList{QStringLiteral("cat"), QStringLiteral("/pps/none/here")} << 1
        << QByteArray("No PPS object");
    QTest::newRow("traversal") << QStringList{QStringLiteral("write"), QStringLiteral("/pps/../x"),
                                              QStringLiteral("a::1")}
                               << 1 << QByteArray("\"..\"");
    QTest::newRow("bad line") << QStringList{QStringLiteral("write"), QStringLiteral("/pps/a/b"),
                                             QStringLiteral("oops")}
                              << 1 << QByteArray("not a PPS attribute line");
    QTest::newRow("unknown verb") << QStringList{QStringLiteral("frob"), QStringLiteral("/pps/a/b")}
                                  << 2 << QByteArray("Usage");
}

void tst_PpsProcesses::cliReportsErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QByteArray, message);
    QByteArray out, err;
    QCOMPARE(runQzpps(args, &out, &err), exitCode);
    const QByteArray all = out + err;
    QVERIFY2(all.contains(message), all.constData());
}

void tst_PpsProcesses::cutOffReaderFailsLoudly()
{
    const QString path = QStringLiteral("/pps/demo/big");
    QCOMPARE(runQzpps({QStringLiteral("write"), path, QStringLiteral("n::0")}), 0);
    QProcess *watcher = qzpps({QStringLiteral("watch"), path});
    QByteArray seen;
    QTRY_VERIFY2((seen += watcher->readAllStandardOutput()).contains("n::0"), seen.constData());
    ::kill(pid_t(watcher->processId()), SIGSTOP);
    qz::PpsObject writer(path);
    QVERIFY(writer.open(qz::PpsOpenMode::Publish));
    const QByteArray fill(512 * 1024, 'f');
    for (int i = 0; i < 40; ++i) // 20 MiB of changes behind a reader that does not read
        QVERIFY(writer.write("fill::" + fill + QByteArray::number(i) + '\n'));
    QTest::qWait(200);
    ::kill(pid_t(watcher->processId()), SIGCONT);
    QVERIFY(watcher->waitForFinished(10000));
    QCOMPARE(watcher->exitCode(), 1);
    QVERIFY(watcher->readAllStandardError().startsWith("qzpps: /pps/demo/big: "));
}

void tst_PpsProcesses::oversizedWriteCreatesNothing()
{
    QStringList args{QStringLiteral("write"), QStringLiteral("/pps/demo/huge")};
    for (int i = 0; i < 10; ++i) // one argument may hold 128 KiB at most
        args << QStringLiteral("a%1::").arg(i) + QString(110 * 1000, QLatin1Char('x'));
    QByteArray err;
    QCOMPARE(runQzpps(args, nullptr, &err), 1);
    QVERIFY2(err.contains("exceed the PPS message limit"), err.constData());
    QCOMPARE(runQzpps({QStringLiteral("cat"), QStringLiteral("/pps/demo/huge")}, nullptr, &err), 1);
    QVERIFY(err.contains("No PPS object"));
}

void tst_PpsProcesses::outOfDescriptorsDoesNotSpin()
{
    const QString socket = m_dir.filePath(QStringLiteral("few/pps.sock"));
    QProcess daemon;
    daemon.setChildProcessModifier([] {
        const rlimit few{40, 40};
        ::setrlimit(RLIMIT_NOFILE, &few);
    });
    QVERIFY(startDaemon(daemon, socket));

    std::vector<std::unique_ptr<RawPpsClient>> clients;
    bool exhausted = false;
    while (!exhausted && clients.size() < 64) {
        clients.push_back(std::make_unique<RawPpsClient>(socket));
        clients.back()->sendOpen(qz::PpsOpenMode::Subscribe | qz::PpsOpenMode::Create,
                                 "/pps/demo/fd");
        exhausted = clients.back()->answerCode(500) != 0;
    }
    QVERIFY(exhausted);
    const long before = cpuTicks(daemon.processId());
    QTest::qWait(1000);
    const long spent = cpuTicks(daemon.processId()) - before;
    QVERIFY2(spent < sysconf(_SC_CLK_TCK) / 5, qPrintable(QString::number(spent))); // < 20 % CPU

    // A client leaves; the one that waited is served.
    std::unique_ptr<RawPpsClient> waiting = std::move(clients.back());
    clients.pop_back();
    clients.erase(clients.begin(), clients.begin() + 2);
    QCOMPARE(waiting->answerCode(3000), 0);

    daemon.terminate();
    QVERIFY(daemon.waitForFinished(5000));
    const QByteArray log = daemon.readAllStandardError();
    // Logged once each time it runs out (not at every retry), and its recovery likewise.
    QByteArrayList notes;
    for (const QByteArray &line : log.split('\n')) {
        if (line.contains("Cannot accept connections") ||
            line.contains("Accepting connections again"))
            notes.append(line.contains("Cannot") ? "out" : "again");
    }
    QVERIFY2(notes.size() >= 2, log.constData());
    for (qsizetype i = 0; i < notes.size(); ++i)
        QVERIFY2(notes.at(i) == (i % 2 ? "again" : "out"), log.constData());
}

void tst_PpsProcesses::serverOfAnotherUserIsRefused()
{
    if (::geteuid() != 0)
        QSKIP("Running a server as another user needs root");
    QTemporaryDir top;
    QCOMPARE(::chmod(QFile::encodeName(top.path()).constData(), 0711), 0);
    const QString directory = top.filePath(QStringLiteral("nobody"));
    QVERIFY(QDir().mkdir(directory));
    QCOMPARE(::chown(QFile::encodeName(directory).constData(), 65534, 65534), 0);
    const QString socket = directory + QStringLiteral("/pps.sock");
    QProcess daemon;
    daemon.setChildProcessModifier([] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    });
    QVERIFY(startDaemon(daemon, socket, {QStringLiteral("--socket-mode"), QStringLiteral("0666")}));

    qputenv("QZ_PPS_SOCKET", socket.toLocal8Bit());
    qz::PpsObject object(QStringLiteral("/pps/demo/secret"));
    QVERIFY(!object.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create));
    QCOMPARE(object.error(), EPERM);
    QVERIFY(object.errorString().contains(QStringLiteral("runs as another user")));
    daemon.terminate();
    QVERIFY(daemon.waitForFinished(5000));
}

void tst_PpsProcesses::servicesDirectoryIsReserved()
{
    const QString socket = m_dir.filePath(QStringLiteral("reserved/pps.sock"));
    QProcess daemon;
    QVERIFY(startDaemon(daemon, socket,
                        {QStringLiteral("--services-owner"), QString::number(::getuid() + 4242)}));
    qputenv("QZ_PPS_SOCKET", socket.toLocal8Bit());
    qz::PpsObject squatter(QStringLiteral("/pps/services/dialog/control?server"));
    QVERIFY(!squatter.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create));
    QCOMPARE(squatter.error(), EACCES);
    qz::PpsObject elsewhere(QStringLiteral("/pps/apps/demo/control?server"));
    QVERIFY(elsewhere.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create));
    daemon.terminate();
    QVERIFY(daemon.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(tst_PpsProcesses)
#include "tst_ppsprocesses.moc"
