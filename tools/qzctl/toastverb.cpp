#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/SystemToast>

int toastVerb(const QStringList &arguments)
{
    CtlCommand command(QStringLiteral("toast"), QStringLiteral("show a toast"),
                       CtlCommand::ToastLook);
    command.parser().addOption({QStringLiteral("icon"),
                                QStringLiteral("An icon (file path or URL)."),
                                QStringLiteral("url")});
    if (!command.parse(arguments))
        return 2;
    qz::system::SystemToast toast;
    command.apply(toast);
    if (command.isSet(QStringLiteral("icon")))
        toast.setIcon(QUrl::fromUserInput(command.value(QStringLiteral("icon")), QString(),
                                          QUrl::AssumeLocalFile));
    const auto result = command.run(toast);
    return command.report(result, toast.error(), toast.buttonSelection());
}
