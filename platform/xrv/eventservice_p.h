/*
 * Not API. What an event is inside the event service.
 */
#ifndef XRV_EVENTSERVICE_P_H
#define XRV_EVENTSERVICE_P_H

#include <xrv/xrv.h>

#include <QHash>
#include <QVariantHash>

#include <memory>
#include <mutex>

struct xrv_event
{
    int domain = 0;
    int code = 0;
    QVariantHash fields;

    // UTF-8 copies handed out by the accessors; they live as long as the event.
    std::mutex cacheMutex;
    QHash<QByteArray, QByteArray> utf8;
    // Handles built by accessors from the event's fields (an event's invocation, ...); likewise.
    QHash<QByteArray, std::shared_ptr<void>> handles;
};

#endif
