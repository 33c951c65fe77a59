#include "peerfiles.h"

#include "devicetree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr qsizetype MaxPathSize = 4096;
constexpr qsizetype MaxNameSize = 255;

class Descriptor
{
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd)
    {}
    Descriptor(Descriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {}
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// One file to send, opened; for a share-with link also the folders to clean up after.
struct Source
{
    Descriptor file;
    struct stat status = {};
    QByteArray name;
    bool isLink = false;
    Descriptor folder; // the transaction folder, holding the link
    Descriptor parent; // the application's folder, holding the transaction folder
    QByteArray folderName;
};

PeerFiles::Failure failure(int error, const QString &why)
{
    return {error, why};
}

// Writes all of \a size bytes, through interruptions and short writes.
bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

// Copies what \a from holds into \a to; false with errno set. \a budget is what may still be
// copied in this request.
bool copy(int from, int to, qint64 *budget)
{
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        if ((*budget -= n) < 0) {
            errno = EFBIG;
            return false;
        }
        if (!writeAll(to, buffer.data(), n))
            return false;
    }
}

QString macFolder(const QString &mac)
{
    return mac.toUpper().replace(u':', u'-');
}

// "name", then "name (2)", "name (3)", ... with the number before the extension.
QByteArray candidateName(const QByteArray &name, int attempt)
{
    if (attempt == 1)
        return name;
    const qsizetype dot = name.indexOf('.', 1);
    const QByteArray number = " (" + QByteArray::number(attempt) + ')';
    if (dot < 0)
        return name + number;
    return name.left(dot) + number + name.mid(dot);
}

} // namespace

PeerFiles::PeerFiles(const QString &deviceRoot, const QString &peersDir, const QString &transport)
    : m_root(QDir::cleanPath(QDir(deviceRoot).absolutePath()))
    , m_canonicalRoot(QDir(deviceRoot).canonicalPath())
    , m_peersDir(peersDir)
    , m_transport(transport)
{}

QString PeerFiles::inbox(const QString &mac) const
{
    return QDir(m_peersDir).filePath(macFolder(mac) + QStringLiteral("/inbox"));
}

QVariantMap PeerFiles::listing(const QString &mac) const
{
    const QString folder = inbox(mac);
    QVariantList files;
    for (const QFileInfo &file : QDir(folder).entryInfoList(QDir::Files, QDir::Name))
        files.append(QVariantMap{{QStringLiteral("name"), file.fileName()},
                                 {QStringLiteral("size"), file.size()}});
    return {{QStringLiteral("inbox"), folder}, {QStringLiteral("files"), files}};
}

namespace {

struct Reader
{
    QString root;
    QString canonicalRoot;
    QString transport;

    // The path below the root, in components; empty with \a why when it may not be read.
    QStringList componentsOf(const QString &path, bool *isLink, QString *why) const
    {
        QString relative;
        for (const QString &prefix : {root, canonicalRoot}) {
            if (!prefix.isEmpty() && path.startsWith(prefix + u'/')) {
                relative = path.mid(prefix.size() + 1);
                break;
            }
        }
        if (relative.isEmpty() || path.size() > MaxPathSize || path.contains(QChar())) {
            *why = QStringLiteral("outside the device's file tree");
            return {};
        }
        const QStringList components = relative.split(u'/');
        for (const QString &component : components) {
            if (component.isEmpty() || component == QLatin1String(".") ||
                component == QLatin1String("..") ||
                QFile::encodeName(component).size() > MaxNameSize) {
                *why = QStringLiteral("not a plain path");
                return {};
            }
        }
        // Without "." or ".." and opened without following links, the text is where it leads.
        for (const QString &area : DeviceTree::shareWithAreas()) {
            // <area><transport>/<application>/<transaction>/<name>
            if (relative.startsWith(area + transport + u'/') &&
                components.size() == area.count(u'/') + 4) {
                *isLink = true;
                return components;
            }
        }
        for (const QString &shared : DeviceTree::sharedRoots()) {
            if (relative.startsWith(shared))
                return components;
        }
        *why = QStringLiteral("not in an area the service may read");
        return {};
    }

