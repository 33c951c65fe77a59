// The PPS server and client tried as an attacker and as a careless client would: access, server
// mode, forged notices, lost writes, queue bounds, limits and the socket's directory.
#include "ppstestserver.h"
#include "rawppsclient.h"

#include <qz/PpsObject>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using qz::PpsObject;
using qz::PpsOpenMode;
using qz::pps::Frame;
using qz::pps::FrameAnswer;
using qz::pps::FrameData;
using qz::pps::FrameError;
using qz::pps::FrameWrite;

namespace {

const QByteArray Obj = QByteArrayLiteral("/pps/test/obj");
constexpr uid_t Alice = 4242;
constexpr uid_t Mallory = 5151;

int errorOf(const Frame &frame)
{
    int code = -1;
    QString text;
    return frame.type == FrameError && qz::pps::parseStatus(frame.payload, &code, &text) ? code
                                                                                         : -1;
}

// The content of \a path as one reader of \a uid sees it on opening.
QVariantMap contentOf(qz::pps::Server &server, const QByteArray &path, uid_t uid = Alice)
{
    RawPpsClient reader(server, uid, uid);
    reader.sendOpen(PpsOpenMode::Subscribe, path);
    const Frame frame = reader.next();
    return frame.type == FrameData
               ? PpsObject::decode(frame.payload)
                     .value(QStringLiteral("@") +
                            QString::fromUtf8(path.mid(path.lastIndexOf('/') + 1)))
                     .toMap()
               : QVariantMap();
}

// Rows "N" (stored) and "N+1" (refused) of a write limit of \a limit bytes.
void addLimitRows(qsizetype limit)
{
    QTest::addColumn<qsizetype>("size");
    QTest::addColumn<bool>("stored");
    QTest::newRow("N") << limit << true;
    QTest::newRow("N+1") << limit + 1 << false;
}

// A path of exactly \a size bytes, in components of at most 200.
QByteArray pathOfSize(qsizetype size)
{
    QByteArray path("/pps/");
    while (size - path.size() > 201)
        path += QByteArray(200, 'p') + '/';
    return path + QByteArray(size - path.size(), 'q');
}

} // namespace

class tst_PpsHardening : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void openReturnsWithCurrentContent_data();
    void openReturnsWithCurrentContent();
    void serverModeCannotTakeOver_data();
    void serverModeCannotTakeOver();
    void controlObjectGoesWithItsServer();
    void clientCannotForgeNotices();
    void framesBeforeHangUpAreServed();
    void largeAnswersReachReaders_data();
    void largeAnswersReachReaders();
    void queueBoundCountsWhatWaitsBehind_data();
    void queueBoundCountsWhatWaitsBehind();
    void pathLimits_data();
    void pathLimits();
    void attributeNameLimit_data();
    void attributeNameLimit();
    void undecodableNamesAreNotStored();
    void objectSizeLimit_data();
    void objectSizeLimit();
    void creatorsSetTheMode_data();
    void creatorsSetTheMode();
    void reservedDirectories_data();
    void reservedDirectories();
    void socketDirectoryMustBeOwnAndClosed_data();
    void socketDirectoryMustBeOwnAndClosed();
    void socketModeIgnoresUmask();
};

void tst_PpsHardening::openReturnsWithCurrentContent_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("object") << QString::fromUtf8(Obj);
    QTest::newRow("delta") << QString::fromUtf8(Obj + "?delta");
    QTest::newRow("directory") << QStringLiteral("/pps/test/.all");
}

void tst_PpsHardening::openReturnsWithCurrentContent()
{
    QFETCH(QString, path);
    PpsTestServer server;
    PpsObject writer(QString::fromUtf8(Obj));
    QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    QVERIFY(writer.write("a::1\n"));
    // Callers drain an object once, right after opening it, without waiting for an event.
    for (int i = 0; i < 200; ++i) {
        PpsObject reader(path);
        QVERIFY(reader.open(PpsOpenMode::Subscribe));
        bool ok = false;
        const QByteArray text = reader.read(&ok);
        QVERIFY2(ok, qPrintable(QStringLiteral("open %1 came back without content").arg(i)));
        QCOMPARE(PpsObject::decode(text).value(QStringLiteral("@obj")).toMap(),
                 (QVariantMap{{QStringLiteral("a"), QStringLiteral("1")}}));
    }
}

