/*
 * Not API. The logging category of the phone subsystem.
 */
#ifndef QZ_SYSTEM_PHONE_PHONELOGGING_P_H
#define QZ_SYSTEM_PHONE_PHONELOGGING_P_H

#include <QLoggingCategory>

namespace qz::system::phone {
Q_DECLARE_LOGGING_CATEGORY(lcPhone)
}

#endif
