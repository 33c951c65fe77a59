#include "nfcsharewithhandler_p.h"

#include "nfclogging_p.h"

#include <qz/DeviceFiles>
#include <qz/PackageInfo>

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QThread>
#include <QTime>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qz::system {

namespace {

const QString s_perimeterPersonal = QStringLiteral("personal");
const QString s_perimeterEnterprise = QStringLiteral("enterprise");

// One folder or file name that stays where it is put: no separator, no NUL, no way up.
bool isPlainName(const QString &name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(u'/') && !name.contains(QChar(0));
}

// The descriptor of the folder \a name inside \a parent; a symbolic link there is refused, so
// a folder swapped for one cannot send the links elsewhere.
int openFolderAt(int parent, const QString &name)
{
    return ::openat(parent, QFile::encodeName(name).constData(),
                    O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

void warnMissing(const QString &folder)
{
    qCWarning(lcNfc) << "SharedFileHandler::link() error - path " << nfcLogHash(folder)
                     << " doesn't exist";
}

void warnLinkFailed(const QString &path, const QString &link, int error)
{
    qCWarning(lcNfc) << "NfcShareWithHandler::link() failed to link " << nfcLogHash(path) << " to "
                     << nfcLogHash(link) << " error:" << error;
}

} // namespace

NfcShareWithHandler *NfcShareWithHandler::instance()
{
    static NfcShareWithHandler handler;
    return &handler;
}

NfcShareWithHandler::NfcShareWithHandler()
    : m_sharedRoots({
          QStringLiteral("/accounts/1000/shared/"),
          QStringLiteral("/accounts/1000-enterprise/shared/"),
          QStringLiteral("/accounts/1000/removable/"),
          QStringLiteral("/accounts/1000/services/apps/sys.cfs."),
          QStringLiteral("/accounts/1000-enterprise/services/apps/sys.cfs."),
          QStringLiteral("/accounts/1000/appserv/sys.cfs."),
          QStringLiteral("/accounts/1000-enterprise/appserv/sys.cfs."),
          QStringLiteral("/accounts/1000/pimdata/contacts/"),
          QStringLiteral("/accounts/1000-enterprise/pimdata/contacts/"),
          QStringLiteral("/enterprise/accounts/1000/shared/"),
          QStringLiteral("/enterprise/accounts/1000/appserv/sys.cfs."),
      })
    , m_processId(int(::getpid()))
{}

NfcShareWithHandler::~NfcShareWithHandler() = default;

bool NfcShareWithHandler::isLinkRequired(const QString &path) const
{
    qCDebug(lcNfc) << "SharedFileHandler::link() - analyzing path";
    // Callers pass canonical paths, so the device root is compared in its canonical form too.
    const QString root = qz::DeviceFiles::root();
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    const QString prefix =
        canonicalRoot.isEmpty() || canonicalRoot == QLatin1String("/") ? root : canonicalRoot;
    for (const QString &sharedRoot : m_sharedRoots) {
        if (path.startsWith(prefix + sharedRoot)) {
            qCDebug(lcNfc) << "NfcShareWithHandler::createLink() - the path should be preserved";
            return false;
        }
    }
    return true;
}

QString NfcShareWithHandler::createLink(const QString &path, const QString &fileName,
                                        const QString &transportName) const
{
    const QString perimeterType = perimeter();
    QString area;
    if (perimeterType == s_perimeterPersonal)
        area = QStringLiteral("/accounts/1000/sharewith/");
    else if (perimeterType == s_perimeterEnterprise)
        area = QStringLiteral("/accounts/1000-enterprise/sharewith/");
    if (area.isEmpty()) {
        qCWarning(lcNfc) << "SharedFileHandler::link() error - cannot handle perimeter type "
                         << perimeterType;
        return QString();
    }

    // Every step below works on an open folder, never on a path again: what was checked is what
    // the link lands in.
    const QString transportFolder = qz::DeviceFiles::path(area) + transportName;
    const int transportFd = isPlainName(transportName)
                                ? ::open(QFile::encodeName(transportFolder).constData(),
                                         O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                : -1;
    if (transportFd < 0) {
        warnMissing(transportFolder);
        return QString();
    }
    const auto closeTransport = qScopeGuard([transportFd] { ::close(transportFd); });

    const QString installId = dname();
    const QString appFolder = transportFolder + u'/' + installId;
    const int appFd = isPlainName(installId) ? openFolderAt(transportFd, installId) : -1;
    if (appFd < 0) {
        warnMissing(appFolder);
        return QString();
    }
    const auto closeApp = qScopeGuard([appFd] { ::close(appFd); });

    QString transaction = transactionId();
    QString folder = appFolder + u'/' + transaction;
    QString link = folder + u'/' + fileName;

    // The file itself, not a symbolic link to it: O_NOFOLLOW with O_PATH opens a link as a link,
    // which the type check below refuses.
    if (!isPlainName(fileName)) {
        warnLinkFailed(path, link, EINVAL);
        return QString();
    }
    const int fileFd = ::open(QFile::encodeName(path).constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fileFd < 0) {
        warnLinkFailed(path, link, errno);
        return QString();
    }
    const auto closeFile = qScopeGuard([fileFd] { ::close(fileFd); });
    struct stat fileStat;
    struct stat appStat;
    if (::fstat(fileFd, &fileStat) != 0 || ::fstat(appFd, &appStat) != 0) {
        warnLinkFailed(path, link, errno);
        return QString();
    }
    if (S_ISLNK(fileStat.st_mode)) {
        warnLinkFailed(path, link, ELOOP);
        return QString();
    }
    if (!S_ISREG(fileStat.st_mode)) {
        warnLinkFailed(path, link, EINVAL);
        return QString();
    }
    if (fileStat.st_dev != appStat.st_dev) {
        warnLinkFailed(path, link, EXDEV);
        return QString();
    }

    // Two files of one name linked within the same millisecond would meet in one folder: the
    // second then takes the next millisecond's folder instead of failing the whole send.
    for (int attempt = 0;; ++attempt) {
        // Private to the user: the folder is made by this process and lets no one else in.
        const QByteArray transactionName = QFile::encodeName(transaction);
        bool created = true;
        if (::mkdirat(appFd, transactionName.constData(), 0700) != 0) {
            if (errno != EEXIST) {
                qCWarning(lcNfc) << "SharedFileHandler::link() error - cannot create folder "
                                 << nfcLogHash(folder) << ", errno = " << errno;
                return QString();
            }
            created = false;
            qCWarning(lcNfc) << "SharedFileHandler::link() warning - transaction folder "
                             << nfcLogHash(folder) << " exists";
        }
        const int folderFd = openFolderAt(appFd, transaction);
        struct stat folderStat;
        // An existing folder is used only when it is this user's own.
        if (folderFd < 0 || ::fstat(folderFd, &folderStat) != 0 ||
            folderStat.st_uid != ::geteuid()) {
            const int error = folderFd < 0 ? errno : EEXIST;
            if (folderFd >= 0)
                ::close(folderFd);
            qCWarning(lcNfc) << "SharedFileHandler::link() error - cannot create folder "
                             << nfcLogHash(folder) << ", errno = " << error;
            return QString();
        }
        const auto closeFolder = qScopeGuard([folderFd] { ::close(folderFd); });

        // Links the open file: a file swapped in after the checks above is not the one linked.
        const QByteArray source = "/proc/self/fd/" + QByteArray::number(fileFd);
        if (::linkat(AT_FDCWD, source.constData(), folderFd,
                     QFile::encodeName(fileName).constData(), AT_SYMLINK_FOLLOW) != 0) {
            const int error = errno;
            if (created)
                ::unlinkat(appFd, transactionName.constData(), AT_REMOVEDIR);
            if (error == EEXIST && !created && attempt == 0) {
                while (transactionId() == transaction)
                    QThread::msleep(1);
                transaction = transactionId();
                folder = appFolder + u'/' + transaction;
                link = folder + u'/' + fileName;
                continue;
            }
            warnLinkFailed(path, link, error);
            return QString();
        }
        break;
    }
    qCDebug(lcNfc) << "NfcShareWithHandler::link() - successfully created a link "
                   << nfcLogHash(link);
    return link;
}

bool NfcShareWithHandler::deleteLink(const QString &linkPath) const
{
    if (::unlink(QFile::encodeName(linkPath).constData()) != 0) {
        qCWarning(lcNfc) << "NfcShareWithHandler::unlink() failed to unlink "
                         << nfcLogHash(linkPath) << " error:" << errno;
        return false;
    }
    const QString folder = QFileInfo(linkPath).path();
    if (QFileInfo::exists(folder)) {
        if (::rmdir(QFile::encodeName(folder).constData()) == 0)
            qCDebug(lcNfc) << "Successfully removing transaction folder " << nfcLogHash(folder);
        else
            qCWarning(lcNfc) << "NfcShareWithHandler::unlink() failed to remove transaction folder "
                             << nfcLogHash(folder);
    }
    return true;
}

QString NfcShareWithHandler::perimeter() const
{
    return qEnvironmentVariable("PERIMETER");
}

QString NfcShareWithHandler::dname() const
{
    return qz::PackageInfo::installId();
}

QString NfcShareWithHandler::transactionId() const
{
    return QTime::currentTime().toString(QStringLiteral("hhmm-ss-zzz")) + u'-' +
           QString::number(m_processId);
}

} // namespace qz::system
