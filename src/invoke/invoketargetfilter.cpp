#include "invoketargetfilter_p.h"

#include <QRegularExpression>

#include <algorithm>
#include <iterator>

namespace qz::system {

namespace {

constexpr qsizetype MaxActionLength = 50;

// Anchored, so each matches the whole text only.
const QRegularExpression &actionPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral("^[a-zA-Z]([a-zA-Z0-9_]?|[.]([a-zA-Z0-9_])+)*$"));
    return pattern;
}

const QRegularExpression (&mimeTypePatterns())[3]
{
    static const QRegularExpression patterns[3] = {
        QRegularExpression(QStringLiteral("^[a-zA-Z0-9]+$")),
        QRegularExpression(QStringLiteral("^[a-zA-Z0-9]+\\/\\*$")),
        QRegularExpression(QStringLiteral("^[a-zA-Z0-9]+[/][a-zA-Z0-9\\+\\-\\.]+$")),
    };
    return patterns;
}

bool removeFirst(QStringList &list, const QString &value)
{
    const qsizetype index = list.indexOf(value);
    if (index < 0)
        return false;
    list.removeAt(index);
    return true;
}

void writeClause(QString &text, const QString &name, const QStringList &values)
{
    if (values.isEmpty())
        return;
    text += name + QLatin1Char('=') + values.join(QLatin1Char(',')) + QLatin1Char(';');
}

} // namespace

// Every change checks the shared data first: a refused or empty change leaves copies sharing.
InvokeTargetFilter::InvokeTargetFilter()
    : d(new InvokeTargetFilterPrivate)
{}

InvokeTargetFilter::InvokeTargetFilter(const InvokeTargetFilter &other) = default;
InvokeTargetFilter &InvokeTargetFilter::operator=(const InvokeTargetFilter &other) = default;
InvokeTargetFilter::~InvokeTargetFilter() = default;

bool InvokeTargetFilter::isValid() const
{
    return !d->actions.isEmpty() && !d->mimeTypes.isEmpty();
}

bool InvokeTargetFilter::addAction(const QString &action)
{
    if (action.size() > MaxActionLength || !actionPattern().match(action).hasMatch() ||
        d.constData()->actions.contains(action))
        return false;
    d->actions.append(action);
    return true;
}

bool InvokeTargetFilter::addMimeType(const QString &mimeType)
{
    if (mimeType != QLatin1String("*")) {
        const auto &patterns = mimeTypePatterns();
        if (std::none_of(std::begin(patterns), std::end(patterns),
                         [&mimeType](const QRegularExpression &pattern) {
                             return pattern.match(mimeType).hasMatch();
                         }))
            return false;
    }
    if (d.constData()->mimeTypes.contains(mimeType))
        return false;
    d->mimeTypes.append(mimeType);
    return true;
}

bool InvokeTargetFilter::addUri(const QString &uri)
{
    if (d.constData()->uris.contains(uri))
        return false;
    d->uris.append(uri);
    return true;
}

bool InvokeTargetFilter::addFileExtension(const QString &extension)
{
    if (d.constData()->fileExtensions.contains(extension))
        return false;
    d->fileExtensions.append(extension);
    return true;
}

bool InvokeTargetFilter::addCustomAttributeValue(const QString &name, const QString &value)
{
    const auto it = d.constData()->customAttributes.constFind(name);
    if (it == d.constData()->customAttributes.cend() || !it->contains(value))
        d->customAttributes[name].append(value);
    return true;
}

bool InvokeTargetFilter::removeAction(const QString &action)
{
    return d.constData()->actions.contains(action) && removeFirst(d->actions, action);
}

bool InvokeTargetFilter::removeMimeType(const QString &mimeType)
{
    return d.constData()->mimeTypes.contains(mimeType) && removeFirst(d->mimeTypes, mimeType);
}

bool InvokeTargetFilter::removeUri(const QString &uri)
{
    return d.constData()->uris.contains(uri) && removeFirst(d->uris, uri);
}

bool InvokeTargetFilter::removeFileExtension(const QString &extension)
{
    return d.constData()->fileExtensions.contains(extension) &&
           removeFirst(d->fileExtensions, extension);
}

void InvokeTargetFilter::removeCustomAttribute(const QString &name)
{
    if (d.constData()->customAttributes.contains(name))
        d->customAttributes.remove(name);
}

void InvokeTargetFilter::removeCustomAttributeValue(const QString &name, const QString &value)
{
    const auto it = d.constData()->customAttributes.constFind(name);
    if (it != d.constData()->customAttributes.cend() && it->contains(value))
        removeFirst(d->customAttributes[name], value);
}

QStringList InvokeTargetFilter::actionList() const
{
    return d->actions;
}

QStringList InvokeTargetFilter::mimeTypeList() const
{
    return d->mimeTypes;
}

QStringList InvokeTargetFilter::uriList() const
{
    return d->uris;
}

QStringList InvokeTargetFilter::fileExtensionList() const
{
    return d->fileExtensions;
}

QStringList InvokeTargetFilter::customAttributeNames() const
{
    return d->customAttributes.keys();
}

QStringList InvokeTargetFilter::customAttributeList(const QString &name) const
{
    return d->customAttributes.value(name);
}

QString InvokeTargetFilterPrivate::write(const InvokeTargetFilter &filter)
{
    const InvokeTargetFilterPrivate &f = *filter.d;
    QString text;
    writeClause(text, QStringLiteral("actions"), f.actions);
    writeClause(text, QStringLiteral("types"), f.mimeTypes);
    writeClause(text, QStringLiteral("uris"), f.uris);
    writeClause(text, QStringLiteral("exts"), f.fileExtensions);
    for (auto it = f.customAttributes.cbegin(); it != f.customAttributes.cend(); ++it)
        writeClause(text, it.key(), it.value());
    return text;
}

InvokeTargetFilter InvokeTargetFilterPrivate::parse(const QString &text)
{
    struct Clause
    {
        QLatin1String prefix;
        QStringList InvokeTargetFilterPrivate::*list;
    };
    static const Clause clauses[] = {
        {QLatin1String("actions="), &InvokeTargetFilterPrivate::actions},
        {QLatin1String("types="), &InvokeTargetFilterPrivate::mimeTypes},
        {QLatin1String("uris="), &InvokeTargetFilterPrivate::uris},
        {QLatin1String("exts="), &InvokeTargetFilterPrivate::fileExtensions},
    };

    InvokeTargetFilter filter;
    InvokeTargetFilterPrivate &f = *filter.d;
    for (const QString &part : text.split(QLatin1Char(';'))) {
        const auto clause =
            std::find_if(std::begin(clauses), std::end(clauses),
                         [&part](const Clause &c) { return part.startsWith(c.prefix); });
        if (clause != std::end(clauses)) {
            f.*(clause->list) = part.mid(clause->prefix.size()).split(QLatin1Char(','));
            continue;
        }
        const qsizetype equals = part.indexOf(QLatin1Char('='));
        if (equals < 1)
            continue;
        const QString name = part.left(equals);
        for (const QString &value : part.mid(equals + 1).split(QLatin1Char(',')))
            filter.addCustomAttributeValue(name, value);
    }
    return filter;
}

} // namespace qz::system
