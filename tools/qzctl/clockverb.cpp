#include "navigatorcommand.h"
#include "verbs.h"

#include <QDateTime>

#include <cstdio>

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
    const std::optional<QVariantMap> answer =
        command.askNavigator(QStringLiteral("clock"), dat, &problem);
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
