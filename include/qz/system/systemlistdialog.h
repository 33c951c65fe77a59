#ifndef QZ_SYSTEM_SYSTEMLISTDIALOG_H
#define QZ_SYSTEM_SYSTEMLISTDIALOG_H

#include <QObject>
#include <QQmlListProperty>
#include <QStringList>
#include <QVariantList>
#include <qz/system/systemlistdialogitem.h>
#include <qz/system/systemuibutton.h>
#include <qz/system/systemuienums.h>

namespace qz::system {

class SystemListDialogPrivate;

/*!
    \class qz::system::SystemListDialog
    \brief A system dialog with a list of rows (items, headers, separators) from which the user
    picks one or several.

    Sent as "ListDialog". The answer carries the pressed button and selectedIndices(). finished()
    reports ItemSelection when rows were selected and no known button was named; result() keeps
    the dialog service's value (None in that case). Other results and failures as for
    SystemDialog. Row changes while the dialog is up are sent when autoUpdateEnabled is set.
*/
class QZSYSTEM_EXPORT SystemListDialog : public QObject
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
    Q_PROPERTY(qz::system::ListSelectionMode::Type selectionMode READ selectionMode WRITE
                   setSelectionMode RESET resetSelectionMode NOTIFY selectionModeChanged FINAL)
    Q_PROPERTY(bool dismissOnSelection READ dismissOnSelection WRITE setDismissOnSelection RESET
                   resetDismissOnSelection NOTIFY dismissOnSelectionChanged FINAL)
    Q_PROPERTY(qz::system::ListSelectionIndicator::Type selectionIndicator READ selectionIndicator
                   WRITE setSelectionIndicator RESET resetSelectionIndicator NOTIFY
                       selectionIndicatorChanged FINAL)
    Q_PROPERTY(QVariantList selectedIndices READ selectedIndicesVariant NOTIFY finished FINAL)
public:
    /*! Confirm "Ok", cancel "Cancel", no custom button. */
    explicit SystemListDialog(QObject *parent = nullptr);
    /*! A confirm button only. */
    explicit SystemListDialog(const QString &confirmLabel, QObject *parent = nullptr);
    SystemListDialog(const QString &confirmLabel, const QString &cancelLabel,
                     QObject *parent = nullptr);
    SystemListDialog(const QString &confirmLabel, const QString &customLabel,
                     const QString &cancelLabel, QObject *parent = nullptr);
    ~SystemListDialog() override;

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
    /*! The default label (see the constructors) and enabled. */
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

    ListSelectionMode::Type selectionMode() const;
    void setSelectionMode(ListSelectionMode::Type mode);
    Q_INVOKABLE void resetSelectionMode();

    /*! Whether selecting a row takes the dialog down. */
    bool dismissOnSelection() const;
    void setDismissOnSelection(bool dismiss);
    Q_INVOKABLE void resetDismissOnSelection();

    ListSelectionIndicator::Type selectionIndicator() const;
    void setSelectionIndicator(ListSelectionIndicator::Type indicator);
    Q_INVOKABLE void resetSelectionIndicator();

    Q_INVOKABLE void appendItem(const QString &text, bool enabled = true, bool selected = false);
    /*! One enabled, unselected row per text, sent as one update. */
    Q_INVOKABLE void appendItems(const QStringList &texts);
    Q_INVOKABLE void appendHeader(const QString &text, bool enabled = true);
    Q_INVOKABLE void appendSeparator(const QString &text = QString());
    /*! The rows in the order appended. */
    QList<SystemListDialogItem> items() const;

    /*! The rows selected in the last answer. */
    Q_INVOKABLE QList<int> selectedIndices() const;
    QVariantList selectedIndicesVariant() const;

public Q_SLOTS:
    void clearList();

public Q_SLOTS:
    void show();
    qz::system::SystemUiResult::Type exec();
    void update();
    void cancel();

Q_SIGNALS:
    void finished(qz::system::SystemUiResult::Type result);
    void selectionModeChanged(qz::system::ListSelectionMode::Type mode);
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
    void dismissOnSelectionChanged(bool dismiss);
    void selectionIndicatorChanged(qz::system::ListSelectionIndicator::Type indicator);
    void finished(int result);
    void returnKeyActionChanged(int action);
    void modalityChanged(int modality);
    void selectionModeChanged(int mode);
    void selectionIndicatorChanged(int indicator);

private:
    SystemListDialogPrivate *const d;
};

} // namespace qz::system

#endif
