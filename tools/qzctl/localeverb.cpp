#include "navigatorcommand.h"
#include "serviceask.h"
#include "verbs.h"

#include <qz/system/LocaleHandler>

#include <cstdio>

namespace {

const QString s_controlPath = QStringLiteral("/pps/services/locale/control");

} // namespace

int localeVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("locale"),
        QStringLiteral("show: print the messages language, region and measurement system as "
                       "applications see them; set: change them (any of --messages, --region, "
                       "--uom)"));
    command.parser().addPositionalArgument(QStringLiteral("show|set"),
                                           QStringLiteral("What to do."));
    command.parser().addOptions(
        {{QStringLiteral("messages"), QStringLiteral("The messages language (fr_FR)."),
          QStringLiteral("name")},
         {QStringLiteral("region"), QStringLiteral("The region locale (de_CH)."),
          QStringLiteral("name")},
         {QStringLiteral("uom"), QStringLiteral("The measurement system: metric or imperial."),
          QStringLiteral("system")}});
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const QString op = command.positional().value(0);
    if (command.positional().size() != 1 ||
        (op != QLatin1String("show") && op != QLatin1String("set")))
        return NavigatorCommand::usageError(
            QStringLiteral("use: qzctl locale show | set [--messages N] [--region N] [--uom U]"));

    if (op == QLatin1String("show")) {
        using namespace qz::system;
        const LocaleHandler messages(LocaleType::Messages);
        const LocaleHandler region(LocaleType::Region);
        NavigatorCommand::print(QStringLiteral("messages: %1").arg(messages.locale().name()));
        NavigatorCommand::print(QStringLiteral("region: %1").arg(region.locale().name()));
        NavigatorCommand::print(
            QStringLiteral("uom: %1").arg(messages.measurementSystem() == MeasurementSystem::Metric
                                              ? QStringLiteral("metric")
                                              : QStringLiteral("imperial")));
        return NavigatorCommand::Ok;
    }

    QVariantMap dat;
    for (const char *name : {"messages", "region", "uom"}) {
        if (command.isSet(name))
            dat.insert(QLatin1String(name), command.value(name));
    }
    if (dat.isEmpty())
        return NavigatorCommand::usageError(
            QStringLiteral("set takes at least one of --messages, --region, --uom"));
    QString problem;
    const std::optional<QVariantMap> answer =
        askService(s_controlPath, QStringLiteral("set"), dat, command.timeoutMs(), &problem);
    if (!answer) {
        std::fprintf(stderr, "qzctl: %s\n", qPrintable(problem));
        return NavigatorCommand::NotSent;
    }
    if (answer->contains(QStringLiteral("err"))) {
        std::fprintf(stderr, "qzctl: refused: %s\n",
                     qPrintable(answer->value(QStringLiteral("errstr")).toString()));
        return NavigatorCommand::ReplyError;
    }
    const QVariantMap now = answer->value(QStringLiteral("dat")).toMap();
    for (const char *name : {"messages", "region", "uom"})
        NavigatorCommand::print(QStringLiteral("%1: %2").arg(
            QLatin1String(name), now.value(QLatin1String(name)).toString()));
    return NavigatorCommand::Ok;
}
