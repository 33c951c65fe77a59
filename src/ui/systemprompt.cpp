#include "systemprompt_p.h"

#include "dialogforwarding_p.h"
#include "systemuiconstants_p.h"

namespace qz::system {

namespace {
const QString s_attributeInputField = QStringLiteral("inputField");
const QString s_attributeInputPlaceholder = QStringLiteral("inputPlaceholder");
const QString s_attributeInputKeyboard = QStringLiteral("inputKeyboard");
const QString s_attributeMaxChars = QStringLiteral("maxChars");
const QString s_attributeDisplayAsPassword = QStringLiteral("displayAsPassword");
const QString s_attributeInputOptions = QStringLiteral("inputOptions");
} // namespace

SystemPromptPrivate::SystemPromptPrivate(SystemPrompt *owner)
    : DialogController(owner, SystemDialogService::DialogPrompt, s_labelCancel, QString(),
                       s_labelOk)
    , inputField(new SystemUiInputField(this))
{
    bool ok = forwardFinished(owner) & forwardCommonSignals(owner) & forwardDialogSignals(owner);
    ok &= watchCommonChanges() & watchDialogChanges() & watchInputField(inputField);
    ok &= watch(owner, qOverload<SystemUiInputOption::Types>(&SystemPrompt::inputOptionsChanged));
    reportConnections(ok, "SystemPromptPrivate");
}

bool SystemPromptPrivate::isValid() const
{
    return inputField && DialogController::isValid();
}

QVariantMap SystemPromptPrivate::createRequest() const
{
    QVariantMap request{
        {s_attributeInputField, inputField->defaultText()},
        {s_attributeInputPlaceholder, inputField->emptyText()},
        {s_attributeInputKeyboard, inputModeToString(inputField->inputMode())},
        {s_attributeMaxChars, inputField->maximumLength()},
    };
    if (inputField->inputMode() == SystemUiInputMode::Password)
        request.insert(s_attributeDisplayAsPassword, true);
    else if (inputField->inputMode() == SystemUiInputMode::Default)
        request.insert(s_attributeInputOptions, int(inputOptions));
    return request;
}

void SystemPromptPrivate::onDialogMessage(const QVariantMap &response)
{
    enteredText = response.value(s_attributeInputField).toString();
}

SystemPrompt::SystemPrompt(QObject *parent)
    : QObject(parent)
    , d(new SystemPromptPrivate(this))
{}

SystemPrompt::~SystemPrompt()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemPrompt)
QZ_SYSTEMUI_DIALOG_MEMBERS(SystemPrompt)

SystemUiInputField *SystemPrompt::inputField() const
{
    return d->inputField;
}

void SystemPrompt::resetInputField()
{
    d->resetInputField(d->inputField, SystemUiInputMode::Default, QString());
}

SystemUiInputOption::Types SystemPrompt::inputOptions() const
{
    return d->inputOptions;
}

void SystemPrompt::setInputOptions(SystemUiInputOption::Types options)
{
    setAndNotify(this, d->inputOptions, options,
                 qOverload<SystemUiInputOption::Types>(&SystemPrompt::inputOptionsChanged),
                 qOverload<int>(&SystemPrompt::inputOptionsChanged));
}

void SystemPrompt::resetInputOptions()
{
    setInputOptions(SystemPromptPrivate::DefaultInputOptions);
}

QString SystemPrompt::inputFieldTextEntry() const
{
    return d->enteredText;
}

} // namespace qz::system
