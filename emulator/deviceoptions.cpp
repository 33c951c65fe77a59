#include "deviceoptions.h"

#include "devicetree.h"
#include "nfcndef.h"
#include "phoneservice.h"

#include <qz/devicefiles.h>

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

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
               echoed); dialogs without buttons time out as with "auto"; --interactive is
               short for --policy interactive

The navigator reads its targets from the *.target files of --targets (one "keyword value" line
each: key, type, perimeter, start, label, icon, splash, action, filter; a file with a mistake is
skipped whole and reported with its line), starts a target that is not running when it is
invoked, and keeps replaced filters and timers under --data. --navigator-fail CALL=TEXT answers
a navigator call with an error text (e.g. navigator_invoke_invocation_send=INVOKE_TARGET_ERROR).

The menu service builds menus from the navigator's targets: a submenu for each action that a
target labels with an "action" line, holding an entry for each target that takes the content,
ranked by the invocations the navigator routed. qzctl menu prints one; qzctl menu fail TEXT makes
the service answer with an error.

The NFC controller is the applications' NFC library; what comes into its field (peers, tags,
hand-over devices), NFC off and on, the "prompt before sending files" setting and the failures
of its calls are driven with qzctl nfc. Tags keep what was written to them while qzdevice runs.

The phone service publishes a cellular and a video chat line unless --phone-line names the lines
(cellular, vchat, Kestrane, Murmex; "vchat=Video" gives one a friendly name). Dialled numbers
ring for --phone-answer-after ms before the remote answers (-1: only when told, qzctl phone
answer). qzctl phone plays the user and the network.

