/*
 * Not API. The fields of a Menu and how a menu is read from the platform's menu event: through the
 * virtual reading operations only, so that a factory can stand in for the platform. Exported for
 * the tests only; never installed.
 */
#ifndef QZ_SYSTEM_MENU_P_H
#define QZ_SYSTEM_MENU_P_H

#include <qz/system/menu.h>

#include <xrv/menu.h>

namespace qz::system {

class MenuPrivateFactory;

/*!
    How much of a menu is still read: a menu is a tree the platform hands out, and a broken or
    forged one (a submenu that is its own ancestor, or nesting beyond reason) must end in a cut-off
    with a warning, never in endless recursion.
*/
struct MenuReadBudget
{
    static constexpr int MaxDepth = 32;
    static constexpr int MaxEntries = 10000;

    int depth = 0;
    int entriesLeft = MaxEntries;
    bool warned = false;

    /*! Warns, once per menu, that the menu was cut off at the depth or at the entry bound. */
    void cutOffTooDeep();
    void cutOffTooLarge();
};

class QZSYSTEM_EXPORT MenuPrivate
{
public:
    virtual ~MenuPrivate();

    virtual const menu_item_t *getMenuItem(xrv_event_t *event) = 0;
    virtual const char *getMenuTitle(const menu_item_t *item) = 0;
    virtual const char *getMenuSubtitle(const menu_item_t *item) = 0;
    virtual const char *getMenuIcon(const menu_item_t *item) = 0;
    virtual const char *getMenuSubtitleIcon(const menu_item_t *item) = 0;
    virtual int getMenuSubitemCount(const menu_item_t *item) = 0;
    virtual const menu_sub_item_t *getMenuSubitem(const menu_item_t *item, int index) = 0;

    /*! The factory's product when a factory is set, else the platform-backed implementation. */
    static MenuPrivate *create();
    /*! A private with the fields of \a other, made as create() makes one. */
    static MenuPrivate *copy(const MenuPrivate &other);
    /*! Makes create() and copy() use \a factory (not owned); nullptr restores the platform. */
    static void setFactory(MenuPrivateFactory *factory);

    /*! The menu \a event carries; invalid and empty when it carries none. */
    static Menu fromEvent(xrv_event_t *event);
    /*! Fills the fields from \a item and its entries, within \a budget. */
    void read(const menu_item_t *item, MenuReadBudget &budget);
    static MenuPrivate *of(Menu &menu) { return menu.d.get(); }

    QString title;
    QString subtitle;
    QUrl titleIcon;
    QUrl subtitleIcon;
    QList<MenuItem> items;
    bool valid = false;

protected:
    MenuPrivate() = default;
    // Fields only; the platform side is whatever the copy is made as.
    MenuPrivate(const MenuPrivate &) = default;
    MenuPrivate &operator=(const MenuPrivate &) = default;

    friend class Menu;
};

class QZSYSTEM_EXPORT MenuPrivateFactory
{
public:
    virtual ~MenuPrivateFactory();
    virtual MenuPrivate *create() = 0;
    virtual MenuPrivate *copy(const MenuPrivate &other) = 0;
};

/*! The platform's menu accessors, call for call. */
class MenuPrivateReal : public MenuPrivate
{
public:
    MenuPrivateReal() = default;
    explicit MenuPrivateReal(const MenuPrivate &other)
        : MenuPrivate(other)
    {}

    const menu_item_t *getMenuItem(xrv_event_t *event) override;
    const char *getMenuTitle(const menu_item_t *item) override;
    const char *getMenuSubtitle(const menu_item_t *item) override;
    const char *getMenuIcon(const menu_item_t *item) override;
    const char *getMenuSubtitleIcon(const menu_item_t *item) override;
    int getMenuSubitemCount(const menu_item_t *item) override;
    const menu_sub_item_t *getMenuSubitem(const menu_item_t *item, int index) override;
};

} // namespace qz::system

#endif
