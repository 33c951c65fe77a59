#include "systemprogressdialog_p.h"

#include "dialogforwarding_p.h"
#include "systemuiconstants_p.h"

namespace qz::system {

namespace {
const QString s_attributeLeftDetailsText = QStringLiteral("leftDetailsText");
const QString s_attributeRightDetailsText = QStringLiteral("rightDetailsText");
} // namespace

SystemProgressDialogPrivate::SystemProgressDialogPrivate(SystemProgressDialog *owner,
                                                         const QString &confirmLabel)
    : DialogController(owner, SystemDialogService::DialogProgress, QString(), QString(),
                       confirmLabel)
{
    service()->setDefaultCancelButtonLabel(QString());
    bool ok = forwardFinished(owner) & forwardCommonSignals(owner) & forwardDialogSignals(owner);
    ok &= bool(connect(service(), &SystemDialogService::iconChanged, owner,
                       &SystemProgressDialog::iconChanged));
    // The icon goes out with the next show or update() only; changing it sends nothing.
    ok &= watchCommonChanges() & watchDialogChanges();
    ok &= watch(owner, &SystemProgressDialog::progressChanged);
    ok &= watch(owner, &SystemProgressDialog::statusMessageChanged);
    ok &= watch(owner, &SystemProgressDialog::statusDetailsChanged);
    ok &= watch(owner, qOverload<SystemUiProgressState::Type>(&SystemProgressDialog::stateChanged));
    reportConnections(ok, "SystemProgressDialogPrivate");
}

QVariantMap SystemProgressDialogPrivate::createRequest() const
{
    QVariantMap request{{s_attributeRightDetailsText, statusDetails}};
    fields.addTo(request, s_attributeLeftDetailsText);
    return request;
}

SystemProgressDialog::SystemProgressDialog(QObject *parent)
    : SystemProgressDialog(s_labelOk, parent)
{}

SystemProgressDialog::SystemProgressDialog(const QString &confirmLabel, QObject *parent)
    : QObject(parent)
    , d(new SystemProgressDialogPrivate(this, confirmLabel))
{}

SystemProgressDialog::~SystemProgressDialog()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemProgressDialog)
QZ_SYSTEMUI_DIALOG_MEMBERS(SystemProgressDialog)
QZ_SYSTEMUI_ICON_MEMBERS(SystemProgressDialog)

int SystemProgressDialog::progress() const
{
    return d->fields.progress;
}

void SystemProgressDialog::setProgress(int progress)
{
    setAndNotify(this, d->fields.progress, ProgressFields::validProgress(progress),
                 &SystemProgressDialog::progressChanged);
}

void SystemProgressDialog::resetProgress()
{
    setProgress(-1);
}

QString SystemProgressDialog::statusMessage() const
{
    return d->fields.statusMessage;
}

void SystemProgressDialog::setStatusMessage(const QString &message)
{
    setAndNotify(this, d->fields.statusMessage, message,
                 &SystemProgressDialog::statusMessageChanged);
}

void SystemProgressDialog::resetStatusMessage()
{
    setStatusMessage(QString());
}

QString SystemProgressDialog::statusDetails() const
{
    return d->statusDetails;
}

void SystemProgressDialog::setStatusDetails(const QString &details)
{
    setAndNotify(this, d->statusDetails, details, &SystemProgressDialog::statusDetailsChanged);
}

void SystemProgressDialog::resetStatusDetails()
{
    setStatusDetails(QString());
}

SystemUiProgressState::Type SystemProgressDialog::state() const
{
    return d->fields.state;
}

void SystemProgressDialog::setState(SystemUiProgressState::Type state)
{
    setAndNotify(this, d->fields.state, state,
                 qOverload<SystemUiProgressState::Type>(&SystemProgressDialog::stateChanged),
                 qOverload<int>(&SystemProgressDialog::stateChanged));
}

void SystemProgressDialog::resetState()
{
    setState(SystemUiProgressState::Active);
}

} // namespace qz::system
