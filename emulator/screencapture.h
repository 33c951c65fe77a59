// The device's screen-capture service: serves "/pps/services/multimedia/screencapture/control".
// A "screenPhotoSave" request is answered with the display as it looks now (what the dialog
// service shows included), saved as PNG or JPEG where the request says or where the service
// chooses:
//     res::screenPhotoSave  id::<the request's>  err:n:0  dat:json:{"file":"<absolute path>"}
// or, when nothing was saved (no file is left behind then):
//     res::screenPhotoSave  id::<the request's>  err:n:<number>  error::<why>
// with 4017 for a path that cannot be written (relative, a folder, a missing folder), 4018 for a
// format or file extension other than png, jpg or jpeg, 4019 when the user declines (the
// service's decline switch), 4000 for a request that is not one of these.
#ifndef QZDEVICE_SCREENCAPTURE_H
#define QZDEVICE_SCREENCAPTURE_H

#include "deviceservice.h"
#include "dialog.h"

#include <QImage>
#include <QList>
#include <QSize>

#include <functional>
#include <memory>

class ScreenCapturePrivate;

class ScreenCaptureService : public DeviceService
{
    Q_OBJECT
public:
    static const QString s_controlPath;
    /*! The emulated display, in pixels. */
    static constexpr QSize displaySize{720, 1280};

    enum Result {
        Saved = 0,
        BadRequest = 4000,
        BadFilePath = 4017,
        UnsupportedType = 4018,
        UserDeclined = 4019
    };

    struct Options
    {
        /*! Where captures go when the request names no file; made when missing. */
        QString picturesDir;
        /*! The user declines every capture. */
        bool decline = false;
    };

    /*! \a shown tells what is on the display: the dialogs and toasts that are up. */
    ScreenCaptureService(const Options &options, std::function<QList<Dialog>()> shown,
                         QObject *parent = nullptr);
    ~ScreenCaptureService() override;

    QString name() const override;
    bool start(QString *error) override;

    /*! The display with \a dialogs on it. Text is drawn only in a QGuiApplication. */
    static QImage render(const QList<Dialog> &dialogs);

private:
    std::unique_ptr<ScreenCapturePrivate> const d;
};

#endif
