#include "menulogging_p.h"

namespace qz::system {
Q_LOGGING_CATEGORY(lcMenu, "qz.system.menu")
}
