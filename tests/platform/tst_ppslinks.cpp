// A control object's client and its server talking over a direct link see exactly what they see
// through the PPS server, and a link's end survives a peer that stops reading or lies.
#include "ppstestserver.h"
#include "rawppsclient.h"

#include <pps/ppsrecording.h>
#include <qz/PpsObject>

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using qz::PpsObject;
using qz::PpsOpenMode;
using qz::pps::Frame;

namespace {

const QString Ctl = QStringLiteral("/pps/test/ctl");
const QString Service = Ctl + QStringLiteral("?server");
constexpr int Wait = 20000;

// In-process, a link is a socket pair with both ends here: two more descriptors for each linked
// client, where the relayed path reuses the thread's one connection and adds none. (The PPS
// server closes its copies just after sending them, hence waits on the count.)
int descriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System).size());
}

// Everything a handle reads, one entry per change.
struct Inbox
{
    explicit Inbox(PpsObject &object)
    {
        QObject::connect(&object, &PpsObject::readyRead, &object, [this, &object] {
            bool ok = false;
            const QByteArray text = object.read(&ok);
            if (ok)
                got.append(text);
        });
    }
    qsizetype count(const QByteArray &part) const
    {
        return std::count_if(got.cbegin(), got.cend(),
                             [&](const QByteArray &m) { return m.contains(part); });
    }
    QByteArrayList got;
};

// The service's id for a client, from its arrival notice "+@ctl.<id>".
QByteArray idOf(const QByteArray &arrival)
{
    return arrival.trimmed().mid(int(sizeof "+@ctl.") - 1);
}

// A link's end as an attacker gets it: a raw connection opening the object with an addressed
// frame; the answer carries the descriptor.
int stealLink(RawPpsClient &raw)
{
    QByteArray open;
    const uint32_t word = PpsOpenMode::PublishSubscribe;
    const QByteArray body = QByteArray(reinterpret_cast<const char *>(&word), 4) + Ctl.toUtf8();
    qz::pps::appendHandleFrame(open, qz::pps::HandleOpen, 1, body.constData(), body.size());
    if (::write(raw.fd(), open.constData(), size_t(open.size())) != open.size())
        return -1;
    char buffer[256];
    iovec data{buffer, sizeof buffer};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(raw.fd(), &message, MSG_CMSG_CLOEXEC);
    cmsghdr *rights = CMSG_FIRSTHDR(&message);
    if (n < qz::pps::FrameHeaderSize || buffer[4] != qz::pps::HandleLink || !rights ||
        rights->cmsg_type != SCM_RIGHTS)
        return -1;
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(rights), sizeof fd);
    return fd;
}

QByteArray fill(QByteArray text, const QHash<QByteArray, QByteArray> &ids)
{
    for (auto it = ids.cbegin(); it != ids.cend(); ++it)
        text.replace(QByteArray("{" + it.key() + "}"), it.value());
    return text;
}

} // namespace

class tst_PpsLinks : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void routingMatchesRelay_data();
    void routingMatchesRelay();
    void serverGoingAway_data();
    void serverGoingAway();
    void silentClientIsDropped_data();
    void silentClientIsDropped();
    void garbageOnLink_data();
    void garbageOnLink();
    void recorderTurnsLinksOff();
    void floodingClientLosesOnlyItsLink();
    void linksPerServerAreBounded();
};

