// pps_open(): a PPS object as a plain descriptor, read and written with read(2) and write(2),
// against a real server and a scripted service.
#include "ppstestserver.h"
#include "rawppsclient.h"
#include "scriptedpeer.h"

#include <pps/ppsfile.h>
#include <qz/PpsObject>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <future>
#include <memory>
#include <unistd.h>

using qz::PpsObject;
using qz::PpsOpenMode;

namespace {

const QString Control = QStringLiteral("/pps/services/bluetooth/public/control");
constexpr uid_t Alice = 4242;

QVariantMap command(const QString &msg, const QString &id)
{
    return {{QStringLiteral("msg"), msg}, {QStringLiteral("id"), id}};
}

// What one read(2) of \a size bytes returns, or its errno as "errno <n>".
QByteArray readOnce(int fd, size_t size = 4096)
{
    QByteArray buffer(qsizetype(size), '\0');
    const ssize_t n = ::read(fd, buffer.data(), size);
    return n < 0 ? "errno " + QByteArray::number(errno) : buffer.left(n);
}

bool writeOnce(int fd, const QByteArray &message)
{
    return ::write(fd, message.constData(), size_t(message.size())) == message.size();
}

// The first message the non-blocking \a fd receives within the time-out.
QByteArray nextMessage(int fd)
{
    QByteArray message;
    [[maybe_unused]] const bool arrived = QTest::qWaitFor(
        [&] {
            message = readOnce(fd);
            return message != "errno " + QByteArray::number(EAGAIN);
        },
        5000);
    return message;
}

QVariantMap decoded(const QByteArray &message)
{
    return PpsObject::decode(message).value(QStringLiteral("@control")).toMap();
}

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot).size());
}

class Descriptor
{
public:
    explicit Descriptor(int fd)
        : m_fd(fd)
    {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int fd() const { return m_fd; }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

private:
    int m_fd;
};

} // namespace

class tst_PpsFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void commandAndAnswer();
    void noticesAndForgedHeaders();
    void shortReadDropsTheRest();
    void answersToOthersNeverArrive();
    void ordinaryObject();
    void endOfFileWhenTheServerGoes();
    void refused_data();
    void refused();
    void oversizedWriteClosesTheDescriptor_data();
    void oversizedWriteClosesTheDescriptor();
    void readerThatNeverReadsIsDisconnected();
    void descriptorsAreNotLeaked();
};

void tst_PpsFile::commandAndAnswer()
{
    PpsTestServer server;
    ScriptedPeer peer(Control);
    QVERIFY(peer.open());
    peer.setResponder([](const ScriptedPeer::Request &request) -> std::optional<QVariantMap> {
        QVariantMap answer = request.message;
        answer.insert(QStringLiteral("res"), QStringLiteral("ok"));
        return answer;
    });
    const Descriptor file(pps_open(qPrintable(Control + QStringLiteral("?wait")), O_RDWR, 0660));
    QVERIFY2(file.fd() >= 0, strerror(errno));
    QVERIFY(::fcntl(file.fd(), F_GETFD) & FD_CLOEXEC);
    QVERIFY(!(::fcntl(file.fd(), F_GETFL) & O_NONBLOCK));

    // "?wait": the read blocks until the service answers, on a thread of its own so that the
    // scripted service can run here meanwhile.
    auto answer = std::async(std::launch::async, [&] { return readOnce(file.fd(), 127); });
    QVERIFY(writeOnce(file.fd(), "msg::connect\nid::7\n"));
    QVERIFY(peer.waitForRequests(1));
    QCOMPARE(peer.requests().first().message,
             command(QStringLiteral("connect"), QStringLiteral("7")));
    QVERIFY(peer.requests().first().clientId > 0);
    QTRY_VERIFY(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    const QByteArray text = answer.get();
    QVERIFY2(text.startsWith("@control\n"), text.constData());
    QVariantMap expected = command(QStringLiteral("connect"), QStringLiteral("7"));
    expected.insert(QStringLiteral("res"), QStringLiteral("ok"));
    QCOMPARE(decoded(text), expected);
}

void tst_PpsFile::noticesAndForgedHeaders()
{
    PpsTestServer server;
    RawPpsClient service(server.server(), Alice, Alice);
    QCOMPARE(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create,
                          Control.toUtf8() + "?server"),
             0);
    auto file = std::make_unique<Descriptor>(pps_open(qPrintable(Control), O_RDWR, 0));
    QVERIFY(file->fd() >= 0);
    const qz::pps::Frame arrived = service.next();
    QVERIFY2(arrived.payload.startsWith("+@control."), arrived.payload.constData());
    const QByteArray id = arrived.payload.mid(10).trimmed();

    // Headers and notices in a write are the service's to make, never the client's.
    QVERIFY(writeOnce(file->fd(), "msg::x\n@other\n+@control.99\n-@control." + id + "\nid::1\n"));
    QCOMPARE(service.next().payload, "@control." + id + "\nmsg::x\nid::1\n");

    file.reset();
    QCOMPARE(service.next().payload, "-@control." + id + '\n');
}

