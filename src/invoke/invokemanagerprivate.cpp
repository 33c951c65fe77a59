#include "invokemanager_p.h"

#include "invokerequest_p.h"
#include "invokesource_p.h"
#include "invokeviewermessage_p.h"
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
        {NavigatorEvent::ViewerInvoked, &InvokeManagerPrivate::onViewerInvoked},
        {NavigatorEvent::ViewerRelay, &InvokeManagerPrivate::onViewerRelay},
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

InvokeSource InvokeManagerPrivate::sourceOf(xrv_event_t *event)
{
    return InvokeSourcePrivate::create(navigator_invoke_event_get_group_id(event),
                                       QString::fromUtf8(navigator_invoke_event_get_dname(event)));
}

void InvokeManagerPrivate::onInvoked(xrv_event_t *event)
{
    InvokeRequest request = XrvInvokeRequest::read(navigator_invoke_event_get_invocation(event));
    InvokeRequestPrivate::setSource(request, sourceOf(event));
    Q_EMIT q->invoked(request);
    Q_EMIT q->invoked(QVariant::fromValue(request));
}

void InvokeManagerPrivate::onViewerInvoked(xrv_event_t *event)
{
    const navigator_invoke_viewer_t *viewer = navigator_invoke_event_get_viewer(event);
    InvokeViewerRequest request;
    // The invocation fills the request part; the window is the viewer's own.
    static_cast<InvokeRequest &>(request) =
        XrvInvokeRequest::read(navigator_invoke_viewer_get_invocation(viewer));
    InvokeRequestPrivate::setSource(request, sourceOf(event));
    request.setWindowId(QString::fromUtf8(navigator_invoke_viewer_get_window_id(viewer)));
    request.setWindowSize(QSize(navigator_invoke_viewer_get_width(viewer),
                                navigator_invoke_viewer_get_height(viewer)));
    Q_EMIT q->invoked(request);
    Q_EMIT q->invoked(QVariant::fromValue(request));
}

void InvokeManagerPrivate::onViewerRelay(xrv_event_t *event)
{
    const QString name =
        QString::fromUtf8(navigator_invoke_event_get_viewer_relay_message_name(event));
    const QString windowId =
        QString::fromUtf8(navigator_invoke_event_get_viewer_relay_window_id(event));
    if (name == QLatin1String(InvokeViewerMessagePrivate::CloseRequestName)) {
        Q_EMIT q->viewerCloseRequestReceived(windowId);
        return;
    }
    InvokeViewerMessage message;
    message.setWindowId(windowId);
    message.setName(name);
    // UTF-8 like every text the library sends, so that an id comes back as the sender wrote it.
    message.setId(QString::fromUtf8(navigator_event_get_id(event)));
    message.setData(QString::fromUtf8(navigator_invoke_event_get_viewer_relay_data(event)));
    Q_EMIT q->received(message);
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