void tst_PpsLinks::routingMatchesRelay_data()
{
    QTest::addColumn<QByteArray>("clientWrite"); // by A
    QTest::addColumn<QByteArray>("serviceWrite");
    QTest::addColumn<bool>("closeA");
    // What each reads, '|' between messages: the service beyond arrivals and "end" messages,
    // the clients beyond the closing broadcast. C opened without Subscribe; R is a raw client,
    // never linked.
    QTest::addColumn<QByteArray>("service");
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<QByteArray>("r");

    QTest::newRow("client message headed")
        << QByteArray("req::1\n") << QByteArray() << false << QByteArray("@ctl.{A}\nreq::1\n")
        << QByteArray() << QByteArray() << QByteArray();
    QTest::newRow("client's header and notice lines dropped")
        << QByteArray("@other\n+@ctl.9\n-@ctl.9\n#@ctl\n*@ctl\n@ctl.{B}\nreq::2\n") << QByteArray()
        << false << QByteArray("@ctl.{A}\nreq::2\n") << QByteArray() << QByteArray()
        << QByteArray();
    QTest::newRow("answer to a linked client only")
        << QByteArray() << QByteArray("@ctl.{A}\nres::1\n") << false << QByteArray()
        << QByteArray("@ctl\nres::1\n") << QByteArray() << QByteArray();
    QTest::newRow("answer to a relayed client only")
        << QByteArray() << QByteArray("@ctl.{R}\nres::2\n") << false << QByteArray() << QByteArray()
        << QByteArray() << QByteArray("@ctl\nres::2\n");
    QTest::newRow("broadcast to every subscriber")
        << QByteArray() << QByteArray("@ctl\nnews::1\n") << false << QByteArray()
        << QByteArray("@ctl\nnews::1\n") << QByteArray("@ctl\nnews::1\n")
        << QByteArray("@ctl\nnews::1\n");
    QTest::newRow("unheaded write is a broadcast")
        << QByteArray() << QByteArray("news::2\n") << false << QByteArray()
        << QByteArray("@ctl\nnews::2\n") << QByteArray("@ctl\nnews::2\n")
        << QByteArray("@ctl\nnews::2\n");
    QTest::newRow("blocks split by header; others' and notices dropped")
        << QByteArray()
        << QByteArray("@ctl.{A}\nx::1\n@ctl\ny::2\n@ctl.{B}\nz::3\n@other\nq::4\n+@ctl.{A}\n"
                      "@ctl.999\nw::5\n@ctl.{R}\n-@ctl.{R}\nv::6\n")
        << false << QByteArray() << QByteArray("@ctl\nx::1\n|@ctl\ny::2\n")
        << QByteArray("@ctl\ny::2\n|@ctl\nz::3\n") << QByteArray("@ctl\ny::2\n|@ctl\nv::6\n");
    QTest::newRow("departure after the last message")
        << QByteArray("bye::1\n") << QByteArray() << true
        << QByteArray("@ctl.{A}\nbye::1\n|-@ctl.{A}\n") << QByteArray() << QByteArray()
        << QByteArray();
}

void tst_PpsLinks::routingMatchesRelay()
{
    QFETCH(QByteArray, clientWrite);
    QFETCH(QByteArray, serviceWrite);
    QFETCH(bool, closeA);
    QFETCH(QByteArray, service);
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QByteArray, r);
    const QByteArray expectedService = service, expectedA = a, expectedB = b, expectedR = r;
    for (const bool links : {true, false}) {
        const QByteArray mode = links ? "links: " : "relayed: ";
        PpsTestServer server;
        server.server().setDirectLinks(links);
        PpsObject svc(Service);
        QVERIFY(svc.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
        Inbox serviceIn(svc);
        const int before = descriptors();
        PpsObject ca(Ctl), cb(Ctl), c(Ctl);
        QVERIFY(ca.open(PpsOpenMode::PublishSubscribe));
        QVERIFY(cb.open(PpsOpenMode::PublishSubscribe));
        QVERIFY(c.open(PpsOpenMode::Publish));
        QTRY_COMPARE_WITH_TIMEOUT(descriptors() - before, links ? 6 : 0, Wait);
        RawPpsClient raw(server.socketPath());
        QCOMPARE(raw.open(PpsOpenMode::PublishSubscribe, Ctl.toUtf8()), 0);
        Inbox aIn(ca), bIn(cb), cIn(c);
        QTRY_COMPARE_WITH_TIMEOUT(serviceIn.got.size(), 4, Wait);
        QHash<QByteArray, QByteArray> ids;
        for (int i = 0; i < 4; ++i) {
            QVERIFY(serviceIn.got.at(i).startsWith("+@ctl."));
            ids.insert(QByteArray(1, "ABCR"[i]), idOf(serviceIn.got.at(i)));
        }
        serviceIn.got.clear();

        if (!clientWrite.isEmpty())
            QVERIFY(ca.write(fill(clientWrite, ids)));
        if (!serviceWrite.isEmpty())
            QVERIFY(svc.write(fill(serviceWrite, ids)));
        if (closeA)
            ca.close();
        // Everyone marks its end; each path keeps its own order, so what came before is all in.
        QVERIFY(svc.write("@ctl\nend::1\n"));
        for (PpsObject *o : {&ca, &cb, &c}) {
            if (o->isOpen())
                QVERIFY(o->write("end::1\n"));
        }
        raw.send(qz::pps::FrameWrite, "end::1\n");
        const int ends = closeA ? 3 : 4;
        QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("\nend::1\n"), ends, Wait);
        if (closeA)
            QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("-@ctl."), 1, Wait);
        QTRY_COMPARE_WITH_TIMEOUT(bIn.count("end::1"), 1, Wait);
        if (!closeA)
            QTRY_COMPARE_WITH_TIMEOUT(aIn.count("end::1"), 1, Wait);
        QByteArrayList rIn;
        for (Frame f = raw.next(Wait); f.type != 0 && !f.payload.contains("end::1");
             f = raw.next(Wait))
            rIn.append(f.payload);
        QTest::qWait(100); // room for anything that should not come
        QCOMPARE(serviceIn.count("-@ctl."), closeA ? 1 : 0); // told once, by one side

        auto without = [](QByteArrayList list, const QByteArray &part) {
            list.removeIf([&](const QByteArray &m) { return m.contains(part); });
            return list.join('|');
        };
        const auto expected = [&](const QByteArray &column) -> QByteArray {
            return mode + fill(column, ids);
        };
        QCOMPARE(mode + without(serviceIn.got, "\nend::1\n"), expected(expectedService));
        QCOMPARE(mode + without(aIn.got, "end::1"), expected(expectedA));
        QCOMPARE(mode + without(bIn.got, "end::1"), expected(expectedB));
        QCOMPARE(mode + rIn.join('|'), expected(expectedR));
        QCOMPARE(mode + cIn.got.join('|'), mode);
    }
}

