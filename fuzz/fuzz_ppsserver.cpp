// The PPS server's wire protocol, spoken by four clients of different users at once. The input is
// a script of (client, request) steps, mostly well-formed frames, sometimes raw garbage; after
// each step the server runs one round and every client's replies are read and checked:
//   - every frame is well-formed, each open and remove gets exactly one answer, nothing follows
//     an error frame and no connection closes without one;
//   - no client reads an object's content without read access under its mode bits: seeded
//     objects hold a secret only their readers may ever see, and an accepted open of one needs
//     the bits its mode asks for; an existing ordinary object is never taken over "?server";
//   - no data reaches a handle before an accepted open, nor one that did not subscribe;
//   - a server-mode handle gets notices ("+@obj.<id>", "-@obj.<id>") from the server alone, never
//     inside a client's write; accepted paths stay within the documented length limits;
//   - no control object without a live server: an open that finds one (a subscriber's open that
//     brings no content) is answered only while its server lives, or is followed by an error;
//   - no acknowledged write is lost: a write the server did not refuse reaches every other
//     handle subscribed to that ordinary object.
// A client may also open handles of its own on its connection ('o', 'w', 'x', 'c' with a handle
// id): their opens meet the same access checks, each open and remove is answered on its handle,
// and nothing comes for a handle after its error, its close or a refused open.
#include "fuzzcheck.h"

#include <pps/ppspath.h>
#include <pps/ppsprotocol.h>
#include <pps/ppsserver.h>
#include <qz/ppsobject.h>
#include <qz/ppsopenmode.h>

#include <QList>

#include <algorithm>
#include <array>
#include <cerrno>
#include <deque>
#include <iterator>
#include <map>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using qz::PpsOpenMode;

constexpr qsizetype MaxPathSize = qz::PpsObject::MaxPathSize;
constexpr qsizetype MaxNameSize = qz::PpsObject::MaxNameSize;
constexpr int MaxSteps = 64;

struct User
{
    uid_t uid;
    gid_t gid;
};

// The owner, one of its group, a stranger, and root (which gets no exception).
constexpr std::array<User, 4> Users = {{{1000, 1000}, {1001, 1000}, {1002, 1002}, {0, 0}}};

struct Seed
{
    const char *path;
    User owner;
    mode_t mode;
    const char *secret;
};

const std::array<Seed, 6> Seeds = {{
    {"/pps/a/private", {1000, 1000}, 0600, "QZSECRET-private"},
    {"/pps/a/group", {1000, 1000}, 0640, "QZSECRET-group"},
    {"/pps/a/public", {1000, 1000}, 0644, "QZSECRET-public"},
    {"/pps/a/drop", {1000, 1000}, 0622, "QZSECRET-drop"},
    {"/pps/b/rootonly", {0, 0}, 0600, "QZSECRET-rootonly"},
    {"/pps/b/sealed", {1000, 1000}, 0000, "QZSECRET-sealed"},
}};

bool permits(const Seed &seed, const User &user, int bit)
{
    int bits = seed.mode & 7;
    if (user.uid == seed.owner.uid)
        bits = (seed.mode >> 6) & 7;
    else if (user.gid == seed.owner.gid)
        bits = (seed.mode >> 3) & 7;
    return bits & bit;
}

const QList<QByteArray> &pathTable()
{
    static const QList<QByteArray> table = [] {
        QList<QByteArray> t;
        for (const Seed &seed : Seeds)
            t.append(seed.path);
        t << "/pps/a/.all"
          << "/pps/b/.all"
          << "/pps/a/new"
          << "/pps/c/ctl"
          << "/pps/c/.all"
          << "/pps/a"
          << "/pps/" + QByteArray(MaxNameSize + 1, 'n') << "/pps/c" + QByteArray(MaxPathSize, 'p');
        return t;
    }();
    return table;
}

int seedIndex(const QByteArray &object)
{
    for (size_t i = 0; i < Seeds.size(); ++i) {
        if (object == Seeds[i].path)
            return int(i);
    }
    return -1;
}

