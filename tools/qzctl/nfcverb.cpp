// qzctl nfc: the far side of the device's NFC field (peers, tags, hand-over devices) and the
// controller's switches, against qzdevice's NFC service on "/pps/services/nfc/peer".
#include "ctlcommand.h"
#include "verbs.h"

#include <qz/PpsObject>

#include <QEventLoop>
#include <QFile>
#include <QRegularExpression>
#include <QTimer>

#include <cerrno>
#include <limits>

namespace {

const char *const description = R"(the other side of the device's NFC field, and sharing

  qzctl nfc share text TEXT | url URL | files PATH... [options]
      an application sharing by NFC, waiting for taps; see qzctl nfc share --help

  qzctl nfc tap peer [--reject | --too-large | --io-error]
      a SNEP peer; prints what an application pushed to it, answered as asked (accepted by
      default)
  qzctl nfc tap tag [--name NAME] [--locked] [--too-small | --capacity BYTES] [--unsupported]
      a tag (named "tag" unless --name); prints what an application wrote; it keeps what was
      written for later taps and read-tag
  qzctl nfc tap handover --bt MAC --wifi MAC
      a device offering a hand-over to Bluetooth and/or Wi-Fi Direct, its records in the order
      given; prints the carriers the application confirmed
  qzctl nfc lose                 take the target out of the field
  qzctl nfc off | on             switch NFC off or on
  qzctl nfc prompt [on | off]    show or set "prompt before sending files"
  qzctl nfc read-tag [--name NAME]
  qzctl nfc fail CALL RESULT     make every later nfc_* CALL return RESULT (positive)
  qzctl nfc fail --clear         no more failures; both print the failures in force

Exit code: 0 done (for a tap: an application pushed, wrote or confirmed, whatever the answer);
1 the tap came to nothing (lost, declined, no common transport, the application went away);
3 no application listens for the tap; 4 --timeout passed (the target left the field);
5 refused or no NFC service; 2 usage error.)";

QCommandLineOption option(const char *name, const char *help, const char *valueName = nullptr)
{
    return valueName ? QCommandLineOption(QLatin1String(name), QLatin1String(help),
                                          QLatin1String(valueName))
                     : QCommandLineOption(QLatin1String(name), QLatin1String(help));
}

// The hand-over carriers in the order they were given (--bt X --wifi Y or --bt=X ...).
QVariantList carriersInOrder(const QStringList &arguments)
{
    QVariantList carriers;
    for (int i = 0; i < arguments.size(); ++i) {
        for (const auto &[flag, transport] :
             {std::pair{QStringLiteral("--bt"), 1}, std::pair{QStringLiteral("--wifi"), 2}}) {
            QString mac;
            if (arguments.at(i) == flag && i + 1 < arguments.size())
                mac = arguments.at(++i);
            else if (arguments.at(i).startsWith(flag + u'='))
                mac = arguments.at(i).mid(flag.size() + 1);
            else
                continue;
            carriers.append(QVariantMap{{QStringLiteral("transport"), transport},
                                        {QStringLiteral("mac"), mac}});
            break;
        }
    }
    return carriers;
}

QString recordsOf(const QVariantMap &dat, const QString &prefix)
{
    QStringList lines;
    for (const QVariant &record : dat.value(QStringLiteral("records")).toList())
        lines.append(prefix + record.toString());
    return lines.join(u'\n');
}

class PeerSide
{
public:
    PeerSide()
        : m_object(QStringLiteral("/pps/services/nfc/peer"))
    {}

