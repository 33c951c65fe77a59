#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/SystemDialog>

int dialogVerb(const QStringList &arguments)
{
    CtlCommand command(QStringLiteral("dialog"), QStringLiteral("show an alert dialog"),
                       CtlCommand::DialogButtons | CtlCommand::ExtraButtons);
    if (!command.parse(arguments))
        return 2;
    qz::system::SystemDialog dialog;
    command.apply(dialog);
    command.applyExtraButtons(dialog);
    const auto result = command.run(dialog);
    const int status = command.report(result, dialog.error(), dialog.buttonSelection());
    if (dialog.includeRememberMe())
        CtlCommand::print(QStringLiteral("remember-me: %1")
                              .arg(dialog.rememberMeSelection() ? u"checked" : u"unchecked"));
    return status;
}
