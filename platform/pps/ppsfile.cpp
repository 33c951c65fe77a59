#include "ppsfile.h"

#include "ppspath.h"
#include "ppsprotocol.h"

#include <qz/ppsopenmode.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace qz::pps;
using qz::PpsOpenMode;

int failWith(int error)
{
    errno = error;
    return -1;
}

// The open word of open(2)'s flags and mode; false for an access mode that names none.
bool openWord(int flags, mode_t mode, uint32_t *word)
{
    PpsOpenMode::Types open;
    switch (flags & O_ACCMODE) {
    case O_RDONLY:
        open = PpsOpenMode::Subscribe;
        break;
    case O_WRONLY:
        open = PpsOpenMode::Publish;
        break;
    case O_RDWR:
        open = PpsOpenMode::PublishSubscribe;
        break;
    default:
        return false;
    }
    if (flags & O_CREAT)
        open |= PpsOpenMode::Create;
    if (flags & O_TRUNC)
        open |= PpsOpenMode::DeleteContents;
    *word = (uint32_t(open.toInt()) & OpenFlagsMask) | OpenCreateModeGiven |
            (uint32_t(mode & 0777) << OpenCreateModeShift);
    return true;
}

bool sendAll(int fd, const QByteArray &bytes)
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t n =
            ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

// Reads up to the answer, keeping the first descriptor that came with it (any others are
// closed). Returns the answer's errno number, or an errno of its own when none came.
int receiveAnswer(int connection, int *descriptor)
{
    QByteArray in;
    for (;;) {
        pollfd p{connection, POLLIN, 0};
        const int ready = ::poll(&p, 1, AnswerTimeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return ETIMEDOUT;
        char buffer[512];
        iovec data{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(4 * sizeof(int))];
        msghdr message{};
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(connection, &message, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return ECONNRESET;
        for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
                continue;
            const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (size_t i = 0; i < count; ++i) {
                int fd;
                std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
                if (*descriptor < 0)
                    *descriptor = fd;
                else
                    ::close(fd);
            }
        }
        in.append(buffer, n);
        qsizetype offset = 0;
        Frame frame;
        const int taken = takeFrame(in, &offset, &frame, MaxFrameSize);
        if (taken < 0)
            return EPROTO;
        if (taken == 0)
            continue;
        int code = EPROTO;
        QString text;
        if ((frame.type != FrameAnswer && frame.type != FrameError) ||
            !parseStatus(frame.payload, &code, &text))
            return EPROTO;
        if (code != 0)
            qCDebug(lcPps) << "pps_open:" << text;
        return code;
    }
}

} // namespace

extern "C" int pps_open(const char *path, int flags, mode_t mode)
{
    if (!path)
        return failWith(EINVAL);
    const QByteArray text(path);
    Path parsed;
    QString why;
    uint32_t word = 0;
    if (!Path::parse(text, &parsed, &why) || !openWord(flags, mode, &word))
        return failWith(EINVAL);

    int error = 0;
    const int connection = connectToServer(&error, &why);
    if (connection < 0) {
        qCDebug(lcPps) << "pps_open:" << why;
        // A missing socket means no server, not a missing object.
        return failWith(error == ENOENT ? ECONNREFUSED : error);
    }
    QByteArray request;
    appendFrame(request, FrameOpenFile,
                QByteArray(reinterpret_cast<const char *>(&word), sizeof word) + text);
    int descriptor = -1;
    error = sendAll(connection, request) ? receiveAnswer(connection, &descriptor) : ECONNRESET;
    ::close(connection);
    if (error == 0 && descriptor < 0)
        error = EPROTO;
    if (error != 0) {
        if (descriptor >= 0)
            ::close(descriptor);
        return failWith(error);
    }
    // The server made both ends non-blocking; "?wait" asks for reads that block.
    if (parsed.wait)
        ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    return descriptor;
}
