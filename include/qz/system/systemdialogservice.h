#ifndef QZ_SYSTEM_SYSTEMDIALOGSERVICE_H
#define QZ_SYSTEM_SYSTEMDIALOGSERVICE_H

#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>

#include <QList>
#include <QObject>
#include <QQmlListProperty>
#include <QUrl>
#include <QVariantMap>

#include <memory>

namespace qz::system {

class SystemDialogServicePrivate;

/*!
    \class qz::system::SystemDialogService
    \brief The engine under every system dialog, prompt and toast.

    Each dialog object owns one service. The service holds what all dialog kinds share (title,
    body, buttons, remember-me box, modality, return key, icon, busy indicator), turns it plus the
    kind's own keys into a request, talks to the platform dialog service through a
    DialogPpsChannel that exists only while the dialog is up, matches the answer to its request by
    identifier (the dynamic property "_qz_ppsID"), computes the result from the pressed button and
    emits finished(). exec() waits for the answer in a nested event loop.

    Buttons: index 0 is the confirm button, 1 the custom button, 2 the cancel button; buttons the
    application adds follow. A standard button that is destroyed leaves an empty (null) slot; a
    destroyed added button leaves the list.

    The service has no time-out: a dialog the platform never answers stays up until cancel().
*/
class QZSYSTEM_EXPORT SystemDialogService : public QObject
{
    Q_OBJECT
public:
    enum StandardButtonType { ConfirmButton = 0, CustomButton = 1, CancelButton = 2 };

    // The "className" each dialog kind sends.
    static constexpr const char *DialogAlert = "AlertDialog";
    static constexpr const char *DialogPrompt = "PromptDialog";
    static constexpr const char *DialogLogin = "LoginDialog";
    static constexpr const char *DialogList = "ListDialog";
    static constexpr const char *DialogProgress = "ProgressDialog";
    static constexpr const char *ToastBase = "ToastBase";
    static constexpr const char *ToastIcon = "IconToast";
    static constexpr const char *ToastProgress = "ProgressToast";
    static constexpr const char *DialogPassword = "PasswordDialog";
    static constexpr const char *ToastVolume = "VolumeToast";

    // How many buttons the platform may show in the button area; -1 lets it choose.
    static constexpr int s_lowerButtonLimit = 1;
    static constexpr int s_upperButtonLimit = 3;
    static constexpr int s_defaultButtonLimit = -1;

    /*! Creates the three standard buttons as children, labelled \a confirmLabel, \a customLabel
        and \a cancelLabel (note the order of the arguments: cancel, custom, confirm). Whatever the
        labels, the reset operations restore "Ok", empty and "Cancel" until changed with
        setDefaultConfirmButtonLabel() and its siblings. */
    SystemDialogService(const char *className, const QString &cancelLabel,
                        const QString &customLabel, const QString &confirmLabel,
                        QObject *parent = nullptr);
    /*! Sends nothing to the platform: a dialog that is up stays drawn until the platform drops it. */
    ~SystemDialogService() override;

    QString title() const;
    void setTitle(const QString &title);
    void resetTitle();

    QString body() const;
    void setBody(const QString &body);
    void resetBody();

    int buttonsLimit() const;
    /*! Stores \a limit when it lies in 1..3, else -1. */
    void setButtonsLimit(int limit);
    void resetButtonsLimit();

    bool dismissAutomatically() const;
    void setDismissAutomatically(bool dismiss);
    void resetDismissAutomatically();

    SystemUiReturnKeyAction::Type returnKeyType() const;
    void setReturnKeyType(SystemUiReturnKeyAction::Type type);
    void resetReturnKeyType();

    bool isAutoUpdate() const;
    void setAutoUpdate(bool autoUpdate);
    void resetAutoUpdate();

    bool isBusy() const;
    void setBusy(bool busy);
    void resetBusy();

    bool includeRememberMe() const;
    void setIncludeRememberMe(bool include);
    void resetIncludeRememberMe();

    bool isRememberMeEnabled() const;
    void setRememberMeEnabled(bool enabled);
    void resetRememberMeEnabled();

    bool isIncludeRememberMeChecked() const;
    void setRememberMeChecked(bool checked);
    void resetRememberMeChecked();

    QString rememberMeText() const;
    void setRememberMeText(const QString &text);
    void resetRememberMeText();

    bool includeEmoticons() const;
    void setIncludeEmoticons(bool include);
    void resetIncludeEmoticons();

    SystemUiModality::Type modality() const;
    void setModality(SystemUiModality::Type modality);
    void resetModality();

    QString groupId() const;
    void setGroupId(const QString &groupId);
    void resetGroupId();

    QUrl icon() const;
    void setIcon(const QUrl &icon);
    void resetIcon();

    bool isActive() const;
    void setActive(bool active);
    SystemUiResult::Type result() const;
    SystemUiError::Type error() const;
    void setResult(SystemUiResult::Type result, SystemUiError::Type error);
    /*! Result and error None, no selected button, remember-me selection false. */
    void resetResult();
    bool rememberMeSelection() const;
    void setRememberMeSelection(bool selection);
    int selectedButtonIndex() const;
    void setSelectedButtonIndex(int index);
    int defaultButtonIndex() const;
    QString className() const;
    void setClassName(const QString &className);

