#include "autodialogpolicy.h"

AutoDialogPolicy::AutoDialogPolicy(const DialogDefaults &defaults, QObject *parent)
    : TimedDialogPolicy(parent)
    , m_defaults(defaults)
{}

void AutoDialogPolicy::present(const Dialog &dialog)
{
    answerLater(dialog, m_defaults.delayMs, [defaults = m_defaults](const Dialog &latest) {
        return DialogAnswer::suggested(latest, defaults);
    });
}
