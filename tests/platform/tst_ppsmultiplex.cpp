// The handles of one thread share a connection to the PPS server yet stay independent of each
// other; threads keep connections of their own; the handle-addressed frames resist abuse.
#include "ppstestserver.h"
#include "rawppsclient.h"

#include <qz/PpsObject>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <unistd.h>

using qz::PpsObject;
using qz::PpsOpenMode;
using qz::pps::Frame;

namespace {

const QString Obj = QStringLiteral("/pps/test/obj");
const QString Delta = Obj + QStringLiteral("?delta");

QByteArray word(uint32_t value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

// A handle-addressed frame, ready to go on the wire.
QByteArray addressed(char type, uint32_t handle, const QByteArray &body = {})
{
    QByteArray out;
    qz::pps::appendHandleFrame(out, type, handle, body.constData(), body.size());
    return out;
}

QByteArray openFrame(uint32_t handle, int mode, const QByteArray &path)
{
    return addressed(qz::pps::HandleOpen, handle, word(uint32_t(mode)) + path);
}

void sendRaw(RawPpsClient &client, const QByteArray &bytes)
{
    QCOMPARE(::write(client.fd(), bytes.constData(), size_t(bytes.size())), bytes.size());
}

// "a3" for an answer to handle 3, "E" for a connection error; the errno of an 'a', 'e' or 'E'.
QByteArray describe(const Frame &frame, int *code)
{
    QByteArray payload = frame.payload;
    QByteArray text(1, frame.type);
    uint32_t handle = 0;
    if (frame.type >= 'a' && qz::pps::takeHandle(payload, &handle)) {
        text += QByteArray::number(handle);
        payload = payload.sliced(sizeof handle);
    }
    QString why;
    if (frame.type != 'd' && frame.type != 'D')
        qz::pps::parseStatus(payload, code, &why);
    return text;
}

QByteArray changeOf(const QByteArray &read)
{
    return read.mid(read.indexOf('\n') + 1);
}

} // namespace

class tst_PpsMultiplex : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void closingOneHandleLeavesTheOthers();
    void failedWriteEndsOnlyItsHandle_data();
    void failedWriteEndsOnlyItsHandle();
    void failedOpenLeavesNoHandle_data();
    void failedOpenLeavesNoHandle();
    void slowReaderIsDroppedAlone();
    void readyReadAfterAnotherHandleDrained_data();
    void readyReadAfterAnotherHandleDrained();
    void threadsDoNotBlockEachOther_data();
    void threadsDoNotBlockEachOther();
    void stalledThreadIsCutOffAlone();
    void serverRestart_data();
    void serverRestart();
    void addressedFrames_data();
    void addressedFrames();
    void handleLimitPerConnection();
};

