#include <screen/screen.h>

#include "xrv/backend_p.h"

#include <QByteArray>
#include <QMutex>
#include <QSet>

#include <cerrno>
#include <cstring>

using namespace qz::platform;

// Contexts, pixmaps and buffers are plain memory of this library; only what touches a window is
// the backend's (the window system of the process). Every call is still handed to the backend
// first, so that tests see and can fail each one.
struct screen_context
{
    QSet<screen_pixmap *> pixmaps;
};

struct screen_buffer
{
    int width = 0;
    int height = 0;
    int stride = 0;
    QByteArray pixels;
};

struct screen_pixmap
{
    screen_context *context = nullptr;
    int usage = 0;
    int format = 0;
    int width = 0;
    int height = 0;
    screen_buffer *buffer = nullptr;
};

namespace {

QMutex g_mutex;
QSet<const void *> g_handles; // every live context, pixmap and buffer

QVariant handleArgument(const void *handle)
{
    return QVariant::fromValue(quintptr(handle));
}

int fail(int error)
{
    errno = error;
    return -1;
}

bool live(const void *handle)
{
    QMutexLocker lock(&g_mutex);
    return handle && g_handles.contains(handle);
}

void adopt(const void *handle)
{
    QMutexLocker lock(&g_mutex);
    g_handles.insert(handle);
}

void release(const void *handle)
{
    QMutexLocker lock(&g_mutex);
    g_handles.remove(handle);
}

void destroyPixmap(screen_pixmap *pixmap)
{
    if (pixmap->buffer) {
        release(pixmap->buffer);
        delete pixmap->buffer;
    }
    release(pixmap);
    delete pixmap;
}

} // namespace

