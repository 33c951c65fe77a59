#ifndef QZ_SYSTEM_SCREENSHOTERROR_H
#define QZ_SYSTEM_SCREENSHOTERROR_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::ScreenshotError
    \brief Why a screenshot was not taken.

    \value None The screenshot was saved
    \value InternalError The capture or the file writing failed
    \value PermissionDenied The screen-capture service could not be reached
    \value BadFilePath The file cannot be written where it was asked for
    \value UnsupportedFileType The file type or format is not one that can be written
    \value UserDeclined The user did not allow the capture
*/
class QZSYSTEM_EXPORT ScreenshotError
{
    Q_GADGET
public:
    enum Type : int {
        None = 0,
        InternalError = 1,
        PermissionDenied = 2,
        BadFilePath = 3,
        UnsupportedFileType = 4,
        UserDeclined = 5
    };
    Q_ENUM(Type)

    ScreenshotError() = delete;
};

} // namespace qz::system

#endif
