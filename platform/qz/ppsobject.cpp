#include <qz/ppsobject.h>

#include "../pps/ppspath.h"
#include "../pps/ppsprotocol.h"
#include "../pps/ppsrouting.h"
#include "ppscodec_p.h"
#include "ppsconnection_p.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace qz {

using namespace qz::pps;

class PpsObjectPrivate : public PpsHandleState
{
public:
    explicit PpsObjectPrivate(PpsObject *object, const QString &pathWithSuffixes)
        : PpsHandleState(object)
        , path(pathWithSuffixes)
    {}

    const QString path;
    Path parsed;
    PpsOpenMode::Types mode;
    std::shared_ptr<PpsConnection> connection;
    std::shared_ptr<PpsConnection> link; // to the control object's server, when it has one
    uint32_t handle = 0;
    mode_t creationMode = 0666;
    bool blocking = false;

    bool isOpen() const { return connection != nullptr; }
    bool send(char type, const QByteArray &payload)
    {
        return connection->send(type, handle, payload, this);
    }
    bool awaitAnswer(int *code, QString *text);
    bool pump(int timeoutMs);
    bool writeAsServer(const QByteArray &data);
    void shutdown(bool tellServer = true);
};

bool PpsObjectPrivate::pump(int timeoutMs)
{
    if (!link && links.empty())
        return connection->pump(timeoutMs);
    // What this handle reads may come over its link or its server's links as well.
    std::vector<std::shared_ptr<PpsConnection>> all{connection};
    if (link)
        all.push_back(link);
    for (const auto &entry : links)
        all.push_back(entry.second);
    std::vector<pollfd> fds;
    for (const auto &c : all)
        fds.push_back(pollfd{c->fd(), short(c->hasUnsent() ? POLLIN | POLLOUT : POLLIN), 0});
    if (::poll(fds.data(), nfds_t(fds.size()), timeoutMs) <= 0)
        return false;
    for (size_t i = 0; i < all.size(); ++i) {
        if (fds[i].revents)
            all[i]->pump(0);
    }
    return true;
}

bool PpsObjectPrivate::writeAsServer(const QByteArray &data)
{
    // Linked clients hear it over their links; the PPS server relays the rest as it would.
    const std::map<int, std::shared_ptr<PpsConnection>> linked = links;
    const QByteArray head = '@' + objectName;
    QByteArray relayed;
    splitServerWrite(objectName, data, [&](int target, const QByteArray &lines) {
        const auto it = linked.find(target);
        if (target == EveryClient) {
            const QByteArray message = head + '\n' + lines;
            for (const auto &entry : linked)
                entry.second->sendOnLink(message);
            relayed += message;
        } else if (it != linked.end()) {
            it->second->sendOnLink(head + '\n' + lines);
        } else {
            relayed += head + '.' + QByteArray::number(target) + '\n' + lines;
        }
    });
    return relayed.isEmpty() || send(HandleWrite, relayed);
}

bool PpsObjectPrivate::awaitAnswer(int *code, QString *text)
{
    // Other handles' traffic may keep the socket busy; the limit is on this answer.
    QDeadlineTimer deadline(AnswerTimeoutMs);
    while (answers.empty() && !lost) {
        if (deadline.hasExpired())
            return fail(ETIMEDOUT, QStringLiteral("The PPS server did not answer"));
        connection->pump(int(deadline.remainingTime()));
    }
    if (answers.empty())
        return false;
    const QByteArray answer = answers.front();
    answers.pop_front();
    if (!parseStatus(answer, code, text))
        return fail(EPROTO, QStringLiteral("Malformed answer from the PPS server"));
    return true;
}

void PpsObjectPrivate::shutdown(bool tellServer)
{
    // Closing a link is leaving it: the other end tells its side.
    if (link)
        link->detach(1, false);
    link.reset();
    for (const auto &entry : links)
        entry.second->detach(1, false);
    links.clear();
    if (linkFd >= 0)
        ::close(linkFd);
    linkFd = -1;
    if (connection)
        connection->detach(handle, tellServer);
    connection.reset();
    handle = 0;
    lost = false;
    pending.clear();
    pendingBytes = 0;
    answers.clear();
    unannounced = 0;
    lossUnannounced = false;
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
    if (d->isOpen())
        return d->fail(EBUSY, QStringLiteral("%1 is already open").arg(d->path));
    QString why;
    if (!Path::parse(d->path.toUtf8(), &d->parsed, &why))
        return d->fail(EINVAL, why);
    int code = 0;
    QString text;
    d->connection = PpsConnection::forThisThread(&code, &text);
    if (!d->connection)
        return d->fail(code, text);
    d->serving = d->parsed.server;
    d->objectPath = d->parsed.object;
    d->objectName = d->parsed.object.mid(d->parsed.object.lastIndexOf('/') + 1);
    d->handle = d->connection->attach(d.get());
    const uint32_t word = (uint32_t(mode.toInt()) & OpenFlagsMask) | OpenCreateModeGiven |
                          (uint32_t(d->creationMode) << OpenCreateModeShift);
    QByteArray payload(reinterpret_cast<const char *>(&word), sizeof word);
    payload.append(d->path.toUtf8());
    const bool answered = d->send(HandleOpen, payload) && d->awaitAnswer(&code, &text);
    if (!answered || code != 0) {
        const int e = answered ? code : d->error;
        const QString s = answered ? text : d->errorString;
        // A refused open leaves no handle on the server; one that was never answered might.
        d->shutdown(!answered);
        return d->fail(e, s);
    }
    if (d->linkFd >= 0) {
        d->link = PpsConnection::link(d->linkFd, PpsConnection::ClientEnd, d.get());
        d->linkFd = -1;
    }
    d->mode = mode;
    d->blocking = d->blocking || d->parsed.wait;
    d->error = 0;
    d->errorString.clear();
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
    return d->isOpen();
}

void PpsObject::close()
{
    d->shutdown();
}

QByteArray PpsObject::read(bool *ok)
{
    if (ok)
        *ok = false;
    if (!d->isOpen()) {
        d->fail(EBADF, QStringLiteral("%1 is not open").arg(d->path));
        return {};
    }
    if (d->pending.empty())
        d->pump(0);
    while (d->blocking && d->pending.empty() && !d->lost)
        d->pump(-1);
    if (d->pending.empty()) {
        if (!d->lost)
            d->fail(EAGAIN, QStringLiteral("No change to read"));
        return {};
    }
    QByteArray data;
    d->takeFront(&data);
    if (ok)
        *ok = true;
    return data;
}

bool PpsObject::write(const QByteArray &data)
{
    if (!d->isOpen())
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
    if (d->link)
        return d->link->sendOnLink(data) ||
               d->fail(d->error ? d->error : ECONNRESET,
                       d->error ? d->errorString
                                : QStringLiteral("The PPS server closed the connection"));
    if (!d->links.empty())
        return d->writeAsServer(data);
    return d->send(HandleWrite, data);
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
    if (!d->isOpen())
        return d->fail(EBADF, QStringLiteral("%1 is not open").arg(d->path));
    int code = 0;
    QString text;
    if (d->lost || !d->send(HandleRemove, {}) || !d->awaitAnswer(&code, &text))
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
