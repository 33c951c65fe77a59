/*
 * Not API. The invoke manager's listener on the navigator domain: it turns each event the
 * application handles into the manager's signal.
 */
#ifndef QZ_SYSTEM_INVOKEMANAGER_P_H
#define QZ_SYSTEM_INVOKEMANAGER_P_H

#include <qz/system/invokemanager.h>

#include <qz/AbstractXrvEventHandler>

namespace qz::system {

class InvokeManagerPrivate : public qz::AbstractXrvEventHandler
{
public:
    explicit InvokeManagerPrivate(InvokeManager *manager);
    ~InvokeManagerPrivate() override;

    /*! Starts the delivery of navigator events; once, from the manager's constructor. */
    void listen();
    void event(xrv_event_t *event) override;

private:
    void onInvoked(xrv_event_t *event);
    void onViewerInvoked(xrv_event_t *event);
    void onViewerRelay(xrv_event_t *event);
    void onViewerClosed(xrv_event_t *event);
    void onListCursorMoved(xrv_event_t *event);
    void onListItemSelected(xrv_event_t *event);

    // Card events.
    void onChildCardPeekStarted(xrv_event_t *event);
    void onChildCardPeekEnded(xrv_event_t *event);
    void onCardResize(xrv_event_t *event);
    void onChildCardClosed(xrv_event_t *event);
    void onCardPooled(xrv_event_t *event);
    void onCardPeekStarted(xrv_event_t *event);
    void onCardPeekEnded(xrv_event_t *event);
    void onCardReadyCheck(xrv_event_t *event);

    /*! Who sent the invocation \a event carries. */
    static InvokeSource sourceOf(xrv_event_t *event);

    static QString navigatorEventGetCardClosedReason(xrv_event_t *event);
    static QString navigatorEventGetCardClosedDataType(xrv_event_t *event);
    static QString navigatorEventGetCardClosedData(xrv_event_t *event);

    InvokeManager *const q;
};

} // namespace qz::system

#endif
