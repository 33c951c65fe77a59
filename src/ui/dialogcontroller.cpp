#include "dialogcontroller_p.h"

#include "systemuiconstants_p.h"

#include <QUuid>

namespace qz::system {

DialogController::DialogController(QObject *owner, const char *className,
                                   const QString &cancelLabel, const QString &customLabel,
                                   const QString &confirmLabel)
    : QObject(owner)
    , m_owner(owner)
    , m_service(new SystemDialogService(className, cancelLabel, customLabel, confirmLabel, this))
{
    // The service, this object and the public dialog answer to one identity.
    const QString id = QUuid::createUuid().toString();
    m_service->setProperty(s_ppsId, id);
    setProperty(s_ppsId, id);
    owner->setProperty(s_ppsId, id);
    connect(m_service, &SystemDialogService::dialogResponse, this,
            &DialogController::onDialogMessage);
}

DialogController::~DialogController() = default;

bool DialogController::isValid() const
{
    return m_service->confirmButton() && m_service->customButton() && m_service->cancelButton();
}

void DialogController::onDialogMessage(const QVariantMap &)
{}

bool DialogController::rejectIfInvalid()
{
    if (isValid())
        return false;
    // A dialog that is up is taken down rather than left on screen with nobody listening.
    m_service->cancel();
    m_service->setResult(SystemUiResult::Error, SystemUiError::InvalidState);
    m_service->cleanupAndNotify();
    return true;
}

QVariantMap DialogController::buildRequest()
{
    QVariantMap request = createRequest();
    if (m_service->modality() == SystemUiModality::Global)
        request.insert(s_attributePriority, m_owner->property(s_priorityProperty).toBool());
    prepareService();
    return request;
}

void DialogController::show()
{
    if (rejectIfInvalid())
        return;
    QVariantMap request = buildRequest();
    m_service->show(request);
    if (m_service->isActive())
        m_service->resetResult();
}

SystemUiResult::Type DialogController::exec()
{
    if (rejectIfInvalid())
        return SystemUiResult::Error;
    if (m_service->isActive())
        m_service->resetResult();
    QVariantMap request = buildRequest();
    return m_service->exec(request);
}

void DialogController::update()
{
    if (m_service->isActive())
        show();
}

void DialogController::autoUpdate()
{
    if (m_service->isAutoUpdate() && m_service->isActive())
        show();
}

void DialogController::cancel()
{
    m_service->cancel();
}

bool DialogController::watchCommonChanges()
{
    const SystemDialogService *s = m_service;
    bool ok = watch(s, qOverload<SystemUiModality::Type>(&SystemDialogService::modalityChanged));
    ok &= watch(s, &SystemDialogService::bodyChanged);
    ok &= watch(s, &SystemDialogService::autoUpdateEnabledChanged);
    ok &= watch(s, &SystemDialogService::buttonStateChanged);
    ok &= watch(s, &SystemDialogService::buttonCountChanged);
    return ok;
}

bool DialogController::watchDialogChanges()
{
    const SystemDialogService *s = m_service;
    bool ok = watch(s, &SystemDialogService::dismissAutomaticallyChanged);
    ok &= watch(s, &SystemDialogService::titleChanged);
    ok &= watch(s, &SystemDialogService::buttonAreaLimitChanged);
    ok &= watch(
        s, qOverload<SystemUiReturnKeyAction::Type>(&SystemDialogService::returnKeyActionChanged));
    ok &= watch(s, &SystemDialogService::includeRememberMeChanged);
    ok &= watch(s, &SystemDialogService::rememberMeCheckedChanged);
    ok &= watch(s, &SystemDialogService::rememberMeTextChanged);
    ok &= watch(s, &SystemDialogService::emoticonsEnabledChanged);
    ok &= watch(s, &SystemDialogService::activityIndicatorVisibleChanged);
    ok &= watch(s, &SystemDialogService::defaultButtonChanged);
    return ok;
}

bool DialogController::watchIconChanges()
{
    return watch(m_service, &SystemDialogService::iconChanged);
}

bool DialogController::watchInputField(const SystemUiInputField *field)
{
    bool ok =
        watch(field, qOverload<SystemUiInputMode::Type>(&SystemUiInputField::inputModeChanged));
    ok &= watch(field, &SystemUiInputField::defaultTextChanged);
    ok &= watch(field, &SystemUiInputField::emptyTextChanged);
    ok &= watch(field, &SystemUiInputField::maximumLengthChanged);
    return ok;
}

void DialogController::resetInputField(SystemUiInputField *field, SystemUiInputMode::Type mode,
                                       const QString &emptyText)
{
    if (field) {
        const QSignalBlocker blocker(field);
        field->setInputMode(mode);
        field->resetDefaultText();
        field->setEmptyText(emptyText);
        field->resetMaximumLength();
    }
    autoUpdate();
}

void DialogController::reportConnections(bool connected, const char *privateClassName)
{
    if (!connected)
        qCWarning(lcSystemUi, "%s: failed to connect all the Q_SIGNALs", privateClassName);
}

} // namespace qz::system
