// The services qzdevice hosts, built from the command line. A new service is one more class
// derived from DeviceService and one more line in createDeviceServices().
#ifndef QZDEVICE_DEVICESERVICES_H
#define QZDEVICE_DEVICESERVICES_H

#include "deviceoptions.h"
#include "deviceservice.h"

#include <memory>
#include <vector>

/*! Every service with its policy; empty, with \a error set, when a policy cannot be made (an
    unreadable script). */
std::vector<std::unique_ptr<DeviceService>> createDeviceServices(const DeviceOptions &options,
                                                                 QString *error);

#endif
