// qzctl bluetooth and qzctl wifidirect: the emulated peers' side of qzdevice's Bluetooth and
// Wi-Fi Direct services (their failure switches and what the peers received).
#include "ctlcommand.h"
#include "serviceask.h"
#include "verbs.h"

#include <QFile>

#include <cstdio>

namespace {

const QString s_bluetoothPeer = QStringLiteral("/pps/services/bluetooth/peer");
const QString s_wifiDirectPeer = QStringLiteral("/pps/services/wifi_p2p/peer");

const char *const exitCodes = R"(
Exit code: 0 done; 1 refused by the service; 3 no service; 2 usage error.)";

enum Exit { Ok = 0, Refused = 1, Usage = 2, NoService = 3 };
constexpr int AnswerTimeoutMs = 10000;

// Asks the peer object; prints the refusal or hands the answer's dat to \a print.
template<typename Print>
int ask(const QString &path, const QString &msg, const QVariantMap &dat, Print print)
{
    QString problem;
    const std::optional<QVariantMap> answer = askService(path, msg, dat, AnswerTimeoutMs, &problem);
    if (!answer) {
        std::fprintf(stderr, "qzctl: %s\n", qPrintable(problem));
        return NoService;
    }
    if (answer->contains(QStringLiteral("err"))) {
        std::fprintf(stderr, "qzctl: refused: %s\n",
                     qPrintable(answer->value(QStringLiteral("errstr")).toString()));
        return Refused;
    }
    print(answer->value(QStringLiteral("dat")).toMap());
    return Ok;
}

void printInbox(const QVariantMap &dat)
{
    CtlCommand::print(
        QStringLiteral("inbox: %1").arg(dat.value(QStringLiteral("inbox")).toString()));
    for (const QVariant &item : dat.value(QStringLiteral("files")).toList()) {
        const QVariantMap file = item.toMap();
        CtlCommand::print(QStringLiteral("%1 %2 bytes")
                              .arg(file.value(QStringLiteral("name")).toString())
                              .arg(file.value(QStringLiteral("size")).toLongLong()));
    }
}

QString yesNo(const QVariant &value)
{
    return value.toBool() ? QStringLiteral("yes") : QStringLiteral("no");
}

// The words after the verb, with --clear told apart; nothing after a usage error.
std::optional<QStringList> parse(QCommandLineParser &parser, const char *verb,
                                 const char *description, const QStringList &arguments)
{
    parser.setApplicationDescription(
        QStringLiteral("qzctl %1: %2\n%3")
            .arg(QLatin1String(verb), QLatin1String(description), QLatin1String(exitCodes)));
    parser.addHelpOption();
    parser.addOptions({
        QCommandLineOption({QStringLiteral("s"), QStringLiteral("socket")},
                           QStringLiteral("Use the PPS server on <path>."), QStringLiteral("path")),
        QCommandLineOption(QStringLiteral("clear"),
                           QStringLiteral("fail, silent: switch the failure off.")),
    });
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("What to do (see above)."));
    if (!parser.parse(arguments)) {
        CtlCommand::usageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("socket")))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(QStringLiteral("socket"))));
    return parser.positionalArguments();
}

} // namespace

