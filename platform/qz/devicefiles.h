#ifndef QZ_DEVICEFILES_H
#define QZ_DEVICEFILES_H

#include <qz/qzplatform_export.h>

#include <QString>

namespace qz {

/*!
    \class qz::DeviceFiles
    \brief Where the device's own file tree ("/accounts/1000/...") lies on this machine.

    On a device the tree is the file system itself and root() is "/". The Linux stand-in keeps it
    under a folder of its own so that the services and the library run unprivileged: the folder
    named by $QZ_DEVICE_ROOT, else the generic data location + "/qzdevice/root". The device
    emulator and the library read the same variable, so both see the same files.
*/
class QZPLATFORM_EXPORT DeviceFiles
{
public:
    DeviceFiles() = delete;

    /*! The folder that stands for "/" of the device, without a trailing "/". */
    static QString root();
    /*! Where the device path \a devicePath (absolute, beginning with "/") lies: root() +
        \a devicePath. A trailing "/" is kept. */
    static QString path(const QString &devicePath);
};

} // namespace qz

#endif
