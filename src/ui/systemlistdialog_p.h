// Internal to libqzsystem, not API.
#ifndef QZ_SYSTEM_SYSTEMLISTDIALOG_P_H
#define QZ_SYSTEM_SYSTEMLISTDIALOG_P_H

#include "dialogcontroller_p.h"

#include <qz/system/systemlistdialog.h>

#include <QMutex>

namespace qz::system {

class SystemListDialogPrivate : public DialogController
{
    Q_OBJECT
public:
    SystemListDialogPrivate(SystemListDialog *owner, const QString &confirmLabel,
                            const QString &customLabel, const QString &cancelLabel);

    /*! Appends \a rows under the item mutex, then sends them if the dialog is up. */
    void append(const QList<SystemListDialogItem> &rows);

    ListSelectionMode::Type selectionMode = ListSelectionMode::Single;
    mutable QMutex itemMutex;
    QList<SystemListDialogItem> items;
    QVariantList selectedIndices;
    bool dismissOnSelection = false;
    ListSelectionIndicator::Type selectionIndicator = ListSelectionIndicator::Button;

protected:
    QVariantMap createRequest() const override;
    void onDialogMessage(const QVariantMap &response) override;

private:
    // The service's finished, reported as ItemSelection when rows but no known button were picked.
    void interceptFinished(SystemUiResult::Type result);
    void interceptFinished(int result);
    SystemUiResult::Type reportedResult(SystemUiResult::Type result) const;

    SystemListDialog *const q;
};

} // namespace qz::system

#endif