int bluetoothVerb(const QStringList &arguments)
{
    QCommandLineParser parser;
    const std::optional<QStringList> words =
        parse(parser, "bluetooth", R"(the emulated Bluetooth peers of qzdevice

  qzctl bluetooth fail pairing|push [--clear]
      every later pairing (or push) fails; --clear switches it off again
  qzctl bluetooth fail --clear        no more failures
  qzctl bluetooth silent MAC [--clear]
      the peer never answers a pairing, which ends when its time-out passes
  qzctl bluetooth inbox MAC           where the peer's files arrive, and what arrived
fail and silent print the switches in force.)",
              arguments);
    if (!words)
        return Usage;
    const bool clear = parser.isSet(QStringLiteral("clear"));
    const auto printSwitches = [](const QVariantMap &dat) {
        CtlCommand::print(
            QStringLiteral("pairing fails: %1").arg(yesNo(dat.value(QStringLiteral("pairing")))));
        CtlCommand::print(
            QStringLiteral("push fails: %1").arg(yesNo(dat.value(QStringLiteral("push")))));
        CtlCommand::print(
            QStringLiteral("silent peers: %1")
                .arg(
                    dat.value(QStringLiteral("silent")).toStringList().join(QStringLiteral(", "))));
    };
    const QString what = words->value(0);
    if (what == QLatin1String("fail")) {
        const QString switched = words->value(1);
        QVariantMap dat;
        if (words->size() == 1 && clear)
            dat = {{QStringLiteral("pairing"), false}, {QStringLiteral("push"), false}};
        else if (words->size() == 2 &&
                 (switched == QLatin1String("pairing") || switched == QLatin1String("push")))
            dat = {{switched, !clear}};
        else
            return CtlCommand::usageError(
                QStringLiteral("fail takes pairing or push, or --clear alone"));
        return ask(s_bluetoothPeer, what, dat, printSwitches);
    }
    if ((what == QLatin1String("silent") || what == QLatin1String("inbox")) && words->size() == 2) {
        QVariantMap dat{{QStringLiteral("addr"), words->at(1)}};
        if (what == QLatin1String("inbox"))
            return ask(s_bluetoothPeer, what, dat, printInbox);
        dat.insert(QStringLiteral("on"), !clear);
        return ask(s_bluetoothPeer, what, dat, printSwitches);
    }
    return CtlCommand::usageError(
        QStringLiteral("use: qzctl bluetooth fail pairing|push [--clear] | silent MAC [--clear] "
                       "| inbox MAC"));
}

int wifiDirectVerb(const QStringList &arguments)
{
    QCommandLineParser parser;
    const std::optional<QStringList> words =
        parse(parser, "wifidirect", R"(the emulated Wi-Fi Direct peers of qzdevice

  qzctl wifidirect fail connect=CODE | ip | send [--clear]
      every later connect is answered with the error CODE (256: "already connecting", the
      peer connects all the same), the peer's address cannot be had, or sending fails;
      --clear (with connect, ip or send) switches that failure off again
  qzctl wifidirect fail --clear       no more failures
  qzctl wifidirect inbox MAC          where the peer's files arrive, and what arrived
fail prints the switches in force.)",
              arguments);
    if (!words)
        return Usage;
    const bool clear = parser.isSet(QStringLiteral("clear"));
    const QString what = words->value(0);
    if (what == QLatin1String("fail")) {
        const QString switched = words->value(1);
        const QString connect = QStringLiteral("connect=");
        const int code = switched.startsWith(connect) ? switched.mid(connect.size()).toInt() : 0;
        QVariantMap dat;
        if (words->size() == 1 && clear)
            dat = {{QStringLiteral("connect"), 0},
                   {QStringLiteral("ip"), false},
                   {QStringLiteral("send"), false}};
        else if (words->size() == 2 && switched == QLatin1String("connect") && clear)
            dat = {{QStringLiteral("connect"), 0}};
        else if (words->size() == 2 && code > 0 && !clear)
            dat = {{QStringLiteral("connect"), code}};
        else if (words->size() == 2 &&
                 (switched == QLatin1String("ip") || switched == QLatin1String("send")))
            dat = {{switched, !clear}};
        else
            return CtlCommand::usageError(
                QStringLiteral("fail takes connect=CODE (a positive number), ip or send, or "
                               "--clear"));
        return ask(s_wifiDirectPeer, what, dat, [](const QVariantMap &now) {
            const int error = now.value(QStringLiteral("connect")).toInt();
            CtlCommand::print(QStringLiteral("connect fails: %1")
                                  .arg(error ? QString::number(error) : QStringLiteral("no")));
            CtlCommand::print(
                QStringLiteral("ip fails: %1").arg(yesNo(now.value(QStringLiteral("ip")))));
            CtlCommand::print(
                QStringLiteral("send fails: %1").arg(yesNo(now.value(QStringLiteral("send")))));
        });
    }
    if (what == QLatin1String("inbox") && words->size() == 2)
        return ask(s_wifiDirectPeer, what, {{QStringLiteral("addr"), words->at(1)}}, printInbox);
    return CtlCommand::usageError(
        QStringLiteral("use: qzctl wifidirect fail connect=CODE|ip|send [--clear] | inbox MAC"));
}
