#include <xrv/navigator_viewer.h>

#include "backend_p.h"
#include "navigator_p.h"

#include <memory>
#include <optional>

using namespace qz::platform;
using namespace qz::platform::navigator;

struct navigator_invoke_viewer
{
    navigator_invoke_invocation invocation;
    std::optional<QByteArray> windowId;
    int width = -1;
    int height = -1;
};

namespace {

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
    viewer->invocation =
        navigator_invoke_invocation::fromMap(map.value(QStringLiteral("invocation")).toMap());
    if (const QVariant windowId = map.value(QStringLiteral("window_id")); windowId.isValid())
        viewer->windowId = windowId.toString().toUtf8();
    viewer->width = sizeIn(map, QStringLiteral("width"));
    viewer->height = sizeIn(map, QStringLiteral("height"));
    return viewer;
}

} // namespace

extern "C" {

const navigator_invoke_viewer_t *navigator_invoke_event_get_viewer(xrv_event_t *event)
{
    return static_cast<const navigator_invoke_viewer_t *>(
        eventHandle(event, "viewer", viewerFromMap));
}

const navigator_invoke_invocation_t *
navigator_invoke_viewer_get_invocation(const navigator_invoke_viewer_t *viewer)
{
    return viewer ? &viewer->invocation : nullptr;
}

const char *navigator_invoke_viewer_get_window_id(const navigator_invoke_viewer_t *viewer)
{
    return viewer && viewer->windowId ? viewer->windowId->constData() : nullptr;
}

int navigator_invoke_viewer_get_width(const navigator_invoke_viewer_t *viewer)
{
    return viewer ? viewer->width : -1;
}

int navigator_invoke_viewer_get_height(const navigator_invoke_viewer_t *viewer)
{
    return viewer ? viewer->height : -1;
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
