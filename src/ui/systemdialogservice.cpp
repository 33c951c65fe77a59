#include <qz/system/systemdialogservice.h>

#include "systemuiconstants_p.h"

#include <qz/UIToolkitSupport>
#include <qz/system/dialogppschannel.h>

#include <QEventLoop>
#include <QMutexLocker>
#include <QRecursiveMutex>
#include <QUuid>

namespace qz::system {

Q_LOGGING_CATEGORY(lcSystemUi, "qz.system.ui")

namespace {

// Stores \a value and says whether it differed, so setters emit only on change.
template<typename T> bool assign(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

constexpr int StandardButtonCount = 3;

} // namespace

class SystemDialogServicePrivate
{
public:
    bool active = false;
    bool autoUpdate = false;
    bool dismissAutomatically = true;
    bool dismissAtShow = true;
    bool busy = false;
    bool includeRememberMe = false;
    bool rememberMeEnabled = false;
    bool rememberMeChecked = true;
    bool includeEmoticons = false;
    bool rememberMeSelection = false;
    int buttonsLimit = SystemDialogService::s_defaultButtonLimit;
    int defaultButtonIndex = -1;
    int selectedButtonIndex = -1;
    QString groupId;
    QString className;
    QString title;
    QString body;
    QString rememberMeText;
    QString defaultLabels[StandardButtonCount];
    QRecursiveMutex requestMutex;
    QRecursiveMutex buttonMutex;
    DialogPpsChannel *channel = nullptr;
    QList<SystemUiButton *> buttons;
    QEventLoop *eventLoop = nullptr;
    SystemUiModality::Type modality = SystemUiModality::Application;
    SystemUiModality::Type shownModality = SystemUiModality::Application;
    SystemUiReturnKeyAction::Type returnKeyType = SystemUiReturnKeyAction::Default;
    SystemUiResult::Type result = SystemUiResult::None;
    SystemUiError::Type error = SystemUiError::None;
    QUrl icon;
    QMetaObject::Connection receiveConnection;
    QMetaObject::Connection sendConnection;