void tst_PpsLinks::serverGoingAway_data()
{
    QTest::addColumn<bool>("links");
    QTest::newRow("linked") << true;
    QTest::newRow("relayed") << false;
}

void tst_PpsLinks::serverGoingAway()
{
    QFETCH(bool, links);
    PpsTestServer server;
    server.server().setDirectLinks(links);
    auto service = std::make_unique<PpsObject>(Service);
    QVERIFY(service->open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    const int before = descriptors();
    PpsObject client(Ctl);
    QVERIFY(client.open(PpsOpenMode::PublishSubscribe));
    QTRY_COMPARE_WITH_TIMEOUT(descriptors() - before, links ? 2 : 0, Wait);
    QSignalSpy ready(&client, &PpsObject::readyRead);
    service.reset();
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, Wait);
    QCOMPARE(client.error(), ENOTCONN);
    QCOMPARE(client.errorString(), QStringLiteral("The server of /pps/test/ctl went away"));
    QVERIFY(!client.write("more::1\n"));
    QTest::qWait(100);
    QCOMPARE(ready.size(), 1); // told once, not once per path
}

void tst_PpsLinks::silentClientIsDropped_data()
{
    QTest::addColumn<bool>("links");
    QTest::newRow("linked") << true;
    QTest::newRow("relayed") << false;
}

void tst_PpsLinks::silentClientIsDropped()
{
    QFETCH(bool, links);
    PpsTestServer server;
    server.server().setDirectLinks(links);
    PpsObject service(Service);
    QVERIFY(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    Inbox serviceIn(service);
    QSemaphore opened, resume;
    std::unique_ptr<QThread> silent(QThread::create([&] {
        PpsObject object(Ctl);
        object.open(PpsOpenMode::PublishSubscribe);
        opened.release();
        resume.acquire(); // busy elsewhere, reading nothing
    }));
    silent->start();
    auto release = qScopeGuard([&] {
        resume.release();
        silent->wait(30000);
    });
    QVERIFY(opened.tryAcquire(1, Wait));
    PpsObject other(Ctl);
    QVERIFY(other.open(PpsOpenMode::PublishSubscribe));
    Inbox otherIn(other);
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.got.size(), 2, Wait);
    const QByteArray silentId = idOf(serviceIn.got.at(0)), otherId = idOf(serviceIn.got.at(1));

    const QByteArray pad(512 * 1024, 'p');
    const int count = int(PpsObject::MaxUnreadSize / pad.size()) * 2;
    for (int i = 0; i < count && !serviceIn.count("-@ctl." + silentId); ++i) {
        QVERIFY(service.write("@ctl." + silentId + "\nv::" + pad + '\n'));
        // Meanwhile the other client is served, request and answer.
        const QByteArray n = QByteArray::number(i);
        QVERIFY(other.write("req::" + n + '\n'));
        QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("\nreq::" + n + '\n'), 1, Wait);
        QVERIFY(service.write("@ctl." + otherId + "\nres::" + n + '\n'));
        QTRY_COMPARE_WITH_TIMEOUT(otherIn.count("\nres::" + n + '\n'), 1, Wait);
    }
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("-@ctl." + silentId + '\n'), 1, Wait);
    QCOMPARE(serviceIn.count("-@ctl." + otherId + '\n'), 0);
    QCOMPARE(other.error(), 0);
    QCOMPARE(service.error(), 0);
}

