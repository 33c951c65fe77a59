#ifndef QZ_SYSTEM_FILETRANSFERMODE_H
#define QZ_SYSTEM_FILETRANSFERMODE_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::FileTransferMode
    \brief How a file URI of an invocation is handed to the target.

    \value Unspecified The platform decides
    \value Preserve The target gets the file as it is
    \value CopyReadOnly The target gets a read-only copy
    \value CopyReadWrite The target gets a writable copy
    \value Link The target gets a link to the file
*/
class QZSYSTEM_EXPORT FileTransferMode
{
    Q_GADGET
public:
    enum Type : int {
        Unspecified = 0,
        Preserve = 1,
        CopyReadOnly = 2,
        CopyReadWrite = 3,
        Link = 4
    };
    Q_ENUM(Type)

    FileTransferMode() = delete;
};

} // namespace qz::system

#endif
