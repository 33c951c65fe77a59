// qzctl phone: the user and the network of the device's phone service from a shell. The user's
// commands go where an application's go (the phone's control objects, or an invocation of the
// phone application); the network's side (incoming calls, answers, hang-ups, line states) goes
// to qzdevice's network object.
#include "ctlcommand.h"
#include "verbs.h"

#include <qz/PpsObject>
#include <qz/system/InvokeManager>
#include <qz/system/phone/Phone>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QMetaEnum>
#include <QTimer>

#include <cerrno>
#include <unistd.h>

using namespace qz::system;

namespace {

const char *const description = R"(the user and the network of the device's phone service

  qzctl phone lines                      the lines and their states
  qzctl phone calls                      the calls, as the most private calls object shows them
  qzctl phone dial NUMBER [--line L] [--video] [--enterprise]
      the user places a call through the phone application (an invocation); prints its id
  qzctl phone dial NUMBER --dialpad [--line L]
      open the phone application's dial pad with NUMBER
  qzctl phone incoming NUMBER [--line L] [--enterprise]   a call comes in; prints its id
  qzctl phone answer ID         the user answers an incoming call, or the remote a dialled one
  qzctl phone hangup ID         the user ends the call (rejects it while it rings)
  qzctl phone hangup ID --remote   the remote side hangs up
  qzctl phone hold ID | resume ID | split ID | merge ID1 ID2
  qzctl phone tones TONES [--line L]   DTMF tones for the active call on the line
  qzctl phone line LINE STATE   the network sets a line idle, unavailable or unregistered
  qzctl phone fail COMMAND ERR  answer every later COMMAND (e.g. hold_call) with the error ERR
  qzctl phone fail COMMAND --clear
  qzctl phone watch [--count N]  an application's view: every call, line and command answer
      its Phone object signals, until N of them came (or --timeout passed, or forever)

Lines: cellular (default), vchat, Kestrane, Murmex.
Exit code: 0 done; 1 the service refused (the error is printed); 3 no phone service or no
answer within --timeout; 2 usage error.)";

const QString s_root = QStringLiteral("/pps/services/phone/");
const QStringList s_levels{QStringLiteral("private"), QStringLiteral("protected"),
                           QStringLiteral("public")};
const QStringList s_lineTypes{QStringLiteral("cellular"), QStringLiteral("Kestrane"),
                              QStringLiteral("vchat"), QStringLiteral("Murmex")};

enum Exit { Done = 0, Refused = 1, Usage = 2, Unreachable = 3 };

void fail(const QString &text)
{
    std::fprintf(stderr, "qzctl: %s\n", qPrintable(text));
}

// Every object of a directory, by name; nullopt when it cannot be opened.
std::optional<QVariantMap> listing(const QString &directory)
{
    qz::PpsObject object(directory + QStringLiteral("/.all"));
    if (!object.open(qz::PpsOpenMode::Subscribe))
        return std::nullopt;
    object.setBlocking(false);
    QVariantMap result;
    const QVariantMap objects = qz::PpsObject::decode(object.read());
    for (auto it = objects.cbegin(); it != objects.cend(); ++it)
        result.insert(it.key().mid(1), it.value());
    return result;
}

// The calls of the most private level this process may read.
std::optional<QVariantMap> calls()
{
    for (const QString &level : s_levels) {
        // A directory opens for anyone; what shows in it is what this process may read.
        qz::PpsObject probe(s_root + level + QStringLiteral("/control"));
        if (!probe.open(qz::PpsOpenMode::Publish))
            continue;
        return listing(s_root + level + QStringLiteral("/calls"));
    }
    return std::nullopt;
}

class PhoneLink
{
public:
    explicit PhoneLink(int timeoutMs)
        : m_timeoutMs(timeoutMs)
    {}

