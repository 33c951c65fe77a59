#ifndef QZ_SYSTEM_CARDPEEK_H
#define QZ_SYSTEM_CARDPEEK_H

#include <qz/system/qzsystem_export.h>

#include <QObject>

namespace qz::system {

/*!
    \class qz::system::CardPeek
    \brief What a peek at the card stack shows.

    \value Parent The card's parent
    \value Root The root of the card stack
*/
class QZSYSTEM_EXPORT CardPeek
{
    Q_GADGET
public:
    enum Type : int { Parent = 0, Root = 1 };
    Q_ENUM(Type)

    CardPeek() = delete;
};

} // namespace qz::system

#endif
