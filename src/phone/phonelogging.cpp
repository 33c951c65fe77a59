#include "phonelogging_p.h"

namespace qz::system::phone {
Q_LOGGING_CATEGORY(lcPhone, "qz.system.phone")
}