void tst_PpsHardening::serverModeCannotTakeOver_data()
{
    QTest::addColumn<uid_t>("taker");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("error");
    const int serve = PpsOpenMode::PublishSubscribe | PpsOpenMode::Create;
    QTest::newRow("another user, open mode 0") << Mallory << 0 << EINVAL;
    QTest::newRow("another user, subscribe only")
        << Mallory << int(PpsOpenMode::Subscribe) << EINVAL;
    QTest::newRow("another user, as a service") << Mallory << serve << EEXIST;
    QTest::newRow("the owner, as a service") << Alice << serve << EEXIST;
}

void tst_PpsHardening::serverModeCannotTakeOver()
{
    QFETCH(uid_t, taker);
    QFETCH(int, mode);
    QFETCH(int, error);
    PpsTestServer server;
    RawPpsClient owner(server.server(), Alice, Alice);
    QCOMPARE(owner.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj, 0644), 0);
    owner.send(FrameWrite, "a::1\n");
    QVERIFY(owner.sync());
    RawPpsClient watcher(server.server(), Alice, Alice);
    QCOMPARE(watcher.open(PpsOpenMode::Subscribe, Obj + "?delta"), 0);

    RawPpsClient taker_(server.server(), taker, taker);
    QCOMPARE(taker_.open(mode, Obj + "?server"), error);

    // Nothing was wiped, and the owner's next write still reaches its readers, not the taker.
    owner.send(FrameWrite, "b::2\n");
    const Frame change = watcher.next();
    QCOMPARE(change.type, FrameData);
    QCOMPARE(change.payload, QByteArray("@obj\nb::2\n"));
    QCOMPARE(contentOf(server.server(), Obj),
             (QVariantMap{{QStringLiteral("a"), QStringLiteral("1")},
                          {QStringLiteral("b"), QStringLiteral("2")}}));
    QCOMPARE(taker_.next(100).type, char(0));
}

void tst_PpsHardening::controlObjectGoesWithItsServer()
{
    PpsTestServer server;
    const QByteArray path = QByteArrayLiteral("/pps/test/control");
    const int serve = PpsOpenMode::PublishSubscribe | PpsOpenMode::Create;
    auto service = std::make_unique<RawPpsClient>(server.server(), Alice, Alice);
    QCOMPARE(service->open(serve, path + "?server"), 0);
    RawPpsClient second(server.server(), Alice, Alice);
    QCOMPARE(second.open(serve, path + "?server"), EBUSY);
    RawPpsClient client(server.server(), Mallory, Mallory);
    QCOMPARE(client.open(PpsOpenMode::PublishSubscribe, path), 0);

    service.reset();
    QCOMPARE(errorOf(client.next()), ENOTCONN);
    // The name is free again, not held by a dead service.
    RawPpsClient ordinary(server.server(), Alice, Alice);
    QCOMPARE(ordinary.open(PpsOpenMode::Publish | PpsOpenMode::Create, path), 0);
    ordinary.send(qz::pps::FrameRemove, {});
    QCOMPARE(ordinary.answerCode(), 0);
    RawPpsClient restarted(server.server(), Alice, Alice);
    QCOMPARE(restarted.open(serve, path + "?server"), 0);
}

void tst_PpsHardening::clientCannotForgeNotices()
{
    PpsTestServer server;
    const QByteArray path = QByteArrayLiteral("/pps/test/control");
    RawPpsClient service(server.server(), Alice, Alice);
    QCOMPARE(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create, path + "?server"),
             0);
    RawPpsClient victim(server.server(), Alice, Alice);
    QCOMPARE(victim.open(PpsOpenMode::PublishSubscribe, path), 0);
    RawPpsClient forger(server.server(), Mallory, Mallory);
    QCOMPARE(forger.open(PpsOpenMode::PublishSubscribe, path), 0);
    const Frame victimArrived = service.next();
    const Frame forgerArrived = service.next();
    QVERIFY(victimArrived.payload.startsWith("+@control."));
    QVERIFY(forgerArrived.payload.startsWith("+@control."));
    const QByteArray victimId = victimArrived.payload.mid(10).trimmed();
    const QByteArray forgerId = forgerArrived.payload.mid(10).trimmed();

    forger.send(FrameWrite, "-@control." + victimId +
                                "\n+@control.99\n#@control\n*@control\n@control." + victimId +
                                "\nmsg::show\n@control\nid::7\n");
    const Frame request = service.next();
    QCOMPARE(request.type, FrameData);
    QCOMPARE(request.payload, "@control." + forgerId + "\nmsg::show\nid::7\n");
    QCOMPARE(service.next(100).type, char(0));
}

