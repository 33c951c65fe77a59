#ifndef QZ_UITOOLKITSUPPORT_H
#define QZ_UITOOLKITSUPPORT_H

#include <qz/qzplatform_export.h>

#include <QString>
#include <QUrl>

namespace qz {

/*!
    \class qz::UIToolkitSupport
    \brief Helpers of the UI toolkit that library code needs without drawing anything.

    The Linux stand-in resolves application URLs as follows:
    \list
    \li "asset:///x" (or "asset:x") names the file x under the application's assets: the folder
        named by $QZ_APP_ASSETS, else the application's directory + "/assets".
    \li A "file:" URL gives its local path.
    \li A relative URL (no scheme) is taken relative to the application's directory; an absolute
        path without a scheme is taken as it is.
    \endlist
    ".." never leads out of the assets folder or the application's directory.
    The application's directory is QCoreApplication::applicationDirPath(), or the current
    directory when no application object exists. Any other scheme, and an empty URL, give an empty
    string. The result is cleaned (no "." or ".." components); whether the file exists is not
    checked.
*/
class QZPLATFORM_EXPORT UIToolkitSupport
{
public:
    UIToolkitSupport() = delete;

    /*! The absolute local path that \a url names, or an empty string; see the class description. */
    static QString absolutePathFromUrl(const QUrl &url);
};

} // namespace qz

#endif
