#include <xrv/navigator_viewer.h>

#include "backend_p.h"
#include "navigator_p.h"

#include <cerrno>
#include <memory>
#include <optional>

using namespace qz::platform;
using namespace qz::platform::navigator;

struct navigator_invoke_viewer
{
    std::unique_ptr<navigator_invoke_invocation> invocation;
    std::optional<QByteArray> windowId;
    std::optional<int> width;
    std::optional<int> height;

    QVariantMap toMap() const
    {
        QVariantMap map{{QStringLiteral("invocation"), invocation->toMap()}};
        if (windowId)
            map.insert(QStringLiteral("window_id"), QString::fromUtf8(*windowId));
        if (width)
            map.insert(QStringLiteral("width"), *width);
        if (height)
            map.insert(QStringLiteral("height"), *height);
        return map;
    }
};

namespace {

bool validHandle(const void *handle)
{
    if (handle)
        return true;
    errno = EINVAL;
    return false;
}

int setSize(navigator_invoke_viewer_t *viewer, const char *name, std::optional<int> *slot,
            int value)
{
    if (!validHandle(viewer))
        return -1;
    const int result = forward(Service::Navigator, name, {handleArgument(viewer), value});
    if (result == 0)
        *slot = value;
    return result;
}

int sizeIn(const QVariantMap &map, const QString &key)
{
    bool ok = false;
    const int value = map.value(key).toInt(&ok);
    return ok ? value : -1;
}

// Keyed as the event field "viewer".
std::shared_ptr<void> viewerFromMap(const QVariantMap &map)
{
    auto viewer = std::make_shared<navigator_invoke_viewer>();
    viewer->invocation = std::make_unique<navigator_invoke_invocation>(
        navigator_invoke_invocation::fromMap(map.value(QStringLiteral("invocation")).toMap()));
    if (const QVariant windowId = map.value(QStringLiteral("window_id")); windowId.isValid())
        viewer->windowId = windowId.toString().toUtf8();
    viewer->width = sizeIn(map, QStringLiteral("width"));
    viewer->height = sizeIn(map, QStringLiteral("height"));
    return viewer;
}

} // namespace

extern "C" {

int navigator_invoke_viewer_create(navigator_invoke_viewer_t **viewer,
                                   navigator_invoke_invocation_t *invocation)
{
    if (!validHandle(viewer))
        return -1;
    *viewer = nullptr;
    if (!validHandle(invocation))
        return -1;
    const int result =
        forward(Service::Navigator, "navigator_invoke_viewer_create", {handleArgument(invocation)});
    if (result == 0) {
        *viewer = new navigator_invoke_viewer;
        (*viewer)->invocation.reset(invocation);
    }
    return result;
}

int navigator_invoke_viewer_destroy(navigator_invoke_viewer_t *viewer)
{
    if (!validHandle(viewer))
        return -1;
    const int result =
        forward(Service::Navigator, "navigator_invoke_viewer_destroy", {handleArgument(viewer)});
    delete viewer;
    return result;
}

int navigator_invoke_viewer_set_window_id(navigator_invoke_viewer_t *viewer, const char *window_id)
{
    if (!validHandle(viewer))
        return -1;
    const int result = forward(Service::Navigator, "navigator_invoke_viewer_set_window_id",
                               {handleArgument(viewer), textArgument(window_id)});
    if (result == 0) {
        if (window_id)
            viewer->windowId = QByteArray(window_id);
        else
            viewer->windowId.reset();
    }
    return result;
}

int navigator_invoke_viewer_set_width(navigator_invoke_viewer_t *viewer, int width)
{
    return setSize(viewer, "navigator_invoke_viewer_set_width", viewer ? &viewer->width : nullptr,
                   width);
}

int navigator_invoke_viewer_set_height(navigator_invoke_viewer_t *viewer, int height)
{
    return setSize(viewer, "navigator_invoke_viewer_set_height", viewer ? &viewer->height : nullptr,
                   height);
}

int navigator_invoke_viewer_send(const navigator_invoke_viewer_t *viewer)
{
    if (!validHandle(viewer))
        return -1;
    return forward(Service::Navigator, "navigator_invoke_viewer_send",
                   {handleArgument(viewer), viewer->toMap()});
}

int navigator_invoke_viewer_relay(const char *window_id, const char *message_name, const char *data,
                                  const char *id, bool is_response)
{
    return forward(Service::Navigator, "navigator_invoke_viewer_relay",
                   {textArgument(window_id), textArgument(message_name), textArgument(data),
                    textArgument(id), is_response});
}

int navigator_invoke_close_viewer(const char *window_id)
{
    return forward(Service::Navigator, "navigator_invoke_close_viewer", {textArgument(window_id)});
}

const navigator_invoke_viewer_t *navigator_invoke_event_get_viewer(xrv_event_t *event)
{
    return static_cast<const navigator_invoke_viewer_t *>(
        eventHandle(event, "viewer", viewerFromMap));
}

const navigator_invoke_invocation_t *
navigator_invoke_viewer_get_invocation(const navigator_invoke_viewer_t *viewer)
{
    return viewer ? viewer->invocation.get() : nullptr;
}

const char *navigator_invoke_viewer_get_window_id(const navigator_invoke_viewer_t *viewer)
{
    return viewer && viewer->windowId ? viewer->windowId->constData() : nullptr;
}

int navigator_invoke_viewer_get_width(const navigator_invoke_viewer_t *viewer)
{
    return viewer ? viewer->width.value_or(-1) : -1;
}

int navigator_invoke_viewer_get_height(const navigator_invoke_viewer_t *viewer)
{
    return viewer ? viewer->height.value_or(-1) : -1;
}

const char *navigator_invoke_event_get_viewer_relay_message_name(xrv_event_t *event)
{
    return eventString(event, "viewer_relay_message_name");
}

const char *navigator_invoke_event_get_viewer_relay_window_id(xrv_event_t *event)
{
    return eventString(event, "viewer_relay_window_id");
}

const char *navigator_invoke_event_get_viewer_relay_data(xrv_event_t *event)
{
    return eventString(event, "viewer_relay_data");
}

} // extern "C"
