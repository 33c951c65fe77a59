#ifndef QZ_SYSTEM_SYSTEMLISTDIALOGITEM_H
#define QZ_SYSTEM_SYSTEMLISTDIALOGITEM_H

#include <qz/system/qzsystem_export.h>

#include <QMetaType>
#include <QObject>
#include <QSharedDataPointer>
#include <QString>
#include <QVariantMap>

namespace qz::system {

class SystemListDialogItemPrivate;

/*!
    \class qz::system::SystemListDialogItem
    \brief One row of a SystemListDialog: an item the user can pick, a header or a separator.

    A value type; copies share their data until one is changed.

    \value Separator A dividing line, optionally with a text.
    \value Header A heading above the items that follow.
    \value Item A row the user can select.
*/
class QZSYSTEM_EXPORT SystemListDialogItem
{
    Q_GADGET
public:
    enum Type {
        Separator = 0,
        Header = 1,
        Item = 2,
    };
    Q_ENUM(Type)

    /*! An enabled, unselected item with no text. */
    SystemListDialogItem();
    SystemListDialogItem(const QString &text, bool enabled, bool selected, Type type);
    SystemListDialogItem(const SystemListDialogItem &other);
    SystemListDialogItem &operator=(const SystemListDialogItem &other);
    ~SystemListDialogItem();

    QString text() const;
    bool isEnabled() const;
    bool isSelected() const;
    Type type() const;

    /*! The row as the dialog service reads it: "label" and, by type, "disabled" and "selected"
        (item), "disabled" and "header" (header), or "separator" (separator). */
    QVariantMap toMap() const;

    bool operator==(const SystemListDialogItem &other) const;
    bool operator!=(const SystemListDialogItem &other) const { return !(*this == other); }

private:
    QSharedDataPointer<SystemListDialogItemPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::SystemListDialogItem)

#endif
