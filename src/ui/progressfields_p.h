// Internal to libqzsystem, not API: what the progress dialog and the progress toast share.
#ifndef QZ_SYSTEM_PROGRESSFIELDS_P_H
#define QZ_SYSTEM_PROGRESSFIELDS_P_H

#include <qz/system/systemuienums.h>

#include <QString>
#include <QVariantMap>

namespace qz::system {

struct ProgressFields
{
    int progress = -1;
    QString statusMessage;
    SystemUiProgressState::Type state = SystemUiProgressState::Active;

    /*! -1..100 are kept; anything else means indeterminate (-1). */
    static int validProgress(int progress)
    {
        return progress < -1 || progress > 100 ? -1 : progress;
    }

    /*! "progress", "state" and the status message under \a messageKey. */
    void addTo(QVariantMap &request, const QString &messageKey) const
    {
        request.insert(QStringLiteral("progress"), progress);
        request.insert(QStringLiteral("state"), progressStateToString(state));
        request.insert(messageKey, statusMessage);
    }
};

} // namespace qz::system

#endif