    QString labelAt(int index) const
    {
        const SystemUiButton *button = buttons.value(index);
        return button ? button->label() : QString();
    }
    QVariantMap iconEntry() const;
};

QVariantMap SystemDialogServicePrivate::iconEntry() const
{
    QString value;
    if (icon.isValid() && !icon.isEmpty()) {
        const QString path = UIToolkitSupport::absolutePathFromUrl(icon);
        value = QString::fromUtf8(QUrl::fromLocalFile(path).toEncoded());
    }
    return {{s_attributeIcon, value}};
}

SystemDialogService::SystemDialogService(const char *className, const QString &cancelLabel,
                                         const QString &customLabel, const QString &confirmLabel,
                                         QObject *parent)
    : QObject(parent)
    , d(std::make_unique<SystemDialogServicePrivate>())
{
    const QSignalBlocker blocker(this);
    d->className = QString::fromLatin1(className);
    {
        QMutexLocker lock(&d->buttonMutex);
        for (const QString &label : {confirmLabel, customLabel, cancelLabel}) {
            auto *button = new SystemUiButton(label, this);
            d->buttons.append(button);
            watchButton(button);
        }
        d->defaultLabels[ConfirmButton] = s_labelOk;
        d->defaultLabels[CustomButton] = QString();
        d->defaultLabels[CancelButton] = s_labelCancel;
    }
    setProperty(s_ppsId, QUuid::createUuid().toString());
    // The private's initial values are the reset values, except these two.
    d->rememberMeText = s_labelRememberMe;
    resetDefaultButton();
    d->eventLoop = new QEventLoop(this);
}

SystemDialogService::~SystemDialogService() = default;

void SystemDialogService::watchButton(SystemUiButton *button)
{
    connect(button, &QObject::destroyed, this, &SystemDialogService::onButtonDestroyed,
            Qt::UniqueConnection);
    connect(button, &SystemUiButton::enabledChanged, this, &SystemDialogService::buttonStateChanged,
            Qt::UniqueConnection);
    connect(button, &SystemUiButton::labelChanged, this, &SystemDialogService::buttonStateChanged,
            Qt::UniqueConnection);
}

QString SystemDialogService::title() const
{
    return d->title;
}

void SystemDialogService::setTitle(const QString &title)
{
    if (assign(d->title, title))
        Q_EMIT titleChanged(title);
}

void SystemDialogService::resetTitle()
{
    setTitle(QString());
}

QString SystemDialogService::body() const
{
    return d->body;
}

void SystemDialogService::setBody(const QString &body)
{
    if (assign(d->body, body))
        Q_EMIT bodyChanged(body);
}

void SystemDialogService::resetBody()
{
    setBody(QString());
}

int SystemDialogService::buttonsLimit() const
{
    return d->buttonsLimit;
}

void SystemDialogService::setButtonsLimit(int limit)
{
    if (limit < s_lowerButtonLimit || limit > s_upperButtonLimit)
        limit = s_defaultButtonLimit;
    if (assign(d->buttonsLimit, limit))
        Q_EMIT buttonAreaLimitChanged(limit);
}

void SystemDialogService::resetButtonsLimit()
{
    setButtonsLimit(s_defaultButtonLimit);
}

bool SystemDialogService::dismissAutomatically() const
{
    return d->dismissAutomatically;
}

void SystemDialogService::setDismissAutomatically(bool dismiss)
{
    if (assign(d->dismissAutomatically, dismiss))
        Q_EMIT dismissAutomaticallyChanged(dismiss);
}

void SystemDialogService::resetDismissAutomatically()
{
    setDismissAutomatically(true);
}

SystemUiReturnKeyAction::Type SystemDialogService::returnKeyType() const
{
    return d->returnKeyType;
}

void SystemDialogService::setReturnKeyType(SystemUiReturnKeyAction::Type type)
{
    if (!assign(d->returnKeyType, type))
        return;
    Q_EMIT returnKeyActionChanged(type);
    Q_EMIT returnKeyActionChanged(int(type));
}

void SystemDialogService::resetReturnKeyType()
{
    setReturnKeyType(SystemUiReturnKeyAction::Default);
}

bool SystemDialogService::isAutoUpdate() const
{
    return d->autoUpdate;
}

void SystemDialogService::setAutoUpdate(bool autoUpdate)
{
    if (assign(d->autoUpdate, autoUpdate))
        Q_EMIT autoUpdateEnabledChanged(autoUpdate);
}

void SystemDialogService::resetAutoUpdate()
{
    setAutoUpdate(false);
}

bool SystemDialogService::isBusy() const
{
    return d->busy;
}

void SystemDialogService::setBusy(bool busy)
{
    if (assign(d->busy, busy))
        Q_EMIT activityIndicatorVisibleChanged(busy);
}

void SystemDialogService::resetBusy()
{
    setBusy(false);
}

bool SystemDialogService::includeRememberMe() const
{
    return d->includeRememberMe;
}

void SystemDialogService::setIncludeRememberMe(bool include)
{
    if (assign(d->includeRememberMe, include))
        Q_EMIT includeRememberMeChanged(include);
}

void SystemDialogService::resetIncludeRememberMe()
{
    setIncludeRememberMe(false);
}

bool SystemDialogService::isRememberMeEnabled() const
{
    return d->rememberMeEnabled;
}

void SystemDialogService::setRememberMeEnabled(bool enabled)
{
    if (assign(d->rememberMeEnabled, enabled))
        Q_EMIT rememberMeEnabledChanged(enabled);
}

void SystemDialogService::resetRememberMeEnabled()
{
    setRememberMeEnabled(false);
}

bool SystemDialogService::isIncludeRememberMeChecked() const
{
    return d->rememberMeChecked;
}

void SystemDialogService::setRememberMeChecked(bool checked)
{
    if (assign(d->rememberMeChecked, checked))
        Q_EMIT rememberMeCheckedChanged(checked);
}

void SystemDialogService::resetRememberMeChecked()
{
    setRememberMeChecked(true);
}

QString SystemDialogService::rememberMeText() const
{
    return d->rememberMeText;
}

void SystemDialogService::setRememberMeText(const QString &text)
{
    if (assign(d->rememberMeText, text))
        Q_EMIT rememberMeTextChanged(text);
}

void SystemDialogService::resetRememberMeText()
{
    setRememberMeText(s_labelRememberMe);
}

bool SystemDialogService::includeEmoticons() const
{
    return d->includeEmoticons;
}

void SystemDialogService::setIncludeEmoticons(bool include)
{
    if (assign(d->includeEmoticons, include))
        Q_EMIT emoticonsEnabledChanged(include);
}

void SystemDialogService::resetIncludeEmoticons()
{
    setIncludeEmoticons(false);
}

SystemUiModality::Type SystemDialogService::modality() const
{
    return d->modality;
}

void SystemDialogService::setModality(SystemUiModality::Type modality)
{
    if (!assign(d->modality, modality))
        return;
    Q_EMIT modalityChanged(modality);
    Q_EMIT modalityChanged(int(modality));
}

void SystemDialogService::resetModality()
{
    setModality(SystemUiModality::Application);
}

QString SystemDialogService::groupId() const
{
    return d->groupId;
}

void SystemDialogService::setGroupId(const QString &groupId)
{
    if (assign(d->groupId, groupId))
        Q_EMIT groupIdChanged(groupId);
}

void SystemDialogService::resetGroupId()
{
    setGroupId(QString());
}

QUrl SystemDialogService::icon() const
{
    return d->icon;
}

void SystemDialogService::setIcon(const QUrl &icon)
{
    if (assign(d->icon, icon))
        Q_EMIT iconChanged(icon);
}

void SystemDialogService::resetIcon()
{
    setIcon(QUrl());
}

bool SystemDialogService::isActive() const
{
    return d->active;
}

void SystemDialogService::setActive(bool active)
{
    d->active = active;
}

SystemUiResult::Type SystemDialogService::result() const
{
    return d->result;
}

SystemUiError::Type SystemDialogService::error() const
{
    return d->error;
}

void SystemDialogService::setResult(SystemUiResult::Type result, SystemUiError::Type error)
{
    d->result = result;
    d->error = error;
}

void SystemDialogService::resetResult()
{
    setResult(SystemUiResult::None, SystemUiError::None);
    d->selectedButtonIndex = -1;
    d->rememberMeSelection = false;
}

bool SystemDialogService::rememberMeSelection() const
{
    return d->rememberMeSelection;
}

void SystemDialogService::setRememberMeSelection(bool selection)
{
    d->rememberMeSelection = selection;
}

int SystemDialogService::selectedButtonIndex() const
{
    return d->selectedButtonIndex;
}

void SystemDialogService::setSelectedButtonIndex(int index)
{
    d->selectedButtonIndex = index;
}

int SystemDialogService::defaultButtonIndex() const
{
    return d->defaultButtonIndex;
}

QString SystemDialogService::className() const
{
    return d->className;
}

void SystemDialogService::setClassName(const QString &className)
{
    d->className = className;
}

SystemUiButton *SystemDialogService::confirmButton() const
{
    QMutexLocker lock(&d->buttonMutex);
    return d->buttons.at(ConfirmButton);
}

SystemUiButton *SystemDialogService::customButton() const
{
    QMutexLocker lock(&d->buttonMutex);
    return d->buttons.at(CustomButton);
}

SystemUiButton *SystemDialogService::cancelButton() const
{
    QMutexLocker lock(&d->buttonMutex);
    return d->buttons.at(CancelButton);
}

void SystemDialogService::resetButton(StandardButtonType type)
{
    QMutexLocker lock(&d->buttonMutex);
    SystemUiButton *button = d->buttons.at(type);
    if (!button)
        return;
    const QSignalBlocker blocker(button);
    button->setLabel(d->defaultLabels[type]);
    button->setEnabled(true);
}

void SystemDialogService::resetConfirmButton()
{
    resetButton(ConfirmButton);
}

void SystemDialogService::resetCustomButton()
{
    resetButton(CustomButton);
}

void SystemDialogService::resetCancelButton()
{
    resetButton(CancelButton);
}

void SystemDialogService::setDefaultConfirmButtonLabel(const QString &label)
{
    QMutexLocker lock(&d->buttonMutex);
    d->defaultLabels[ConfirmButton] = label;
}

void SystemDialogService::setDefaultCustomButtonLabel(const QString &label)
{
    QMutexLocker lock(&d->buttonMutex);
    d->defaultLabels[CustomButton] = label;
}

void SystemDialogService::setDefaultCancelButtonLabel(const QString &label)
{
    QMutexLocker lock(&d->buttonMutex);
    d->defaultLabels[CancelButton] = label;
}

void SystemDialogService::addButton(SystemUiButton *button)
{
    if (!button)
        return;
    {
        QMutexLocker lock(&d->buttonMutex);
        if (button->parent() != this)
            button->setParent(this);
        if (d->buttons.contains(button))
            return;
        watchButton(button);
        d->buttons.append(button);
    }
    Q_EMIT buttonCountChanged();
}

void SystemDialogService::clearButtons()
{
    {
        QMutexLocker lock(&d->buttonMutex);
        const QList<SystemUiButton *> added = d->buttons.mid(StandardButtonCount);
        d->buttons.resize(StandardButtonCount);
        for (SystemUiButton *button : added) {
            disconnect(button, nullptr, this, nullptr);
            button->deleteLater();
        }
        // The indices must not keep pointing past the list at buttons that are gone.
        if (d->selectedButtonIndex >= StandardButtonCount)
            d->selectedButtonIndex = -1;
        if (d->defaultButtonIndex >= StandardButtonCount)
            resetDefaultButton();
    }
    Q_EMIT buttonCountChanged();
}

QList<SystemUiButton *> SystemDialogService::buttons() const
{
    QMutexLocker lock(&d->buttonMutex);
    return d->buttons;
}

int SystemDialogService::buttonCount() const
{
    QMutexLocker lock(&d->buttonMutex);
    return int(d->buttons.size()) - StandardButtonCount;
}

SystemUiButton *SystemDialogService::buttonAt(int index) const
{
    QMutexLocker lock(&d->buttonMutex);
    return index < 0 ? nullptr : d->buttons.value(index + StandardButtonCount);
}

QQmlListProperty<SystemUiButton> SystemDialogService::buttonListProperty(QObject *owner)
{
    return QQmlListProperty<SystemUiButton>(
        owner, this, &SystemDialogService::qmlAppendButton, &SystemDialogService::qmlButtonCount,
        &SystemDialogService::qmlButtonAt, &SystemDialogService::qmlClearButtons);
}

void SystemDialogService::qmlAppendButton(QQmlListProperty<SystemUiButton> *list,
                                          SystemUiButton *button)
{
    static_cast<SystemDialogService *>(list->data)->addButton(button);
}

void SystemDialogService::qmlClearButtons(QQmlListProperty<SystemUiButton> *list)
{
    static_cast<SystemDialogService *>(list->data)->clearButtons();
}

qsizetype SystemDialogService::qmlButtonCount(QQmlListProperty<SystemUiButton> *list)
{
    return static_cast<SystemDialogService *>(list->data)->buttonCount();
}

SystemUiButton *SystemDialogService::qmlButtonAt(QQmlListProperty<SystemUiButton> *list,
                                                 qsizetype index)
{
    return static_cast<SystemDialogService *>(list->data)->buttonAt(int(index));
}

void SystemDialogService::setDefaultButtonIndex(int index)
{
    QMutexLocker lock(&d->buttonMutex);
    if (!assign(d->defaultButtonIndex, index))
        return;
    Q_EMIT defaultButtonChanged(d->buttons.value(index));
}

void SystemDialogService::setDefaultButton(SystemUiButton *button)
{
    QMutexLocker lock(&d->buttonMutex);
    setDefaultButtonIndex(button ? int(d->buttons.indexOf(button)) : -1);
}

void SystemDialogService::resetDefaultButton()
{
    QMutexLocker lock(&d->buttonMutex);
    int index = -1;
    for (int type : {ConfirmButton, CustomButton, CancelButton}) {
        if (!d->labelAt(type).isEmpty()) {
            index = type;
            break;
        }
    }
    setDefaultButtonIndex(index);
}

SystemUiButton *SystemDialogService::defaultButton() const
{
    QMutexLocker lock(&d->buttonMutex);
    return d->buttons.value(d->defaultButtonIndex);
}

SystemUiButton *SystemDialogService::buttonSelection() const
{
    QMutexLocker lock(&d->buttonMutex);
    return d->buttons.value(d->selectedButtonIndex);
}

void SystemDialogService::onButtonDestroyed(QObject *button)
{
    QMutexLocker lock(&d->buttonMutex);
    // Compared as QObject: the button is no longer a SystemUiButton while it is destroyed.
    int index = -1;
    for (int i = 0; i < d->buttons.size(); ++i) {
        if (static_cast<QObject *>(d->buttons.at(i)) == button) {
            index = i;
            break;
        }
    }
    if (index < 0)
        return;
    const bool standard = index < StandardButtonCount;
    if (standard)
        d->buttons[index] = nullptr;
    else
        d->buttons.removeAt(index);

    // Removing an added button shifts the ones after it: keep both indices on their buttons.
    if (index == d->selectedButtonIndex)
        d->selectedButtonIndex = -1;
    else if (!standard && d->selectedButtonIndex > index)
        --d->selectedButtonIndex;
    if (index == d->defaultButtonIndex)
        resetDefaultButton();
    else if (!standard && d->defaultButtonIndex > index)
        --d->defaultButtonIndex;
}

void SystemDialogService::createDescription(QVariantMap &description)
{
    QVariantList buttonMaps;
    int sentDefaultIndex = -1;
    {
        QMutexLocker lock(&d->buttonMutex);
        QList<int> order;
        for (int i = StandardButtonCount; i < d->buttons.size(); ++i) {
            if (!d->labelAt(i).isEmpty())
                order.append(i);
        }
        for (int type : {CustomButton, ConfirmButton}) {
            if (!d->labelAt(type).isEmpty())
                order.append(type);
        }
        if (!d->labelAt(CancelButton).isEmpty()) {
            // Cancel sits first beside a lone button, else last; an odd row ending in confirm
            // puts confirm before the button chosen just ahead of it.
            if (order.size() == 1) {
                order.prepend(CancelButton);
            } else {
                if (order.size() % 2 == 1 && order.last() == ConfirmButton)
                    order.swapItemsAt(order.size() - 1, order.size() - 2);
                order.append(CancelButton);
            }
        }

        // A default button that would not be shown falls back to the first standard button
        // with a label; no default (-1) stays no default.
        const bool defaultInList =
            d->defaultButtonIndex >= 0 && d->defaultButtonIndex < d->buttons.size();
        if (defaultInList && d->labelAt(d->defaultButtonIndex).isEmpty())
            resetDefaultButton();

        for (int index : order) {
            const SystemUiButton *button = d->buttons.at(index);
            if (index == d->defaultButtonIndex)
                sentDefaultIndex = int(buttonMaps.size());
            buttonMaps.append(QVariantMap{
                {s_attributeLabel, button->label()},
                {s_attributeEnabled, button->isEnabled()},
                {s_attributeContext, button->property(s_ppsId).toString()},
            });
        }
    }

    description.insert(s_attributeTitleText, d->title);
    description.insert(s_attributeMessageText, d->body);
    description.insert(s_attributeActivityIndicator, d->busy);
    description.insert(s_attributeButtons, buttonMaps);
    description.insert(s_attributeCancelRequired, !d->dismissAutomatically);
    description.insert(s_keyboardReturnKey, int(d->returnKeyType));
    description.insert(s_attributeEmoticons, d->includeEmoticons);
    description.insert(s_attributeDefaultButtonIndex, sentDefaultIndex);
    if (d->buttonsLimit != s_defaultButtonLimit)
        description.insert(s_attributeButtonLimit, d->buttonsLimit);
    if (d->includeRememberMe) {
        description.insert(s_attributeRememberMe, d->rememberMeChecked);
        description.insert(s_attributeRememberMeLabel, d->rememberMeText);
    } else if (d->active && d->autoUpdate) {
        // An empty label takes away a check box that an earlier request showed.
        description.insert(s_attributeRememberMeLabel, QString());
    }
    description.insert(d->iconEntry());

    const QString id = property(s_ppsId).toString();
    if (d->active) {
        description = QVariantMap{
            {s_attributeMsg, s_attributeMsgUpdate},
            {s_attributeDat, QVariantMap{{s_attributeId, id}, {s_attributeDescObj, description}}},
        };
    } else {
        description = QVariantMap{
            {s_attributeMsg, s_attributeMsgShow},
            {s_attributeId, id},
            {s_attributeDat,
             QVariantMap{{s_attributeClassName, d->className}, {s_attributeDescObj, description}}},
        };
    }
}

void SystemDialogService::show(QVariantMap &description)
{
    QMutexLocker lock(&d->requestMutex);
    if (d->active && d->modality != d->shownModality) {
        // The other modality lives on the other control object: take the dialog down here first,
        // so that the request built below shows it afresh there. A waiting exec() keeps waiting.
        sendCancel();
        d->active = false;
        releaseChannel();
    }
    createDescription(description);
    if (!openChannel()) {
        setResult(SystemUiResult::Error, SystemUiError::ServiceUnavailable);
        cleanupAndNotify();
        return;
    }
    d->shownModality = d->modality;
    d->active = true;
    d->dismissAtShow = d->dismissAutomatically;
    Q_EMIT sendRequest(description);
}

SystemUiResult::Type SystemDialogService::exec(QVariantMap &description)
{
    show(description);
    if (d->eventLoop->isRunning())
        return SystemUiResult::DialogCannotBlock;
    if (!d->active)
        return d->result;
    if (d->eventLoop->exec() == -1)
        return SystemUiResult::DialogCannotBlock;
    return d->result;
}

void SystemDialogService::sendCancel()
{
    Q_EMIT sendRequest(QVariantMap{
        {s_attributeMsg, s_attributeMsgCancel},
        {s_attributeId, property(s_ppsId).toString()},
        {s_attributeDat, QVariantMap()},
    });
}

void SystemDialogService::cancel()
{
    QMutexLocker lock(&d->requestMutex);
    if (!d->active)
        return;
    // A cancel that cannot be written ends the dialog all the same, without finished().
    if (d->channel)
        d->channel->setFailureHandler({});
    sendCancel();
    d->active = false;
    cleanup();
}

bool SystemDialogService::openChannel()
{
    if (d->channel)
        return d->channel->isOpen();
    d->channel = new DialogPpsChannel(d->modality == SystemUiModality::Global, this);
    if (!d->channel->isOpen())
        return false;
    d->receiveConnection = connect(d->channel, &DialogPpsChannel::receivePassthrough, this,
                                   &SystemDialogService::onChannelResponse);
    d->sendConnection = connect(this, &SystemDialogService::sendRequest, d->channel,
                                &DialogPpsChannel::sendPassthrough);
    d->channel->setFailureHandler([this] { onChannelFailed(); });
    return d->receiveConnection && d->sendConnection;
}

void SystemDialogService::releaseChannel()
{
    disconnect(d->receiveConnection);
    disconnect(d->sendConnection);
    if (d->channel) {
        d->channel->setFailureHandler({});
        d->channel->deleteLater();
    }
    d->channel = nullptr;
}

void SystemDialogService::onChannelFailed()
{
    // The dialog service is gone, or the request never reached it: no answer can come, so end
    // as if the service had been absent at show().
    QMutexLocker lock(&d->requestMutex);
    if (!d->active)
        return;
    setResult(SystemUiResult::Error, SystemUiError::ServiceUnavailable);
    cleanupAndNotify();
}

void SystemDialogService::onChannelResponse(const QVariantMap &answer)
{
    QMutexLocker lock(&d->requestMutex);
    if (!d->active) {
        qCWarning(lcSystemUi,
                  "SystemDialogService: Received response from dialog service but no request is "
                  "pending");
        return;
    }
    QVariantMap message = answer;
    if (answer.contains(s_objectControl))
        message = answer.value(s_objectControl).toMap();
    else if (answer.contains(s_objectSystemControl))
        message = answer.value(s_objectSystemControl).toMap();

    if (!message.contains(s_attributeId) ||
        message.value(s_attributeId).toString() != property(s_ppsId).toString()) {
        qCWarning(lcSystemUi,
                  "Received response from dialog service without appropriate identifier");
        setResult(SystemUiResult::Error, SystemUiError::Unknown);
        cleanupAndNotify();
        return;
    }
    if (message.value(s_attributeRes).toString() != s_attributeMsgShow) {
        cleanupAndNotify();
        return;
    }
    QVariantMap response = message.value(s_attributeDat).toMap().value(s_attributeRespObj).toMap();
    if (!parseResponse(response)) {
        qCWarning(lcSystemUi, "Received malformed response");
        cleanupAndNotify();
        return;
    }
    Q_EMIT dialogResponse(response);
    notify();
}

bool SystemDialogService::parseResponse(QVariantMap &response)
{
    bool ok = false;
    response.value(s_responseSelectedIndex).toInt(&ok);
    if (!ok)
        return false;
    const QString context = response.value(s_responseBtnContext).toString();
    d->rememberMeSelection = response.value(s_attributeRememberMe).toBool();

    QMutexLocker lock(&d->buttonMutex);
    d->selectedButtonIndex = -1;
    d->result = SystemUiResult::None;
    for (int i = 0; i < d->buttons.size(); ++i) {
        const SystemUiButton *button = d->buttons.at(i);
        if (!button || button->property(s_ppsId).toString() != context)
            continue;
        d->selectedButtonIndex = i;
        switch (i) {
        case ConfirmButton:
            d->result = SystemUiResult::ConfirmButtonSelection;
            break;
        case CustomButton:
            d->result = SystemUiResult::CustomButtonSelection;
            break;
        case CancelButton:
            d->result = SystemUiResult::CancelButtonSelection;
            break;
        default:
            d->result = SystemUiResult::ButtonSelection;
            break;
        }
        break;
    }
    return true;
}

void SystemDialogService::notify()
{
    finish(false, true);
}

void SystemDialogService::cleanup()
{
    finish(true, false);
}

void SystemDialogService::cleanupAndNotify()
{
    finish(true, true);
}

void SystemDialogService::finish(bool cleanup, bool notify)
{
    const bool wasActive = d->active;
    if (cleanup || d->dismissAtShow) {
        QMutexLocker lock(&d->requestMutex);
        releaseChannel();
        d->active = false;
    }
    if (notify || wasActive) {
        Q_EMIT finished(d->result);
        Q_EMIT finished(int(d->result));
    }
    if (d->eventLoop->isRunning() && !d->active)
        d->eventLoop->quit();
}

} // namespace qz::system
