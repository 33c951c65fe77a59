#include "devicelogging.h"

Q_LOGGING_CATEGORY(lcDevice, "qz.device")
Q_LOGGING_CATEGORY(lcDeviceDialog, "qz.device.dialog")
