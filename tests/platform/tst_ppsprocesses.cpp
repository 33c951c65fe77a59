#include "scriptedpeer.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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
    m_daemon.start(QStringLiteral(QZPPSD_PATH), {QStringLiteral("--socket"), m_socket});
    QVERIFY(m_daemon.waitForStarted());
    QTRY_VERIFY(QFileInfo::exists(m_socket));
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

QTEST_GUILESS_MAIN(tst_PpsProcesses)
#include "tst_ppsprocesses.moc"
