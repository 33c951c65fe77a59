#include "ppsserver.h"

#include "ppspath.h"
#include "ppsprotocol.h"
#include "ppsrecording.h"
#include "ppsrouting.h"

#include <qz/ppsobject.h>

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace qz::pps {

namespace {

constexpr int ReadBit = 4;
constexpr int WriteBit = 2;

struct Client;

struct Object
{
    QByteArray path;
    QByteArray name;
    QByteArray parent;
    QMap<QByteArray, QByteArray> attributes; // name -> "enc:value", exactly as written
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0666;
    qsizetype size = 0;       // the attribute lines' text, held under MaxObjectSize
    bool control = false;     // served: no state, writes are routed; exists only with a server
    Client *server = nullptr; // the handle serving a control object
};

qsizetype lineSize(const QByteArray &name, const QByteArray &encodedValue)
{
    return name.size() + encodedValue.size() + 2;
}

struct Connection;

// One open handle. A connection speaking the plain frames is one handle; a shared connection
// carries many, told apart by the ids of their frames.
struct Client
{
    Connection *connection = nullptr;
    uint32_t handle = 0;    // its id in handle-addressed frames
    bool addressed = false; // whether its frames carry that id
    int id = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    bool dead = false;
    bool opened = false;
    bool linked = false; // talks with the control object's server over a link of their own
    int link = -1;       // its end of that link, until the open's answer carries it
    int links = 0;       // a control object's server: how many of its clients are linked
    Path path;
    PpsOpenMode::Types mode;

    bool subscribes() const { return opened && (mode & PpsOpenMode::Subscribe); }
};

struct Connection
{
    int fd = -1;
    uid_t uid = 0;
    gid_t gid = 0;
    QByteArray in;
    std::deque<QByteArray> out; // frames; the front one is in flight from outOffset on
    std::deque<int> outFds;     // for each frame, a descriptor sent with its first byte, or -1
    qsizetype outOffset = 0;
    qsizetype waiting = 0; // bytes of the frames behind the front one
    bool pollingOut = false;
    bool dead = false;
    // A descriptor handed out by pps_open(): a SOCK_SEQPACKET end whose packets are bare messages,
    // so out holds messages rather than frames and an error can only be told by closing.
    bool raw = false;
    std::map<uint32_t, std::unique_ptr<Client>> handles; // the plain frames' handle is 0
    uint32_t lastHandle = 0;
    qsizetype live = 0; // handles not ended; ended ones wait in handles for the reaper

    void enqueue(QByteArray frame, int descriptor = -1)
    {
        out.push_back(std::move(frame));
        outFds.push_back(descriptor);
    }
    void dropFrame(bool front)
    {
        const int descriptor = front ? outFds.front() : outFds.back();
        if (descriptor >= 0)
            ::close(descriptor);
        if (front) {
            out.pop_front();
            outFds.pop_front();
        } else {
            out.pop_back();
            outFds.pop_back();
        }
    }
    ~Connection()
    {
        for (const int descriptor : outFds) {
            if (descriptor >= 0)
                ::close(descriptor);
        }
    }
};

// Sends all of frame, or its start, with descriptor attached to its first byte.
ssize_t sendWithDescriptor(int fd, const QByteArray &frame, int descriptor)
{
    iovec data{const_cast<char *>(frame.constData()), size_t(frame.size())};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr *rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &descriptor, sizeof descriptor);
    return ::sendmsg(fd, &message, MSG_NOSIGNAL | MSG_DONTWAIT);
}

// The outcome of an open: an errno number and its explanation.
struct Status
{
    int error = 0;
    QString text;
};

QByteArray line(const QByteArray &name, const QByteArray &encodedValue)
{
    QByteArray text;
    text.reserve(name.size() + encodedValue.size() + 2);
    text.append(name).append(':').append(encodedValue).append('\n');
    return text;
}

// Whoever owns or may write the socket's directory can replace the socket and receive what
// clients write; only this user's own, closed directory is used.
bool checkSocketDirectory(const QString &directory, QString *why)
{
    const QByteArray native = QFile::encodeName(directory);
    struct stat info;
    if (::lstat(native.constData(), &info) != 0) {
        if (errno != ENOENT) {
            *why = QStringLiteral("Cannot use %1: %2")
                       .arg(directory, QString::fromLocal8Bit(strerror(errno)));
            return false;
        }
        if (!QDir().mkpath(directory) || ::chmod(native.constData(), 0700) != 0 ||
            ::lstat(native.constData(), &info) != 0) {
            *why = QStringLiteral("Cannot create %1").arg(directory);
            return false;
        }
    }
    if (!S_ISDIR(info.st_mode)) {
        *why = QStringLiteral("%1 is not a directory").arg(directory);
        return false;
    }
    if (info.st_uid != geteuid()) {
        *why = QStringLiteral("The socket directory %1 belongs to another user (uid %2)")
                   .arg(directory)
                   .arg(info.st_uid);
        return false;
    }
    if (info.st_mode & (S_IWGRP | S_IWOTH)) {
        *why = QStringLiteral("The socket directory %1 is writable by others (mode %2)")
                   .arg(directory)
                   .arg(info.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return false;
    }
    return true;
}

// Whether a server answers on the socket at path; a socket left by one that died does not.
bool isLive(const QByteArray &path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool live = ::connect(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(probe);
    return live;
}

QByteArray header(char mark, const QByteArray &name)
{
    QByteArray text;
    if (mark)
        text.append(mark);
    return text.append('@').append(name).append('\n');
}

} // namespace

class ServerPrivate
{
public:
    std::mutex mutex;
    int listenFd = -1;
    int epollFd = -1;
    int wakeFds[2] = {-1, -1};
    QString socketPath;
    std::atomic<bool> stopping{false};
    std::thread thread;
    qsizetype maxQueued = 8 * 1024 * 1024;
    Recorder *recorder = nullptr;
    bool directLinks = true;
    mode_t socketMode = 0600;
    int nextClientId = 1;
    bool acceptPaused = false;  // out of descriptors: the listen socket is not polled
    bool acceptStarved = false; // and that was logged; cleared by the next accepted client
    std::chrono::steady_clock::time_point acceptRetry;
    std::map<QByteArray, uid_t> reserved; // directory -> the only uid that may create in it
    // Directories made with an owner and mode (opened ".all" with Create): listing them needs the
    // read bit, as reading a directory of the device's file system does. Others list freely.
    struct DirectoryAccess
    {
        uid_t uid;
        gid_t gid;
        mode_t mode;
    };
    std::map<QByteArray, DirectoryAccess> directoryAccess;
    std::map<QByteArray, Object> objects;
    std::map<int, std::unique_ptr<Connection>> connections;
    // Open handles by what they watch (server-mode handles aside), so that a write costs only its
    // own object's audience, however many other connections are open.
    QHash<QByteArray, std::vector<Client *>> objectHandles;    // object path -> handles on it
    QHash<QByteArray, std::vector<Client *>> directoryHandles; // directory path -> ".all" handles
    std::vector<Client *> dying;
    std::vector<Connection *> closing;
    QByteArray packet; // receives one packet of a descriptor client, MaxMessageSize and a byte more

    ServerPrivate();
    ~ServerPrivate();

    void serveOnce(int timeoutMs);
    void accept();
    void pauseAccepting(int error);
    void resumeAccepting();
    int waitTimeout(int timeoutMs) const;
    Connection *addConnection(int fd, uid_t uid, gid_t gid);
    Client *addHandle(Connection *connection, uint32_t handle, bool addressed);
    void readFrom(Connection *connection);
    void readPackets(Connection *connection, bool hungUp);
    void flush(Connection *connection);
    void send(Client *client, char type, const QByteArray &payload, int descriptor = -1);
    void answer(Client *client, int error, const QString &text);
    void fail(Client *client, int error, const QString &text);
    void fail(Connection *connection, int error, const QString &text);
    void cutOff(Connection *connection);
    void kill(Client *client);
    void kill(Connection *connection);
    void reap();

    void handle(Connection *connection, const Frame &frame);
    void handleAddressed(Connection *connection, const Frame &frame);
    Status open(Client *client, const QByteArray &payload);
    void openFile(Client *client, const QByteArray &payload);
    void handOver(Connection *connection, int fd);
    void write(Client *client, const QByteArray &payload);
    void remove(Client *client);

    Object *createObject(const QByteArray &path, uid_t uid, gid_t gid);
    bool mayCreate(const QByteArray &path, const Client &client) const;
    bool allowed(const Object &object, const Client &client, int bit) const
    {
        return permits(object.uid, object.gid, object.mode, client, bit);
    }
    static bool permits(uid_t uid, gid_t gid, mode_t mode, const Client &client, int bit);
    QByteArray snapshot(const Object &object, char mark = 0) const;
    void publish(const Object &object, const Client *writer, const QByteArray &delta,
                 const QByteArray &full);
    void applyWrite(Object &object, Client *writer, const QByteArray &text);
    Status openDirectory(Client *client, const Path &path, PpsOpenMode::Types mode,
                         mode_t createMode);
    Status openServer(Client *client, const Path &path, PpsOpenMode::Types mode, mode_t createMode);
    bool link(Client *client, const Object &object);
    void routeToServer(Object &object, Client *client, const QByteArray &text);
    void routeFromServer(Object &object, const QByteArray &text);
    std::vector<Client *> clientsOf(const Object &object) const;
    void watch(Client *client, const Path &path, PpsOpenMode::Types mode);
    void unwatch(Client *client);
};

ServerPrivate::ServerPrivate()
{
    epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (epollFd >= 0 && pipe2(wakeFds, O_NONBLOCK | O_CLOEXEC) == 0) {
        epoll_event ev{};
        ev.events = EPOLLIN;
        ev.data.fd = wakeFds[0];
        epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFds[0], &ev);
    }
}

ServerPrivate::~ServerPrivate()
{
    for (auto &entry : connections)
        ::close(entry.first);
    for (int fd : {listenFd, epollFd, wakeFds[0], wakeFds[1]}) {
        if (fd >= 0)
            ::close(fd);
    }
    if (!socketPath.isEmpty())
        ::unlink(QFile::encodeName(socketPath).constData());
}

Object *ServerPrivate::createObject(const QByteArray &path, uid_t uid, gid_t gid)
{
    Object &object = objects[path];
    object.path = path;
    object.name = path.mid(path.lastIndexOf('/') + 1);
    object.parent = path.left(path.lastIndexOf('/'));
    object.uid = uid;
    object.gid = gid;
    return &object;
}

bool ServerPrivate::mayCreate(const QByteArray &path, const Client &client) const
{
    for (const auto &[directory, owner] : reserved) {
        const bool inside = path.startsWith(directory) &&
                            (path.size() == directory.size() || path.at(directory.size()) == '/');
        if (inside && client.uid != owner)
            return false;
    }
    return true;
}

bool ServerPrivate::permits(uid_t uid, gid_t gid, mode_t mode, const Client &client, int bit)
{
    // Deliberately no exception for root: tests running as root must be able to see refusals.
    int bits = mode & 7;
    if (client.uid == uid)
        bits = (mode >> 6) & 7;
    else if (client.gid == gid)
        bits = (mode >> 3) & 7;
    return bits & bit;
}

QByteArray ServerPrivate::snapshot(const Object &object, char mark) const
{
    QByteArray text = header(mark, object.name);
    text.reserve(text.size() + object.size);
    for (auto it = object.attributes.cbegin(); it != object.attributes.cend(); ++it)
        text.append(line(it.key(), it.value()));
    return text;
}

std::vector<Client *> ServerPrivate::clientsOf(const Object &object) const
{
    std::vector<Client *> result;
    const auto handles = objectHandles.constFind(object.path);
    if (handles == objectHandles.cend())
        return result;
    for (Client *c : *handles) {
        if (!c->dead)
            result.push_back(c);
    }
    return result;
}

void ServerPrivate::watch(Client *client, const Path &path, PpsOpenMode::Types mode)
{
    client->opened = true;
    client->path = path;
    client->mode = mode;
    if (!path.server)
        (path.directory ? directoryHandles : objectHandles)[path.object].push_back(client);
}

void ServerPrivate::unwatch(Client *client)
{
    if (!client->opened || client->path.server)
        return;
    auto &index = client->path.directory ? directoryHandles : objectHandles;
    const auto it = index.find(client->path.object);
    if (it == index.end())
        return;
    it->erase(std::remove(it->begin(), it->end(), client), it->end());
    if (it->empty())
        index.erase(it);
}

void ServerPrivate::publish(const Object &object, const Client *writer, const QByteArray &delta,
                            const QByteArray &full)
{
    auto deliver = [&](const QHash<QByteArray, std::vector<Client *>> &index,
                       const QByteArray &key) {
        const auto handles = index.constFind(key);
        if (handles == index.cend())
            return;
        // Sending never changes the index: a client cut off here is only reaped later.
        for (Client *c : *handles) {
            if (c != writer && !c->dead && c->subscribes() && allowed(object, *c, ReadBit))
                send(c, FrameData, c->path.delta ? delta : full);
        }
    };
    deliver(objectHandles, object.path);
    deliver(directoryHandles, object.parent);
}

void ServerPrivate::send(Client *client, char type, const QByteArray &payload, int descriptor)
{
    Connection *connection = client->connection;
    if (client->dead || connection->dead || connection->waiting > maxQueued) {
        if (descriptor >= 0)
            ::close(descriptor);
        if (!client->dead && !connection->dead)
            cutOff(connection);
        return;
    }
    QByteArray frame;
    if (connection->raw)
        frame = payload;
    else if (client->addressed)
        appendHandleFrame(frame, char(type | 0x20), client->handle, payload.constData(),
                          payload.size());
    else
        appendFrame(frame, type, payload);
    if (!connection->out.empty())
        connection->waiting += frame.size();
    connection->enqueue(std::move(frame), descriptor);
    flush(connection);
}

void ServerPrivate::flush(Connection *connection)
{
    while (!connection->out.empty()) {
        QByteArray &front = connection->out.front();
        int &descriptor = connection->outFds.front();
        const ssize_t n =
            descriptor >= 0
                ? sendWithDescriptor(connection->fd, front, descriptor)
                : ::send(connection->fd, front.constData() + connection->outOffset,
                         front.size() - connection->outOffset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0 && descriptor >= 0) {
            ::close(descriptor); // it travelled with the first byte
            descriptor = -1;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno == EMSGSIZE && connection->raw) {
                // Larger than one packet can be: its reader gets what the largest packet holds,
                // as a read with a smaller buffer would.
                int room = 0;
                socklen_t length = sizeof room;
                getsockopt(connection->fd, SOL_SOCKET, SO_SNDBUF, &room, &length);
                const qsizetype fits = std::min(front.size() / 2, qsizetype(room / 2));
                qCWarning(lcPps, "A message of %lld bytes is cut to %lld for a descriptor",
                          static_cast<long long>(front.size()), static_cast<long long>(fits));
                front.truncate(fits);
                continue;
            }
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                kill(connection);
            break;
        }
        connection->outOffset += n;
        if (connection->outOffset < front.size())
            continue;
        connection->dropFrame(true);
        connection->outOffset = 0;
        if (!connection->out.empty())
            connection->waiting -= connection->out.front().size();
    }
    const bool pending = !connection->out.empty();
    if (!connection->dead && pending != connection->pollingOut) {
        epoll_event ev{};
        ev.events = pending ? uint32_t(EPOLLIN | EPOLLOUT) : uint32_t(EPOLLIN);
        ev.data.fd = connection->fd;
        epoll_ctl(epollFd, EPOLL_CTL_MOD, connection->fd, &ev);
        connection->pollingOut = pending;
    }
}

