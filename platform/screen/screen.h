/*
 * The screen library: windows, pixmaps and their buffers, as far as reading a window's pixels
 * needs them.
 *
 * A window handle stands for a window of the calling process (see qtwindow.h for making one).
 * Contexts, pixmaps and buffers belong to the caller, who destroys the pixmaps before the context.
 * Every function returns 0 on success, else -1 with errno set (EINVAL for a bad handle, property
 * or value; ENOSYS when no window system stands behind the library).
 */
#ifndef QZ_SCREEN_SCREEN_H
#define QZ_SCREEN_SCREEN_H

#include <qz/qzplatform_export.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct screen_context *screen_context_t;
typedef struct screen_window *screen_window_t;
typedef struct screen_pixmap *screen_pixmap_t;
typedef struct screen_buffer *screen_buffer_t;

/* Properties, by number. */
#define SCREEN_PROPERTY_BUFFER_SIZE 5     /* pixmap, 2 ints: width, height */
#define SCREEN_PROPERTY_FORMAT 14         /* pixmap, 1 int: SCREEN_FORMAT_* */
#define SCREEN_PROPERTY_POINTER 34        /* buffer, pointer to the first pixel */
#define SCREEN_PROPERTY_RENDER_BUFFERS 37 /* pixmap, the buffer handle */
#define SCREEN_PROPERTY_SIZE 40           /* window, 2 ints: width, height */
#define SCREEN_PROPERTY_STRIDE 44         /* buffer, 1 int: bytes from one row to the next */
#define SCREEN_PROPERTY_USAGE 48          /* pixmap, 1 int: SCREEN_USAGE_* bits */

/* 32 bits a pixel, one native-endian word 0xAARRGGBB. */
#define SCREEN_FORMAT_RGBA8888 8

#define SCREEN_USAGE_READ 0x2
#define SCREEN_USAGE_NATIVE 0x8

/* The largest side of a pixmap. */
#define SCREEN_MAX_SIZE 16384

QZPLATFORM_EXPORT int screen_create_context(screen_context_t *context, int type);
QZPLATFORM_EXPORT int screen_destroy_context(screen_context_t context);
QZPLATFORM_EXPORT int screen_create_pixmap(screen_pixmap_t *pixmap, screen_context_t context);
QZPLATFORM_EXPORT int screen_destroy_pixmap(screen_pixmap_t pixmap);
QZPLATFORM_EXPORT int screen_set_pixmap_property_iv(screen_pixmap_t pixmap, int property,
                                                    const int *values);
QZPLATFORM_EXPORT int screen_get_pixmap_property_pv(screen_pixmap_t pixmap, int property,
                                                    void **values);
/*! Allocates the pixmap's buffer at its buffer size; the format must be set. */
QZPLATFORM_EXPORT int screen_create_pixmap_buffer(screen_pixmap_t pixmap);
QZPLATFORM_EXPORT int screen_get_buffer_property_iv(screen_buffer_t buffer, int property,
                                                    int *values);
QZPLATFORM_EXPORT int screen_get_buffer_property_pv(screen_buffer_t buffer, int property,
                                                    void **values);
QZPLATFORM_EXPORT int screen_get_window_property_iv(screen_window_t window, int property,
                                                    int *values);
/*! Copies the window's pixels into \a buffer (the whole window: \a count must be 0); what lies
    beyond the buffer is cut off. */
QZPLATFORM_EXPORT int screen_read_window(screen_window_t window, screen_buffer_t buffer, int count,
                                         const int *rectangles, int flags);

#ifdef __cplusplus
}
#endif

#endif