void tst_PpsFile::shortReadDropsTheRest()
{
    PpsTestServer server;
    ScriptedPeer peer(Control);
    QVERIFY(peer.open());
    const Descriptor file(pps_open(qPrintable(Control), O_RDWR, 0));
    QVERIFY(file.fd() >= 0);
    QVERIFY(writeOnce(file.fd(), "msg::hello\n"));
    QVERIFY(peer.waitForRequests(1));
    const int client = peer.requests().first().clientId;
    const QByteArray longAnswer = "data::" + QByteArray(300, 'x') + '\n';
    QVERIFY(peer.replyRaw(client, longAnswer));
    QVERIFY(peer.replyRaw(client, "id::2\n"));

    QByteArray first;
    QVERIFY(QTest::qWaitFor([&] { return (first = readOnce(file.fd(), 127)).size() == 127; }));
    QCOMPARE(first, QByteArray("@control\n" + longAnswer).left(127));
    QCOMPARE(nextMessage(file.fd()), QByteArray("@control\nid::2\n"));
}

void tst_PpsFile::answersToOthersNeverArrive()
{
    PpsTestServer server;
    ScriptedPeer peer(Control);
    QVERIFY(peer.open());
    const Descriptor mine(pps_open(qPrintable(Control), O_RDWR, 0));
    const Descriptor theirs(pps_open(qPrintable(Control), O_RDWR, 0));
    QVERIFY(mine.fd() >= 0 && theirs.fd() >= 0);
    // Without "?wait" a read with nothing pending fails at once.
    QCOMPARE(readOnce(theirs.fd()), "errno " + QByteArray::number(EAGAIN));
    QVERIFY(writeOnce(mine.fd(), "msg::mine\n"));
    QVERIFY(peer.waitForRequests(1));
    QVERIFY(peer.reply(peer.requests().first().clientId,
                       command(QStringLiteral("mine"), QStringLiteral("1"))));
    QVERIFY(peer.reply(0, command(QStringLiteral("all"), QStringLiteral("2"))));

    QCOMPARE(decoded(nextMessage(mine.fd())), command(QStringLiteral("mine"), QStringLiteral("1")));
    QCOMPARE(decoded(nextMessage(mine.fd())), command(QStringLiteral("all"), QStringLiteral("2")));
    // The broadcast came after the answer to the other client: that answer would be first.
    QCOMPARE(decoded(nextMessage(theirs.fd())),
             command(QStringLiteral("all"), QStringLiteral("2")));
    QCOMPARE(readOnce(theirs.fd()), "errno " + QByteArray::number(EAGAIN));
}

void tst_PpsFile::ordinaryObject()
{
    PpsTestServer server;
    const Descriptor file(pps_open("/pps/test/obj", O_RDWR | O_CREAT, 0644));
    QVERIFY(file.fd() >= 0);
    QCOMPARE(readOnce(file.fd()), QByteArray("@obj\n")); // the content it was created with
    QVERIFY(writeOnce(file.fd(), "a::1\n"));

    PpsObject reader(QStringLiteral("/pps/test/obj"));
    QVERIFY(reader.open(PpsOpenMode::PublishSubscribe));
    // Its content, then (when the write came after the open) the write.
    QVariantMap content;
    QVERIFY(QTest::qWaitFor([&] {
        content = PpsObject::decode(reader.read()).value(QStringLiteral("@obj")).toMap();
        return !content.isEmpty();
    }));
    QCOMPARE(content, (QVariantMap{{QStringLiteral("a"), QStringLiteral("1")}}));
    QVERIFY(reader.write("b::2\n"));
    QCOMPARE(nextMessage(file.fd()), QByteArray("@obj\na::1\nb::2\n"));
}

void tst_PpsFile::endOfFileWhenTheServerGoes()
{
    PpsTestServer server;
    ScriptedPeer peer(Control);
    QVERIFY(peer.open());
    const Descriptor file(pps_open(qPrintable(Control + QStringLiteral("?wait")), O_RDWR, 0));
    QVERIFY(file.fd() >= 0);
    auto end = std::async(std::launch::async, [&] { return readOnce(file.fd()); });
    peer.close();
    QTRY_VERIFY(end.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QCOMPARE(end.get(), QByteArray());
}

void tst_PpsFile::refused_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("serverRuns");
    QTest::addColumn<int>("error");
    QTest::newRow("missing object") << QByteArray("/pps/test/none") << O_RDONLY << true << ENOENT;
    QTest::newRow("control object without its service")
        << Control.toUtf8() << O_RDWR << true << ENOENT;
    QTest::newRow("outside /pps") << QByteArray("/tmp/obj") << O_RDONLY << true << EINVAL;
    QTest::newRow("dot-dot") << QByteArray("/pps/test/../obj") << O_RDONLY << true << EINVAL;
    QTest::newRow("unknown suffix")
        << QByteArray("/pps/test/obj?fast") << O_RDONLY << true << EINVAL;
    QTest::newRow("no access mode") << QByteArray("/pps/test/obj") << O_ACCMODE << true << EINVAL;
    QTest::newRow("another user's object, reading")
        << QByteArray("/pps/test/private") << O_RDONLY << true << EACCES;
    QTest::newRow("another user's object, writing")
        << QByteArray("/pps/test/readable") << O_WRONLY << true << EACCES;
    QTest::newRow("another user's control object")
        << QByteArray("/pps/test/locked") << O_RDWR << true << EACCES;
    QTest::newRow("no server") << QByteArray("/pps/test/obj") << O_RDONLY << false << ECONNREFUSED;
}

