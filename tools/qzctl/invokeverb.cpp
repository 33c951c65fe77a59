#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/system/InvokeManager>

#include <QJsonDocument>
#include <QJsonObject>

using namespace qz::system;

int invokeVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("invoke"),
        QStringLiteral("invoke a target by its key, or let the navigator choose one by action, "
                       "MIME type and URI; prints the answer and the target chosen"));
    command.parser().addOptions({
        {QStringLiteral("target"), QStringLiteral("The target key."), QStringLiteral("key")},
        {QStringLiteral("action"), QStringLiteral("The action."), QStringLiteral("action")},
        {QStringLiteral("type"), QStringLiteral("The MIME type of the data."),
         QStringLiteral("mime")},
        {QStringLiteral("uri"), QStringLiteral("The URI of the content."), QStringLiteral("uri")},
        {QStringLiteral("data"), QStringLiteral("The data, as text."), QStringLiteral("text")},
    });
    command.addContentOptions(true);
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const auto types = command.targetTypes();
    const auto perimeter = command.perimeter();
    const auto metadata = command.metadata();
    if (!types || !perimeter || !metadata)
        return NavigatorCommand::Usage;
    if (!command.isSet("target") && !command.isSet("action") && !command.isSet("type") &&
        !command.isSet("uri"))
        return NavigatorCommand::usageError(
            QStringLiteral("say what to invoke: --target, or --action/--type/--uri"));

    InvokeRequest request;
    request.setTarget(command.value("target"));
    request.setAction(command.value("action"));
    request.setMimeType(command.value("type"));
    if (command.isSet("uri"))
        request.setUri(command.value("uri"));
    request.setData(command.value("data").toUtf8());
    request.setTargetTypes(*types);
    request.setPerimeter(*perimeter);
    request.setMetadata(*metadata);

    InvokeManager manager;
    InvokeTargetReply *reply = manager.invoke(request);
    const int status = command.waitAndReport(reply, "invocation");
    if (status == NavigatorCommand::Ok || status == NavigatorCommand::ReplyError) {
        NavigatorCommand::print(
            reply->target().isEmpty()
                ? QStringLiteral("target: (none named)")
                : QStringLiteral("target: %1 (%2)")
                      .arg(reply->target(), NavigatorCommand::enumName(reply->targetType())));
    }
    return status;
}
