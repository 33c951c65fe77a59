#ifndef QZ_SYSTEM_GLOBAL_H
#define QZ_SYSTEM_GLOBAL_H

#include <qz/system/qzsystem_export.h>

#define QZ_SYSTEM_VERSION_STR "0.1.0"

namespace qz::system {

/*! The version of the libqzsystem the application runs against, as "major.minor.patch". */
QZSYSTEM_EXPORT const char *libraryVersion();

} // namespace qz::system

#endif
