#include "systemlistdialog_p.h"

#include "dialogforwarding_p.h"
#include "systemuiconstants_p.h"

#include <QMutexLocker>

namespace qz::system {

namespace {
const QString s_attributeList = QStringLiteral("list");
const QString s_attributeMultiSelect = QStringLiteral("multiSelect");
const QString s_attributeCancelOnSelection = QStringLiteral("cancelOnSelection");
const QString s_attributeShowBasicSelection = QStringLiteral("showBasicSelection");
const QString s_responseSelectedIndices = QStringLiteral("selectedIndices");
} // namespace

SystemListDialogPrivate::SystemListDialogPrivate(SystemListDialog *owner,
                                                 const QString &confirmLabel,
                                                 const QString &customLabel,
                                                 const QString &cancelLabel)
    : DialogController(owner, SystemDialogService::DialogList, cancelLabel, customLabel,
                       confirmLabel)
    , q(owner)
{
    const SystemDialogService *s = service();
    bool ok =
        bool(connect(s, qOverload<SystemUiResult::Type>(&SystemDialogService::finished), this,
                     qOverload<SystemUiResult::Type>(&SystemListDialogPrivate::interceptFinished)));
    ok &= bool(connect(s, qOverload<int>(&SystemDialogService::finished), this,
                       qOverload<int>(&SystemListDialogPrivate::interceptFinished)));
    ok &= forwardCommonSignals(owner) & forwardDialogSignals(owner);
    // Selection mode, dismiss-on-selection and the indicator are sent with the next show or
    // update() only; changing them does not re-send the description by itself.
    ok &= watchCommonChanges() & watchDialogChanges();
    reportConnections(ok, "SystemListDialogPrivate");
}

void SystemListDialogPrivate::append(const QList<SystemListDialogItem> &rows)
{
    {
        QMutexLocker lock(&itemMutex);
        items.append(rows);
    }
    autoUpdate();
}

QVariantMap SystemListDialogPrivate::createRequest() const
{
    QVariantList rows;
    {
        QMutexLocker lock(&itemMutex);
        for (const SystemListDialogItem &item : items)
            rows.append(item.toMap());
    }
    return {
        {s_attributeList, rows},
        {s_attributeMultiSelect, selectionMode == ListSelectionMode::Multiple},
        {s_attributeCancelOnSelection, dismissOnSelection},
        {s_attributeShowBasicSelection, selectionIndicator == ListSelectionIndicator::Highlight},
    };
}

void SystemListDialogPrivate::onDialogMessage(const QVariantMap &response)
{
    selectedIndices = response.value(s_responseSelectedIndices).toList();
}

SystemUiResult::Type SystemListDialogPrivate::reportedResult(SystemUiResult::Type result) const
{
    if (result == SystemUiResult::None && !selectedIndices.isEmpty())
        return SystemUiResult::ItemSelection;
    return result;
}

void SystemListDialogPrivate::interceptFinished(SystemUiResult::Type result)
{
    Q_EMIT q->finished(reportedResult(result));
}

void SystemListDialogPrivate::interceptFinished(int result)
{
    Q_EMIT q->finished(int(reportedResult(SystemUiResult::Type(result))));
}

SystemListDialog::SystemListDialog(QObject *parent)
    : SystemListDialog(s_labelOk, QString(), s_labelCancel, parent)
{}

SystemListDialog::SystemListDialog(const QString &confirmLabel, QObject *parent)
    : SystemListDialog(confirmLabel, QString(), QString(), parent)
{}

SystemListDialog::SystemListDialog(const QString &confirmLabel, const QString &cancelLabel,
                                   QObject *parent)
    : SystemListDialog(confirmLabel, QString(), cancelLabel, parent)
{}

SystemListDialog::SystemListDialog(const QString &confirmLabel, const QString &customLabel,
                                   const QString &cancelLabel, QObject *parent)
    : QObject(parent)
    , d(new SystemListDialogPrivate(this, confirmLabel, customLabel, cancelLabel))
{}

SystemListDialog::~SystemListDialog()
{
    delete d;
}

QZ_SYSTEMUI_COMMON_MEMBERS(SystemListDialog)
QZ_SYSTEMUI_DIALOG_MEMBERS(SystemListDialog)
QZ_SYSTEMUI_BUTTON_LIST_MEMBERS(SystemListDialog)

ListSelectionMode::Type SystemListDialog::selectionMode() const
{
    return d->selectionMode;
}

void SystemListDialog::setSelectionMode(ListSelectionMode::Type mode)
{
    setAndNotify(this, d->selectionMode, mode,
                 qOverload<ListSelectionMode::Type>(&SystemListDialog::selectionModeChanged),
                 qOverload<int>(&SystemListDialog::selectionModeChanged));
}

void SystemListDialog::resetSelectionMode()
{
    setSelectionMode(ListSelectionMode::Single);
}

bool SystemListDialog::dismissOnSelection() const
{
    return d->dismissOnSelection;
}

void SystemListDialog::setDismissOnSelection(bool dismiss)
{
    setAndNotify(this, d->dismissOnSelection, dismiss,
                 &SystemListDialog::dismissOnSelectionChanged);
}

void SystemListDialog::resetDismissOnSelection()
{
    setDismissOnSelection(false);
}

ListSelectionIndicator::Type SystemListDialog::selectionIndicator() const
{
    return d->selectionIndicator;
}

void SystemListDialog::setSelectionIndicator(ListSelectionIndicator::Type indicator)
{
    setAndNotify(
        this, d->selectionIndicator, indicator,
        qOverload<ListSelectionIndicator::Type>(&SystemListDialog::selectionIndicatorChanged),
        qOverload<int>(&SystemListDialog::selectionIndicatorChanged));
}

void SystemListDialog::resetSelectionIndicator()
{
    setSelectionIndicator(ListSelectionIndicator::Button);
}

void SystemListDialog::appendItem(const QString &text, bool enabled, bool selected)
{
    d->append({SystemListDialogItem(text, enabled, selected, SystemListDialogItem::Item)});
}

void SystemListDialog::appendItems(const QStringList &texts)
{
    QList<SystemListDialogItem> rows;
    for (const QString &text : texts)
        rows.append(SystemListDialogItem(text, true, false, SystemListDialogItem::Item));
    d->append(rows);
}

void SystemListDialog::appendHeader(const QString &text, bool enabled)
{
    d->append({SystemListDialogItem(text, enabled, true, SystemListDialogItem::Header)});
}

void SystemListDialog::appendSeparator(const QString &text)
{
    d->append({SystemListDialogItem(text, true, true, SystemListDialogItem::Separator)});
}

QList<SystemListDialogItem> SystemListDialog::items() const
{
    QMutexLocker lock(&d->itemMutex);
    return d->items;
}

void SystemListDialog::clearList()
{
    {
        QMutexLocker lock(&d->itemMutex);
        d->items.clear();
    }
    d->autoUpdate();
}

QList<int> SystemListDialog::selectedIndices() const
{
    QList<int> indices;
    for (const QVariant &index : d->selectedIndices)
        indices.append(index.toInt());
    return indices;
}

QVariantList SystemListDialog::selectedIndicesVariant() const
{
    return d->selectedIndices;
}

} // namespace qz::system
