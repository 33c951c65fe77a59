/*
 * Not API. The fields of a CardResizeMessage and the factory through which only the invoke
 * manager fills one.
 */
#ifndef QZ_SYSTEM_CARDRESIZEMESSAGE_P_H
#define QZ_SYSTEM_CARDRESIZEMESSAGE_P_H

#include <qz/system/cardresizemessage.h>

namespace qz::system {

class CardResizeMessagePrivate
{
public:
    QString id;
    int width = 0;
    int height = 0;
    CardEdge::Type upEdge = CardEdge::Unspecified;
    CardOrientation::Type orientation = CardOrientation::Unspecified;

    static CardResizeMessage create(const QString &id, int width, int height, CardEdge::Type upEdge,
                                    CardOrientation::Type orientation);
};

} // namespace qz::system

#endif
