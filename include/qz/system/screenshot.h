#ifndef QZ_SYSTEM_SCREENSHOT_H
#define QZ_SYSTEM_SCREENSHOT_H

#include <qz/system/qzsystem_export.h>
#include <qz/system/screenshoterror.h>
#include <qz/system/screenshotformat.h>

#include <screen/screen.h>

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

// Window handles pass through the meta-object system as they are.
Q_DECLARE_OPAQUE_POINTER(screen_window_t)

namespace qz::system {

class ScreenshotPrivate;

/*!
    \class qz::system::Screenshot
    \brief Captures the display, through the screen-capture service, or one of the application's
    own windows, in process.

    Every capture blocks until the file is written and returns its path, or an empty string; the
    reason of a failure stays in error() until a later capture changes it. A successful display
    capture resets it to None; a successful window capture leaves it as it was.
*/
class QZSYSTEM_EXPORT Screenshot : public QObject
{
    Q_OBJECT
public:
    explicit Screenshot(QObject *parent = nullptr);
    ~Screenshot() override;

    /*! The display as PNG, saved where the service chooses. */
    Q_INVOKABLE QString captureDisplay();
    /*! The display in \a format; a value other than Png or Jpeg fails with UnsupportedFileType
        without asking the service. */
    Q_INVOKABLE QString captureDisplay(qz::system::ScreenshotFormat::Type format);
    /*! The display, saved at the file \a url names. */
    Q_INVOKABLE QString captureDisplay(const QUrl &url);
    /*! \a window, a window of this process, saved at the file \a url names; the type follows the
        file's extension. */
    Q_INVOKABLE QString captureWindow(const QUrl &url, screen_window_t window);
    /*! The last error, a ScreenshotError::Type. */
    Q_INVOKABLE int error() const;

protected:
    QString captureDisplay(int format);

private:
    std::unique_ptr<ScreenshotPrivate> const d;
};

} // namespace qz::system

#endif
