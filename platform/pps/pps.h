/*
 * libpps: the C codec of the PPS text format.
 *
 * The encoder writes top-level attributes as PPS lines ("name::text", "name:n:42"); an object or
 * array started at top level becomes one "json" attribute, and everything nested inside it JSON.
 * Initialised for JSON, the whole output is one JSON object instead.
 *
 * The decoder parses PPS text and walks it with push/pop: at the top level sit the plain
 * attributes and the object blocks ("@name", pushed by "name" or "@name"; NULL pushes the first
 * block); a "json" object or array is pushed by its attribute name. Inside an array a NULL name
 * takes the next element. Strings handed out stay valid until pps_decoder_cleanup().
 */
#ifndef PPS_PPS_H
#define PPS_PPS_H

#include <qz/qzplatform_export.h>

#include <stdbool.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef enum {
    PPS_ENCODER_OK = 0,
    PPS_ENCODER_BAD_NESTING,
    PPS_ENCODER_INVALID_VALUE,
    PPS_ENCODER_NOT_INITIALIZED
} pps_encoder_error_t;

typedef enum {
    PPS_DECODER_OK = 0,
    PPS_DECODER_PARSE_ERROR,
    PPS_DECODER_NO_ELEM,
    PPS_DECODER_BAD_TYPE,
    PPS_DECODER_BAD_NESTING,
    PPS_DECODER_NOT_INITIALIZED
} pps_decoder_error_t;

typedef struct pps_encoder
{
    void *impl;
} pps_encoder_t;

typedef struct pps_decoder
{
    void *impl;
} pps_decoder_t;

QZPLATFORM_EXPORT void pps_encoder_initialize(pps_encoder_t *encoder, bool is_json);
QZPLATFORM_EXPORT void pps_encoder_reset(pps_encoder_t *encoder);
QZPLATFORM_EXPORT void pps_encoder_cleanup(pps_encoder_t *encoder);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_start_object(pps_encoder_t *encoder,
                                                               const char *name);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_end_object(pps_encoder_t *encoder);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_start_array(pps_encoder_t *encoder,
                                                              const char *name);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_end_array(pps_encoder_t *encoder);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_add_string(pps_encoder_t *encoder,
                                                             const char *name, const char *value);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_add_int(pps_encoder_t *encoder, const char *name,
                                                          int value);
QZPLATFORM_EXPORT pps_encoder_error_t pps_encoder_add_bool(pps_encoder_t *encoder, const char *name,
                                                           bool value);
/* The finished text, NUL-terminated; NULL while an object or array is open or after an error. */
QZPLATFORM_EXPORT const char *pps_encoder_buffer(pps_encoder_t *encoder);
QZPLATFORM_EXPORT int pps_encoder_length(pps_encoder_t *encoder);

QZPLATFORM_EXPORT pps_decoder_error_t pps_decoder_initialize(pps_decoder_t *decoder,
                                                             const char *str);
QZPLATFORM_EXPORT pps_decoder_error_t pps_decoder_parse_pps_str(pps_decoder_t *decoder,
                                                                const char *str);
QZPLATFORM_EXPORT pps_decoder_error_t pps_decoder_push(pps_decoder_t *decoder, const char *name);
QZPLATFORM_EXPORT pps_decoder_error_t pps_decoder_pop(pps_decoder_t *decoder);
QZPLATFORM_EXPORT pps_decoder_error_t pps_decoder_get_string(pps_decoder_t *decoder,
                                                             const char *name, const char **value);
QZPLATFORM_EXPORT pps_decoder_error_t pps_decoder_get_int(pps_decoder_t *decoder, const char *name,
                                                          int *value);
QZPLATFORM_EXPORT void pps_decoder_cleanup(pps_decoder_t *decoder);

#ifdef __cplusplus
}
#endif

#endif
