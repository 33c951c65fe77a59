/*
 * Not API. The shared data of qz::PpsAttribute.
 */
#ifndef QZ_PPSATTRIBUTE_P_H
#define QZ_PPSATTRIBUTE_P_H

#include <qz/ppsattribute.h>

#include <QSharedData>

namespace qz {

class PpsAttributePrivate : public QSharedData
{
public:
    enum class Kind { Invalid, Value, Map, List };

    Kind kind = Kind::Invalid;
    QVariant value; // Kind::Value; a JSON object or array stays a QVariantMap/QVariantList here
    PpsAttributeMap map;   // Kind::Map: an object block
    PpsAttributeList list; // Kind::List
    PpsAttributeFlag::Types flags;
};

} // namespace qz

#endif
