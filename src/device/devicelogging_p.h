/*
 * Not API. The logging category of the device services subsystem.
 */
#ifndef QZ_SYSTEM_DEVICELOGGING_P_H
#define QZ_SYSTEM_DEVICELOGGING_P_H

#include <QLoggingCategory>

namespace qz::system {

Q_DECLARE_LOGGING_CATEGORY(lcDevice)

} // namespace qz::system

#endif
