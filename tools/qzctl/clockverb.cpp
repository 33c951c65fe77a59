#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/PpsObject>

#include <QDateTime>

#include <cstdio>

namespace {

// The navigator service's own request, outside the navigator C API: only tools move the clock.
const char s_controlPath[] = "/pps/services/navigator/control";

// Sends \a dat as a "clock" request and waits for the service's answer (or --timeout).
std::optional<QVariantMap> ask(const NavigatorCommand &command, const QVariantMap &dat,
                               QString *problem)
{
    qz::PpsObject control{QString::fromLatin1(s_controlPath)};
    if (!control.open(qz::PpsOpenMode::PublishSubscribe)) {
        *problem =
            QStringLiteral("cannot reach the navigator service: %1").arg(control.errorString());
        return std::nullopt;
    }
    std::optional<QVariantMap> answer;
    QEventLoop loop;
    QObject::connect(&control, &qz::PpsObject::readyRead, &loop, [&] {
        bool ok = false;
        QVariantMap message = qz::PpsObject::decode(control.read(&ok), &ok);
        // Answers to this client arrive as the control object's block.
        if (message.size() == 1 && message.firstKey().startsWith(u'@'))
            message = message.first().toMap();
        const QString msg = message.value(QStringLiteral("msg")).toString();
        if (msg == QLatin1String("clock") || msg == QLatin1String("error")) {
            answer = message;
            loop.quit();
        }
    });
    if (control.writeMessage({{QStringLiteral("msg"), QStringLiteral("clock")},
                              {QStringLiteral("dat"), dat}}) != 0) {
        *problem =
            QStringLiteral("cannot write to the navigator service: %1").arg(control.errorString());
        return std::nullopt;
    }
    QTimer::singleShot(command.timeoutMs(), &loop, &QEventLoop::quit);
    loop.exec();
    if (!answer)
        *problem = QStringLiteral("no answer from the navigator service");
    return answer;
}

} // namespace

int clockVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("clock"),
        QStringLiteral("show: print the device's (virtual) time; set TIME: move it to an ISO 8601 "
                       "time; advance MS: move it forward. Due timers fire as the clock passes "
                       "them"));
    command.parser().addPositionalArgument(QStringLiteral("show|set|advance"),
                                           QStringLiteral("What to do."));
    command.parser().addPositionalArgument(QStringLiteral("value"),
                                           QStringLiteral("set: the time; advance: milliseconds."),
                                           QStringLiteral("[value]"));
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const QStringList words = command.positional();
    const QString op = words.value(0);
    QVariantMap dat{{QStringLiteral("op"), op}};
    if (op == QLatin1String("set") && words.size() == 2) {
        const QDateTime time = QDateTime::fromString(words.value(1), Qt::ISODate);
        if (!time.isValid())
            return NavigatorCommand::usageError(QStringLiteral("set takes an ISO 8601 time"));
        dat.insert(QStringLiteral("time"), time.toString(Qt::ISODateWithMs));
    } else if (op == QLatin1String("advance") && words.size() == 2) {
        bool ok = false;
        const qlonglong ms = words.value(1).toLongLong(&ok);
        if (!ok || ms < 0)
            return NavigatorCommand::usageError(
                QStringLiteral("advance takes milliseconds, 0 or more"));
        dat.insert(QStringLiteral("ms"), ms);
    } else if (op != QLatin1String("show") || words.size() != 1) {
        return NavigatorCommand::usageError(
            QStringLiteral("use: qzctl clock show | set TIME | advance MS"));
    }

    QString problem;
    const std::optional<QVariantMap> answer = ask(command, dat, &problem);
    if (!answer) {
        std::fprintf(stderr, "qzctl: %s\n", qPrintable(problem));
        return NavigatorCommand::NotSent;
    }
    const QVariantMap result = answer->value(QStringLiteral("dat")).toMap();
    if (answer->value(QStringLiteral("msg")) == QLatin1String("error")) {
        std::fprintf(stderr, "qzctl: %s\n",
                     qPrintable(result.value(QStringLiteral("errorText")).toString()));
        return NavigatorCommand::ReplyError;
    }
    const QDateTime now =
        QDateTime::fromString(result.value(QStringLiteral("now")).toString(), Qt::ISODateWithMs);
    NavigatorCommand::print(QStringLiteral("now: %1 (offset %2 ms)")
                                .arg(now.toLocalTime().toString(Qt::ISODate))
                                .arg(result.value(QStringLiteral("offset_ms")).toLongLong()));
    return NavigatorCommand::Ok;
}
