#include "interactivedialogpolicy.h"

#include "autodialogpolicy.h"
#include "devicelogging.h"
#include "terminal.h"

#include <QRegularExpression>
#include <QSet>

#include <optional>

namespace {

enum class Step { Text, Username, Password, Checkbox, Rows, Button };

struct Conversation
{
    Dialog dialog;
    QList<Step> steps;
    DialogAnswer answer;
};

QList<Step> stepsFor(const Dialog &dialog)
{
    QList<Step> steps;
    if (dialog.kind() == Dialog::Kind::Prompt)
        steps << Step::Text;
    if (dialog.kind() == Dialog::Kind::Login)
        steps << Step::Username << Step::Password;
    if (dialog.kind() == Dialog::Kind::List)
        steps << Step::Rows;
    if (dialog.hasCheckbox())
        steps << Step::Checkbox;
    return steps << Step::Button;
}

QString numbers(const QList<int> &indices)
{
    QStringList texts;
    for (int index : indices)
        texts << QString::number(index + 1);
    return texts.isEmpty() ? QStringLiteral("none") : texts.join(u' ');
}

} // namespace

class InteractiveDialogPolicyPrivate
{
public:
    InteractiveDialogPolicyPrivate(InteractiveDialogPolicy *owner, Terminal *t,
                                   const DialogDefaults &d);

    void next();
    void ask();
    void onLine(const QString &line);
    /*! Takes \a line as the entry of \a step; false (after saying why) when it cannot be. */
    bool accept(Step step, const QString &line);
    bool acceptRows(const QString &line);
    bool acceptButton(const QString &line);

    InteractiveDialogPolicy *const q;
    Terminal *const terminal;
    const DialogDefaults defaults;
    AutoDialogPolicy timed; // for what has no button to press
    QSet<DialogKey> timedKeys;
    QList<Dialog> queue;
    std::optional<Conversation> current;
};

InteractiveDialogPolicyPrivate::InteractiveDialogPolicyPrivate(InteractiveDialogPolicy *owner,
                                                               Terminal *t, const DialogDefaults &d)
    : q(owner)
    , terminal(t)
    , defaults(d)
    , timed(d)
{}

void InteractiveDialogPolicyPrivate::next()
{
    terminal->setEcho(true);
    current.reset();
    if (queue.isEmpty())
        return;
    const Dialog dialog = queue.takeFirst();
    current = Conversation{dialog, stepsFor(dialog), DialogAnswer::suggested(dialog, defaults)};
    terminal->write(
        QStringLiteral("\n== %1 (%2) ==\n  %3\n")
            .arg(Dialog::kindName(dialog.kind()), dialog.key().toString(), dialog.describe()));
    ask();
}

void InteractiveDialogPolicyPrivate::ask()
{
    const Dialog &dialog = current->dialog;
    const DialogAnswer &answer = current->answer;
    terminal->setEcho(current->steps.first() != Step::Password);
    switch (current->steps.first()) {
    case Step::Text:
        terminal->write(QStringLiteral("Text (Enter for \"%1\"): ").arg(answer.text));
        break;
    case Step::Username:
        terminal->write(QStringLiteral("User name (Enter for \"%1\"): ").arg(answer.username));
        break;
    case Step::Password:
        terminal->write(QStringLiteral("Password, not shown (Enter for the configured one): "));
        break;
    case Step::Checkbox:
        terminal->write(
            QStringLiteral("\"%1\" checked? [y/n, Enter for %2]: ")
                .arg(dialog.text(QStringLiteral("checkboxLabel")),
                     answer.checkboxChecked ? QStringLiteral("y") : QStringLiteral("n")));
        break;
    case Step::Rows: {
        const QList<DialogRow> rows = dialog.rows();
        for (int i = 0; i < rows.size(); ++i) {
            const DialogRow &row = rows.at(i);
            if (row.type == DialogRow::Type::Item)
                terminal->write(
                    QStringLiteral("  %1  %2%3\n")
                        .arg(i + 1, 2)
                        .arg(row.label, row.enabled ? QString() : QStringLiteral(" (disabled)")));
            else
                terminal->write(QStringLiteral("      %1\n")
                                    .arg(row.type == DialogRow::Type::Header
                                             ? row.label.toUpper()
                                             : QStringLiteral("----")));
        }
        terminal->write(QStringLiteral("%1 (Enter for %2, - for none): ")
                            .arg(dialog.isMultiSelect() ? QStringLiteral("Rows, e.g. 1 3")
                                                        : QStringLiteral("Row"),
                                 numbers(answer.selectedRows)));
        break;
    }
    case Step::Button: {
        const QList<DialogButton> buttons = dialog.buttons();
        QStringList choices;
        for (int i = 0; i < buttons.size(); ++i)
            choices << QStringLiteral("[%1] %2%3")
                           .arg(i + 1)
                           .arg(buttons.at(i).label,
                                buttons.at(i).enabled ? QString() : QStringLiteral(" (disabled)"));
        const int preset = answer.buttonIndex;
        terminal->write(
            QStringLiteral("  %1  [0] none\nPress (Enter for %2): ")
                .arg(choices.join(QLatin1String("  ")), preset >= 0 && preset < buttons.size()
                                                            ? u'"' + buttons.at(preset).label + u'"'
                                                            : QStringLiteral("none")));
        break;
    }
    }
}

