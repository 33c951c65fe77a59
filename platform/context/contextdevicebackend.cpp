#include "contextdevicebackend.h"

#include <qz/PpsObject>

#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>

#include <cerrno>

namespace qz::platform {

Q_LOGGING_CATEGORY(lcContextDevice, "qz.platform.context")

const char ContextDeviceBackend::s_controlPath[] = "/pps/services/context/control";

namespace {

Backend *makeDefaultBackend()
{
    return new ContextDeviceBackend;
}

const bool s_registered = (setDefaultBackendFactory(Service::Context, &makeDefaultBackend), true);

bool isLocal(const QByteArray &name)
{
    return name.startsWith("ccl_event_keys_");
}

int failWith(int error)
{
    errno = error;
    return -1;
}

} // namespace

ContextDeviceBackend::ContextDeviceBackend()
{
    Q_UNUSED(s_registered);
}

ContextDeviceBackend::~ContextDeviceBackend() = default;

bool ContextDeviceBackend::connectToCollector()
{
    if (m_object && m_object->isOpen())
        return true;
    m_object = std::make_unique<PpsObject>(QString::fromLatin1(s_controlPath));
    if (!m_object->open(PpsOpenMode::PublishSubscribe)) {
        qCDebug(lcContextDevice).noquote()
            << "context collector not reachable:" << m_object->errorString();
        m_object.reset();
        return false;
    }
    return true;
}

int ContextDeviceBackend::call(const QByteArray &name, const QVariantList &args, QVariantList *out)
{
    if (isLocal(name))
        return 0;
    QMutexLocker lock(&m_mutex);
    if (!connectToCollector())
        return name == "ccl_shutdown" ? 0 : failWith(ENOSYS);
    const QString msg = QString::fromLatin1(name);
    const QString id = QString::number(++m_serial);
    const QVariantMap dat{{QStringLiteral("args"), args}};
    int written = m_object->writeMessage(msg, id, dat);
    if (written != 0) {
        // A connection left from a collector that has gone since: once more over a new one.
        m_object.reset();
        if (!connectToCollector())
            return name == "ccl_shutdown" ? 0 : failWith(ENOSYS);
        written = m_object->writeMessage(msg, id, dat);
    }
    if (written != 0) {
        m_object.reset();
        return failWith(ECONNRESET);
    }
    // The collector answers at once; polling keeps the caller's C call synchronous without a
    // thread of its own.
    QDeadlineTimer deadline(AnswerTimeoutMs);
    unsigned long pauseUs = 50;
    while (!deadline.hasExpired()) {
        bool ok = false;
        const QByteArray text = m_object->read(&ok);
        if (!ok) {
            if (m_object->error() != EAGAIN) {
                m_object.reset();
                return failWith(ECONNRESET);
            }
            QThread::usleep(pauseUs);
            pauseUs = qMin(pauseUs * 2, 5000UL);
            continue;
        }
        const QVariantMap answer =
            PpsObject::decode(text, &ok).value(QStringLiteral("@control")).toMap();
        if (!ok || answer.value(QStringLiteral("res")).toString() != msg ||
            answer.value(QStringLiteral("id")).toString() != id)
            continue;
        if (answer.contains(QStringLiteral("err"))) {
            qCDebug(lcContextDevice).noquote() << name << "refused by the context collector:"
                                               << answer.value(QStringLiteral("errstr")).toString();
            const int error = answer.value(QStringLiteral("err")).toInt();
            return failWith(error > 0 ? error : EPROTO);
        }
        if (out)
            *out =
                answer.value(QStringLiteral("dat")).toMap().value(QStringLiteral("out")).toList();
        return 0;
    }
    qCWarning(lcContextDevice).noquote()
        << name << "got no answer within" << AnswerTimeoutMs << "ms";
    return failWith(ETIMEDOUT);
}

} // namespace qz::platform
