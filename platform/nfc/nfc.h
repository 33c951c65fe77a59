/*
 * NFC library: NDEF messages and records (encoded and parsed byte for byte in the NFC Forum NDEF
 * layout), the nfc domain of the event service, the targets its events carry, and the NFC requests
 * (registrations, push, tag write, hand-over, settings), forwarded to the NFC backend.
 *
 * Results. Every function returning nfc_result_t returns NFC_RESULT_SUCCESS (0) or one of the
 * codes below, and on failure also sets errno (EINVAL for a bad argument or an unknown handle,
 * EBADMSG for malformed NDEF bytes, ENOENT for something the target or record does not hold,
 * ENOSYS when no backend is installed). A request the backend refuses returns the code the
 * backend gives: a backend refuses with -1 and errno set to the NFC result code (so a recording
 * backend told to fail "nfc_write_ndef_message_to_tag" with 4 makes the write return
 * NFC_RESULT_TAG_LOCKED), or returns a positive code itself.
 *
 * Handles. Messages, records and targets are opaque. Every function checks that a handle it is
 * given is alive and of the right kind, and refuses anything else with NFC_RESULT_INVALID_PARAMETER
 * instead of touching it. Who owns what is said at each function.
 *
 * What the backend sees. Request functions forward to the NFC backend by their C name with their
 * arguments in C order: a target travels as its "id" (see nfc_get_target), an NDEF message as its
 * encoded bytes (QByteArray), numbers as int, flags as bool. The functions that build and delete
 * NDEF data and nfc_destroy_target work locally but are also told to the backend (as
 * nfc_request_events is), with the arguments listed at each: a backend answers them 0, or refuses
 * them to make the call fail; with no backend installed they simply succeed.
 */
#ifndef NFC_NFC_H
#define NFC_NFC_H

#include <xrv/xrv.h>

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Results. */
typedef enum {
    NFC_RESULT_SUCCESS = 0,
    NFC_RESULT_INVALID_PARAMETER = 1, /* null or unknown handle, out-of-range value */
    NFC_RESULT_BAD_NDEF_FORMAT = 2,   /* bytes that are not a well-formed NDEF message */
    NFC_RESULT_NOT_FOUND = 3,         /* no such message, record, field or setting */
    NFC_RESULT_TAG_LOCKED = 4,        /* the tag is read-only */
    NFC_RESULT_SERVICE_UNAVAILABLE = 5,
    NFC_RESULT_UNSUPPORTED_RECORD = 6, /* the record is not of the kind the accessor reads */
    NFC_RESULT_IO_ERROR = 7,           /* the service failed or answered nonsense */
    NFC_RESULT_MESSAGE_TOO_LARGE = 12,
    NFC_RESULT_UNSUPPORTED_TAG_TYPE = 52
} nfc_result_t;

/* Event codes of the nfc domain (xrv_event_get_code). */
enum {
    NFC_SNEP_CONNECTION_EVENT = 1,   /* a SNEP peer is in range; carries "target" */
    NFC_TAG_READWRITE_EVENT = 2,     /* a writable tag is in range; carries "target" */
    NFC_HANDOVER_DETECTED_EVENT = 3, /* a peer asks for a connection hand-over; carries "target" */
    NFC_HANDOVER_COMPLETE_EVENT = 4, /* the hand-over is done; "target" holds the peer's
                                        hand-over message */
    NFC_OFF_EVENT = 6,
    NFC_ON_EVENT = 7,
    NFC_NDEF_PUSH_SUCCEED_EVENT = 20,
    NFC_NDEF_PUSH_FAILURE_MSG_OVER_SIZE_EVENT = 21,
    NFC_NDEF_PUSH_FAILURE_REJECTED_EVENT = 22,
    NFC_NDEF_PUSH_FAILURE_IO_ERROR_EVENT = 23,
    NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT = 30,
    NFC_TARGET_LOST_EVENT = 49
};

/* NDEF type name formats (the TNF field of a record header). */
typedef enum {
    NFC_TNF_EMPTY = 0,
    NFC_TNF_WELL_KNOWN = 1, /* NFC Forum well-known type: "T" text, "U" URI */
    NFC_TNF_MEDIA = 2,      /* a MIME media type (RFC 2046) */
    NFC_TNF_ABSOLUTE_URI = 3,
    NFC_TNF_EXTERNAL = 4,
    NFC_TNF_UNKNOWN = 5,
    NFC_TNF_UNCHANGED = 6 /* only inside chunk sequences on the wire; never a record's own */
} nfc_tnf_t;

