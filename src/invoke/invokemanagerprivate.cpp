#include "invokemanager_p.h"

#include "invokerequest_p.h"
#include "invokesource_p.h"
#include "navigatorevent_p.h"
#include "navigatormapping_p.h"
#include "xrvinvokerequest_p.h"

#include <xrv/navigator.h>

#include <algorithm>
#include <iterator>

namespace qz::system {

InvokeManagerPrivate::InvokeManagerPrivate(InvokeManager *manager)
    : q(manager)
{}

InvokeManagerPrivate::~InvokeManagerPrivate()
{
    xrv_shutdown();
}

void InvokeManagerPrivate::listen()
{
    xrv_initialize();
    subscribe(navigator_get_domain());
    navigator_request_events(0);
}

void InvokeManagerPrivate::event(xrv_event_t *event)
{
    using Handler = void (InvokeManagerPrivate::*)(xrv_event_t *);
    struct Route
    {
        int code;
        Handler handler;
    };
    static const Route routes[] = {
        {NavigatorEvent::Invoked, &InvokeManagerPrivate::onInvoked},
        {NavigatorEvent::ViewerClosed, &InvokeManagerPrivate::onViewerClosed},
        {NavigatorEvent::ChildCardPeekStarted, &InvokeManagerPrivate::onChildCardPeekStarted},
        {NavigatorEvent::ChildCardPeekEnded, &InvokeManagerPrivate::onChildCardPeekEnded},
        {NavigatorEvent::CardResize, &InvokeManagerPrivate::onCardResize},
        {NavigatorEvent::ChildCardClosed, &InvokeManagerPrivate::onChildCardClosed},
        {NavigatorEvent::CardPooled, &InvokeManagerPrivate::onCardPooled},
        {NavigatorEvent::CardPeekStarted, &InvokeManagerPrivate::onCardPeekStarted},
        {NavigatorEvent::CardPeekEnded, &InvokeManagerPrivate::onCardPeekEnded},
        {NavigatorEvent::CardReadyCheck, &InvokeManagerPrivate::onCardReadyCheck},
        {NavigatorEvent::ListCursorMoved, &InvokeManagerPrivate::onListCursorMoved},
        {NavigatorEvent::ListItemSelected, &InvokeManagerPrivate::onListItemSelected},
    };
    const int code = xrv_event_get_code(event);
    const auto route = std::find_if(std::begin(routes), std::end(routes),
                                    [code](const Route &r) { return r.code == code; });
    if (route != std::end(routes))
        (this->*route->handler)(event);
}

void InvokeManagerPrivate::onInvoked(xrv_event_t *event)
{
    InvokeRequest request = XrvInvokeRequest::read(navigator_invoke_event_get_invocation(event));
    InvokeRequestPrivate::setSource(
        request,
        InvokeSourcePrivate::create(navigator_invoke_event_get_group_id(event),
                                    QString::fromUtf8(navigator_invoke_event_get_dname(event))));
    Q_EMIT q->invoked(request);
}

void InvokeManagerPrivate::onViewerClosed(xrv_event_t *event)
{
    Q_EMIT q->viewerClosed(QString::fromUtf8(navigator_invoke_event_get_window_id(event)));
}

void InvokeManagerPrivate::onListCursorMoved(xrv_event_t *event)
{
    const int listId = navigator_invoke_event_get_list_id(event);
    if (const auto direction = navigatormapping::listDirectionFromPlatform(
            navigator_invoke_event_get_list_cursor_direction(event)))
        Q_EMIT q->listCursorMoved(listId, *direction);
}

void InvokeManagerPrivate::onListItemSelected(xrv_event_t *event)
{
    const int listId = navigator_invoke_event_get_list_id(event);
    if (const auto direction = navigatormapping::listDirectionFromPlatform(
            navigator_invoke_event_get_list_item_selection(event)))
        Q_EMIT q->listItemSelected(listId, *direction);
    else
        Q_EMIT q->listItemSelectedFromCursor(listId);
}

} // namespace qz::system
