// A SystemDialog show() -> finished round trip through qzppsd and qzdevice (answering at once),
// against the same request written and its answer read with a bare qz::PpsObject: what the
// library adds on top of the PPS round trip, measured in the same run.
#include "benchmarkfixtures.h"
#include "ratioreporter.h"

#include <qz/PpsObject>
#include <qz/system/SystemDialog>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

namespace {

const QString ControlPath = QStringLiteral("/pps/services/dialog/control");

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

void BM_SystemDialogShowFinished(benchmark::State &state)
{
    qz::system::SystemDialog dialog(QStringLiteral("Delete"), QStringLiteral("Cancel"));
    dialog.setTitle(QStringLiteral("Delete 3 files?"));
    dialog.setBody(QStringLiteral(
        "The selected files will be removed from the device. This cannot be undone."));
    QEventLoop loop;
    QObject::connect(
        &dialog, qOverload<qz::system::SystemUiResult::Type>(&qz::system::SystemDialog::finished),
        &loop, &QEventLoop::quit);
    for (auto _ : state) {
        dialog.show();
        loop.exec();
        if (dialog.result() != qz::system::SystemUiResult::ConfirmButtonSelection) {
            state.SkipWithError("the dialog was not confirmed");
            break;
        }
    }
}

BENCHMARK(BM_BarePpsDialogRequest)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SystemDialogShowFinished)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString dir = QDir::temp().filePath(
        QStringLiteral("qz-bench-dialog-%1").arg(QCoreApplication::applicationPid()));
    QDir().mkpath(dir);
    const QString socket = dir + QStringLiteral("/pps.sock");
    qputenv("QZ_PPS_SOCKET", socket.toLocal8Bit());

    QProcess daemon, device;
    daemon.setProcessChannelMode(QProcess::ForwardedOutputChannel);
    daemon.start(QStringLiteral(QZPPSD_PATH), {QStringLiteral("--socket"), socket});
    for (int i = 0; i < 500 && !QFileInfo::exists(socket); ++i)
        QThread::msleep(10);
    // qzdevice logs every request: nobody reads that here, and a full pipe would stall it.
    device.setStandardOutputFile(QProcess::nullDevice());
    device.setStandardErrorFile(QProcess::nullDevice());
    device.start(QStringLiteral(QZDEVICE_PATH), {QStringLiteral("--policy"), QStringLiteral("auto"),
                                                 QStringLiteral("--delay"), QStringLiteral("0")});
    device.waitForStarted();

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
        RatioReporter reporter;
        runWithMedians(argc, argv, reporter);
        reporter.printRatio("BM_SystemDialogShowFinished", "BM_BarePpsDialogRequest",
                            "library on top of PPS");
        status = 0;
    } else {
        std::fprintf(stderr, "qzdevice did not come up\n");
    }
    device.terminate();
    device.waitForFinished();
    daemon.terminate();
    daemon.waitForFinished();
    QDir(dir).removeRecursively();
    return status;
}