void ServerPrivate::answer(Client *client, int error, const QString &text)
{
    send(client, FrameAnswer, statusPayload(error, text));
}

void ServerPrivate::fail(Client *client, int error, const QString &text)
{
    if (client->dead)
        return;
    if (!client->addressed)
        return fail(client->connection, error, text);
    // Only this handle ends; its connection serves the thread's other handles on.
    send(client, FrameError, statusPayload(error, text));
    kill(client);
}

void ServerPrivate::fail(Connection *connection, int error, const QString &text)
{
    if (connection->dead)
        return;
    if (connection->raw) {
        qCDebug(lcPps) << "Closing a descriptor:" << text;
        return kill(connection);
    }
    QByteArray frame;
    appendFrame(frame, FrameError, statusPayload(error, text));
    connection->enqueue(std::move(frame));
    flush(connection);
    kill(connection);
}

void ServerPrivate::cutOff(Connection *connection)
{
    const qsizetype queued = connection->waiting;
    // What waits behind the frame in flight is dropped, so the error can follow that frame.
    while (connection->out.size() > 1)
        connection->dropFrame(false);
    connection->waiting = 0;
    qCWarning(lcPps, "Disconnecting a client that stopped reading (%lld bytes queued)",
              static_cast<long long>(queued));
    fail(connection, ENOBUFS,
         QStringLiteral("Disconnected for not reading: %1 bytes were waiting").arg(queued));
}

