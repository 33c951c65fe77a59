// Variant equality as the PPS text and JSON encodings see it: numbers carry no type ("integer when
// it is one, else double"), so 1.0 may come back as the integer 1.
#ifndef QZ_FUZZ_SAMEVALUE_H
#define QZ_FUZZ_SAMEVALUE_H

#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

inline bool isNumber(const QVariant &value)
{
    const int type = value.typeId();
    return type == QMetaType::Int || type == QMetaType::LongLong || type == QMetaType::Double;
}

inline bool sameValue(const QVariant &a, const QVariant &b)
{
    if (isNumber(a) && isNumber(b)) {
        if (a.typeId() != QMetaType::Double && b.typeId() != QMetaType::Double)
            return a.toLongLong() == b.toLongLong();
        return a.toDouble() == b.toDouble();
    }
    if (a.typeId() != b.typeId())
        return false;
    switch (a.typeId()) {
    case QMetaType::QVariantMap: {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        if (x.keys() != y.keys())
            return false;
        for (auto it = x.cbegin(); it != x.cend(); ++it) {
            if (!sameValue(it.value(), y.value(it.key())))
                return false;
        }
        return true;
    }
    case QMetaType::QVariantList: {
        const QVariantList x = a.toList();
        const QVariantList y = b.toList();
        if (x.size() != y.size())
            return false;
        for (qsizetype i = 0; i < x.size(); ++i) {
            if (!sameValue(x.at(i), y.at(i)))
                return false;
        }
        return true;
    }
    case QMetaType::UnknownType:
        return true;
    default:
        return a == b;
    }
}

#endif
