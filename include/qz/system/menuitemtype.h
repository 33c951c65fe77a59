#ifndef QZ_SYSTEM_MENUITEMTYPE_H
#define QZ_SYSTEM_MENUITEMTYPE_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::MenuItemType
    \brief What kind of thing a menu entry stands for.

    \value Unspecified A plain entry, or a kind this library does not know
    \value Channel A channel of communication
    \value ContactShortcut A shortcut to a contact
    \value AccountShortcut A shortcut to an account
    \value EventShortcut A shortcut to an event
*/
class QZSYSTEM_EXPORT MenuItemType
{
    Q_GADGET
public:
    enum Type : int {
        Unspecified = 0,
        Channel = 1,
        ContactShortcut = 2,
        AccountShortcut = 3,
        EventShortcut = 4
    };
    Q_ENUM(Type)

    MenuItemType() = delete;
};

} // namespace qz::system

#endif