void ServerPrivate::kill(Client *client)
{
    if (client->dead)
        return;
    client->dead = true;
    --client->connection->live;
    dying.push_back(client);
}

void ServerPrivate::kill(Connection *connection)
{
    if (connection->dead)
        return;
    connection->dead = true;
    for (auto &entry : connection->handles)
        kill(entry.second.get());
    closing.push_back(connection);
}

void ServerPrivate::reap()
{
    // Killing a handle can kill others (a server's clients); keep going until nothing is left.
    const bool freed = !closing.empty();
    while (!dying.empty()) {
        Client *client = dying.back();
        dying.pop_back();
        if (client->opened && !client->path.directory) {
            auto it = objects.find(client->path.object);
            if (it != objects.end() && it->second.control) {
                Object &object = it->second;
                if (object.server == client) {
                    const QString text = QStringLiteral("The server of %1 went away")
                                             .arg(QString::fromUtf8(object.path));
                    for (Client *c : clientsOf(object))
                        fail(c, ENOTCONN, text);
                    objects.erase(it); // the name is free for the next server
                } else if (object.server && client->linked) {
                    --object.server->links;
                } else if (object.server) {
                    const QByteArray gone = object.name + '.' + QByteArray::number(client->id);
                    send(object.server, FrameData, header('-', gone));
                }
            }
        }
        unwatch(client);
        client->connection->handles.erase(client->handle);
    }
    for (Connection *connection : closing) {
        epoll_ctl(epollFd, EPOLL_CTL_DEL, connection->fd, nullptr);
        ::close(connection->fd);
        connections.erase(connection->fd);
    }
    closing.clear();
    if (freed && acceptPaused)
        resumeAccepting();
}

