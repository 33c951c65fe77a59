/*
 * Window handles of the screen library over the application's Qt windows, and the window system
 * behind the screen and image libraries: linking qzplatformgui makes them read windows through
 * Qt and write files with Qt's image writers.
 */
#ifndef QZ_SCREEN_QTWINDOW_H
#define QZ_SCREEN_QTWINDOW_H

#include <qz/qzplatformgui_export.h>
#include <screen/screen.h>

class QWindow;

namespace qz::platform {

/*!
    The screen library's handle for \a window, a window of this process; the same handle each time
    for the same window. It lives as long as the window: afterwards the library refuses it
    (EINVAL) instead of reading freed memory. Null for a null window. Reading a window's pixels
    needs a QGuiApplication and happens on the window's thread.
*/
QZPLATFORMGUI_EXPORT screen_window_t screenWindow(QWindow *window);

} // namespace qz::platform

#endif