struct Request
{
    char type;
    uint32_t mode = 0;
    QByteArray path;
};

// A handle-addressed handle of a peer's connection.
struct Handle
{
    std::deque<Request> pending;
    bool opened = false;
    bool subscribes = false;
    bool dataAheadOfAnswer = false;
    bool ended = false; // an 'e' came for it
    qz::pps::Path path;
};

struct Peer
{
    int fd = -1;
    User user{};
    QByteArray in;
    std::deque<Request> pending; // opens and removes waiting for their answer
    bool desynced = false;       // garbage sent: requests and answers no longer line up
    bool gotError = false;
    bool closed = false;
    bool opened = false;
    bool subscribes = false;
    bool dataAheadOfAnswer = false;
    qz::pps::Path path;
    QByteArrayList roundData; // what arrived in the current round
    bool wasControlOpen = false;
    uint32_t lastHandle = 0;
    std::map<uint32_t, Handle> handles; // closed and refused ones are gone
};

class Session
{
public:
    explicit Session(const QByteArray &input)
        : m_input(input)
    {
        for (size_t i = 0; i < Seeds.size(); ++i)
            seed(Seeds[i]);
        m_server.processEvents(0);
        for (size_t i = 0; i < m_peers.size(); ++i)
            connect(m_peers[i], Users[i]);
    }

    ~Session()
    {
        for (Peer &peer : m_peers)
            ::close(peer.fd);
    }

    void run(qzfuzz::Input &in)
    {
        for (int step = 0; step < MaxSteps && !in.atEnd(); ++step) {
            const uint8_t choice = in.byte();
            Peer &peer = m_peers[choice & 3];
            if (peer.closed)
                connect(peer, peer.user);
            request(peer, choice >> 2, in);
            pump();
            checkRound();
        }
        pump();
        for (const Peer &peer : m_peers) {
            QZ_FUZZ_CHECK(peer.closed || peer.desynced || peer.pending.empty(),
                          "client %u: %zu requests never answered", unsigned(peer.user.uid),
                          peer.pending.size());
            for (const auto &[id, handle] : peer.handles) {
                QZ_FUZZ_CHECK(peer.closed || peer.desynced || handle.pending.empty(),
                              "client %u: %zu requests of handle %u never answered",
                              unsigned(peer.user.uid), handle.pending.size(), unsigned(id));
            }
        }
    }

private:
    qz::pps::Server m_server;
    std::array<Peer, 4> m_peers;
    std::array<bool, Seeds.size()> m_removed{};
    bool m_removalsUnknown = false; // a client sent garbage: what it removed is not known
    QByteArray m_input;
    QList<QByteArray> m_removedPaths; // every object removed so far
    uint32_t m_writes = 0;
    struct Mark
    {
        Peer *writer;
        QByteArray line;
    };
    std::vector<Mark> m_marks;          // marked writes of the current round
    std::vector<Peer *> m_controlOpens; // opens of the current round that found a control object

    static void sendFrame(int fd, char type, const QByteArray &payload)
    {
        QByteArray frame;
        qz::pps::appendFrame(frame, type, payload);
        sendRaw(fd, frame);
    }

    static void sendRaw(int fd, const QByteArray &bytes)
    {
        // A closed peer end only makes the write fail; the reply side notices the close.
        [[maybe_unused]] const ssize_t n =
            ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    static void sendAddressed(int fd, char type, uint32_t id, const QByteArray &body)
    {
        QByteArray frame;
        qz::pps::appendHandleFrame(frame, type, id, body.constData(), body.size());
        sendRaw(fd, frame);
    }

    static QByteArray openPayload(uint32_t mode, const QByteArray &path)
    {
        QByteArray payload(reinterpret_cast<const char *>(&mode), sizeof mode);
        return payload + path;
    }

    int adopt(const User &user)
    {
        // The harness checks what the server relays; a direct link would take a client and its
        // control object's server past it (tst_ppsmultiplex covers links).
        m_server.setDirectLinks(false);
        int fds[2];
        QZ_FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0,
                      "socketpair: %s", std::strerror(errno));
        QZ_FUZZ_CHECK(m_server.adoptConnection(fds[0], user.uid, user.gid),
                      "the server refuses a connection");
        return fds[1];
    }