    std::optional<PeerFiles::Failure> open(const QString &path, Source *source) const
    {
        QString why;
        const QStringList components = componentsOf(path, &source->isLink, &why);
        if (components.isEmpty())
            return failure(EACCES, why);
        Descriptor folder(
            ::open(QFile::encodeName(root).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        Descriptor parent;
        if (!folder.isValid())
            return failure(errno, QStringLiteral("the device root cannot be opened"));
        for (qsizetype i = 0; i + 1 < components.size(); ++i) {
            Descriptor next(::openat(folder.get(), QFile::encodeName(components.at(i)).constData(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!next.isValid())
                return failure(errno == ELOOP || errno == ENOTDIR ? EACCES : errno,
                               QStringLiteral("its folder cannot be opened"));
            parent = std::exchange(folder, std::move(next));
        }
        source->name = QFile::encodeName(components.last());
        // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below.
        source->file =
            Descriptor(::openat(folder.get(), source->name.constData(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!source->file.isValid())
            return failure(errno == ELOOP ? EACCES : errno,
                           errno == ELOOP ? QStringLiteral("a symbolic link")
                                          : QStringLiteral("it cannot be opened"));
        if (::fstat(source->file.get(), &source->status) != 0 || !S_ISREG(source->status.st_mode))
            return failure(EACCES, QStringLiteral("not a regular file"));
        // Reads block again from here on.
        ::fcntl(source->file.get(), F_SETFL, 0);
        if (source->isLink) {
            source->folderName = QFile::encodeName(components.at(components.size() - 2));
            source->folder = std::move(folder);
            source->parent = std::move(parent);
        }
        return std::nullopt;
    }
};

// Removes the link \a source was opened through, if it still is that file, and its transaction
// folder once empty (the removal of a folder still holding links fails, as it should).
void removeLink(const Source &source)
{
    struct stat now = {};
    if (::fstatat(source.folder.get(), source.name.constData(), &now, AT_SYMLINK_NOFOLLOW) != 0 ||
        now.st_dev != source.status.st_dev || now.st_ino != source.status.st_ino)
        return;
    if (::unlinkat(source.folder.get(), source.name.constData(), 0) == 0)
        ::unlinkat(source.parent.get(), source.folderName.constData(), AT_REMOVEDIR);
}

} // namespace

std::optional<PeerFiles::Failure> PeerFiles::deliver(const QString &mac,
                                                     const QStringList &paths) const
{
    if (paths.isEmpty() || paths.size() > MaxFiles)
        return failure(EINVAL, QStringLiteral("1 to %1 files at a time").arg(MaxFiles));
    // Every file is opened before anything is copied: one that may not be read stops it all.
    const Reader reader{m_root, m_canonicalRoot, m_transport};
    std::vector<Source> sources(size_t(paths.size()));
    for (qsizetype i = 0; i < paths.size(); ++i) {
        if (std::optional<Failure> refused = reader.open(paths.at(i), &sources[size_t(i)])) {
            refused->why = QStringLiteral("file %1: %2").arg(i + 1).arg(refused->why);
            return refused;
        }
    }
    const QString folder = inbox(mac);
    if (!QDir().mkpath(folder))
        return failure(EIO, QStringLiteral("the peer's inbox cannot be made"));
    const Descriptor target(
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!target.isValid())
        return failure(errno, QStringLiteral("the peer's inbox cannot be opened"));

    std::vector<QByteArray> arrived;
    const auto takeBack = [&] {
        for (const QByteArray &name : arrived)
            ::unlinkat(target.get(), name.constData(), 0);
    };
    qint64 budget = MaxBytes;
    for (const Source &source : sources) {
        Descriptor copyFd;
        QByteArray name;
        for (int attempt = 1; !copyFd.isValid() && attempt <= 1000; ++attempt) {
            name = candidateName(source.name, attempt);
            copyFd =
                Descriptor(::openat(target.get(), name.constData(),
                                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
            if (!copyFd.isValid() && errno != EEXIST)
                break;
        }
        if (!copyFd.isValid()) {
            const int error = errno;
            takeBack();
            return failure(error, QStringLiteral("the inbox takes no more files"));
        }
        arrived.push_back(name);
        if (!copy(source.file.get(), copyFd.get(), &budget)) {
            const int error = errno;
            takeBack();
            return failure(error, error == EFBIG
                                      ? QStringLiteral("more than %1 bytes").arg(MaxBytes)
                                      : QStringLiteral("a file cannot be copied"));
        }
    }
    for (const Source &source : sources) {
        if (source.isLink)
            removeLink(source);
    }
    return std::nullopt;
}
