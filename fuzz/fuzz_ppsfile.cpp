// The PPS server's descriptor mode (what pps_open() gets): descriptors of two users on a served
// control object and on ordinary objects, written with fuzzed packets (forged headers, some past
// the message limit), read with short buffers, closed, and their service going away. After each
// step the server runs one round and everything readable is read and checked:
//   - a file open gets exactly one answer, with a descriptor exactly when it is accepted; an open
//     that would read the owner's private object is refused to the stranger;
//   - the service sees each packet headed "@ctl.<id>" with the id of the descriptor that wrote it
//     (as its arrival notice said), and no header or notice line inside it;
//   - an answer the service addresses to one descriptor is read by no other, and no descriptor
//     reads a secret its user may not;
//   - once the service is gone, every descriptor on its object reads end of file.
#include "fuzzcheck.h"

#include <pps/ppspath.h>
#include <pps/ppsprotocol.h>
#include <pps/ppsserver.h>
#include <qz/ppsobject.h>
#include <qz/ppsopenmode.h>

#include <QRegularExpression>

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using qz::PpsOpenMode;

constexpr uid_t Owner = 1000;
constexpr uid_t Stranger = 1002;
constexpr int MaxSteps = 48;
constexpr size_t MaxDescriptors = 16;
const QByteArray Secret = QByteArrayLiteral("QZSECRET-file");

struct Descriptor
{
    int fd = -1;
    uid_t user = 0;
    bool control = false;
    bool writer = false;
    int id = 0; // its client id at the service, for a descriptor on the control object
    bool closed = false;
};

class Session
{
public:
    explicit Session(const QByteArray &input)
        : m_input(input)
    {
        m_descriptors.reserve(MaxDescriptors); // m_byClient points into it
        m_server.setMaxQueuedBytes(64 * 1024);
        m_server.setAccess("/pps/f/secret", Owner, Owner, 0600);
        m_server.setAccess("/pps/f/open", Owner, Owner, 0666);
        const int seeder = adopt(Owner);
        sendFrame(seeder, qz::pps::FrameOpen, openPayload(PpsOpenMode::Publish, "/pps/f/secret"));
        sendFrame(seeder, qz::pps::FrameWrite, "secret::" + Secret + '\n');
        m_server.processEvents(0);
        ::close(seeder);
        serve();
    }

    ~Session()
    {
        for (const Descriptor &d : m_descriptors) {
            if (!d.closed)
                ::close(d.fd);
        }
        if (m_service >= 0)
            ::close(m_service);
    }

    void run(qzfuzz::Input &in)
    {
        for (int step = 0; step < MaxSteps && !in.atEnd(); ++step) {
            const uint8_t choice = in.byte();
            switch (choice % 6) {
            case 0:
                open(in);
                break;
            case 1:
                write(in);
                break;
            case 2:
                read(in);
                break;
            case 3:
                answer(in);
                break;
            case 4:
                if (Descriptor *d = pick(in)) {
                    ::close(d->fd);
                    d->closed = true;
                }
                break;
            default:
                restartService();
            }
            pump();
            if (m_serviceLost)
                restartService();
        }
    }

private:
    qz::pps::Server m_server;
    QByteArray m_input;
    int m_service = -1;
    bool m_serviceLost = false; // cut off for falling a queue behind a flood of packets
    QByteArray m_serviceIn;
    std::vector<Descriptor> m_descriptors;
    std::vector<int> m_arrivals;       // client ids announced in the current round
    std::map<QByteArray, int> m_marks; // a service answer's mark -> its client id (0: all)
    std::map<int, const Descriptor *> m_byClient; // client id -> its descriptor
    int m_nextMark = 0;

    static QByteArray openPayload(uint32_t mode, const QByteArray &path)
    {
        return QByteArray(reinterpret_cast<const char *>(&mode), sizeof mode) + path;
    }