/* Hand-over transports: in listener registrations, confirmations and hand-over records. */
typedef enum {
    NFC_HANDOVER_TRANSPORT_BLUETOOTH = 1,
    NFC_HANDOVER_TRANSPORT_WIFI_DIRECT = 2
} nfc_handover_transport_t;

typedef enum {
    NFC_HANDOVER_ROLE_REQUESTER = 0,
    NFC_HANDOVER_ROLE_SELECTOR = 1
} nfc_handover_role_t;

/* Tags a reader-writer registers for. */
enum { NFC_TAG_TYPE_NDEF = 4 /* any tag that holds NDEF messages */ };

/* Settings readable with nfc_get_setting. */
enum { NFC_SETTING_PROMPT_TO_SEND_FILES = 3 };

/* The record types of hand-over carrier records (media records, NFC_TNF_MEDIA). */
#define NFC_HANDOVER_BLUETOOTH_TYPE "application/vnd.bluetooth.ep.oob"
#define NFC_HANDOVER_WIFI_DIRECT_TYPE "application/vnd.wfa.p2p"

typedef struct nfc_ndef_message nfc_ndef_message_t;
typedef struct nfc_ndef_record nfc_ndef_record_t;
typedef struct nfc_target nfc_target_t;
/* The NFC view of one event of the nfc domain; lives exactly as long as that event. */
typedef struct nfc_event nfc_event_t;

/* ---- Event domain ---------------------------------------------------------------------------- */

QZPLATFORM_EXPORT int nfc_get_domain(void);
/* Told to the backend as "nfc_request_events" {flags}; returns its answer (0 with none). */
QZPLATFORM_EXPORT int nfc_request_events(int flags);
/* Told to the backend as "nfc_stop_events" {}; returns its answer (0 with none). */
QZPLATFORM_EXPORT int nfc_stop_events(void);

/* ---- Events (read only; no backend involved) ------------------------------------------------- */

/* On success *nfc_event is the NFC view of \a event, valid while the event is dispatched. Refused
   for a null event, an event of another domain, and an event carrying the field
   "nfc_event_error" (a non-zero result code, which is returned: an event the library cannot
   read). */
QZPLATFORM_EXPORT nfc_result_t nfc_get_nfc_event(xrv_event_t *event, nfc_event_t **nfc_event);

/* Reads the event field "target", a map:
     "id"             the service's name for the target (a number or a text), handed back
                      unchanged as the first argument of every request about this target;
     "ndef_messages"  list of byte arrays, each one encoded NDEF message the target holds (for
                      a hand-over: one message of hand-over carrier records);
     "handover_role"  int, an nfc_handover_role_t (optional).
   On success *target is a new target built from that map and owned by the caller, who releases
   it with nfc_destroy_target; it does not depend on the event. NFC_RESULT_NOT_FOUND when the event
   has no "target" field. Message bytes are checked when a message is asked for. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_target(nfc_event_t *event, nfc_target_t **target);

/* Releases a target from nfc_get_target with the messages and records read from it. Told to the
   backend as "nfc_destroy_target" {target id}; the target is released whatever it answers. */
QZPLATFORM_EXPORT nfc_result_t nfc_destroy_target(nfc_target_t *target);

/* ---- Reading targets (no backend involved) --------------------------------------------------- */

QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_message_count(nfc_target_t *target,
                                                          unsigned int *count);
/* *message is owned by the target (never delete it) and lives as long as the target. Bytes of
   that message that are not well-formed NDEF give NFC_RESULT_BAD_NDEF_FORMAT. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_message(nfc_target_t *target, unsigned int index,
                                                    nfc_ndef_message_t **message);
/* The target's "handover_role"; NFC_RESULT_NOT_FOUND when it has none. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_handover_role(nfc_target_t *target,
                                                     nfc_handover_role_t *role);

/* ---- Hand-over carrier records (no backend involved) ----------------------------------------- */

/* The transport of a carrier record, from its type (NFC_HANDOVER_*_TYPE);
   NFC_RESULT_UNSUPPORTED_RECORD for any other record. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_handover_transport_type(nfc_ndef_record_t *record,
                                                               nfc_handover_transport_t *transport);
/* *mac_address is a new text "AA:BB:CC:DD:EE:FF" that the caller releases with free().
   NFC_RESULT_UNSUPPORTED_RECORD for a record of another transport, NFC_RESULT_BAD_NDEF_FORMAT for
   a carrier record too short to hold an address. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_handover_bluetooth_mac_address(nfc_ndef_record_t *record,
                                                                      char **mac_address);
QZPLATFORM_EXPORT nfc_result_t nfc_get_handover_wifi_direct_mac_address(nfc_ndef_record_t *record,
                                                                        char **mac_address);

/* ---- NDEF messages and records --------------------------------------------------------------- */

