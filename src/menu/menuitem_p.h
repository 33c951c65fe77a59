/*
 * Not API. The fields of a MenuItem and how they are read from the platform's menu entry: through
 * the virtual reading operations only, so that a factory can stand in for the platform. Exported
 * for the tests only; never installed.
 */
#ifndef QZ_SYSTEM_MENUITEM_P_H
#define QZ_SYSTEM_MENUITEM_P_H

#include <qz/system/menu.h>
#include <qz/system/menuitem.h>

#include <xrv/menu.h>

namespace qz::system {

class MenuItemPrivateFactory;
struct MenuReadBudget;

class QZSYSTEM_EXPORT MenuItemPrivate
{
public:
    virtual ~MenuItemPrivate();

    virtual const char *getIcon(const menu_sub_item_t *subItem) = 0;
    virtual const char *getSubicon1(const menu_sub_item_t *subItem) = 0;
    virtual const char *getLabel(const menu_sub_item_t *subItem) = 0;
    virtual const char *getSublabel1(const menu_sub_item_t *subItem) = 0;
    virtual const char *getSublabel2(const menu_sub_item_t *subItem) = 0;
    virtual int getFrecency(const menu_sub_item_t *subItem) = 0;
    virtual bool subItemHasChildren(const menu_sub_item_t *subItem) = 0;
    virtual const menu_invocation_t *getInvocation(const menu_sub_item_t *subItem) = 0;
    virtual const menu_item_t *getSubmenuChildren(const menu_sub_item_t *subItem) = 0;
    virtual int getItemType(const menu_sub_item_t *subItem) = 0;

    /*! The factory's product when a factory is set, else the platform-backed implementation. */
    static MenuItemPrivate *create();
    /*! A private with the fields of \a other, made as create() makes one. */
    static MenuItemPrivate *copy(const MenuItemPrivate &other);
    /*! Makes create() and copy() use \a factory (not owned); nullptr restores the platform. */
    static void setFactory(MenuItemPrivateFactory *factory);

    /*! Fills the fields from \a subItem: its submenu within \a budget, or its invocation.
        False when the submenu lies beyond the budget: such an entry is left out. */
    bool read(const menu_sub_item_t *subItem, MenuReadBudget &budget);
    static MenuItemPrivate *of(MenuItem &item) { return item.d.get(); }

    QUrl icon;
    QUrl secondaryIcon;
    QString label;
    QString secondaryLabel;
    QString tertiaryLabel;
    int frecency = 0;
    MenuItemInvokeParams invoke;
    Menu subMenu;
    MenuItemType::Type itemType = MenuItemType::Unspecified;

protected:
    MenuItemPrivate() = default;
    // Fields only; the platform side is whatever the copy is made as.
    MenuItemPrivate(const MenuItemPrivate &) = default;
    MenuItemPrivate &operator=(const MenuItemPrivate &) = default;

    friend class MenuItem;
};

class QZSYSTEM_EXPORT MenuItemPrivateFactory
{
public:
    virtual ~MenuItemPrivateFactory();
    virtual MenuItemPrivate *create() = 0;
    virtual MenuItemPrivate *copy(const MenuItemPrivate &other) = 0;
};

/*! The platform's menu entry accessors, call for call. */
class MenuItemPrivateReal : public MenuItemPrivate
{
public:
    MenuItemPrivateReal() = default;
    explicit MenuItemPrivateReal(const MenuItemPrivate &other)
        : MenuItemPrivate(other)
    {}

    const char *getIcon(const menu_sub_item_t *subItem) override;
    const char *getSubicon1(const menu_sub_item_t *subItem) override;
    const char *getLabel(const menu_sub_item_t *subItem) override;
    const char *getSublabel1(const menu_sub_item_t *subItem) override;
    const char *getSublabel2(const menu_sub_item_t *subItem) override;
    int getFrecency(const menu_sub_item_t *subItem) override;
    bool subItemHasChildren(const menu_sub_item_t *subItem) override;
    const menu_invocation_t *getInvocation(const menu_sub_item_t *subItem) override;
    const menu_item_t *getSubmenuChildren(const menu_sub_item_t *subItem) override;
    int getItemType(const menu_sub_item_t *subItem) override;
};

} // namespace qz::system

#endif
