// Internal to libqzsystem, not API: what both toast kinds share on top of the dialog pattern.
#ifndef QZ_SYSTEM_TOASTCONTROLLER_P_H
#define QZ_SYSTEM_TOASTCONTROLLER_P_H

#include "dialogcontroller_p.h"

namespace qz::system {

/*
    A toast has one button (the service's confirm button, no default label) and a position, and
    ends with ButtonSelection when that button was pressed, else TimeOut.
*/
class ToastController : public DialogController
{
    Q_OBJECT
public:
    ToastController(QObject *owner, const char *className);

    SystemUiPosition::Type position = SystemUiPosition::MiddleCenter;

protected:
    bool isValid() const override;
    QVariantMap createRequest() const override;
    void onDialogMessage(const QVariantMap &response) override;
    /*! The one button is the default whenever it is shown. */
    void prepareService() override;

    template<class Public> bool connectToast(Public *q);
};

template<class Public> bool ToastController::connectToast(Public *q)
{
    bool ok = forwardFinished(q) & forwardCommonSignals(q) & watchCommonChanges();
    ok &= watch(q, qOverload<SystemUiPosition::Type>(&Public::positionChanged));
    return ok;
}

} // namespace qz::system

#endif
