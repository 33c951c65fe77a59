#include "devicelogging_p.h"

namespace qz::system {

Q_LOGGING_CATEGORY(lcDevice, "qz.system.device")

} // namespace qz::system
