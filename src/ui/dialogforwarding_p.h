// Internal to libqzsystem, not API: the members every public dialog class forwards to its
// service, defined once. Each macro expects the class's private object in "d" (a DialogController).
#ifndef QZ_SYSTEM_DIALOGFORWARDING_P_H
#define QZ_SYSTEM_DIALOGFORWARDING_P_H

#include "dialogcontroller_p.h"

// body, autoUpdateEnabled, modality, result, error, the pressed button and the four slots.
#define QZ_SYSTEMUI_COMMON_MEMBERS(Class)                                                          \
    QString Class::body() const                                                                    \
    {                                                                                              \
        return d->service()->body();                                                               \
    }                                                                                              \
    void Class::setBody(const QString &body)                                                       \
    {                                                                                              \
        d->service()->setBody(body);                                                               \
    }                                                                                              \
    void Class::resetBody()                                                                        \
    {                                                                                              \
        d->service()->resetBody();                                                                 \
    }                                                                                              \
    bool Class::autoUpdateEnabled() const                                                          \
    {                                                                                              \
        return d->service()->isAutoUpdate();                                                       \
    }                                                                                              \
    void Class::setAutoUpdateEnabled(bool enabled)                                                 \
    {                                                                                              \
        d->service()->setAutoUpdate(enabled);                                                      \
    }                                                                                              \
    void Class::resetAutoUpdateEnabled()                                                           \
    {                                                                                              \
        d->service()->resetAutoUpdate();                                                           \
    }                                                                                              \
    SystemUiModality::Type Class::modality() const                                                 \
    {                                                                                              \
        return d->service()->modality();                                                           \
    }                                                                                              \
    void Class::setModality(SystemUiModality::Type modality)                                       \
    {                                                                                              \
        d->service()->setModality(modality);                                                       \
    }                                                                                              \
    void Class::resetModality()                                                                    \
    {                                                                                              \
        d->service()->resetModality();                                                             \
    }                                                                                              \
    SystemUiResult::Type Class::result() const                                                     \
    {                                                                                              \
        return d->service()->result();                                                             \
    }                                                                                              \
    SystemUiError::Type Class::error() const                                                       \
    {                                                                                              \
        return d->service()->error();                                                              \
    }                                                                                              \
    SystemUiButton *Class::buttonSelection() const                                                 \
    {                                                                                              \
        return d->service()->buttonSelection();                                                    \
    }                                                                                              \
    void Class::show()                                                                             \
    {                                                                                              \
        d->show();                                                                                 \
    }                                                                                              \
    SystemUiResult::Type Class::exec()                                                             \
    {                                                                                              \
        return d->exec();                                                                          \
    }                                                                                              \
    void Class::update()                                                                           \
    {                                                                                              \
        d->update();                                                                               \
    }                                                                                              \
    void Class::cancel()                                                                           \
    {                                                                                              \
        d->cancel();                                                                               \
    }

