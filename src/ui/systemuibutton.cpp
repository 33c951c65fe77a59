#include <qz/system/systemuibutton.h>

#include "systemuiconstants_p.h"

#include <QUuid>

namespace qz::system {

class SystemUiButtonPrivate
{
public:
    QString label;
    bool enabled = true;
};

SystemUiButton::SystemUiButton(QObject *parent)
    : SystemUiButton(QString(), parent)
{}

SystemUiButton::SystemUiButton(const QString &label, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<SystemUiButtonPrivate>())
{
    d->label = label;
    setProperty(s_ppsId, QUuid::createUuid().toString());
}

SystemUiButton::~SystemUiButton() = default;

QString SystemUiButton::label() const
{
    return d->label;
}

void SystemUiButton::setLabel(const QString &label)
{
    if (d->label == label)
        return;
    d->label = label;
    Q_EMIT labelChanged(label);
}

void SystemUiButton::resetLabel()
{
    setLabel(QString());
}

bool SystemUiButton::isEnabled() const
{
    return d->enabled;
}

void SystemUiButton::setEnabled(bool enabled)
{
    if (d->enabled == enabled)
        return;
    d->enabled = enabled;
    Q_EMIT enabledChanged(enabled);
}

void SystemUiButton::resetEnabled()
{
    setEnabled(true);
}

} // namespace qz::system