void tst_PpsMultiplex::closingOneHandleLeavesTheOthers()
{
    PpsTestServer server;
    const QString ctl = QStringLiteral("/pps/test/ctl");
    PpsObject service(ctl + QStringLiteral("?server"));
    QVERIFY(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    PpsObject first(ctl), second(ctl);
    QVERIFY(first.open(PpsOpenMode::PublishSubscribe));
    QVERIFY(second.open(PpsOpenMode::PublishSubscribe));
    QSignalSpy serviceReady(&service, &PpsObject::readyRead);
    QTRY_COMPARE(serviceReady.size(), 2);
    const QByteArray joinedFirst = service.read(), joinedSecond = service.read();
    QVERIFY(joinedFirst.startsWith("+@ctl.") && joinedSecond.startsWith("+@ctl."));
    const QByteArray firstId = joinedFirst.trimmed().mid(6),
                     secondId = joinedSecond.trimmed().mid(6);
    QVERIFY(firstId != secondId);

    first.close();
    QTRY_COMPARE(serviceReady.size(), 3);
    QCOMPARE(service.read().trimmed(), "-@ctl." + firstId);

    // The other client is still there, both ways.
    QSignalSpy secondReady(&second, &PpsObject::readyRead);
    QVERIFY(second.write("ping::1\n"));
    QTRY_COMPARE(serviceReady.size(), 4);
    QCOMPARE(service.read(), "@ctl." + secondId + "\nping::1\n");
    QVERIFY(service.write("@ctl." + secondId + "\npong::1\n"));
    QTRY_COMPARE(secondReady.size(), 1);
    QCOMPARE(changeOf(second.read()), "pong::1\n");
    QVERIFY(!first.isOpen());
    QCOMPARE(service.error(), 0);
}

void tst_PpsMultiplex::failedWriteEndsOnlyItsHandle_data()
{
    QTest::addColumn<QByteArray>("write");
    const QByteArray name(PpsObject::MaxNameSize + 1, 'n');
    QTest::newRow("attribute name too long") << name + "::1\n";
    QTest::newRow("removal of a name too long") << "-" + name + "\n";
}

void tst_PpsMultiplex::failedWriteEndsOnlyItsHandle()
{
    QFETCH(QByteArray, write);
    PpsTestServer server;
    PpsObject writer(Obj), victim(Obj), reader(Delta);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(victim.open(PpsOpenMode::PublishSubscribe));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QSignalSpy victimReady(&victim, &PpsObject::readyRead);
    QSignalSpy readerReady(&reader, &PpsObject::readyRead);
    QTRY_COMPARE(readerReady.size(), 1); // the content
    reader.read();

    QVERIFY(victim.write(write)); // refused by the server, not the client
    QTRY_COMPARE(victim.error(), ENAMETOOLONG);
    QVERIFY(writer.write("after::1\n"));
    QTRY_COMPARE(readerReady.size(), 2);
    QCOMPARE(changeOf(reader.read()), "after::1\n");
    QCOMPARE(victimReady.size(), 2); // its content, then its loss; nothing of the later write
    QVERIFY(!victim.write("more::1\n"));
    QCOMPARE(writer.error(), 0);
    QCOMPARE(reader.error(), 0);
}

void tst_PpsMultiplex::failedOpenLeavesNoHandle_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");
    QTest::newRow("missing") << QStringLiteral("/pps/test/missing") << ENOENT;
    QTest::newRow("no access") << QStringLiteral("/pps/test/sealed") << EACCES;
}

void tst_PpsMultiplex::failedOpenLeavesNoHandle()
{
    QFETCH(QString, path);
    QFETCH(int, error);
    PpsTestServer server;
    QVERIFY(server.server().setAccess("/pps/test/sealed", ::getuid(), ::getgid(), 0));
    PpsObject writer(Obj), reader(Delta);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QSignalSpy readerReady(&reader, &PpsObject::readyRead);
    QTRY_COMPARE(readerReady.size(), 1);
    reader.read();

    PpsObject refused(path);
    QSignalSpy refusedReady(&refused, &PpsObject::readyRead);
    QVERIFY(!refused.open(PpsOpenMode::Subscribe));
    QCOMPARE(refused.error(), error);
    QVERIFY(!refused.isOpen());
    QVERIFY(writer.write("after::1\n"));
    QTRY_COMPARE(readerReady.size(), 2);
    QCOMPARE(changeOf(reader.read()), "after::1\n");
    QCOMPARE(refusedReady.size(), 0);
    // Nothing of the refused handle lingers to make a new open of the same object fail.
    QVERIFY(refused.open(PpsOpenMode::Publish | PpsOpenMode::Create) == (error == ENOENT));
}

