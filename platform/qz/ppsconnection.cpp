#include "ppsconnection_p.h"

#include "../pps/ppsprotocol.h"
#include "../pps/ppsrouting.h"

#include <qz/ppsobject.h>

#include <QAbstractEventDispatcher>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qz {

using namespace qz::pps;

void PpsHandleState::takeFront(QByteArray *data)
{
    *data = std::move(pending.front());
    pending.pop_front();
    pendingBytes -= data->size();
    // A change read before its signal needs no signal.
    unannounced = std::min(unannounced, qsizetype(pending.size()));
}

void PpsHandleState::announce()
{
    announceQueued = false;
    QPointer<PpsObject> guard(q);
    // The guard comes first: a slot may delete the handle, and this state with it.
    while (guard && (unannounced > 0 || lossUnannounced)) {
        if (!readyReadEnabled) {
            unannounced = 0;
            lossUnannounced = false;
            return;
        }
        if (unannounced > 0)
            --unannounced;
        else
            lossUnannounced = false;
        Q_EMIT q->readyRead();
    }
}

std::shared_ptr<PpsConnection> PpsConnection::forThisThread(int *error, QString *text)
{
    // Lives as long as the thread or the last handle on it, whichever ends later.
    thread_local std::shared_ptr<PpsConnection> current;
    const QString socketPath = pps::defaultSocketPath();
    if (current && current->isUsable(socketPath))
        return current;
    const int fd = pps::connectToServer(error, text);
    if (fd < 0)
        return nullptr;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    // The handles still on the previous connection keep it until they learn its end.
    current.reset(new PpsConnection);
    current->m_fd = fd;
    current->m_socketPath = socketPath;
    return current;
}

bool PpsConnection::isUsable(const QString &socketPath) const
{
    if (m_lost || socketPath != m_socketPath)
        return false;
    // A server that went away since the last read must not take the next open with it.
    pollfd p{m_fd, POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 0;
}

std::shared_ptr<PpsConnection> PpsConnection::link(int fd, Role role, PpsHandleState *state,
                                                   int clientId, bool subscribes)
{
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::shared_ptr<PpsConnection> link(new PpsConnection);
    link->m_fd = fd;
    link->m_role = role;
    link->m_peer = state;
    link->m_clientId = clientId;
    link->m_subscribes = subscribes || role == ClientEnd;
    link->attach(state);
    return link;
}

PpsConnection::~PpsConnection()
{
    for (QSocketNotifier *notifier : {m_notifier, m_writable}) {
        // The last handle may go on another thread than the one whose loop watches the socket.
        if (notifier && notifier->thread() == QThread::currentThread())
            delete notifier;
        else if (notifier)
            notifier->deleteLater();
    }
    for (const int fd : m_fds)
        ::close(fd);
    if (m_fd >= 0)
        ::close(m_fd);
}

uint32_t PpsConnection::attach(PpsHandleState *state)
{
    // A thread without an event loop (a plain std::thread) still reads, blocking.
    if (!m_notifier && !m_lost && QAbstractEventDispatcher::instance()) {
        m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier,
                         [this] { onActivated(); });
    }
    const uint32_t handle = ++m_lastHandle;
    m_handles.insert(handle, state);
    return handle;
}

void PpsConnection::detach(uint32_t handle, bool tellServer)
{
    PpsHandleState *state = m_handles.take(handle);
    if (state == m_peer)
        m_peer = nullptr;
    if (state && tellServer && !state->lost && !m_lost)
        send(HandleClose, handle, {}, state);
}

