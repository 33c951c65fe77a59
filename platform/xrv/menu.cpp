#include <xrv/menu.h>

#include "backend_p.h"

using namespace qz::platform;

extern "C" {

int menu_get_domain(void)
{
    return domainOf(Service::Menu);
}

int menu_request_events(int flags)
{
    return notify(Service::Menu, "menu_request_events", {flags});
}

int menu_stop_events(int flags)
{
    return notify(Service::Menu, "menu_stop_events", {flags});
}

const char *menu_event_get_id(xrv_event_t *event)
{
    return eventString(event, "id");
}

const char *menu_event_get_err(xrv_event_t *event)
{
    return eventString(event, "err");
}

} // extern "C"
