#ifndef QZ_ABSTRACTXRVEVENTHANDLER_H
#define QZ_ABSTRACTXRVEVENTHANDLER_H

#include <qz/qzplatform_export.h>
#include <xrv/xrv.h>

namespace qz {

/*!
    \class qz::AbstractXrvEventHandler
    \brief Receives the events of the domains it subscribes to.

    Events are delivered from the Qt event loop of the thread that subscribed, to every handler of
    the event's domain in subscription order. A handler unsubscribed or destroyed while an event is
    being dispatched is skipped for the rest of that dispatch; one subscribed during a dispatch sees
    the next event first. Destroying a handler unsubscribes it from every domain.
*/
class QZPLATFORM_EXPORT AbstractXrvEventHandler
{
public:
    AbstractXrvEventHandler();
    virtual ~AbstractXrvEventHandler();
    virtual void event(xrv_event_t *event) = 0;

    void subscribe(int domain);
    void unsubscribe(int domain);

    AbstractXrvEventHandler(const AbstractXrvEventHandler &) = delete;
    AbstractXrvEventHandler &operator=(const AbstractXrvEventHandler &) = delete;
};

} // namespace qz

#endif