    // The owner writes the secret while it may, then the object gets its real mode.
    void seed(const Seed &seed)
    {
        m_server.setAccess(seed.path, seed.owner.uid, seed.owner.gid, 0600);
        const int fd = adopt(seed.owner);
        sendFrame(fd, qz::pps::FrameOpen, openPayload(PpsOpenMode::Publish, seed.path));
        sendFrame(fd, qz::pps::FrameWrite, QByteArray("secret::") + seed.secret + '\n');
        m_server.processEvents(0);
        ::close(fd);
        m_server.setAccess(seed.path, seed.owner.uid, seed.owner.gid, seed.mode);
    }

    void connect(Peer &peer, const User &user)
    {
        if (peer.fd >= 0)
            ::close(peer.fd);
        peer = Peer();
        peer.user = user;
        peer.fd = adopt(user);
    }

    static QByteArray pathFrom(qzfuzz::Input &in)
    {
        const uint8_t choice = in.byte();
        if (choice & 0x80)
            return in.shortBytes();
        QByteArray path = pathTable().at(choice % pathTable().size());
        const uint8_t suffixes = in.byte();
        if (suffixes & 1)
            path += "?delta";
        if (suffixes & 2)
            path += "?wait";
        if (suffixes & 4)
            path += "?server";
        return path;
    }

    void request(Peer &peer, uint8_t kind, qzfuzz::Input &in)
    {
        switch (kind % 8) {
        case 0:
        case 1:
        case 2: {
            // Mostly the four flags; sometimes a whole open word.
            const uint32_t mode = kind % 8 == 2 ? in.u32() : in.byte() & 0xf;
            const QByteArray path = pathFrom(in);
            peer.pending.push_back({qz::pps::FrameOpen, mode, path});
            sendFrame(peer.fd, qz::pps::FrameOpen, openPayload(mode, path));
            break;
        }
        case 3:
            sendFrame(peer.fd, qz::pps::FrameWrite, in.shortBytes());
            break;
        case 4: {
            // A write with a line of its own that its object's subscribers must all be sent.
            const QByteArray line = "qzack:n:" + QByteArray::number(++m_writes);
            m_marks.push_back({&peer, line});
            sendFrame(peer.fd, qz::pps::FrameWrite, in.shortBytes() + '\n' + line + '\n');
            break;
        }
        case 5:
            peer.pending.push_back({qz::pps::FrameRemove});
            sendFrame(peer.fd, qz::pps::FrameRemove, {});
            break;
        case 6: {
            const char type = char(in.byte());
            const QByteArray payload = in.shortBytes();
            // An open gets an answer or, when malformed, an error; a short one has no mode. A
            // file open is answered too, with a descriptor that reading here simply drops.
            if (type == qz::pps::FrameOpenFile && payload.size() >= 4) {
                peer.pending.push_back({type});
            } else if (type == qz::pps::FrameOpen) {
                uint32_t mode = 0;
                if (payload.size() >= 4)
                    std::memcpy(&mode, payload.constData(), sizeof mode);
                peer.pending.push_back({type, mode, payload.mid(4)});
            } else if (type == qz::pps::FrameRemove) {
                peer.pending.push_back({type});
            } else if (type >= 'a' && type <= 'z') {
                // Handle ids and answers no longer followed.
                peer.desynced = true;
                m_removalsUnknown = true;
            }
            sendFrame(peer.fd, type, payload);
            break;
        }
        default:
            if (kind & 8)
                return addressedRequest(peer, in);
            peer.desynced = true;
            m_removalsUnknown = true;
            sendRaw(peer.fd, in.shortBytes());
        }
    }

