#ifndef QZ_SYSTEM_SCREENSHOTFORMAT_H
#define QZ_SYSTEM_SCREENSHOTFORMAT_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::ScreenshotFormat
    \brief The image format of a display capture.

    \value Png A PNG file
    \value Jpeg A JPEG file
*/
class QZSYSTEM_EXPORT ScreenshotFormat
{
    Q_GADGET
public:
    enum Type : int { Png = 0, Jpeg = 1 };
    Q_ENUM(Type)

    ScreenshotFormat() = delete;
};

} // namespace qz::system

#endif
