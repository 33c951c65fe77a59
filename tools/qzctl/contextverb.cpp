#include "navigatorcommand.h"
#include "serviceask.h"
#include "verbs.h"

#include <qz/PpsObject>

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

const QString s_controlPath = QStringLiteral("/pps/services/context/control");
const QString s_eventsPath = QStringLiteral("/pps/services/context/events");

// Prints each event collected from now on as one JSON line; stops after \a count events (0: never)
// or when the collector goes away.
int tail(const NavigatorCommand &command, int count)
{
    qz::PpsObject events{s_eventsPath};
    if (!events.open(qz::PpsOpenMode::Subscribe)) {
        std::fprintf(stderr, "qzctl: cannot reach the context collector: %s\n",
                     qPrintable(events.errorString()));
        return NavigatorCommand::NotSent;
    }
    events.read(); // what was there before
    std::printf("tailing\n");
    std::fflush(stdout);
    int seen = 0;
    int status = NavigatorCommand::Ok;
    QEventLoop loop;
    QObject::connect(&events, &qz::PpsObject::readyRead, &loop, [&] {
        bool ok = false;
        const QByteArray text = events.read(&ok);
        if (!ok) {
            if (events.error() != EAGAIN) {
                status = NavigatorCommand::NotSent;
                loop.quit();
            }
            return;
        }
        const QVariant event = qz::PpsObject::decode(text)
                                   .value(QStringLiteral("@events"))
                                   .toMap()
                                   .value(QStringLiteral("event"));
        if (event.typeId() != QMetaType::QVariantMap)
            return;
        NavigatorCommand::print(
            QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(event.toMap()))
                                  .toJson(QJsonDocument::Compact)));
        if (count > 0 && ++seen == count)
            loop.quit();
    });
    if (command.isSet("timeout"))
        QTimer::singleShot(command.timeoutMs(), &loop, [&] {
            status = NavigatorCommand::TimedOut;
            loop.quit();
        });
    loop.exec();
    return status;
}

} // namespace

int contextVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("context"),
        QStringLiteral("tail: print usage events as the device collects them (one JSON line "
                       "each); enable, disable: switch collection on or off; status"));
    command.parser().addPositionalArgument(QStringLiteral("tail|enable|disable|status"),
                                           QStringLiteral("What to do."));
    command.parser().addOption({QStringLiteral("count"),
                                QStringLiteral("tail: stop after <n> events."),
                                QStringLiteral("n")});
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const QString op = command.positional().value(0);
    static const QStringList ops{QStringLiteral("tail"), QStringLiteral("enable"),
                                 QStringLiteral("disable"), QStringLiteral("status")};
    if (command.positional().size() != 1 || !ops.contains(op))
        return NavigatorCommand::usageError(
            QStringLiteral("use: qzctl context tail [--count N] | enable | disable | status"));
    if (op == QLatin1String("tail")) {
        bool ok = true;
        const int count = command.isSet("count") ? command.value("count").toInt(&ok) : 0;
        if (!ok || count < 0)
            return NavigatorCommand::usageError(
                QStringLiteral("--count takes a number, 0 or more"));
        return tail(command, count);
    }
    QString problem;
    const std::optional<QVariantMap> answer =
        askService(s_controlPath, op, {{QStringLiteral("args"), QVariantList()}},
                   command.timeoutMs(), &problem);
    if (!answer) {
        std::fprintf(stderr, "qzctl: %s\n", qPrintable(problem));
        return NavigatorCommand::NotSent;
    }
    if (answer->contains(QStringLiteral("err"))) {
        std::fprintf(stderr, "qzctl: refused: %s\n",
                     qPrintable(answer->value(QStringLiteral("errstr")).toString()));
        return NavigatorCommand::ReplyError;
    }
    const bool on = answer->value(QStringLiteral("dat"))
                        .toMap()
                        .value(QStringLiteral("out"))
                        .toList()
                        .value(0)
                        .toBool();
    NavigatorCommand::print(on ? QStringLiteral("collection: on")
                               : QStringLiteral("collection: off"));
    return NavigatorCommand::Ok;
}
