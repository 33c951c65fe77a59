#include <xrv/navigator.h>

#include "backend_p.h"

using namespace qz::platform;

extern "C" {

int navigator_get_domain(void)
{
    return domainOf(Service::Navigator);
}

int navigator_request_events(int flags)
{
    return notify(Service::Navigator, "navigator_request_events", {flags});
}

int navigator_stop_events(int flags)
{
    return notify(Service::Navigator, "navigator_stop_events", {flags});
}

const char *navigator_event_get_id(xrv_event_t *event)
{
    return eventString(event, "id");
}

const char *navigator_event_get_err(xrv_event_t *event)
{
    return eventString(event, "err");
}

const char *navigator_event_get_data(xrv_event_t *event)
{
    return eventString(event, "data");
}

} // extern "C"
