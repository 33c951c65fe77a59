// Answers dialogs as a JSON script says (format: dialogscript.h).
#ifndef QZDEVICE_SCRIPTDIALOGPOLICY_H
#define QZDEVICE_SCRIPTDIALOGPOLICY_H

#include "dialogscript.h"
#include "timeddialogpolicy.h"

class ScriptDialogPolicy : public TimedDialogPolicy
{
    Q_OBJECT
public:
    ScriptDialogPolicy(const DialogScript &script, const DialogDefaults &defaults,
                       QObject *parent = nullptr);

    void present(const Dialog &dialog) override;

private:
    DialogScript m_script;
    const DialogDefaults m_defaults;
};

#endif
