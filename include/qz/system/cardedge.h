#ifndef QZ_SYSTEM_CARDEDGE_H
#define QZ_SYSTEM_CARDEDGE_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::CardEdge
    \brief The edge of the card that is up.

    \value Unspecified Not known
    \value Top The top edge
    \value Bottom The bottom edge
    \value Left The left edge
    \value Right The right edge
*/
class QZSYSTEM_EXPORT CardEdge
{
    Q_GADGET
public:
    enum Type : int { Unspecified = 0, Top = 1, Bottom = 2, Left = 3, Right = 4 };
    Q_ENUM(Type)

    CardEdge() = delete;
};

} // namespace qz::system

#endif