    /*! Sends one request to the first of \a paths that opens and waits for the answer that
        carries its id; nullopt (after a message) when none came. */
    std::optional<QVariantMap> ask(const QStringList &paths, const QString &msg,
                                   const QVariantMap &dat)
    {
        std::unique_ptr<qz::PpsObject> object;
        for (const QString &path : paths) {
            object = std::make_unique<qz::PpsObject>(path);
            if (object->open(qz::PpsOpenMode::PublishSubscribe))
                break;
            object.reset();
        }
        if (!object) {
            fail(QStringLiteral("no phone service"));
            return std::nullopt;
        }
        const QString id = QString::number(::getpid());
        const QString name = u'@' + object->path().section(u'/', -1);
        std::optional<QVariantMap> answer;
        QEventLoop loop;
        QObject::connect(object.get(), &qz::PpsObject::readyRead, &loop, [&] {
            bool ok = false;
            const QByteArray text = object->read(&ok);
            if (!ok) {
                if (object->error() != EAGAIN) {
                    fail(QStringLiteral("the phone service went away"));
                    loop.quit();
                }
                return;
            }
            const QVariantMap message = qz::PpsObject::decode(text).value(name).toMap();
            if (message.value(QStringLiteral("res")).toString() == msg &&
                message.value(QStringLiteral("id")).toString() == id) {
                answer = message;
                loop.quit();
            }
        });
        if (object->writeMessage(msg, id, dat) != 0) {
            fail(object->errorString());
            return std::nullopt;
        }
        QTimer::singleShot(m_timeoutMs, &loop, [&] {
            fail(QStringLiteral("no answer within %1 ms").arg(m_timeoutMs));
            loop.quit();
        });
        loop.exec();
        return answer;
    }

    /*! Asks and prints the outcome; the exit code. */
    int run(const QStringList &paths, const QString &msg, const QVariantMap &dat)
    {
        const std::optional<QVariantMap> answer = ask(paths, msg, dat);
        if (!answer)
            return Unreachable;
        const QString err = answer->value(QStringLiteral("err")).toString();
        if (!err.isEmpty()) {
            CtlCommand::print(QStringLiteral("error: ") + err);
            return Refused;
        }
        const QVariantMap result = answer->value(QStringLiteral("dat")).toMap();
        const QString callId = result.value(QStringLiteral("call_id")).toString();
        CtlCommand::print(callId.isEmpty() ? QStringLiteral("done")
                                           : QStringLiteral("call %1: %2").arg(callId, msg));
        const QVariantMap failures = result.value(QStringLiteral("failures")).toMap();
        for (auto it = failures.cbegin(); it != failures.cend(); ++it)
            CtlCommand::print(QStringLiteral("%1 fails with %2").arg(it.key(), it->toString()));
        return Done;
    }

private:
    int m_timeoutMs;
};

QStringList controlPaths()
{
    QStringList paths;
    for (const QString &level : s_levels)
        paths << s_root + level + QStringLiteral("/control");
    return paths;
}

const QStringList s_network{s_root + QStringLiteral("private/network")};

int printLines()
{
    const std::optional<QVariantMap> lines = listing(s_root + QStringLiteral("public/lines"));
    if (!lines) {
        fail(QStringLiteral("no phone lines published"));
        return Unreachable;
    }
    for (auto it = lines->cbegin(); it != lines->cend(); ++it) {
        const QVariantMap line = it->toMap();
        CtlCommand::print(QStringLiteral("%1  %2  \"%3\"  %4")
                              .arg(it.key(), line.value(QStringLiteral("address")).toString(),
                                   line.value(QStringLiteral("friendly_name")).toString(),
                                   line.value(QStringLiteral("state")).toString()));
    }
    return Done;
}

QString describe(const QString &id, const QVariantMap &call)
{
    QString text = QStringLiteral("call %1: %2 %3 on %4 %5")
                       .arg(id, call.value(QStringLiteral("calltype")).toString(),
                            call.value(QStringLiteral("callstate")).toString(),
                            call.value(QStringLiteral("line_id")).toString(),
                            call.value(QStringLiteral("callernumber")).toString());
    const QStringList actions = call.value(QStringLiteral("call_actions")).toStringList();
    if (!actions.isEmpty())
        text += QStringLiteral(" [%1]").arg(actions.join(u' '));
    if (call.contains(QStringLiteral("tones")))
        text += QStringLiteral(" tones %1").arg(call.value(QStringLiteral("tones")).toString());
    return text;
}