bool PpsConnection::send(char type, uint32_t handle, const QByteArray &payload,
                         PpsHandleState *state)
{
    if (m_lost)
        return state->fail(state->error ? state->error : ECONNRESET,
                           state->error ? state->errorString
                                        : QStringLiteral("The PPS server closed the connection"));
    QByteArray frame;
    appendHandleFrame(frame, type, handle, payload.constData(), payload.size());
    qsizetype sent = 0;
    while (sent < frame.size()) {
        const ssize_t n =
            ::send(m_fd, frame.constData() + sent, size_t(frame.size() - sent), MSG_NOSIGNAL);
        if (n >= 0) {
            sent += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd p{m_fd, POLLOUT, 0};
            ::poll(&p, 1, -1);
            continue;
        }
        const QString text =
            QStringLiteral("Lost the PPS server: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        const int code = errno;
        loseAll(code, text);
        return state->fail(code, text);
    }
    return true;
}

bool PpsConnection::pump(int timeoutMs)
{
    const bool read = receive(timeoutMs);
    scheduleAnnouncements();
    return read;
}

bool PpsConnection::receive(int timeoutMs)
{
    if (m_lost)
        return false;
    if (timeoutMs != 0) {
        // Waiting first spares a read that could only say "nothing yet".
        pollfd p{m_fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, timeoutMs);
        if (ready == 0)
            return false;
        if (ready < 0)
            return errno == EINTR;
    }
    if (!m_out.isEmpty())
        flushOut();
    if (m_lost)
        return true;
    char buffer[64 * 1024];
    iovec data{buffer, sizeof buffer};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 8)] = {};
    msghdr message{};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    // Only the thread's connection to the PPS server is trusted with descriptors.
    if (m_role == Shared) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    const ssize_t n = ::recvmsg(m_fd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
    for (cmsghdr *c = n >= 0 && message.msg_controllen ? CMSG_FIRSTHDR(&message) : nullptr; c;
         c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS)
            continue;
        const size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
        for (size_t i = 0; i < count; ++i) {
            int fd;
            std::memcpy(&fd, CMSG_DATA(c) + i * sizeof(int), sizeof fd);
            m_fds.push_back(fd);
        }
    }
    if (n > 0) {
        m_in.append(buffer, n);
    } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        loseAll(ECONNRESET, QStringLiteral("The PPS server closed the connection"));
        return true;
    } else {
        return false;
    }
    qsizetype offset = 0;
    Frame frame;
    int taken = 0;
    // Over a link a frame holds one message, as a write to the PPS server does.
    const qsizetype limit = m_role == Shared ? MaxFrameSize : PpsObject::MaxMessageSize + 4096;
    while (!m_lost && (taken = takeFrame(m_in, &offset, &frame, limit)) > 0)
        dispatch(frame.type, frame.payload);
    m_in.remove(0, offset);
    if (!m_lost && taken < 0)
        loseAll(EPROTO, QStringLiteral("Malformed data from the PPS server"));
    return true;
}

void PpsConnection::dispatch(char type, const QByteArray &payload)
{
    if (m_role != Shared) {
        // A link carries the other end's messages for handle 1, and nothing else.
        uint32_t handle = 0;
        const char expected = m_role == ServerEnd ? HandleWrite : HandleData;
        if (type != expected || !takeHandle(payload, &handle) || handle != 1)
            return loseAll(EPROTO, QStringLiteral("Malformed data on a link"));
        QByteArray body = payload.sliced(sizeof handle);
        if (m_role == ClientEnd)
            return deliver(1, std::move(body));
        // The PPS server disconnects a client writing more than a message; so does its server.
        if (body.size() > PpsObject::MaxMessageSize)
            return unlink();
        if (m_peer)
            deliver(1, clientMessage(m_peer->objectName, m_clientId, body));
        return;
    }
    if (type == FrameError) {
        int code = EPROTO;
        QString text;
        parseStatus(payload, &code, &text);
        return loseAll(code, text);
    }
    uint32_t handle = 0;
    if ((type != HandleData && type != HandleAnswer && type != HandleError && type != HandleLink) ||
        !takeHandle(payload, &handle))
        return loseAll(EPROTO, QStringLiteral("Malformed data from the PPS server"));
    QByteArray body = payload.sliced(sizeof handle);
    if (type == HandleData)
        return deliver(handle, std::move(body));
    if (type == HandleLink)
        return linkArrived(handle, m_handles.value(handle), body);
    // Whatever comes for a handle closed meanwhile is no one's.
    PpsHandleState *state = m_handles.value(handle);
    if (!state || state->lost)
        return;
    if (type == HandleAnswer)
        return state->answers.push_back(std::move(body));
    int code = EPROTO;
    QString text;
    parseStatus(body, &code, &text);
    end(handle, state, code, text);
}

