#include "targetregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
const QString s_filtersFile = QStringLiteral("navigator-filters.json");
constexpr qint64 MaxFiltersFileSize = 4 * 1024 * 1024;
} // namespace

QString TargetRegistry::filtersFile() const
{
    return QDir(m_dataDir).filePath(s_filtersFile);
}

QStringList TargetRegistry::load(const QString &targetsDir, const QString &dataDir)
{
    QStringList refused;
    m_targets.clear();
    m_replaced.clear();
    m_dataDir = dataDir;
    for (const TargetDeclaration &builtIn : std::as_const(m_builtIns))
        m_targets.insert(builtIn.key, builtIn);

    if (!targetsDir.isEmpty()) {
        const QDir dir(targetsDir);
        if (!dir.exists())
            refused << QStringLiteral("%1: no such folder").arg(targetsDir);
        const QStringList names =
            dir.entryList({QStringLiteral("*.target")}, QDir::Files | QDir::Readable, QDir::Name);
        for (const QString &name : names) {
            const QString path = dir.filePath(name);
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                refused << QStringLiteral("%1: %2").arg(path, file.errorString());
                continue;
            }
            QString error;
            // One byte past the limit is enough to tell that the file is too long.
            const std::optional<TargetDeclaration> declaration =
                TargetDeclaration::parse(file.read(TargetDeclaration::MaxSize + 1), path, &error);
            if (!declaration) {
                refused << error;
            } else if (m_targets.contains(declaration->key)) {
                refused << QStringLiteral("%1: key \"%2\" is declared already")
                               .arg(path, declaration->key);
            } else {
                m_targets.insert(declaration->key, *declaration);
            }
        }
    }

    QFile file(filtersFile());
    if (dataDir.isEmpty() || !file.exists())
        return refused;
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxFiltersFileSize) {
        refused << QStringLiteral("%1: unreadable or too long").arg(file.fileName());
        return refused;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!document.isObject()) {
        refused << QStringLiteral("%1: not a JSON object (%2)")
                       .arg(file.fileName(), parseError.errorString());
        return refused;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        const auto target = m_targets.find(it.key());
        QList<TargetFilter> filters;
        QStringList texts;
        QString error;
        bool ok = target != m_targets.end() && it.value().isArray();
        for (const QJsonValue &value : it.value().toArray()) {
            std::optional<TargetFilter> filter;
            if (ok && value.isString())
                filter = TargetFilter::parse(value.toString(), &error);
            ok = filter.has_value();
            if (!ok)
                break;
            filters << *filter;
            texts << value.toString();
        }
        if (!ok) {
            refused << QStringLiteral("%1: filters of \"%2\" refused %3")
                           .arg(file.fileName(), it.key(), error);
            continue;
        }
        target->filters = filters;
        m_replaced.insert(it.key(), texts);
    }
    return refused;
}

const TargetDeclaration *TargetRegistry::find(const QString &key) const
{
    const auto it = m_targets.constFind(key);
    return it == m_targets.cend() ? nullptr : &*it;
}

QList<const TargetDeclaration *> TargetRegistry::targets() const
{
    QList<const TargetDeclaration *> list;
    for (const TargetDeclaration &target : m_targets)
        list << &target;
    return list;
}

bool TargetRegistry::setFilters(const QString &key, const QList<TargetFilter> &filters,
                                QString *error)
{
    const auto target = m_targets.find(key);
    if (target == m_targets.end()) {
        *error = QStringLiteral("no target \"%1\"").arg(key);
        return false;
    }
    QMap<QString, QStringList> replaced = m_replaced;
    QStringList texts;
    for (const TargetFilter &filter : filters)
        texts << filter.toText();
    replaced.insert(key, texts);
    if (!save(replaced, error))
        return false;
    m_replaced = replaced;
    target->filters = filters;
    return true;
}

bool TargetRegistry::save(const QMap<QString, QStringList> &replaced, QString *error) const
{
    if (m_dataDir.isEmpty())
        return true; // nothing asked to persist
    if (!QDir().mkpath(m_dataDir)) {
        *error = QStringLiteral("cannot create %1").arg(m_dataDir);
        return false;
    }
    QJsonObject object;
    for (auto it = replaced.cbegin(); it != replaced.cend(); ++it)
        object.insert(it.key(), QJsonArray::fromStringList(it.value()));
    QSaveFile file(filtersFile());
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(object).toJson()) < 0 ||
        !file.commit()) {
        *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}
