#include <nfc/nfc.h>

#include "../xrv/backend_p.h"

using namespace qz::platform;

extern "C" {

int nfc_get_domain(void)
{
    return domainOf(Service::Nfc);
}

int nfc_request_events(int flags)
{
    return notify(Service::Nfc, "nfc_request_events", {flags});
}

int nfc_stop_events(void)
{
    return notify(Service::Nfc, "nfc_stop_events");
}

} // extern "C"
