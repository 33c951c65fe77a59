/*
 * The image library: writes pixels in memory to an image file, its type chosen by the file's
 * extension.
 *
 * img_write_file() returns one of the IMG_ERR_* results. The file appears whole or not at all.
 */
#ifndef QZ_IMG_IMG_H
#define QZ_IMG_IMG_H

#include <qz/qzplatform_export.h>

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct img_lib *img_lib_t;

/* Which fields of an img_t are set. */
#define IMG_W 0x02
#define IMG_H 0x04
#define IMG_FORMAT 0x08
#define IMG_DIRECT 0x10

/* 32 bits a pixel, one native-endian word 0xAARRGGBB (the screen library's RGBA8888). */
#define IMG_FMT_RGBA8888 0x1520

#define IMG_ERR_OK 0
#define IMG_ERR_PARAM 1  /* a null or inconsistent argument */
#define IMG_ERR_MEM 2    /* out of memory */
#define IMG_ERR_FORMAT 3 /* the file's extension names no type that can be written */
#define IMG_ERR_IO 9     /* the file cannot be written there */
#define IMG_ERR_DLL 11   /* no image writers are available */
#define IMG_ERR_INTERNAL 12

typedef struct img
{
    unsigned flags;
    unsigned w;
    unsigned h;
    unsigned format;
    union {
        struct
        {
            unsigned char *data;
            size_t stride;
        } direct;
    } access;
} img_t;

/*! 0 with \a library set, else IMG_ERR_DLL. */
QZPLATFORM_EXPORT int img_lib_attach(img_lib_t *library);
QZPLATFORM_EXPORT void img_lib_detach(img_lib_t library);
/*! Writes \a image to \a path; \a options must be null. */
QZPLATFORM_EXPORT int img_write_file(img_lib_t library, const char *path, void *options,
                                     const img_t *image);

#ifdef __cplusplus
}
#endif

#endif
