/*
 * NFC library: the nfc domain of the event service and the NFC requests, forwarded to the NFC
 * backend.
 */
#ifndef NFC_NFC_H
#define NFC_NFC_H

#include <xrv/xrv.h>

#ifdef __cplusplus
extern "C" {
#endif

QZPLATFORM_EXPORT int nfc_get_domain(void);
QZPLATFORM_EXPORT int nfc_request_events(int flags);
QZPLATFORM_EXPORT int nfc_stop_events(void);

#ifdef __cplusplus
}
#endif

#endif
