/*
 * Not API. The logging category of the invocation subsystem.
 */
#ifndef QZ_SYSTEM_INVOKELOGGING_P_H
#define QZ_SYSTEM_INVOKELOGGING_P_H

#include <QLoggingCategory>

namespace qz::system {
Q_DECLARE_LOGGING_CATEGORY(lcInvoke)
}

#endif
