#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/SystemPrompt>
#include <qz/system/SystemUiInputField>

#include <QMetaEnum>

int promptVerb(const QStringList &arguments)
{
    using namespace qz::system;
    CtlCommand command(QStringLiteral("prompt"), QStringLiteral("ask for one line of text"),
                       CtlCommand::DialogButtons);
    command.parser().addOptions({
        {QStringLiteral("text"), QStringLiteral("The text the field starts with."),
         QStringLiteral("text")},
        {QStringLiteral("placeholder"), QStringLiteral("Shown while the field is empty."),
         QStringLiteral("text")},
        {QStringLiteral("mode"),
         QStringLiteral("Keyboard: Default, Email, Password, Phone, Pin, Url, Symbols, "
                        "NumericKeypad or NumbersAndPunctuation."),
         QStringLiteral("mode")},
        {QStringLiteral("max-length"), QStringLiteral("The longest text accepted."),
         QStringLiteral("n")},
    });
    if (!command.parse(arguments))
        return 2;
    SystemPrompt prompt;
    command.apply(prompt);
    SystemUiInputField *field = prompt.inputField();
    field->setDefaultText(command.value(QStringLiteral("text")));
    field->setEmptyText(command.value(QStringLiteral("placeholder")));
    if (command.isSet(QStringLiteral("mode"))) {
        bool ok = false;
        const int mode = QMetaEnum::fromType<SystemUiInputMode::Type>().keyToValue(
            command.value(QStringLiteral("mode")).toLatin1(), &ok);
        if (!ok)
            return CtlCommand::usageError(
                QStringLiteral("unknown --mode %1").arg(command.value(QStringLiteral("mode"))));
        field->setInputMode(SystemUiInputMode::Type(mode));
    }
    if (command.isSet(QStringLiteral("max-length"))) {
        const std::optional<int> length = command.number(QStringLiteral("max-length"), 0, 1 << 20);
        if (!length)
            return 2;
        field->setMaximumLength(*length);
    }
    const auto result = command.run(prompt);
    const int status = command.report(result, prompt.error(), prompt.buttonSelection());
    CtlCommand::print(QStringLiteral("text: ") + prompt.inputFieldTextEntry());
    return status;
}
