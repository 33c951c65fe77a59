#include "ppstestserver.h"
#include "rawppsclient.h"
#include "scriptedpeer.h"

#include <pps/ppsprotocol.h>
#include <qz/PpsObject>

#include <QSignalSpy>
#include <QTest>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using qz::PpsAttributeFlag;
using qz::PpsObject;
using qz::PpsOpenMode;

namespace {

const QString Obj = QStringLiteral("/pps/test/obj");

// Waits for the next change on a subscribed handle and decodes it.
QVariantMap nextChange(PpsObject &object, bool *ok = nullptr)
{
    bool read = false;
    QByteArray text;
    const bool arrived = QTest::qWaitFor(
        [&] {
            text = object.read(&read);
            return read;
        },
        3000);
    if (ok)
        *ok = arrived;
    return PpsObject::decode(text);
}

QVariantMap objectIn(const QVariantMap &change, const QString &key = QStringLiteral("@obj"))
{
    return change.value(key).toMap();
}

} // namespace

class tst_PpsServer : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void subscriberGetsContentThenChanges();
    void deltaReturnsOnlyChanges();
    void writerIsNotEchoed();
    void directorySeesObjectsComeAndGo();
    void serverModeRoutesWritesAndReplies();
    void controlObjectNeedsItsServer();
    void modeBitsRefuseEvenRoot_data();
    void modeBitsRefuseEvenRoot();
    void waitMakesReadsBlock();
    void messageLimit();
    void badPathsAreRefused_data();
    void badPathsAreRefused();
    void serverRefusesBadPathsToo_data();
    void serverRefusesBadPathsToo();
    void stalledClientDoesNotStallOthers();
    void missingObjectNeedsCreate();
    void noServerMeansOpenFails();
};

void tst_PpsServer::subscriberGetsContentThenChanges()
{
    PpsTestServer server;
    QVERIFY(server.isRunning());
    PpsObject writer(Obj);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(writer.write("a::1\n"));

    PpsObject reader(Obj);
    QSignalSpy ready(&reader, &PpsObject::readyRead);
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QTRY_COMPARE(ready.size(), 1);
    bool ok = false;
    QCOMPARE(PpsObject::decode(reader.read(&ok)),
             (QVariantMap{{QStringLiteral("@obj"),
                           QVariantMap{{QStringLiteral("a"), QStringLiteral("1")}}}}));
    QVERIFY(ok);
    reader.read(&ok);
    QVERIFY(!ok); // nothing more yet
    QCOMPARE(reader.error(), EAGAIN);

    QVERIFY(writer.write("b:n:2\n"));
    QTRY_COMPARE(ready.size(), 2);
    const QVariantMap full = objectIn(nextChange(reader));
    QCOMPARE(full.value(QStringLiteral("a")).toString(), QStringLiteral("1"));
    QCOMPARE(full.value(QStringLiteral("b")).toInt(), 2);
}

void tst_PpsServer::deltaReturnsOnlyChanges()
{
    PpsTestServer server;
    PpsObject writer(Obj);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(writer.write("a::1\nb::2\n"));
    PpsObject reader(Obj + QStringLiteral("?delta"));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QCOMPARE(objectIn(nextChange(reader)).size(), 2); // the first read has everything

    QVERIFY(writer.write("b::3\n"));
    QCOMPARE(objectIn(nextChange(reader)),
             (QVariantMap{{QStringLiteral("b"), QStringLiteral("3")}}));

    QVERIFY(writer.write("-a\n"));
    bool ok = false;
    QByteArray text;
    QVERIFY(QTest::qWaitFor([&] {
        text = reader.read(&ok);
        return ok;
    }));
    const qz::PpsAttributeMap flagged = PpsObject::decodeWithFlags(text);
    const qz::PpsAttributeMap attributes = flagged.value(QStringLiteral("@obj")).toMap();
    QCOMPARE(attributes.keys(), QStringList{QStringLiteral("a")});
    QVERIFY(attributes.value(QStringLiteral("a")).flags() & PpsAttributeFlag::Deleted);

    // Reopening with DeleteContents truncates, and a delta reader is told so.
    PpsObject truncater(Obj);
    QVERIFY(truncater.open(PpsOpenMode::Publish | PpsOpenMode::DeleteContents));
    QVERIFY(QTest::qWaitFor([&] {
        text = reader.read(&ok);
        return ok;
    }));
    QVERIFY(PpsObject::decodeWithFlags(text).value(QStringLiteral("@obj")).flags() &
            PpsAttributeFlag::Truncated);
}

