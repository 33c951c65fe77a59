#include "ppsserver.h"

#include "ppspath.h"
#include "ppsprotocol.h"

#include <qz/ppsobject.h>

#include <QDir>
#include <QFileInfo>
#include <QMap>

#include <atomic>
#include <cerrno>
#include <cstring>
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
    bool control = false;     // served: no state, writes are routed
    Client *server = nullptr; // the handle serving a control object
};

struct Client
{
    int fd = -1;
    int id = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    QByteArray in;
    QByteArray out;
    qsizetype outOffset = 0;
    bool pollingOut = false;
    bool dead = false;
    bool opened = false;
    Path path;
    PpsOpenMode::Types mode;

    bool subscribes() const { return opened && (mode & PpsOpenMode::Subscribe); }
};

QByteArray line(const QByteArray &name, const QByteArray &encodedValue)
{
    QByteArray text;
    text.reserve(name.size() + encodedValue.size() + 2);
    text.append(name).append(':').append(encodedValue).append('\n');
    return text;
}

// Calls f with each non-empty line of text, without copying.
template<typename F> void forEachLine(const QByteArray &text, F f)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf('\n', start);
        if (end < 0)
            end = text.size();
        if (end > start)
            f(QByteArrayView(text.constData() + start, end - start));
        start = end + 1;
    }
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
    int nextClientId = 1;
    std::map<QByteArray, Object> objects;
    std::map<int, std::unique_ptr<Client>> clients;
    std::vector<Client *> dying;

    ServerPrivate();
    ~ServerPrivate();

    void serveOnce(int timeoutMs);
    void accept();
    void addClient(int fd, uid_t uid, gid_t gid);
    void readFrom(Client *client);
    void flush(Client *client);
    void send(Client *client, char type, const QByteArray &payload);
    void answer(Client *client, int error, const QString &text);
    void fail(Client *client, int error, const QString &text);
    void kill(Client *client);
    void reap();

    void handle(Client *client, const Frame &frame);
    void open(Client *client, const QByteArray &payload);
    void write(Client *client, const QByteArray &payload);
    void remove(Client *client);

    Object *createObject(const QByteArray &path, uid_t uid, gid_t gid);
    bool allowed(const Object &object, const Client &client, int bit) const;
    QByteArray snapshot(const Object &object, char mark = 0) const;
    void publish(const Object &object, const Client *writer, const QByteArray &delta,
                 const QByteArray &full);
    void applyWrite(Object &object, Client *writer, const QByteArray &text);
    void routeToServer(Object &object, Client *client, const QByteArray &text);
    void routeFromServer(Object &object, const QByteArray &text);
    std::vector<Client *> clientsOf(const Object &object) const;
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
    for (auto &entry : clients)
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

bool ServerPrivate::allowed(const Object &object, const Client &client, int bit) const
{
    // Deliberately no exception for root: tests running as root must be able to see refusals.
    int bits = object.mode & 7;
    if (client.uid == object.uid)
        bits = (object.mode >> 6) & 7;
    else if (client.gid == object.gid)
        bits = (object.mode >> 3) & 7;
    return bits & bit;
}

QByteArray ServerPrivate::snapshot(const Object &object, char mark) const
{
    QByteArray text = header(mark, object.name);
    for (auto it = object.attributes.cbegin(); it != object.attributes.cend(); ++it)
        text.append(line(it.key(), it.value()));
    return text;
}

std::vector<Client *> ServerPrivate::clientsOf(const Object &object) const
{
    std::vector<Client *> result;
    for (const auto &entry : clients) {
        Client *c = entry.second.get();
        if (!c->dead && c->opened && !c->path.directory && !c->path.server &&
            c->path.object == object.path)
            result.push_back(c);
    }
    return result;
}

void ServerPrivate::publish(const Object &object, const Client *writer, const QByteArray &delta,
                            const QByteArray &full)
{
    for (const auto &entry : clients) {
        Client *c = entry.second.get();
        if (c == writer || c->dead || !c->subscribes())
            continue;
        const bool watchesObject = !c->path.directory && c->path.object == object.path;
        const bool watchesDirectory = c->path.directory && c->path.object == object.parent;
        if (!watchesObject && !watchesDirectory)
            continue;
        if (!allowed(object, *c, ReadBit))
            continue;
        send(c, FrameData, c->path.delta ? delta : full);
    }
}