// What the dialogs (not the toasts) add: title, remember-me box, emoticons, button area, return
// key, activity indicator and the three standard buttons with the default button.
#define QZ_SYSTEMUI_DIALOG_MEMBERS(Class)                                                          \
    QString Class::title() const                                                                   \
    {                                                                                              \
        return d->service()->title();                                                              \
    }                                                                                              \
    void Class::setTitle(const QString &title)                                                     \
    {                                                                                              \
        d->service()->setTitle(title);                                                             \
    }                                                                                              \
    void Class::resetTitle()                                                                       \
    {                                                                                              \
        d->service()->resetTitle();                                                                \
    }                                                                                              \
    bool Class::emoticonsEnabled() const                                                           \
    {                                                                                              \
        return d->service()->includeEmoticons();                                                   \
    }                                                                                              \
    void Class::setEmoticonsEnabled(bool enabled)                                                  \
    {                                                                                              \
        d->service()->setIncludeEmoticons(enabled);                                                \
    }                                                                                              \
    void Class::resetEmoticonsEnabled()                                                            \
    {                                                                                              \
        d->service()->resetIncludeEmoticons();                                                     \
    }                                                                                              \
    bool Class::includeRememberMe() const                                                          \
    {                                                                                              \
        return d->service()->includeRememberMe();                                                  \
    }                                                                                              \
    void Class::setIncludeRememberMe(bool include)                                                 \
    {                                                                                              \
        d->service()->setIncludeRememberMe(include);                                               \
    }                                                                                              \
    void Class::resetIncludeRememberMe()                                                           \
    {                                                                                              \
        d->service()->resetIncludeRememberMe();                                                    \
    }                                                                                              \
    bool Class::rememberMeChecked() const                                                          \
    {                                                                                              \
        return d->service()->isIncludeRememberMeChecked();                                         \
    }                                                                                              \
    void Class::setRememberMeChecked(bool checked)                                                 \
    {                                                                                              \
        d->service()->setRememberMeChecked(checked);                                               \
    }                                                                                              \
    void Class::resetRememberMeChecked()                                                           \
    {                                                                                              \
        d->service()->resetRememberMeChecked();                                                    \
    }                                                                                              \
    QString Class::rememberMeText() const                                                          \
    {                                                                                              \
        return d->service()->rememberMeText();                                                     \
    }                                                                                              \
    void Class::setRememberMeText(const QString &text)                                             \
    {                                                                                              \
        d->service()->setRememberMeText(text);                                                     \
    }                                                                                              \
    void Class::resetRememberMeText()                                                              \
    {                                                                                              \
        d->service()->resetRememberMeText();                                                       \
    }                                                                                              \
    int Class::buttonAreaLimit() const                                                             \
    {                                                                                              \
        return d->service()->buttonsLimit();                                                       \
    }                                                                                              \
    void Class::setButtonAreaLimit(int limit)                                                      \
    {                                                                                              \
        d->service()->setButtonsLimit(limit);                                                      \
    }                                                                                              \
    void Class::resetButtonAreaLimit()                                                             \
    {                                                                                              \
        d->service()->resetButtonsLimit();                                                         \
    }                                                                                              \
    bool Class::dismissAutomatically() const                                                       \
    {                                                                                              \
        return d->service()->dismissAutomatically();                                               \
    }                                                                                              \
    void Class::setDismissAutomatically(bool dismiss)                                              \
    {                                                                                              \
        d->service()->setDismissAutomatically(dismiss);                                            \
    }                                                                                              \
    void Class::resetDismissAutomatically()                                                        \
    {                                                                                              \
        d->service()->resetDismissAutomatically();                                                 \
    }                                                                                              \
    bool Class::activityIndicatorVisible() const                                                   \
    {                                                                                              \
        return d->service()->isBusy();                                                             \
    }                                                                                              \
    void Class::setActivityIndicatorVisible(bool visible)                                          \
    {                                                                                              \
        d->service()->setBusy(visible);                                                            \
    }                                                                                              \
    void Class::resetActivityIndicatorVisible()                                                    \
    {                                                                                              \
        d->service()->resetBusy();                                                                 \
    }                                                                                              \
    SystemUiReturnKeyAction::Type Class::returnKeyAction() const                                   \
    {                                                                                              \
        return d->service()->returnKeyType();                                                      \
    }                                                                                              \
    void Class::setReturnKeyAction(SystemUiReturnKeyAction::Type action)                           \
    {                                                                                              \
        d->service()->setReturnKeyType(action);                                                    \
    }                                                                                              \
    void Class::resetReturnKeyAction()                                                             \
    {                                                                                              \
        d->service()->resetReturnKeyType();                                                        \
    }                                                                                              \
    SystemUiButton *Class::confirmButton() const                                                   \
    {                                                                                              \
        return d->service()->confirmButton();                                                      \
    }                                                                                              \
    SystemUiButton *Class::customButton() const                                                    \
    {                                                                                              \
        return d->service()->customButton();                                                       \
    }                                                                                              \
    SystemUiButton *Class::cancelButton() const                                                    \
    {                                                                                              \
        return d->service()->cancelButton();                                                       \
    }                                                                                              \
    void Class::resetConfirmButton()                                                               \
    {                                                                                              \
        d->service()->resetConfirmButton();                                                        \
    }                                                                                              \
    void Class::resetCustomButton()                                                                \
    {                                                                                              \
        d->service()->resetCustomButton();                                                         \
    }                                                                                              \
    void Class::resetCancelButton()                                                                \
    {                                                                                              \
        d->service()->resetCancelButton();                                                         \
    }                                                                                              \
    SystemUiButton *Class::defaultButton() const                                                   \
    {                                                                                              \
        return d->service()->defaultButton();                                                      \
    }                                                                                              \
    void Class::setDefaultButton(SystemUiButton *button)                                           \
    {                                                                                              \
        d->service()->setDefaultButton(button);                                                    \
    }                                                                                              \
    void Class::resetDefaultButton()                                                               \
    {                                                                                              \
        d->service()->resetDefaultButton();                                                        \
    }                                                                                              \
    bool Class::rememberMeSelection() const                                                        \
    {                                                                                              \
        return d->service()->rememberMeSelection();                                                \
    }

// The list of buttons the application adds, also as the QML default property "buttons".
#define QZ_SYSTEMUI_BUTTON_LIST_MEMBERS(Class)                                                     \
    QQmlListProperty<SystemUiButton> Class::buttons()                                              \
    {                                                                                              \
        return d->service()->buttonListProperty(this);                                             \
    }                                                                                              \
    void Class::appendButton(SystemUiButton *button)                                               \
    {                                                                                              \
        d->service()->addButton(button);                                                           \
    }                                                                                              \
    int Class::buttonCount() const                                                                 \
    {                                                                                              \
        return d->service()->buttonCount();                                                        \
    }                                                                                              \
    SystemUiButton *Class::buttonAt(int index) const                                               \
    {                                                                                              \
        return d->service()->buttonAt(index);                                                      \
    }                                                                                              \
    void Class::clearButtons()                                                                     \
    {                                                                                              \
        d->service()->clearButtons();                                                              \
    }

#define QZ_SYSTEMUI_ICON_MEMBERS(Class)                                                            \
    QUrl Class::icon() const                                                                       \
    {                                                                                              \
        return d->service()->icon();                                                               \
    }                                                                                              \
    void Class::setIcon(const QUrl &icon)                                                          \
    {                                                                                              \
        d->service()->setIcon(icon);                                                               \
    }                                                                                              \
    void Class::resetIcon()                                                                        \
    {                                                                                              \
        d->service()->resetIcon();                                                                 \
    }

// A toast's one button is the service's confirm button.
#define QZ_SYSTEMUI_TOAST_BUTTON_MEMBERS(Class)                                                    \
    SystemUiButton *Class::button() const                                                          \
    {                                                                                              \
        return d->service()->confirmButton();                                                      \
    }                                                                                              \
    void Class::resetButton()                                                                      \
    {                                                                                              \
        d->service()->resetConfirmButton();                                                        \
    }

#endif
