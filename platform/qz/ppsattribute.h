#ifndef QZ_PPSATTRIBUTE_H
#define QZ_PPSATTRIBUTE_H

#include <qz/ppsopenmode.h>
#include <qz/qzplatform_export.h>

#include <QList>
#include <QMap>
#include <QSharedDataPointer>
#include <QVariant>

namespace qz {

class PpsAttributePrivate;
class PpsAttribute;

using PpsAttributeMap = QMap<QString, PpsAttribute>;
using PpsAttributeList = QList<PpsAttribute>;

/*!
    \class qz::PpsAttribute
    \brief One decoded PPS attribute or object, with its flags.

    A copy-on-write value. An object block ("@name") is an attribute whose toMap() holds the
    object's attributes; a "json" attribute holding an object or array answers toMap() or toList()
    with its members. A default-constructed attribute is invalid. A deleted attribute ("-attr") is
    valid, carries the Deleted flag and has no value.
*/
class QZPLATFORM_EXPORT PpsAttribute
{
public:
    PpsAttribute();
    PpsAttribute(const PpsAttribute &other);
    PpsAttribute &operator=(const PpsAttribute &other);
    ~PpsAttribute();

    static PpsAttribute fromVariant(const QVariant &value, PpsAttributeFlag::Types flags = {});
    static PpsAttribute fromMap(const PpsAttributeMap &map, PpsAttributeFlag::Types flags = {});
    static PpsAttribute fromList(const PpsAttributeList &list, PpsAttributeFlag::Types flags = {});

    bool isValid() const;
    bool isMap() const;
    bool isList() const;
    PpsAttributeFlag::Types flags() const;

    QString toString() const;
    int toInt() const;
    qlonglong toLongLong() const;
    double toDouble() const;
    bool toBool() const;
    PpsAttributeMap toMap() const;
    PpsAttributeList toList() const;
    /*! The value as a plain variant: maps and lists are converted member by member. */
    QVariant toVariant() const;

    bool operator==(const PpsAttribute &other) const;
    bool operator!=(const PpsAttribute &other) const { return !(*this == other); }

private:
    QSharedDataPointer<PpsAttributePrivate> d;
};

} // namespace qz

Q_DECLARE_METATYPE(qz::PpsAttribute)

#endif
