// qzppsd: the PPS server as a daemon.
#include "ppsprotocol.h"
#include "ppsrecording.h"
#include "ppsserver.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

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
        QStringLiteral("Disconnect a client once more than <bytes> wait for it behind the "
                       "frame it is receiving (default 8 MiB)."),
        QStringLiteral("bytes"));
    const QCommandLineOption socketModeOption(
        QStringLiteral("socket-mode"),
        QStringLiteral("Make the socket with mode <octal> (default 0600; 0666 lets other users "
                       "in, each object's mode still applies)."),
        QStringLiteral("octal"));
    const QCommandLineOption servicesOwnerOption(
        QStringLiteral("services-owner"),
        QStringLiteral("Only clients running as <uid> may create or serve objects under "
                       "/pps/services (default: the user running qzppsd)."),
        QStringLiteral("uid"));
    parser.addOption(socketOption);
    parser.addOption(queueOption);
    parser.addOption(socketModeOption);
    const QCommandLineOption recordOption(
        QStringLiteral("record"),
        QStringLiteral("Write every message written to an object to <file> (mode 0600, private "
                       "values masked), for qzppsreplay."),
        QStringLiteral("file"));
    const QCommandLineOption relayOption(
        QStringLiteral("relay-only"),
        QStringLiteral("Relay every message of a control object here instead of linking its "
                       "clients with its server directly (links are never made while "
                       "recording)."));
    parser.addOption(servicesOwnerOption);
    parser.addOption(recordOption);
    parser.addOption(relayOption);
    parser.process(app);

    const QString socketPath =
        parser.isSet(socketOption) ? parser.value(socketOption) : qz::pps::defaultSocketPath();
    qz::pps::Recorder recorder; // outlives the server that writes to it
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
    if (parser.isSet(socketModeOption)) {
        bool ok = false;
        const uint mode = parser.value(socketModeOption).toUInt(&ok, 8);
        if (!ok || mode > 0777) {
            std::fprintf(stderr, "qzppsd: --socket-mode takes octal mode bits such as 0660\n");
            return 2;
        }
        server.setSocketMode(mode_t(mode));
    }
    uid_t servicesOwner = getuid();
    if (parser.isSet(servicesOwnerOption)) {
        bool ok = false;
        servicesOwner = parser.value(servicesOwnerOption).toUInt(&ok);
        if (!ok) {
            std::fprintf(stderr, "qzppsd: --services-owner takes a numeric uid\n");
            return 2;
        }
    }
    server.reserve(QByteArrayLiteral("/pps/services"), servicesOwner);
    QString error;
    if (!server.listen(socketPath, &error)) {
        std::fprintf(stderr, "qzppsd: %s\n", qPrintable(error));
        return 1;
    }
    // Only once listening: a second server on the socket leaves the first one's recording alone.
    if (parser.isSet(recordOption)) {
        if (!recorder.open(parser.value(recordOption), &error)) {
            std::fprintf(stderr, "qzppsd: %s\n", qPrintable(error));
            return 1;
        }
        server.setRecorder(&recorder);
    }
    server.setDirectLinks(!parser.isSet(relayOption));
    g_server = &server;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::fprintf(stderr, "qzppsd: serving on %s\n", qPrintable(socketPath));
    server.run();
    g_server = nullptr;
    return 0;
}