void PpsConnection::deliver(uint32_t handle, QByteArray data)
{
    PpsHandleState *state = m_handles.value(handle);
    if (!state || state->lost)
        return;
    state->pendingBytes += data.size();
    state->pending.push_back(std::move(data));
    ++state->unannounced;
    touch(handle);
    // The limit the server keeps for a connection, kept here for each handle: one handle that is
    // never read must not hold its thread's others hostage, nor grow without bound.
    const qsizetype behind = state->pendingBytes - state->pending.front().size();
    if (behind <= PpsObject::MaxUnreadSize)
        return;
    if (m_role == ServerEnd) {
        // A client flooding its server over a link loses the link, not the server its handle.
        state->pendingBytes -= state->pending.back().size();
        state->pending.pop_back();
        state->unannounced = std::min(state->unannounced, qsizetype(state->pending.size()));
        qCWarning(lcPps, "Dropping a client whose server is %lld bytes behind",
                  static_cast<long long>(behind));
        return unlink();
    }
    qCWarning(lcPps, "Closing a handle that stopped reading (%lld bytes unread)",
              static_cast<long long>(behind));
    state->pending.clear();
    state->pendingBytes = 0;
    state->unannounced = 0;
    if (m_role == Shared)
        send(HandleClose, handle, {}, state);
    else
        ::shutdown(m_fd, SHUT_RDWR); // the server learns it from its end
    end(handle, state, ENOBUFS,
        QStringLiteral("Disconnected for not reading: %1 bytes were waiting").arg(behind));
}

void PpsConnection::end(uint32_t handle, PpsHandleState *state, int code, const QString &text)
{
    state->fail(code, text);
    state->lost = true;
    state->lossUnannounced = true;
    touch(handle);
}

void PpsConnection::loseAll(int code, const QString &text)
{
    if (m_role == ServerEnd)
        return unlink();
    // A link's end closing is its server going away, and is told as the PPS server tells it.
    const bool serverGone = m_role == ClientEnd && code != EPROTO && code != ENOBUFS && m_peer;
    const int reason = serverGone ? ENOTCONN : code;
    const QString why = serverGone ? QStringLiteral("The server of %1 went away")
                                         .arg(QString::fromUtf8(m_peer->objectPath))
                                   : text;
    m_lost = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    for (auto it = m_handles.cbegin(); it != m_handles.cend(); ++it) {
        if (!it.value()->lost)
            end(it.key(), it.value(), reason, why);
    }
}

void PpsConnection::linkArrived(uint32_t handle, PpsHandleState *state, const QByteArray &body)
{
    if (m_fds.empty()) {
        // Out of descriptors, the kernel dropped it (and so closed the other end). A client's open
        // fails; a server never hears of the client, whose link reports its server gone.
        qCWarning(lcPps, "A link came without its descriptor");
        if (state && !state->lost && !state->serving) {
            state->answers.push_back(
                statusPayload(EMFILE, QStringLiteral("No descriptor left for the link")));
            send(HandleClose, handle, {}, state);
        }
        return;
    }
    const int fd = m_fds.front();
    m_fds.pop_front();
    if (!state || state->lost) {
        ::close(fd);
        return;
    }
    if (!state->serving) {
        if (state->linkFd >= 0)
            ::close(state->linkFd);
        state->linkFd = fd;
        state->answers.push_back(statusPayload(0, {}));
        return;
    }
    uint32_t clientId = 0;
    uint32_t mode = 0;
    if (body.size() != 2 * qsizetype(sizeof(uint32_t))) {
        ::close(fd);
        return loseAll(EPROTO, QStringLiteral("Malformed data from the PPS server"));
    }
    std::memcpy(&clientId, body.constData(), sizeof clientId);
    std::memcpy(&mode, body.constData() + sizeof clientId, sizeof mode);
    const bool subscribes = PpsOpenMode::Types::fromInt(int(mode)) & PpsOpenMode::Subscribe;
    // The arrival is told before anything the client sends over the link can be read.
    state->links[int(clientId)] = link(fd, ServerEnd, state, int(clientId), subscribes);
    deliver(handle, "+@" + state->objectName + '.' + QByteArray::number(clientId) + '\n');
}

