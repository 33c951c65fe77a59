// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMPROGRESSTOAST_P_H
#define QZ_SYSTEM_SYSTEMPROGRESSTOAST_P_H

#include "progressfields_p.h"
#include "toastcontroller_p.h"

#include <qz/system/systemprogresstoast.h>

namespace qz::system {

class SystemProgressToastPrivate : public ToastController
{
    Q_OBJECT
public:
    explicit SystemProgressToastPrivate(SystemProgressToast *owner);

    ProgressFields fields;

protected:
    QVariantMap createRequest() const override;
};

} // namespace qz::system

#endif
