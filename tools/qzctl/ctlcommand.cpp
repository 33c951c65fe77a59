#include "ctlcommand.h"

#include <QFile>
#include <QMetaEnum>

using qz::system::SystemUiResult;

namespace {

const char *const exitCodes = R"(
Exit code: 0 confirm, added or toast button pressed, or list rows picked; 1 cancel button;
3 custom button; 4 timed out (toasts); 5 error (no dialog service, ...); 6 answered without a
known button; 2 usage error; 124 --timeout passed and the dialog was cancelled.)";

QCommandLineOption option(const char *name, const char *help, const char *valueName = nullptr)
{
    return valueName ? QCommandLineOption(QLatin1String(name), QLatin1String(help),
                                          QLatin1String(valueName))
                     : QCommandLineOption(QLatin1String(name), QLatin1String(help));
}

} // namespace

CtlCommand::CtlCommand(const QString &verb, const QString &description, int groups)
    : m_groups(groups)
{
    m_parser.setApplicationDescription(
        QStringLiteral("qzctl %1: %2\n%3").arg(verb, description, QLatin1String(exitCodes)));
    m_parser.addHelpOption();
    m_parser.addOptions({
        QCommandLineOption({QStringLiteral("s"), QStringLiteral("socket")},
                           QStringLiteral("Use the PPS server on <path>."), QStringLiteral("path")),
        option("timeout", "Cancel the dialog when no answer came within <ms>.", "ms"),
        option("exec", "Block in exec() instead of show() and waiting for finished()."),
        option("global", "Globally modal (the system-control object)."),
        option("priority", "With --global: ask for priority."),
        option("body", "The message text.", "text"),
    });
    if (groups & DialogButtons) {
        m_parser.addOptions({
            option("title", "The title.", "text"),
            option("confirm", "Label of the confirm button ('' hides it).", "label"),
            option("cancel", "Label of the cancel button ('' hides it).", "label"),
            option("custom", "Label of the custom button.", "label"),
            option("remember-me", "Show the remember-me check box."),
            option("remember-me-text", "Show the check box with this label.", "text"),
            option("remember-me-unchecked", "Show the check box unchecked."),
            option("busy", "Show the activity indicator."),
        });
    }
    if (groups & ExtraButtons) {
        m_parser.addOptions({
            option("button", "Add a button (repeatable).", "label"),
            option("default", "Make the button with this label the default.", "label"),
        });
    }
    if (groups & ToastLook) {
        m_parser.addOptions({
            option("button", "Label of the toast's button (none by default).", "label"),
            option("position", "top, middle (default) or bottom.", "where"),
        });
    }
}

bool CtlCommand::parse(const QStringList &arguments)
{
    if (!m_parser.parse(arguments)) {
        usageError(m_parser.errorText());
        return false;
    }
    if (m_parser.isSet(QStringLiteral("help")))
        m_parser.showHelp(0);
    if (isSet(QStringLiteral("socket")))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(value(QStringLiteral("socket"))));
    if (isSet(QStringLiteral("timeout")) && !number(QStringLiteral("timeout"), 1, 24 * 3600 * 1000))
        return false;
    const auto isPosition = [](const QString &where) {
        return where == QLatin1String("top") || where == QLatin1String("middle") ||
               where == QLatin1String("bottom");
    };
    if ((m_groups & ToastLook) && isSet(QStringLiteral("position")) &&
        !isPosition(value(QStringLiteral("position")))) {
        usageError(QStringLiteral("--position takes top, middle or bottom"));
        return false;
    }
    return true;
}

int CtlCommand::usageError(const QString &text)
{
    std::fprintf(stderr, "qzctl: %s (see --help)\n", qPrintable(text));
    return 2;
}

std::optional<int> CtlCommand::number(const QString &name, int min, int max) const
{
    bool ok = false;
    const int n = value(name).toInt(&ok);
    if (ok && n >= min && n <= max)
        return n;
    usageError(QStringLiteral("--%1 takes a number from %2 to %3").arg(name).arg(min).arg(max));
    return std::nullopt;
}

int CtlCommand::report(SystemUiResult::Type result, int error,
                       const qz::system::SystemUiButton *pressed) const
{
    const auto name = [](const char *key) { return QString::fromLatin1(key ? key : "?"); };
    print(QStringLiteral("result: ") +
          name(QMetaEnum::fromType<SystemUiResult::Type>().valueToKey(result)));
    if (result == SystemUiResult::Error)
        print(QStringLiteral("error: ") +
              name(QMetaEnum::fromType<qz::system::SystemUiError::Type>().valueToKey(error)));
    print(QStringLiteral("button: ") + (pressed ? pressed->label() : QStringLiteral("none")));
    if (m_timedOut) {
        print(QStringLiteral("cancelled: no answer within %1 ms")
                  .arg(value(QStringLiteral("timeout"))));
        return 124;
    }
    switch (result) {
    case SystemUiResult::ConfirmButtonSelection:
    case SystemUiResult::ButtonSelection:
    case SystemUiResult::ItemSelection:
        return 0;
    case SystemUiResult::CancelButtonSelection:
        return 1;
    case SystemUiResult::CustomButtonSelection:
        return 3;
    case SystemUiResult::TimeOut:
        return 4;
    case SystemUiResult::Error:
    case SystemUiResult::DialogCannotBlock:
        return 5;
    case SystemUiResult::None:
        return 6;
    }
    return 5;
}

void CtlCommand::print(const QString &line)
{
    std::fputs(QString(line + u'\n').toLocal8Bit().constData(), stdout);
    std::fflush(stdout);
}