    static void sendFrame(int fd, char type, const QByteArray &payload)
    {
        QByteArray frame;
        qz::pps::appendFrame(frame, type, payload);
        [[maybe_unused]] const ssize_t n =
            ::send(fd, frame.constData(), size_t(frame.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    int adopt(uid_t user)
    {
        int fds[2];
        QZ_FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0,
                      "socketpair: %s", std::strerror(errno));
        QZ_FUZZ_CHECK(m_server.adoptConnection(fds[0], user, user),
                      "the server refuses a connection");
        return fds[1];
    }

    void serve()
    {
        m_service = adopt(Owner);
        sendFrame(
            m_service, qz::pps::FrameOpen,
            openPayload(PpsOpenMode::PublishSubscribe | PpsOpenMode::Create, "/pps/f/ctl?server"));
        m_server.processEvents(0);
        m_serviceIn.clear();
        m_serviceLost = false;
    }

    void restartService()
    {
        ::close(m_service);
        m_server.processEvents(0);
        // Whatever was queued for them can still be read; then each one ends.
        for (Descriptor &d : m_descriptors) {
            if (d.closed || !d.control)
                continue;
            char buffer[4096];
            ssize_t n;
            while ((n = ::recv(d.fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
                checkRead(d, QByteArray(buffer, n));
            QZ_FUZZ_CHECK(n == 0, "a descriptor on /pps/f/ctl outlives its service (%s)",
                          n < 0 ? std::strerror(errno) : "data");
            ::close(d.fd);
            d.closed = true;
        }
        m_byClient.clear();
        serve();
    }

    Descriptor *pick(qzfuzz::Input &in)
    {
        if (m_descriptors.empty())
            return nullptr;
        Descriptor &d = m_descriptors[in.byte() % m_descriptors.size()];
        return d.closed ? nullptr : &d;
    }

    void open(qzfuzz::Input &in)
    {
        if (m_descriptors.size() >= MaxDescriptors)
            return;
        const uint8_t choice = in.byte();
        const uid_t user = (choice & 1) ? Stranger : Owner;
        static const std::array<QByteArray, 6> paths = {"/pps/f/ctl",    "/pps/f/ctl?wait",
                                                        "/pps/f/secret", "/pps/f/open?delta",
                                                        "/pps/f/.all",   "/pps/f/new"};
        const QByteArray path = (choice & 0x80) ? in.shortBytes() : paths[(choice >> 1) % 6];
        const uint32_t mode = in.byte() & 0xf;

        const int connection = adopt(user);
        sendFrame(connection, qz::pps::FrameOpenFile, openPayload(mode, path));
        m_arrivals.clear();
        m_server.processEvents(0);
        int fd = -1;
        const int code = receiveAnswer(connection, &fd);
        ::close(connection);
        QZ_FUZZ_CHECK(code >= 0, "a file open of %s got no answer", path.constData());
        QZ_FUZZ_CHECK((code == 0) == (fd >= 0), "answer %d came %s a descriptor", code,
                      fd >= 0 ? "with" : "without");
        const bool reads = mode & PpsOpenMode::Subscribe;
        QZ_FUZZ_CHECK(!(code == 0 && reads && user == Stranger && path == "/pps/f/secret"),
                      "the stranger opened the owner's private object for reading");
        if (fd < 0)
            return;
        Descriptor d;
        d.fd = fd;
        d.user = user;
        qz::pps::Path parsed;
        QString why;
        d.control = qz::pps::Path::parse(path, &parsed, &why) && parsed.object == "/pps/f/ctl" &&
                    !parsed.server;
        d.writer = mode & PpsOpenMode::Publish;
        m_descriptors.push_back(d);
        if (d.control) {
            // The notice may wait behind a large packet that the service reads in parts.
            for (int round = 0; round < 64 && m_arrivals.empty() && !m_serviceLost; ++round)
                pump();
            if (m_serviceLost)
                return;
            QZ_FUZZ_CHECK(m_arrivals.size() == 1, "%zu arrival notices for one open",
                          m_arrivals.size());
            m_descriptors.back().id = m_arrivals.front();
            m_byClient[m_arrivals.front()] = &m_descriptors.back();
        }
    }

    // The answer's errno (-1: none came), with the descriptor that came with it.
    static int receiveAnswer(int connection, int *fd)
    {
        char buffer[256];
        iovec data{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        msghdr message{};
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(connection, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n <= 0)
            return -1;
        for (cmsghdr *c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS)
                std::memcpy(fd, CMSG_DATA(c), sizeof *fd);
        }
        qsizetype offset = 0;
        qz::pps::Frame frame;
        int code = -1;
        QString text;
        if (qz::pps::takeFrame(QByteArray(buffer, n), &offset, &frame) <= 0 ||
            frame.type != qz::pps::FrameAnswer ||
            !qz::pps::parseStatus(frame.payload, &code, &text))
            return -1;
        return code;
    }

    void write(qzfuzz::Input &in)
    {
        Descriptor *d = pick(in);
        if (!d)
            return;
        const uint8_t kind = in.byte();
        QByteArray packet;
        if (kind < 16) // up to twice the limit, in steps of 128 KiB
            packet = QByteArray(qsizetype(kind + 1) * 128 * 1024, 'x');
        else if (kind < 64)
            packet = "@ctl.1\n+@ctl.2\n-@ctl." + QByteArray::number(kind) + "\n" + in.shortBytes();
        else
            packet = in.shortBytes();
        [[maybe_unused]] const ssize_t n =
            ::send(d->fd, packet.constData(), size_t(packet.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    void read(qzfuzz::Input &in)
    {
        Descriptor *d = pick(in);
        if (!d)
            return;
        QByteArray buffer(1 + in.byte() * 4, '\0');
        const ssize_t n = ::recv(d->fd, buffer.data(), size_t(buffer.size()), MSG_DONTWAIT);
        if (n > 0)
            checkRead(*d, buffer.left(n));
    }

    void answer(qzfuzz::Input &in)
    {
        const Descriptor *d = pick(in);
        const int client = d && d->control ? d->id : 0;
        const QByteArray mark = QByteArray::number(++m_nextMark).rightJustified(8, '0');
        m_marks[mark] = client;
        QByteArray text = "@ctl";
        if (client)
            text += '.' + QByteArray::number(client);
        sendFrame(m_service, qz::pps::FrameWrite,
                  text + "\nmark::" + mark + '\n' + in.shortBytes() + '\n');
    }

    void checkRead(const Descriptor &d, const QByteArray &text)
    {
        if (d.user == Stranger && !m_input.contains(Secret))
            QZ_FUZZ_CHECK(!text.contains(Secret), "the stranger read the owner's secret:\n%s",
                          text.constData());
        if (!d.control)
            return;
        static const QRegularExpression markLine(QStringLiteral("^mark::(\\d{8})$"),
                                                 QRegularExpression::MultilineOption);
        auto it = markLine.globalMatch(QString::fromLatin1(text));
        while (it.hasNext()) {
            const QByteArray mark = it.next().captured(1).toLatin1();
            const auto owner = m_marks.find(mark);
            if (owner == m_marks.end() || m_input.contains(QByteArray("mark::" + mark)))
                continue;
            QZ_FUZZ_CHECK(owner->second == 0 || owner->second == d.id,
                          "client %d read the answer to client %d", d.id, owner->second);
        }
    }

    void drainService()
    {
        char buffer[64 * 1024];
        ssize_t n;
        while ((n = ::recv(m_service, buffer, sizeof buffer, MSG_DONTWAIT)) > 0)
            m_serviceIn.append(buffer, n);
        if (n == 0)
            m_serviceLost = true;
        qsizetype offset = 0;
        qz::pps::Frame frame;
        while (qz::pps::takeFrame(m_serviceIn, &offset, &frame) > 0) {
            if (frame.type == qz::pps::FrameData)
                serviceData(frame.payload);
            else if (frame.type == qz::pps::FrameError)
                m_serviceLost = true;
        }
        m_serviceIn.remove(0, offset);
    }

    void serviceData(const QByteArray &payload)
    {
        QList<QByteArray> lines = payload.split('\n');
        lines.removeLast();
        QZ_FUZZ_CHECK(!lines.isEmpty(), "empty data to the service");
        const QByteArray first = lines.first();
        const bool arrived = first.startsWith("+@ctl.");
        const bool left = first.startsWith("-@ctl.");
        bool ok = false;
        const int client = first.mid(arrived || left ? 6 : 5).toInt(&ok);
        QZ_FUZZ_CHECK(ok && (arrived || left || first.startsWith("@ctl.")),
                      "data to the service not headed by a client:\n%s", payload.constData());
        if (arrived) {
            m_arrivals.push_back(client);
            return;
        }
        if (left)
            return;
        const auto writer = m_byClient.find(client);
        QZ_FUZZ_CHECK(writer != m_byClient.end() && writer->second->writer,
                      "a packet headed by client %d, which no writing descriptor is", client);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray &line = lines.at(i);
            const bool notice =
                line.size() > 1 && line.at(1) == '@' && QByteArray("+-#*").contains(line.at(0));
            QZ_FUZZ_CHECK(!line.startsWith('@') && !notice,
                          "a client's packet carries a header or notice:\n%s", payload.constData());
        }
    }

    void pump()
    {
        m_server.processEvents(0);
        drainService();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool silenced = (qzfuzz::silenceQtMessages(), true);
    Q_UNUSED(silenced);
    qzfuzz::Input in(data, size);
    Session session(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    session.run(in);
    return 0;
}
