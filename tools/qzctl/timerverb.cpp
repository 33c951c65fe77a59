#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/system/InvokeManager>
#include <qz/system/InvokeTimerRequest>

#include <QDateTime>
#include <QSet>

#include <cstdio>

using namespace qz::system;

namespace {

std::optional<InvokeDateTime> dateTime(const QString &text, const QString &zone)
{
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODate);
    if (!parsed.isValid())
        return std::nullopt;
    return InvokeDateTime(parsed.date(), parsed.time(), zone);
}

std::optional<QSet<int>> numbers(const QString &text)
{
    QSet<int> set;
    for (const QString &item : text.split(u',', Qt::SkipEmptyParts)) {
        bool ok = false;
        set.insert(item.toInt(&ok));
        if (!ok)
            return std::nullopt;
    }
    return set;
}

int listTimers(const NavigatorCommand &command)
{
    QString problem;
    const std::optional<QVariantMap> answer = command.askNavigator(
        QStringLiteral("timers"), {{QStringLiteral("target"), command.value("target")}}, &problem);
    const QVariantMap dat = answer ? answer->value(QStringLiteral("dat")).toMap() : QVariantMap();
    if (!answer || answer->value(QStringLiteral("msg")) != QLatin1String("timers")) {
        std::fprintf(
            stderr, "qzctl: %s\n",
            qPrintable(answer ? dat.value(QStringLiteral("errorText")).toString() : problem));
        return answer ? NavigatorCommand::ReplyError : NavigatorCommand::NotSent;
    }
    const QVariantList timers = dat.value(QStringLiteral("timers")).toList();
    if (timers.isEmpty())
        NavigatorCommand::print(QStringLiteral("no timers"));
    for (const QVariant &item : timers) {
        const QVariantMap timer = item.toMap();
        const QDateTime next = QDateTime::fromString(timer.value(QStringLiteral("next")).toString(),
                                                     Qt::ISODateWithMs);
        NavigatorCommand::print(QStringLiteral("%1 %2: %3 next %4, fired %5")
                                    .arg(timer.value(QStringLiteral("target")).toString(),
                                         timer.value(QStringLiteral("timer_id")).toString(),
                                         timer.value(QStringLiteral("kind")).toInt() == 1
                                             ? QStringLiteral("recurring")
                                             : QStringLiteral("once"),
                                         next.toLocalTime().toString(Qt::ISODate),
                                         timer.value(QStringLiteral("fired")).toString()));
    }
    if (dat.value(QStringLiteral("more")).toBool())
        NavigatorCommand::print(QStringLiteral("(more timers not shown)"));
    return NavigatorCommand::Ok;
}

} // namespace

int timerVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("timer"),
        QStringLiteral("add ID: register a timed invocation of --target, once --at a time or "
                       "--every period; remove ID: withdraw it; list: the registered timers (of "
                       "--target), soonest first. Times are ISO 8601 (2030-01-31T08:00), in "
                       "--zone or the device's local time"));
    command.parser().addPositionalArgument(QStringLiteral("add|remove|list"),
                                           QStringLiteral("What to do."));
    command.parser().addPositionalArgument(QStringLiteral("id"), QStringLiteral("The timer id."),
                                           QStringLiteral("[id]"));
    command.parser().addOptions({
        {QStringLiteral("target"), QStringLiteral("The target to invoke."), QStringLiteral("key")},
        {QStringLiteral("at"), QStringLiteral("Once, at this time."), QStringLiteral("time")},
        {QStringLiteral("zone"), QStringLiteral("Time zone of the times (IANA id)."),
         QStringLiteral("zone")},
        {QStringLiteral("every"),
         QStringLiteral("Repeat: yearly, monthly, weekly, daily, hourly or minutely."),
         QStringLiteral("period")},
        {QStringLiteral("start"), QStringLiteral("With --every: the first time (now)."),
         QStringLiteral("time")},
        {QStringLiteral("interval"), QStringLiteral("With --every: every <n>th period (1)."),
         QStringLiteral("n")},
        {QStringLiteral("count"), QStringLiteral("With --every: at most <n> times."),
         QStringLiteral("n")},
        {QStringLiteral("until"), QStringLiteral("With --every: not after this time."),
         QStringLiteral("time")},
        {QStringLiteral("minutes"), QStringLiteral("Minutes of the hour, e.g. 0,30."),
         QStringLiteral("list")},
        {QStringLiteral("hours"), QStringLiteral("Hours of the day."), QStringLiteral("list")},
        {QStringLiteral("weekdays"), QStringLiteral("Days of the week."), QStringLiteral("list")},
        {QStringLiteral("monthdays"), QStringLiteral("Days of the month."), QStringLiteral("list")},
        {QStringLiteral("months"), QStringLiteral("Months of the year."), QStringLiteral("list")},
    });
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    const QStringList words = command.positional();
    const QString op = words.value(0);
    if (op == QLatin1String("list") && words.size() == 1)
        return listTimers(command);
    if (words.size() != 2 || (op != QLatin1String("add") && op != QLatin1String("remove")))
        return NavigatorCommand::usageError(
            QStringLiteral("use: qzctl timer add ID --target KEY (--at TIME | --every PERIOD) | "
                           "qzctl timer remove ID | qzctl timer list [--target KEY]"));
    InvokeManager manager;
    if (op == QLatin1String("remove"))
        return command.waitAndReport(manager.deregisterTimer(words.value(1)), "deregistration");

    if (!command.isSet("target") || command.isSet("at") == command.isSet("every"))
        return NavigatorCommand::usageError(
            QStringLiteral("timer add needs --target and one of --at and --every"));
    const QString zone = command.value("zone");
    InvokeTimerRequest request;
    if (command.isSet("at")) {
        const auto at = dateTime(command.value("at"), zone);
        if (!at)
            return NavigatorCommand::usageError(QStringLiteral("--at takes an ISO 8601 time"));
        request.set(words.value(1), *at, command.value("target"));
    } else {
        const auto frequency = NavigatorCommand::enumValue<InvokeRecurrenceRuleFrequency::Type>(
            command.value("every"));
        if (!frequency || *frequency == InvokeRecurrenceRuleFrequency::None)
            return NavigatorCommand::usageError(
                QStringLiteral("unknown period \"%1\"").arg(command.value("every")));
        InvokeRecurrenceRule rule(*frequency);
        if (command.isSet("start")) {
            const auto start = dateTime(command.value("start"), zone);
            if (!start)
                return NavigatorCommand::usageError(
                    QStringLiteral("--start takes an ISO 8601 time"));
            rule.setStartTime(*start);
        } else if (!zone.isEmpty()) {
            InvokeDateTime start = rule.startTime();
            start.setTimeZone(zone);
            rule.setStartTime(start);
        }
        if (command.isSet("interval"))
            rule.setInterval(command.value("interval").toInt());
        if (command.isSet("count"))
            rule.setLimit(command.value("count").toInt());
        if (command.isSet("until")) {
            const auto until = dateTime(command.value("until"), zone);
            if (!until)
                return NavigatorCommand::usageError(
                    QStringLiteral("--until takes an ISO 8601 time"));
            rule.setLimit(*until);
        }
        const struct
        {
            const char *option;
            void (InvokeRecurrenceRule::*set)(const QSet<int> &);
        } lists[] = {{"minutes", &InvokeRecurrenceRule::setMinutesOfHour},
                     {"hours", &InvokeRecurrenceRule::setHoursOfDay},
                     {"weekdays", &InvokeRecurrenceRule::setDaysOfWeek},
                     {"monthdays", &InvokeRecurrenceRule::setDaysOfMonth},
                     {"months", &InvokeRecurrenceRule::setMonthsOfYear}};
        for (const auto &list : lists) {
            if (!command.isSet(list.option))
                continue;
            const auto values = numbers(command.value(list.option));
            if (!values)
                return NavigatorCommand::usageError(
                    QStringLiteral("--%1 takes numbers separated by commas")
                        .arg(QLatin1String(list.option)));
            (rule.*list.set)(*values);
        }
        if (!rule.isValid())
            return NavigatorCommand::usageError(QStringLiteral("--interval must be above 0"));
        request.set(words.value(1), rule, command.value("target"));
    }
    return command.waitAndReport(manager.registerTimer(request), "registration");
}
