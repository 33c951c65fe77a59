#include "targetfilter.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int MaxActionLength = 50;

bool isAction(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[a-zA-Z]([a-zA-Z0-9_]?|[.]([a-zA-Z0-9_])+)*$"));
    return text.size() <= MaxActionLength && pattern.match(text).hasMatch();
}

bool isMimeType(const QString &text)
{
    static const QRegularExpression bare(QStringLiteral("^[a-zA-Z0-9]+$"));
    static const QRegularExpression wildcard(QStringLiteral("^[a-zA-Z0-9]+/\\*$"));
    static const QRegularExpression full(QStringLiteral("^[a-zA-Z0-9]+[/][a-zA-Z0-9\\+\\-\\.]+$"));
    return text == QLatin1String("*") || bare.match(text).hasMatch() ||
           wildcard.match(text).hasMatch() || full.match(text).hasMatch();
}

// How closely a filter's MIME type fits \a mimeType: -1 not at all, 1 "*", 2 a whole major type,
// 3 exactly.
int typeFit(const QString &filterType, const QString &mimeType)
{
    if (filterType == QLatin1String("*"))
        return 1;
    const QString major = mimeType.section(u'/', 0, 0);
    if (filterType.endsWith(QLatin1String("/*")))
        return filterType.chopped(2).compare(major, Qt::CaseInsensitive) == 0 ? 2 : -1;
    if (!filterType.contains(u'/'))
        return filterType.compare(major, Qt::CaseInsensitive) == 0 ? 2 : -1;
    return filterType.compare(mimeType, Qt::CaseInsensitive) == 0 ? 3 : -1;
}

void appendClause(QString *text, const QString &name, const QStringList &values)
{
    if (!values.isEmpty())
        *text += name + u'=' + values.join(u',') + u';';
}

} // namespace

std::optional<TargetFilter> TargetFilter::parse(const QString &text, QString *error)
{
    TargetFilter filter;
    const QStringList clauses = text.split(u';');
    for (const QString &clause : clauses) {
        if (clause.trimmed().isEmpty())
            continue;
        const qsizetype equals = clause.indexOf(u'=');
        if (equals <= 0) {
            *error = QStringLiteral("clause \"%1\" is not name=values").arg(clause);
            return std::nullopt;
        }
        const QString name = clause.left(equals).trimmed();
        const QStringList values = clause.mid(equals + 1).split(u',');
        for (const QString &value : values) {
            if (value.isEmpty()) {
                *error = QStringLiteral("clause \"%1\" has an empty value").arg(name);
                return std::nullopt;
            }
        }
        if (name == QLatin1String("actions")) {
            for (const QString &action : values) {
                if (!isAction(action)) {
                    *error = QStringLiteral("\"%1\" is not an action name").arg(action);
                    return std::nullopt;
                }
            }
            filter.m_actions = values;
        } else if (name == QLatin1String("types")) {
            for (const QString &type : values) {
                if (!isMimeType(type)) {
                    *error = QStringLiteral("\"%1\" is not a MIME type").arg(type);
                    return std::nullopt;
                }
            }
            filter.m_types = values;
        } else if (name == QLatin1String("uris")) {
            filter.m_uris = values;
        } else if (name == QLatin1String("exts")) {
            filter.m_exts = values;
        } else {
            filter.m_attributes.insert(name, values);
        }
    }
    if (filter.m_actions.isEmpty() || filter.m_types.isEmpty()) {
        *error = QStringLiteral("a filter needs actions and types");
        return std::nullopt;
    }
    return filter;
}

QString TargetFilter::toText() const
{
    QString text;
    appendClause(&text, QStringLiteral("actions"), m_actions);
    appendClause(&text, QStringLiteral("types"), m_types);
    appendClause(&text, QStringLiteral("uris"), m_uris);
    appendClause(&text, QStringLiteral("exts"), m_exts);
    for (auto it = m_attributes.cbegin(); it != m_attributes.cend(); ++it)
        appendClause(&text, it.key(), it.value());
    return text;
}

int TargetFilter::fit(const QString &action, const QString &mimeType, const QString &uri) const
{
    if (!action.isEmpty() && !m_actions.contains(action))
        return -1;
    int fit = 0;
    if (!mimeType.isEmpty()) {
        int best = -1;
        for (const QString &type : m_types)
            best = std::max(best, typeFit(type, mimeType));
        if (best < 0)
            return -1;
        fit += best;
    }
    if (uri.isEmpty())
        return fit;
    const QStringList prefixes = m_uris.isEmpty() ? QStringList{QStringLiteral("file://")} : m_uris;
    int prefixFit = -1;
    for (const QString &prefix : prefixes) {
        if (prefix == QLatin1String("*"))
            prefixFit = std::max(prefixFit, 0);
        else if (uri.startsWith(prefix, Qt::CaseInsensitive))
            prefixFit = m_uris.isEmpty() ? 0 : 1;
    }
    if (prefixFit < 0)
        return -1;
    fit += prefixFit;
    if (m_exts.isEmpty())
        return fit;
    const QString path = uri.section(u'?', 0, 0).section(u'#', 0, 0);
    const bool extensionFits = std::any_of(m_exts.cbegin(), m_exts.cend(), [&](const QString &ext) {
        return path.endsWith(u'.' + ext, Qt::CaseInsensitive);
    });
    return extensionFits ? fit + 3 : -1;
}
