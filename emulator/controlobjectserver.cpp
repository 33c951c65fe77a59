#include "controlobjectserver.h"

#include <qz/PpsObject>

#include <cerrno>

class ControlObjectServerPrivate
{
public:
    ControlObjectServerPrivate(ControlObjectServer *owner, const QString &path);

    void onReadyRead();
    void dispatch(const QByteArray &text);
    int clientIdOf(const QString &blockName) const;

    ControlObjectServer *const q;
    const QString path;
    const QString name;
    qz::PpsObject object;
};

ControlObjectServerPrivate::ControlObjectServerPrivate(ControlObjectServer *owner, const QString &p)
    : q(owner)
    , path(p)
    , name(p.mid(p.lastIndexOf(u'/') + 1))
    , object(p + QStringLiteral("?server"))
{}

int ControlObjectServerPrivate::clientIdOf(const QString &blockName) const
{
    const QString prefix = u'@' + name + u'.';
    if (!blockName.startsWith(prefix))
        return 0;
    bool ok = false;
    const int id = QStringView(blockName).mid(prefix.size()).toInt(&ok);
    return ok && id > 0 ? id : 0;
}

void ControlObjectServerPrivate::onReadyRead()
{
    bool ok = false;
    const QByteArray text = object.read(&ok);
    if (ok) {
        dispatch(text);
    } else if (object.error() != EAGAIN) {
        Q_EMIT q->lost(QStringLiteral("%1: %2").arg(path, object.errorString()));
    }
}

void ControlObjectServerPrivate::dispatch(const QByteArray &text)
{
    bool ok = false;
    const qz::PpsAttributeMap blocks = qz::PpsObject::decodeWithFlags(text, &ok);
    if (!ok) {
        // The first line still names the client even when the rest is garbage.
        const QByteArray header = text.left(text.indexOf('\n'));
        Q_EMIT q->unreadableRequest(clientIdOf(QString::fromUtf8(header)), text);
        return;
    }
    for (auto it = blocks.cbegin(); it != blocks.cend(); ++it) {
        const int clientId = clientIdOf(it.key());
        const qz::PpsAttributeFlag::Types flags = it.value().flags();
        if (clientId == 0 || !it.value().isMap()) {
            Q_EMIT q->unreadableRequest(clientId, text);
        } else if (flags & qz::PpsAttributeFlag::Created) {
            Q_EMIT q->clientArrived(clientId);
        } else if (flags & qz::PpsAttributeFlag::Deleted) {
            Q_EMIT q->clientLeft(clientId);
        } else {
            Q_EMIT q->requestReceived(clientId, it.value().toVariant().toMap());
        }
    }
}

ControlObjectServer::ControlObjectServer(const QString &path, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<ControlObjectServerPrivate>(this, path))
{
    connect(&d->object, &qz::PpsObject::readyRead, this, [this] { d->onReadyRead(); });
}

ControlObjectServer::~ControlObjectServer() = default;

QString ControlObjectServer::path() const
{
    return d->path;
}

QString ControlObjectServer::name() const
{
    return d->name;
}

void ControlObjectServer::setCreationMode(mode_t mode)
{
    d->object.setCreationMode(mode);
}

bool ControlObjectServer::open(QString *error)
{
    if (d->object.open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create))
        return true;
    if (error)
        *error = QStringLiteral("cannot serve %1: %2").arg(d->path, d->object.errorString());
    return false;
}

bool ControlObjectServer::reply(int clientId, const QVariantMap &message)
{
    const QString block = u'@' + d->name + u'.' + QString::number(clientId);
    bool ok = false;
    const QByteArray text = qz::PpsObject::encode({{block, message}}, &ok);
    return ok && d->object.write(text);
}

bool ControlObjectServer::broadcast(const QVariantMap &message)
{
    bool ok = false;
    const QByteArray text = qz::PpsObject::encode({{u'@' + d->name, message}}, &ok);
    return ok && d->object.write(text);
}