void tst_PpsMultiplex::slowReaderIsDroppedAlone()
{
    PpsTestServer server;
    RawPpsClient writer(server.socketPath());
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj.toUtf8()), 0);
    PpsObject slow(Delta), fast(Delta);
    QVERIFY(slow.open(PpsOpenMode::Subscribe));
    QVERIFY(fast.open(PpsOpenMode::Subscribe));
    QSignalSpy slowReady(&slow, &PpsObject::readyRead);
    QList<int> seen;
    connect(&fast, &PpsObject::readyRead, this, [&] {
        bool ok = false;
        const QByteArray text = fast.read(&ok);
        // "@obj\nn::<i>\nv::<pad>\n"; its content, read first, has no number.
        const qsizetype at = text.indexOf("\nn::");
        if (ok && at >= 0)
            seen.append(text.mid(at + 4, text.indexOf('\n', at + 1) - at - 4).toInt());
    });

    const QByteArray pad(256 * 1024, 'p');
    const int count = int(PpsObject::MaxUnreadSize / pad.size()) + 8;
    for (int i = 0; i < count; ++i) {
        writer.send(qz::pps::FrameWrite, "n::" + QByteArray::number(i) + "\nv::" + pad + '\n');
        // The fast reader keeps up whatever the slow one does.
        QVERIFY(QTest::qWaitFor([&] { return seen.size() == i + 1; }, 10000));
    }
    QCOMPARE(slow.error(), ENOBUFS);
    QVERIFY(slow.errorString().contains(QStringLiteral("Disconnected for not reading")));
    bool ok = true;
    QVERIFY(slow.read(&ok).isEmpty() && !ok);
    // Its content, each change up to the one that overflowed, and its loss.
    QCOMPARE(slowReady.size(), int(PpsObject::MaxUnreadSize / pad.size()) + 1);
    QList<int> expected;
    for (int i = 0; i < count; ++i)
        expected.append(i);
    QCOMPARE(seen, expected);
    QCOMPARE(fast.error(), 0);
}

void tst_PpsMultiplex::readyReadAfterAnotherHandleDrained_data()
{
    QTest::addColumn<bool>("blockingRead");
    QTest::addColumn<int>("readBefore");
    QTest::newRow("open, none read") << false << 0;
    QTest::newRow("open, one read") << false << 1;
    QTest::newRow("blocking read, none read") << true << 0;
    QTest::newRow("blocking read, both read") << true << 2;
}

void tst_PpsMultiplex::readyReadAfterAnotherHandleDrained()
{
    QFETCH(bool, blockingRead);
    QFETCH(int, readBefore);
    PpsTestServer server;
    const QString other = QStringLiteral("/pps/test/other");
    RawPpsClient writer(server.socketPath()), otherWriter(server.socketPath());
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj.toUtf8()), 0);
    QCOMPARE(otherWriter.open(PpsOpenMode::Publish | PpsOpenMode::Create, other.toUtf8()), 0);
    PpsObject b(Delta);
    QVERIFY(b.open(PpsOpenMode::Subscribe));
    b.read(); // the content, read before any event loop
    QSignalSpy bReady(&b, &PpsObject::readyRead);
    PpsObject a(other + QStringLiteral("?wait,delta"));
    if (blockingRead) {
        QVERIFY(a.open(PpsOpenMode::Subscribe));
        a.read();
    }

    // Two changes for b wait in the socket when a's open or read takes them in.
    writer.send(qz::pps::FrameWrite, "x::1\n");
    writer.send(qz::pps::FrameWrite, "x::2\n");
    QVERIFY(writer.sync());
    if (blockingRead) {
        otherWriter.send(qz::pps::FrameWrite, "y::1\n");
        bool ok = false;
        QCOMPARE(changeOf(a.read(&ok)), "y::1\n");
    } else {
        QVERIFY(a.open(PpsOpenMode::Subscribe));
    }
    for (int i = 0; i < readBefore; ++i)
        QCOMPARE(changeOf(b.read()), "x::" + QByteArray::number(i + 1) + '\n');
    QCOMPARE(bReady.size(), 0);
    if (readBefore < 2)
        QTRY_COMPARE(bReady.size(), 2 - readBefore); // from the loop, with no socket activity

    // A later change proves the loop ran past the first ones' signals, and no extra came.
    writer.send(qz::pps::FrameWrite, "x::3\n");
    const int expected = 2 - readBefore + 1;
    QTRY_COMPARE(bReady.size(), expected);
    for (int i = readBefore; i < 3; ++i)
        QCOMPARE(changeOf(b.read()), "x::" + QByteArray::number(i + 1) + '\n');
    QCoreApplication::processEvents();
    QCOMPARE(bReady.size(), expected);
}