void ServerPrivate::accept()
{
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                pauseAccepting(errno);
            return;
        }
        ucred credentials{};
        socklen_t length = sizeof credentials;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
            ::close(fd);
            continue;
        }
        addConnection(fd, credentials.uid, credentials.gid);
        if (acceptStarved) {
            qCInfo(lcPps, "Accepting connections again");
            acceptStarved = false;
        }
    }
}

void ServerPrivate::pauseAccepting(int error)
{
    // The pending connection keeps the listen socket readable: polling it now would spin.
    if (!acceptStarved)
        qCWarning(lcPps, "Cannot accept connections (%s); new clients wait until one leaves",
                  strerror(error));
    acceptStarved = true;
    if (!acceptPaused)
        epoll_ctl(epollFd, EPOLL_CTL_DEL, listenFd, nullptr);
    acceptPaused = true;
    acceptRetry = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
}

void ServerPrivate::resumeAccepting()
{
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = listenFd;
    epoll_ctl(epollFd, EPOLL_CTL_ADD, listenFd, &ev);
    acceptPaused = false;
    accept();
}

int ServerPrivate::waitTimeout(int timeoutMs) const
{
    if (!acceptPaused)
        return timeoutMs;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          acceptRetry - std::chrono::steady_clock::now())
                          .count();
    const int retryMs = int(std::max<decltype(left)>(left, 0));
    return timeoutMs < 0 ? retryMs : std::min(timeoutMs, retryMs);
}

Connection *ServerPrivate::addConnection(int fd, uid_t uid, gid_t gid)
{
    auto connection = std::make_unique<Connection>();
    connection->fd = fd;
    connection->uid = uid;
    connection->gid = gid;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev);
    Connection *const added = connection.get();
    connections[fd] = std::move(connection);
    return added;
}

Client *ServerPrivate::addHandle(Connection *connection, uint32_t handle, bool addressed)
{
    auto client = std::make_unique<Client>();
    client->connection = connection;
    client->handle = handle;
    client->addressed = addressed;
    client->uid = connection->uid;
    client->gid = connection->gid;
    Client *const added = client.get();
    connection->handles[handle] = std::move(client);
    ++connection->live;
    return added;
}

void ServerPrivate::readFrom(Connection *connection)
{
    char buffer[64 * 1024];
    bool hungUp = false;
    for (;;) {
        const ssize_t n = ::recv(connection->fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            hungUp = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
            break;
        }
        connection->in.append(buffer, n);
        if (n < qsizetype(sizeof buffer))
            break;
    }
    // Every frame that arrived before the hang-up is served: the writer counted it as written.
    qsizetype offset = 0;
    Frame frame;
    // A write may carry at most one message; the header of a larger one is refused at once.
    const qsizetype limit = PpsObject::MaxMessageSize + 4096;
    while (!connection->dead) {
        const int taken = takeFrame(connection->in, &offset, &frame, limit);
        if (taken == 0)
            break;
        if (taken < 0) {
            fail(connection, EMSGSIZE,
                 QStringLiteral("Message exceeds the limit of %1 bytes")
                     .arg(PpsObject::MaxMessageSize));
            break;
        }
        handle(connection, frame);
    }
    connection->in.remove(0, offset);
    if (hungUp)
        kill(connection);
}

void ServerPrivate::readPackets(Connection *connection, bool hungUp)
{
    if (packet.size() != PpsObject::MaxMessageSize + 1)
        packet.resize(PpsObject::MaxMessageSize + 1);
    Client *client = connection->handles.at(0).get();
    // A bounded batch, so that one busy writer cannot hold the others up.
    for (int i = 0; i < 64 && !connection->dead; ++i) {
        const ssize_t n =
            ::recv(connection->fd, packet.data(), size_t(packet.size()), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                kill(connection);
            return;
        }
        // An empty packet reads like the end of the stream; only a hang-up tells them apart.
        if (n == 0) {
            if (hungUp)
                kill(connection);
            return;
        }
        if (n > PpsObject::MaxMessageSize)
            return fail(connection, EMSGSIZE,
                        QStringLiteral("Message exceeds the limit of %1 bytes")
                            .arg(PpsObject::MaxMessageSize));
        write(client, QByteArray(packet.constData(), n));
    }
}

