/*
 * Not API. How the menu of a menu event is read from the event's "item" field; exported for the
 * fuzz target, never installed.
 */
#ifndef XRV_MENU_P_H
#define XRV_MENU_P_H

#include <qz/qzplatform_export.h>
#include <xrv/menu.h>

#include <QVariant>

#include <memory>

namespace qz::platform::menu {

/*! The menu \a field describes (see menu_event_get_item()), cut off at the menu bounds with a
    warning; nullptr when \a field is no map. */
QZPLATFORM_EXPORT std::shared_ptr<menu_item> parseItem(const QVariant &field);

} // namespace qz::platform::menu

#endif
