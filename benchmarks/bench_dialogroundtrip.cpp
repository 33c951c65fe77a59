// A SystemDialog show() -> finished round trip through qzppsd and qzdevice (answering at once),
// against three baselines measured in the same run: the same request written and its answer read
// with a bare qz::PpsObject (what the library adds), a plain Unix-socket ping-pong of the same
// bytes, and a blocking QtDBus call carrying them through a private dbus-daemon (skipped, with a
// message, where dbus-daemon is not installed). Then the spread of 10,000 single shows.
#include "benchmarkfixtures.h"
#include "pingpong.h"
#include "ratioreporter.h"

#include <qz/PpsObject>
#include <qz/system/SystemDialog>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QString ControlPath = QStringLiteral("/pps/services/dialog/control");
const QString BusService = QStringLiteral("qz.bench.Dialog");
const QString BusPath = QStringLiteral("/dialog");
const char *const PeerOption = "--dbus-peer";

QByteArray g_request; // the show request as the library encodes it
QByteArray g_answer;  // the service's answer as a client reads it
PingPong *g_pingPong = nullptr;
QDBusConnection *g_bus = nullptr;

// The QtDBus peer: answers every call with the dialog answer's bytes.
class DialogPeer : public QDBusVirtualObject
{
public:
    QString introspect(const QString &) const override { return {}; }
    bool handleMessage(const QDBusMessage &message, const QDBusConnection &connection) override
    {
        return connection.send(message.createReply(QVariant(g_answer)));
    }
};

int runBusPeer(int argc, char **argv, const QString &address)
{
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("peer"));
    DialogPeer peer;
    if (!bus.isConnected() || !bus.registerVirtualObject(BusPath, &peer) ||
        !bus.registerService(BusService))
        return 1;
    return app.exec();
}

void BM_UnixSocketPingPong(benchmark::State &state)
{
    for (auto _ : state) {
        if (!g_pingPong->roundTrip()) {
            state.SkipWithError("ping-pong peer gone");
            break;
        }
    }
}

void BM_QtDBusBlockingCall(benchmark::State &state)
{
    if (!g_bus) {
        state.SkipWithError("no private dbus-daemon (see above)");
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(BusService, BusPath, BusService, QStringLiteral("show"));
    call << g_request;
    for (auto _ : state) {
        const QDBusMessage reply = g_bus->call(call, QDBus::Block);
        if (reply.type() != QDBusMessage::ReplyMessage ||
            reply.arguments().value(0).toByteArray().size() != g_answer.size()) {
            state.SkipWithError("no D-Bus answer");
            break;
        }
    }
}

void BM_BarePpsDialogRequest(benchmark::State &state)
{
    qz::PpsObject control(ControlPath);
    if (!control.open(qz::PpsOpenMode::PublishSubscribe)) {
        state.SkipWithError("cannot open the dialog control object");
        return;
    }
    control.setBlocking(true);
    int serial = 0;
    for (auto _ : state) {
        const QString id = QStringLiteral("{bench-%1}").arg(++serial);
        if (!control.write(qz::PpsObject::encode(dialogRequest(id)))) {
            state.SkipWithError("write failed");
            break;
        }
        bool ok = false;
        const QVariantMap answer = qz::PpsObject::decode(control.read(&ok));
        if (!ok || answer.value(QStringLiteral("@control"))
                           .toMap()
                           .value(QStringLiteral("id"))
                           .toString() != id) {
            state.SkipWithError("no answer");
            break;
        }
    }
}

// What each show pays for a channel of its own: a connection, an open waiting for its answer
// (and qzdevice told of a client coming and going), a close.
void BM_DialogChannelOpenClose(benchmark::State &state)
{
    for (auto _ : state) {
        qz::PpsObject control(ControlPath);
        if (!control.open(qz::PpsOpenMode::PublishSubscribe)) {
            state.SkipWithError("cannot open the dialog control object");
            break;
        }
    }
}

// One show, until finished; false when the dialog was not confirmed.
class Shower
{
public:
    Shower()
        : m_dialog(QStringLiteral("Delete"), QStringLiteral("Cancel"))
    {
        m_dialog.setTitle(QStringLiteral("Delete 3 files?"));
        m_dialog.setBody(QStringLiteral(
            "The selected files will be removed from the device. This cannot be undone."));
        QObject::connect(
            &m_dialog,
            qOverload<qz::system::SystemUiResult::Type>(&qz::system::SystemDialog::finished),
            &m_loop, &QEventLoop::quit);
    }
    bool show()
    {
        m_dialog.show();
        m_loop.exec();
        return m_dialog.result() == qz::system::SystemUiResult::ConfirmButtonSelection;
    }

private:
    qz::system::SystemDialog m_dialog;
    QEventLoop m_loop;
};

void BM_SystemDialogShowFinished(benchmark::State &state)
{
    Shower shower;
    for (auto _ : state) {
        if (!shower.show()) {
            state.SkipWithError("the dialog was not confirmed");
            break;
        }
    }
}

BENCHMARK(BM_UnixSocketPingPong)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_QtDBusBlockingCall)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BarePpsDialogRequest)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DialogChannelOpenClose)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SystemDialogShowFinished)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The latency of each of \a count shows, as percentiles; false when a show failed.
bool printSpread(int count)
{
    Shower shower;
    std::vector<qint64> nanoseconds;
    nanoseconds.reserve(size_t(count));
    QElapsedTimer timer;
    for (int i = 0; i < count; ++i) {
        timer.start();
        if (!shower.show())
            return false;
        nanoseconds.push_back(timer.nsecsElapsed());
    }
    std::sort(nanoseconds.begin(), nanoseconds.end());
    auto at = [&](double p) {
        return double(nanoseconds[std::min(size_t(p * count), nanoseconds.size() - 1)]) / 1000;
    };
    std::printf("%d shows: p50 %.1f us, p99 %.1f us, p99.9 %.1f us; p99/p50 %.2f (goal <= 2)\n",
                count, at(0.5), at(0.99), at(0.999), at(0.99) / at(0.5));
    return true;
}