    /*! Sends one request and waits for its answer; nullopt (after a message) when there is no
        NFC service, it went away, or \a timeoutMs (if positive) passed. */
    std::optional<QVariantMap> ask(const QString &msg, const QVariantMap &dat, int timeoutMs)
    {
        if (!m_object.open(qz::PpsOpenMode::PublishSubscribe)) {
            std::fprintf(stderr, "qzctl: no NFC service: %s\n", qPrintable(m_object.errorString()));
            return std::nullopt;
        }
        if (m_object.writeMessage(msg, QStringLiteral("1"), dat) != 0) {
            std::fprintf(stderr, "qzctl: %s\n", qPrintable(m_object.errorString()));
            return std::nullopt;
        }
        std::optional<QVariantMap> answer;
        QEventLoop loop;
        QObject::connect(&m_object, &qz::PpsObject::readyRead, &loop, [&] {
            bool ok = false;
            const QByteArray text = m_object.read(&ok);
            if (!ok) {
                if (m_object.error() == EAGAIN)
                    return;
                std::fprintf(stderr, "qzctl: the NFC service went away\n");
                return loop.quit();
            }
            const QVariantMap message =
                qz::PpsObject::decode(text).value(QStringLiteral("@peer")).toMap();
            if (message.value(QStringLiteral("res")).toString() == msg) {
                answer = message;
                loop.quit();
            }
        });
        QTimer::singleShot(timeoutMs > 0 ? timeoutMs : std::numeric_limits<int>::max(), &loop, [&] {
            m_timedOut = true;
            loop.quit();
        });
        loop.exec();
        return answer;
    }
    bool timedOut() const { return m_timedOut; }

private:
    qz::PpsObject m_object;
    bool m_timedOut = false;
};

int runTap(PeerSide &side, const QString &kind, const QVariantMap &dat, int timeoutMs)
{
    QVariantMap request = dat;
    request.insert(QStringLiteral("kind"), kind);
    const std::optional<QVariantMap> answer = side.ask(QStringLiteral("tap"), request, timeoutMs);
    if (!answer) {
        if (!side.timedOut())
            return 5;
        CtlCommand::print(
            QStringLiteral("outcome: timed out after %1 ms; the target left the field")
                .arg(timeoutMs));
        return 4;
    }
    if (answer->contains(QStringLiteral("err"))) {
        std::fprintf(stderr, "qzctl: %s\n",
                     qPrintable(answer->value(QStringLiteral("errstr")).toString()));
        return 5;
    }
    const QVariantMap result = answer->value(QStringLiteral("dat")).toMap();
    const QString outcome = result.value(QStringLiteral("outcome")).toString();
    QString line = QStringLiteral("outcome: ") + outcome;
    if (result.contains(QStringLiteral("why")))
        line += QStringLiteral(" (%1)").arg(result.value(QStringLiteral("why")).toString());
    CtlCommand::print(line);
    if (const QString records = recordsOf(result, QStringLiteral("record: ")); !records.isEmpty())
        CtlCommand::print(records);
    for (const QVariant &item : result.value(QStringLiteral("carriers")).toList()) {
        const QVariantMap carrier = item.toMap();
        CtlCommand::print(QStringLiteral("carrier: %1 %2")
                              .arg(carrier.value(QStringLiteral("transport")).toInt() == 1
                                       ? QStringLiteral("Bluetooth")
                                       : QStringLiteral("Wi-Fi Direct"),
                                   carrier.value(QStringLiteral("mac")).toString()));
    }
    static const QStringList exchanged{
        QStringLiteral("received"),  QStringLiteral("rejected"),    QStringLiteral("too-large"),
        QStringLiteral("io-error"),  QStringLiteral("written"),     QStringLiteral("locked"),
        QStringLiteral("too-small"), QStringLiteral("unsupported"), QStringLiteral("handover")};
    if (exchanged.contains(outcome))
        return 0;
    return outcome == QLatin1String("unheard") ? 3 : 1;
}

