#include "systemdialog_p.h"

#include "dialogforwarding_p.h"
#include "systemuiconstants_p.h"

namespace qz::system {

SystemDialogPrivate::SystemDialogPrivate(SystemDialog *owner, const QString &confirmLabel,
                                         const QString &customLabel, const QString &cancelLabel)
    : DialogController(owner, SystemDialogService::DialogAlert, cancelLabel, customLabel,
                       confirmLabel)
{
    const bool ok = forwardFinished(owner) & forwardCommonSignals(owner) &
                    forwardDialogSignals(owner) & watchCommonChanges() & watchDialogChanges();
    reportConnections(ok, "SystemDialogPrivate");
}

SystemDialog::SystemDialog(QObject *parent)
    : SystemDialog(s_labelOk, QString(), s_labelCancel, parent)
{}

SystemDialog::SystemDialog(const QString &confirmLabel, QObject *parent)
    : SystemDialog(confirmLabel, QString(), QString(), parent)
{}

SystemDialog::SystemDialog(const QString &confirmLabel, const QString &cancelLabel, QObject *parent)
    : SystemDialog(confirmLabel, QString(), cancelLabel, parent)
{}

SystemDialog::SystemDialog(const QString &confirmLabel, const QString &customLabel,
                           const QString &cancelLabel, QObject *parent)
    : QObject(parent)
    , d(new SystemDialogPrivate(this, confirmLabel, customLabel, cancelLabel))
{}

SystemDialog::~SystemDialog()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemDialog)
QZ_SYSTEMUI_DIALOG_MEMBERS(SystemDialog)
QZ_SYSTEMUI_BUTTON_LIST_MEMBERS(SystemDialog)

} // namespace qz::system
