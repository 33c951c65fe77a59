#ifndef QZ_SYSTEM_CARDORIENTATION_H
#define QZ_SYSTEM_CARDORIENTATION_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::CardOrientation
    \brief The orientation of a card.

    \value Unspecified Not known
    \value Portrait Portrait
    \value Landscape Landscape
*/
class QZSYSTEM_EXPORT CardOrientation
{
    Q_GADGET
public:
    enum Type : int { Unspecified = 0, Portrait = 1, Landscape = 2 };
    Q_ENUM(Type)

    CardOrientation() = delete;
};

} // namespace qz::system

#endif