void tst_PpsMultiplex::threadsDoNotBlockEachOther_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("setBlocking");
    QTest::newRow("?wait") << QStringLiteral("?wait,delta") << false;
    QTest::newRow("setBlocking") << QStringLiteral("?delta") << true;
}

void tst_PpsMultiplex::threadsDoNotBlockEachOther()
{
    QFETCH(QString, suffix);
    QFETCH(bool, setBlocking);
    PpsTestServer server;
    const QString gate = QStringLiteral("/pps/test/gate");
    PpsObject opener(gate);
    QVERIFY(opener.open(PpsOpenMode::Publish | PpsOpenMode::Create));

    std::atomic<bool> waiting = false, returned = false;
    QByteArray got;
    std::unique_ptr<QThread> blocked(QThread::create([&] {
        PpsObject object(gate + suffix);
        object.setBlocking(setBlocking);
        if (!object.open(PpsOpenMode::Subscribe))
            return;
        object.read(); // the content
        waiting = true;
        got = object.read();
        returned = true;
    }));
    blocked->start();
    // Releases the thread even when a check below fails.
    auto release = qScopeGuard([&] {
        opener.write("open::yes\n");
        QVERIFY(blocked->wait(30000));
    });
    QTRY_VERIFY(waiting);

    QElapsedTimer timer;
    timer.start();
    PpsObject writer(Obj), reader(Delta);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QSignalSpy ready(&reader, &PpsObject::readyRead);
    QTRY_COMPARE(ready.size(), 1);
    reader.read();
    QVERIFY(writer.write("a::1\n"));
    QTRY_COMPARE(ready.size(), 2);
    QCOMPARE(changeOf(reader.read()), "a::1\n");
    QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(!returned); // all of that happened while the other thread was blocked

    release.dismiss();
    QVERIFY(opener.write("open::yes\n"));
    QVERIFY(blocked->wait(30000));
    QCOMPARE(changeOf(got), "open::yes\n");
}

void tst_PpsMultiplex::stalledThreadIsCutOffAlone()
{
    PpsTestServer server;
    server.server().setMaxQueuedBytes(64 * 1024);
    RawPpsClient writer(server.socketPath());
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj.toUtf8()), 0);
    QSemaphore opened, resume;
    int stalledError = -1;
    std::unique_ptr<QThread> stalled(QThread::create([&] {
        PpsObject object(Delta);
        const bool open = object.open(PpsOpenMode::Subscribe);
        opened.release();
        resume.acquire(); // a thread busy elsewhere, reading nothing
        // Then it reads all that came: up to the end of its connection, if it was cut off.
        const QDeadlineTimer deadline(10000);
        bool ok = open;
        while ((ok || object.error() == EAGAIN) && !deadline.hasExpired())
            object.read(&ok);
        stalledError = object.error();
    }));
    stalled->start();
    auto release = qScopeGuard([&] {
        resume.release();
        QVERIFY(stalled->wait(30000));
    });
    QVERIFY(opened.tryAcquire(1, 30000));

    PpsObject reader(Delta);
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    int seen = 0;
    connect(&reader, &PpsObject::readyRead, this, [&] {
        if (reader.read().contains(QByteArray("\nn::" + QByteArray::number(seen) + '\n')))
            ++seen;
    });
    // Far more than the server queues for a connection, far less than a handle may leave unread:
    // only a connection of the stalled thread's own is cut off for it.
    const QByteArray pad(64 * 1024, 'p');
    for (int i = 0; i < 32; ++i) {
        writer.send(qz::pps::FrameWrite, "n::" + QByteArray::number(i) + "\nv::" + pad + '\n');
        QVERIFY(QTest::qWaitFor([&] { return seen == i + 1; }, 10000));
    }
    release.dismiss();
    resume.release();
    QVERIFY(stalled->wait(30000));
    // Its error frame, or the end of the stream when no room was left for the frame.
    QVERIFY2(stalledError == ENOBUFS || stalledError == ECONNRESET,
             qPrintable(QString::number(stalledError)));
    QCOMPARE(reader.error(), 0);
}

