#include "invokereplyrouter_p.h"

#include "invokereply_p.h"

#include <xrv/navigator.h>

#include <algorithm>

namespace qz::system {

std::shared_ptr<InvokeReplyRouter> InvokeReplyRouter::forCurrentThread()
{
    // Weak: the replies own the router, so a thread without waiting replies has no subscriber.
    thread_local std::weak_ptr<InvokeReplyRouter> current;
    std::shared_ptr<InvokeReplyRouter> router = current.lock();
    if (!router) {
        router = std::make_shared<InvokeReplyRouter>();
        current = router;
    }
    return router;
}

InvokeReplyRouter::InvokeReplyRouter()
{
    xrv_initialize();
    subscribe(navigator_get_domain());
}

InvokeReplyRouter::~InvokeReplyRouter()
{
    xrv_shutdown();
}

void InvokeReplyRouter::add(const QString &id, InvokeReplyPrivate *reply)
{
    QMutexLocker lock(&m_mutex);
    m_waiting[id].push_back({reply, m_nextSerial++});
}

void InvokeReplyRouter::remove(const QString &id, InvokeReplyPrivate *reply)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_waiting.find(id);
    if (it == m_waiting.end())
        return;
    std::vector<Entry> &entries = *it;
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [reply](const Entry &e) { return e.reply == reply; }),
                  entries.end());
    if (entries.empty())
        m_waiting.erase(it);
}

bool InvokeReplyRouter::isRegistered(const QString &id, const Entry &entry)
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_waiting.constFind(id);
    return it != m_waiting.cend() &&
           std::any_of(it->cbegin(), it->cend(), [&entry](const Entry &e) {
               return e.reply == entry.reply && e.serial == entry.serial;
           });
}

void InvokeReplyRouter::event(xrv_event_t *event)
{
    const QString id = QString::fromUtf8(navigator_event_get_id(event));
    std::vector<Entry> candidates;
    {
        QMutexLocker lock(&m_mutex);
        const auto it = m_waiting.constFind(id);
        if (it == m_waiting.cend())
            return;
        candidates = *it;
    }
    // A reply's finished() slot may delete the last reply, and with it this router's last owner.
    const std::shared_ptr<InvokeReplyRouter> self = shared_from_this();
    for (const Entry &candidate : candidates) {
        if (isRegistered(id, candidate))
            candidate.reply->event(event);
    }
}

} // namespace qz::system
