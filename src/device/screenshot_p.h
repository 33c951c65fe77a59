/*
 * Not API. The work of Screenshot: the display through the screen-capture service, a window
 * through the screen and image libraries.
 */
#ifndef QZ_SYSTEM_SCREENSHOT_P_H
#define QZ_SYSTEM_SCREENSHOT_P_H

#include <qz/system/screenshoterror.h>

#include <screen/screen.h>

#include <QLoggingCategory>
#include <QUrl>
#include <QVariantMap>

namespace qz::system {

Q_DECLARE_LOGGING_CATEGORY(lcScreenshot)

class ScreenshotPrivate
{
public:
    static const QString s_controlPath;

    QString captureDisplay(const QVariantMap &dat);
    QString captureWindow(const QUrl &url, screen_window_t window);

    ScreenshotError::Type error = ScreenshotError::None;
};

} // namespace qz::system

#endif
