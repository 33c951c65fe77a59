#ifndef QZ_SYSTEM_MENUMANAGERERROR_H
#define QZ_SYSTEM_MENUMANAGERERROR_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::MenuManagerError
    \brief Whether the platform's menu service could build the menu asked for.

    \value None The menu arrived
    \value System The menu service reported an error
*/
class QZSYSTEM_EXPORT MenuManagerError
{
    Q_GADGET
public:
    enum Type : int { None = 0, System = 1 };
    Q_ENUM(Type)

    MenuManagerError() = delete;
};

} // namespace qz::system

#endif
