#include "toastcontroller_p.h"

#include "systemuiconstants_p.h"

namespace qz::system {

namespace {
const QString s_attributePosition = QStringLiteral("position");
}

ToastController::ToastController(QObject *owner, const char *className)
    : DialogController(owner, className, QString(), QString(), QString())
{
    service()->setDefaultConfirmButtonLabel(QString());
}

bool ToastController::isValid() const
{
    return service()->confirmButton();
}

QVariantMap ToastController::createRequest() const
{
    return {{s_attributePosition, positionToString(position)}};
}

void ToastController::prepareService()
{
    // The button may have been labelled after construction, when there was no default to take.
    service()->resetDefaultButton();
}

void ToastController::onDialogMessage(const QVariantMap &)
{
    const bool pressed = service()->selectedButtonIndex() == SystemDialogService::ConfirmButton;
    service()->setResult(pressed ? SystemUiResult::ButtonSelection : SystemUiResult::TimeOut,
                         SystemUiError::None);
}

} // namespace qz::system
