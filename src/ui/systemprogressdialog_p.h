// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMPROGRESSDIALOG_P_H
#define QZ_SYSTEM_SYSTEMPROGRESSDIALOG_P_H

#include "dialogcontroller_p.h"
#include "progressfields_p.h"

#include <qz/system/systemprogressdialog.h>

namespace qz::system {

class SystemProgressDialogPrivate : public DialogController
{
    Q_OBJECT
public:
    SystemProgressDialogPrivate(SystemProgressDialog *owner, const QString &confirmLabel);

    ProgressFields fields;
    QString statusDetails;

protected:
    QVariantMap createRequest() const override;
};

} // namespace qz::system

#endif
