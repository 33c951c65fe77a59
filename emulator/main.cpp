// qzdevice: the device's services in one process, for desktops and cross-process tests.
#include "deviceservices.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

// Only write(2) is safe in a signal handler; the event loop does the rest.
void onSignal(int signal)
{
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

int fail(const QString &text, int status)
{
    std::fprintf(stderr, "qzdevice: %s\n", qPrintable(text));
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    // A GUI application for the fonts of the screen-capture service's drawing; it shows no
    // window anywhere, so it never needs a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qzdevice"));

    QString error;
    const std::optional<DeviceOptions> options =
        DeviceOptions::parse(QCoreApplication::arguments(), &error);
    if (!options)
        return fail(error, 2);
    // Per-request lines cost a formatted message each; they are there when asked for. The
    // categories' macros skip formatting altogether while disabled. QT_LOGGING_RULES still wins.
    if (!options->verbose)
        QLoggingCategory::setFilterRules(QStringLiteral("qz.device.debug=false\n"
                                                        "qz.device.info=false\n"
                                                        "qz.device.*.debug=false\n"
                                                        "qz.device.*.info=false"));
    const std::vector<std::unique_ptr<DeviceService>> services =
        createDeviceServices(*options, &error);
    if (services.empty())
        return fail(error, 2);
    int status = 0;
    for (const auto &service : services) {
        if (!service->start(&error))
            return fail(
                QStringLiteral("the %1 service cannot start: %2").arg(service->name(), error), 1);
        QObject::connect(service.get(), &DeviceService::failed, &app,
                         [&status](const QString &reason) {
                             status = fail(reason, 1);
                             QCoreApplication::exit(status);
                         });
        std::fprintf(stderr, "qzdevice: %s service ready\n", qPrintable(service->name()));
    }
    std::fprintf(stderr, "qzdevice: all services ready\n");

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return fail(QStringLiteral("cannot set up signal handling"), 1);
    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::quit(); });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
    QCoreApplication::exec();
    return status;
}
