#include <xrv/navigator_card.h>

#include "backend_p.h"
#include "navigator_p.h"

using namespace qz::platform;
using namespace qz::platform::navigator;

extern "C" {

int navigator_card_peek(int peek_type)
{
    return forward(Service::Navigator, "navigator_card_peek", {peek_type});
}

int navigator_card_close_child(void)
{
    return forward(Service::Navigator, "navigator_card_close_child");
}

int navigator_card_close(const char *reason, const char *data_type, const char *data)
{
    return forward(Service::Navigator, "navigator_card_close",
                   {textArgument(reason), textArgument(data_type), textArgument(data)});
}

int navigator_card_resized(const char *resize_id)
{
    return forward(Service::Navigator, "navigator_card_resized", {textArgument(resize_id)});
}

int navigator_card_swipe_away(void)
{
    return forward(Service::Navigator, "navigator_card_swipe_away");
}

int navigator_card_request_card_ready_check(bool enable)
{
    return forward(Service::Navigator, "navigator_card_request_card_ready_check", {enable});
}

int navigator_card_send_card_ready(void)
{
    return forward(Service::Navigator, "navigator_card_send_card_ready");
}

int navigator_event_get_card_peek_type(xrv_event_t *event)
{
    return eventNumber(event, "card_peek_type");
}

int navigator_event_get_peek_type(xrv_event_t *event)
{
    return eventNumber(event, "peek_type");
}

int navigator_event_get_card_width(xrv_event_t *event)
{
    return eventNumber(event, "card_width");
}

int navigator_event_get_card_height(xrv_event_t *event)
{
    return eventNumber(event, "card_height");
}

int navigator_event_get_card_edge(xrv_event_t *event)
{
    return eventNumber(event, "card_edge");
}

int navigator_event_get_card_orientation(xrv_event_t *event)
{
    return eventNumber(event, "card_orientation");
}

const char *navigator_event_get_card_closed_reason(xrv_event_t *event)
{
    return eventStringOrErrno(event, "card_closed_reason");
}

const char *navigator_event_get_card_closed_data_type(xrv_event_t *event)
{
    return eventStringOrErrno(event, "card_closed_data_type");
}

const char *navigator_event_get_card_closed_data(xrv_event_t *event)
{
    return eventStringOrErrno(event, "card_closed_data");
}

} // extern "C"
