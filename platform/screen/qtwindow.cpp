#include "qtwindow.h"

#include "xrv/backend_p.h"

#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QPixmap>
#include <QPointer>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <cerrno>

namespace qz::platform {

// What a window handle points at. Its address is the handle; the registry says whether an
// address is a live one before anything is read through it.
struct WindowHandle
{
    QPointer<QWindow> window;
};

namespace {

QMutex g_mutex;
QHash<quintptr, WindowHandle *> g_windows; // handle address -> handle
QHash<QWindow *, WindowHandle *> g_handles;

int fail(int error)
{
    errno = error;
    return -1;
}

// The window behind a handle argument, when it is a live window the caller may read now.
QWindow *windowOf(const QVariant &handle, int *error)
{
    QMutexLocker lock(&g_mutex);
    WindowHandle *h = g_windows.value(handle.value<quintptr>());
    QWindow *window = h ? h->window.data() : nullptr;
    if (!window)
        *error = EINVAL;
    else if (!qGuiApp || QThread::currentThread() != window->thread())
        *error = EPERM;
    else
        return window;
    return nullptr;
}

QSize pixelSize(const QWindow *window)
{
    return (QSizeF(window->size()) * window->devicePixelRatio()).toSize();
}

class QtScreenBackend : public Backend
{
public:
    int call(const QByteArray &name, const QVariantList &args, QVariantList *out) override
    {
        if (name == "screen_get_window_property_iv") {
            int error = 0;
            QWindow *window = windowOf(args.value(0), &error);
            if (!window)
                return fail(error);
            const QSize size = pixelSize(window);
            if (out)
                *out = {size.width(), size.height()};
            return 0;
        }
        if (name == "screen_read_window") {
            int error = 0;
            QWindow *window = windowOf(args.value(0), &error);
            if (!window)
                return fail(error);
            if (!window->screen() || !window->isExposed())
                return fail(EAGAIN); // nothing drawn to read yet
            const QImage image = window->screen()
                                     ->grabWindow(window->winId())
                                     .toImage()
                                     .convertToFormat(QImage::Format_ARGB32);
            if (image.isNull())
                return fail(EIO);
            QByteArray pixels;
            pixels.reserve(qsizetype(image.width()) * image.height() * 4);
            for (int y = 0; y < image.height(); ++y)
                pixels.append(reinterpret_cast<const char *>(image.constScanLine(y)),
                              qsizetype(image.width()) * 4);
            if (out)
                *out = {pixels, image.width(), image.height()};
            return 0;
        }
        // Contexts, pixmaps and buffers are the screen library's own memory.
        return 0;
    }
};

} // namespace

Backend *createImageWriterBackend(); // imagewriter.cpp

screen_window_t screenWindow(QWindow *window)
{
    if (!window)
        return nullptr;
    QMutexLocker lock(&g_mutex);
    if (WindowHandle *known = g_handles.value(window))
        return reinterpret_cast<screen_window_t>(known);
    auto *handle = new WindowHandle{window};
    g_handles.insert(window, handle);
    g_windows.insert(quintptr(handle), handle);
    QObject::connect(window, &QObject::destroyed, [window, handle] {
        QMutexLocker forget(&g_mutex);
        g_handles.remove(window);
        g_windows.remove(quintptr(handle));
        delete handle;
    });
    return reinterpret_cast<screen_window_t>(handle);
}

namespace {

// Linking this library puts Qt behind the screen and image libraries of the process.
const bool g_registered = [] {
    setDefaultBackendFactory(Service::Screen, []() -> Backend * { return new QtScreenBackend; });
    setDefaultBackendFactory(Service::Image, &createImageWriterBackend);
    return true;
}();

} // namespace

} // namespace qz::platform
