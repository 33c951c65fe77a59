#include "backend_p.h"

#include <QLoggingCategory>
#include <QMutex>

#include <array>
#include <cerrno>

namespace qz::platform {

Q_LOGGING_CATEGORY(lcBackend, "qz.platform.xrv")

namespace {

constexpr int ServiceCount = int(Service::Context) + 1;

struct Backends
{
    QMutex mutex;
    std::array<Backend *, ServiceCount> installed{};
};

Backends &backends()
{
    static Backends b;
    return b;
}

} // namespace

Backend::~Backend() = default;

void setBackend(Service service, Backend *backend)
{
    QMutexLocker lock(&backends().mutex);
    backends().installed[size_t(service)] = backend;
}

Backend *backend(Service service)
{
    QMutexLocker lock(&backends().mutex);
    return backends().installed[size_t(service)];
}

int forward(Service service, const char *name, const QVariantList &args, QVariantList *out)
{
    if (Backend *b = backend(service))
        return b->call(QByteArray(name), args, out);
    // No service stands behind this call in this process.
    qCDebug(lcBackend, "%s: no backend installed", name);
    errno = ENOSYS;
    return -1;
}

int notify(Service service, const char *name, const QVariantList &args)
{
    if (Backend *b = backend(service))
        return b->call(QByteArray(name), args, nullptr);
    return 0;
}

int domainOf(Service service)
{
    switch (service) {
    case Service::Navigator:
        return 1;
    case Service::Menu:
        return 2;
    case Service::Nfc:
        return 3;
    default:
        return -1;
    }
}

} // namespace qz::platform
