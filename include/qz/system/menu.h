#ifndef QZ_SYSTEM_MENU_H
#define QZ_SYSTEM_MENU_H

#include <qz/system/menuitem.h>

#include <QList>
#include <QObject>
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
    Q_GADGET
    Q_PROPERTY(QString title READ title CONSTANT FINAL)
    Q_PROPERTY(QString subtitle READ subtitle CONSTANT FINAL)
    Q_PROPERTY(QUrl titleIcon READ titleIcon CONSTANT FINAL)
    Q_PROPERTY(QUrl subtitleIcon READ subtitleIcon CONSTANT FINAL)
    Q_PROPERTY(QList<qz::system::MenuItem> items READ items CONSTANT FINAL)
    Q_PROPERTY(bool valid READ isValid CONSTANT FINAL)
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
