/*
 * Not API. How a navigator answer finds its reply without being offered to every reply waiting.
 *
 * Replies do not subscribe to the navigator domain one by one: each registers its id with the
 * router of the thread it is made on, and the router alone is subscribed. For each navigator event
 * the router looks up the event's id ("id" field; absent counts as the empty id) and offers the
 * event to the replies registered under it, in registration order. What a reply then does is
 * unchanged: its own hooks (isReplyEvent, parseReplyEvent) decide whether the event is its answer
 * and read it, so a reply ignores an event of a code it does not take, even with its id.
 *
 * Guarantees kept from one subscription per reply:
 * - an event reaches only the thread that made the reply, from that thread's event loop;
 * - a reply that stops waiting (finished or deleted) during a dispatch is skipped for the rest of
 *   it, even when a new reply with the same address and id registered meanwhile (entries carry a
 *   serial); a reply made during a dispatch first sees the next event;
 * - the router lives as long as a reply needs it (each holds it) and holds itself during a
 *   dispatch, so deleting the last reply from its finished() slot is safe.
 */
#ifndef QZ_SYSTEM_INVOKEREPLYROUTER_P_H
#define QZ_SYSTEM_INVOKEREPLYROUTER_P_H

#include <qz/AbstractXrvEventHandler>

#include <QHash>
#include <QMutex>
#include <QString>

#include <memory>
#include <vector>

namespace qz::system {

class InvokeReplyPrivate;

class InvokeReplyRouter : public qz::AbstractXrvEventHandler,
                          public std::enable_shared_from_this<InvokeReplyRouter>
{
public:
    /*! The router of the calling thread, made and subscribed to the navigator domain when the
        thread has none. */
    static std::shared_ptr<InvokeReplyRouter> forCurrentThread();

    InvokeReplyRouter();
    ~InvokeReplyRouter() override;

    /*! From now on, events carrying \a id are offered to \a reply. */
    void add(const QString &id, InvokeReplyPrivate *reply);
    /*! No event is offered to \a reply any more, also for the rest of a running dispatch. */
    void remove(const QString &id, InvokeReplyPrivate *reply);

    void event(xrv_event_t *event) override;

private:
    struct Entry
    {
        InvokeReplyPrivate *reply;
        quint64 serial;
    };
    bool isRegistered(const QString &id, const Entry &entry);

    // Guards the table only; replies are called with it released, as they may add or remove.
    QMutex m_mutex;
    QHash<QString, std::vector<Entry>> m_waiting;
    quint64 m_nextSerial = 1;
};

} // namespace qz::system

#endif