    SystemUiButton *confirmButton() const;
    SystemUiButton *customButton() const;
    SystemUiButton *cancelButton() const;
    /*! Gives the button its default label and enables it, without signals from the button. */
    void resetConfirmButton();
    void resetCustomButton();
    void resetCancelButton();
    void setDefaultConfirmButtonLabel(const QString &label);
    void setDefaultCustomButtonLabel(const QString &label);
    void setDefaultCancelButtonLabel(const QString &label);

    /*! Adds \a button after the others and makes the service its parent. Null and buttons already
        in the list are ignored. */
    void addButton(SystemUiButton *button);
    /*! Removes and deletes (later) every added button; the standard buttons stay. */
    void clearButtons();
    /*! Every button, standard ones (possibly null) first. */
    QList<SystemUiButton *> buttons() const;
    /*! The number of added buttons. */
    int buttonCount() const;
    /*! The added button \a index, or null. */
    SystemUiButton *buttonAt(int index) const;
    /*! A list property over the added buttons, for the dialog classes' "buttons" property. */
    QQmlListProperty<SystemUiButton> buttonListProperty(QObject *owner);
    static void qmlAppendButton(QQmlListProperty<SystemUiButton> *list, SystemUiButton *button);
    static void qmlClearButtons(QQmlListProperty<SystemUiButton> *list);
    static qsizetype qmlButtonCount(QQmlListProperty<SystemUiButton> *list);
    static SystemUiButton *qmlButtonAt(QQmlListProperty<SystemUiButton> *list, qsizetype index);

    void setDefaultButtonIndex(int index);
    /*! Null or a button not in the list clears the default. */
    void setDefaultButton(SystemUiButton *button);
    /*! The first of confirm, custom and cancel with a label, else none. */
    void resetDefaultButton();
    SystemUiButton *defaultButton() const;
    /*! The button the last answer named, or null. */
    SystemUiButton *buttonSelection() const;

    /*! Adds the common keys to the kind's own \a description and replaces it with the whole
        request: "show" (with "id" and "className") when idle, "update" (with "id" inside "dat")
        when the dialog is up. */
    void createDescription(QVariantMap &description);
    /*! Sends the request built from \a description, opening the channel when the dialog is not up.
        A failed open ends the dialog at once with Error / ServiceUnavailable. */
    void show(QVariantMap &description);
    /*! show(), then waits for the dialog to end. Returns DialogCannotBlock for a nested call. */
    SystemUiResult::Type exec(QVariantMap &description);
    /*! Takes a dialog that is up away; emits no finished() and ends a waiting exec(). */
    void cancel();
    bool openChannel();
    /*! Reads the pressed button and the check box from an answer's "resp_obj"; false when it has
        no usable "selectedIndex". */
    bool parseResponse(QVariantMap &response);
    /*! Emits finished(); closes the channel only when the dialog is dismissed automatically. */
    void notify();
    /*! Closes the channel; emits finished() only if the dialog was still up. */
    void cleanup();
    /*! Closes the channel and emits finished(). */
    void cleanupAndNotify();

Q_SIGNALS:
    void titleChanged(const QString &title);
    void bodyChanged(const QString &body);
    void buttonAreaLimitChanged(int limit);
    void dismissAutomaticallyChanged(bool dismiss);
    void defaultButtonChanged(qz::system::SystemUiButton *button);
    void returnKeyActionChanged(int type);
    void returnKeyActionChanged(qz::system::SystemUiReturnKeyAction::Type type);
    void autoUpdateEnabledChanged(bool enabled);
    void activityIndicatorVisibleChanged(bool visible);
    void includeRememberMeChanged(bool include);
    void rememberMeEnabledChanged(bool enabled);
    void rememberMeCheckedChanged(bool checked);
    void rememberMeTextChanged(const QString &text);
    void emoticonsEnabledChanged(bool enabled);
    void groupIdChanged(const QString &groupId);
    void iconChanged(const QUrl &icon);
    void modalityChanged(int modality);
    void modalityChanged(qz::system::SystemUiModality::Type modality);
    void sendRequest(const QVariantMap &request);
    void dialogResponse(const QVariantMap &response);
    void finished(qz::system::SystemUiResult::Type result);
    void finished(int result);
    void buttonStateChanged();
    void buttonCountChanged();

public Q_SLOTS:
    void onChannelResponse(const QVariantMap &answer);
    void onButtonDestroyed(QObject *button);

private:
    void finish(bool cleanup, bool notify);
    void resetButton(StandardButtonType type);
    void watchButton(SystemUiButton *button);
    void sendCancel();
    void releaseChannel();
    void onChannelFailed();

    std::unique_ptr<SystemDialogServicePrivate> const d;
};

} // namespace qz::system

#endif
