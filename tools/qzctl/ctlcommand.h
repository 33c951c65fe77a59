// What every qzctl verb shares: its command line (the option groups a verb asks for), applying
// those options to a dialog object, running the dialog, printing the outcome and the exit code.
#ifndef QZCTL_CTLCOMMAND_H
#define QZCTL_CTLCOMMAND_H

#include <qz/system/SystemUiButton>
#include <qz/system/SystemUiError>
#include <qz/system/SystemUiModality>
#include <qz/system/SystemUiPosition>
#include <qz/system/SystemUiResult>

#include <QCommandLineParser>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>

#include <cstdio>
#include <optional>
#include <type_traits>

// Toasts have one button() and a position; the dialog kinds have titles and standard buttons.
template<typename D, typename = void> struct IsToastLike : std::false_type
{
};
template<typename D>
struct IsToastLike<D, std::void_t<decltype(std::declval<D &>().button())>> : std::true_type
{
};

class CtlCommand
{
public:
    enum Group {
        Base = 0,          // --socket --timeout --exec --global --priority --body
        DialogButtons = 1, // --title --confirm --cancel --custom --remember-me ... --busy
        ExtraButtons = 2,  // --button (repeatable) --default
        ToastLook = 4,     // --button (the toast's one) --position --icon
    };

    CtlCommand(const QString &verb, const QString &description, int groups);

    QCommandLineParser &parser() { return m_parser; }
    /*! Parses; on a usage error prints it and returns false (exit code 2). */
    bool parse(const QStringList &arguments);
    /*! Prints a usage error; returns the exit code for it. */
    static int usageError(const QString &text);

    bool isSet(const QString &name) const { return m_parser.isSet(name); }
    QString value(const QString &name) const { return m_parser.value(name); }
    QStringList values(const QString &name) const { return m_parser.values(name); }
    QStringList positional() const { return m_parser.positionalArguments(); }
    /*! An integer option within [min, max]; nothing (after a usage error) otherwise. */
    std::optional<int> number(const QString &name, int min, int max) const;

    /*! Title, body, labels, remember-me, busy, modality: whatever the dialog class knows. */
    template<typename D> void apply(D &dialog) const;
    /*! Added buttons and the default button, for the kinds that take them. */
    template<typename D> void applyExtraButtons(D &dialog) const;
    /*! Shows (or with --exec, execs) the dialog and waits for its end or --timeout. */
    template<typename D> qz::system::SystemUiResult::Type run(D &dialog);

    bool timedOut() const { return m_timedOut; }
    /*! Prints the result, the error and the pressed button; returns the exit code. */
    int report(qz::system::SystemUiResult::Type result, int error,
               const qz::system::SystemUiButton *pressed) const;
    static void print(const QString &line);

private:
    QCommandLineParser m_parser;
    int m_groups;
    bool m_timedOut = false;
};

template<typename D> void CtlCommand::apply(D &dialog) const
{
    using namespace qz::system;
    if (isSet(QStringLiteral("body")))
        dialog.setBody(value(QStringLiteral("body")));
    if (isSet(QStringLiteral("global"))) {
        dialog.setModality(SystemUiModality::Global);
        dialog.setProperty("priority", isSet(QStringLiteral("priority")));
    }
    if constexpr (IsToastLike<D>::value) {
        if (isSet(QStringLiteral("button")))
            dialog.button()->setLabel(value(QStringLiteral("button")));
        if (isSet(QStringLiteral("position"))) {
            const QString position = value(QStringLiteral("position"));
            dialog.setPosition(position == QLatin1String("top") ? SystemUiPosition::TopCenter
                               : position == QLatin1String("bottom")
                                   ? SystemUiPosition::BottomCenter
                                   : SystemUiPosition::MiddleCenter);
        }
    } else {
        if (isSet(QStringLiteral("title")))
            dialog.setTitle(value(QStringLiteral("title")));
        const auto label = [&](const char *option, SystemUiButton *button) {
            if (button && isSet(QLatin1String(option)))
                button->setLabel(value(QLatin1String(option)));
        };
        label("confirm", dialog.confirmButton());
        label("cancel", dialog.cancelButton());
        label("custom", dialog.customButton());
        if (isSet(QStringLiteral("remember-me")) || isSet(QStringLiteral("remember-me-text"))) {
            dialog.setIncludeRememberMe(true);
            dialog.setRememberMeChecked(!isSet(QStringLiteral("remember-me-unchecked")));
            if (isSet(QStringLiteral("remember-me-text")))
                dialog.setRememberMeText(value(QStringLiteral("remember-me-text")));
        }
        dialog.setActivityIndicatorVisible(isSet(QStringLiteral("busy")));
    }
}

template<typename D> void CtlCommand::applyExtraButtons(D &dialog) const
{
    using qz::system::SystemUiButton;
    for (const QString &label : values(QStringLiteral("button")))
        dialog.appendButton(new SystemUiButton(label));
    if (!isSet(QStringLiteral("default")))
        return;
    QList<SystemUiButton *> all{dialog.confirmButton(), dialog.customButton(),
                                dialog.cancelButton()};
    for (int i = 0; i < dialog.buttonCount(); ++i)
        all.append(dialog.buttonAt(i));
    for (SystemUiButton *button : all) {
        if (button && button->label() == value(QStringLiteral("default")))
            return dialog.setDefaultButton(button);
    }
    print(QStringLiteral("warning: no button is labelled \"%1\"; the default stays")
              .arg(value(QStringLiteral("default"))));
}

template<typename D> qz::system::SystemUiResult::Type CtlCommand::run(D &dialog)
{
    using qz::system::SystemUiResult;
    std::optional<SystemUiResult::Type> finished;
    QEventLoop loop;
    QObject::connect(&dialog, qOverload<SystemUiResult::Type>(&D::finished), &loop,
                     [&](SystemUiResult::Type result) {
                         finished = result;
                         loop.quit();
                     });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        m_timedOut = true;
        dialog.cancel(); // also ends a waiting exec()
        loop.quit();
    });
    if (const int ms = value(QStringLiteral("timeout")).toInt(); ms > 0)
        deadline.start(ms);

    if (isSet(QStringLiteral("exec"))) {
        const SystemUiResult::Type result = dialog.exec();
        // A list dialog's finished() can say more (ItemSelection) than its result does.
        return finished.value_or(result);
    }
    dialog.show();
    if (!finished && !m_timedOut)
        loop.exec();
    return finished.value_or(dialog.result());
}

#endif
