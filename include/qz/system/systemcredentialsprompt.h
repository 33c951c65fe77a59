#ifndef QZ_SYSTEM_SYSTEMCREDENTIALSPROMPT_H
#define QZ_SYSTEM_SYSTEMCREDENTIALSPROMPT_H

#include <QObject>
#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>
#include <qz/system/systemuiinputfield.h>

namespace qz::system {

class SystemCredentialsPromptPrivate;

/*!
    \class qz::system::SystemCredentialsPrompt
    \brief The system login dialog: a user-name field, a password field, an optional switch that
    shows the password, the remember-me box and the buttons "Cancel" and "Login".

    Sent as "LoginDialog". The answer carries the pressed button (ConfirmButtonSelection for
    "Login"), usernameEntry(), passwordEntry() and rememberMeSelection(). A deleted field or
    standard button ends show() and exec() with Error / InvalidState.
*/
class QZSYSTEM_EXPORT SystemCredentialsPrompt : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString title READ title WRITE setTitle RESET resetTitle NOTIFY titleChanged FINAL)
    Q_PROPERTY(QString body READ body WRITE setBody RESET resetBody NOTIFY bodyChanged FINAL)
    Q_PROPERTY(QString validationMessage READ validationMessage WRITE setValidationMessage RESET
                   resetValidationMessage NOTIFY validationMessageChanged FINAL)
    Q_PROPERTY(bool includeShowPassword READ includeShowPassword WRITE setIncludeShowPassword RESET
                   resetIncludeShowPassword NOTIFY includeShowPasswordChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiInputField *usernameField READ usernameField RESET
                   resetUsernameField CONSTANT FINAL)
    Q_PROPERTY(qz::system::SystemUiInputField *passwordField READ passwordField RESET
                   resetPasswordField CONSTANT FINAL)
    Q_PROPERTY(bool emoticonsEnabled READ emoticonsEnabled WRITE setEmoticonsEnabled RESET
                   resetEmoticonsEnabled NOTIFY emoticonsEnabledChanged FINAL)
    Q_PROPERTY(bool includeRememberMe READ includeRememberMe WRITE setIncludeRememberMe RESET
                   resetIncludeRememberMe NOTIFY includeRememberMeChanged FINAL)
    Q_PROPERTY(bool autoUpdateEnabled READ autoUpdateEnabled WRITE setAutoUpdateEnabled RESET
                   resetAutoUpdateEnabled NOTIFY autoUpdateEnabledChanged FINAL)
    Q_PROPERTY(bool rememberMeChecked READ rememberMeChecked WRITE setRememberMeChecked RESET
                   resetRememberMeChecked NOTIFY rememberMeCheckedChanged FINAL)
    Q_PROPERTY(QString rememberMeText READ rememberMeText WRITE setRememberMeText RESET
                   resetRememberMeText NOTIFY rememberMeTextChanged FINAL)
    Q_PROPERTY(int buttonAreaLimit READ buttonAreaLimit WRITE setButtonAreaLimit RESET
                   resetButtonAreaLimit NOTIFY buttonAreaLimitChanged FINAL)
    Q_PROPERTY(bool dismissAutomatically READ dismissAutomatically WRITE setDismissAutomatically
                   RESET resetDismissAutomatically NOTIFY dismissAutomaticallyChanged FINAL)
    Q_PROPERTY(bool activityIndicatorVisible READ activityIndicatorVisible WRITE
                   setActivityIndicatorVisible RESET resetActivityIndicatorVisible NOTIFY
                       activityIndicatorVisibleChanged FINAL)
    Q_PROPERTY(
        qz::system::SystemUiReturnKeyAction::Type returnKeyAction READ returnKeyAction WRITE
            setReturnKeyAction RESET resetReturnKeyAction NOTIFY returnKeyActionChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiModality::Type modality READ modality WRITE setModality RESET
                   resetModality NOTIFY modalityChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiButton *confirmButton READ confirmButton RESET resetConfirmButton
                   CONSTANT FINAL)
    Q_PROPERTY(qz::system::SystemUiButton *customButton READ customButton RESET resetCustomButton
                   CONSTANT FINAL)
    Q_PROPERTY(qz::system::SystemUiButton *cancelButton READ cancelButton RESET resetCancelButton
                   CONSTANT FINAL)
    Q_PROPERTY(qz::system::SystemUiButton *defaultButton READ defaultButton WRITE setDefaultButton
                   RESET resetDefaultButton NOTIFY defaultButtonChanged FINAL)
    Q_PROPERTY(qz::system::SystemUiResult::Type result READ result NOTIFY finished FINAL)
    Q_PROPERTY(qz::system::SystemUiError::Type error READ error NOTIFY finished FINAL)