// A private bus for the QtDBus baseline; its address, or empty (said why) when there is none.
QString startBus(QProcess &daemon)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (program.isEmpty()) {
        std::printf("dbus-daemon is not installed: the QtDBus comparison is skipped\n");
        return {};
    }
    daemon.start(program, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--print-address")});
    if (!daemon.waitForStarted() || !daemon.waitForReadyRead(5000)) {
        std::printf("dbus-daemon did not start: the QtDBus comparison is skipped\n");
        return {};
    }
    return QString::fromLocal8Bit(daemon.readLine().trimmed());
}

} // namespace

int main(int argc, char **argv)
{
    const QString id = dialogRequest().value(QStringLiteral("id")).toString();
    g_request = qz::PpsObject::encode(dialogRequest());
    g_answer = QByteArray("@control\n") + qz::PpsObject::encode(dialogAnswer(id));
    if (argc == 3 && qstrcmp(argv[1], PeerOption) == 0)
        return runBusPeer(argc, argv, QString::fromLocal8Bit(argv[2]));

    // Forked before this process starts Qt or any thread.
    PingPong pingPong(g_request.size(), g_answer.size());
    g_pingPong = &pingPong;

    QCoreApplication app(argc, argv);
    const QString dir = QDir::temp().filePath(
        QStringLiteral("qz-bench-dialog-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    const QString socket = dir + QStringLiteral("/pps.sock");
    qputenv("QZ_PPS_SOCKET", socket.toLocal8Bit());

    QProcess daemon, device, busDaemon, busPeer;
    daemon.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    // QZ_BENCH_RELAY_ONLY=1 measures the path relayed by qzppsd, as before direct links.
    QStringList daemonArguments{QStringLiteral("--socket"), socket};
    if (qEnvironmentVariableIntValue("QZ_BENCH_RELAY_ONLY"))
        daemonArguments << QStringLiteral("--relay-only");
    daemon.start(QStringLiteral(QZPPSD_PATH), daemonArguments);
    for (int i = 0; i < 500 && !QFileInfo::exists(socket); ++i)
        QThread::msleep(10);
    // Nobody reads qzdevice's output here, and a full pipe would stall it.
    device.setStandardOutputFile(QProcess::nullDevice());
    device.setStandardErrorFile(QProcess::nullDevice());
    device.start(QStringLiteral(QZDEVICE_PATH), {QStringLiteral("--policy"), QStringLiteral("auto"),
                                                 QStringLiteral("--delay"), QStringLiteral("0")});
    device.waitForStarted();

    const QString busAddress = startBus(busDaemon);
    std::unique_ptr<QDBusConnection> bus;
    if (!busAddress.isEmpty()) {
        busPeer.setProcessChannelMode(QProcess::ForwardedChannels);
        busPeer.start(QCoreApplication::applicationFilePath(),
                      {QString::fromLatin1(PeerOption), busAddress});
        bus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(busAddress, QStringLiteral("bench")));
        for (int i = 0; i < 500 && bus->isConnected() &&
                        !bus->interface()->isServiceRegistered(BusService).value();
             ++i)
            QThread::msleep(10);
        if (bus->isConnected() && bus->interface()->isServiceRegistered(BusService).value())
            g_bus = bus.get();
        else
            std::printf("the QtDBus peer did not come up: the QtDBus comparison is skipped\n");
    }

    // qzdevice serves the control object once it is up.
    bool ready = false;
    for (int i = 0; i < 500 && !ready; ++i) {
        qz::PpsObject probe(ControlPath);
        ready = probe.open(qz::PpsOpenMode::PublishSubscribe);
        if (!ready)
            QThread::msleep(10);
    }
    int status = 1;
    if (ready) {
        std::printf("request %lld bytes, answer %lld bytes\n",
                    static_cast<long long>(g_request.size()),
                    static_cast<long long>(g_answer.size()));
        RatioReporter reporter;
        runWithMedians(argc, argv, reporter);
        reporter.printRatio("BM_SystemDialogShowFinished", "BM_UnixSocketPingPong", "goal <= 3");
        reporter.printRatio("BM_SystemDialogShowFinished", "BM_QtDBusBlockingCall", "goal <= 0.5");
        reporter.printRatio("BM_SystemDialogShowFinished", "BM_BarePpsDialogRequest",
                            "library on top of PPS");
        reporter.printRatio("BM_DialogChannelOpenClose", "BM_SystemDialogShowFinished",
                            "share of a show spent on its channel");
        status = printSpread(10000) ? 0 : 1;
    } else {
        std::fprintf(stderr, "qzdevice did not come up\n");
    }
    g_bus = nullptr;
    bus.reset();
    for (QProcess *process : {&busPeer, &busDaemon, &device, &daemon}) {
        process->terminate();
        process->waitForFinished();
    }
    QDir(dir).removeRecursively();
    return status;
}
