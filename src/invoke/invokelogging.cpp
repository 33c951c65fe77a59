#include "invokelogging_p.h"

namespace qz::system {
Q_LOGGING_CATEGORY(lcInvoke, "qz.system.invoke")
}
