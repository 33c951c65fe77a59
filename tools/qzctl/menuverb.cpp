#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/PpsObject>
#include <qz/system/MenuManager>

#include <QJsonDocument>
#include <QJsonObject>

using namespace qz::system;

namespace {

const char *const failHelp = R"(
qzctl menu fail TEXT     make the menu service answer every request with the error TEXT
qzctl menu fail --clear  answer requests normally again)";

QString frecencyNote(int frecency)
{
    return frecency > 0 ? QStringLiteral(" (frecency %1)").arg(frecency) : QString();
}

void printMenu(const Menu &menu, int depth)
{
    const QString indent(depth * 2, QLatin1Char(' '));
    for (const MenuItem &item : menu.items()) {
        if (item.subMenu().isValid()) {
            NavigatorCommand::print(QStringLiteral("%1+ %2%3")
                                        .arg(indent, item.label(), frecencyNote(item.frecency())));
            printMenu(item.subMenu(), depth + 1);
            continue;
        }
        const MenuItemInvokeParams invoke = item.invoke();
        NavigatorCommand::print(QStringLiteral("%1- %2 -> %3 %4 (%5)%6")
                                    .arg(indent, item.label(), invoke.target(), invoke.action(),
                                         NavigatorCommand::enumName(invoke.type()),
                                         frecencyNote(item.frecency())));
    }
}

// Switches the service's failure answer through its control object, as a test rig would.
int setFailure(const NavigatorCommand &command, const QString &err)
{
    qz::PpsObject control(QStringLiteral("/pps/services/menu/control"));
    if (!control.open(qz::PpsOpenMode::PublishSubscribe) ||
        control.writeMessage(
            {{QStringLiteral("msg"), QStringLiteral("fail")},
             {QStringLiteral("dat"), QVariantMap{{QStringLiteral("err"), err}}}}) != 0) {
        std::fprintf(stderr, "qzctl: the menu service cannot be reached (is qzdevice running?)\n");
        return NavigatorCommand::NotSent;
    }
    QEventLoop loop;
    QObject::connect(&control, &qz::PpsObject::readyRead, &loop, &QEventLoop::quit);
    QTimer::singleShot(command.timeoutMs(), &loop, &QEventLoop::quit);
    loop.exec();
    bool ok = false;
    const QByteArray answer = control.read(&ok);
    if (!ok || !answer.contains("msg::fail")) {
        std::fprintf(stderr, "qzctl: no answer from the menu service\n");
        return NavigatorCommand::TimedOut;
    }
    NavigatorCommand::print(err.isEmpty() ? QStringLiteral("menus are answered normally")
                                          : QStringLiteral("menus fail with %1").arg(err));
    return NavigatorCommand::Ok;
}

} // namespace

int menuVerb(const QStringList &arguments)
{
    NavigatorCommand command(QStringLiteral("menu"),
                             QStringLiteral("print the menu the device offers for some content; "
                                            "\"+\" is a submenu, \"-\" an invocation\n") +
                                 QLatin1String(failHelp));
    command.parser().addOptions({
        {QStringLiteral("action"), QStringLiteral("The action."), QStringLiteral("action")},
        {QStringLiteral("type"), QStringLiteral("The MIME type."), QStringLiteral("mime")},
        {QStringLiteral("uri"), QStringLiteral("The URI."), QStringLiteral("uri")},
        {QStringLiteral("target"), QStringLiteral("Only this target."), QStringLiteral("key")},
        {QStringLiteral("data"), QStringLiteral("Inline data (UTF-8)."), QStringLiteral("text")},
        {QStringLiteral("clear"), QStringLiteral("fail: answer normally again.")},
    });
    command.parser().addPositionalArgument(QStringLiteral("fail"),
                                           QStringLiteral("Switch the service's error answer."),
                                           QStringLiteral("[fail TEXT|--clear]"));
    command.addContentOptions(true);
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const auto types = command.targetTypes();
    const auto perimeter = command.perimeter();
    const auto metadata = command.metadata();
    if (!types || !perimeter || !metadata)
        return NavigatorCommand::Usage;

    const QStringList positional = command.positional();
    if (!positional.isEmpty()) {
        if (positional.first() != QLatin1String("fail"))
            return NavigatorCommand::usageError(
                QStringLiteral("unknown argument \"%1\"").arg(positional.first()));
        if (command.isSet("clear") ? positional.size() != 1 : positional.size() != 2)
            return NavigatorCommand::usageError(QStringLiteral("fail takes TEXT or --clear"));
        return setFailure(command, positional.value(1));
    }

    MenuManager manager;
    manager.setAction(command.value("action"));
    manager.setMimeType(command.value("type"));
    manager.setTargetKey(command.value("target"));
    if (command.isSet("uri"))
        manager.setUri(QUrl(command.value("uri")));
    manager.setData(command.value("data").toUtf8());
    manager.setTargetTypes(*types);
    manager.setPerimeter(*perimeter);
    manager.setMetadata(*metadata);

    if (!manager.populateMenu()) {
        std::fprintf(stderr, "qzctl: the menu request could not be sent (is qzdevice running?)\n");
        return NavigatorCommand::NotSent;
    }
    if (!command.waitForFinished(&manager)) {
        std::fprintf(stderr, "qzctl: no menu within %d ms\n", command.timeoutMs());
        return NavigatorCommand::TimedOut;
    }
    if (manager.error() != MenuManagerError::None) {
        NavigatorCommand::print(QStringLiteral("error: the menu service failed"));
        return NavigatorCommand::ReplyError;
    }
    const Menu menu = manager.menu();
    NavigatorCommand::print(
        QStringLiteral("menu \"%1\" \"%2\"").arg(menu.title(), menu.subtitle()));
    if (menu.items().isEmpty())
        NavigatorCommand::print(QStringLiteral("nothing to offer"));
    printMenu(menu, 1);
    return NavigatorCommand::Ok;
}
