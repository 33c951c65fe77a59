// An invocation between two processes through qzppsd and qzdevice's navigator: InvokeManager::
// invoke() in this process, the target's invoked() in another, the reply's finished() back here;
// against a plain Unix-socket ping-pong of as many bytes, measured in the same run.
#include "pingpong.h"
#include "ratioreporter.h"

#include <qz/system/InvokeManager>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <cstring>

namespace {

const char TargetKey[] = "bench.target";
// What the invoker writes (the call with its invocation) and reads (the answer event), in bytes,
// as qzdevice's verbose log shows them for this invocation; the baseline carries as many.
constexpr qsizetype RequestBytes = 230;
constexpr qsizetype AnswerBytes = 110;

PingPong *g_pingPong = nullptr;
qz::system::InvokeManager *g_manager = nullptr;

void BM_UnixSocketPingPong(benchmark::State &state)
{
    for (auto _ : state) {
        if (!g_pingPong->roundTrip()) {
            state.SkipWithError("ping-pong peer gone");
            break;
        }
    }
}

void BM_InvokeRoundTrip(benchmark::State &state)
{
    qz::system::InvokeRequest request;
    request.setTarget(QLatin1String(TargetKey));
    request.setData(QByteArrayLiteral("ping"));
    QEventLoop loop;
    for (auto _ : state) {
        qz::system::InvokeTargetReply *reply = g_manager->invoke(request);
        if (!reply) {
            state.SkipWithError("invoke refused");
            break;
        }
        QObject::connect(reply, &qz::system::InvokeReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const bool reached = reply->error() == qz::system::InvokeReplyError::None &&
                             reply->target() == QLatin1String(TargetKey);
        delete reply;
        if (!reached) {
            state.SkipWithError("the target was not reached");
            break;
        }
    }
}

BENCHMARK(BM_UnixSocketPingPong)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_InvokeRoundTrip)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

// The target: a running application; receiving is all it does.
[[noreturn]] void runTarget(int argc, char **argv)
{
    setenv("QZ_NAVIGATOR_TARGET", TargetKey, 1);
    QCoreApplication app(argc, argv);
    qz::system::InvokeManager manager;
    app.exec();
    _exit(0);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--target") == 0)
        runTarget(argc, argv);
    const QByteArray dir =
        QDir::tempPath().toLocal8Bit() + "/qz-bench-invoke-" + QByteArray::number(getpid());
    QDir().mkpath(QString::fromLocal8Bit(dir + "/targets"));
    const QByteArray socketPath = dir + "/pps.sock";
    setenv("QZ_PPS_SOCKET", socketPath.constData(), 1);
    {
        QFile declaration(QString::fromLocal8Bit(dir + "/targets/bench.target"));
        if (!declaration.open(QIODevice::WriteOnly) ||
            declaration.write("key bench.target\ntype application\n"
                              "filter actions=qz.action.BENCH;types=*;\n") < 0)
            return 1;
    }

    // Forked before this process starts Qt.
    PingPong pingPong(RequestBytes, AnswerBytes);
    g_pingPong = &pingPong;

    QCoreApplication app(argc, argv);
    QProcess daemon, device;
    daemon.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    daemon.start(QStringLiteral(QZPPSD_PATH),
                 {QStringLiteral("--socket"), QString::fromLocal8Bit(socketPath)});
    for (int i = 0; i < 500 && !QFileInfo::exists(QString::fromLocal8Bit(socketPath)); ++i)
        QThread::msleep(10);
    device.setStandardOutputFile(QProcess::nullDevice());
    device.setProcessChannelMode(QProcess::SeparateChannels);
    device.setReadChannel(QProcess::StandardError); // where it says it is ready
    device.start(QStringLiteral(QZDEVICE_PATH),
                 {QStringLiteral("--targets"), QString::fromLocal8Bit(dir + "/targets"),
                  QStringLiteral("--data"), QString::fromLocal8Bit(dir + "/data")});
    QByteArray said;
    while (!said.contains("all services ready") && device.waitForReadyRead(10000))
        said += device.readAllStandardError();

    QProcess target;
    target.setProcessChannelMode(QProcess::ForwardedChannels);
    target.setProgram(QCoreApplication::applicationFilePath());
    target.setArguments({QStringLiteral("--target")});
    target.start();

    int status = 1;
    if (said.contains("all services ready") && target.waitForStarted()) {
        qz::system::InvokeManager manager;
        g_manager = &manager;
        // The target says who it is once it is up; until then invocations find it absent.
        bool reached = false;
        for (int i = 0; i < 500 && !reached; ++i) {
            qz::system::InvokeRequest request;
            request.setTarget(QLatin1String(TargetKey));
            qz::system::InvokeTargetReply *reply = manager.invoke(request);
            if (!reply)
                break;
            QEventLoop loop;
            QObject::connect(reply, &qz::system::InvokeReply::finished, &loop, &QEventLoop::quit);
            loop.exec();
            reached = reply->error() == qz::system::InvokeReplyError::None;
            delete reply;
            if (!reached)
                QThread::msleep(10);
        }
        if (reached) {
            RatioReporter reporter;
            runWithMedians(argc, argv, reporter);
            reporter.printRatio("BM_InvokeRoundTrip", "BM_UnixSocketPingPong",
                                "an invocation through qzppsd and qzdevice");
            status = 0;
        } else {
            std::fprintf(stderr, "the target never became reachable\n");
        }
        g_manager = nullptr;
    } else {
        std::fprintf(stderr, "qzdevice did not come up: %s\n", said.constData());
    }
    for (QProcess *process : {&target, &device, &daemon}) {
        process->terminate();
        process->waitForFinished();
    }
    QDir(QString::fromLocal8Bit(dir)).removeRecursively();
    return status;
}
