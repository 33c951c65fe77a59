#ifndef QZ_SYSTEM_INVOKELISTCURSORDIRECTION_H
#define QZ_SYSTEM_INVOKELISTCURSORDIRECTION_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::InvokeListCursorDirection
    \brief A direction in the list an application was invoked from.

    \value Next Towards the next item
    \value Previous Towards the previous item
*/
class QZSYSTEM_EXPORT InvokeListCursorDirection
{
    Q_GADGET
public:
    enum Type : int { Next = 0, Previous = 1 };
    Q_ENUM(Type)

    InvokeListCursorDirection() = delete;
};

} // namespace qz::system

#endif
