// A request/answer round trip between two processes by way of qzppsd (over the direct link it
// gives them, or relayed with QZ_BENCH_RELAY_ONLY=1), against a plain Unix-socket
// ping-pong of the same bytes between two processes, measured in the same run.
#include "benchmarkfixtures.h"
#include "pingpong.h"
#include "ratioreporter.h"

#include <qz/PpsObject>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <csignal>

namespace {

const QString ControlPath = QStringLiteral("/pps/services/dialog/control");

QByteArray g_request; // encoded dialog request, as a client writes it
QByteArray g_answer;  // encoded answer, as the service writes it
PingPong *g_pingPong = nullptr;
qz::PpsObject *g_client = nullptr;

// The service process: serves the control object and answers each request with its id.
[[noreturn]] void runService(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qz::PpsObject control(ControlPath + QStringLiteral("?server"));
    if (!control.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create))
        _exit(1);
    control.setBlocking(true);
    for (;;) {
        bool ok = false;
        const QByteArray text = control.read(&ok);
        if (!ok)
            _exit(0);
        const qz::PpsAttributeMap blocks = qz::PpsObject::decodeWithFlags(text);
        for (auto it = blocks.cbegin(); it != blocks.cend(); ++it) {
            if (it.value().flags())
                continue; // a client came or went
            const QString id = it.value().toMap().value(QStringLiteral("id")).toString();
            control.write(it.key().toUtf8() + '\n' + qz::PpsObject::encode(dialogAnswer(id)));
        }
    }
}

void BM_UnixSocketPingPong(benchmark::State &state)
{
    for (auto _ : state) {
        if (!g_pingPong->roundTrip()) {
            state.SkipWithError("ping-pong peer gone");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * g_pingPong->bytesPerRoundTrip());
}

void BM_PpsDialogRoundTrip(benchmark::State &state)
{
    const QVariantMap request = dialogRequest();
    const QString id = request.value(QStringLiteral("id")).toString();
    for (auto _ : state) {
        if (!g_client->write(qz::PpsObject::encode(request))) {
            state.SkipWithError("write failed");
            break;
        }
        bool ok = false;
        const QVariantMap answer = qz::PpsObject::decode(g_client->read(&ok));
        if (!ok || answer.value(QStringLiteral("@control"))
                           .toMap()
                           .value(QStringLiteral("id"))
                           .toString() != id) {
            state.SkipWithError("no answer");
            break;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * (g_request.size() + g_answer.size()));
}

BENCHMARK(BM_UnixSocketPingPong)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PpsDialogRoundTrip)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    const QString id = dialogRequest().value(QStringLiteral("id")).toString();
    g_request = qz::PpsObject::encode(dialogRequest());
    g_answer = QByteArray("@control.1\n") + qz::PpsObject::encode(dialogAnswer(id));

    // Every child is forked before this process starts Qt.
    const QByteArray dir =
        QDir::tempPath().toLocal8Bit() + "/qz-bench-" + QByteArray::number(getpid());
    const QByteArray socketPath = dir + "/pps.sock";
    setenv("QZ_PPS_SOCKET", socketPath.constData(), 1);

    const pid_t daemon = fork();
    if (daemon == 0) {
        // QZ_BENCH_RELAY_ONLY=1 measures the path relayed by qzppsd, as before direct links.
        const char *relay =
            qEnvironmentVariableIntValue("QZ_BENCH_RELAY_ONLY") ? "--relay-only" : nullptr;
        execl(QZPPSD_PATH, QZPPSD_PATH, "--socket", socketPath.constData(), relay,
              static_cast<char *>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 500 && !QFileInfo::exists(QString::fromLocal8Bit(socketPath)); ++i)
        usleep(10000);

    PingPong pingPong(g_request.size(), g_answer.size());
    g_pingPong = &pingPong;

    const pid_t service = fork();
    if (service == 0)
        runService(argc, argv);

    int status = 1;
    {
        QCoreApplication app(argc, argv);
        qz::PpsObject client(ControlPath);
        // The service process opens the control object on its own time.
        bool open = false;
        for (int i = 0; i < 500 && !(open = client.open(qz::PpsOpenMode::PublishSubscribe)); ++i)
            QThread::msleep(10);
        if (open) {
            client.setBlocking(true);
            g_client = &client;
            std::printf("request %lld bytes, answer %lld bytes\n",
                        static_cast<long long>(g_request.size()),
                        static_cast<long long>(g_answer.size()));
            RatioReporter reporter;
            runWithMedians(argc, argv, reporter);
            reporter.printRatio("BM_PpsDialogRoundTrip", "BM_UnixSocketPingPong", "goal <= 2.5");
            status = 0;
        } else {
            std::fprintf(stderr, "cannot open %s: %s\n", qPrintable(ControlPath),
                         qPrintable(client.errorString()));
        }
        g_client = nullptr;
    }
    kill(daemon, SIGTERM);
    for (pid_t child : {daemon, service})
        waitpid(child, nullptr, 0);
    QDir(QString::fromLocal8Bit(dir)).removeRecursively();
    return status;
}
