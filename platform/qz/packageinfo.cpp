#include "packageinfo.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace qz {

QString PackageInfo::installId()
{
    const QString configured = qEnvironmentVariable("QZ_INSTALL_ID");
    if (!configured.isEmpty())
        return configured;
    const QString executable = QCoreApplication::instance()
                                   ? QCoreApplication::applicationFilePath()
                                   : QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return QFileInfo(executable).fileName();
}

} // namespace qz
