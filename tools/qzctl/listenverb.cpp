#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/system/InvokeManager>

#include <QCoreApplication>
#include <QTimer>

using namespace qz::system;

namespace {

QString describe(const InvokeRequest &request)
{
    QStringList parts;
    const auto add = [&](const char *name, const QString &value) {
        if (!value.isEmpty())
            parts << QStringLiteral("%1=%2").arg(QLatin1String(name), value);
    };
    add("target", request.target());
    add("action", request.action());
    add("type", request.mimeType());
    add("uri", request.uri().toString());
    add("data", QString::fromUtf8(request.data()));
    return parts.join(QLatin1Char(' '));
}

} // namespace

int listenVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("listen"),
        QStringLiteral("act as an invocation target: print each invocation and relay this "
                       "process receives (a target declaration can start it)"));
    command.parser().addOption({QStringLiteral("count"),
                                QStringLiteral("Exit after <n> invocations (default: run until "
                                               "--timeout, or for ever)."),
                                QStringLiteral("n")});
    command.parser().addOption(
        {QStringLiteral("echo"), QStringLiteral("Answer each relay that asks for an answer with "
                                                "its own data.")});
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    int remaining = -1;
    if (command.isSet("count")) {
        bool ok = false;
        remaining = command.value("count").toInt(&ok);
        if (!ok || remaining < 1)
            return NavigatorCommand::usageError(QStringLiteral("--count takes a number above 0"));
    }

    InvokeManager manager;
    NavigatorCommand::print(
        QStringLiteral("started as %1").arg(NavigatorCommand::enumName(manager.startupMode())));
    const auto received = [&](const QString &line) {
        NavigatorCommand::print(line);
        if (remaining > 0 && --remaining == 0)
            QCoreApplication::exit(NavigatorCommand::Ok);
    };
    QObject::connect(&manager, qOverload<const InvokeRequest &>(&InvokeManager::invoked),
                     [&](const InvokeRequest &request) {
                         received(QStringLiteral("invoked: %1").arg(describe(request)));
                     });
    QObject::connect(&manager, qOverload<const InvokeViewerRequest &>(&InvokeManager::invoked),
                     [&](const InvokeViewerRequest &request) {
                         received(QStringLiteral("invoked as viewer in window %1 (%2x%3): %4")
                                      .arg(request.windowId())
                                      .arg(request.windowSize().width())
                                      .arg(request.windowSize().height())
                                      .arg(describe(request)));
                     });
    const bool echo = command.isSet("echo");
    QObject::connect(&manager, &InvokeManager::received, [&](const InvokeViewerMessage &message) {
        NavigatorCommand::print(QStringLiteral("relay %1 from window %2: %3")
                                    .arg(message.name(), message.windowId(), message.data()));
        if (echo && !message.id().isEmpty())
            manager.reply(message);
    });
    QObject::connect(&manager, &InvokeManager::viewerClosed, [](const QString &windowId) {
        NavigatorCommand::print(QStringLiteral("viewer closed: %1").arg(windowId));
    });
    if (command.isSet("timeout"))
        QTimer::singleShot(command.timeoutMs(),
                           [] { QCoreApplication::exit(NavigatorCommand::TimedOut); });
    return QCoreApplication::exec();
}
