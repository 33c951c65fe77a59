#include "ppsconnection_p.h"

#include "../pps/ppsprotocol.h"

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

PpsConnection::~PpsConnection()
{
    if (m_notifier) {
        // The last handle may go on another thread than the one whose loop watches the socket.
        if (m_notifier->thread() == QThread::currentThread())
            delete m_notifier;
        else
            m_notifier->deleteLater();
    }
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
    char buffer[64 * 1024];
    const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
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
    int taken;
    while (!m_lost && (taken = takeFrame(m_in, &offset, &frame)) > 0)
        dispatch(frame.type, frame.payload);
    m_in.remove(0, offset);
    if (!m_lost && taken < 0)
        loseAll(EPROTO, QStringLiteral("Malformed data from the PPS server"));
    return true;
}

void PpsConnection::dispatch(char type, const QByteArray &payload)
{
    if (type == FrameError) {
        int code = EPROTO;
        QString text;
        parseStatus(payload, &code, &text);
        return loseAll(code, text);
    }
    uint32_t handle = 0;
    if ((type != HandleData && type != HandleAnswer && type != HandleError) ||
        !takeHandle(payload, &handle))
        return loseAll(EPROTO, QStringLiteral("Malformed data from the PPS server"));
    QByteArray body = payload.sliced(sizeof handle);
    if (type == HandleData)
        return deliver(handle, std::move(body));
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
    qCWarning(lcPps, "Closing a handle that stopped reading (%lld bytes unread)",
              static_cast<long long>(behind));
    state->pending.clear();
    state->pendingBytes = 0;
    state->unannounced = 0;
    send(HandleClose, handle, {}, state);
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
    m_lost = true;
    if (m_notifier)
        m_notifier->setEnabled(false);
    for (auto it = m_handles.cbegin(); it != m_handles.cend(); ++it) {
        if (!it.value()->lost)
            end(it.key(), it.value(), code, text);
    }
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
