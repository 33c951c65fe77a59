// The service's end of a direct link, fed arbitrary bytes. A raw connection opens a served control
// object with a handle-addressed frame and takes the link's end from the answer, as an attacker
// would; the input goes down the link as it is. Checked:
//   - the service reads one message for each well-formed frame (a 'w' for handle 1) before the
//     first malformed one, each headed "@ctl.<id>" with the id its arrival notice gave, and no
//     header or notice line inside;
//   - a malformed frame ends the link: the service reads the departure while the link is still
//     open on this side; otherwise it reads it once this side closes;
//   - the service is never stalled: each of those comes within the deadline.
#include "fuzzcheck.h"

#include <pps/ppsprotocol.h>
#include <pps/ppsserver.h>
#include <qz/ppsobject.h>
#include <qz/ppsopenmode.h>

#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <memory>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using qz::PpsObject;
using qz::PpsOpenMode;

constexpr int DeadlineMs = 5000;

struct Rig
{
    QTemporaryDir dir;
    qz::pps::Server server;

    Rig()
    {
        const QString socket = dir.filePath(QStringLiteral("pps.sock"));
        qputenv("QZ_PPS_SOCKET", socket.toLocal8Bit());
        server.setDirectLinks(true);
        QZ_FUZZ_CHECK(server.listen(socket) && server.start(), "no server");
    }
};

// The next message the service reads, or nothing by the deadline; without an event loop a read
// is what pumps the service's connection and links.
QByteArray nextMessage(PpsObject &service)
{
    const QDeadlineTimer deadline(DeadlineMs);
    while (!deadline.hasExpired()) {
        bool ok = false;
        const QByteArray text = service.read(&ok);
        if (ok)
            return text;
        ::usleep(1000);
    }
    return {};
}

// The link's end, from the 'l' answer to an addressed open.
int openLink(int raw, const QByteArray &ctl)
{
    const uint32_t word = PpsOpenMode::PublishSubscribe;
    const QByteArray body = QByteArray(reinterpret_cast<const char *>(&word), 4) + ctl;
    QByteArray frame;
    qz::pps::appendHandleFrame(frame, qz::pps::HandleOpen, 1, body.constData(), body.size());
    QZ_FUZZ_CHECK(::send(raw, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL) ==
                      frame.size(),
                  "open not sent");
    pollfd p{raw, POLLIN, 0};
    QZ_FUZZ_CHECK(::poll(&p, 1, DeadlineMs) == 1, "no answer to the open");
    char buffer[256];
    iovec data{buffer, sizeof buffer};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(raw, &message, MSG_CMSG_CLOEXEC);
    cmsghdr *rights = CMSG_FIRSTHDR(&message);
    QZ_FUZZ_CHECK(n > qz::pps::FrameHeaderSize && buffer[4] == qz::pps::HandleLink && rights &&
                      rights->cmsg_type == SCM_RIGHTS,
                  "the open was not answered with a link");
    int fd = -1;
    std::memcpy(&fd, CMSG_DATA(rights), sizeof fd);
    return fd;
}

// How many well-formed frames lead the input, and whether a malformed one follows them.
int leadingFrames(const QByteArray &input, bool *malformed)
{
    qsizetype offset = 0;
    qz::pps::Frame frame;
    int count = 0;
    *malformed = false;
    for (;;) {
        const int taken = qz::pps::takeFrame(input, &offset, &frame);
        uint32_t handle = 0;
        if (taken == 0)
            return count;
        if (taken < 0 || frame.type != qz::pps::HandleWrite ||
            !qz::pps::takeHandle(frame.payload, &handle) || handle != 1) {
            *malformed = true;
            return count;
        }
        ++count;
    }
}

void checkMessage(const QByteArray &message, const QByteArray &id)
{
    const QList<QByteArray> lines = message.split('\n');
    QZ_FUZZ_CHECK(lines.first() == "@ctl." + id, "a message headed %s", lines.first().constData());
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray &l = lines.at(i);
        const bool notice = l.size() > 1 && l.at(1) == '@' && QByteArray("+-#*").contains(l.at(0));
        QZ_FUZZ_CHECK(!l.startsWith('@') && !notice, "a header or notice inside: %s",
                      l.constData());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool silenced = (qzfuzz::silenceQtMessages(), true);
    Q_UNUSED(silenced);
    static Rig *rig = new Rig; // lives for the process: its thread serves every input
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    // An object of its own each time: the name is free again only once the server has reaped
    // the last input's service.
    static int runs = 0;
    const QByteArray ctl = "/pps/fz/" + QByteArray::number(++runs) + "/ctl";
    PpsObject service(QString::fromUtf8(ctl + "?server"));
    QZ_FUZZ_CHECK(service.open(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create),
                  "service not opened: %s", qPrintable(service.errorString()));
    int ends[2];
    QZ_FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0, "socketpair");
    QZ_FUZZ_CHECK(rig->server.adoptConnection(ends[1], ::getuid(), ::getgid()), "not adopted");
    const int raw = ends[0];
    const int link = openLink(raw, ctl);
    const QByteArray arrival = nextMessage(service);
    QZ_FUZZ_CHECK(arrival.startsWith("+@ctl."), "no arrival: %s", arrival.constData());
    const QByteArray id = arrival.trimmed().mid(6);
    const QByteArray departure = "-@ctl." + id + '\n';

    // A few kilobytes at most: the socket takes them whole.
    QZ_FUZZ_CHECK(::send(link, input.constData(), size_t(input.size()), MSG_NOSIGNAL) ==
                      input.size(),
                  "input not sent");
    bool malformed = false;
    const int frames = leadingFrames(input, &malformed);
    for (int i = 0; i < frames; ++i)
        checkMessage(nextMessage(service), id);
    if (!malformed)
        ::close(link);
    const QByteArray last = nextMessage(service);
    QZ_FUZZ_CHECK(last == departure, "expected the departure (%s), read %s",
                  malformed ? "malformed" : "closed", last.constData());
    if (malformed)
        ::close(link);
    ::close(raw);
    return 0;
}