void tst_PpsHardening::framesBeforeHangUpAreServed()
{
    PpsTestServer server;
    const int writers = 40;
    for (int i = 0; i < writers; ++i) {
        // A frame of a whole number of the server's 64 KiB reads, then the writer is gone.
        RawPpsClient writer(server.socketPath());
        QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj), 0);
        const QByteArray name = "k" + QByteArray::number(i) + "::";
        const qsizetype frame = 64 * 1024 * (1 + i % 3);
        writer.send(FrameWrite,
                    name + QByteArray(frame - qz::pps::FrameHeaderSize - name.size() - 1, 'v') +
                        '\n');
    }
    QTRY_COMPARE(contentOf(server.server(), Obj).size(), writers);
}

void tst_PpsHardening::largeAnswersReachReaders_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("objects");
    QTest::newRow("one object") << QString::fromUtf8(Obj) << 1;
    QTest::newRow("directory") << QStringLiteral("/pps/test/.all") << 3;
}

void tst_PpsHardening::largeAnswersReachReaders()
{
    QFETCH(QString, path);
    QFETCH(int, objects);
    PpsTestServer server; // with its default bound of 8 MiB per client
    const QByteArray value(1000 * 1000, 'v');
    for (int o = 0; o < objects; ++o) {
        PpsObject writer(QStringLiteral("/pps/test/obj") + (o ? QString::number(o) : QString()));
        QVERIFY(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create));
        for (int i = 0; i < 12 / objects; ++i)
            QVERIFY(writer.write("a" + QByteArray::number(i) + "::" + value + '\n'));
    }
    PpsObject reader(path);
    QVERIFY2(reader.open(PpsOpenMode::Subscribe), qPrintable(reader.errorString()));
    bool ok = false;
    QVERIFY(reader.read(&ok).size() > 12 * value.size());
    QVERIFY(ok);

    // A reader that reads is served the next large change as well.
    PpsObject writer(QString::fromUtf8(Obj));
    QVERIFY(writer.open(PpsOpenMode::Publish));
    QVERIFY(writer.write("a0::changed\n"));
    reader.setBlocking(true);
    QVERIFY(reader.read(&ok).contains("a0::changed"));
    QVERIFY2(ok, qPrintable(reader.errorString()));
}

void tst_PpsHardening::queueBoundCountsWhatWaitsBehind_data()
{
    QTest::addColumn<qsizetype>("slack");
    QTest::addColumn<bool>("cutOff");
    QTest::newRow("waiting == bound") << qsizetype(0) << false;
    QTest::newRow("waiting == bound + 1") << qsizetype(-1) << true;
}

void tst_PpsHardening::queueBoundCountsWhatWaitsBehind()
{
    QFETCH(qsizetype, slack);
    QFETCH(bool, cutOff);
    PpsTestServer server;
    const QByteArray change("n::0123456789\n");
    const qsizetype frame = qz::pps::FrameHeaderSize + 5 + change.size(); // "@obj\n" + change
    server.server().setMaxQueuedBytes(3 * frame + slack);

    RawPpsClient writer(server.server(), Alice, Alice);
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj), 0);
    RawPpsClient reader(server.server(), Alice, Alice);
    QCOMPARE(reader.open(PpsOpenMode::Subscribe, Obj + "?delta"), 0);
    // A change far larger than the socket can hold stays in flight: the reader stopped reading.
    writer.send(FrameWrite, "big::" + QByteArray(900 * 1000, 'b') + '\n');
    for (int i = 0; i < 3; ++i)
        writer.send(FrameWrite, change);
    QVERIFY(writer.sync());
    QVERIFY(!reader.isHungUp());     // three wait: at most the bound
    writer.send(FrameWrite, change); // more than the bound waited when it came
    QVERIFY(writer.sync());
    QCOMPARE(reader.isHungUp(500), cutOff);
}