void tst_PpsFile::refused()
{
    QFETCH(QByteArray, path);
    QFETCH(int, flags);
    QFETCH(bool, serverRuns);
    QFETCH(int, error);
    PpsTestServer server;
    server.server().setAccess("/pps/test/obj", Alice, Alice, 0666);
    server.server().setAccess("/pps/test/private", Alice, Alice, 0600);
    server.server().setAccess("/pps/test/readable", Alice, Alice, 0644);
    RawPpsClient service(server.server(), Alice, Alice);
    QCOMPARE(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create,
                          "/pps/test/locked?server", 0660),
             0);
    if (!serverRuns)
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(server.socketPath() + QStringLiteral(".gone")));

    errno = 0;
    QCOMPARE(pps_open(path.constData(), flags, 0), -1);
    QCOMPARE(errno, error);
}

void tst_PpsFile::oversizedWriteClosesTheDescriptor_data()
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<bool>("taken");
    QTest::newRow("N") << PpsObject::MaxMessageSize << true;
    QTest::newRow("N+1") << PpsObject::MaxMessageSize + 1 << false;
}

void tst_PpsFile::oversizedWriteClosesTheDescriptor()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, taken);
    PpsTestServer server;
    PpsObject reader(QStringLiteral("/pps/test/obj"));
    QVERIFY(reader.open(PpsOpenMode::Subscribe | PpsOpenMode::Create));
    reader.read();
    const Descriptor file(pps_open("/pps/test/obj", O_WRONLY, 0));
    QVERIFY(file.fd() >= 0);
    const QByteArray message = "big::" + QByteArray(size - 6, 'x') + '\n';
    if (!writeOnce(file.fd(), message)) {
        // Where the system caps socket buffers below one message, the kernel refuses it itself.
        QCOMPARE(errno, EMSGSIZE);
        if (taken)
            QSKIP("The system's socket buffers cannot hold a message of the PPS limit");
        return;
    }
    if (taken) {
        reader.setBlocking(true);
        QCOMPARE(reader.read(), "@obj\n" + message);
    } else {
        // A write-only descriptor is sent nothing: what it reads is the end of the stream.
        QTRY_COMPARE(readOnce(file.fd()), QByteArray());
    }
}

void tst_PpsFile::readerThatNeverReadsIsDisconnected()
{
    PpsTestServer server;
    server.server().setMaxQueuedBytes(64 * 1024);
    PpsObject writer(QStringLiteral("/pps/test/obj"));
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    const Descriptor file(pps_open("/pps/test/obj", O_RDONLY, 0));
    QVERIFY(file.fd() >= 0);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^Disconnecting a client that stopped "
                                                           "reading")));
    // More than the socket's own buffer (a few MiB) and the server's queue together.
    constexpr int Writes = 200;
    for (int i = 0; i < Writes; ++i)
        QVERIFY(writer.write("a::" + QByteArray(64 * 1024, char('a' + i % 26)) + '\n'));

    // What was queued before the cut can still be read; then the stream ends.
    int messages = 0;
    QByteArray last;
    QVERIFY(QTest::qWaitFor(
        [&] {
            while ((last = readOnce(file.fd())).startsWith("@obj"))
                ++messages;
            return last.isEmpty();
        },
        10000));
    QVERIFY2(messages < Writes, QByteArray::number(messages).constData());
    QVERIFY(writer.write("a::still\n"));
}

void tst_PpsFile::descriptorsAreNotLeaked()
{
    PpsTestServer server;
    ScriptedPeer peer(Control);
    QVERIFY(peer.open());
    const int before = openDescriptors();
    for (int i = 0; i < 20; ++i) {
        const Descriptor file(pps_open(qPrintable(Control), O_RDWR, 0));
        QVERIFY(file.fd() >= 0);
        QVERIFY(writeOnce(file.fd(), "msg::x\n"));
        QCOMPARE(pps_open("/pps/test/none", O_RDONLY, 0), -1);
    }
    QVERIFY(peer.waitForRequests(20));
    QTRY_COMPARE(openDescriptors(), before);
}

QTEST_GUILESS_MAIN(tst_PpsFile)
#include "tst_ppsfile.moc"
