#include "rawppsclient.h"

#include <pps/ppsserver.h>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

RawPpsClient::RawPpsClient(const QString &socketPath)
{
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = socketPath.toLocal8Bit();
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    if (::connect(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

RawPpsClient::RawPpsClient(qz::pps::Server &server, uid_t uid, gid_t gid)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return;
    m_fd = ends[0];
    if (!server.adoptConnection(ends[1], uid, gid)) {
        ::close(ends[1]);
        ::close(m_fd);
        m_fd = -1;
    }
}

RawPpsClient::~RawPpsClient()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void RawPpsClient::send(char type, const QByteArray &payload)
{
    QByteArray frame;
    qz::pps::appendFrame(frame, type, payload);
    for (qsizetype sent = 0; sent < frame.size();) {
        const ssize_t n =
            ::send(m_fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += n;
    }
}

void RawPpsClient::sendOpen(int mode, const QByteArray &path, int createMode)
{
    uint32_t word = uint32_t(mode) & qz::pps::OpenFlagsMask;
    if (createMode >= 0)
        word |=
            qz::pps::OpenCreateModeGiven | (uint32_t(createMode) << qz::pps::OpenCreateModeShift);
    send(qz::pps::FrameOpen, QByteArray(reinterpret_cast<const char *>(&word), 4) + path);
}

qz::pps::Frame RawPpsClient::next(int timeoutMs)
{
    qz::pps::Frame frame;
    for (;;) {
        qsizetype offset = 0;
        if (qz::pps::takeFrame(m_buffer, &offset, &frame) > 0) {
            m_buffer.remove(0, offset);
            return frame;
        }
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return {};
        char chunk[65536];
        const ssize_t n = ::read(m_fd, chunk, sizeof chunk);
        if (n <= 0)
            return {};
        m_buffer.append(chunk, n);
    }
}

int RawPpsClient::answerCode(int timeoutMs)
{
    qz::pps::Frame frame = next(timeoutMs);
    while (frame.type == qz::pps::FrameData)
        frame = next(timeoutMs);
    int code = -1;
    QString text;
    if (frame.type != qz::pps::FrameAnswer || !qz::pps::parseStatus(frame.payload, &code, &text))
        return -1;
    return code;
}

int RawPpsClient::open(int mode, const QByteArray &path, int createMode)
{
    sendOpen(mode, path, createMode);
    return answerCode();
}

bool RawPpsClient::sync()
{
    sendOpen(0, QByteArrayLiteral("/pps/sync"));
    return answerCode() >= 0;
}

bool RawPpsClient::isHungUp(int timeoutMs) const
{
    pollfd p{m_fd, POLLRDHUP, 0};
    return ::poll(&p, 1, timeoutMs) > 0 && (p.revents & (POLLRDHUP | POLLHUP));
}
