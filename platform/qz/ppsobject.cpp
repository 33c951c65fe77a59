#include <qz/ppsobject.h>

#include "../pps/ppspath.h"
#include "../pps/ppsprotocol.h"
#include "ppscodec_p.h"

#include <QAbstractEventDispatcher>
#include <QPointer>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qz {

using namespace qz::pps;

class PpsObjectPrivate
{
public:
    explicit PpsObjectPrivate(PpsObject *object, const QString &objectPath)
        : q(object)
        , path(objectPath)
    {}

    PpsObject *const q;
    const QString path;
    Path parsed;
    PpsOpenMode::Types mode;
    int fd = -1;
    mode_t creationMode = 0666;
    bool blocking = false;
    bool readyReadEnabled = true;
    bool lost = false;
    QByteArray in;
    std::deque<QByteArray> pending;
    std::deque<QByteArray> answers;
    QSocketNotifier *notifier = nullptr;
    int error = 0;
    QString errorString;

    bool fail(int code, const QString &text)
    {
        error = code;
        errorString = text;
        return false;
    }
    bool connectToServer();
    bool sendFrame(char type, const QByteArray &payload);
    qsizetype receive(int timeoutMs);
    bool awaitAnswer(int *code, QString *text);
    void onActivated();
    void shutdown();
};

bool PpsObjectPrivate::connectToServer()
{
    int code = 0;
    QString text;
    fd = pps::connectToServer(&code, &text);
    if (fd < 0)
        return fail(code, text);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    return true;
}

bool PpsObjectPrivate::sendFrame(char type, const QByteArray &payload)
{
    QByteArray frame;
    frame.reserve(payload.size() + FrameHeaderSize);
    appendFrame(frame, type, payload);
    qsizetype sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(fd, frame.constData() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n >= 0) {
            sent += n;
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, -1);
            continue;
        }
        lost = true;
        return fail(
            errno,
            QStringLiteral("Lost the PPS server: %1").arg(QString::fromLocal8Bit(strerror(errno))));
    }
    return true;
}

qsizetype PpsObjectPrivate::receive(int timeoutMs)
{
    if (fd < 0 || lost)
        return 0;
    const size_t before = pending.size() + answers.size();
    for (;;) {
        if (timeoutMs != 0) {
            // Waiting first spares a read that could only say "nothing yet".
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, timeoutMs) == 0)
                return 0;
        }
        char buffer[64 * 1024];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            in.append(buffer, n);
        } else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            if (!lost)
                fail(ECONNRESET, QStringLiteral("The PPS server closed the connection"));
            lost = true;
        }
        qsizetype offset = 0;
        Frame frame;
        int taken;
        while ((taken = takeFrame(in, &offset, &frame)) > 0) {
            if (frame.type == FrameData) {
                pending.push_back(std::move(frame.payload));
            } else if (frame.type == FrameAnswer) {
                answers.push_back(std::move(frame.payload));
            } else if (frame.type == FrameError) {
                int code = EPROTO;
                QString text;
                parseStatus(frame.payload, &code, &text);
                fail(code, text);
                lost = true;
            }
        }
        in.remove(0, offset);
        if (taken < 0) {
            lost = true;
            fail(EPROTO, QStringLiteral("Malformed data from the PPS server"));
        }
        const qsizetype added = qsizetype(pending.size() + answers.size() - before);
        if (lost || added > 0 || timeoutMs == 0)
            return added;
    }
}

bool PpsObjectPrivate::awaitAnswer(int *code, QString *text)
{
    while (answers.empty() && !lost) {
        if (receive(AnswerTimeoutMs) == 0 && !lost)
            return fail(ETIMEDOUT, QStringLiteral("The PPS server did not answer"));
    }
    if (answers.empty())
        return false;
    const QByteArray answer = answers.front();
    answers.pop_front();
    if (!parseStatus(answer, code, text))
        return fail(EPROTO, QStringLiteral("Malformed answer from the PPS server"));
    return true;
}

void PpsObjectPrivate::onActivated()
{
    const bool wasLost = lost;
    const qsizetype arrived = receive(0);
    if (lost && notifier)
        notifier->setEnabled(false);
    if (!readyReadEnabled)
        return;
    // One signal per change; one more when the connection drops so that readers learn of it.
    const qsizetype signals_ = arrived + ((lost && !wasLost) ? 1 : 0);
    QPointer<PpsObject> guard(q);
    for (qsizetype i = 0; i < signals_ && guard; ++i)
        Q_EMIT q->readyRead();
}

void PpsObjectPrivate::shutdown()
{
    delete notifier;
    notifier = nullptr;
    if (fd >= 0)
        ::close(fd);
    fd = -1;
    lost = false;
    in.clear();
    pending.clear();
    answers.clear();
}

PpsObject::PpsObject(const QString &path, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<PpsObjectPrivate>(this, path))
{}

PpsObject::~PpsObject()
{
    d->shutdown();
}

QString PpsObject::path() const
{
    return d->path;
}

