#include "uitoolkitsupport.h"

#include <QCoreApplication>
#include <QDir>

namespace qz {

namespace {

QString applicationDirectory()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                        : QDir::currentPath();
}

QString assetsDirectory()
{
    const QString configured = qEnvironmentVariable("QZ_APP_ASSETS");
    if (!configured.isEmpty())
        return QDir(applicationDirectory()).absoluteFilePath(configured);
    return applicationDirectory() + QLatin1String("/assets");
}

// The path below a root: "asset:///x", "asset:x" and a relative "x" all name x under it, and
// ".." may not climb out of it.
QString pathBelow(const QString &root, const QString &relative)
{
    QStringList parts;
    for (const QString &part : relative.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (part != QLatin1String(".")) {
            parts.append(part);
        }
    }
    return QDir::cleanPath(root + QLatin1Char('/') + parts.join(QLatin1Char('/')));
}

} // namespace

QString UIToolkitSupport::absolutePathFromUrl(const QUrl &url)
{
    if (url.isEmpty() || !url.isValid())
        return QString();
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("asset"))
        return pathBelow(assetsDirectory(), url.path());
    if (scheme == QLatin1String("file"))
        return QDir::cleanPath(url.toLocalFile());
    if (scheme.isEmpty()) {
        const QString path = url.path();
        if (QDir::isAbsolutePath(path))
            return QDir::cleanPath(path);
        return pathBelow(applicationDirectory(), path);
    }
    return QString();
}

} // namespace qz
