#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/system/InvokeManager>
#include <qz/system/InvokeQueryTargetsReply>
#include <qz/system/InvokeQueryTargetsRequest>

using namespace qz::system;

int queryVerb(const QStringList &arguments)
{
    NavigatorCommand command(QStringLiteral("query"),
                             QStringLiteral("ask which targets handle an action, MIME type or URI; "
                                            "prints each action with its targets"));
    command.parser().addOptions({
        {QStringLiteral("action"), QStringLiteral("The action."), QStringLiteral("action")},
        {QStringLiteral("type"), QStringLiteral("The MIME type."), QStringLiteral("mime")},
        {QStringLiteral("uri"), QStringLiteral("The URI."), QStringLiteral("uri")},
        {QStringLiteral("target-type"),
         QStringLiteral("application, card, viewer, service, headless (repeatable)."),
         QStringLiteral("kind")},
        {QStringLiteral("menu"), QStringLiteral("Only actions meant for menus.")},
        {QStringLiteral("perimeter"), QStringLiteral("default, personal or enterprise."),
         QStringLiteral("perimeter")},
    });
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;

    InvokeQueryTargetsRequest request;
    request.setAction(command.value("action"));
    request.setMimeType(command.value("type"));
    if (command.isSet("uri"))
        request.setUri(command.value("uri"));
    InvokeTarget::Types types;
    for (const QString &kind : command.values("target-type")) {
        const auto type = NavigatorCommand::enumValue<InvokeTarget::Type>(kind);
        if (!type || *type == InvokeTarget::Unspecified)
            return NavigatorCommand::usageError(
                QStringLiteral("unknown target type \"%1\"").arg(kind));
        types |= *type;
    }
    request.setTargetTypes(types);
    request.setActionType(command.isSet("menu") ? InvokeAction::Menu : InvokeAction::All);
    if (command.isSet("perimeter")) {
        const auto perimeter =
            NavigatorCommand::enumValue<SecurityPerimeter::Type>(command.value("perimeter"));
        if (!perimeter)
            return NavigatorCommand::usageError(
                QStringLiteral("unknown perimeter \"%1\"").arg(command.value("perimeter")));
        request.setPerimeter(*perimeter);
    }

    InvokeManager manager;
    InvokeQueryTargetsReply *reply = manager.queryTargets(request);
    const int status = command.waitAndReport(reply, "query");
    if (status != NavigatorCommand::Ok)
        return status;
    if (reply->actions().isEmpty())
        NavigatorCommand::print(QStringLiteral("no target handles this"));
    for (const InvokeAction &action : reply->actions()) {
        NavigatorCommand::print(QStringLiteral("action %1 \"%2\" default %3")
                                    .arg(action.name(), action.label(), action.defaultTarget()));
        for (const InvokeTarget &target : action.targets())
            NavigatorCommand::print(
                QStringLiteral("  %1 (%2) \"%3\"")
                    .arg(target.name(), NavigatorCommand::enumName(target.type()), target.label()));
    }
    return status;
}
