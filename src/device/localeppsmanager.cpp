#include "localeppsmanager_p.h"

#include "devicelogging_p.h"

#include <qz/PpsObject>

#include <QRecursiveMutex>

#include <new>

namespace qz::system {

const char LocalePpsManager::s_messagesPath[] = "/pps/services/confstr/_CS_LOCALE";
const char LocalePpsManager::s_regionPath[] = "/pps/services/locale/settings";
const char LocalePpsManager::s_uomPath[] = "/pps/services/locale/uom";

namespace {

const char s_prefix[] = "qz::system::LocalePpsManager::LocalePpsManager()";

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

} // namespace

LocalePpsManager *LocalePpsManager::instance()
{
    static QRecursiveMutex mutex;
    QMutexLocker lock(&mutex);
    static LocalePpsManager manager;
    return &manager;
}

LocalePpsManager::LocalePpsManager()
{
    m_messagesObject =
        openChannel(s_messagesPath, "messages language", SLOT(onUpdateMessagesPps()));
    if (m_messagesObject)
        onUpdateMessagesPps();
    m_regionObject = openChannel(s_regionPath, "region locale", SLOT(onUpdateRegionPps()));
    if (m_regionObject)
        onUpdateRegionPps();
    m_uomObject = openChannel(s_uomPath, "measurement system", SLOT(onUpdateUomPps()));
    if (m_uomObject)
        onUpdateUomPps();
}

LocalePpsManager::~LocalePpsManager() = default;

PpsObject *LocalePpsManager::openChannel(const char *path, const char *channelName,
                                         const char *slot)
{
    auto *object = new (std::nothrow) PpsObject(QString::fromLatin1(path), this);
    if (!object) {
        qCWarning(lcDevice, "%s was unable to allocate a qz::PpsObject.", s_prefix);
        return nullptr;
    }
    if (!object->open(PpsOpenMode::Subscribe)) {
        qCWarning(lcDevice).noquote()
            << QStringLiteral("%1 is unable to open %2 PPS channel \"")
                   .arg(QLatin1String(s_prefix), QLatin1String(channelName))
            << QLatin1String(path) << "\". Error" << object->error() << ":"
            << quoted(object->errorString());
        // A channel that cannot be opened stays silent; its value keeps its start value.
        delete object;
        return nullptr;
    }
    if (!connect(object, SIGNAL(readyRead()), this, slot))
        qCWarning(lcDevice, "%s is unable to connect with qz::PpsObject::readyRead() signal.",
                  s_prefix);
    if (!object->isReadyReadEnabled()) {
        object->setReadyReadEnabled(true);
        if (!object->isReadyReadEnabled())
            qCWarning(lcDevice,
                      "%s is unable to toggle qz::PpsObject::isReadyReadEnabled() via "
                      "qz::PpsObject::setReadyReadEnabled()",
                      s_prefix);
    }
    return object;
}

bool LocalePpsManager::readValue(PpsObject *object, const char *slotName, const char *decodeWarning,
                                 const QString &objectKey, const QString &attribute, QString *value)
{
    bool ok = false;
    const QByteArray data = object->read(&ok);
    if (!ok) {
        qCWarning(lcDevice).noquote()
            << QStringLiteral("qz::system::LocalePpsManager::%1 was unable to read PPS channel. "
                              "Error")
                   .arg(QLatin1String(slotName))
            << object->error() << ":" << quoted(object->errorString());
        return false;
    }
    const QVariantMap decoded = PpsObject::decode(data, &ok);
    if (!ok) {
        qCWarning(lcDevice,
                  "qz::system::LocalePpsManager::%s was unable to qz::PpsObject::decode() "
                  "the %s.",
                  slotName, decodeWarning);
        return false;
    }
    *value = decoded.value(objectKey).toMap().value(attribute).toString();
    return true;
}

void LocalePpsManager::onUpdateMessagesPps()
{
    if (!m_messagesObject)
        return;
    QString name;
    if (!readValue(m_messagesObject, "onUpdateMessagesPps()", "PPS payload",
                   QStringLiteral("@_CS_LOCALE"), QStringLiteral("_CS_LOCALE"), &name))
        return;
    const QLocale locale(name);
    if (locale == m_messagesLanguage)
        return;
    m_messagesLanguage = locale;
    QLocale::setDefault(locale);
    Q_EMIT messagesLanguageChanged();
}

void LocalePpsManager::onUpdateRegionPps()
{
    if (!m_regionObject)
        return;
    QString name;
    if (!readValue(m_regionObject, "onUpdateRegionPps()", "payload", QStringLiteral("@settings"),
                   QStringLiteral("region"), &name))
        return;
    const QLocale locale(name);
    if (locale == m_regionLocale)
        return;
    m_regionLocale = locale;
    Q_EMIT regionLocaleChanged();
}

void LocalePpsManager::onUpdateUomPps()
{
    if (!m_uomObject)
        return;
    QString uom;
    if (!readValue(m_uomObject, "onUpdateUomPps()", "payload", QStringLiteral("@uom"),
                   QStringLiteral("uom"), &uom))
        return;
    MeasurementSystem::Type system = m_measurementSystem;
    if (uom == QLatin1String("metric"))
        system = MeasurementSystem::Metric;
    else if (uom == QLatin1String("imperial"))
        system = MeasurementSystem::Imperial;
    if (system == m_measurementSystem)
        return;
    m_measurementSystem = system;
    Q_EMIT measurementSystemChanged();
}

} // namespace qz::system
