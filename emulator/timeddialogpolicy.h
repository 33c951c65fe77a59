// The clockwork shared by the policies that answer without a person: each dialog's answer is
// given after a delay, a progress dialog's clock starting only once its work is done, and a
// dialog withdrawn in the meantime is never answered.
#ifndef QZDEVICE_TIMEDDIALOGPOLICY_H
#define QZDEVICE_TIMEDDIALOGPOLICY_H

#include "dialogpolicy.h"

#include <functional>
#include <memory>
#include <optional>

class TimedDialogPolicyPrivate;

class TimedDialogPolicy : public DialogPolicy
{
    Q_OBJECT
public:
    /*! Builds the answer from the dialog as it stands when the time comes; nothing leaves the
        dialog unanswered. */
    using Answerer = std::function<std::optional<DialogAnswer>(const Dialog &latest)>;

    explicit TimedDialogPolicy(QObject *parent = nullptr);
    ~TimedDialogPolicy() override;

    void revise(const Dialog &dialog) override;
    void withdraw(const DialogKey &key) override;

protected:
    void answerLater(const Dialog &dialog, int delayMs, Answerer answerer);

private:
    std::unique_ptr<TimedDialogPolicyPrivate> const d;
};

#endif
