#include "menu_p.h"

#include "menuitem_p.h"
#include "menulogging_p.h"

#include <atomic>

namespace qz::system {

namespace {
std::atomic<MenuPrivateFactory *> s_factory{nullptr};
}

// Once per menu: a cycle would otherwise repeat the warning for every branch.
void MenuReadBudget::cutOffTooDeep()
{
    if (!warned)
        qCWarning(lcMenu, "Menu: a menu nested deeper than %d levels was cut off", MaxDepth);
    warned = true;
}

void MenuReadBudget::cutOffTooLarge()
{
    if (!warned)
        qCWarning(lcMenu, "Menu: a menu of more than %d entries was cut off", MaxEntries);
    warned = true;
}

MenuPrivate::~MenuPrivate() = default;
MenuPrivateFactory::~MenuPrivateFactory() = default;

MenuPrivate *MenuPrivate::create()
{
    if (MenuPrivateFactory *factory = s_factory.load())
        return factory->create();
    return new MenuPrivateReal;
}

MenuPrivate *MenuPrivate::copy(const MenuPrivate &other)
{
    if (MenuPrivateFactory *factory = s_factory.load())
        return factory->copy(other);
    return new MenuPrivateReal(other);
}

void MenuPrivate::setFactory(MenuPrivateFactory *factory)
{
    s_factory.store(factory);
}

Menu MenuPrivate::fromEvent(xrv_event_t *event)
{
    Menu menu;
    if (const menu_item_t *item = menu.d->getMenuItem(event)) {
        MenuReadBudget budget;
        menu.d->read(item, budget);
    }
    return menu;
}

void MenuPrivate::read(const menu_item_t *item, MenuReadBudget &budget)
{
    if (!item)
        return;
    valid = true;
    title = QString::fromUtf8(getMenuTitle(item));
    subtitle = QString::fromUtf8(getMenuSubtitle(item));
    titleIcon = QUrl(QString::fromUtf8(getMenuIcon(item)));
    subtitleIcon = QUrl(QString::fromUtf8(getMenuSubtitleIcon(item)));
    const int count = getMenuSubitemCount(item);
    for (int index = 0; index < count; ++index) {
        if (budget.entriesLeft <= 0) {
            budget.cutOffTooLarge();
            return;
        }
        --budget.entriesLeft;
        MenuItem entry;
        if (MenuItemPrivate::of(entry)->read(getMenuSubitem(item, index), budget))
            items.append(entry);
    }
}

const menu_item_t *MenuPrivateReal::getMenuItem(xrv_event_t *event)
{
    return menu_event_get_item(event);
}

const char *MenuPrivateReal::getMenuTitle(const menu_item_t *item)
{
    return menu_item_get_title(item);
}

const char *MenuPrivateReal::getMenuSubtitle(const menu_item_t *item)
{
    return menu_item_get_secondary_title(item);
}

const char *MenuPrivateReal::getMenuIcon(const menu_item_t *item)
{
    return menu_item_get_icon(item);
}

const char *MenuPrivateReal::getMenuSubtitleIcon(const menu_item_t *item)
{
    return menu_item_get_secondary_icon(item);
}

int MenuPrivateReal::getMenuSubitemCount(const menu_item_t *item)
{
    return menu_item_get_sub_items_size(item);
}

const menu_sub_item_t *MenuPrivateReal::getMenuSubitem(const menu_item_t *item, int index)
{
    return menu_item_get_sub_item(item, index);
}

Menu::Menu()
    : d(MenuPrivate::create())
{}

Menu::Menu(const Menu &other)
    : d(MenuPrivate::copy(*other.d))
{}

Menu &Menu::operator=(const Menu &other)
{
    *d = *other.d;
    return *this;
}

Menu::~Menu() = default;

QString Menu::title() const
{
    return d->title;
}

QString Menu::subtitle() const
{
    return d->subtitle;
}

QUrl Menu::titleIcon() const
{
    return d->titleIcon;
}

QUrl Menu::subtitleIcon() const
{
    return d->subtitleIcon;
}

QList<MenuItem> Menu::items() const
{
    return d->items;
}

bool Menu::isValid() const
{
    return d->valid;
}

} // namespace qz::system
