#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/system/InvokeManager>
#include <qz/system/InvokeViewerMessageReply>

using namespace qz::system;

namespace {

// Sends \a message and, when it has an id, prints the viewer's answer.
int relay(const NavigatorCommand &command, InvokeManager &manager,
          const InvokeViewerMessage &message)
{
    bool sent = false;
    InvokeViewerMessageReply *reply = manager.send(message, &sent);
    if (!sent) {
        NavigatorCommand::print(QStringLiteral("relay %1 not sent").arg(message.name()));
        return NavigatorCommand::NotSent;
    }
    if (!reply)
        return NavigatorCommand::Ok;
    if (!command.waitForFinished(reply)) {
        NavigatorCommand::print(QStringLiteral("relay %1: no answer").arg(message.name()));
        return NavigatorCommand::TimedOut;
    }
    if (reply->error() != InvokeViewerMessageReplyError::None) {
        NavigatorCommand::print(
            QStringLiteral("relay %1: error %2")
                .arg(message.name(), NavigatorCommand::enumName(reply->error())));
        return NavigatorCommand::ReplyError;
    }
    NavigatorCommand::print(QStringLiteral("answer %1 from window %2: %3")
                                .arg(reply->name(), reply->windowId(), reply->data()));
    return NavigatorCommand::Ok;
}

} // namespace

int viewerVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("viewer"),
        QStringLiteral("open: invoke --target as a viewer in --window, send each --relay and "
                       "print the answers; relay: send one relay (inside a viewer the window "
                       "comes from WINID); close: close the viewer in --window"));
    command.parser().addPositionalArgument(QStringLiteral("open|relay|close"),
                                           QStringLiteral("What to do."));
    command.parser().addOptions({
        {QStringLiteral("target"), QStringLiteral("open: the viewer's target key."),
         QStringLiteral("key")},
        {QStringLiteral("window"), QStringLiteral("The window group."), QStringLiteral("id")},
        {QStringLiteral("size"), QStringLiteral("open: the window size, WIDTHxHEIGHT."),
         QStringLiteral("size")},
        {QStringLiteral("type"), QStringLiteral("open: MIME type of the data."),
         QStringLiteral("mime")},
        {QStringLiteral("data"), QStringLiteral("open: the data; relay: the relay's data."),
         QStringLiteral("text")},
        {QStringLiteral("relay"),
         QStringLiteral("open: send NAME=DATA after opening and wait for its answer "
                        "(repeatable)."),
         QStringLiteral("name=data")},
        {QStringLiteral("close"), QStringLiteral("open: close the viewer at the end.")},
        {QStringLiteral("name"), QStringLiteral("relay: the message name."),
         QStringLiteral("name")},
        {QStringLiteral("id"), QStringLiteral("relay: an id, to wait for the answer."),
         QStringLiteral("id")},
    });
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const QString op = command.positional().value(0);
    const QString window = command.value("window");
    InvokeManager manager;

    if (op == QLatin1String("close")) {
        if (window.isEmpty())
            return NavigatorCommand::usageError(QStringLiteral("close needs --window"));
        return manager.closeViewer(window) ? NavigatorCommand::Ok : NavigatorCommand::NotSent;
    }
    if (op == QLatin1String("relay")) {
        if (!command.isSet("name"))
            return NavigatorCommand::usageError(QStringLiteral("relay needs --name"));
        InvokeViewerMessage message;
        message.setWindowId(window);
        message.setName(command.value("name"));
        message.setData(command.value("data"));
        message.setId(command.value("id"));
        return relay(command, manager, message);
    }
    if (op != QLatin1String("open") || command.positional().size() != 1)
        return NavigatorCommand::usageError(
            QStringLiteral("use: qzctl viewer open|relay|close [options]"));
    if (!command.isSet("target") || window.isEmpty())
        return NavigatorCommand::usageError(QStringLiteral("open needs --target and --window"));

    InvokeViewerRequest request;
    request.setTarget(command.value("target"));
    request.setMimeType(command.value("type"));
    request.setData(command.value("data").toUtf8());
    request.setWindowId(window);
    if (command.isSet("size")) {
        const QStringList size = command.value("size").split(u'x');
        request.setWindowSize(QSize(size.value(0).toInt(), size.value(1).toInt()));
        if (size.size() != 2 || request.windowSize().isEmpty())
            return NavigatorCommand::usageError(QStringLiteral("--size takes WIDTHxHEIGHT"));
    }
    InvokeTargetReply *opened = manager.invoke(request);
    int status = command.waitAndReport(opened, "viewer invocation");
    if (status != NavigatorCommand::Ok)
        return status;
    NavigatorCommand::print(
        QStringLiteral("viewer %1 opened in window %2").arg(opened->target(), window));
    int id = 0;
    for (const QString &pair : command.values("relay")) {
        InvokeViewerMessage message;
        message.setWindowId(window);
        message.setName(pair.section(u'=', 0, 0));
        message.setData(pair.section(u'=', 1));
        message.setId(QString::number(++id));
        if (const int relayed = relay(command, manager, message); relayed != NavigatorCommand::Ok)
            status = relayed;
    }
    if (command.isSet("close") && !manager.closeViewer(window))
        status = NavigatorCommand::NotSent;
    return status;
}
