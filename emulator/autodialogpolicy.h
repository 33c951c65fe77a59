// Answers every dialog as a person accepting all suggestions would, after a fixed delay.
#ifndef QZDEVICE_AUTODIALOGPOLICY_H
#define QZDEVICE_AUTODIALOGPOLICY_H

#include "timeddialogpolicy.h"

class AutoDialogPolicy : public TimedDialogPolicy
{
    Q_OBJECT
public:
    explicit AutoDialogPolicy(const DialogDefaults &defaults, QObject *parent = nullptr);

    void present(const Dialog &dialog) override;

private:
    const DialogDefaults m_defaults;
};

#endif