/* *message is a new message without records, owned by the caller.
   Told to the backend as "nfc_create_ndef_message" {}. */
QZPLATFORM_EXPORT nfc_result_t nfc_create_ndef_message(nfc_ndef_message_t **message);

/* Parses \a length bytes as one whole NDEF message; on success *message is new and owned by the
   caller, else *message is NULL, the result is NFC_RESULT_BAD_NDEF_FORMAT (errno EBADMSG) and
   nothing past \a length is read. Refused: no bytes, a record running past the end, MB missing on
   the first record or set on a later one, ME missing on the last record or set before the end,
   bytes after the record with ME, a chunk sequence not ended or mixed with other records, a
   chunk that changes the type or carries an ID, the reserved TNF 7, TNF "unchanged" outside a
   chunk sequence, an empty record with a type, ID or payload, an unknown record with a type.
   Told to the backend as "nfc_create_ndef_message_from_bytes" {bytes, length}. */
QZPLATFORM_EXPORT nfc_result_t nfc_create_ndef_message_from_bytes(const uint8_t *bytes,
                                                                  size_t length,
                                                                  nfc_ndef_message_t **message);

/* Releases a message created by the caller (not one read from a target), whatever it returns. With
   \a delete_records its records go too; otherwise they are detached and stay with the caller.
   Told to the backend as "nfc_delete_ndef_message" {bytes of the message, delete_records}. */
QZPLATFORM_EXPORT nfc_result_t nfc_delete_ndef_message(nfc_ndef_message_t *message,
                                                       bool delete_records);

/* A text record (well-known type "T"): UTF-8 \a text and the language code \a language (1 to 63
   bytes of ASCII, e.g. "en"). *record is new and owned by the caller until added to a message.
   Told to the backend as "nfc_create_text_record" {text, language} (QString each). */
QZPLATFORM_EXPORT nfc_result_t nfc_create_text_record(const char *text, const char *language,
                                                      nfc_ndef_record_t **record);
/* A URI record (well-known type "U"); the longest prefix of the NFC Forum abbreviation table is
   replaced by its code. Told to the backend as "nfc_create_uri_record" {uri} (QString). */
QZPLATFORM_EXPORT nfc_result_t nfc_create_uri_record(const char *uri, nfc_ndef_record_t **record);
/* A record of any TNF but NFC_TNF_UNCHANGED: \a type (text, up to 255 bytes; NULL or "" for none),
   \a payload_length bytes of payload (NULL allowed when 0) and the optional \a id (up to 255
   bytes). Refused when the TNF forbids what is given (an empty record with anything, an
   unknown record with a type). Told to the backend as "nfc_create_ndef_record"
   {tnf, type (QString), payload (QByteArray), payload_length, id (QString, invalid for NULL)}. */
QZPLATFORM_EXPORT nfc_result_t nfc_create_ndef_record(nfc_tnf_t tnf, const char *type,
                                                      const uint8_t *payload, size_t payload_length,
                                                      const char *id, nfc_ndef_record_t **record);
/* Appends \a record to \a message, which then owns it. A record belongs to at most one message;
   messages read from targets cannot be changed. Told to the backend as "nfc_add_ndef_record"
   {bytes of the message before the call, bytes of the record as a one-record message}. */
QZPLATFORM_EXPORT nfc_result_t nfc_add_ndef_record(nfc_ndef_message_t *message,
                                                   nfc_ndef_record_t *record);
/* Releases a record that belongs to no message. Not told to the backend. */
QZPLATFORM_EXPORT nfc_result_t nfc_delete_ndef_record(nfc_ndef_record_t *record);

QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_record_count(nfc_ndef_message_t *message,
                                                         unsigned int *count);
