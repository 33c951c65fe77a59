#ifndef QZ_SYSTEM_INVOKEREPLYERROR_H
#define QZ_SYSTEM_INVOKEREPLYERROR_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::InvokeReplyError
    \brief Why the navigator refused or failed an invocation.

    \value None No error
    \value NoTarget No target handles the request
    \value BadRequest The request is malformed
    \value Internal The navigator failed, or reported an error this library does not know
    \value TargetNotOwned The named target does not belong to the caller
    \value InsufficientPrivileges The caller may not invoke the target
    \value Target The target failed
*/
class QZSYSTEM_EXPORT InvokeReplyError
{
    Q_GADGET
public:
    enum Type : int {
        None = 0,
        NoTarget = 1,
        BadRequest = 2,
        Internal = 3,
        TargetNotOwned = 4,
        InsufficientPrivileges = 5,
        Target = 6
    };
    Q_ENUM(Type)

    InvokeReplyError() = delete;
};

} // namespace qz::system

#endif
