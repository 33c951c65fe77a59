#include "ppsattribute_p.h"

namespace qz {

PpsAttribute::PpsAttribute()
    : d(new PpsAttributePrivate)
{}

PpsAttribute::PpsAttribute(const PpsAttribute &other) = default;
PpsAttribute &PpsAttribute::operator=(const PpsAttribute &other) = default;
PpsAttribute::~PpsAttribute() = default;

PpsAttribute PpsAttribute::fromVariant(const QVariant &value, PpsAttributeFlag::Types flags)
{
    PpsAttribute a;
    a.d->kind = PpsAttributePrivate::Kind::Value;
    a.d->value = value;
    a.d->flags = flags;
    return a;
}

PpsAttribute PpsAttribute::fromMap(const PpsAttributeMap &map, PpsAttributeFlag::Types flags)
{
    PpsAttribute a;
    a.d->kind = PpsAttributePrivate::Kind::Map;
    a.d->map = map;
    a.d->flags = flags;
    return a;
}

PpsAttribute PpsAttribute::fromList(const PpsAttributeList &list, PpsAttributeFlag::Types flags)
{
    PpsAttribute a;
    a.d->kind = PpsAttributePrivate::Kind::List;
    a.d->list = list;
    a.d->flags = flags;
    return a;
}

bool PpsAttribute::isValid() const
{
    return d->kind != PpsAttributePrivate::Kind::Invalid;
}

bool PpsAttribute::isMap() const
{
    return d->kind == PpsAttributePrivate::Kind::Map || d->value.typeId() == QMetaType::QVariantMap;
}

bool PpsAttribute::isList() const
{
    return d->kind == PpsAttributePrivate::Kind::List ||
           d->value.typeId() == QMetaType::QVariantList;
}

PpsAttributeFlag::Types PpsAttribute::flags() const
{
    return d->flags;
}

QString PpsAttribute::toString() const
{
    return d->value.toString();
}

int PpsAttribute::toInt() const
{
    return d->value.toInt();
}

qlonglong PpsAttribute::toLongLong() const
{
    return d->value.toLongLong();
}

double PpsAttribute::toDouble() const
{
    return d->value.toDouble();
}

bool PpsAttribute::toBool() const
{
    return d->value.toBool();
}

PpsAttributeMap PpsAttribute::toMap() const
{
    if (d->kind == PpsAttributePrivate::Kind::Map)
        return d->map;
    PpsAttributeMap result;
    if (d->value.typeId() != QMetaType::QVariantMap)
        return result;
    const QVariantMap map = d->value.toMap();
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        result.insert(it.key(), fromVariant(it.value()));
    return result;
}

PpsAttributeList PpsAttribute::toList() const
{
    if (d->kind == PpsAttributePrivate::Kind::List)
        return d->list;
    PpsAttributeList result;
    if (d->value.typeId() != QMetaType::QVariantList)
        return result;
    const QVariantList list = d->value.toList();
    result.reserve(list.size());
    for (const QVariant &v : list)
        result.append(fromVariant(v));
    return result;
}

QVariant PpsAttribute::toVariant() const
{
    switch (d->kind) {
    case PpsAttributePrivate::Kind::Map: {
        QVariantMap map;
        for (auto it = d->map.cbegin(); it != d->map.cend(); ++it)
            map.insert(it.key(), it.value().toVariant());
        return map;
    }
    case PpsAttributePrivate::Kind::List: {
        QVariantList list;
        for (const PpsAttribute &a : d->list)
            list.append(a.toVariant());
        return list;
    }
    default:
        return d->value;
    }
}

bool PpsAttribute::operator==(const PpsAttribute &other) const
{
    return d->kind == other.d->kind && d->flags == other.d->flags && d->value == other.d->value &&
           d->map == other.d->map && d->list == other.d->list;
}

} // namespace qz
