#include "ctlcommand.h"
#include "verbs.h"

#include <qz/system/SystemListDialog>

namespace {

// "#Header", "=" or "=Label" (separator), "*Item" (selected), "!Item" (disabled), "Item";
// a leading backslash makes the next character plain text.
void appendRow(qz::system::SystemListDialog &dialog, const QString &row)
{
    const QChar mark = row.isEmpty() ? QChar() : row.front();
    const QString text = row.mid(1);
    if (mark == u'#')
        dialog.appendHeader(text);
    else if (mark == u'=')
        dialog.appendSeparator(text);
    else if (mark == u'*')
        dialog.appendItem(text, true, true);
    else if (mark == u'!')
        dialog.appendItem(text, false);
    else
        dialog.appendItem(mark == u'\\' ? text : row);
}

} // namespace

int listVerb(const QStringList &arguments)
{
    using namespace qz::system;
    CtlCommand command(QStringLiteral("list"), QStringLiteral("let the user pick rows of a list"),
                       CtlCommand::DialogButtons | CtlCommand::ExtraButtons);
    command.parser().addPositionalArgument(
        QStringLiteral("rows"),
        QStringLiteral("Rows: Item, *Item (selected), !Item (disabled), #Header, = or =Label "
                       "(separator); \\ escapes the first character."),
        QStringLiteral("ROW..."));
    command.parser().addOptions({
        {QStringLiteral("multi"), QStringLiteral("Allow several rows.")},
        {QStringLiteral("highlight"),
         QStringLiteral("Mark picked rows by highlighting instead of a button.")},
        {QStringLiteral("dismiss-on-selection"),
         QStringLiteral("Close as soon as a row is picked.")},
    });
    if (!command.parse(arguments))
        return 2;
    if (command.positional().isEmpty())
        return CtlCommand::usageError(QStringLiteral("list needs at least one row"));
    SystemListDialog dialog;
    command.apply(dialog);
    command.applyExtraButtons(dialog);
    for (const QString &row : command.positional())
        appendRow(dialog, row);
    dialog.setSelectionMode(command.isSet(QStringLiteral("multi")) ? ListSelectionMode::Multiple
                                                                   : ListSelectionMode::Single);
    if (command.isSet(QStringLiteral("highlight")))
        dialog.setSelectionIndicator(ListSelectionIndicator::Highlight);
    dialog.setDismissOnSelection(command.isSet(QStringLiteral("dismiss-on-selection")));
    const auto result = command.run(dialog);
    const int status = command.report(result, dialog.error(), dialog.buttonSelection());
    QStringList rows;
    for (int index : dialog.selectedIndices())
        rows << QString::number(index);
    CtlCommand::print(QStringLiteral("selected: ") + rows.join(u' '));
    return status;
}