void tst_PpsHardening::pathLimits_data()
{
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("error");
    const qsizetype maxPath = PpsObject::MaxPathSize;
    const qsizetype maxName = PpsObject::MaxNameSize;
    QTest::newRow("path of N") << pathOfSize(maxPath) << 0;
    QTest::newRow("path of N+1") << pathOfSize(maxPath + 1) << EINVAL;
    QTest::newRow("path of a million") << pathOfSize(1000 * 1000) << EINVAL;
    QTest::newRow("component of N") << "/pps/test/" + QByteArray(maxName, 'c') << 0;
    QTest::newRow("component of N+1") << "/pps/test/" + QByteArray(maxName + 1, 'c') << EINVAL;
}

void tst_PpsHardening::pathLimits()
{
    QFETCH(QByteArray, path);
    QFETCH(int, error);
    PpsTestServer server;
    RawPpsClient client(server.server(), Alice, Alice);
    QCOMPARE(client.open(PpsOpenMode::Publish | PpsOpenMode::Create, path), error);
    PpsObject object(QString::fromUtf8(path)); // the client refuses the same paths itself
    QCOMPARE(object.open(PpsOpenMode::Publish | PpsOpenMode::Create), error == 0);
}

void tst_PpsHardening::attributeNameLimit_data()
{
    addLimitRows(PpsObject::MaxNameSize);
}

void tst_PpsHardening::attributeNameLimit()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, stored);
    PpsTestServer server;
    RawPpsClient writer(server.server(), Alice, Alice);
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj), 0);
    // A refused write is refused whole: the line before the long name is not kept either.
    writer.send(FrameWrite, "first::1\n" + QByteArray(size, 'n') + "::2\n");
    QCOMPARE(writer.sync(), stored);
    QCOMPARE(contentOf(server.server(), Obj).size(), stored ? 2 : 0);
}

void tst_PpsHardening::undecodableNamesAreNotStored()
{
    // Stored, such a line would make the whole object unreadable to every subscriber.
    PpsTestServer server;
    RawPpsClient writer(server.server(), Alice, Alice);
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj), 0);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^Malformed attribute line")));
    writer.send(FrameWrite, "a\tb::1\nok::1\n");
    QVERIFY(writer.sync());
    QCOMPARE(contentOf(server.server(), Obj),
             (QVariantMap{{QStringLiteral("ok"), QStringLiteral("1")}}));
}

void tst_PpsHardening::objectSizeLimit_data()
{
    addLimitRows(PpsObject::MaxObjectSize);
}

void tst_PpsHardening::objectSizeLimit()
{
    QFETCH(qsizetype, size);
    QFETCH(bool, stored);
    PpsTestServer server;
    RawPpsClient writer(server.server(), Alice, Alice);
    QCOMPARE(writer.open(PpsOpenMode::Publish | PpsOpenMode::Create, Obj), 0);
    // An attribute "kNN::value" takes name, ":" (empty encoding), value, ':' and '\n'.
    const qsizetype overhead = 3 + 1 + 2;
    const qsizetype chunk = 1000 * 1000;
    int attributes = 0;
    for (qsizetype left = size; left > 0; left -= chunk, ++attributes) {
        const QByteArray name = QByteArray::number(10 + attributes);
        writer.send(FrameWrite,
                    "k" + name + "::" + QByteArray(std::min(left, chunk) - overhead, 'v') + '\n');
    }
    QCOMPARE(writer.sync(), stored);
    QCOMPARE(contentOf(server.server(), Obj).size(), stored ? attributes : attributes - 1);
}

void tst_PpsHardening::creatorsSetTheMode_data()
{
    QTest::addColumn<uid_t>("uid");
    QTest::addColumn<gid_t>("gid");
    QTest::addColumn<int>("readError");
    QTest::addColumn<int>("writeError");
    QTest::newRow("owner") << getuid() << getgid() << 0 << 0;
    QTest::newRow("group") << Mallory << getgid() << 0 << EACCES;
    QTest::newRow("others") << Mallory << gid_t(Mallory) << EACCES << EACCES;
}

