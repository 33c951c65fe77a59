// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMDIALOG_P_H
#define QZ_SYSTEM_SYSTEMDIALOG_P_H

#include "dialogcontroller_p.h"

#include <qz/system/systemdialog.h>

namespace qz::system {

/*
    The alert dialog adds nothing to the common pattern: all its state lives in the service.
*/
class SystemDialogPrivate : public DialogController
{
    Q_OBJECT
public:
    SystemDialogPrivate(SystemDialog *owner, const QString &confirmLabel,
                        const QString &customLabel, const QString &cancelLabel);
};

} // namespace qz::system

#endif
