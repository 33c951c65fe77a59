#include "systemcredentialsprompt_p.h"

#include "dialogforwarding_p.h"
#include "systemuiconstants_p.h"

namespace qz::system {

namespace {
const QString s_labelLogin = QStringLiteral("Login");
const QString s_labelUsername = QStringLiteral("Username");
const QString s_labelPassword = QStringLiteral("Password");
const QString s_labelShowPassword = QStringLiteral("Show password");

const QString s_attributeUsername = QStringLiteral("username");
const QString s_attributeUsernamePlaceholder = QStringLiteral("usernamePlaceholder");
const QString s_attributePassword = QStringLiteral("password");
const QString s_attributePasswordPlaceholder = QStringLiteral("passwordPlaceholder");
const QString s_attributeShowPasswordLabel = QStringLiteral("showPasswordLabel");

SystemUiInputField *createField(SystemUiInputMode::Type mode, const QString &emptyText,
                                QObject *parent)
{
    auto *field = new SystemUiInputField(mode, parent);
    field->setEmptyText(emptyText);
    return field;
}

QString textOr(const QString &text, const QString &fallback)
{
    return text.isEmpty() ? fallback : text;
}
} // namespace

SystemCredentialsPromptPrivate::SystemCredentialsPromptPrivate(SystemCredentialsPrompt *owner)
    : DialogController(owner, SystemDialogService::DialogLogin, s_labelCancel, QString(),
                       s_labelLogin)
    , usernameField(createField(SystemUiInputMode::Default, s_labelUsername, owner))
    , passwordField(createField(SystemUiInputMode::Password, s_labelPassword, owner))
{
    service()->setDefaultConfirmButtonLabel(s_labelLogin);
    bool ok = forwardFinished(owner) & forwardCommonSignals(owner) & forwardDialogSignals(owner);
    ok &= watchCommonChanges() & watchDialogChanges();
    ok &= watchInputField(usernameField) & watchInputField(passwordField);
    ok &= watch(owner, &SystemCredentialsPrompt::includeShowPasswordChanged);
    ok &= watch(owner, &SystemCredentialsPrompt::validationMessageChanged);
    reportConnections(ok, "SystemCredentialsPromptPrivate");
}

bool SystemCredentialsPromptPrivate::isValid() const
{
    return usernameField && passwordField && DialogController::isValid();
}

QVariantMap SystemCredentialsPromptPrivate::createRequest() const
{
    QVariantMap request{
        {s_attributePassword, passwordField->defaultText()},
        {s_attributePasswordPlaceholder, textOr(passwordField->emptyText(), s_labelPassword)},
        {s_attributeUsername, usernameField->defaultText()},
        {s_attributeUsernamePlaceholder, textOr(usernameField->emptyText(), s_labelUsername)},
    };
    if (includeShowPassword)
        request.insert(s_attributeShowPasswordLabel, s_labelShowPassword);
    return request;
}

void SystemCredentialsPromptPrivate::onDialogMessage(const QVariantMap &response)
{
    usernameEntry = response.value(s_attributeUsername).toString();
    passwordEntry = response.value(s_attributePassword).toString();
}

SystemCredentialsPrompt::SystemCredentialsPrompt(QObject *parent)
    : QObject(parent)
    , d(new SystemCredentialsPromptPrivate(this))
{}

SystemCredentialsPrompt::~SystemCredentialsPrompt()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemCredentialsPrompt)
QZ_SYSTEMUI_DIALOG_MEMBERS(SystemCredentialsPrompt)

QString SystemCredentialsPrompt::validationMessage() const
{
    return d->validationMessage;
}

void SystemCredentialsPrompt::setValidationMessage(const QString &message)
{
    setAndNotify(this, d->validationMessage, message,
                 &SystemCredentialsPrompt::validationMessageChanged);
}

void SystemCredentialsPrompt::resetValidationMessage()
{
    setValidationMessage(QString());
}

bool SystemCredentialsPrompt::includeShowPassword() const
{
    return d->includeShowPassword;
}

void SystemCredentialsPrompt::setIncludeShowPassword(bool include)
{
    setAndNotify(this, d->includeShowPassword, include,
                 &SystemCredentialsPrompt::includeShowPasswordChanged);
}

void SystemCredentialsPrompt::resetIncludeShowPassword()
{
    setIncludeShowPassword(true);
}

SystemUiInputField *SystemCredentialsPrompt::usernameField() const
{
    return d->usernameField;
}

void SystemCredentialsPrompt::resetUsernameField()
{
    d->resetInputField(d->usernameField, SystemUiInputMode::Default, s_labelUsername);
}

SystemUiInputField *SystemCredentialsPrompt::passwordField() const
{
    return d->passwordField;
}

void SystemCredentialsPrompt::resetPasswordField()
{
    d->resetInputField(d->passwordField, SystemUiInputMode::Password, s_labelPassword);
}

QString SystemCredentialsPrompt::usernameEntry() const
{
    return d->usernameEntry;
}

QString SystemCredentialsPrompt::passwordEntry() const
{
    return d->passwordEntry;
}

} // namespace qz::system
