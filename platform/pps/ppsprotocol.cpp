#include "ppsprotocol.h"

#include <QSysInfo>
#include <QtGlobal>

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace qz::pps {

Q_LOGGING_CATEGORY(lcPps, "qz.platform.pps")

void appendFrame(QByteArray &out, char type, const char *data, qsizetype size)
{
    const uint32_t length = uint32_t(size);
    out.append(reinterpret_cast<const char *>(&length), sizeof length);
    out.append(type);
    out.append(data, size);
}

void appendFrame(QByteArray &out, char type, const QByteArray &payload)
{
    appendFrame(out, type, payload.constData(), payload.size());
}

void appendHandleFrame(QByteArray &out, char type, uint32_t handle, const char *data,
                       qsizetype size)
{
    const uint32_t length = uint32_t(size + sizeof handle);
    out.reserve(out.size() + FrameHeaderSize + length);
    out.append(reinterpret_cast<const char *>(&length), sizeof length);
    out.append(type);
    out.append(reinterpret_cast<const char *>(&handle), sizeof handle);
    out.append(data, size);
}

bool takeHandle(const QByteArray &payload, uint32_t *handle)
{
    if (payload.size() < qsizetype(sizeof *handle))
        return false;
    std::memcpy(handle, payload.constData(), sizeof *handle);
    return true;
}

QByteArray statusPayload(int error, const QString &text)
{
    const uint32_t code = uint32_t(error);
    QByteArray payload(reinterpret_cast<const char *>(&code), sizeof code);
    payload.append(text.toUtf8());
    return payload;
}

bool parseStatus(const QByteArray &payload, int *error, QString *text)
{
    if (payload.size() < qsizetype(sizeof(uint32_t)))
        return false;
    uint32_t code = 0;
    for (int i = 3; i >= 0; --i) // native order, as statusPayload() wrote it
        code = (code << 8) |
               uchar(payload.at(QSysInfo::ByteOrder == QSysInfo::LittleEndian ? i : 3 - i));
    *error = int(code);
    *text = QString::fromUtf8(payload.constData() + sizeof(uint32_t),
                              payload.size() - sizeof(uint32_t));
    return true;
}

int takeFrame(const QByteArray &buffer, qsizetype *offset, Frame *frame, qsizetype maxSize)
{
    const qsizetype available = buffer.size() - *offset;
    if (available < FrameHeaderSize)
        return 0;
    uint32_t length;
    std::memcpy(&length, buffer.constData() + *offset, sizeof length);
    if (qsizetype(length) > maxSize)
        return -1;
    if (available < FrameHeaderSize + qsizetype(length))
        return 0;
    frame->type = buffer.at(*offset + 4);
    frame->payload = buffer.mid(*offset + FrameHeaderSize, length);
    *offset += FrameHeaderSize + length;
    return 1;
}

QString defaultSocketPath()
{
    const QString explicitPath = qEnvironmentVariable("QZ_PPS_SOCKET");
    if (!explicitPath.isEmpty())
        return explicitPath;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty())
        return runtime + QStringLiteral("/qz/pps.sock");
    return QStringLiteral("/tmp/qz-%1/pps.sock").arg(getuid());
}

int connectToServer(int *error, QString *text)
{
    auto fail = [&](int code, const QString &why) {
        *error = code;
        *text = why;
        return -1;
    };
    const QString socketPath = defaultSocketPath();
    const QByteArray native = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (native.size() >= qsizetype(sizeof address.sun_path))
        return fail(ENAMETOOLONG, QStringLiteral("PPS socket path %1 is too long").arg(socketPath));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), native.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(errno, QString::fromLocal8Bit(strerror(errno)));
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(e, QStringLiteral("Cannot reach the PPS server at %1: %2")
                           .arg(socketPath, QString::fromLocal8Bit(strerror(e))));
    }
    ucred server{};
    socklen_t length = sizeof server;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &server, &length) != 0 ||
        (server.uid != getuid() && server.uid != 0)) {
        ::close(fd);
        return fail(EPERM, QStringLiteral("The PPS server at %1 runs as another user (uid %2)")
                               .arg(socketPath)
                               .arg(server.uid));
    }
    return fd;
}

} // namespace qz::pps
