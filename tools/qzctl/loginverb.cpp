#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/SystemCredentialsPrompt>
#include <qz/system/SystemUiInputField>

int loginVerb(const QStringList &arguments)
{
    CtlCommand command(QStringLiteral("login"),
                       QStringLiteral("ask for a user name and a password"),
                       CtlCommand::DialogButtons);
    command.parser().addOptions({
        {QStringLiteral("username"), QStringLiteral("The user name the field starts with."),
         QStringLiteral("name")},
        {QStringLiteral("password"), QStringLiteral("The password the field starts with."),
         QStringLiteral("text")},
        {QStringLiteral("no-show-password"), QStringLiteral("Do not offer to show the password.")},
    });
    if (!command.parse(arguments))
        return 2;
    qz::system::SystemCredentialsPrompt prompt;
    command.apply(prompt);
    prompt.usernameField()->setDefaultText(command.value(QStringLiteral("username")));
    prompt.passwordField()->setDefaultText(command.value(QStringLiteral("password")));
    prompt.setIncludeShowPassword(!command.isSet(QStringLiteral("no-show-password")));
    const auto result = command.run(prompt);
    const int status = command.report(result, prompt.error(), prompt.buttonSelection());
    CtlCommand::print(QStringLiteral("username: ") + prompt.usernameEntry());
    CtlCommand::print(QStringLiteral("password: ") + prompt.passwordEntry());
    if (prompt.includeRememberMe())
        CtlCommand::print(QStringLiteral("remember-me: %1")
                              .arg(prompt.rememberMeSelection() ? u"checked" : u"unchecked"));
    return status;
}
