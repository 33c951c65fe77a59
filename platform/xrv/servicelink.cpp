#include "servicelink_p.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QThread>

#include <cerrno>

namespace qz::platform {

Q_DECLARE_LOGGING_CATEGORY(lcBackend)

ServiceLink::ServiceLink(const char *service, const QString &path)
    : m_service(service)
    , m_path(path)
{}

ServiceLink::~ServiceLink()
{
    // Not drop(): the backend goes with the link, so nobody is left to tell.
    delete m_object.data();
}

bool ServiceLink::isForeign() const
{
    return m_object && m_object->thread() != QThread::currentThread();
}

bool ServiceLink::connect(bool *opened)
{
    if (opened)
        *opened = false;
    if (isOpen())
        return true;
    drop();
    if (!QCoreApplication::instance())
        return false;
    auto *candidate = new PpsObject(m_path);
    if (!candidate->open(PpsOpenMode::PublishSubscribe)) {
        delete candidate;
        return false;
    }
    m_object = candidate;
    QObject::connect(candidate, &PpsObject::readyRead, candidate, [this] { read(); });
    qCDebug(lcBackend, "%s: connected to the device's %s service", m_service, m_service);
    if (opened)
        *opened = true;
    return true;
}

void ServiceLink::drop()
{
    if (!m_object)
        return;
    m_object->deleteLater();
    m_object = nullptr;
    if (onDropped)
        onDropped();
}

bool ServiceLink::send(const QString &msg, const QVariantMap &dat)
{
    if (!m_object)
        return false;
    if (m_object->writeMessage({{QStringLiteral("msg"), msg}, {QStringLiteral("dat"), dat}}) != 0) {
        qCWarning(lcBackend).noquote()
            << QStringLiteral("%1: cannot write %2 to the device: %3")
                   .arg(QLatin1String(m_service), msg, m_object->errorString());
        drop();
        return false;
    }
    return true;
}

void ServiceLink::read()
{
    if (!m_object)
        return;
    bool ok = false;
    const QByteArray text = m_object->read(&ok);
    if (!ok) {
        if (m_object->error() != EAGAIN) {
            qCDebug(lcBackend, "%s: the device's %s service went away", m_service, m_service);
            drop();
        }
        return;
    }
    if (onRead)
        onRead(text);
}

} // namespace qz::platform
