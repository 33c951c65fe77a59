/*
 * Not API. The logging category of the menu subsystem.
 */
#ifndef QZ_SYSTEM_MENULOGGING_P_H
#define QZ_SYSTEM_MENULOGGING_P_H

#include <QLoggingCategory>

namespace qz::system {
Q_DECLARE_LOGGING_CATEGORY(lcMenu)
}

#endif
