#ifndef QZ_SYSTEM_SYSTEMDIALOG_H
#define QZ_SYSTEM_SYSTEMDIALOG_H

#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>

#include <QObject>
#include <QQmlListProperty>

namespace qz::system {

class SystemDialogPrivate;

/*!
    \class qz::system::SystemDialog
    \brief An alert dialog drawn by the platform: title, message, up to three standard buttons
    (confirm, custom, cancel) plus buttons the application adds, an optional remember-me check box
    and activity indicator.

    show() returns at once and finished() reports the outcome; exec() waits for it. The result
    names the pressed button (ConfirmButtonSelection, CustomButtonSelection,
    CancelButtonSelection, ButtonSelection for an added button, None for an unknown one), or
    Error with error() InvalidState when a standard button was deleted and ServiceUnavailable when
    the dialog service cannot be reached. cancel() takes the dialog away without finished().
    A standard button with an empty label is not shown. A dynamic property "priority"
    (convertible to bool) raises a globally modal dialog. With autoUpdateEnabled, changes while
    the dialog is up are sent at once; otherwise update() sends them.
*/
class QZSYSTEM_EXPORT SystemDialog : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("DefaultProperty", "buttons")
    Q_PROPERTY(QString title READ title WRITE setTitle RESET resetTitle NOTIFY titleChanged FINAL)
    Q_PROPERTY(QString body READ body WRITE setBody RESET resetBody NOTIFY bodyChanged FINAL)
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
    Q_PROPERTY(QQmlListProperty<qz::system::SystemUiButton> buttons READ buttons FINAL)
    Q_PROPERTY(qz::system::SystemUiResult::Type result READ result NOTIFY finished FINAL)
    Q_PROPERTY(qz::system::SystemUiError::Type error READ error NOTIFY finished FINAL)
public:
    /*! Confirm "Ok", cancel "Cancel", no custom button. */
    explicit SystemDialog(QObject *parent = nullptr);
    /*! A confirm button only. */
    explicit SystemDialog(const QString &confirmLabel, QObject *parent = nullptr);
    SystemDialog(const QString &confirmLabel, const QString &cancelLabel,
                 QObject *parent = nullptr);
    SystemDialog(const QString &confirmLabel, const QString &customLabel,
                 const QString &cancelLabel, QObject *parent = nullptr);
    ~SystemDialog() override;

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
    /*! Label "Ok" (custom: empty, cancel: "Cancel") and enabled, whatever the constructor gave. */
    Q_INVOKABLE void resetConfirmButton();
    Q_INVOKABLE void resetCustomButton();
    Q_INVOKABLE void resetCancelButton();

    SystemUiButton *defaultButton() const;
    void setDefaultButton(SystemUiButton *button);
    /*! The first of confirm, custom and cancel with a label. */
    Q_INVOKABLE void resetDefaultButton();

    QQmlListProperty<SystemUiButton> buttons();
    /*! Adds a button after the standard ones; the dialog becomes its parent. */
    void appendButton(SystemUiButton *button);
    Q_INVOKABLE int buttonCount() const;
    SystemUiButton *buttonAt(int index) const;
    /*! Removes and deletes the added buttons. */
    Q_INVOKABLE void clearButtons();

    SystemUiResult::Type result() const;
    SystemUiError::Type error() const;
    /*! The button the last answer named, or null. */
    Q_INVOKABLE qz::system::SystemUiButton *buttonSelection() const;
    /*! The remember-me box in the last answer; false when the answer carried none. */
    Q_INVOKABLE bool rememberMeSelection() const;

public Q_SLOTS:
    void show();
    qz::system::SystemUiResult::Type exec();
    void update();
    void cancel();

Q_SIGNALS:
    void finished(qz::system::SystemUiResult::Type result);
    void titleChanged(const QString &title);
    void bodyChanged(const QString &body);
    void emoticonsEnabledChanged(bool enabled);
    void includeRememberMeChanged(bool include);
    void autoUpdateEnabledChanged(bool enabled);
    void rememberMeCheckedChanged(bool checked);
    void rememberMeTextChanged(const QString &text);
    void defaultButtonChanged(qz::system::SystemUiButton *button);
    void dismissAutomaticallyChanged(bool dismiss);
    void activityIndicatorVisibleChanged(bool visible);
    void returnKeyActionChanged(qz::system::SystemUiReturnKeyAction::Type action);
    void modalityChanged(qz::system::SystemUiModality::Type modality);
    void buttonAreaLimitChanged(int limit);
    void finished(int result);
    void returnKeyActionChanged(int action);
    void modalityChanged(int modality);

private:
    SystemDialogPrivate *const d;
};

} // namespace qz::system

#endif
