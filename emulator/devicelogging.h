// Logging categories of qzdevice, one per service.
#ifndef QZDEVICE_DEVICELOGGING_H
#define QZDEVICE_DEVICELOGGING_H

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcDevice)
Q_DECLARE_LOGGING_CATEGORY(lcDeviceBluetooth)
Q_DECLARE_LOGGING_CATEGORY(lcDeviceDialog)
Q_DECLARE_LOGGING_CATEGORY(lcDeviceNavigator)
Q_DECLARE_LOGGING_CATEGORY(lcDeviceNfc)
Q_DECLARE_LOGGING_CATEGORY(lcDevicePhone)
Q_DECLARE_LOGGING_CATEGORY(lcDeviceWiFiDirect)

#endif