extern "C" {

int screen_create_context(screen_context_t *context, int type)
{
    if (!context)
        return fail(EINVAL);
    if (forward(Service::Screen, "screen_create_context", {type}) != 0)
        return -1;
    *context = new screen_context;
    adopt(*context);
    return 0;
}

int screen_destroy_context(screen_context_t context)
{
    if (!live(context))
        return fail(EINVAL);
    forward(Service::Screen, "screen_destroy_context", {handleArgument(context)});
    // What the caller left behind goes with its context.
    for (screen_pixmap *pixmap : std::as_const(context->pixmaps))
        destroyPixmap(pixmap);
    release(context);
    delete context;
    return 0;
}

int screen_create_pixmap(screen_pixmap_t *pixmap, screen_context_t context)
{
    if (!pixmap || !live(context))
        return fail(EINVAL);
    if (forward(Service::Screen, "screen_create_pixmap", {handleArgument(context)}) != 0)
        return -1;
    *pixmap = new screen_pixmap;
    (*pixmap)->context = context;
    context->pixmaps.insert(*pixmap);
    adopt(*pixmap);
    return 0;
}

int screen_destroy_pixmap(screen_pixmap_t pixmap)
{
    if (!live(pixmap))
        return fail(EINVAL);
    forward(Service::Screen, "screen_destroy_pixmap", {handleArgument(pixmap)});
    pixmap->context->pixmaps.remove(pixmap);
    destroyPixmap(pixmap);
    return 0;
}

int screen_set_pixmap_property_iv(screen_pixmap_t pixmap, int property, const int *values)
{
    if (!live(pixmap) || !values)
        return fail(EINVAL);
    QVariantList args{handleArgument(pixmap), property, values[0]};
    if (property == SCREEN_PROPERTY_BUFFER_SIZE)
        args.append(values[1]);
    if (forward(Service::Screen, "screen_set_pixmap_property_iv", args) != 0)
        return -1;
    switch (property) {
    case SCREEN_PROPERTY_USAGE:
        pixmap->usage = values[0];
        return 0;
    case SCREEN_PROPERTY_FORMAT:
        if (values[0] != SCREEN_FORMAT_RGBA8888)
            return fail(EINVAL);
        pixmap->format = values[0];
        return 0;
    case SCREEN_PROPERTY_BUFFER_SIZE:
        if (values[0] <= 0 || values[1] <= 0 || values[0] > SCREEN_MAX_SIZE ||
            values[1] > SCREEN_MAX_SIZE || pixmap->buffer)
            return fail(EINVAL);
        pixmap->width = values[0];
        pixmap->height = values[1];
        return 0;
    default:
        return fail(EINVAL);
    }
}

int screen_get_pixmap_property_pv(screen_pixmap_t pixmap, int property, void **values)
{
    if (!live(pixmap) || !values || property != SCREEN_PROPERTY_RENDER_BUFFERS)
        return fail(EINVAL);
    if (forward(Service::Screen, "screen_get_pixmap_property_pv",
                {handleArgument(pixmap), property}) != 0)
        return -1;
    if (!pixmap->buffer)
        return fail(EINVAL);
    values[0] = pixmap->buffer;
    return 0;
}

int screen_create_pixmap_buffer(screen_pixmap_t pixmap)
{
    if (!live(pixmap) || pixmap->buffer || pixmap->format != SCREEN_FORMAT_RGBA8888 ||
        pixmap->width <= 0)
        return fail(EINVAL);
    if (forward(Service::Screen, "screen_create_pixmap_buffer", {handleArgument(pixmap)}) != 0)
        return -1;
    auto *buffer = new screen_buffer;
    buffer->width = pixmap->width;
    buffer->height = pixmap->height;
    buffer->stride = pixmap->width * 4;
    buffer->pixels = QByteArray(qsizetype(buffer->stride) * buffer->height, '\0');
    pixmap->buffer = buffer;
    adopt(buffer);
    return 0;
}

int screen_get_buffer_property_iv(screen_buffer_t buffer, int property, int *values)
{
    if (!live(buffer) || !values || property != SCREEN_PROPERTY_STRIDE)
        return fail(EINVAL);
    if (forward(Service::Screen, "screen_get_buffer_property_iv",
                {handleArgument(buffer), property}) != 0)
        return -1;
    values[0] = buffer->stride;
    return 0;
}

int screen_get_buffer_property_pv(screen_buffer_t buffer, int property, void **values)
{
    if (!live(buffer) || !values || property != SCREEN_PROPERTY_POINTER)
        return fail(EINVAL);
    if (forward(Service::Screen, "screen_get_buffer_property_pv",
                {handleArgument(buffer), property}) != 0)
        return -1;
    values[0] = buffer->pixels.data();
    return 0;
}

int screen_get_window_property_iv(screen_window_t window, int property, int *values)
{
    if (!window || !values || property != SCREEN_PROPERTY_SIZE)
        return fail(EINVAL);
    QVariantList out;
    if (forward(Service::Screen, "screen_get_window_property_iv",
                {handleArgument(window), property}, &out) != 0)
        return -1;
    if (out.size() != 2)
        return fail(EIO);
    values[0] = out.at(0).toInt();
    values[1] = out.at(1).toInt();
    return 0;
}

int screen_read_window(screen_window_t window, screen_buffer_t buffer, int count,
                       const int *rectangles, int flags)
{
    if (!window || !live(buffer) || count != 0 || rectangles)
        return fail(EINVAL);
    QVariantList out;
    if (forward(Service::Screen, "screen_read_window",
                {handleArgument(window), handleArgument(buffer), count, flags}, &out) != 0)
        return -1;
    // The backend hands back the window's pixels as rows of width * 4 bytes.
    const int width = out.value(1).toInt();
    const int height = out.value(2).toInt();
    const QByteArray pixels = out.value(0).toByteArray();
    if (width < 0 || height < 0 || pixels.size() < qsizetype(width) * height * 4)
        return fail(EIO);
    const int rowBytes = qMin(width, buffer->width) * 4;
    for (int y = 0; y < qMin(height, buffer->height); ++y)
        std::memcpy(buffer->pixels.data() + qsizetype(y) * buffer->stride,
                    pixels.constData() + qsizetype(y) * width * 4, size_t(rowBytes));
    return 0;
}

} // extern "C"