void PpsConnection::unlink()
{
    if (m_lost)
        return;
    m_lost = true;
    for (QSocketNotifier *notifier : {m_notifier, m_writable}) {
        if (notifier)
            notifier->setEnabled(false);
    }
    ::shutdown(m_fd, SHUT_RDWR);
    PpsHandleState *server = m_peer;
    if (!server)
        return;
    if (!server->lost)
        deliver(1, "-@" + server->objectName + '.' + QByteArray::number(m_clientId) + '\n');
    // Told from the event loop: the handle is no longer this link's to announce.
    scheduleAnnouncements();
    detach(1, false);
    // Whoever called holds this connection; the server's handle lets it go.
    server->links.erase(m_clientId);
}

bool PpsConnection::sendOnLink(const QByteArray &message)
{
    if (m_lost || !m_subscribes)
        return !m_lost;
    const std::shared_ptr<PpsConnection> keep = shared_from_this();
    appendHandleFrame(m_out, m_role == ServerEnd ? HandleData : HandleWrite, 1, message.constData(),
                      message.size());
    flushOut();
    if (m_lost || m_out.isEmpty())
        return !m_lost;
    if (m_out.size() > PpsObject::MaxUnreadSize) {
        qCWarning(lcPps, "Dropping a link whose other end stopped reading (%lld bytes unsent)",
                  static_cast<long long>(m_out.size()));
        if (m_role == ServerEnd) {
            unlink();
            return false;
        }
        m_out.clear();
        ::shutdown(m_fd, SHUT_RDWR);
        loseAll(ENOBUFS, QStringLiteral("The server of %1 stopped reading")
                             .arg(QString::fromUtf8(m_peer ? m_peer->objectPath : QByteArray())));
        return false;
    }
    if (!m_writable && QAbstractEventDispatcher::instance()) {
        m_writable = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Write);
        QObject::connect(m_writable, &QSocketNotifier::activated, m_writable, [this] {
            const std::shared_ptr<PpsConnection> self = shared_from_this();
            flushOut();
        });
    }
    if (m_writable)
        m_writable->setEnabled(true);
    return true;
}

void PpsConnection::flushOut()
{
    while (!m_out.isEmpty()) {
        const ssize_t n =
            ::send(m_fd, m_out.constData(), size_t(m_out.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            m_out.remove(0, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        m_out.clear();
        if (m_role != ServerEnd)
            return loseAll(ECONNRESET, {});
        // The client left: what it sent before leaving is still to be read, then its departure.
        while (!m_lost && receive(0)) {
        }
        return unlink();
    }
    if (m_writable)
        m_writable->setEnabled(false);
}

void PpsConnection::touch(uint32_t handle)
{
    if (std::find(m_touched.begin(), m_touched.end(), handle) == m_touched.end())
        m_touched.push_back(handle);
}

void PpsConnection::scheduleAnnouncements()
{
    if (m_touched.empty())
        return;
    // Read while some handle waited: announced from the event loop, as the socket no longer is.
    const bool loop = QAbstractEventDispatcher::instance() != nullptr;
    for (const uint32_t handle : m_touched) {
        PpsHandleState *state = m_handles.value(handle);
        if (!loop || !state || state->announceQueued)
            continue;
        state->announceQueued = true;
        QMetaObject::invokeMethod(
            state->q, [state] { state->announce(); }, Qt::QueuedConnection);
    }
    m_touched.clear();
}

void PpsConnection::onActivated()
{
    // A slot may drop the last handle holding this connection.
    const std::shared_ptr<PpsConnection> keep = shared_from_this();
    receive(0);
    std::vector<uint32_t> touched;
    touched.swap(m_touched);
    for (const uint32_t handle : touched) {
        PpsHandleState *state = m_handles.value(handle);
        if (state && !state->announceQueued)
            state->announce();
    }
}

} // namespace qz
