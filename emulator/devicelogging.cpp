#include "devicelogging.h"

Q_LOGGING_CATEGORY(lcDevice, "qz.device")
Q_LOGGING_CATEGORY(lcDeviceBluetooth, "qz.device.bluetooth")
Q_LOGGING_CATEGORY(lcDeviceDialog, "qz.device.dialog")
Q_LOGGING_CATEGORY(lcDeviceNavigator, "qz.device.navigator")
Q_LOGGING_CATEGORY(lcDeviceNfc, "qz.device.nfc")
Q_LOGGING_CATEGORY(lcDevicePhone, "qz.device.phone")
Q_LOGGING_CATEGORY(lcDeviceWiFiDirect, "qz.device.wifidirect")