int printCalls()
{
    const std::optional<QVariantMap> all = calls();
    if (!all) {
        fail(QStringLiteral("no phone service"));
        return Unreachable;
    }
    if (all->isEmpty())
        CtlCommand::print(QStringLiteral("no calls"));
    for (auto it = all->cbegin(); it != all->cend(); ++it)
        CtlCommand::print(describe(it.key(), it->toMap()));
    return Done;
}

// Places a call (or opens the dial pad) the way an application does, and waits for the call
// to show.
int dial(const QString &number, int lineType, bool video, bool enterprise, bool dialpad,
         int timeoutMs)
{
    const std::optional<QVariantMap> before = calls();
    if (!before) {
        fail(QStringLiteral("no phone service"));
        return Unreachable;
    }
    QVariantMap data{{QStringLiteral("number"), number}, {QStringLiteral("line_id"), lineType}};
    if (video)
        data.insert(QStringLiteral("video_call"), true);
    InvokeRequest request;
    request.setAction(QStringLiteral("qz.action.DIAL"));
    request.setMimeType(dialpad ? QStringLiteral("application/vnd.quillon.phone.dialpad")
                                : QStringLiteral("application/vnd.quillon.phone.startcall"));
    request.setData(qz::PpsObject::encode(data));
    if (!dialpad)
        request.setPerimeter(enterprise ? SecurityPerimeter::Enterprise
                                        : SecurityPerimeter::Personal);
    InvokeManager manager;
    InvokeTargetReply *reply = manager.invoke(request);
    if (!reply) {
        fail(QStringLiteral("the invocation was not sent"));
        return Unreachable;
    }
    QEventLoop loop;
    QObject::connect(reply, &InvokeReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();
    if (!reply->isFinished() || reply->error() != InvokeReplyError::None) {
        CtlCommand::print(QStringLiteral("error: the phone application was not reached"));
        return Refused;
    }
    if (dialpad) {
        CtlCommand::print(QStringLiteral("dial pad shown for %1").arg(number));
        return Done;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < timeoutMs) {
        const std::optional<QVariantMap> after = calls();
        for (auto it = after ? after->cbegin() : before->cend(); after && it != after->cend();
             ++it) {
            if (!before->contains(it.key()) &&
                it->toMap().value(QStringLiteral("callernumber")).toString() == number) {
                CtlCommand::print(describe(it.key(), it->toMap()));
                return Done;
            }
        }
        QEventLoop pause;
        QTimer::singleShot(50, &pause, &QEventLoop::quit);
        pause.exec();
    }
    CtlCommand::print(QStringLiteral("error: the call was not placed (see qzdevice's log)"));
    return Refused;
}

template<typename E> QString nameOf(E value)
{
    return QLatin1String(QMetaEnum::fromType<E>().valueToKey(value));
}

// Prints what the library's Phone object signals, as an application would see it.
int watch(int count, int timeoutMs)
{
    using namespace qz::system::phone;
    // The library's debug lines would drown what it signals; QT_LOGGING_RULES still wins.
    QLoggingCategory::setFilterRules(QStringLiteral("qz.system.phone.debug=false"));
    Phone phone;
    QEventLoop loop;
    int seen = 0;
    const auto print = [&](const QString &line) {
        CtlCommand::print(line);
        if (count > 0 && ++seen >= count)
            loop.quit();
    };
    const auto lineText = [](const Line &line) {
        return QStringLiteral("%1 (%2, %3)").arg(line.id(), line.description(), line.address());
    };
    const QMap<QString, Line> lines = phone.lines();
    for (const Line &line : lines)
        CtlCommand::print(QStringLiteral("line ") + lineText(line));
    QObject::connect(
        &phone, qOverload<const Line &>(&Phone::lineUpdated), &loop,
        [&](const Line &line) { print(QStringLiteral("line updated ") + lineText(line)); });
    QObject::connect(&phone, qOverload<const Line &>(&Phone::lineRemoved), &loop,
                     [&](const Line &line) { print(QStringLiteral("line removed ") + line.id()); });
    QObject::connect(&phone, qOverload<const Call &>(&Phone::callUpdated), &loop,
                     [&](const Call &call) {
                         print(QStringLiteral("call %1: %2 %3 on %4 %5")
                                   .arg(call.callId())
                                   .arg(nameOf(call.callState()), nameOf(call.callType()),
                                        nameOf(call.callLine()), call.phoneNumber()));
                     });
    QObject::connect(&phone,
                     qOverload<const CallCommandResponse &>(&Phone::callCommandResponseReceived),
                     &loop, [&](const CallCommandResponse &response) {
                         print(QStringLiteral("answer %1 call %2%3")
                                   .arg(response.callCommand())
                                   .arg(response.callId())
                                   .arg(response.error().isEmpty()
                                            ? QString()
                                            : QStringLiteral(" error ") + response.error()));
                     });
    if (timeoutMs > 0)
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return Done;
}

} // namespace