    void addressedRequest(Peer &peer, qzfuzz::Input &in)
    {
        const uint8_t op = in.byte();
        // Mostly the id a client would use; sometimes a forged one, which ends the connection
        // when it is 0 or an open's that does not increase, and is ignored when no handle's.
        const bool forged = op & 0x40;
        const bool pick = op % 4 != 0 && !forged && !peer.handles.empty();
        const uint32_t id =
            op % 4 == 0 && !forged ? peer.lastHandle + 1
            : pick ? std::next(peer.handles.begin(), in.byte() % peer.handles.size())->first
                   : in.byte() % (peer.lastHandle + 2);
        const auto handle = peer.handles.find(id);
        const bool known = handle != peer.handles.end() && !handle->second.ended;
        switch (op % 4) {
        case 0: {
            const uint32_t mode = in.byte() & 0xf;
            const QByteArray path = pathFrom(in);
            if (id > peer.lastHandle) {
                peer.lastHandle = id;
                peer.handles[id].pending.push_back({qz::pps::HandleOpen, mode, path});
            }
            return sendAddressed(peer.fd, qz::pps::HandleOpen, id, openPayload(mode, path));
        }
        case 1:
            return sendAddressed(peer.fd, qz::pps::HandleWrite, id, in.shortBytes());
        case 2:
            if (known)
                handle->second.pending.push_back({qz::pps::HandleRemove});
            return sendAddressed(peer.fd, qz::pps::HandleRemove, id, {});
        default:
            if (handle != peer.handles.end())
                peer.handles.erase(handle);
            return sendAddressed(peer.fd, qz::pps::HandleClose, id, {});
        }
    }

    void removed(const qz::pps::Path &path)
    {
        if (path.directory)
            return;
        m_removedPaths.append(path.object);
        const int seed = seedIndex(path.object);
        if (seed >= 0)
            m_removed[seed] = true;
    }

    bool anyDesynced() const
    {
        return std::any_of(m_peers.begin(), m_peers.end(),
                           [](const Peer &p) { return p.desynced; });
    }

    static bool live(const Peer &peer) { return !peer.closed && !peer.gotError; }

    // Handles on an ordinary object the harness can follow: opened, not a directory or server.
    static bool onObject(const Peer &peer, const QByteArray &object)
    {
        return peer.opened && !peer.path.directory && !peer.path.server &&
               peer.path.object == object;
    }

    void checkRound()
    {
        const bool followed = !anyDesynced() && !m_removalsUnknown;
        for (Peer *client : m_controlOpens) {
            const QByteArray &object = client->path.object;
            const bool served = std::any_of(m_peers.begin(), m_peers.end(), [&](const Peer &p) {
                return live(p) &&
                       ((p.opened && p.path.server && p.path.object == object) ||
                        std::any_of(p.handles.begin(), p.handles.end(), [&](const auto &h) {
                            return h.second.opened && !h.second.ended && h.second.path.server &&
                                   h.second.path.object == object;
                        }));
            });
            QZ_FUZZ_CHECK(!followed || served || client->gotError,
                          "client %u opened control object %s that no live server holds",
                          unsigned(client->user.uid), client->path.object.constData());
        }
        for (const Mark &mark : m_marks) {
            Peer &writer = *mark.writer;
            if (!followed || !live(writer) || !writer.opened || writer.path.directory ||
                writer.path.server || m_removedPaths.contains(writer.path.object))
                continue;
            for (const Peer &reader : m_peers) {
                if (&reader == &writer || !live(reader) || !reader.subscribes ||
                    !onObject(reader, writer.path.object) || reader.wasControlOpen)
                    continue;
                const bool delivered = std::any_of(
                    reader.roundData.begin(), reader.roundData.end(), [&](const QByteArray &d) {
                        return d.contains(QByteArray('\n' + mark.line + '\n'));
                    });
                QZ_FUZZ_CHECK(delivered, "client %u's write to %s was not sent to client %u",
                              unsigned(writer.user.uid), writer.path.object.constData(),
                              unsigned(reader.user.uid));
            }
        }
        m_marks.clear();
        m_controlOpens.clear();
    }

