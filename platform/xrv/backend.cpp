#include "backend_p.h"

#include <QLoggingCategory>
#include <QMutex>

#include <array>
#include <cerrno>

namespace qz::platform {

// Debug lines (which backend serves a call, connections to the device) are for whoever asks with
// QT_LOGGING_RULES; every tool and application would print them otherwise.
Q_LOGGING_CATEGORY(lcBackend, "qz.platform.xrv", QtInfoMsg)

namespace {

constexpr int ServiceCount = int(Service::Context) + 1;

struct Backends
{
    QMutex mutex;
    std::array<Backend *, ServiceCount> installed{};
    std::array<BackendFactory, ServiceCount> factories{};
    // Made from the factories on first use; kept for the life of the process.
    std::array<Backend *, ServiceCount> defaults{};
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
    Backends &b = backends();
    QMutexLocker lock(&b.mutex);
    const size_t index = size_t(service);
    if (Backend *installed = b.installed[index])
        return installed;
    if (!b.defaults[index] && b.factories[index])
        b.defaults[index] = b.factories[index]();
    return b.defaults[index];
}

void setDefaultBackendFactory(Service service, BackendFactory factory)
{
    QMutexLocker lock(&backends().mutex);
    backends().factories[size_t(service)] = factory;
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
