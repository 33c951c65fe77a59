#ifndef QZ_PACKAGEINFO_H
#define QZ_PACKAGEINFO_H

#include <qz/qzplatform_export.h>

#include <QString>

namespace qz {

/*!
    \class qz::PackageInfo
    \brief What the platform knows of the installed application package of this process.

    On a device the install id names the application's sandbox and its folders in shared areas.
    The Linux stand-in has no package manager: the id is $QZ_INSTALL_ID when set, else the file
    name of the running executable (QCoreApplication::applicationFilePath(), or the process's own
    /proc/self/exe before an application object exists).
*/
class QZPLATFORM_EXPORT PackageInfo
{
public:
    PackageInfo() = delete;

    /*! The application's install id; see the class description. */
    static QString installId();
};

} // namespace qz

#endif
