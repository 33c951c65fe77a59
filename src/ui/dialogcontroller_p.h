// Internal to libqzsystem, not API: the behaviour every dialog kind shares, written once.
#ifndef QZ_SYSTEM_DIALOGCONTROLLER_P_H
#define QZ_SYSTEM_DIALOGCONTROLLER_P_H

#include <qz/system/systemdialogservice.h>
#include <qz/system/systemuiinputfield.h>

#include <QObject>
#include <QVariantMap>

namespace qz::system {

/*
    Stores \a value in \a field and, only when it differs, emits each of \a signals on \a q with
    it (an enumeration goes to its int overload as its number).
*/
template<typename Object, typename T, typename... Signals>
void setAndNotify(Object *q, T &field, const T &value, Signals... signals)
{
    if (field == value)
        return;
    field = value;
    (Q_EMIT(q->*signals)(value), ...);
}

/*
    The private object of a dialog kind derives from this. It owns the kind's service, gives the
    service, itself and the public object one identity, and runs the common show / exec / update /
    auto-update / cancel pattern. A kind adds only its validity rule, its own request keys, its
    answer reading and its properties.
*/
class DialogController : public QObject
{
    Q_OBJECT
public:
    // The labels come in the service's order: cancel, custom, confirm.
    DialogController(QObject *owner, const char *className, const QString &cancelLabel,
                     const QString &customLabel, const QString &confirmLabel);
    ~DialogController() override;

    SystemDialogService *service() const { return m_service; }

    void show();
    SystemUiResult::Type exec();
    void update();
    void cancel();

    /*! Gives \a field its initial settings without a signal per setting, then one autoUpdate(). */
    void resetInputField(SystemUiInputField *field, SystemUiInputMode::Type mode,
                         const QString &emptyText);

public Q_SLOTS:
    /*! Re-sends the description when auto-update is on and the dialog is up. */
    void autoUpdate();

protected:
    QObject *owner() const { return m_owner; }

    /*! Whether every object the dialog depends on still exists; by default the three standard
        buttons. */
    virtual bool isValid() const;
    /*! The kind's own request keys ("priority" is added for every kind). */
    virtual QVariantMap createRequest() const { return {}; }
    /*! Runs after the description is built and before it is sent. */
    virtual void prepareService() {}

protected Q_SLOTS:
    /*! The matched answer's "resp_obj", before finished() is emitted. */
    virtual void onDialogMessage(const QVariantMap &response);

protected:
    // Connections of the service's signals to the public object's signals of the same name.
    template<class Public> bool forwardFinished(Public *q) const;
    template<class Public> bool forwardCommonSignals(Public *q) const;
    template<class Public> bool forwardDialogSignals(Public *q) const;

    // Connections that make a change re-send the description (see autoUpdate()).
    template<typename Sender, typename Signal> bool watch(const Sender *sender, Signal signal)
    {
        return bool(connect(sender, signal, this, &DialogController::autoUpdate));
    }
    bool watchCommonChanges();
    bool watchDialogChanges();
    bool watchIconChanges();
    bool watchInputField(const SystemUiInputField *field);

    /*! Logs the warning a kind gives when its signals could not all be connected. */
    static void reportConnections(bool connected, const char *privateClassName);

private:
    bool rejectIfInvalid();
    QVariantMap buildRequest();

    QObject *const m_owner;
    SystemDialogService *const m_service;
};

template<class Public> bool DialogController::forwardFinished(Public *q) const
{
    const SystemDialogService *s = m_service;
    bool ok = bool(connect(s, qOverload<SystemUiResult::Type>(&SystemDialogService::finished), q,
                           qOverload<SystemUiResult::Type>(&Public::finished)));
    ok &= bool(connect(s, qOverload<int>(&SystemDialogService::finished), q,
                       qOverload<int>(&Public::finished)));
    return ok;
}

template<class Public> bool DialogController::forwardCommonSignals(Public *q) const
{
    const SystemDialogService *s = m_service;
    bool ok =
        bool(connect(s, qOverload<SystemUiModality::Type>(&SystemDialogService::modalityChanged), q,
                     qOverload<SystemUiModality::Type>(&Public::modalityChanged)));
    ok &= bool(connect(s, qOverload<int>(&SystemDialogService::modalityChanged), q,
                       qOverload<int>(&Public::modalityChanged)));
    ok &= bool(connect(s, &SystemDialogService::bodyChanged, q, &Public::bodyChanged));
    ok &= bool(connect(s, &SystemDialogService::autoUpdateEnabledChanged, q,
                       &Public::autoUpdateEnabledChanged));
    return ok;
}

template<class Public> bool DialogController::forwardDialogSignals(Public *q) const
{
    const SystemDialogService *s = m_service;
    bool ok = bool(connect(s, &SystemDialogService::dismissAutomaticallyChanged, q,
                           &Public::dismissAutomaticallyChanged));
    ok &= bool(connect(s, &SystemDialogService::titleChanged, q, &Public::titleChanged));
    ok &= bool(connect(s, &SystemDialogService::buttonAreaLimitChanged, q,
                       &Public::buttonAreaLimitChanged));
    ok &= bool(connect(
        s, qOverload<SystemUiReturnKeyAction::Type>(&SystemDialogService::returnKeyActionChanged),
        q, qOverload<SystemUiReturnKeyAction::Type>(&Public::returnKeyActionChanged)));
    ok &= bool(connect(s, qOverload<int>(&SystemDialogService::returnKeyActionChanged), q,
                       qOverload<int>(&Public::returnKeyActionChanged)));
    ok &= bool(connect(s, &SystemDialogService::includeRememberMeChanged, q,
                       &Public::includeRememberMeChanged));
    ok &= bool(connect(s, &SystemDialogService::rememberMeCheckedChanged, q,
                       &Public::rememberMeCheckedChanged));
    ok &= bool(
        connect(s, &SystemDialogService::rememberMeTextChanged, q, &Public::rememberMeTextChanged));
    ok &= bool(connect(s, &SystemDialogService::emoticonsEnabledChanged, q,
                       &Public::emoticonsEnabledChanged));
    ok &= bool(connect(s, &SystemDialogService::activityIndicatorVisibleChanged, q,
                       &Public::activityIndicatorVisibleChanged));
    ok &= bool(
        connect(s, &SystemDialogService::defaultButtonChanged, q, &Public::defaultButtonChanged));
    return ok;
}

} // namespace qz::system

#endif
