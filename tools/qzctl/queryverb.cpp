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
        {QStringLiteral("menu"), QStringLiteral("Only actions meant for menus.")},
    });
    command.addContentOptions(false);
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const auto types = command.targetTypes();
    const auto perimeter = command.perimeter();
    if (!types || !perimeter)
        return NavigatorCommand::Usage;

    InvokeQueryTargetsRequest request;
    request.setAction(command.value("action"));
    request.setMimeType(command.value("type"));
    if (command.isSet("uri"))
        request.setUri(command.value("uri"));
    request.setTargetTypes(*types);
    request.setPerimeter(*perimeter);
    request.setActionType(command.isSet("menu") ? InvokeAction::Menu : InvokeAction::All);

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
