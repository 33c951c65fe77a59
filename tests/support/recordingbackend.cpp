#include "recordingbackend.h"

#include <cerrno>

RecordingBackend::RecordingBackend(std::initializer_list<Service> services)
    : m_services(services)
{
    for (Service s : m_services)
        qz::platform::setBackend(s, this);
}

RecordingBackend::~RecordingBackend()
{
    for (Service s : m_services) {
        if (qz::platform::backend(s) == this)
            qz::platform::setBackend(s, nullptr);
    }
}

int RecordingBackend::call(const QByteArray &name, const QVariantList &args, QVariantList *out)
{
    QMutexLocker lock(&m_mutex);
    m_calls.append({name, args});
    if (out)
        *out = m_outValues.value(name);
    if (const auto it = m_failures.constFind(name); it != m_failures.cend()) {
        errno = it.value();
        return -1;
    }
    return 0;
}

QList<RecordingBackend::Call> RecordingBackend::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

QList<QByteArray> RecordingBackend::callNames() const
{
    QMutexLocker lock(&m_mutex);
    QList<QByteArray> names;
    for (const Call &c : m_calls)
        names.append(c.name);
    return names;
}

QList<QVariantList> RecordingBackend::argumentsOf(const QByteArray &name) const
{
    QMutexLocker lock(&m_mutex);
    QList<QVariantList> result;
    for (const Call &c : m_calls) {
        if (c.name == name)
            result.append(c.args);
    }
    return result;
}

void RecordingBackend::clear()
{
    QMutexLocker lock(&m_mutex);
    m_calls.clear();
}

void RecordingBackend::failCall(const QByteArray &name, int error)
{
    QMutexLocker lock(&m_mutex);
    m_failures.insert(name, error);
}

void RecordingBackend::succeedCall(const QByteArray &name)
{
    QMutexLocker lock(&m_mutex);
    m_failures.remove(name);
}

void RecordingBackend::setOutValues(const QByteArray &name, const QVariantList &values)
{
    QMutexLocker lock(&m_mutex);
    m_outValues.insert(name, values);
}

void RecordingBackend::postEvent(Service service, int code, const QVariantHash &fields)
{
    qz::platform::postEvent(qz::platform::domainOf(service), code, fields);
}
