#include <qz/system/global.h>

namespace qz::system {

const char *libraryVersion()
{
    return QZ_SYSTEM_VERSION_STR;
}

} // namespace qz::system
