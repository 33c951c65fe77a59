#include <qz/system/systemlistdialogitem.h>

namespace qz::system {

namespace {
const QString s_attributeLabel = QStringLiteral("label");
const QString s_attributeDisabled = QStringLiteral("disabled");
const QString s_attributeSelected = QStringLiteral("selected");
const QString s_attributeHeader = QStringLiteral("header");
const QString s_attributeSeparator = QStringLiteral("separator");
} // namespace

class SystemListDialogItemPrivate : public QSharedData
{
public:
    QString text;
    bool enabled = true;
    bool selected = false;
    SystemListDialogItem::Type type = SystemListDialogItem::Item;
};

SystemListDialogItem::SystemListDialogItem()
    : d(new SystemListDialogItemPrivate)
{}

SystemListDialogItem::SystemListDialogItem(const QString &text, bool enabled, bool selected,
                                           Type type)
    : d(new SystemListDialogItemPrivate)
{
    d->text = text;
    d->enabled = enabled;
    d->selected = selected;
    d->type = type;
}

SystemListDialogItem::SystemListDialogItem(const SystemListDialogItem &other) = default;
SystemListDialogItem &SystemListDialogItem::operator=(const SystemListDialogItem &other) = default;
SystemListDialogItem::~SystemListDialogItem() = default;

QString SystemListDialogItem::text() const
{
    return d->text;
}

bool SystemListDialogItem::isEnabled() const
{
    return d->enabled;
}

bool SystemListDialogItem::isSelected() const
{
    return d->selected;
}

SystemListDialogItem::Type SystemListDialogItem::type() const
{
    return d->type;
}

QVariantMap SystemListDialogItem::toMap() const
{
    QVariantMap map{{s_attributeLabel, d->text}};
    switch (d->type) {
    case Separator:
        map.insert(s_attributeSeparator, true);
        break;
    case Header:
        map.insert(s_attributeDisabled, !d->enabled);
        map.insert(s_attributeHeader, true);
        break;
    case Item:
        map.insert(s_attributeDisabled, !d->enabled);
        map.insert(s_attributeSelected, d->selected);
        break;
    }
    return map;
}

bool SystemListDialogItem::operator==(const SystemListDialogItem &other) const
{
    return d == other.d || (d->text == other.d->text && d->enabled == other.d->enabled &&
                            d->selected == other.d->selected && d->type == other.d->type);
}

} // namespace qz::system
