// The viewer side of the invoke manager: invoking a viewer, relays between a viewer and its
// invoker, and closing a viewer.
#include "invokemanager_p.h"

#include "invokelogging_p.h"
#include "invokereply_p.h"
#include "invokeviewermessage_p.h"
#include "invokeviewermessagereply_p.h"
#include "xrvinvokerequest_p.h"

#include <xrv/navigator.h>

#include <exception>
#include <memory>

namespace qz::system {

namespace {

struct ViewerDeleter
{
    void operator()(navigator_invoke_viewer_t *viewer) const
    {
        navigator_invoke_viewer_destroy(viewer);
    }
};
using Viewer = std::unique_ptr<navigator_invoke_viewer_t, ViewerDeleter>;

// An empty text travels as absent.
const char *optionalText(const QByteArray &text)
{
    return text.isEmpty() ? nullptr : text.constData();
}

} // namespace

InvokeTargetReply *InvokeManager::invoke(const InvokeViewerRequest &request)
{
    auto *reply = new InvokeTargetReply(this);
    try {
        XrvInvokeRequest invocation;
        // Destroyed before the invocation's wrapper, and takes the invocation with it.
        const Viewer viewer(invocation.createViewer());
        invocation.fill(request, InvokeReplyPrivate::idFromReply(reply));
        // The navigator picks among viewers only.
        invocation.setTargetTypeMask(0);
        if (!request.windowId().isEmpty()) {
            throwOnPlatformError(navigator_invoke_viewer_set_window_id(
                                     viewer.get(), request.windowId().toUtf8().constData()),
                                 "navigator_invoke_viewer_set_window_id");
        }
        const QSize size = request.windowSize();
        if (size.width() > 0 && size.height() > 0) {
            throwOnPlatformError(navigator_invoke_viewer_set_width(viewer.get(), size.width()),
                                 "navigator_invoke_viewer_set_width");
            throwOnPlatformError(navigator_invoke_viewer_set_height(viewer.get(), size.height()),
                                 "navigator_invoke_viewer_set_height");
        }
        throwOnPlatformError(navigator_invoke_viewer_send(viewer.get()),
                             "navigator_invoke_viewer_send");
    } catch (const std::exception &) {
        delete reply;
        return nullptr;
    }
    return reply;
}

InvokeViewerMessageReply *InvokeManager::send(const InvokeViewerMessage &message, bool *sent)
{
    if (sent)
        *sent = false;
    const QByteArray name = message.name().toUtf8();
    const QByteArray id = message.id().toUtf8();
    const QByteArray data = message.data().toUtf8();

    QByteArray windowId = message.windowId().toUtf8();
    if (windowId.isEmpty()) {
        // A viewer talks to its invoker through the window group it was started in.
        if (startupMode() != ApplicationStartupMode::InvokeViewer) {
            qCWarning(lcInvoke, "Cannot send relay: caller is app, window group is empty.");
            return nullptr;
        }
        windowId = qgetenv("WINID");
    }

    if (navigator_invoke_viewer_relay(windowId.constData(), name.constData(), optionalText(data),
                                      optionalText(id), false) != 0)
        return nullptr;
    if (sent)
        *sent = true;
    if (id.isEmpty())
        return nullptr;

    auto *reply = new InvokeViewerMessageReply(this);
    InvokeViewerMessageReplyPrivate::setId(reply, message.id());
    InvokeViewerMessageReplyPrivate::setName(reply, message.name());
    InvokeViewerMessageReplyPrivate::setWindowId(reply, message.windowId());
    return reply;
}

bool InvokeManager::reply(const InvokeViewerMessage &message)
{
    if (message.id().isEmpty())
        return false;
    const QByteArray data = message.data().toUtf8();
    return navigator_invoke_viewer_relay(message.windowId().toUtf8().constData(),
                                         message.name().toUtf8().constData(), optionalText(data),
                                         message.id().toUtf8().constData(), true) == 0;
}

bool InvokeManager::closeViewer(const QString &windowId)
{
    return navigator_invoke_close_viewer(windowId.toUtf8().constData()) == 0;
}

bool InvokeManager::viewerRequestClose()
{
    InvokeViewerMessage message;
    message.setName(QLatin1String(InvokeViewerMessagePrivate::CloseRequestName));
    bool sent = false;
    // Without an id no answer is awaited, so no reply is made.
    send(message, &sent);
    return sent;
}

} // namespace qz::system
