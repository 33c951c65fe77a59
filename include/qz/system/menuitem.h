#ifndef QZ_SYSTEM_MENUITEM_H
#define QZ_SYSTEM_MENUITEM_H

#include <qz/system/menuiteminvokeparams.h>
#include <qz/system/menuitemtype.h>

#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>

namespace qz::system {

class Menu;
class MenuItemPrivate;

/*!
    \class qz::system::MenuItem
    \brief One entry of a menu: either a submenu or an invocation.

    An entry with a submenu has an invalid invoke(); an entry with an invocation has an invalid
    subMenu(). Filled from the platform's menu; read-only to applications. Copies are
    independent.
*/
class QZSYSTEM_EXPORT MenuItem
{
    Q_GADGET
    Q_PROPERTY(QUrl icon READ icon CONSTANT FINAL)
    Q_PROPERTY(QUrl secondaryIcon READ secondaryIcon CONSTANT FINAL)
    Q_PROPERTY(QString label READ label CONSTANT FINAL)
    Q_PROPERTY(QString secondaryLabel READ secondaryLabel CONSTANT FINAL)
    Q_PROPERTY(QString tertiaryLabel READ tertiaryLabel CONSTANT FINAL)
    Q_PROPERTY(int frecency READ frecency CONSTANT FINAL)
    Q_PROPERTY(qz::system::MenuItemType::Type itemType READ itemType CONSTANT FINAL)
    Q_PROPERTY(qz::system::MenuItemInvokeParams invoke READ invoke CONSTANT FINAL)
    Q_PROPERTY(qz::system::Menu subMenu READ subMenu CONSTANT FINAL)
public:
    MenuItem();
    MenuItem(const MenuItem &other);
    MenuItem &operator=(const MenuItem &other);
    ~MenuItem();

    QUrl icon() const;
    QUrl secondaryIcon() const;
    QString label() const;
    QString secondaryLabel() const;
    QString tertiaryLabel() const;
    /*! The platform's ranking of how often and how recently the entry was used. */
    int frecency() const;
    MenuItemType::Type itemType() const;
    MenuItemInvokeParams invoke() const;
    Menu subMenu() const;

private:
    friend class MenuItemPrivate;
    std::unique_ptr<MenuItemPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::MenuItem)

#include <qz/system/menu.h>

#endif
