// qzppsd: the PPS server as a daemon.
#include "ppsprotocol.h"
#include "ppsserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>

namespace {
qz::pps::Server *g_server = nullptr;

void onSignal(int)
{
    if (g_server)
        g_server->stop();
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qzppsd"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Serves PPS objects over a Unix domain socket."));
    parser.addHelpOption();
    const QCommandLineOption socketOption(
        {QStringLiteral("s"), QStringLiteral("socket")},
        QStringLiteral("Listen on <path> (default: $QZ_PPS_SOCKET, $XDG_RUNTIME_DIR/qz/pps.sock or "
                       "/tmp/qz-<uid>/pps.sock)."),
        QStringLiteral("path"));
    const QCommandLineOption queueOption(
        QStringLiteral("max-queue"),
        QStringLiteral("Disconnect a client once <bytes> wait unsent for it (default 8 MiB)."),
        QStringLiteral("bytes"));
    parser.addOption(socketOption);
    parser.addOption(queueOption);
    parser.process(app);

    const QString socketPath =
        parser.isSet(socketOption) ? parser.value(socketOption) : qz::pps::defaultSocketPath();
    qz::pps::Server server;
    if (parser.isSet(queueOption)) {
        bool ok = false;
        const qlonglong bytes = parser.value(queueOption).toLongLong(&ok);
        if (!ok || bytes <= 0) {
            std::fprintf(stderr, "qzppsd: --max-queue takes a positive number of bytes\n");
            return 2;
        }
        server.setMaxQueuedBytes(bytes);
    }
    QString error;
    if (!server.listen(socketPath, &error)) {
        std::fprintf(stderr, "qzppsd: %s\n", qPrintable(error));
        return 1;
    }
    g_server = &server;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::fprintf(stderr, "qzppsd: serving on %s\n", qPrintable(socketPath));
    server.run();
    g_server = nullptr;
    return 0;
}
