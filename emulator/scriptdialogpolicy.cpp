#include "scriptdialogpolicy.h"

#include "devicelogging.h"

ScriptDialogPolicy::ScriptDialogPolicy(const DialogScript &script, const DialogDefaults &defaults,
                                       QObject *parent)
    : TimedDialogPolicy(parent)
    , m_script(script)
    , m_defaults(defaults)
{}

void ScriptDialogPolicy::present(const Dialog &dialog)
{
    const std::optional<DialogScriptEntry> entry = m_script.take(dialog);
    if (!entry) {
        qCWarning(lcDeviceDialog).noquote()
            << dialog.key().toString() << "has no script answer; it stays up unanswered";
        return;
    }
    answerLater(dialog, entry->delayMs.value_or(m_defaults.delayMs),
                [entry = *entry, defaults = m_defaults](const Dialog &latest) {
                    QString problem;
                    std::optional<DialogAnswer> answer = entry.answer(latest, defaults, &problem);
                    if (!answer) {
                        qCWarning(lcDeviceDialog).noquote()
                            << latest.key().toString() << "stays up unanswered:" << problem;
                    }
                    return answer;
                });
}