bool PpsObject::open(PpsOpenMode::Types mode)
{
    if (d->fd >= 0)
        return d->fail(EBUSY, QStringLiteral("%1 is already open").arg(d->path));
    QString why;
    if (!Path::parse(d->path.toUtf8(), &d->parsed, &why))
        return d->fail(EINVAL, why);
    if (!d->connectToServer())
        return false;
    const uint32_t word = (uint32_t(mode.toInt()) & OpenFlagsMask) | OpenCreateModeGiven |
                          (uint32_t(d->creationMode) << OpenCreateModeShift);
    QByteArray payload(reinterpret_cast<const char *>(&word), sizeof word);
    payload.append(d->path.toUtf8());
    int code = 0;
    QString text;
    if (!d->sendFrame(FrameOpen, payload) || !d->awaitAnswer(&code, &text)) {
        const int e = d->error;
        const QString s = d->errorString;
        d->shutdown();
        return d->fail(e, s);
    }
    if (code != 0) {
        d->shutdown();
        return d->fail(code, text);
    }
    d->mode = mode;
    d->blocking = d->blocking || d->parsed.wait;
    d->error = 0;
    d->errorString.clear();
    // A thread without an event loop (a plain std::thread) can still read, blocking.
    if (!QAbstractEventDispatcher::instance())
        return true;
    d->notifier = new QSocketNotifier(qintptr(d->fd), QSocketNotifier::Read, this);
    connect(d->notifier, &QSocketNotifier::activated, this, [this] { d->onActivated(); });
    if (!d->pending.empty() && d->readyReadEnabled) {
        // Content that came with the answer: announce it from the event loop, as any other.
        QMetaObject::invokeMethod(
            this,
            [this, count = d->pending.size()] {
                // What was read in the meantime needs no announcement.
                QPointer<PpsObject> guard(this);
                const size_t unread = std::min(count, d->pending.size());
                for (size_t i = 0; i < unread && guard && d->readyReadEnabled; ++i)
                    Q_EMIT readyRead();
            },
            Qt::QueuedConnection);
    }
    return true;
}

void PpsObject::setCreationMode(mode_t mode)
{
    d->creationMode = mode & 0777;
}

mode_t PpsObject::creationMode() const
{
    return d->creationMode;
}

bool PpsObject::isOpen() const
{
    return d->fd >= 0;
}

void PpsObject::close()
{
    d->shutdown();
}

QByteArray PpsObject::read(bool *ok)
{
    if (ok)
        *ok = false;
    if (d->fd < 0) {
        d->fail(EBADF, QStringLiteral("%1 is not open").arg(d->path));
        return {};
    }
    if (d->pending.empty())
        d->receive(d->blocking ? -1 : 0);
    if (d->pending.empty()) {
        if (!d->lost)
            d->fail(EAGAIN, QStringLiteral("No change to read"));
        return {};
    }
    QByteArray data = std::move(d->pending.front());
    d->pending.pop_front();
    if (ok)
        *ok = true;
    return data;
}

bool PpsObject::write(const QByteArray &data)
{
    if (d->fd < 0)
        return d->fail(EBADF, QStringLiteral("%1 is not open").arg(d->path));
    if (!(d->mode & PpsOpenMode::Publish) || d->parsed.directory)
        return d->fail(EBADF, QStringLiteral("%1 is not open for publishing").arg(d->path));
    if (data.size() > MaxMessageSize)
        return d->fail(EMSGSIZE,
                       QStringLiteral("A message of %1 bytes exceeds the PPS limit of %2 bytes")
                           .arg(data.size())
                           .arg(MaxMessageSize));
    if (d->lost)
        return d->fail(ECONNRESET, QStringLiteral("The PPS server closed the connection"));
    return d->sendFrame(FrameWrite, data);
}

int PpsObject::writeMessage(const QString &msg, const QString &id, const QVariantMap &dat)
{
    QByteArray text;
    if (!pps::encodeAttribute(text, QStringLiteral("msg"), msg) ||
        !pps::encodeAttribute(text, QStringLiteral("id"), id) ||
        !pps::encodeAttribute(text, QStringLiteral("dat"), dat)) {
        d->fail(EINVAL, QStringLiteral("The message cannot be encoded"));
        return EINVAL;
    }
    return write(text) ? 0 : d->error;
}

int PpsObject::writeMessage(const QVariantMap &message)
{
    bool ok = false;
    const QByteArray text = encode(message, &ok);
    if (!ok) {
        d->fail(EINVAL, QStringLiteral("The message cannot be encoded"));
        return EINVAL;
    }
    return write(text) ? 0 : d->error;
}

bool PpsObject::remove()
{
    if (d->fd < 0)
        return d->fail(EBADF, QStringLiteral("%1 is not open").arg(d->path));
    int code = 0;
    QString text;
    if (!d->sendFrame(FrameRemove, {}) || !d->awaitAnswer(&code, &text))
        return false;
    return code == 0 || d->fail(code, text);
}

bool PpsObject::isBlocking() const
{
    return d->blocking;
}

void PpsObject::setBlocking(bool blocking)
{
    d->blocking = blocking;
}

bool PpsObject::isReadyReadEnabled() const
{
    return d->readyReadEnabled;
}

void PpsObject::setReadyReadEnabled(bool enabled)
{
    d->readyReadEnabled = enabled;
}

int PpsObject::error() const
{
    return d->error;
}

QString PpsObject::errorString() const
{
    return d->errorString;
}

QByteArray PpsObject::encode(const QVariantMap &map, bool *ok)
{
    QByteArray text;
    const bool encoded = pps::encodeMap(text, map);
    if (ok)
        *ok = encoded;
    return encoded ? text : QByteArray();
}

QVariantMap PpsObject::decode(const QByteArray &text, bool *ok)
{
    return pps::decode(text, ok);
}

PpsAttributeMap PpsObject::decodeWithFlags(const QByteArray &text, bool *ok)
{
    return pps::decodeWithFlags(text, ok);
}

} // namespace qz
