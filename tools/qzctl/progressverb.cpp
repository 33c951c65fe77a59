#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/SystemProgressDialog>
#include <qz/system/SystemProgressToast>

#include <QMetaEnum>

namespace {

struct Drive
{
    int step = 10;
    int intervalMs = 300;
    qz::system::SystemUiProgressState::Type state = qz::system::SystemUiProgressState::Active;
};

// Moves the progress from 0 to 100 while the dialog is up, one update per step, so the updates
// can be watched arriving at the dialog service; then waits for the dialog to end.
template<typename D> int drive(D &dialog, CtlCommand &command, const Drive &how)
{
    dialog.setAutoUpdateEnabled(true);
    dialog.setState(how.state);
    dialog.setProgress(0);
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &dialog, [&] {
        dialog.setProgress(qMin(100, dialog.progress() + how.step));
        CtlCommand::print(QStringLiteral("progress: %1%").arg(dialog.progress()));
        if (dialog.progress() == 100)
            ticks.stop();
    });
    ticks.start(how.intervalMs);
    const auto result = command.run(dialog);
    return command.report(result, dialog.error(), dialog.buttonSelection());
}

} // namespace

int progressVerb(const QStringList &arguments)
{
    using namespace qz::system;
    CtlCommand command(QStringLiteral("progress"),
                       QStringLiteral("drive a progress dialog (or toast) from 0 to 100"),
                       CtlCommand::DialogButtons | CtlCommand::ToastLook);
    command.parser().addOptions({
        {QStringLiteral("toast"), QStringLiteral("A progress toast instead of a dialog.")},
        {QStringLiteral("step"), QStringLiteral("Percent added per update (default 10)."),
         QStringLiteral("n"), QStringLiteral("10")},
        {QStringLiteral("interval"), QStringLiteral("Milliseconds between updates (default 300)."),
         QStringLiteral("ms"), QStringLiteral("300")},
        {QStringLiteral("state"), QStringLiteral("Active (default), Inactive or Error."),
         QStringLiteral("state"), QStringLiteral("Active")},
        {QStringLiteral("status"), QStringLiteral("The status line."), QStringLiteral("text")},
        {QStringLiteral("details"), QStringLiteral("The dialog's second status line."),
         QStringLiteral("text")},
    });
    if (!command.parse(arguments))
        return 2;
    Drive how;
    const std::optional<int> step = command.number(QStringLiteral("step"), 1, 100);
    const std::optional<int> interval = command.number(QStringLiteral("interval"), 0, 60000);
    if (!step || !interval)
        return 2;
    how.step = *step;
    how.intervalMs = *interval;
    bool ok = false;
    how.state =
        SystemUiProgressState::Type(QMetaEnum::fromType<SystemUiProgressState::Type>().keyToValue(
            command.value(QStringLiteral("state")).toLatin1(), &ok));
    if (!ok)
        return CtlCommand::usageError(
            QStringLiteral("unknown --state %1").arg(command.value(QStringLiteral("state"))));

    if (command.isSet(QStringLiteral("toast"))) {
        SystemProgressToast toast;
        command.apply(toast);
        toast.setStatusMessage(command.value(QStringLiteral("status")));
        return drive(toast, command, how);
    }
    SystemProgressDialog dialog;
    command.apply(dialog);
    dialog.setStatusMessage(command.value(QStringLiteral("status")));
    dialog.setStatusDetails(command.value(QStringLiteral("details")));
    return drive(dialog, command, how);
}
