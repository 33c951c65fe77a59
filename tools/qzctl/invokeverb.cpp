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
        {QStringLiteral("metadata"), QStringLiteral("Metadata: one JSON object."),
         QStringLiteral("json")},
        {QStringLiteral("target-type"),
         QStringLiteral("Kinds of target to choose from: application, card, viewer, service, "
                        "headless (repeatable)."),
         QStringLiteral("kind")},
        {QStringLiteral("perimeter"), QStringLiteral("default, personal or enterprise."),
         QStringLiteral("perimeter")},
    });
    if (!command.parse(arguments))
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
    if (command.isSet("metadata")) {
        const QJsonDocument json = QJsonDocument::fromJson(command.value("metadata").toUtf8());
        if (!json.isObject())
            return NavigatorCommand::usageError(QStringLiteral("--metadata takes a JSON object"));
        request.setMetadata(json.object().toVariantMap());
    }
    InvokeTarget::Types types;
    for (const QString &kind : command.values("target-type")) {
        const auto type = NavigatorCommand::enumValue<InvokeTarget::Type>(kind);
        if (!type || *type == InvokeTarget::Unspecified || *type == InvokeTarget::Self)
            return NavigatorCommand::usageError(
                QStringLiteral("unknown target type \"%1\"").arg(kind));
        types |= *type;
    }
    request.setTargetTypes(types);
    if (command.isSet("perimeter")) {
        const auto perimeter =
            NavigatorCommand::enumValue<SecurityPerimeter::Type>(command.value("perimeter"));
        if (!perimeter)
            return NavigatorCommand::usageError(
                QStringLiteral("unknown perimeter \"%1\"").arg(command.value("perimeter")));
        request.setPerimeter(*perimeter);
    }

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
