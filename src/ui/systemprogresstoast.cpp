#include "systemprogresstoast_p.h"

#include "dialogforwarding_p.h"

namespace qz::system {

namespace {
const QString s_attributeDetailsText = QStringLiteral("detailsText");
}

SystemProgressToastPrivate::SystemProgressToastPrivate(SystemProgressToast *owner)
    : ToastController(owner, SystemDialogService::ToastProgress)
{
    bool ok = connectToast(owner);
    ok &= watch(owner, &SystemProgressToast::progressChanged);
    ok &= watch(owner, &SystemProgressToast::statusMessageChanged);
    ok &= watch(owner, qOverload<SystemUiProgressState::Type>(&SystemProgressToast::stateChanged));
    reportConnections(ok, "SystemProgressToastPrivate");
}

QVariantMap SystemProgressToastPrivate::createRequest() const
{
    QVariantMap request = ToastController::createRequest();
    fields.addTo(request, s_attributeDetailsText);
    return request;
}

SystemProgressToast::SystemProgressToast(QObject *parent)
    : QObject(parent)
    , d(new SystemProgressToastPrivate(this))
{}

SystemProgressToast::~SystemProgressToast()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemProgressToast)
QZ_SYSTEMUI_TOAST_BUTTON_MEMBERS(SystemProgressToast)

int SystemProgressToast::progress() const
{
    return d->fields.progress;
}

void SystemProgressToast::setProgress(int progress)
{
    setAndNotify(this, d->fields.progress, ProgressFields::validProgress(progress),
                 &SystemProgressToast::progressChanged);
}

void SystemProgressToast::resetProgress()
{
    setProgress(-1);
}

QString SystemProgressToast::statusMessage() const
{
    return d->fields.statusMessage;
}

void SystemProgressToast::setStatusMessage(const QString &message)
{
    setAndNotify(this, d->fields.statusMessage, message,
                 &SystemProgressToast::statusMessageChanged);
}

void SystemProgressToast::resetStatusMessage()
{
    setStatusMessage(QString());
}

SystemUiProgressState::Type SystemProgressToast::state() const
{
    return d->fields.state;
}

void SystemProgressToast::setState(SystemUiProgressState::Type state)
{
    setAndNotify(this, d->fields.state, state,
                 qOverload<SystemUiProgressState::Type>(&SystemProgressToast::stateChanged),
                 qOverload<int>(&SystemProgressToast::stateChanged));
}

void SystemProgressToast::resetState()
{
    setState(SystemUiProgressState::Active);
}

SystemUiPosition::Type SystemProgressToast::position() const
{
    return d->position;
}

void SystemProgressToast::setPosition(SystemUiPosition::Type position)
{
    setAndNotify(this, d->position, position,
                 qOverload<SystemUiPosition::Type>(&SystemProgressToast::positionChanged),
                 qOverload<int>(&SystemProgressToast::positionChanged));
}

void SystemProgressToast::resetPosition()
{
    setPosition(SystemUiPosition::MiddleCenter);
}

} // namespace qz::system
