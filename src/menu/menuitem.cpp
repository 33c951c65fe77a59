#include "menuitem_p.h"

#include "menu_p.h"
#include "menuiteminvokeparams_p.h"

#include <atomic>

namespace qz::system {

namespace {
std::atomic<MenuItemPrivateFactory *> s_factory{nullptr};
}

MenuItemPrivate::~MenuItemPrivate() = default;
MenuItemPrivateFactory::~MenuItemPrivateFactory() = default;

MenuItemPrivate *MenuItemPrivate::create()
{
    if (MenuItemPrivateFactory *factory = s_factory.load())
        return factory->create();
    return new MenuItemPrivateReal;
}

MenuItemPrivate *MenuItemPrivate::copy(const MenuItemPrivate &other)
{
    if (MenuItemPrivateFactory *factory = s_factory.load())
        return factory->copy(other);
    return new MenuItemPrivateReal(other);
}

void MenuItemPrivate::setFactory(MenuItemPrivateFactory *factory)
{
    s_factory.store(factory);
}

bool MenuItemPrivate::read(const menu_sub_item_t *subItem, MenuReadBudget &budget)
{
    icon = QUrl(QString::fromUtf8(getIcon(subItem)));
    secondaryIcon = QUrl(QString::fromUtf8(getSubicon1(subItem)));
    label = QString::fromUtf8(getLabel(subItem));
    secondaryLabel = QString::fromUtf8(getSublabel1(subItem));
    tertiaryLabel = QString::fromUtf8(getSublabel2(subItem));
    frecency = getFrecency(subItem);
    const int type = getItemType(subItem);
    itemType = type >= MenuItemType::Channel && type <= MenuItemType::EventShortcut
                   ? MenuItemType::Type(type)
                   : MenuItemType::Unspecified;
    if (subItemHasChildren(subItem)) {
        if (budget.depth + 1 >= MenuReadBudget::MaxDepth) {
            budget.cutOffTooDeep();
            return false;
        }
        ++budget.depth;
        MenuPrivate::of(subMenu)->read(getSubmenuChildren(subItem), budget);
        --budget.depth;
    } else {
        MenuItemInvokeParamsPrivate::of(invoke)->read(getInvocation(subItem));
    }
    return true;
}

const char *MenuItemPrivateReal::getIcon(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_icon(subItem);
}

const char *MenuItemPrivateReal::getSubicon1(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_secondary_icon(subItem);
}

const char *MenuItemPrivateReal::getLabel(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_label(subItem);
}

const char *MenuItemPrivateReal::getSublabel1(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_secondary_label(subItem);
}

const char *MenuItemPrivateReal::getSublabel2(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_tertiary_label(subItem);
}

int MenuItemPrivateReal::getFrecency(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_frecency(subItem);
}

bool MenuItemPrivateReal::subItemHasChildren(const menu_sub_item_t *subItem)
{
    return menu_sub_item_has_children(subItem) != 0;
}

const menu_invocation_t *MenuItemPrivateReal::getInvocation(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_invocation(subItem);
}

const menu_item_t *MenuItemPrivateReal::getSubmenuChildren(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_item(subItem);
}

int MenuItemPrivateReal::getItemType(const menu_sub_item_t *subItem)
{
    return menu_sub_item_get_type(subItem);
}

MenuItem::MenuItem()
    : d(MenuItemPrivate::create())
{}

MenuItem::MenuItem(const MenuItem &other)
    : d(MenuItemPrivate::copy(*other.d))
{}

MenuItem &MenuItem::operator=(const MenuItem &other)
{
    *d = *other.d;
    return *this;
}

MenuItem::~MenuItem() = default;

QUrl MenuItem::icon() const
{
    return d->icon;
}

QUrl MenuItem::secondaryIcon() const
{
    return d->secondaryIcon;
}

QString MenuItem::label() const
{
    return d->label;
}

QString MenuItem::secondaryLabel() const
{
    return d->secondaryLabel;
}

QString MenuItem::tertiaryLabel() const
{
    return d->tertiaryLabel;
}

int MenuItem::frecency() const
{
    return d->frecency;
}

MenuItemType::Type MenuItem::itemType() const
{
    return d->itemType;
}

MenuItemInvokeParams MenuItem::invoke() const
{
    return d->invoke;
}

Menu MenuItem::subMenu() const
{
    return d->subMenu;
}

} // namespace qz::system