// A request answered at once; prints what its answer says.
int runSimple(PeerSide &side, const QString &msg, const QVariantMap &dat)
{
    const std::optional<QVariantMap> answer = side.ask(msg, dat, 0);
    if (!answer)
        return 5;
    if (answer->contains(QStringLiteral("err"))) {
        std::fprintf(stderr, "qzctl: %s\n",
                     qPrintable(answer->value(QStringLiteral("errstr")).toString()));
        return 5;
    }
    const QVariantMap result = answer->value(QStringLiteral("dat")).toMap();
    if (msg == QLatin1String("prompt")) {
        CtlCommand::print(QStringLiteral("prompt before sending files: ") +
                          (result.value(QStringLiteral("on")).toBool() ? QStringLiteral("on")
                                                                       : QStringLiteral("off")));
    } else if (msg == QLatin1String("read-tag")) {
        QStringList traits;
        if (result.value(QStringLiteral("locked")).toBool())
            traits.append(QStringLiteral("locked"));
        traits.append(
            QStringLiteral("%1 bytes").arg(result.value(QStringLiteral("capacity")).toInt()));
        CtlCommand::print(QStringLiteral("tag %1 (%2)")
                              .arg(result.value(QStringLiteral("name")).toString(),
                                   traits.join(QStringLiteral(", "))));
        const QString records = recordsOf(result, QStringLiteral("record: "));
        CtlCommand::print(records.isEmpty() ? QStringLiteral("empty") : records);
    } else if (msg == QLatin1String("fail")) {
        const QVariantMap failures = result.value(QStringLiteral("failures")).toMap();
        if (failures.isEmpty())
            CtlCommand::print(QStringLiteral("no failures"));
        for (auto it = failures.cbegin(); it != failures.cend(); ++it)
            CtlCommand::print(QStringLiteral("%1 fails with %2").arg(it.key()).arg(it->toInt()));
    }
    return 0;
}

} // namespace