void ServerPrivate::send(Client *client, char type, const QByteArray &payload)
{
    if (client->dead)
        return;
    appendFrame(client->out, type, payload);
    flush(client);
    if (client->out.size() - client->outOffset > maxQueued) {
        qCWarning(lcPps, "Disconnecting a client that stopped reading (%lld bytes queued)",
                  static_cast<long long>(client->out.size() - client->outOffset));
        kill(client);
    }
}

void ServerPrivate::flush(Client *client)
{
    while (client->outOffset < client->out.size()) {
        const ssize_t n =
            ::send(client->fd, client->out.constData() + client->outOffset,
                   client->out.size() - client->outOffset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                kill(client);
            break;
        }
        client->outOffset += n;
    }
    const bool pending = client->outOffset < client->out.size();
    if (!pending) {
        client->out.clear();
        client->outOffset = 0;
    } else if (client->outOffset > 1024 * 1024) {
        client->out.remove(0, client->outOffset);
        client->outOffset = 0;
    }
    if (!client->dead && pending != client->pollingOut) {
        epoll_event ev{};
        ev.events = pending ? uint32_t(EPOLLIN | EPOLLOUT) : uint32_t(EPOLLIN);
        ev.data.fd = client->fd;
        epoll_ctl(epollFd, EPOLL_CTL_MOD, client->fd, &ev);
        client->pollingOut = pending;
    }
}

void ServerPrivate::answer(Client *client, int error, const QString &text)
{
    send(client, FrameAnswer, statusPayload(error, text));
}

void ServerPrivate::fail(Client *client, int error, const QString &text)
{
    appendFrame(client->out, FrameError, statusPayload(error, text));
    flush(client);
    kill(client);
}

void ServerPrivate::kill(Client *client)
{
    if (client->dead)
        return;
    client->dead = true;
    dying.push_back(client);
}

void ServerPrivate::reap()
{
    // Killing a client can kill others (a server's clients); keep going until nothing is left.
    while (!dying.empty()) {
        Client *client = dying.back();
        dying.pop_back();
        if (client->opened && !client->path.directory) {
            auto it = objects.find(client->path.object);
            if (it != objects.end() && it->second.control) {
                Object &object = it->second;
                if (object.server == client) {
                    object.server = nullptr;
                    const QString text = QStringLiteral("The server of %1 went away")
                                             .arg(QString::fromUtf8(object.path));
                    for (Client *c : clientsOf(object))
                        fail(c, ENOTCONN, text);
                } else if (object.server) {
                    const QByteArray gone = object.name + '.' + QByteArray::number(client->id);
                    send(object.server, FrameData, header('-', gone));
                }
            }
        }
        epoll_ctl(epollFd, EPOLL_CTL_DEL, client->fd, nullptr);
        ::close(client->fd);
        clients.erase(client->fd);
    }
}

void ServerPrivate::accept()
{
    for (;;) {
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        ucred credentials{};
        socklen_t length = sizeof credentials;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
            ::close(fd);
            continue;
        }
        addClient(fd, credentials.uid, credentials.gid);
    }
}

void ServerPrivate::addClient(int fd, uid_t uid, gid_t gid)
{
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->uid = uid;
    client->gid = gid;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev);
    clients[fd] = std::move(client);
}

void ServerPrivate::readFrom(Client *client)
{
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::recv(client->fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n == 0) {
            kill(client);
            break;
        }
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                kill(client);
            break;
        }
        client->in.append(buffer, n);
        if (n < qsizetype(sizeof buffer))
            break;
    }
    qsizetype offset = 0;
    Frame frame;
    // A write may carry at most one message; the header of a larger one is refused at once.
    const qsizetype limit = PpsObject::MaxMessageSize + 4096;
    while (!client->dead) {
        const int taken = takeFrame(client->in, &offset, &frame, limit);
        if (taken == 0)
            break;
        if (taken < 0) {
            fail(client, EMSGSIZE,
                 QStringLiteral("Message exceeds the limit of %1 bytes")
                     .arg(PpsObject::MaxMessageSize));
            break;
        }
        handle(client, frame);
    }
    client->in.remove(0, offset);
}

