#include "devicefiles.h"

#include <QStandardPaths>

namespace qz {

QString DeviceFiles::root()
{
    QString root = qEnvironmentVariable("QZ_DEVICE_ROOT");
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/qzdevice/root");
    // "/" itself stays the empty prefix, so that root() + "/accounts" never reads "//accounts".
    while (root.endsWith(u'/'))
        root.chop(1);
    return root;
}

QString DeviceFiles::path(const QString &devicePath)
{
    return root() + devicePath;
}

} // namespace qz