void tst_PpsServer::writerIsNotEchoed()
{
    PpsTestServer server;
    PpsObject self(Obj);
    QVERIFY(self.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    nextChange(self); // the (empty) current content
    PpsObject other(Obj);
    QVERIFY(other.open(PpsOpenMode::PublishSubscribe));
    nextChange(other);

    QSignalSpy selfReady(&self, &PpsObject::readyRead);
    QVERIFY(self.write("mine::1\n"));
    QCOMPARE(objectIn(nextChange(other)).value(QStringLiteral("mine")).toString(),
             QStringLiteral("1"));
    QVERIFY(other.write("theirs::2\n"));
    QTRY_COMPARE(selfReady.size(), 1);
    // The first change self hears of is the other's write, not its own.
    const QVariantMap seen = objectIn(nextChange(self));
    QCOMPARE(seen.value(QStringLiteral("theirs")).toString(), QStringLiteral("2"));
    QTest::qWait(50);
    QCOMPARE(selfReady.size(), 1);
}

void tst_PpsServer::directorySeesObjectsComeAndGo()
{
    PpsTestServer server;
    PpsObject existing(QStringLiteral("/pps/dir/first"));
    QVERIFY(existing.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(existing.write("k::v\n"));
    PpsObject elsewhere(QStringLiteral("/pps/other/x"));
    QVERIFY(elsewhere.open(PpsOpenMode::Publish | PpsOpenMode::Create));

    PpsObject dir(QStringLiteral("/pps/dir/.all"));
    QVERIFY(dir.open(PpsOpenMode::Subscribe));
    const QVariantMap initial = nextChange(dir);
    QCOMPARE(initial.keys(), QStringList{QStringLiteral("@first")});
    QCOMPARE(initial.value(QStringLiteral("@first")).toMap().value(QStringLiteral("k")).toString(),
             QStringLiteral("v"));
    QVERIFY(!dir.write("x::1\n"));

    auto nextFlagged = [&] {
        bool ok = false;
        QByteArray text;
        const bool got = QTest::qWaitFor(
            [&] {
                text = dir.read(&ok);
                return ok;
            },
            3000);
        return got ? PpsObject::decodeWithFlags(text) : qz::PpsAttributeMap();
    };
    PpsObject created(QStringLiteral("/pps/dir/second"));
    QVERIFY(created.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QCOMPARE(nextFlagged().value(QStringLiteral("@second")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Created));
    QVERIFY(created.write("n:n:5\n"));
    QCOMPARE(
        nextFlagged().value(QStringLiteral("@second")).toMap().value(QStringLiteral("n")).toInt(),
        5);
    QVERIFY(elsewhere.write("noise::1\n")); // another directory: not seen
    QVERIFY(created.remove());
    const qz::PpsAttributeMap gone = nextFlagged();
    QCOMPARE(gone.keys(), QStringList{QStringLiteral("@second")});
    QCOMPARE(gone.value(QStringLiteral("@second")).flags(),
             PpsAttributeFlag::Types(PpsAttributeFlag::Deleted));
}

void tst_PpsServer::serverModeRoutesWritesAndReplies()
{
    PpsTestServer server;
    ScriptedPeer peer(QStringLiteral("/pps/services/test/control"));
    QVERIFY(peer.open());
    PpsObject a(QStringLiteral("/pps/services/test/control"));
    PpsObject b(QStringLiteral("/pps/services/test/control"));
    QVERIFY(a.open(PpsOpenMode::PublishSubscribe));
    QVERIFY(b.open(PpsOpenMode::PublishSubscribe));
    QSignalSpy aReady(&a, &PpsObject::readyRead);
    QSignalSpy bReady(&b, &PpsObject::readyRead);

    QCOMPARE(
        a.writeMessage(QStringLiteral("show"), QStringLiteral("1"), {{QStringLiteral("k"), 1}}), 0);
    QVERIFY(peer.waitForRequests(1));
    const int aId = peer.requests().at(0).clientId;
    QCOMPARE(peer.requests().at(0).message.value(QStringLiteral("msg")).toString(),
             QStringLiteral("show"));
    QCOMPARE(peer.requests()
                 .at(0)
                 .message.value(QStringLiteral("dat"))
                 .toMap()
                 .value(QStringLiteral("k"))
                 .toInt(),
             1);
    QCOMPARE(b.writeMessage(QStringLiteral("show"), QStringLiteral("2"), {}), 0);
    QVERIFY(peer.waitForRequests(2));
    const int bId = peer.requests().at(1).clientId;
    QVERIFY(aId != bId);

    QVERIFY(peer.reply(aId, {{QStringLiteral("res"), QStringLiteral("show")},
                             {QStringLiteral("id"), QStringLiteral("1")}}));
    QTRY_COMPARE(aReady.size(), 1);
    const QVariantMap answer = nextChange(a);
    QCOMPARE(answer.keys(), QStringList{QStringLiteral("@control")});
    QCOMPARE(
        answer.value(QStringLiteral("@control")).toMap().value(QStringLiteral("id")).toString(),
        QStringLiteral("1"));

    QVERIFY(peer.reply(0, {{QStringLiteral("note"), QStringLiteral("all")}}));
    QTRY_COMPARE(bReady.size(), 1);
    QTRY_COMPARE(aReady.size(), 2);
    QCOMPARE(nextChange(b)
                 .value(QStringLiteral("@control"))
                 .toMap()
                 .value(QStringLiteral("note"))
                 .toString(),
             QStringLiteral("all"));
    QCOMPARE(nextChange(a)
                 .value(QStringLiteral("@control"))
                 .toMap()
                 .value(QStringLiteral("note"))
                 .toString(),
             QStringLiteral("all"));
    // b never saw a's reply; neither client saw the other's request.
    QTest::qWait(50);
    QCOMPARE(bReady.size(), 1);
    QCOMPARE(aReady.size(), 2);
    QCOMPARE(peer.requests().size(), 2);
}

void tst_PpsServer::controlObjectNeedsItsServer()
{
    PpsTestServer server;
    const QString path = QStringLiteral("/pps/services/test/control");
    {
        ScriptedPeer peer(path);
        QVERIFY(peer.open());
        ScriptedPeer second(path);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("already has a server")));
        QVERIFY(!second.open());

        PpsObject client(path);
        QVERIFY(client.open(PpsOpenMode::PublishSubscribe));
        QSignalSpy ready(&client, &PpsObject::readyRead);
        peer.close();
        QTRY_COMPARE(ready.size(), 1); // told that the server went
        bool ok = true;
        client.read(&ok);
        QVERIFY(!ok);
        QCOMPARE(client.error(), ENOTCONN);
        QVERIFY(!client.write("msg::late\n"));
    }
    PpsObject late(path);
    QVERIFY(!late.open(PpsOpenMode::PublishSubscribe));
    QCOMPARE(late.error(), ENOENT);
}

void tst_PpsServer::modeBitsRefuseEvenRoot_data()
{
    QTest::addColumn<bool>("owned");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("canRead");
    QTest::addColumn<bool>("canWrite");
    QTest::newRow("owner rw") << true << 0600 << true << true;
    QTest::newRow("owner read-only") << true << 0400 << true << false;
    QTest::newRow("owner write-only") << true << 0200 << false << true;
    QTest::newRow("owner nothing, others all") << true << 0077 << false << false;
    QTest::newRow("other, private") << false << 0600 << false << false;
    QTest::newRow("other, world-readable") << false << 0644 << true << false;
    QTest::newRow("other, world-writable") << false << 0606 << true << true;
}

void tst_PpsServer::modeBitsRefuseEvenRoot()
{
    QFETCH(bool, owned);
    QFETCH(int, mode);
    QFETCH(bool, canRead);
    QFETCH(bool, canWrite);
    PpsTestServer server;
    const uid_t uid = owned ? getuid() : getuid() + 4242;
    const gid_t gid = owned ? getgid() : getgid() + 4242;
    QVERIFY(server.server().setAccess(Obj.toUtf8(), uid, gid, mode_t(mode)));

    PpsObject reader(Obj);
    QCOMPARE(reader.open(PpsOpenMode::Subscribe), canRead);
    if (!canRead)
        QCOMPARE(reader.error(), EACCES);
    PpsObject writer(Obj);
    QCOMPARE(writer.open(PpsOpenMode::Publish), canWrite);
    if (!canWrite)
        QCOMPARE(writer.error(), EACCES);
}

void tst_PpsServer::waitMakesReadsBlock()
{
    PpsTestServer server;
    PpsObject creator(Obj);
    QVERIFY(creator.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    PpsObject reader(Obj + QStringLiteral("?wait,delta"));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QVERIFY(reader.isBlocking());
    bool ok = false;
    reader.read(&ok); // current content
    QVERIFY(ok);

    std::thread writerThread([] {
        QThread::msleep(150);
        PpsObject writer(Obj);
        if (writer.open(PpsOpenMode::Publish))
            writer.write("late::yes\n");
    });
    QElapsedTimer timer;
    timer.start();
    const QByteArray text = reader.read(&ok); // no event loop: this must block for the change
    writerThread.join();
    QVERIFY(ok);
    QVERIFY(timer.elapsed() >= 100);
    QCOMPARE(objectIn(PpsObject::decode(text)).value(QStringLiteral("late")).toString(),
             QStringLiteral("yes"));
}

void tst_PpsServer::messageLimit()
{
    PpsTestServer server;
    PpsObject writer(Obj);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    PpsObject reader(Obj + QStringLiteral("?delta"));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    nextChange(reader);

    const QByteArray prefix = "big::";
    QByteArray exact =
        prefix + QByteArray(PpsObject::MaxMessageSize - prefix.size() - 1, 'x') + '\n';
    QCOMPARE(exact.size(), PpsObject::MaxMessageSize);
    QVERIFY(writer.write(exact));
    QCOMPARE(objectIn(nextChange(reader)).value(QStringLiteral("big")).toString().size(),
             exact.size() - 6);

    QVERIFY(!writer.write(exact + 'y'));
    QCOMPARE(writer.error(), EMSGSIZE);
    QVERIFY(writer.errorString().contains(QString::number(PpsObject::MaxMessageSize)));
    QVERIFY(writer.write("small::ok\n")); // the handle is still usable
    QCOMPARE(objectIn(nextChange(reader)).value(QStringLiteral("small")).toString(),
             QStringLiteral("ok"));

    // A client that bypasses the check is cut off by the server, at N+1 as at 2N.
    RawPpsClient raw(server.socketPath());
    raw.sendOpen(PpsOpenMode::Publish, Obj.toUtf8());
    QCOMPARE(raw.answerCode(), 0);
    raw.send(qz::pps::FrameWrite, exact + 'y');
    const qz::pps::Frame refusal = raw.next();
    QCOMPARE(refusal.type, char(qz::pps::FrameError));
    int code = 0;
    QString text;
    QVERIFY(qz::pps::parseStatus(refusal.payload, &code, &text));
    QCOMPARE(code, EMSGSIZE);
}

void tst_PpsServer::badPathsAreRefused_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("parent") << QStringLiteral("/pps/../etc/passwd");
    QTest::newRow("parent inside") << QStringLiteral("/pps/a/../../b");
    QTest::newRow("dot") << QStringLiteral("/pps/./a");
    QTest::newRow("empty component") << QStringLiteral("/pps/a//b");
    QTest::newRow("trailing slash") << QStringLiteral("/pps/a/");
    QTest::newRow("outside") << QStringLiteral("/tmp/x");
    QTest::newRow("prefix trick") << QStringLiteral("/ppsx/a");
    QTest::newRow("relative") << QStringLiteral("pps/a");
    QTest::newRow("control char") << QStringLiteral("/pps/a\x01b");
    QTest::newRow("newline") << QStringLiteral("/pps/a\nb");
    QTest::newRow("NUL") << QString::fromUtf8("/pps/a\0b", 8);
    QTest::newRow("unknown option") << QStringLiteral("/pps/a/b?bogus");
    QTest::newRow("server directory") << QStringLiteral("/pps/a/.all?server");
    QTest::newRow("root") << QStringLiteral("/pps");
}

void tst_PpsServer::badPathsAreRefused()
{
    QFETCH(QString, path);
    PpsTestServer server;
    PpsObject object(path);
    QVERIFY(!object.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    QCOMPARE(object.error(), EINVAL);
    QVERIFY(!object.errorString().isEmpty());
}

void tst_PpsServer::serverRefusesBadPathsToo_data()
{
    badPathsAreRefused_data();
}

void tst_PpsServer::serverRefusesBadPathsToo()
{
    QFETCH(QString, path);
    PpsTestServer server;
    RawPpsClient raw(server.socketPath());
    QVERIFY(raw.isConnected());
    raw.sendOpen(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create, path.toUtf8());
    QCOMPARE(raw.answerCode(), EINVAL);
}

void tst_PpsServer::stalledClientDoesNotStallOthers()
{
    PpsTestServer server;
    server.server().setMaxQueuedBytes(256 * 1024);
    PpsObject writer(Obj);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));

    RawPpsClient stalled(server.socketPath());
    stalled.sendOpen(PpsOpenMode::Subscribe, (Obj + QStringLiteral("?delta")).toUtf8());
    QCOMPARE(stalled.answerCode(), 0); // and then it never reads again

    PpsObject healthy(Obj + QStringLiteral("?delta"));
    QVERIFY(healthy.open(PpsOpenMode::Subscribe));
    nextChange(healthy);

    const QByteArray filler(8 * 1024, 'f');
    const int writes = 200; // 1.6 MB: far past the socket buffers and the queue limit
    int received = 0;
    QString last;
    connect(&healthy, &PpsObject::readyRead, this, [&] {
        bool ok = false;
        const QByteArray text = healthy.read(&ok);
        if (ok) {
            ++received;
            last = objectIn(PpsObject::decode(text)).value(QStringLiteral("n")).toString();
        }
    });
    for (int i = 0; i < writes; ++i) {
        QVERIFY(writer.write("n::" + QByteArray::number(i) + "\nfill::" + filler + '\n'));
        QTRY_COMPARE(received, i + 1); // a reader that keeps up, however loaded the machine
    }
    QCOMPARE(last, QString::number(writes - 1));

    // The stalled client was dropped: draining it ends in an error frame or end of stream.
    char type = 1;
    while (type != 0 && type != qz::pps::FrameError)
        type = stalled.next(1000).type;
    QVERIFY(type == 0 || type == qz::pps::FrameError);
}

