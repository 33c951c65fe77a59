#include <qz/system/localehandler.h>

#include "localehandler_p.h"
#include "localeppsmanager_p.h"

namespace qz::system {

LocaleHandlerPrivate::LocaleHandlerPrivate(LocaleHandler *owner, LocaleType::Type localeType)
    : q(owner)
    , type(localeType)
{}

void LocaleHandlerPrivate::onUpdateUom()
{
    const MeasurementSystem::Type system = LocalePpsManager::instance()->measurementSystem();
    Q_EMIT q->measurementSystemChanged(system);
    Q_EMIT q->measurementSystemChanged(int(system));
}

LocaleHandler::LocaleHandler(LocaleType::Type type, QObject *parent)
    : QObject(parent)
    , d(new LocaleHandlerPrivate(this, type))
{
    LocalePpsManager *manager = LocalePpsManager::instance();
    if (type == LocaleType::Messages)
        connect(manager, &LocalePpsManager::messagesLanguageChanged, this, &LocaleHandler::changed);
    else if (type == LocaleType::Region)
        connect(manager, &LocalePpsManager::regionLocaleChanged, this, &LocaleHandler::changed);
    connect(manager, SIGNAL(measurementSystemChanged()), d, SLOT(onUpdateUom()));
}

LocaleHandler::~LocaleHandler()
{
    delete d;
}

QLocale LocaleHandler::locale() const
{
    const LocalePpsManager *manager = LocalePpsManager::instance();
    switch (d->type) {
    case LocaleType::Messages:
        return manager->messagesLanguage();
    case LocaleType::Region:
        return manager->regionLocale();
    }
    return QLocale(QLocale::C, QLocale::AnyCountry);
}

QLocale LocaleHandler::locale()
{
    return std::as_const(*this).locale();
}

MeasurementSystem::Type LocaleHandler::measurementSystem() const
{
    return LocalePpsManager::instance()->measurementSystem();
}

QString LocaleHandler::forceUpdateOnChange() const
{
    return QString();
}

} // namespace qz::system