void tst_PpsHardening::creatorsSetTheMode()
{
    QFETCH(uid_t, uid);
    QFETCH(gid_t, gid);
    QFETCH(int, readError);
    QFETCH(int, writeError);
    PpsTestServer server;
    PpsObject creator(QString::fromUtf8(Obj));
    creator.setCreationMode(0640);
    QVERIFY(creator.open(PpsOpenMode::Publish | PpsOpenMode::Create));
    RawPpsClient reader(server.server(), uid, gid);
    QCOMPARE(reader.open(PpsOpenMode::Subscribe, Obj), readError);
    RawPpsClient writer(server.server(), uid, gid);
    QCOMPARE(writer.open(PpsOpenMode::Publish, Obj), writeError);

    // A directory made with a mode is listed under the same rules, and only its maker may
    // change that mode.
    const QByteArray directory("/pps/test/private/.all");
    PpsObject maker(QString::fromUtf8(directory));
    maker.setCreationMode(0640);
    QVERIFY(maker.open(PpsOpenMode::Subscribe | PpsOpenMode::Create));
    RawPpsClient lister(server.server(), uid, gid);
    QCOMPARE(lister.open(PpsOpenMode::Subscribe, directory), readError);
    RawPpsClient remaker(server.server(), uid, gid);
    QCOMPARE(remaker.open(PpsOpenMode::Subscribe | PpsOpenMode::Create, directory, 0666),
             uid == getuid() ? 0 : EACCES);
}

void tst_PpsHardening::reservedDirectories_data()
{
    QTest::addColumn<uid_t>("uid");
    QTest::addColumn<QByteArray>("path");
    QTest::addColumn<int>("error");
    const QByteArray control("/pps/services/dialog/control?server");
    QTest::newRow("the services serve") << Alice << control << 0;
    QTest::newRow("another user serves") << Mallory << control << EACCES;
    QTest::newRow("another user creates") << Mallory << QByteArray("/pps/services/x") << EACCES;
    QTest::newRow("a name that only starts alike")
        << Mallory << QByteArray("/pps/servicesx/y") << 0;
}

void tst_PpsHardening::reservedDirectories()
{
    QFETCH(uid_t, uid);
    QFETCH(QByteArray, path);
    QFETCH(int, error);
    PpsTestServer server;
    QVERIFY(server.server().reserve("/pps/services", Alice));
    RawPpsClient client(server.server(), uid, uid);
    QCOMPARE(client.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create, path), error);
}

void tst_PpsHardening::socketDirectoryMustBeOwnAndClosed_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("foreign");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("own, closed") << 0700 << false << QString();
    QTest::newRow("own, readable by all") << 0755 << false << QString();
    QTest::newRow("writable by the group") << 0770 << false << QStringLiteral("writable by others");
    QTest::newRow("writable by all") << 0777 << false << QStringLiteral("writable by others");
    QTest::newRow("another user's") << 0700 << true << QStringLiteral("belongs to another user");
}

void tst_PpsHardening::socketDirectoryMustBeOwnAndClosed()
{
    QFETCH(int, mode);
    QFETCH(bool, foreign);
    QFETCH(QString, refusal);
    QTemporaryDir top;
    const QString directory = top.filePath(QStringLiteral("run"));
    QVERIFY(QDir().mkdir(directory));
    QCOMPARE(::chmod(QFile::encodeName(directory).constData(), mode_t(mode)), 0);
    if (foreign && ::chown(QFile::encodeName(directory).constData(), Mallory, Mallory) != 0)
        QSKIP("Giving a directory to another user needs root");
    qz::pps::Server server;
    QString error;
    QCOMPARE(server.listen(directory + QStringLiteral("/pps.sock"), &error), refusal.isEmpty());
    QVERIFY2(error.contains(refusal), qPrintable(error));
}

void tst_PpsHardening::socketModeIgnoresUmask()
{
    QTemporaryDir top;
    const mode_t previous = ::umask(0);
    qz::pps::Server server;
    const bool listening = server.listen(top.filePath(QStringLiteral("pps.sock")));
    ::umask(previous);
    QVERIFY(listening);
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(top.filePath(QStringLiteral("pps.sock"))).constData(), &info),
             0);
    QCOMPARE(info.st_mode & 0777, mode_t(0600));
}

QTEST_GUILESS_MAIN(tst_PpsHardening)
#include "tst_ppshardening.moc"
