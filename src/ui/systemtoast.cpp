#include "systemtoast_p.h"

#include "dialogforwarding_p.h"

namespace qz::system {

SystemToastPrivate::SystemToastPrivate(SystemToast *owner)
    : ToastController(owner, SystemDialogService::ToastBase)
{
    bool ok = connectToast(owner) & watchIconChanges();
    ok &= bool(
        connect(service(), &SystemDialogService::iconChanged, owner, &SystemToast::iconChanged));
    reportConnections(ok, "SystemToastPrivate");
}

void SystemToastPrivate::prepareService()
{
    ToastController::prepareService();
    const bool withIcon = !service()->icon().isEmpty();
    service()->setClassName(
        QLatin1String(withIcon ? SystemDialogService::ToastIcon : SystemDialogService::ToastBase));
}

SystemToast::SystemToast(QObject *parent)
    : QObject(parent)
    , d(new SystemToastPrivate(this))
{}

SystemToast::~SystemToast()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemToast)
QZ_SYSTEMUI_ICON_MEMBERS(SystemToast)
QZ_SYSTEMUI_TOAST_BUTTON_MEMBERS(SystemToast)

SystemUiPosition::Type SystemToast::position() const
{
    return d->position;
}

void SystemToast::setPosition(SystemUiPosition::Type position)
{
    setAndNotify(this, d->position, position,
                 qOverload<SystemUiPosition::Type>(&SystemToast::positionChanged),
                 qOverload<int>(&SystemToast::positionChanged));
}

void SystemToast::resetPosition()
{
    setPosition(SystemUiPosition::MiddleCenter);
}

} // namespace qz::system