void tst_PpsLinks::garbageOnLink_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("expected"); // what the service reads of it, '|' between
    auto frame = [](char type, uint32_t handle, const QByteArray &body) {
        QByteArray out;
        qz::pps::appendHandleFrame(out, type, handle, body.constData(), body.size());
        return out;
    };
    const QByteArray ok = frame('w', 1, "ok::1\n");
    const QByteArray okRead = "@ctl.{id}\nok::1\n|";
    QTest::newRow("closed without a word") << QByteArray() << QByteArray();
    QTest::newRow("unknown frame type") << ok + frame('z', 1, "a::1\n") << okRead;
    QTest::newRow("the server's own data frame") << ok + frame('d', 1, "a::1\n") << okRead;
    QTest::newRow("frame for handle 2") << ok + frame('w', 2, "a::1\n") << okRead;
    QTest::newRow("frame too short for a handle") << ok + QByteArray("\2\0\0\0w\1\0", 7) << okRead;
    QTest::newRow("huge length") << ok + QByteArray("\xff\xff\xff\xffw\1\0\0\0", 9) << okRead;
    QTest::newRow("message over the size limit")
        << ok + frame('w', 1, "a::" + QByteArray(PpsObject::MaxMessageSize, 'x') + '\n') << okRead;
}

void tst_PpsLinks::garbageOnLink()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, expected);
    PpsTestServer server;
    server.server().setDirectLinks(true);
    PpsObject service(Service);
    QVERIFY(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    Inbox serviceIn(service);
    PpsObject honest(Ctl);
    QVERIFY(honest.open(PpsOpenMode::PublishSubscribe));
    Inbox honestIn(honest);
    RawPpsClient raw(server.server(), ::getuid(), ::getgid());
    const int link = stealLink(raw);
    QVERIFY(link >= 0);
    auto closeLink = qScopeGuard([&] { ::close(link); });
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.got.size(), 2, Wait);
    const QByteArray honestId = idOf(serviceIn.got.at(0)), id = idOf(serviceIn.got.at(1));
    serviceIn.got.clear();

    // Written from another thread: a link takes no more than its socket holds before it is read.
    std::unique_ptr<QThread> writer(QThread::create([&] {
        for (qsizetype sent = 0; sent < bytes.size();) {
            const ssize_t n =
                ::send(link, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += n;
        }
        if (bytes.isEmpty())
            ::shutdown(link, SHUT_RDWR);
    }));
    writer->start();
    auto join = qScopeGuard([&] { writer->wait(30000); });
    const bool oversize = QByteArray(QTest::currentDataTag()) == "message over the size limit";
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("-@ctl." + id + '\n'), 1, Wait);
    QTest::qWait(100);
    if (!oversize)
        QCOMPARE(serviceIn.got.join('|'), fill(expected, {{"id", id}}) + "-@ctl." + id + '\n');

    // Still serving: the honest client's request and its answer.
    QVERIFY(honest.write("req::1\n"));
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("@ctl." + honestId + "\nreq::1\n"), 1, Wait);
    QVERIFY(service.write("@ctl." + honestId + "\nres::1\n"));
    QTRY_COMPARE_WITH_TIMEOUT(honestIn.got, QByteArrayList{"@ctl\nres::1\n"}, Wait);
    QCOMPARE(service.error(), 0);
}

void tst_PpsLinks::recorderTurnsLinksOff()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("traffic.rec"));
    qz::pps::Recorder recorder; // outlives the server
    QString error;
    QVERIFY2(recorder.open(path, &error), qPrintable(error));
    PpsTestServer server;
    server.server().setDirectLinks(true); // the recorder alone keeps them off
    server.server().setRecorder(&recorder);
    auto detach = qScopeGuard([&] { server.server().setRecorder(nullptr); });
    PpsObject service(Service);
    QVERIFY(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    Inbox serviceIn(service);
    const int before = descriptors();
    PpsObject client(Ctl);
    QVERIFY(client.open(PpsOpenMode::PublishSubscribe));
    Inbox clientIn(client);
    QCOMPARE(descriptors() - before, 0);
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.got.size(), 1, Wait);
    const QByteArray id = idOf(serviceIn.got.at(0));

    QVERIFY(client.write("msg::ask\n"));
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("@ctl." + id + "\nmsg::ask\n"), 1, Wait);
    QVERIFY(service.write("@ctl." + id + "\nres::ask\n"));
    QTRY_COMPARE_WITH_TIMEOUT(clientIn.got, QByteArrayList{"@ctl\nres::ask\n"}, Wait);

    QList<qz::pps::Record> records;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            QFile file(path);
            QString why;
            std::optional<QList<qz::pps::Record>> read;
            if (file.open(QIODevice::ReadOnly))
                read = qz::pps::recording::read(file, &why);
            records = read.value_or(QList<qz::pps::Record>());
            return records.size() == 2;
        }(),
        Wait);
    QCOMPARE(records.at(0).from, qz::pps::Record::From::Client);
    QCOMPARE(records.at(0).connection, id.toInt());
    QCOMPARE(records.at(0).path, Ctl.toUtf8());
    QCOMPARE(records.at(0).bytes, QByteArray("msg::ask\n"));
    QCOMPARE(records.at(1).from, qz::pps::Record::From::Server);
    QCOMPARE(records.at(1).bytes, "@ctl." + id + "\nres::ask\n");
}

