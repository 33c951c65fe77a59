#include "deviceoptions.h"

#include <QCommandLineParser>
#include <QFile>

namespace {

const char *const description =
    R"(Hosts the device's services over PPS (for now: the dialog service).

Policies decide what the "person" does with each dialog:
  auto         press the default button after --delay ms (toasts time out); prompts answer
               their default text, login prompts --user/--password, list dialogs the rows that
               came selected; progress dialogs are answered once they reach 100% or fail
  script       answer as the JSON file of --script says; entries are matched by className and
               title, the first match wins, and anything an entry leaves out is answered as by
               "auto":
                 {"dialogs": [
                   {"className": "AlertDialog", "title": "Delete?", "button": "Cancel"},
                   {"className": "PromptDialog", "text": "Alice", "delay": 0},
                   {"className": "LoginDialog", "username": "bob", "password": "pw"},
                   {"className": "ListDialog", "rows": [0, 2], "checkbox": true},
                   {"className": "ToastBase", "timeout": true, "once": true}]}
               keys: className, title (match); button (label to press), timeout (press
               none), checkbox, text, username, password, rows (row numbers as sent, from 0),
               delay (ms), once (the entry serves one dialog only)
  interactive  print each dialog and read the answer from the terminal (the password is not
               echoed); dialogs without buttons time out as with "auto"

With --verbose every request and answer is logged to standard error (category
qz.device.dialog); without it only what goes wrong.)";

} // namespace

std::optional<DeviceOptions> DeviceOptions::parse(const QStringList &arguments, QString *error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    parser.addHelpOption();
    const QCommandLineOption socketOption(
        {QStringLiteral("s"), QStringLiteral("socket")},
        QStringLiteral("Use the PPS server on <path> (default: $QZ_PPS_SOCKET, ...)."),
        QStringLiteral("path"));
    const QCommandLineOption policyOption({QStringLiteral("p"), QStringLiteral("policy")},
                                          QStringLiteral("auto (default), script or interactive."),
                                          QStringLiteral("policy"), QStringLiteral("auto"));
    const QCommandLineOption scriptOption(QStringLiteral("script"),
                                          QStringLiteral("The JSON answers of the script policy."),
                                          QStringLiteral("file"));
    const QCommandLineOption delayOption(
        QStringLiteral("delay"), QStringLiteral("Wait <ms> before answering (default 500)."),
        QStringLiteral("ms"), QStringLiteral("500"));
    const QCommandLineOption userOption(
        QStringLiteral("user"),
        QStringLiteral("The user name login prompts get (default \"user\")."),
        QStringLiteral("name"), QStringLiteral("user"));
    const QCommandLineOption passwordOption(
        QStringLiteral("password"),
        QStringLiteral("The password login prompts get (default \"secret\")."),
        QStringLiteral("text"), QStringLiteral("secret"));
    const QCommandLineOption verboseOption(
        {QStringLiteral("v"), QStringLiteral("verbose")},
        QStringLiteral("Log every request and answer (categories qz.device.*); otherwise only "
                       "warnings."));
    parser.addOptions({socketOption, policyOption, scriptOption, delayOption, userOption,
                       passwordOption, verboseOption});
    parser.process(arguments);

    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return std::nullopt;
    }
    DeviceOptions options;
    const QString policy = parser.value(policyOption);
    if (policy == QLatin1String("auto")) {
        options.policy = Policy::Auto;
    } else if (policy == QLatin1String("script")) {
        options.policy = Policy::Script;
    } else if (policy == QLatin1String("interactive")) {
        options.policy = Policy::Interactive;
    } else {
        *error = QStringLiteral("unknown policy \"%1\" (auto, script or interactive)").arg(policy);
        return std::nullopt;
    }
    options.scriptPath = parser.value(scriptOption);
    if ((options.policy == Policy::Script) != !options.scriptPath.isEmpty()) {
        *error = QStringLiteral("--script goes with --policy script, and only with it");
        return std::nullopt;
    }
    bool ok = false;
    options.dialogDefaults.delayMs = parser.value(delayOption).toInt(&ok);
    if (!ok || options.dialogDefaults.delayMs < 0) {
        *error = QStringLiteral("--delay takes a number of milliseconds");
        return std::nullopt;
    }
    options.dialogDefaults.username = parser.value(userOption);
    options.dialogDefaults.password = parser.value(passwordOption);
    options.verbose = parser.isSet(verboseOption);
    if (parser.isSet(socketOption))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(socketOption)));
    return options;
}