void InteractiveDialogPolicyPrivate::onLine(const QString &line)
{
    if (!current)
        return;
    const Step step = current->steps.first();
    if (step == Step::Password)
        terminal->write(QStringLiteral("\n"));
    if (!accept(step, line))
        return ask();
    current->steps.removeFirst();
    if (!current->steps.isEmpty())
        return ask();
    const Conversation done = *current;
    next();
    Q_EMIT q->answered(done.dialog.key(), done.answer);
}

bool InteractiveDialogPolicyPrivate::accept(Step step, const QString &line)
{
    DialogAnswer &answer = current->answer;
    if (line.isEmpty() && step != Step::Text)
        return true; // the suggestion stands
    switch (step) {
    case Step::Text:
        answer.text = line.isEmpty() ? answer.text : line;
        return true;
    case Step::Username:
        answer.username = line;
        return true;
    case Step::Password:
        answer.password = line;
        return true;
    case Step::Checkbox: {
        const QString reply = line.trimmed().toLower();
        if (reply != QLatin1String("y") && reply != QLatin1String("n")) {
            terminal->write(QStringLiteral("Answer y or n.\n"));
            return false;
        }
        answer.checkboxChecked = reply == QLatin1String("y");
        return true;
    }
    case Step::Rows:
        return acceptRows(line.trimmed());
    case Step::Button:
        return acceptButton(line.trimmed());
    }
    return false;
}

bool InteractiveDialogPolicyPrivate::acceptRows(const QString &line)
{
    const QList<DialogRow> rows = current->dialog.rows();
    QList<int> chosen;
    if (line != QLatin1String("-")) {
        for (const QString &word :
             line.split(QRegularExpression(QStringLiteral("[\\s,]+")), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int index = word.toInt(&ok) - 1;
            if (!ok || index < 0 || index >= rows.size() ||
                rows.at(index).type != DialogRow::Type::Item || !rows.at(index).enabled) {
                terminal->write(QStringLiteral("%1 is not a row that can be chosen.\n").arg(word));
                return false;
            }
            if (!chosen.contains(index))
                chosen.append(index);
        }
    }
    if (chosen.size() > 1 && !current->dialog.isMultiSelect()) {
        terminal->write(QStringLiteral("Only one row can be chosen.\n"));
        return false;
    }
    current->answer.selectedRows = chosen;
    return true;
}

bool InteractiveDialogPolicyPrivate::acceptButton(const QString &line)
{
    const QList<DialogButton> buttons = current->dialog.buttons();
    bool ok = false;
    const int index = line.toInt(&ok) - 1;
    if (!ok || index < -1 || index >= buttons.size() ||
        (index >= 0 && !buttons.at(index).enabled)) {
        terminal->write(QStringLiteral("Choose one of the enabled buttons, or 0.\n"));
        return false;
    }
    current->answer.buttonIndex = index;
    return true;
}

InteractiveDialogPolicy::InteractiveDialogPolicy(Terminal *terminal, const DialogDefaults &defaults,
                                                 QObject *parent)
    : DialogPolicy(parent)
    , d(std::make_unique<InteractiveDialogPolicyPrivate>(this, terminal, defaults))
{
    terminal->setParent(this);
    connect(terminal, &Terminal::lineEntered, this,
            [this](const QString &line) { d->onLine(line); });
    connect(terminal, &Terminal::closed, this,
            [] {
                qCWarning(lcDeviceDialog)
                    << "The terminal closed its input; dialogs that need a person stay unanswered";
            });
    connect(&d->timed, &DialogPolicy::answered, this,
            [this](const DialogKey &key, const DialogAnswer &answer) {
                d->timedKeys.remove(key);
                Q_EMIT answered(key, answer);
            });
}

InteractiveDialogPolicy::~InteractiveDialogPolicy() = default;

void InteractiveDialogPolicy::present(const Dialog &dialog)
{
    if (dialog.buttons().isEmpty()) {
        d->terminal->write(
            QStringLiteral("\n[%1] %2\n").arg(Dialog::kindName(dialog.kind()), dialog.describe()));
        d->timedKeys.insert(dialog.key());
        d->timed.present(dialog);
        return;
    }
    d->queue.append(dialog);
    if (!d->current)
        d->next();
}

void InteractiveDialogPolicy::revise(const Dialog &dialog)
{
    if (d->timedKeys.contains(dialog.key())) {
        d->terminal->write(
            QStringLiteral("[%1] %2\n").arg(Dialog::kindName(dialog.kind()), dialog.describe()));
        d->timed.revise(dialog);
    } else if (d->current && d->current->dialog.key() == dialog.key()) {
        d->current->dialog = dialog;
        d->terminal->write(QStringLiteral("\n  updated: %1\n").arg(dialog.describe()));
        d->ask();
    } else {
        for (Dialog &queued : d->queue) {
            if (queued.key() == dialog.key())
                queued = dialog;
        }
    }
}

void InteractiveDialogPolicy::withdraw(const DialogKey &key)
{
    d->timedKeys.remove(key);
    d->timed.withdraw(key);
    d->queue.removeIf([&](const Dialog &queued) { return queued.key() == key; });
    if (d->current && d->current->dialog.key() == key) {
        d->terminal->write(
            QStringLiteral("\n  (%1 was taken down by its application)\n").arg(key.toString()));
        d->next();
    }
}
