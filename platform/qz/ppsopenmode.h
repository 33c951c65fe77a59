#ifndef QZ_PPSOPENMODE_H
#define QZ_PPSOPENMODE_H

#include <qz/qzplatform_export.h>

#include <QFlags>
#include <QObject>

namespace qz {

/*!
    \class qz::PpsOpenMode
    \brief How a PPS object is opened.

    \value Publish The handle may write.
    \value Subscribe The object's current content is the first pending read, then every later change.
    \value PublishSubscribe Publish and Subscribe.
    \value Create A missing object is created.
    \value DeleteContents The object's attributes are dropped on open.
*/
class QZPLATFORM_EXPORT PpsOpenMode
{
    Q_GADGET
public:
    enum Type {
        Publish = 1,
        Subscribe = 2,
        PublishSubscribe = Publish | Subscribe,
        Create = 4,
        DeleteContents = 8,
    };
    Q_DECLARE_FLAGS(Types, Type)
    Q_FLAG(Types)

    PpsOpenMode() = delete;
};

/*!
    \class qz::PpsAttributeFlag
    \brief Marks carried by a decoded attribute or object.

    \value Incomplete The value was cut short.
    \value Deleted The attribute or object was deleted ("-attr", "-@name").
    \value Created The object was created ("+@name").
    \value Truncated The object's contents were dropped ("#@name").
    \value Purged The object was purged ("*@name").
*/
class QZPLATFORM_EXPORT PpsAttributeFlag
{
    Q_GADGET
public:
    enum Type {
        Incomplete = 1,
        Deleted = 2,
        Created = 4,
        Truncated = 8,
        Purged = 16,
    };
    Q_DECLARE_FLAGS(Types, Type)
    Q_FLAG(Types)

    PpsAttributeFlag() = delete;
};

} // namespace qz

Q_DECLARE_OPERATORS_FOR_FLAGS(qz::PpsOpenMode::Types)
Q_DECLARE_OPERATORS_FOR_FLAGS(qz::PpsAttributeFlag::Types)

#endif
