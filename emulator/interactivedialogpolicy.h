// Asks the person at the terminal: each dialog in turn is printed, then its entries (text, user
// name, password unechoed, list rows, check box) and the button are read line by line. Dialogs
// without buttons (plain and progress toasts) cannot be answered and time out as with "auto".
#ifndef QZDEVICE_INTERACTIVEDIALOGPOLICY_H
#define QZDEVICE_INTERACTIVEDIALOGPOLICY_H

#include "dialogpolicy.h"

#include <memory>

class Terminal;
class InteractiveDialogPolicyPrivate;

class InteractiveDialogPolicy : public DialogPolicy
{
    Q_OBJECT
public:
    /*! The policy becomes the parent of \a terminal. */
    InteractiveDialogPolicy(Terminal *terminal, const DialogDefaults &defaults,
                            QObject *parent = nullptr);
    ~InteractiveDialogPolicy() override;

    void present(const Dialog &dialog) override;
    void revise(const Dialog &dialog) override;
    void withdraw(const DialogKey &key) override;

private:
    std::unique_ptr<InteractiveDialogPolicyPrivate> const d;
};

#endif
