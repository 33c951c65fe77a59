#include "backend_p.h"
#include "eventservice_p.h"

#include <qz/abstractxrveventhandler.h>

#include <QHash>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

namespace qz::platform {

namespace {

struct Subscription
{
    quint64 serial;
    AbstractXrvEventHandler *handler;
    int domain;
    QThread *thread;
};

// Process-wide state of the event service. Handlers are matched by serial during a dispatch so
// that one unsubscribed (or destroyed) meanwhile is skipped and one subscribed meanwhile waits
// for the next event.
struct Registry
{
    QMutex mutex;
    int references = 0;
    quint64 nextSerial = 1;
    std::vector<Subscription> subscriptions;
    QHash<QThread *, QPointer<QObject>> contexts;

    static Registry &instance()
    {
        // Never destroyed: a thread's context leaves it from the thread's own exit, which may
        // come after the process began destroying its statics (QThread::wait() returns before
        // the thread's thread_local objects are gone).
        static Registry *const registry = new Registry;
        return *registry;
    }
};

// The object through which events are queued to one thread's event loop; it lives and dies with
// the thread.
struct ThreadContext
{
    std::unique_ptr<QObject> object;
    QThread *thread = nullptr; // kept: at thread exit QThread::currentThread() may be gone
    ~ThreadContext()
    {
        if (!object)
            return;
        Registry &r = Registry::instance();
        QMutexLocker lock(&r.mutex);
        const auto it = r.contexts.find(thread);
        if (it != r.contexts.end() && it->data() == object.get())
            r.contexts.erase(it);
    }
};

QObject *contextForCurrentThread()
{
    thread_local ThreadContext context;
    if (!context.object) {
        context.object = std::make_unique<QObject>();
        context.thread = QThread::currentThread();
        Registry &r = Registry::instance();
        QMutexLocker lock(&r.mutex);
        r.contexts.insert(context.thread, context.object.get());
    }
    return context.object.get();
}

void dispatch(const std::shared_ptr<xrv_event> &event, QThread *thread)
{
    Registry &r = Registry::instance();
    std::vector<quint64> serials;
    {
        QMutexLocker lock(&r.mutex);
        for (const Subscription &s : r.subscriptions) {
            if (s.domain == event->domain && s.thread == thread)
                serials.push_back(s.serial);
        }
    }
    for (const quint64 serial : serials) {
        AbstractXrvEventHandler *handler = nullptr;
        {
            // Subscriptions stay in serial order (appended with rising serials, erased in
            // place), so each handler is found without a scan.
            QMutexLocker lock(&r.mutex);
            const auto it = std::lower_bound(
                r.subscriptions.cbegin(), r.subscriptions.cend(), serial,
                [](const Subscription &s, quint64 wanted) { return s.serial < wanted; });
            if (it != r.subscriptions.cend() && it->serial == serial)
                handler = it->handler;
        }
        if (handler)
            handler->event(event.get());
    }
}

} // namespace

void postEvent(int domain, int code, const QVariantHash &fields)
{
    auto event = std::make_shared<xrv_event>();
    event->domain = domain;
    event->code = code;
    event->fields = fields;

    Registry &r = Registry::instance();
    QMutexLocker lock(&r.mutex);
    QList<QThread *> threads;
    for (const Subscription &s : r.subscriptions) {
        if (s.domain == domain && !threads.contains(s.thread))
            threads.append(s.thread);
    }
    for (QThread *thread : threads) {
        QObject *context = r.contexts.value(thread);
        if (!context)
            continue;
        QMetaObject::invokeMethod(
            context, [event, thread] { dispatch(event, thread); }, Qt::QueuedConnection);
    }
}

QVariant eventField(xrv_event_t *event, const char *key)
{
    return event ? event->fields.value(QString::fromUtf8(key)) : QVariant();
}

const char *eventString(xrv_event_t *event, const char *key)
{
    if (!event)
        return nullptr;
    const QVariant value = event->fields.value(QString::fromUtf8(key));
    if (!value.isValid() || value.isNull())
        return nullptr;
    std::lock_guard<std::mutex> lock(event->cacheMutex);
    // Convert once: a pointer handed out earlier must stay valid for the whole dispatch.
    auto it = event->utf8.find(key);
    if (it == event->utf8.end()) {
        it = event->utf8.insert(key, value.typeId() == QMetaType::QByteArray
                                         ? value.toByteArray()
                                         : value.toString().toUtf8());
    }
    return it->constData();
}

} // namespace qz::platform

using qz::platform::Registry;
using qz::platform::Subscription;

namespace {
template<typename Predicate> void removeSubscriptions(Registry &r, Predicate matches)
{
    r.subscriptions.erase(std::remove_if(r.subscriptions.begin(), r.subscriptions.end(), matches),
                          r.subscriptions.end());
}
} // namespace

extern "C" {

int xrv_initialize(void)
{
    Registry &r = Registry::instance();
    QMutexLocker lock(&r.mutex);
    ++r.references;
    return 0;
}

int xrv_shutdown(void)
{
    Registry &r = Registry::instance();
    QMutexLocker lock(&r.mutex);
    if (r.references == 0) {
        errno = EINVAL;
        return -1;
    }
    --r.references;
    return 0;
}

int xrv_event_get_domain(xrv_event_t *event)
{
    return event ? event->domain : -1;
}

int xrv_event_get_code(xrv_event_t *event)
{
    return event ? event->code : -1;
}

} // extern "C"

namespace qz {

AbstractXrvEventHandler::AbstractXrvEventHandler() = default;

AbstractXrvEventHandler::~AbstractXrvEventHandler()
{
    Registry &r = Registry::instance();
    QMutexLocker lock(&r.mutex);
    removeSubscriptions(r, [this](const Subscription &s) { return s.handler == this; });
}

void AbstractXrvEventHandler::subscribe(int domain)
{
    platform::contextForCurrentThread();
    Registry &r = Registry::instance();
    QMutexLocker lock(&r.mutex);
    for (const Subscription &s : r.subscriptions) {
        if (s.handler == this && s.domain == domain)
            return;
    }
    r.subscriptions.push_back({r.nextSerial++, this, domain, QThread::currentThread()});
}

void AbstractXrvEventHandler::unsubscribe(int domain)
{
    Registry &r = Registry::instance();
    QMutexLocker lock(&r.mutex);
    removeSubscriptions(r, [this, domain](const Subscription &s) {
        return s.handler == this && s.domain == domain;
    });
}

} // namespace qz