    void pump()
    {
        for (Peer &peer : m_peers)
            peer.roundData.clear();
        m_server.processEvents(0);
        for (Peer &peer : m_peers)
            drain(peer);
    }

    void drain(Peer &peer)
    {
        char buffer[64 * 1024];
        while (!peer.closed) {
            const ssize_t n = ::recv(peer.fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0) {
                peer.in.append(buffer, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0)
                peer.closed = true;
            break;
        }
        qsizetype offset = 0;
        qz::pps::Frame frame;
        int taken;
        while ((taken = qz::pps::takeFrame(peer.in, &offset, &frame)) > 0)
            received(peer, frame);
        QZ_FUZZ_CHECK(taken == 0, "client %u: frame longer than the protocol allows",
                      unsigned(peer.user.uid));
        peer.in.remove(0, offset);
        if (peer.closed) {
            QZ_FUZZ_CHECK(peer.in.isEmpty(), "client %u: connection closed inside a frame",
                          unsigned(peer.user.uid));
            QZ_FUZZ_CHECK(peer.gotError, "client %u: connection closed without an error frame",
                          unsigned(peer.user.uid));
        }
    }

    void received(Peer &peer, const qz::pps::Frame &frame)
    {
        const unsigned uid = unsigned(peer.user.uid);
        QZ_FUZZ_CHECK(!peer.gotError, "client %u: frame '%c' after an error frame", uid,
                      frame.type);
        int error = 0;
        QString text;
        switch (frame.type) {
        case qz::pps::FrameAnswer:
            QZ_FUZZ_CHECK(qz::pps::parseStatus(frame.payload, &error, &text),
                          "client %u: malformed answer", uid);
            answered(peer, error);
            return;
        case qz::pps::FrameError:
            QZ_FUZZ_CHECK(qz::pps::parseStatus(frame.payload, &error, &text) && error != 0,
                          "client %u: malformed error frame", uid);
            peer.gotError = true;
            return;
        case qz::pps::FrameData:
            data(peer, frame.payload);
            return;
        case qz::pps::HandleAnswer:
        case qz::pps::HandleData:
        case qz::pps::HandleError: {
            uint32_t id = 0;
            QZ_FUZZ_CHECK(qz::pps::takeHandle(frame.payload, &id),
                          "client %u: '%c' without a handle", uid, frame.type);
            addressedReply(peer, frame.type, id, frame.payload.sliced(sizeof id));
            return;
        }
        default:
            QZ_FUZZ_CHECK(false, "client %u: frame of unknown type '%c'", uid, frame.type);
        }
    }

    void addressedReply(Peer &peer, char type, uint32_t id, const QByteArray &body)
    {
        const unsigned uid = unsigned(peer.user.uid);
        int error = 0;
        QString text;
        QZ_FUZZ_CHECK(type == qz::pps::HandleData || qz::pps::parseStatus(body, &error, &text),
                      "client %u: malformed '%c' for handle %u", uid, type, unsigned(id));
        QZ_FUZZ_CHECK(type != qz::pps::HandleError || error != 0,
                      "client %u: error frame without an error for handle %u", uid, unsigned(id));
        if (type == qz::pps::HandleData)
            checkSecrets(peer, body);
        if (peer.desynced)
            return;
        const auto it = peer.handles.find(id);
        QZ_FUZZ_CHECK(it != peer.handles.end(),
                      "client %u: '%c' for handle %u, closed, refused or never opened", uid, type,
                      unsigned(id));
        Handle &handle = it->second;
        QZ_FUZZ_CHECK(!handle.ended, "client %u: '%c' for handle %u after its error", uid, type,
                      unsigned(id));
        if (type == qz::pps::HandleError) {
            handle.ended = true;
            handle.pending.clear();
            return;
        }
        if (type == qz::pps::HandleData) {
            qz::pps::Path path = handle.path;
            bool subscribes = handle.subscribes;
            if (!handle.opened) {
                QZ_FUZZ_CHECK(!handle.pending.empty() &&
                                  handle.pending.front().type == qz::pps::HandleOpen,
                              "client %u: data before handle %u's open", uid, unsigned(id));
                const Request &open = handle.pending.front();
                subscribes = open.mode & PpsOpenMode::Subscribe;
                qz::pps::Path::parse(open.path, &path, &text);
                handle.dataAheadOfAnswer = true;
            }
            QZ_FUZZ_CHECK(subscribes || path.server,
                          "client %u: data to handle %u that did not subscribe:\n%s", uid,
                          unsigned(id), body.constData());
            if (path.server)
                checkServerData(uid, path.name(), body);
            return;
        }
        QZ_FUZZ_CHECK(!handle.pending.empty(),
                      "client %u: an answer for handle %u nobody asked for", uid, unsigned(id));
        const Request request = handle.pending.front();
        handle.pending.pop_front();
        if (request.type == qz::pps::HandleRemove) {
            if (error == 0)
                removed(handle.path);
            return;
        }
        QZ_FUZZ_CHECK(error == 0 || !handle.dataAheadOfAnswer,
                      "client %u: got data for handle %u's refused open", uid, unsigned(id));
        if (error != 0) {
            peer.handles.erase(it); // nothing may come for it any more
            return;
        }
        accepted(peer.user, request, &handle.path, &handle.subscribes);
        handle.opened = true;
    }

    void answered(Peer &peer, int error)
    {
        if (peer.desynced)
            return;
        const unsigned uid = unsigned(peer.user.uid);
        QZ_FUZZ_CHECK(!peer.pending.empty(), "client %u: an answer nobody asked for", uid);
        const Request request = peer.pending.front();
        peer.pending.pop_front();
        bool contentCame = false;
        if (request.type == qz::pps::FrameOpen) {
            QZ_FUZZ_CHECK(error == 0 || !peer.dataAheadOfAnswer,
                          "client %u: got data for an open the server refused",
                          unsigned(peer.user.uid));
            contentCame = peer.dataAheadOfAnswer;
            peer.dataAheadOfAnswer = false;
        }
        if (error != 0)
            return;
        if (request.type == qz::pps::FrameRemove) {
            if (peer.opened)
                removed(peer.path);
            return;
        }
        QZ_FUZZ_CHECK(request.type != qz::pps::FrameOpen || !peer.opened,
                      "client %u: a second open on one handle accepted", unsigned(peer.user.uid));
        if (request.type == qz::pps::FrameOpen) {
            accepted(peer.user, request, &peer.path, &peer.subscribes);
            peer.opened = true;
            // Every ordinary object comes with its content, however empty; a control object none.
            peer.wasControlOpen =
                peer.subscribes && !contentCame && !peer.path.directory && !peer.path.server;
            if (peer.wasControlOpen)
                m_controlOpens.push_back(&peer);
        }
    }

    void accepted(const User &user, const Request &request, qz::pps::Path *path, bool *subscribes)
    {
        const unsigned uid = unsigned(user.uid);
        const char *const text = request.path.constData();
        QString why;
        QZ_FUZZ_CHECK(qz::pps::Path::parse(request.path, path, &why),
                      "client %u: open of invalid path \"%s\" accepted", uid, text);
        QZ_FUZZ_CHECK(request.path.size() <= MaxPathSize,
                      "client %u: open of a %lld-byte path accepted", uid,
                      static_cast<long long>(request.path.size()));
        for (const QByteArray &component : path->object.split('/')) {
            QZ_FUZZ_CHECK(component.size() <= MaxNameSize,
                          "client %u: open of a path with a %lld-byte component accepted", uid,
                          static_cast<long long>(component.size()));
        }
        const PpsOpenMode::Types mode = PpsOpenMode::Types::fromInt(int(request.mode & 0xffff));
        *subscribes = mode & PpsOpenMode::Subscribe;

        const int seed = path->directory ? -1 : seedIndex(path->object);
        if (seed < 0 || m_removed[seed] || m_removalsUnknown)
            return;
        const Seed &s = Seeds[seed];
        QZ_FUZZ_CHECK(!path->server, "client %u: took over ordinary object %s as its server", uid,
                      s.path);
        QZ_FUZZ_CHECK(!(mode & PpsOpenMode::Subscribe) || permits(s, user, 4),
                      "client %u: subscribed to %s (mode %o) without read access", uid, s.path,
                      unsigned(s.mode));
        QZ_FUZZ_CHECK(!(mode & (PpsOpenMode::Publish | PpsOpenMode::DeleteContents)) ||
                          permits(s, user, 2),
                      "client %u: opened %s (mode %o) for writing without write access", uid,
                      s.path, unsigned(s.mode));
    }

    void checkSecrets(const Peer &peer, const QByteArray &payload) const
    {
        for (const Seed &seed : Seeds) {
            if (permits(seed, peer.user, 4) || m_input.contains(seed.secret))
                continue;
            QZ_FUZZ_CHECK(
                !payload.contains(seed.secret), "client %u read the content of %s (mode %o):\n%s",
                unsigned(peer.user.uid), seed.path, unsigned(seed.mode), payload.constData());
        }
    }

    void data(Peer &peer, const QByteArray &payload)
    {
        peer.roundData.append(payload);
        const unsigned uid = unsigned(peer.user.uid);
        checkSecrets(peer, payload);
        if (peer.desynced)
            return;
        bool subscribes = peer.subscribes;
        qz::pps::Path path = peer.path;
        if (!peer.opened) {
            // An object's content may come just ahead of the answer to the open asking for it.
            QZ_FUZZ_CHECK(!peer.pending.empty() && peer.pending.front().type == qz::pps::FrameOpen,
                          "client %u: data before any open:\n%s", uid, payload.constData());
            const Request &open = peer.pending.front();
            QString why;
            subscribes = open.mode & PpsOpenMode::Subscribe;
            qz::pps::Path::parse(open.path, &path, &why);
            peer.dataAheadOfAnswer = true;
        }
        QZ_FUZZ_CHECK(subscribes || path.server,
                      "client %u: data to a handle that did not subscribe:\n%s", uid,
                      payload.constData());
        if (path.server)
            checkServerData(uid, path.name(), payload);
    }

    // Either one notice of the server's, or a client's write under the header that names it.
    static void checkServerData(unsigned uid, const QByteArray &name, const QByteArray &payload)
    {
        QList<QByteArray> lines = payload.split('\n');
        if (lines.last().isEmpty())
            lines.removeLast();
        QZ_FUZZ_CHECK(!lines.isEmpty(), "client %u: empty data to a server", uid);
        const QByteArray first = lines.first();
        const bool notice = first.startsWith("+@") || first.startsWith("-@");
        const QByteArray header = notice ? first.mid(2) : first.mid(1);
        bool numbered = false;
        QZ_FUZZ_CHECK((notice || first.startsWith('@')) &&
                          header.startsWith(QByteArray(name + '.')) &&
                          header.mid(name.size() + 1).toInt(&numbered) > 0 && numbered,
                      "client %u: data to the server of %s not headed by a client of it:\n%s", uid,
                      name.constData(), payload.constData());
        QZ_FUZZ_CHECK(!notice || lines.size() == 1, "client %u: a notice with more to it:\n%s", uid,
                      payload.constData());
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray &line = lines.at(i);
            const bool marked =
                line.size() > 1 && line.at(1) == '@' && QByteArray("+-#*").contains(line.at(0));
            QZ_FUZZ_CHECK(!line.startsWith('@') && !marked,
                          "client %u: a client's write carries a header or notice:\n%s", uid,
                          payload.constData());
        }
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
