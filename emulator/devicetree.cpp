#include "devicetree.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace DeviceTree {

const QStringList &sharedRoots()
{
    static const QStringList roots{
        QStringLiteral("accounts/1000/shared/"),
        QStringLiteral("accounts/1000-enterprise/shared/"),
        QStringLiteral("accounts/1000/removable/"),
        QStringLiteral("accounts/1000/services/apps/sys.cfs."),
        QStringLiteral("accounts/1000-enterprise/services/apps/sys.cfs."),
        QStringLiteral("accounts/1000/appserv/sys.cfs."),
        QStringLiteral("accounts/1000-enterprise/appserv/sys.cfs."),
        QStringLiteral("accounts/1000/pimdata/contacts/"),
        QStringLiteral("accounts/1000-enterprise/pimdata/contacts/"),
        QStringLiteral("enterprise/accounts/1000/shared/"),
        QStringLiteral("enterprise/accounts/1000/appserv/sys.cfs."),
    };
    return roots;
}

const QStringList &shareWithAreas()
{
    static const QStringList areas{QStringLiteral("accounts/1000/sharewith/"),
                                   QStringLiteral("accounts/1000-enterprise/sharewith/")};
    return areas;
}

const QStringList &transports()
{
    static const QStringList names{QStringLiteral("bluetooth"), QStringLiteral("wifidirect")};
    return names;
}

bool isValidInstallId(const QString &id)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9._-]{0,254}$"));
    return pattern.match(id).hasMatch();
}

namespace {

// mkdir(2) and not QDir::mkpath: the mode must be exactly this one, whatever the umask.
bool makeFolder(const QString &path, mode_t mode, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    if (::mkdir(name.constData(), mode) != 0) {
        if (errno == EEXIST && QFileInfo(path).isDir())
            return true;
        *error = QStringLiteral("cannot make %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (::chmod(name.constData(), mode) != 0) {
        *error = QStringLiteral("cannot set the mode of %1: %2")
                     .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    return true;
}

} // namespace

bool prepare(const QString &root, const QStringList &installIds, QString *error)
{
    if (!QDir().mkpath(root)) {
        *error = QStringLiteral("cannot make the device root %1").arg(root);
        return false;
    }
    const QDir top(root);
    const QString account = top.filePath(QStringLiteral("accounts/1000"));
    const QString area = account + QStringLiteral("/sharewith");
    bool ok = makeFolder(top.filePath(QStringLiteral("accounts")), 0755, error) &&
              makeFolder(account, 0755, error) &&
              makeFolder(account + QStringLiteral("/shared"), 0775, error) &&
              makeFolder(area, 0711, error);
    for (const QString &transport : transports()) {
        const QString folder = area + u'/' + transport;
        ok = ok && makeFolder(folder, 0711, error);
        for (const QString &id : installIds)
            ok = ok && makeFolder(folder + u'/' + id, 0770, error);
    }
    return ok;
}

} // namespace DeviceTree