int nfcVerb(const QStringList &arguments)
{
    // The application's side has options of its own.
    if (arguments.value(1) == QLatin1String("share"))
        return nfcShareVerb(arguments);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("qzctl nfc: ") + QLatin1String(description));
    parser.addHelpOption();
    parser.addOptions({
        QCommandLineOption({QStringLiteral("s"), QStringLiteral("socket")},
                           QStringLiteral("Use the PPS server on <path>."), QStringLiteral("path")),
        option("timeout", "tap: take the target away when nothing happened within <ms>.", "ms"),
        option("reject", "tap peer: reject the push."),
        option("too-large", "tap peer: report the pushed message as too large."),
        option("io-error", "tap peer: fail the push with an I/O error."),
        option("name", "tap tag, read-tag: which tag (default \"tag\").", "name"),
        option("locked", "tap tag: the tag is read-only."),
        option("too-small", "tap tag: the tag holds no message at all."),
        option("capacity", "tap tag: the tag holds <bytes> of NDEF (default 8192).", "bytes"),
        option("unsupported", "tap tag: a tag type the controller cannot write."),
        option("bt", "tap handover: a Bluetooth carrier with this address.", "mac"),
        option("wifi", "tap handover: a Wi-Fi Direct carrier with this address.", "mac"),
        option("clear", "fail: switch every failure off."),
    });
    parser.addPositionalArgument(QStringLiteral("what"),
                                 QStringLiteral("tap, lose, off, on, prompt, read-tag or fail"));
    if (!parser.parse(arguments))
        return CtlCommand::usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("socket")))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(QStringLiteral("socket"))));
    const QStringList words = parser.positionalArguments();
    const QString what = words.value(0);
    const auto isSet = [&parser](const char *name) { return parser.isSet(QLatin1String(name)); };
    const auto count = [&](std::initializer_list<const char *> names) {
        return std::count_if(names.begin(), names.end(), isSet);
    };
    const auto wrongArguments = [&](int expected) { return words.size() != expected; };

    int timeoutMs = 0;
    if (isSet("timeout")) {
        bool ok = false;
        timeoutMs = parser.value(QStringLiteral("timeout")).toInt(&ok);
        if (!ok || timeoutMs < 1)
            return CtlCommand::usageError(QStringLiteral("--timeout takes a number of ms"));
    }
    PeerSide side;
    if (what == QLatin1String("tap")) {
        const QString kind = words.value(1);
        if (wrongArguments(2))
            return CtlCommand::usageError(QStringLiteral("tap takes peer, tag or handover"));
        if (kind == QLatin1String("peer")) {
            if (count({"reject", "too-large", "io-error"}) > 1)
                return CtlCommand::usageError(
                    QStringLiteral("--reject, --too-large and --io-error exclude each other"));
            const QString answer = isSet("reject")      ? QStringLiteral("reject")
                                   : isSet("too-large") ? QStringLiteral("too-large")
                                   : isSet("io-error")  ? QStringLiteral("io-error")
                                                        : QStringLiteral("accept");
            return runTap(side, kind, {{QStringLiteral("answer"), answer}}, timeoutMs);
        }
        if (kind == QLatin1String("tag")) {
            if (count({"too-small", "capacity"}) > 1)
                return CtlCommand::usageError(
                    QStringLiteral("--too-small and --capacity exclude each other"));
            QVariantMap dat{{QStringLiteral("locked"), isSet("locked")},
                            {QStringLiteral("unsupported"), isSet("unsupported")}};
            if (isSet("name"))
                dat.insert(QStringLiteral("name"), parser.value(QStringLiteral("name")));
            if (isSet("too-small"))
                dat.insert(QStringLiteral("capacity"), 0);
            if (isSet("capacity")) {
                bool ok = false;
                const int capacity = parser.value(QStringLiteral("capacity")).toInt(&ok);
                if (!ok || capacity < 0)
                    return CtlCommand::usageError(QStringLiteral("--capacity takes bytes"));
                dat.insert(QStringLiteral("capacity"), capacity);
            }
            return runTap(side, kind, dat, timeoutMs);
        }
        if (kind == QLatin1String("handover")) {
            const QVariantList carriers = carriersInOrder(arguments);
            if (carriers.isEmpty())
                return CtlCommand::usageError(
                    QStringLiteral("tap handover needs --bt MAC and/or --wifi MAC"));
            static const QRegularExpression mac(
                QStringLiteral("^[0-9A-Fa-f]{2}(:[0-9A-Fa-f]{2}){5}$"));
            for (const QVariant &carrier : carriers) {
                const QString address = carrier.toMap().value(QStringLiteral("mac")).toString();
                if (!mac.match(address).hasMatch())
                    return CtlCommand::usageError(
                        QStringLiteral("\"%1\" is not a MAC address AA:BB:CC:DD:EE:FF")
                            .arg(address));
            }
            return runTap(side, kind, {{QStringLiteral("carriers"), carriers}}, timeoutMs);
        }
        return CtlCommand::usageError(QStringLiteral("tap takes peer, tag or handover"));
    }
    if (what == QLatin1String("lose") || what == QLatin1String("off") ||
        what == QLatin1String("on")) {
        if (wrongArguments(1))
            return CtlCommand::usageError(QStringLiteral("%1 takes no arguments").arg(what));
        return runSimple(side, what, {});
    }
    if (what == QLatin1String("prompt")) {
        const QString value = words.value(1);
        if (words.size() > 2 ||
            (words.size() == 2 && value != QLatin1String("on") && value != QLatin1String("off")))
            return CtlCommand::usageError(QStringLiteral("prompt takes on or off"));
        QVariantMap dat;
        if (words.size() == 2)
            dat.insert(QStringLiteral("on"), value == QLatin1String("on"));
        return runSimple(side, what, dat);
    }
    if (what == QLatin1String("read-tag")) {
        if (wrongArguments(1))
            return CtlCommand::usageError(QStringLiteral("read-tag takes no arguments"));
        return runSimple(side, what,
                         {{QStringLiteral("name"), parser.value(QStringLiteral("name")).isEmpty()
                                                       ? QStringLiteral("tag")
                                                       : parser.value(QStringLiteral("name"))}});
    }
    if (what == QLatin1String("fail")) {
        if (isSet("clear")) {
            if (wrongArguments(1))
                return CtlCommand::usageError(QStringLiteral("fail --clear takes no arguments"));
            return runSimple(side, what, {{QStringLiteral("clear"), true}});
        }
        bool ok = false;
        const int result = words.value(2).toInt(&ok);
        if (wrongArguments(3) || !words.value(1).startsWith(QLatin1String("nfc_")) || !ok ||
            result <= 0)
            return CtlCommand::usageError(
                QStringLiteral("fail takes an nfc_* call and a positive result, or --clear"));
        return runSimple(
            side, what,
            {{QStringLiteral("call"), words.value(1)}, {QStringLiteral("result"), result}});
    }
    return CtlCommand::usageError(
        what.isEmpty() ? QStringLiteral("nfc takes tap, lose, off, on, prompt, read-tag or fail")
                       : QStringLiteral("unknown nfc command \"%1\"").arg(what));
}
