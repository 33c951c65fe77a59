// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMTOAST_P_H
#define QZ_SYSTEM_SYSTEMTOAST_P_H

#include "toastcontroller_p.h"

#include <qz/system/systemtoast.h>

namespace qz::system {

class SystemToastPrivate : public ToastController
{
    Q_OBJECT
public:
    explicit SystemToastPrivate(SystemToast *owner);

protected:
    void prepareService() override;
};

} // namespace qz::system

#endif