The device's file tree ("/accounts/1000/...") lies under --device-root (default:
$QZ_DEVICE_ROOT, else $XDG_DATA_HOME/qzdevice/root); qzdevice sets $QZ_DEVICE_ROOT to it for
itself and the targets it starts, and makes accounts/1000/shared/ and the share-with folders
accounts/1000/sharewith/bluetooth/ and .../wifidirect/, each with a folder for qzctl (the
shell's application) and for every --app ID (an install id: an application's $QZ_INSTALL_ID,
else its executable's name).

The Bluetooth and Wi-Fi Direct services send files to emulated peers: what a peer receives is
copied into <data>/peers/<MAC, ':' as '-'>/inbox/ (qzctl bluetooth inbox MAC). Pairing takes
--bt-pairing-delay ms. --bt-fail pairing|push, --bt-silent MAC (a peer that never answers a
pairing, which then times out) and --wifi-fail connect=CODE|ip|send (connect=256: "already
connecting") switch failures on from the start; qzctl bluetooth and qzctl wifidirect switch
them while qzdevice runs.

With --verbose every request and answer is logged to standard error (categories
qz.device.dialog, qz.device.navigator, ...); without it only what goes wrong.)";

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
    const QCommandLineOption interactiveOption(
        {QStringLiteral("i"), QStringLiteral("interactive")},
        QStringLiteral("Short for --policy interactive: answer dialogs at the terminal."));
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
    parser.addOptions({socketOption, policyOption, interactiveOption, scriptOption, delayOption,
                       userOption, passwordOption, verboseOption});
    const QCommandLineOption targetsOption(
        QStringLiteral("targets"),
        QStringLiteral("Read the navigator's target declarations (*.target) from <dir>."),
        QStringLiteral("dir"));
    const QCommandLineOption dataOption(
        QStringLiteral("data"),
        QStringLiteral("Keep state across restarts (filters, timers) in <dir> (default: "
                       "$XDG_DATA_HOME/qzdevice)."),
        QStringLiteral("dir"));
    const QCommandLineOption navigatorFailOption(
        QStringLiteral("navigator-fail"),
        QStringLiteral("Answer the navigator call <CALL> (a C function name) with the error "
                       "<TEXT>; repeatable."),
        QStringLiteral("CALL=TEXT"));
    const QCommandLineOption phoneLineOption(
        QStringLiteral("phone-line"),
        QStringLiteral("Serve the phone line <ID> (cellular, vchat, Kestrane, Murmex), optionally "
                       "with a friendly name; repeatable."),
        QStringLiteral("ID[=NAME]"));
    const QCommandLineOption phoneAnswerOption(
        QStringLiteral("phone-answer-after"),
        QStringLiteral("A dialled number answers after <ms> of ringing (default 1500; -1: "
                       "only when told)."),
        QStringLiteral("ms"), QStringLiteral("1500"));
    parser.addOptions(
        {targetsOption, dataOption, navigatorFailOption, phoneLineOption, phoneAnswerOption});
    const QCommandLineOption screenshotDeclineOption(
        QStringLiteral("screenshot-decline"),
        QStringLiteral("The user declines every screen capture (error 4019)."));
    parser.addOption(screenshotDeclineOption);
    const QCommandLineOption deviceRootOption(
        QStringLiteral("device-root"),
        QStringLiteral("The device's file tree lies under <dir> (default: $QZ_DEVICE_ROOT, else "
                       "$XDG_DATA_HOME/qzdevice/root)."),
        QStringLiteral("dir"));
    const QCommandLineOption appOption(
        QStringLiteral("app"),
        QStringLiteral("Make share-with folders for the application <ID> (an install id); "
                       "repeatable."),
        QStringLiteral("ID"));
    const QCommandLineOption pairingDelayOption(
        QStringLiteral("bt-pairing-delay"),
        QStringLiteral("Bluetooth pairing takes <ms> (default 300)."), QStringLiteral("ms"),
        QStringLiteral("300"));
    const QCommandLineOption btFailOption(
        QStringLiteral("bt-fail"),
        QStringLiteral("Bluetooth <what> fails: pairing or push; repeatable."),
        QStringLiteral("what"));
    const QCommandLineOption btSilentOption(
        QStringLiteral("bt-silent"),
        QStringLiteral("The Bluetooth peer <MAC> never answers a pairing; repeatable."),
        QStringLiteral("MAC"));
    const QCommandLineOption wifiFailOption(
        QStringLiteral("wifi-fail"),
        QStringLiteral("Wi-Fi Direct <what> fails: connect=CODE (256: already connecting), ip "
                       "or send; repeatable."),
        QStringLiteral("what"));
    parser.addOptions({deviceRootOption, appOption, pairingDelayOption, btFailOption,
                       btSilentOption, wifiFailOption});
    parser.process(arguments);

    if (!parser.positionalArguments().isEmpty()) {
        *error = QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first());
        return std::nullopt;
    }
    DeviceOptions options;
    QString policy = parser.value(policyOption);
    if (parser.isSet(interactiveOption)) {
        if (parser.isSet(policyOption) && policy != QLatin1String("interactive")) {
            *error = QStringLiteral("--interactive contradicts --policy %1").arg(policy);
            return std::nullopt;
        }
        policy = QStringLiteral("interactive");
    }
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
    options.screenshotDecline = parser.isSet(screenshotDeclineOption);
    options.targetsDir = parser.value(targetsOption);
    options.dataDir = parser.isSet(dataOption)
                          ? parser.value(dataOption)
                          : QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                                QStringLiteral("/qzdevice");
    for (const QString &failure : parser.values(navigatorFailOption)) {
        const qsizetype equals = failure.indexOf(u'=');
        if (equals <= 0 || equals == failure.size() - 1) {
            *error = QStringLiteral("--navigator-fail takes CALL=TEXT, not \"%1\"").arg(failure);
            return std::nullopt;
        }
        options.navigatorFailures.insert(failure.left(equals), failure.mid(equals + 1));
    }
    for (const QString &text : parser.values(phoneLineOption)) {
        std::optional<PhoneLine> line = PhoneService::line(text.section(u'=', 0, 0));
        const bool duplicate =
            line && std::any_of(options.phoneLines.cbegin(), options.phoneLines.cend(),
                                [&line](const PhoneLine &other) { return other.id == line->id; });
        if (!line || duplicate) {
            *error = QStringLiteral("--phone-line takes cellular, vchat, Kestrane or Murmex, each "
                                    "once, not \"%1\"")
                         .arg(text);
            return std::nullopt;
        }
        line->friendlyName = text.section(u'=', 1);
        options.phoneLines << *line;
    }
    options.phoneAnswerAfterMs = parser.value(phoneAnswerOption).toInt(&ok);
    if (!ok || options.phoneAnswerAfterMs < -1) {
        *error = QStringLiteral("--phone-answer-after takes a number of milliseconds, or -1");
        return std::nullopt;
    }
    options.deviceRoot =
        QDir::cleanPath(QDir(parser.isSet(deviceRootOption) ? parser.value(deviceRootOption)
                                                            : qz::DeviceFiles::root())
                            .absolutePath());
    options.apps << QStringLiteral("qzctl");
    for (const QString &app : parser.values(appOption)) {
        if (!DeviceTree::isValidInstallId(app)) {
            *error = QStringLiteral("--app takes an install id (letters, digits, \".\", \"_\", "
                                    "\"-\"), not \"%1\"")
                         .arg(app);
            return std::nullopt;
        }
        if (!options.apps.contains(app))
            options.apps << app;
    }
    options.bluetooth.pairingDelayMs = parser.value(pairingDelayOption).toInt(&ok);
    if (!ok || options.bluetooth.pairingDelayMs < 0 || options.bluetooth.pairingDelayMs > 60000) {
        *error = QStringLiteral("--bt-pairing-delay takes 0 to 60000 milliseconds");
        return std::nullopt;
    }
    for (const QString &what : parser.values(btFailOption)) {
        if (what == QLatin1String("pairing")) {
            options.bluetooth.failPairing = true;
        } else if (what == QLatin1String("push")) {
            options.bluetooth.failPush = true;
        } else {
            *error = QStringLiteral("--bt-fail takes pairing or push, not \"%1\"").arg(what);
            return std::nullopt;
        }
    }
    for (const QString &mac : parser.values(btSilentOption)) {
        if (!NfcNdef::isMacAddress(mac)) {
            *error = QStringLiteral("--bt-silent takes a MAC address, not \"%1\"").arg(mac);
            return std::nullopt;
        }
        options.bluetooth.silentPeers << mac.toUpper();
    }
    for (const QString &what : parser.values(wifiFailOption)) {
        const QString connect = QStringLiteral("connect=");
        const int code = what.startsWith(connect) ? what.mid(connect.size()).toInt() : 0;
        if (what == QLatin1String("ip")) {
            options.wifiDirect.failIpAddress = true;
        } else if (what == QLatin1String("send")) {
            options.wifiDirect.failSend = true;
        } else if (code > 0) {
            options.wifiDirect.connectError = code;
        } else {
            *error = QStringLiteral("--wifi-fail takes connect=CODE (a positive number), ip or "
                                    "send, not \"%1\"")
                         .arg(what);
            return std::nullopt;
        }
    }
    if (parser.isSet(socketOption))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(socketOption)));
    qputenv("QZ_DEVICE_ROOT", QFile::encodeName(options.deviceRoot));
    return options;
}