void ServerPrivate::handle(Client *client, const Frame &frame)
{
    switch (frame.type) {
    case FrameOpen:
        open(client, frame.payload);
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

void ServerPrivate::open(Client *client, const QByteArray &payload)
{
    if (client->opened)
        return answer(client, EISCONN, QStringLiteral("The handle is already open"));
    if (payload.size() < 4)
        return fail(client, EPROTO, QStringLiteral("Malformed open request"));
    uint32_t rawMode;
    std::memcpy(&rawMode, payload.constData(), sizeof rawMode);
    const PpsOpenMode::Types mode = PpsOpenMode::Types::fromInt(int(rawMode));
    Path path;
    QString why;
    if (!Path::parse(payload.mid(4), &path, &why))
        return answer(client, EINVAL, why);

    if (path.directory) {
        if (mode & (PpsOpenMode::Publish | PpsOpenMode::DeleteContents))
            return answer(client, EISDIR, QStringLiteral("A directory cannot be written"));
        client->opened = true;
        client->path = path;
        client->mode = mode;
        answer(client, 0, {});
        if (mode & PpsOpenMode::Subscribe) {
            QByteArray content;
            for (const auto &entry : objects) {
                const Object &o = entry.second;
                if (o.parent == path.object && !o.control && allowed(o, *client, ReadBit))
                    content.append(snapshot(o));
            }
            if (!content.isEmpty())
                send(client, FrameData, content);
        }
        return;
    }

    auto it = objects.find(path.object);
    Object *object = it == objects.end() ? nullptr : &it->second;
    const QString name = QString::fromUtf8(path.object);
    if (!object && !(mode & PpsOpenMode::Create))
        return answer(client, ENOENT, QStringLiteral("No PPS object %1").arg(name));
    if (object) {
        const bool reads = mode & PpsOpenMode::Subscribe;
        const bool writes = mode & (PpsOpenMode::Publish | PpsOpenMode::DeleteContents);
        if ((reads && !allowed(*object, *client, ReadBit)) ||
            (writes && !allowed(*object, *client, WriteBit)))
            return answer(client, EACCES, QStringLiteral("Permission denied on %1").arg(name));
    }

    if (path.server) {
        if (object && object->server)
            return answer(client, EBUSY, QStringLiteral("%1 already has a server").arg(name));
        if (!object)
            object = createObject(path.object, client->uid, client->gid);
        object->control = true;
        object->attributes.clear();
        object->server = client;
        client->opened = true;
        client->path = path;
        client->mode = mode;
        return answer(client, 0, {});
    }

    if (object && object->control && !object->server)
        return answer(client, ENOENT, QStringLiteral("No server holds %1").arg(name));
    bool created = false;
    if (!object) {
        object = createObject(path.object, client->uid, client->gid);
        created = true;
    }
    client->opened = true;
    client->path = path;
    client->mode = mode;
    client->id = nextClientId++;
    answer(client, 0, {});

    if (object->control) {
        send(object->server, FrameData,
             header('+', object->name + '.' + QByteArray::number(client->id)));
        return;
    }
    if (created)
        publish(*object, client, header('+', object->name), header('+', object->name));
    if ((mode & PpsOpenMode::DeleteContents) && !created) {
        object->attributes.clear();
        publish(*object, client, header('#', object->name), snapshot(*object));
    }
    if (mode & PpsOpenMode::Subscribe)
        send(client, FrameData, snapshot(*object));
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
    if (!object.control)
        applyWrite(object, client, payload);
    else if (object.server == client)
        routeFromServer(object, payload);
    else if (object.server)
        routeToServer(object, client, payload);
}

void ServerPrivate::applyWrite(Object &object, Client *writer, const QByteArray &text)
{
    QByteArray delta = header(0, object.name);
    const qsizetype emptyDelta = delta.size();
    forEachLine(text, [&](QByteArrayView l) {
        if (l.startsWith('@') || l.startsWith('+') || l.startsWith('#') || l.startsWith('*'))
            return; // headers name this object; marks are not written
        if (l.startsWith('-')) {
            if (object.attributes.remove(l.sliced(1).toByteArray()))
                delta.append(l).append('\n');
            return;
        }
        const qsizetype colon = l.indexOf(':');
        if (colon <= 0 || l.sliced(colon + 1).indexOf(':') < 0) {
            qCWarning(lcPps) << "Malformed attribute line dropped from a write to" << object.path;
            return;
        }
        object.attributes.insert(l.first(colon).toByteArray(), l.sliced(colon + 1).toByteArray());
        delta.append(l).append('\n');
    });
    if (delta.size() == emptyDelta)
        return;
    publish(object, writer, delta, snapshot(object));
}

void ServerPrivate::routeToServer(Object &object, Client *client, const QByteArray &text)
{
    QByteArray message = header(0, object.name + '.' + QByteArray::number(client->id));
    message.reserve(message.size() + text.size() + 1);
    forEachLine(text, [&](QByteArrayView l) {
        if (!l.startsWith('@')) // a client cannot speak for another object
            message.append(l).append('\n');
    });
    send(object.server, FrameData, message);
}

void ServerPrivate::routeFromServer(Object &object, const QByteArray &text)
{
    const std::vector<Client *> audience = clientsOf(object);
    const QByteArray prefix = object.name + '.';
    QByteArray block;
    bool toAll = true;
    int target = 0; // a client id; -1 for a block headed with another object's name
    auto deliver = [&] {
        if (block.isEmpty() || target < 0)
            return;
        const QByteArray message = header(0, object.name) + block;
        for (Client *c : audience) {
            if ((toAll || c->id == target) && (c->mode & PpsOpenMode::Subscribe))
                send(c, FrameData, message);
        }
        block.clear();
    };
    forEachLine(text, [&](QByteArrayView l) {
        if (l.startsWith('+') || l.startsWith('*') || l.startsWith('#') || l.startsWith("-@"))
            return;
        if (!l.startsWith('@')) {
            block.append(l).append('\n');
            return;
        }
        deliver();
        const QByteArrayView name = l.sliced(1);
        toAll = name == object.name;
        bool ok = false;
        target = name.startsWith(prefix) ? name.sliced(prefix.size()).toByteArray().toInt(&ok) : 0;
        if (!toAll && !ok)
            target = -1;
    });
    deliver();
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
    const int n = epoll_wait(epollFd, events, 64, timeoutMs);
    std::lock_guard<std::mutex> lock(mutex);
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
        auto it = clients.find(fd);
        if (it == clients.end() || it->second->dead)
            continue;
        Client *client = it->second.get();
        if (events[i].events & EPOLLOUT)
            flush(client);
        if (events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR))
            readFrom(client);
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
    const QByteArray native = QFile::encodeName(socketPath);
    sockaddr_un address{};
    if (native.size() >= qsizetype(sizeof address.sun_path))
        return fail(QStringLiteral("Socket path %1 is too long").arg(socketPath));
    const QString directory = QFileInfo(socketPath).absolutePath();
    if (!QFileInfo::exists(directory)) {
        if (!QDir().mkpath(directory))
            return fail(QStringLiteral("Cannot create %1").arg(directory));
        ::chmod(QFile::encodeName(directory).constData(), 0700);
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), native.size());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return fail(QString::fromLocal8Bit(strerror(errno)));
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        if (errno != EADDRINUSE) {
            const int e = errno;
            ::close(fd);
            return fail(QString::fromLocal8Bit(strerror(e)));
        }
        // A socket left by a server that died is replaced; a live one is not.
        const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool live =
            ::connect(probe, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
        ::close(probe);
        if (live) {
            ::close(fd);
            return fail(QStringLiteral("A PPS server already listens on %1").arg(socketPath));
        }
        ::unlink(native.constData());
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
            const int e = errno;
            ::close(fd);
            return fail(QString::fromLocal8Bit(strerror(e)));
        }
    }
    if (::listen(fd, 128) != 0) {
        const int e = errno;
        ::close(fd);
        return fail(QString::fromLocal8Bit(strerror(e)));
    }
    if (d->epollFd < 0 || d->wakeFds[0] < 0) {
        ::close(fd);
        return fail(QStringLiteral("Cannot set up the event loop"));
    }
    d->listenFd = fd;
    d->socketPath = socketPath;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    epoll_ctl(d->epollFd, EPOLL_CTL_ADD, fd, &ev);
    return true;
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
    d->addClient(fd, uid, gid);
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

qsizetype Server::maxQueuedBytes() const
{
    return d->maxQueued;
}

void Server::setMaxQueuedBytes(qsizetype bytes)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->maxQueued = bytes;
}

} // namespace qz::pps