void tst_PpsServer::missingObjectNeedsCreate()
{
    PpsTestServer server;
    PpsObject object(QStringLiteral("/pps/nothing/here"));
    QVERIFY(!object.open(PpsOpenMode::Subscribe));
    QCOMPARE(object.error(), ENOENT);
    QVERIFY(!object.isOpen());
    QVERIFY(object.open(PpsOpenMode::Subscribe | PpsOpenMode::Create));
    QVERIFY(object.isOpen());
    QVERIFY(!object.write("a::1\n")); // not opened for publishing
    QCOMPARE(object.error(), EBADF);
    object.close();
    QVERIFY(!object.isOpen());
}

void tst_PpsServer::noServerMeansOpenFails()
{
    qputenv("QZ_PPS_SOCKET", QByteArray("/nonexistent/qz/pps.sock"));
    PpsObject object(Obj);
    QVERIFY(!object.open(PpsOpenMode::PublishSubscribe));
    QVERIFY(object.error() == ENOENT || object.error() == ECONNREFUSED);
    QVERIFY(object.errorString().contains(QStringLiteral("/nonexistent/qz/pps.sock")));
    qunsetenv("QZ_PPS_SOCKET");
}

QTEST_GUILESS_MAIN(tst_PpsServer)
#include "tst_ppsserver.moc"