void ServerPrivate::openFile(Client *client, const QByteArray &payload)
{
    // The descriptor must be the next thing this connection reads, to travel with its answer.
    if (!client->connection->out.empty())
        return answer(client, EBUSY,
                      QStringLiteral("Answers wait unread; a descriptor follows no others"));
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return answer(client, errno,
                      QStringLiteral("Cannot make a descriptor: %1")
                          .arg(QString::fromLocal8Bit(strerror(errno))));
    // Room for one whole message per packet where the system allows it; larger ones are cut.
    const int room = int(2 * PpsObject::MaxMessageSize);
    for (const int end : ends)
        setsockopt(end, SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
    Connection *file = addConnection(ends[0], client->uid, client->gid);
    file->raw = true;
    const Status status = open(addHandle(file, 0, false), payload);
    if (status.error != 0) {
        ::close(ends[1]);
        kill(file);
        return answer(client, status.error, status.text);
    }
    handOver(client->connection, ends[1]);
    ::close(ends[1]);
}

void ServerPrivate::handOver(Connection *connection, int fd)
{
    QByteArray frame;
    appendFrame(frame, FrameAnswer, statusPayload(0, {}));
    const ssize_t n = sendWithDescriptor(connection->fd, frame, fd);
    // Its socket is full although nothing is queued: a client that never reads its answers.
    if (n <= 0)
        return kill(connection);
    if (n < frame.size()) {
        connection->enqueue(frame);
        connection->outOffset = n;
        flush(connection);
    }
}

void ServerPrivate::handle(Connection *connection, const Frame &frame)
{
    if (frame.type >= 'a' && frame.type <= 'z')
        return handleAddressed(connection, frame);
    auto own = connection->handles.find(0);
    Client *client =
        own != connection->handles.end() ? own->second.get() : addHandle(connection, 0, false);
    const bool openWordGiven = frame.payload.size() >= qsizetype(sizeof(uint32_t));
    switch (frame.type) {
    case FrameOpen:
    case FrameOpenFile:
        if (!openWordGiven)
            return fail(client, EPROTO, QStringLiteral("Malformed open request"));
        if (frame.type == FrameOpenFile)
            return openFile(client, frame.payload);
        {
            const Status status = open(client, frame.payload);
            answer(client, status.error, status.text);
        }
        break;
    case FrameWrite:
        write(client, frame.payload);
        break;
    case FrameRemove:
        remove(client);
        break;
    default:
        fail(client, EPROTO, QStringLiteral("Unknown request"));
    }
}

void ServerPrivate::handleAddressed(Connection *connection, const Frame &frame)
{
    uint32_t id = 0;
    if (!takeHandle(frame.payload, &id) || id == 0)
        return fail(connection, EPROTO, QStringLiteral("Malformed request"));
    const QByteArray payload = frame.payload.sliced(sizeof id);
    if (frame.type == HandleOpen) {
        if (id <= connection->lastHandle)
            return fail(connection, EPROTO, QStringLiteral("Handle ids must increase"));
        if (payload.size() < qsizetype(sizeof(uint32_t)))
            return fail(connection, EPROTO, QStringLiteral("Malformed open request"));
        connection->lastHandle = id;
        const bool full = connection->live >= MaxHandlesPerConnection;
        Client *client = addHandle(connection, id, true);
        const Status status =
            full ? Status{EMFILE, QStringLiteral("Too many handles on one connection (%1)")
                                      .arg(MaxHandlesPerConnection)}
                 : open(client, payload);
        if (client->link >= 0) {
            send(client, HandleLink, statusPayload(0, {}), client->link);
            client->link = -1;
            return;
        }
        answer(client, status.error, status.text);
        // The client keeps no handle whose open failed, and neither does the server.
        if (status.error != 0)
            kill(client);
        return;
    }
    // Frames for a handle that has already ended (an error crossed them on the way) are void.
    const auto it = connection->handles.find(id);
    if (it == connection->handles.end() || it->second->dead)
        return;
    Client *client = it->second.get();
    switch (frame.type) {
    case HandleWrite:
        return write(client, payload);
    case HandleRemove:
        return remove(client);
    case HandleClose:
        return kill(client);
    default:
        fail(connection, EPROTO, QStringLiteral("Unknown request"));
    }
}

Status ServerPrivate::open(Client *client, const QByteArray &payload)
{
    if (client->opened)
        return Status{EISCONN, QStringLiteral("The handle is already open")};
    uint32_t word;
    std::memcpy(&word, payload.constData(), sizeof word);
    const PpsOpenMode::Types mode = PpsOpenMode::Types::fromInt(int(word & OpenFlagsMask));
    const mode_t createMode =
        (word & OpenCreateModeGiven) ? mode_t((word >> OpenCreateModeShift) & 0777) : 0666;
    Path path;
    QString why;
    if (!Path::parse(payload.mid(4), &path, &why))
        return Status{EINVAL, why};
    if (path.directory)
        return openDirectory(client, path, mode, createMode);
    if (path.server)
        return openServer(client, path, mode, createMode);

    auto it = objects.find(path.object);
    Object *object = it == objects.end() ? nullptr : &it->second;
    const QString name = QString::fromUtf8(path.object);
    if (!object && !(mode & PpsOpenMode::Create))
        return Status{ENOENT, QStringLiteral("No PPS object %1").arg(name)};
    if (!object && !mayCreate(path.object, *client))
        return Status{EACCES, QStringLiteral("%1 is reserved").arg(name)};
    if (object) {
        const bool reads = mode & PpsOpenMode::Subscribe;
        const bool writes = mode & (PpsOpenMode::Publish | PpsOpenMode::DeleteContents);
        if ((reads && !allowed(*object, *client, ReadBit)) ||
            (writes && !allowed(*object, *client, WriteBit)))
            return Status{EACCES, QStringLiteral("Permission denied on %1").arg(name)};
    }
    const bool created = !object;
    if (created) {
        object = createObject(path.object, client->uid, client->gid);
        object->mode = createMode;
    }
    watch(client, path, mode);
    client->id = nextClientId++;

    if (object->control) {
        if (!link(client, *object))
            send(object->server, FrameData,
                 header('+', object->name + '.' + QByteArray::number(client->id)));
        return {};
    }
    if (created)
        publish(*object, client, header('+', object->name), header('+', object->name));
    if ((mode & PpsOpenMode::DeleteContents) && !created) {
        object->attributes.clear();
        object->size = 0;
        publish(*object, client, header('#', object->name), snapshot(*object));
    }
    // The content goes first so that it is there to read when open() returns.
    if (mode & PpsOpenMode::Subscribe)
        send(client, FrameData, snapshot(*object));
    return {};
}

Status ServerPrivate::openDirectory(Client *client, const Path &path, PpsOpenMode::Types mode,
                                    mode_t createMode)
{
    if (mode & (PpsOpenMode::Publish | PpsOpenMode::DeleteContents))
        return Status{EISDIR, QStringLiteral("A directory cannot be written")};
    const QString name = QString::fromUtf8(path.object);
    auto access = directoryAccess.find(path.object);
    if (mode & PpsOpenMode::Create) {
        // Making a directory gives it its maker as owner; only the owner changes its mode later.
        if (access == directoryAccess.end()) {
            if (!mayCreate(path.object, *client))
                return Status{EACCES, QStringLiteral("%1 is reserved").arg(name)};
            access =
                directoryAccess
                    .emplace(path.object, DirectoryAccess{client->uid, client->gid, createMode})
                    .first;
        } else if (access->second.uid != client->uid) {
            return Status{EACCES, QStringLiteral("Permission denied on %1").arg(name)};
        } else {
            access->second.mode = createMode;
        }
    }
    if ((mode & PpsOpenMode::Subscribe) && access != directoryAccess.end() &&
        !permits(access->second.uid, access->second.gid, access->second.mode, *client, ReadBit))
        return Status{EACCES, QStringLiteral("Permission denied on %1").arg(name)};
    QByteArray content;
    if (mode & PpsOpenMode::Subscribe) {
        for (const auto &entry : objects) {
            const Object &o = entry.second;
            if (o.parent == path.object && !o.control && allowed(o, *client, ReadBit))
                content.append(snapshot(o));
        }
        if (content.size() > MaxFrameSize)
            return Status{EFBIG, QStringLiteral("The listing of %1 exceeds %2 bytes")
                                     .arg(QString::fromUtf8(path.object))
                                     .arg(MaxFrameSize)};
    }
    watch(client, path, mode);
    if (!content.isEmpty())
        send(client, FrameData, content);
    return {};
}

Status ServerPrivate::openServer(Client *client, const Path &path, PpsOpenMode::Types mode,
                                 mode_t createMode)
{
    const QString name = QString::fromUtf8(path.object);
    // Serving means answering clients and making the object: the rights of a publisher that
    // creates it, and never over an object someone else holds.
    if (!(mode & PpsOpenMode::Publish) || !(mode & PpsOpenMode::Create))
        return Status{EINVAL, QStringLiteral("Serving %1 needs Publish and Create").arg(name)};
    const auto it = objects.find(path.object);
    if (it != objects.end() && it->second.control)
        return Status{EBUSY, QStringLiteral("%1 already has a server").arg(name)};
    if (it != objects.end())
        return Status{EEXIST,
                      QStringLiteral("%1 is an ordinary object and cannot be served").arg(name)};
    if (!mayCreate(path.object, *client))
        return Status{EACCES, QStringLiteral("%1 is reserved").arg(name)};
    Object *object = createObject(path.object, client->uid, client->gid);
    object->mode = createMode;
    object->control = true;
    object->server = client;
    watch(client, path, mode);
    return {};
}

void ServerPrivate::write(Client *client, const QByteArray &payload)
{
    if (!client->opened || !(client->mode & PpsOpenMode::Publish) || client->path.directory)
        return fail(client, EBADF, QStringLiteral("The handle is not open for writing"));
    if (payload.size() > PpsObject::MaxMessageSize)
        return fail(
            client, EMSGSIZE,
            QStringLiteral("Message exceeds the limit of %1 bytes").arg(PpsObject::MaxMessageSize));
    auto it = objects.find(client->path.object);
    if (it == objects.end()) {
        qCDebug(lcPps) << "Write to removed object" << client->path.object << "dropped";
        return;
    }
    Object &object = it->second;
    if (recorder)
        recorder->record(object.path, client->id,
                         !object.control           ? Record::From::Object
                         : object.server == client ? Record::From::Server
                                                   : Record::From::Client,
                         payload);
    if (!object.control)
        applyWrite(object, client, payload);
    else if (object.server == client)
        routeFromServer(object, payload);
    else if (object.server)
        routeToServer(object, client, payload);
}

namespace {

// One line of a write to an ordinary object. Headers name the object itself and notices are not
// the writer's to make, so neither is stored.
struct WriteLine
{
    enum Kind { Skip, Set, Remove, Malformed } kind = Skip;
    QByteArrayView name;
    QByteArrayView value; // "enc:value"
};

WriteLine parseWriteLine(QByteArrayView l)
{
    if (l.startsWith('@') || l.startsWith('+') || l.startsWith('#') || l.startsWith('*'))
        return {};
    if (l.startsWith('-'))
        return {WriteLine::Remove, l.sliced(1), {}};
    const qsizetype colon = l.indexOf(':');
    if (colon <= 0 || l.sliced(colon + 1).indexOf(':') < 0)
        return {WriteLine::Malformed, {}, {}};
    // A name no reader could decode would make the whole object unreadable.
    for (const char c : l.first(colon)) {
        if (static_cast<unsigned char>(c) < 0x20)
            return {WriteLine::Malformed, {}, {}};
    }
    return {WriteLine::Set, l.first(colon), l.sliced(colon + 1)};
}

} // namespace

void ServerPrivate::applyWrite(Object &object, Client *writer, const QByteArray &text)
{
    // Checked whole before any of it is applied: a refused write changes nothing.
    qsizetype size = object.size;
    QHash<QByteArray, qsizetype> touched; // name -> its line's size after this write so far
    bool nameTooLong = false;
    forEachLine(text, [&](QByteArrayView l) {
        const WriteLine w = parseWriteLine(l);
        if (w.kind != WriteLine::Set && w.kind != WriteLine::Remove)
            return;
        if (w.name.size() > PpsObject::MaxNameSize) {
            nameTooLong = true;
            return;
        }
        const QByteArray name = w.name.toByteArray();
        auto previous = touched.constFind(name);
        const qsizetype before = previous != touched.cend() ? previous.value()
                                 : object.attributes.contains(name)
                                     ? lineSize(name, object.attributes.value(name))
                                     : 0;
        const qsizetype after = w.kind == WriteLine::Set ? w.name.size() + w.value.size() + 2 : 0;
        size += after - before;
        touched.insert(name, after);
    });
    if (nameTooLong)
        return fail(writer, ENAMETOOLONG,
                    QStringLiteral("An attribute name exceeds the limit of %1 bytes")
                        .arg(PpsObject::MaxNameSize));
    if (size > PpsObject::MaxObjectSize)
        return fail(writer, EFBIG,
                    QStringLiteral("%1 would exceed the object limit of %2 bytes")
                        .arg(QString::fromUtf8(object.path))
                        .arg(PpsObject::MaxObjectSize));

    QByteArray delta = header(0, object.name);
    const qsizetype emptyDelta = delta.size();
    forEachLine(text, [&](QByteArrayView l) {
        const WriteLine w = parseWriteLine(l);
        switch (w.kind) {
        case WriteLine::Skip:
            return;
        case WriteLine::Malformed:
            qCWarning(lcPps) << "Malformed attribute line dropped from a write to" << object.path;
            return;
        case WriteLine::Remove:
            if (object.attributes.remove(w.name.toByteArray()))
                delta.append(l).append('\n');
            return;
        case WriteLine::Set:
            object.attributes.insert(w.name.toByteArray(), w.value.toByteArray());
            delta.append(l).append('\n');
            return;
        }
    });
    object.size = size;
    if (delta.size() == emptyDelta)
        return;
    publish(object, writer, delta, snapshot(object));
}

bool ServerPrivate::link(Client *client, const Object &object)
{
    // Both ends must speak the shared-connection frames, and a recording must see every message.
    Client *server = object.server;
    // Each link costs the server's process a descriptor; past a bound its clients are relayed, so
    // one client opening handle after handle cannot exhaust a service's descriptors.
    if (!directLinks || recorder || !client->addressed || !server || !server->addressed ||
        server->links >= MaxLinksPerServer)
        return false;
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    // The server learns of the client with its end; the client's end goes with the open's answer.
    QByteArray arrival(sizeof(uint32_t) * 2, Qt::Uninitialized);
    const uint32_t id = uint32_t(client->id);
    const uint32_t mode = uint32_t(client->mode.toInt());
    std::memcpy(arrival.data(), &id, sizeof id);
    std::memcpy(arrival.data() + sizeof id, &mode, sizeof mode);
    send(server, HandleLink, arrival, ends[0]);
    ++server->links;
    client->linked = true;
    client->link = ends[1];
    return true;
}

void ServerPrivate::routeToServer(Object &object, Client *client, const QByteArray &text)
{
    send(object.server, FrameData, clientMessage(object.name, client->id, text));
}

void ServerPrivate::routeFromServer(Object &object, const QByteArray &text)
{
    const std::vector<Client *> audience = clientsOf(object);
    const QByteArray head = header(0, object.name);
    splitServerWrite(object.name, text, [&](int target, const QByteArray &lines) {
        const QByteArray message = head + lines;
        for (Client *c : audience) {
            // A client on a direct link hears from its server there.
            if ((target == EveryClient || c->id == target) && (c->mode & PpsOpenMode::Subscribe) &&
                !c->linked)
                send(c, FrameData, message);
        }
    });
}

void ServerPrivate::remove(Client *client)
{
    if (!client->opened || client->path.directory)
        return answer(client, EBADF, QStringLiteral("The handle names no object"));
    auto it = objects.find(client->path.object);
    if (it == objects.end())
        return answer(
            client, ENOENT,
            QStringLiteral("No PPS object %1").arg(QString::fromUtf8(client->path.object)));
    Object &object = it->second;
    if (!allowed(object, *client, WriteBit))
        return answer(client, EACCES, QStringLiteral("Permission denied"));
    if (object.control)
        return answer(client, EPERM, QStringLiteral("A served control object cannot be removed"));
    const QByteArray gone = header('-', object.name);
    publish(object, client, gone, gone);
    objects.erase(it);
    answer(client, 0, {});
}

void ServerPrivate::serveOnce(int timeoutMs)
{
    epoll_event events[64];
    const int n = epoll_wait(epollFd, events, 64, waitTimeout(timeoutMs));
    std::lock_guard<std::mutex> lock(mutex);
    if (acceptPaused && std::chrono::steady_clock::now() >= acceptRetry)
        resumeAccepting();
    for (int i = 0; i < n; ++i) {
        const int fd = events[i].data.fd;
        if (fd == listenFd) {
            accept();
            continue;
        }
        if (fd == wakeFds[0]) {
            char drain[64];
            while (::read(fd, drain, sizeof drain) > 0) {
            }
            continue;
        }
        auto it = connections.find(fd);
        if (it == connections.end() || it->second->dead)
            continue;
        Connection *connection = it->second.get();
        if (events[i].events & EPOLLOUT)
            flush(connection);
        const bool hungUp = events[i].events & (EPOLLHUP | EPOLLRDHUP | EPOLLERR);
        if (connection->raw && ((events[i].events & EPOLLIN) || hungUp))
            readPackets(connection, hungUp);
        else if ((events[i].events & EPOLLIN) || hungUp)
            readFrom(connection);
    }
    reap();
}

Server::Server()
    : d(std::make_unique<ServerPrivate>())
{}

Server::~Server()
{
    stop();
    if (d->thread.joinable())
        d->thread.join();
}

bool Server::listen(const QString &socketPath, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (d->epollFd < 0 || d->wakeFds[0] < 0)
        return fail(QStringLiteral("Cannot set up the event loop"));
    const QByteArray native = QFile::encodeName(socketPath);
    // The socket is made under a name of its own and renamed into place once its mode is set,
    // so that no one can connect while the umask's mode is on it.
    const QByteArray fresh = native + '.' + QByteArray::number(getpid());
    sockaddr_un address{};
    if (fresh.size() >= qsizetype(sizeof address.sun_path))
        return fail(QStringLiteral("Socket path %1 is too long").arg(socketPath));
    QString why;
    if (!checkSocketDirectory(QFileInfo(socketPath).absolutePath(), &why))
        return fail(why);
    if (isLive(native))
        return fail(QStringLiteral("A PPS server already listens on %1").arg(socketPath));

    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, fresh.constData(), fresh.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    ::unlink(fresh.constData());
    const bool ready = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                       ::chmod(fresh.constData(), d->socketMode) == 0 && ::listen(fd, 128) == 0 &&
                       ::rename(fresh.constData(), native.constData()) == 0;
    if (!ready) {
        const int e = errno;
        ::close(fd);
        ::unlink(fresh.constData());
        return fail(QStringLiteral("Cannot listen on %1: %2")
                        .arg(socketPath, QString::fromLocal8Bit(strerror(e))));
    }
    d->listenFd = fd;
    d->socketPath = socketPath;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(d->epollFd, EPOLL_CTL_ADD, fd, &ev);
    return true;
}

mode_t Server::socketMode() const
{
    return d->socketMode;
}

void Server::setSocketMode(mode_t mode)
{
    d->socketMode = mode & 0777;
}

QString Server::socketPath() const
{
    return d->socketPath;
}

void Server::run()
{
    while (!d->stopping.load())
        d->serveOnce(-1);
}

void Server::processEvents(int timeoutMs)
{
    d->serveOnce(timeoutMs);
}

bool Server::adoptConnection(int fd, uid_t uid, gid_t gid)
{
    if (fd < 0 || d->epollFd < 0)
        return false;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::lock_guard<std::mutex> lock(d->mutex);
    d->addConnection(fd, uid, gid);
    return true;
}

bool Server::start()
{
    if (d->listenFd < 0 || d->thread.joinable())
        return false;
    d->thread = std::thread([this] { run(); });
    return true;
}

void Server::stop()
{
    d->stopping.store(true);
    if (d->wakeFds[1] >= 0) {
        const char byte = 'x';
        [[maybe_unused]] const ssize_t n = ::write(d->wakeFds[1], &byte, 1);
    }
}

bool Server::setAccess(const QByteArray &path, uid_t uid, gid_t gid, mode_t mode)
{
    Path parsed;
    QString why;
    if (!Path::parse(path, &parsed, &why) || parsed.directory)
        return false;
    std::lock_guard<std::mutex> lock(d->mutex);
    auto it = d->objects.find(parsed.object);
    Object *object =
        it == d->objects.end() ? d->createObject(parsed.object, uid, gid) : &it->second;
    object->uid = uid;
    object->gid = gid;
    object->mode = mode & 0777;
    return true;
}

bool Server::setDirectoryAccess(const QByteArray &directory, uid_t uid, gid_t gid, mode_t mode)
{
    Path parsed;
    QString why;
    if (!Path::parse(directory, &parsed, &why) || parsed.directory || parsed.delta || parsed.wait ||
        parsed.server)
        return false;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->directoryAccess[parsed.object] = {uid, gid, mode & 0777};
    return true;
}

bool Server::reserve(const QByteArray &directory, uid_t uid)
{
    Path parsed;
    QString why;
    // A directory reads like an object path; "/pps" itself is not reserved this way.
    if (!Path::parse(directory, &parsed, &why) || parsed.directory || parsed.delta || parsed.wait ||
        parsed.server)
        return false;
    std::lock_guard<std::mutex> lock(d->mutex);
    d->reserved[parsed.object] = uid;
    return true;
}

qsizetype Server::maxQueuedBytes() const
{
    return d->maxQueued;
}

void Server::setMaxQueuedBytes(qsizetype bytes)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->maxQueued = bytes;
}

void Server::setDirectLinks(bool enabled)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->directLinks = enabled;
}

void Server::setRecorder(Recorder *recorder)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->recorder = recorder;
}

} // namespace qz::pps