void tst_PpsMultiplex::serverRestart_data()
{
    QTest::addColumn<bool>("lossSeenFirst");
    QTest::newRow("loss seen first") << true;
    QTest::newRow("open right away") << false;
}

void tst_PpsMultiplex::serverRestart()
{
    QFETCH(bool, lossSeenFirst);
    QTemporaryDir dir;
    const QString socket = dir.filePath(QStringLiteral("pps.sock"));
    const QByteArray previous = qgetenv("QZ_PPS_SOCKET");
    qputenv("QZ_PPS_SOCKET", socket.toLocal8Bit());
    auto restore = qScopeGuard([&] {
        if (previous.isEmpty())
            qunsetenv("QZ_PPS_SOCKET");
        else
            qputenv("QZ_PPS_SOCKET", previous);
    });
    auto first = std::make_unique<qz::pps::Server>();
    QVERIFY(first->listen(socket) && first->start());
    PpsObject old(Obj);
    QVERIFY(old.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QSignalSpy oldReady(&old, &PpsObject::readyRead);

    first.reset();
    if (lossSeenFirst)
        QTRY_COMPARE(oldReady.size(), 1);
    qz::pps::Server second;
    QVERIFY(second.listen(socket) && second.start());
    PpsObject writer(Obj), reader(Delta);
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(reader.open(PpsOpenMode::Subscribe));
    QSignalSpy ready(&reader, &PpsObject::readyRead);
    QTRY_COMPARE(ready.size(), 1);
    reader.read();
    QVERIFY(writer.write("b::2\n"));
    QTRY_COMPARE(ready.size(), 2);
    QCOMPARE(changeOf(reader.read()), "b::2\n");

    QTRY_COMPARE(oldReady.size(), 1);
    QCOMPARE(old.error(), ECONNRESET);
    QVERIFY(!old.write("c::3\n"));
}

void tst_PpsMultiplex::addressedFrames_data()
{
    const int create = PpsOpenMode::Publish | PpsOpenMode::Create;
    const QByteArray obj = Obj.toUtf8(), missing = "/pps/test/missing";
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<int>("error"); // of the last error frame
    // The connection dies with an 'E'.
    QTest::newRow("id reused") << openFrame(1, create, obj) + openFrame(1, create, obj)
                               << QByteArray("a1 E") << EPROTO;
    QTest::newRow("id smaller") << openFrame(2, create, obj) + openFrame(1, create, obj)
                                << QByteArray("a2 E") << EPROTO;
    QTest::newRow("id zero") << openFrame(0, create, obj) << QByteArray("E") << EPROTO;
    QTest::newRow("open without its word")
        << addressed(qz::pps::HandleOpen, 1, "\1\0") << QByteArray("E") << EPROTO;
    for (const char type : {'o', 'w', 'x', 'c'}) {
        QByteArray frames = openFrame(1, create, obj);
        qz::pps::appendFrame(frames, type, QByteArray("\1\0\0", 3));
        QTest::addRow("%c of 3 bytes", type) << frames << QByteArray("a1 E") << EPROTO;
    }
    // Only one handle, or none, is affected; the connection serves on ("a99" is a later open).
    QTest::newRow("write to an unknown handle")
        << addressed('w', 7, "a::1\n") << QByteArray("a99") << 0;
    QTest::newRow("close and remove of an unknown handle")
        << addressed('c', 7) + addressed('x', 8) << QByteArray("a99") << 0;
    QTest::newRow("frames after close")
        << openFrame(1, create, obj) + openFrame(2, PpsOpenMode::Subscribe, obj) +
               addressed('c', 2) + addressed('w', 2, "a::1\n") + addressed('w', 1, "b::2\n")
        << QByteArray("a1 d2 a2 a99") << 0;
    QTest::newRow("write after a failed open")
        << openFrame(1, PpsOpenMode::Publish, missing) + addressed('w', 1, "a::1\n")
        << QByteArray("a1 a99") << ENOENT;
    QTest::newRow("write to a handle not open for publishing")
        << openFrame(1, create, obj) + openFrame(2, PpsOpenMode::Subscribe, obj) +
               openFrame(3, PpsOpenMode::Subscribe, obj) + addressed('w', 2, "a::1\n") +
               addressed('w', 1, "b::2\n")
        << QByteArray("a1 d2 a2 d3 a3 e2 d3 a99") << EBADF;
}

void tst_PpsMultiplex::addressedFrames()
{
    QFETCH(QByteArray, frames);
    QFETCH(QByteArray, replies);
    QFETCH(int, error);
    PpsTestServer server;
    RawPpsClient client(server.server(), ::getuid(), ::getgid());
    const bool fatal = replies.endsWith('E');
    const int create = PpsOpenMode::Publish | PpsOpenMode::Create;
    sendRaw(client, fatal ? frames : frames + openFrame(99, create, "/pps/test/probe"));
    QByteArrayList got;
    int code = 0, lastError = 0;
    for (Frame frame = client.next(); frame.type != 0; frame = client.next()) {
        got.append(describe(frame, &code));
        if (frame.type == 'e' || frame.type == 'E' || (frame.type == 'a' && code != 0))
            lastError = code;
        if (got.last() == "a99")
            break;
    }
    QCOMPARE(got.join(' '), replies);
    QCOMPARE(lastError, error);
    QCOMPARE(client.isHungUp(fatal ? 3000 : 0), fatal);
}

void tst_PpsMultiplex::handleLimitPerConnection()
{
    PpsTestServer server;
    RawPpsClient client(server.server(), ::getuid(), ::getgid());
    const int create = PpsOpenMode::Publish | PpsOpenMode::Create;
    // Objects of their own: thousands of handles on one would cost their object's audience.
    auto path = [](uint32_t id) -> QByteArray { return "/pps/many/" + QByteArray::number(id); };
    uint32_t id = 0;
    auto open = [&] {
        ++id;
        sendRaw(client, openFrame(id, create, path(id)));
        int code = -1;
        const Frame frame = client.next(10000);
        return describe(frame, &code) == "a" + QByteArray::number(id) ? code : -1;
    };
    // In batches, so that neither side's socket fills up while the other writes.
    constexpr int Batch = 256;
    while (id < uint32_t(qz::pps::MaxHandlesPerConnection)) {
        QByteArray frames;
        const uint32_t first = id + 1;
        for (int i = 0; i < Batch && id < uint32_t(qz::pps::MaxHandlesPerConnection); ++i) {
            ++id;
            frames += openFrame(id, create, path(id));
        }
        sendRaw(client, frames);
        for (uint32_t expected = first; expected <= id; ++expected) {
            int code = -1;
            QCOMPARE(describe(client.next(10000), &code), "a" + QByteArray::number(expected));
            QCOMPARE(code, 0);
        }
    }
    QCOMPARE(open(), EMFILE);
    QCOMPARE(open(), EMFILE); // the refused ones take no room
    // The answer to a remove sent after the close means the close is done with.
    sendRaw(client, addressed(qz::pps::HandleClose, 1) + addressed(qz::pps::HandleRemove, 2));
    int code = -1;
    QCOMPARE(describe(client.next(10000), &code), "a2");
    QCOMPARE(code, 0);
    QCOMPARE(open(), 0);
    QCOMPARE(open(), EMFILE);

    // A close and the next open in one write, as a client that replaces a handle sends them.
    ++id;
    sendRaw(client, addressed(qz::pps::HandleClose, 3) + openFrame(id, create, path(id)));
    QCOMPARE(describe(client.next(10000), &code), "a" + QByteArray::number(id));
    QCOMPARE(code, 0);
}

QTEST_MAIN(tst_PpsMultiplex)
#include "tst_ppsmultiplex.moc"
