// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMPROMPT_P_H
#define QZ_SYSTEM_SYSTEMPROMPT_P_H

#include "dialogcontroller_p.h"

#include <qz/system/systemprompt.h>

#include <QPointer>

namespace qz::system {

class SystemPromptPrivate : public DialogController
{
    Q_OBJECT
public:
    explicit SystemPromptPrivate(SystemPrompt *owner);

    QPointer<SystemUiInputField> inputField;
    QString enteredText;
    SystemUiInputOption::Types inputOptions = DefaultInputOptions;

    static constexpr SystemUiInputOption::Types DefaultInputOptions{
        SystemUiInputOption::AutoCapitalize | SystemUiInputOption::AutoCorrect |
        SystemUiInputOption::SpellCheck};

protected:
    bool isValid() const override;
    QVariantMap createRequest() const override;
    void onDialogMessage(const QVariantMap &response) override;
};

} // namespace qz::system

#endif