QTEST_MAIN(tst_PpsLinks)
void tst_PpsLinks::floodingClientLosesOnlyItsLink()
{
    PpsTestServer server;
    server.server().setDirectLinks(true);
    PpsObject service(Service);
    QVERIFY(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    service.setReadyReadEnabled(false); // a service that does not get round to reading
    PpsObject flooder(Ctl);
    QVERIFY(flooder.open(PpsOpenMode::PublishSubscribe));
    QSignalSpy lost(&flooder, &PpsObject::readyRead);
    const QByteArray big = "x::" + QByteArray(PpsObject::MaxMessageSize - 8, 'x') + '\n';
    for (int i = 0; i < 10 && lost.isEmpty(); ++i) {
        flooder.write(big);
        QTest::qWait(200); // the loop carries it to the service's end
    }
    QTRY_VERIFY_WITH_TIMEOUT(!lost.isEmpty(), Wait);
    bool ok = true;
    flooder.read(&ok);
    QVERIFY(!ok);
    QCOMPARE(flooder.error(), ENOTCONN);

    // The service's handle stands: it reads what came, then the flooder's departure, and serves
    // the next client.
    QCOMPARE(service.error(), 0);
    QByteArrayList got;
    for (QByteArray m = service.read(&ok); ok; m = service.read(&ok))
        got.append(m);
    QVERIFY(got.size() >= 3);
    QVERIFY2(got.last().startsWith("-@ctl."), got.last().left(40).constData());
    PpsObject next(Ctl);
    QVERIFY(next.open(PpsOpenMode::PublishSubscribe));
    QVERIFY(next.write("msg::hello\n"));
    got.clear();
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (QByteArray m = service.read(&ok); ok; m = service.read(&ok))
                got.append(m);
            return got.size() == 2 && got.last().endsWith("\nmsg::hello\n");
        }(),
        Wait);
}

void tst_PpsLinks::linksPerServerAreBounded()
{
    PpsTestServer server;
    server.server().setDirectLinks(true);
    PpsObject service(Service);
    QVERIFY(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create));
    Inbox serviceIn(service);
    const int before = descriptors();
    std::vector<std::unique_ptr<PpsObject>> clients;
    for (int i = 0; i < qz::pps::MaxLinksPerServer; ++i) {
        clients.push_back(std::make_unique<PpsObject>(Ctl));
        QVERIFY(clients.back()->open(PpsOpenMode::PublishSubscribe));
    }
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("+@ctl."), qz::pps::MaxLinksPerServer, Wait);
    QTRY_COMPARE_WITH_TIMEOUT(descriptors() - before, 2 * qz::pps::MaxLinksPerServer, Wait);

    // One more is relayed: no descriptor, and it is served all the same.
    PpsObject relayed(Ctl);
    QVERIFY(relayed.open(PpsOpenMode::PublishSubscribe));
    Inbox relayedIn(relayed);
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.got.size(), qz::pps::MaxLinksPerServer + 1, Wait);
    QCOMPARE(descriptors() - before, 2 * qz::pps::MaxLinksPerServer);
    const QByteArray id = idOf(serviceIn.got.last());
    QVERIFY(relayed.write("msg::ask\n"));
    QTRY_COMPARE_WITH_TIMEOUT(serviceIn.count("@ctl." + id + "\nmsg::ask\n"), 1, Wait);
    QVERIFY(service.write("@ctl." + id + "\nres::ask\n"));
    QTRY_COMPARE_WITH_TIMEOUT(relayedIn.got, QByteArrayList{"@ctl\nres::ask\n"}, Wait);
}

#include "tst_ppslinks.moc"
