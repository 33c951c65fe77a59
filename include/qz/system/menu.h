#ifndef QZ_SYSTEM_MENU_H
#define QZ_SYSTEM_MENU_H

#include <qz/system/menuitem.h>

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>

namespace qz::system {

class MenuPrivate;

/*!
    \class qz::system::Menu
    \brief A menu of things to do with a piece of content, as the platform built it.

    Invalid and empty until filled from a platform menu by MenuManager. Copies are independent.
*/
class QZSYSTEM_EXPORT Menu
{
public:
    Menu();
    Menu(const Menu &other);
    Menu &operator=(const Menu &other);
    ~Menu();

    QString title() const;
    QString subtitle() const;
    QUrl titleIcon() const;
    QUrl subtitleIcon() const;
    /*! The entries, in the platform's order. */
    QList<MenuItem> items() const;
    bool isValid() const;

private:
    friend class MenuPrivate;
    std::unique_ptr<MenuPrivate> d;
};

} // namespace qz::system

Q_DECLARE_METATYPE(qz::system::Menu)

#endif