public:
    explicit SystemCredentialsPrompt(QObject *parent = nullptr);
    ~SystemCredentialsPrompt() override;

    QString title() const;
    void setTitle(const QString &title);
    Q_INVOKABLE void resetTitle();

    QString body() const;
    void setBody(const QString &body);
    Q_INVOKABLE void resetBody();

    bool emoticonsEnabled() const;
    void setEmoticonsEnabled(bool enabled);
    Q_INVOKABLE void resetEmoticonsEnabled();

    bool includeRememberMe() const;
    void setIncludeRememberMe(bool include);
    Q_INVOKABLE void resetIncludeRememberMe();

    bool autoUpdateEnabled() const;
    void setAutoUpdateEnabled(bool enabled);
    Q_INVOKABLE void resetAutoUpdateEnabled();

    bool rememberMeChecked() const;
    void setRememberMeChecked(bool checked);
    Q_INVOKABLE void resetRememberMeChecked();

    QString rememberMeText() const;
    void setRememberMeText(const QString &text);
    Q_INVOKABLE void resetRememberMeText();

    int buttonAreaLimit() const;
    /*! 1 to 3; anything else lets the platform choose (-1). */
    void setButtonAreaLimit(int limit);
    Q_INVOKABLE void resetButtonAreaLimit();

    bool dismissAutomatically() const;
    void setDismissAutomatically(bool dismiss);
    Q_INVOKABLE void resetDismissAutomatically();

    bool activityIndicatorVisible() const;
    void setActivityIndicatorVisible(bool visible);
    Q_INVOKABLE void resetActivityIndicatorVisible();

    SystemUiReturnKeyAction::Type returnKeyAction() const;
    void setReturnKeyAction(SystemUiReturnKeyAction::Type action);
    Q_INVOKABLE void resetReturnKeyAction();

    SystemUiModality::Type modality() const;
    void setModality(SystemUiModality::Type modality);
    Q_INVOKABLE void resetModality();

    SystemUiButton *confirmButton() const;
    SystemUiButton *customButton() const;
    SystemUiButton *cancelButton() const;
    /*! Confirm "Login", custom empty, cancel "Cancel"; enabled. */
    Q_INVOKABLE void resetConfirmButton();
    Q_INVOKABLE void resetCustomButton();
    Q_INVOKABLE void resetCancelButton();

    SystemUiButton *defaultButton() const;
    void setDefaultButton(SystemUiButton *button);
    /*! The first of confirm, custom and cancel with a label. */
    Q_INVOKABLE void resetDefaultButton();

    SystemUiResult::Type result() const;
    SystemUiError::Type error() const;
    /*! The button the last answer named, or null. */
    Q_INVOKABLE qz::system::SystemUiButton *buttonSelection() const;
    /*! The remember-me box in the last answer; false when the answer carried none. */
    Q_INVOKABLE bool rememberMeSelection() const;

    /*! A message about the last entry; stored and signalled, not sent. */
    QString validationMessage() const;
    void setValidationMessage(const QString &message);
    Q_INVOKABLE void resetValidationMessage();

    /*! Whether the dialog offers to show the password ("Show password"). */
    bool includeShowPassword() const;
    void setIncludeShowPassword(bool include);
    Q_INVOKABLE void resetIncludeShowPassword();

    /*! Null once the application deleted it. Placeholder "Username" when its emptyText is empty. */
    SystemUiInputField *usernameField() const;
    Q_INVOKABLE void resetUsernameField();
    /*! Null once the application deleted it. Placeholder "Password" when its emptyText is empty. */
    SystemUiInputField *passwordField() const;
    Q_INVOKABLE void resetPasswordField();

    /*! The user name of the last answer; empty when it carried none. */
    Q_INVOKABLE QString usernameEntry() const;
    /*! The password of the last answer; empty when it carried none. */
    Q_INVOKABLE QString passwordEntry() const;

public Q_SLOTS:
    void show();
    qz::system::SystemUiResult::Type exec();
    void update();
    void cancel();

Q_SIGNALS:
    void finished(qz::system::SystemUiResult::Type result);
    void titleChanged(const QString &title);
    void bodyChanged(const QString &body);
    void validationMessageChanged(const QString &message);
    void emoticonsEnabledChanged(bool enabled);
    void includeShowPasswordChanged(bool include);
    void includeRememberMeChanged(bool include);
    void autoUpdateEnabledChanged(bool enabled);
    void rememberMeCheckedChanged(bool checked);
    void rememberMeTextChanged(const QString &text);
    void defaultButtonChanged(qz::system::SystemUiButton *button);
    void buttonAreaLimitChanged(int limit);
    void dismissAutomaticallyChanged(bool dismiss);
    void activityIndicatorVisibleChanged(bool visible);
    void returnKeyActionChanged(qz::system::SystemUiReturnKeyAction::Type action);
    void modalityChanged(qz::system::SystemUiModality::Type modality);
    void finished(int result);
    void returnKeyActionChanged(int action);
    void modalityChanged(int modality);

private:
    SystemCredentialsPromptPrivate *const d;
};

} // namespace qz::system

#endif