int phoneVerb(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("qzctl phone: ") + QLatin1String(description));
    parser.addHelpOption();
    parser.addOptions({
        QCommandLineOption({QStringLiteral("s"), QStringLiteral("socket")},
                           QStringLiteral("Use the PPS server on <path>."), QStringLiteral("path")),
        QCommandLineOption(QStringLiteral("timeout"),
                           QStringLiteral("Wait at most <ms> for an answer (default 10000)."),
                           QStringLiteral("ms"), QStringLiteral("10000")),
        QCommandLineOption(QStringLiteral("line"), QStringLiteral("The line (default cellular)."),
                           QStringLiteral("line"), QStringLiteral("cellular")),
        QCommandLineOption(QStringLiteral("video"), QStringLiteral("dial: a video call.")),
        QCommandLineOption(QStringLiteral("enterprise"),
                           QStringLiteral("dial, incoming: in the enterprise perimeter.")),
        QCommandLineOption(QStringLiteral("dialpad"),
                           QStringLiteral("dial: open the dial pad instead.")),
        QCommandLineOption(QStringLiteral("remote"),
                           QStringLiteral("hangup: the remote side hangs up.")),
        QCommandLineOption(QStringLiteral("clear"), QStringLiteral("fail: answer normally again.")),
        QCommandLineOption(QStringLiteral("count"), QStringLiteral("watch: end after <n> signals."),
                           QStringLiteral("n")),
    });
    parser.addPositionalArgument(QStringLiteral("what"),
                                 QStringLiteral("lines, calls, dial, incoming, answer, hangup, "
                                                "hold, resume, split, merge, tones, line, fail, "
                                                "watch"));
    if (!parser.parse(arguments))
        return CtlCommand::usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("socket")))
        qputenv("QZ_PPS_SOCKET", QFile::encodeName(parser.value(QStringLiteral("socket"))));
    bool ok = false;
    const int timeoutMs = parser.value(QStringLiteral("timeout")).toInt(&ok);
    if (!ok || timeoutMs < 1)
        return CtlCommand::usageError(QStringLiteral("--timeout takes a number of ms"));
    const QString line = parser.value(QStringLiteral("line"));
    if (!s_lineTypes.contains(line))
        return CtlCommand::usageError(
            QStringLiteral("--line takes cellular, vchat, Kestrane or Murmex"));

    const QStringList words = parser.positionalArguments();
    const QString what = words.value(0);
    const auto takes = [&](int count, const QString &usage) -> std::optional<int> {
        if (words.size() != count + 1)
            return CtlCommand::usageError(QStringLiteral("%1 takes %2").arg(what, usage));
        return std::nullopt;
    };
    // Call ids as the commands carry them: positive decimal numbers.
    const auto callId = [&](int index) {
        const int id = words.value(index).toInt(&ok);
        return ok && id > 0 ? QString::number(id) : QString();
    };
    PhoneLink link(timeoutMs);

    if (what == QLatin1String("lines") || what == QLatin1String("calls")) {
        if (const auto usage = takes(0, QStringLiteral("no arguments")))
            return *usage;
        return what == QLatin1String("lines") ? printLines() : printCalls();
    }
    if (what == QLatin1String("watch")) {
        if (const auto usage = takes(0, QStringLiteral("no arguments")))
            return *usage;
        const int count = parser.value(QStringLiteral("count")).toInt(&ok);
        if (parser.isSet(QStringLiteral("count")) && (!ok || count < 1))
            return CtlCommand::usageError(QStringLiteral("--count takes a positive number"));
        return watch(parser.isSet(QStringLiteral("count")) ? count : 0,
                     parser.isSet(QStringLiteral("timeout")) ? timeoutMs : 0);
    }
    if (what == QLatin1String("dial")) {
        if (const auto usage = takes(1, QStringLiteral("a NUMBER")))
            return *usage;
        return dial(words.at(1), int(s_lineTypes.indexOf(line)),
                    parser.isSet(QStringLiteral("video")),
                    parser.isSet(QStringLiteral("enterprise")),
                    parser.isSet(QStringLiteral("dialpad")), timeoutMs);
    }
    if (what == QLatin1String("incoming")) {
        if (const auto usage = takes(1, QStringLiteral("a NUMBER")))
            return *usage;
        return link.run(s_network, what,
                        {{QStringLiteral("number"), words.at(1)},
                         {QStringLiteral("line"), line},
                         {QStringLiteral("perimeter"), parser.isSet(QStringLiteral("enterprise"))
                                                           ? QStringLiteral("enterprise")
                                                           : QStringLiteral("personal")}});
    }
    if (what == QLatin1String("line")) {
        if (const auto usage = takes(2, QStringLiteral("a LINE and a STATE")))
            return *usage;
        return link.run(
            s_network, what,
            {{QStringLiteral("line"), words.at(1)}, {QStringLiteral("state"), words.at(2)}});
    }
    if (what == QLatin1String("fail")) {
        const bool clear = parser.isSet(QStringLiteral("clear"));
        if (const auto usage = takes(clear ? 1 : 2, QStringLiteral("a COMMAND and an ERR, or "
                                                                   "a COMMAND and --clear")))
            return *usage;
        return link.run(s_network, what,
                        {{QStringLiteral("command"), words.at(1)},
                         {QStringLiteral("err"), clear ? QString() : words.at(2)}});
    }
    if (what == QLatin1String("tones")) {
        if (const auto usage = takes(1, QStringLiteral("the TONES")))
            return *usage;
        return link.run(controlPaths(), QStringLiteral("send_dtmf_tones"),
                        {{QStringLiteral("line"), line}, {QStringLiteral("tones"), words.at(1)}});
    }
    if (what == QLatin1String("merge")) {
        if (const auto usage = takes(2, QStringLiteral("two call IDs")))
            return *usage;
        if (callId(1).isEmpty() || callId(2).isEmpty())
            return CtlCommand::usageError(QStringLiteral("call ids are positive numbers"));
        return link.run(
            controlPaths(), QStringLiteral("join_call"),
            {{QStringLiteral("call_id1"), callId(1)}, {QStringLiteral("call_id2"), callId(2)}});
    }
    static const QHash<QString, QString> single{
        {QStringLiteral("hold"), QStringLiteral("hold_call")},
        {QStringLiteral("resume"), QStringLiteral("resume_call")},
        {QStringLiteral("split"), QStringLiteral("split_call")},
        {QStringLiteral("answer"), QString()},
        {QStringLiteral("hangup"), QString()}};
    if (!single.contains(what))
        return CtlCommand::usageError(
            what.isEmpty() ? QStringLiteral("phone takes lines, calls, dial, incoming, answer, "
                                            "hangup, hold, resume, split, merge, tones, line, "
                                            "fail or watch")
                           : QStringLiteral("unknown phone command \"%1\"").arg(what));
    if (const auto usage = takes(1, QStringLiteral("a call ID")))
        return *usage;
    const QString id = callId(1);
    if (id.isEmpty())
        return CtlCommand::usageError(QStringLiteral("call ids are positive numbers"));
    const QVariantMap dat{{QStringLiteral("call_id"), id}};
    if (what == QLatin1String("answer"))
        return link.run(s_network, what, dat);
    if (what == QLatin1String("hangup")) {
        if (parser.isSet(QStringLiteral("remote")))
            return link.run(s_network, what, dat);
        // As an application does: a call that still rings is rejected, any other ended.
        const std::optional<QVariantMap> all = calls();
        const bool ringing = all && all->value(id).toMap().value(QStringLiteral("callstate")) ==
                                        QLatin1String("incoming");
        return link.run(controlPaths(),
                        ringing ? QStringLiteral("reject_call") : QStringLiteral("end_call"), dat);
    }
    return link.run(controlPaths(), single.value(what), dat);
}