/* *record stays owned by the message. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_record(nfc_ndef_message_t *message, unsigned int index,
                                                   nfc_ndef_record_t **record);

/* The encoded size of \a message, and the encoding itself into \a buffer of \a capacity bytes
   (NFC_RESULT_INVALID_PARAMETER when it does not fit). A message without records encodes as one
   empty record. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_message_byte_length(nfc_ndef_message_t *message,
                                                                size_t *length);
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_message_bytes(nfc_ndef_message_t *message,
                                                          uint8_t *buffer, size_t capacity,
                                                          size_t *length);

/* Record accessors: pointers into the record, valid while it lives. Texts are NUL-terminated;
   a payload may hold any bytes. A chunked record read from bytes is one record here. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_record_tnf(nfc_ndef_record_t *record, nfc_tnf_t *tnf);
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_record_type(nfc_ndef_record_t *record,
                                                        const char **type);
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_record_id(nfc_ndef_record_t *record, const char **id);
QZPLATFORM_EXPORT nfc_result_t nfc_get_ndef_record_payload(nfc_ndef_record_t *record,
                                                           const uint8_t **payload, size_t *length);
/* The text (as UTF-8, also when the record holds UTF-16) and language of a text record;
   NFC_RESULT_UNSUPPORTED_RECORD for another record, NFC_RESULT_BAD_NDEF_FORMAT for a malformed
   text payload. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_text_record(nfc_ndef_record_t *record, const char **text,
                                                   const char **language);
/* The full URI of a URI record, prefix expanded; errors as for nfc_get_text_record (a prefix code
   outside the table is malformed). */
QZPLATFORM_EXPORT nfc_result_t nfc_get_uri_record(nfc_ndef_record_t *record, const char **uri);

/* ---- Requests (forwarded to the NFC backend) ------------------------------------------------- */

/* Backend: "nfc_register_snep_client" {}. Events NFC_SNEP_CONNECTION_EVENT follow. */
QZPLATFORM_EXPORT nfc_result_t nfc_register_snep_client(void);
/* Backend: "nfc_unregister_snep_client" {}. */
QZPLATFORM_EXPORT nfc_result_t nfc_unregister_snep_client(void);
/* Backend: "nfc_register_tag_readerwriter" {tag_types}. Events NFC_TAG_READWRITE_EVENT follow. */
QZPLATFORM_EXPORT nfc_result_t nfc_register_tag_readerwriter(int tag_types);
/* Backend: "nfc_unregister_tag_readerwriter" {}. */
QZPLATFORM_EXPORT nfc_result_t nfc_unregister_tag_readerwriter(void);
/* Backend: "nfc_register_handover_listener" {transport}. Refused locally for a value that is
   not an nfc_handover_transport_t. */
QZPLATFORM_EXPORT nfc_result_t nfc_register_handover_listener(nfc_handover_transport_t transport);
/* Backend: "nfc_unregister_handover_listener" {}. */
QZPLATFORM_EXPORT nfc_result_t nfc_unregister_handover_listener(void);

/* Answers a detected hand-over with the registered transports.
   Backend: "nfc_confirm_handover_process" {target id, confirm}. */
QZPLATFORM_EXPORT nfc_result_t nfc_confirm_handover_process(nfc_target_t *target, bool confirm);
/* Answers a detected hand-over offering \a count transports in their order (\a transports may be
   NULL when \a count is 0). Backend: "nfc_confirm_handover_process_with_transports"
   {target id, transports (QVariantList of int), count}. */
QZPLATFORM_EXPORT nfc_result_t nfc_confirm_handover_process_with_transports(
    nfc_target_t *target, const nfc_handover_transport_t *transports, unsigned int count);

/* Pushes \a message to a SNEP peer; the outcome arrives later as NFC_NDEF_PUSH_SUCCEED_EVENT or
   a push failure event. Backend: "nfc_push_ndef_message" {target id, message bytes}. */
QZPLATFORM_EXPORT nfc_result_t nfc_push_ndef_message(nfc_target_t *target,
                                                     nfc_ndef_message_t *message);
/* Writes \a message to a tag, synchronously: 0, NFC_RESULT_TAG_LOCKED,
   NFC_RESULT_MESSAGE_TOO_LARGE, NFC_RESULT_UNSUPPORTED_TAG_TYPE or another failure.
   Backend: "nfc_write_ndef_message_to_tag" {target id, message bytes, optimize}. */
QZPLATFORM_EXPORT nfc_result_t nfc_write_ndef_message_to_tag(nfc_target_t *target,
                                                             nfc_ndef_message_t *message,
                                                             bool optimize);

/* Reads a user setting. Backend: "nfc_get_setting" {setting}, answering the value as its first
   out-value (bool); an answer without one is NFC_RESULT_IO_ERROR, never a made-up value. */
QZPLATFORM_EXPORT nfc_result_t nfc_get_setting(int setting, bool *value);

#ifdef __cplusplus
}
#endif

#endif
