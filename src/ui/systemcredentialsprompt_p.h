// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMCREDENTIALSPROMPT_P_H
#define QZ_SYSTEM_SYSTEMCREDENTIALSPROMPT_P_H

#include "dialogcontroller_p.h"

#include <qz/system/systemcredentialsprompt.h>

#include <QPointer>

namespace qz::system {

class SystemCredentialsPromptPrivate : public DialogController
{
    Q_OBJECT
public:
    explicit SystemCredentialsPromptPrivate(SystemCredentialsPrompt *owner);

    QString validationMessage;
    // Children of the public prompt, which the application may delete.
    QPointer<SystemUiInputField> usernameField;
    QPointer<SystemUiInputField> passwordField;
    bool includeShowPassword = true;
    QString usernameEntry;
    QString passwordEntry;

protected:
    bool isValid() const override;
    QVariantMap createRequest() const override;
    void onDialogMessage(const QVariantMap &response) override;
};

} // namespace qz::system

#endif
