#include "navigatorcommand.h"
#include "verbs.h"

#include <qz/system/InvokeManager>
#include <qz/system/InvokeRequestTargetFiltersReply>
#include <qz/system/InvokeUpdateTargetFiltersRequest>

using namespace qz::system;

namespace {

QString clause(const char *name, const QStringList &values)
{
    return values.isEmpty() ? QString()
                            : QStringLiteral("%1=%2;").arg(QLatin1String(name), values.join(u','));
}

QString text(const InvokeTargetFilter &filter)
{
    QString line = clause("actions", filter.actionList()) + clause("types", filter.mimeTypeList()) +
                   clause("uris", filter.uriList()) + clause("exts", filter.fileExtensionList());
    for (const QString &name : filter.customAttributeNames())
        line += clause(name.toUtf8().constData(), filter.customAttributeList(name));
    return line;
}

// Builds a filter from the text a person typed, through the filter's own checks, so that a
// mistyped action or MIME type is named here instead of being sent.
std::optional<InvokeTargetFilter> parse(const QString &text, QString *problem)
{
    InvokeTargetFilter filter;
    for (const QString &part : text.split(u';', Qt::SkipEmptyParts)) {
        const qsizetype equals = part.indexOf(u'=');
        if (equals < 1) {
            *problem = QStringLiteral("\"%1\" is not name=value,value").arg(part);
            return std::nullopt;
        }
        const QString name = part.left(equals);
        for (const QString &value : part.mid(equals + 1).split(u',')) {
            const bool added = name == QLatin1String("actions") ? filter.addAction(value)
                               : name == QLatin1String("types") ? filter.addMimeType(value)
                               : name == QLatin1String("uris")  ? filter.addUri(value)
                               : name == QLatin1String("exts")
                                   ? filter.addFileExtension(value)
                                   : filter.addCustomAttributeValue(name, value);
            if (!added) {
                *problem =
                    QStringLiteral("%1 \"%2\" is refused (malformed or repeated)").arg(name, value);
                return std::nullopt;
            }
        }
    }
    return filter;
}

} // namespace

int filtersVerb(const QStringList &arguments)
{
    NavigatorCommand command(
        QStringLiteral("filters"),
        QStringLiteral(
            "get KEY: print a target's filters, one per line; set KEY FILTER...: "
            "replace them (filters as actions=a,b;types=text/plain;uris=...;exts=...;)"));
    command.parser().addPositionalArgument(QStringLiteral("get|set"),
                                           QStringLiteral("What to do."));
    command.parser().addPositionalArgument(QStringLiteral("key"),
                                           QStringLiteral("The target key."));
    command.parser().addPositionalArgument(QStringLiteral("filter"),
                                           QStringLiteral("With set: the new filters."),
                                           QStringLiteral("[filter...]"));
    if (!command.parse(arguments))
        return NavigatorCommand::Usage;
    QStringList words = command.positional();
    const QString op = words.value(0);
    if ((op != QLatin1String("get") && op != QLatin1String("set")) || words.size() < 2 ||
        (op == QLatin1String("get") && words.size() != 2))
        return NavigatorCommand::usageError(
            QStringLiteral("use: qzctl filters get KEY | qzctl filters set KEY FILTER..."));

    InvokeManager manager;
    if (op == QLatin1String("get")) {
        InvokeRequestTargetFiltersReply *reply = manager.requestTargetFilters(words.value(1));
        const int status = command.waitAndReport(reply, "filter request");
        if (status == NavigatorCommand::Ok) {
            for (const InvokeTargetFilter &filter : reply->filters())
                NavigatorCommand::print(text(filter));
        }
        return status;
    }
    QList<InvokeTargetFilter> filters;
    for (const QString &word : words.mid(2)) {
        QString problem;
        const std::optional<InvokeTargetFilter> filter = parse(word, &problem);
        if (!filter)
            return NavigatorCommand::usageError(problem);
        filters << *filter;
    }
    InvokeUpdateTargetFiltersRequest request;
    request.setTarget(words.value(1));
    if (!request.setTargetFilters(filters))
        return NavigatorCommand::usageError(
            QStringLiteral("each filter needs at least one action and one MIME type"));
    return command.waitAndReport(manager.updateTargetFilters(request), "filter update");
}
