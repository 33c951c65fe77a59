#include "localeservice.h"

#include "controlobjectserver.h"

#include <qz/PpsObject>

#include <QLocale>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <cerrno>

Q_LOGGING_CATEGORY(lcDeviceLocale, "qz.device.locale")

const QString LocaleService::s_messagesPath = QStringLiteral("/pps/services/confstr/_CS_LOCALE");
const QString LocaleService::s_regionPath = QStringLiteral("/pps/services/locale/settings");
const QString LocaleService::s_uomPath = QStringLiteral("/pps/services/locale/uom");
const QString LocaleService::s_controlPath = QStringLiteral("/pps/services/locale/control");

namespace {

const QString s_messages = QStringLiteral("messages");
const QString s_region = QStringLiteral("region");
const QString s_uom = QStringLiteral("uom");

bool isLocaleName(const QString &name)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(C|[A-Za-z]{2,8}([_-][A-Za-z0-9]{1,8}){0,4})$"));
    return name.size() <= 64 && pattern.match(name).hasMatch();
}

bool isUom(const QString &uom)
{
    return uom == QLatin1String("metric") || uom == QLatin1String("imperial");
}

// "de_DE.UTF-8@euro" names the locale de_DE.
QString hostLocaleName(const QByteArray &value)
{
    QString name = QString::fromLocal8Bit(value).section(u'.', 0, 0).section(u'@', 0, 0);
    if (name == QLatin1String("POSIX"))
        name = QStringLiteral("C");
    return isLocaleName(name) ? name : QString();
}

QString firstHostSetting(std::initializer_list<const char *> variables)
{
    for (const char *variable : variables) {
        const QString name = hostLocaleName(qgetenv(variable));
        if (!name.isEmpty())
            return name;
    }
    return QString();
}

} // namespace

LocaleService::Settings LocaleService::Settings::fromHost()
{
    Settings settings;
    settings.messages = firstHostSetting({"LC_ALL", "LC_MESSAGES", "LANG"});
    if (settings.messages.isEmpty())
        settings.messages = QStringLiteral("C");
    settings.region = firstHostSetting({"LC_ALL"});
    if (settings.region.isEmpty())
        settings.region = QLocale::system().name();
    if (!isLocaleName(settings.region))
        settings.region = QStringLiteral("C");
    QString measurement = firstHostSetting({"LC_ALL", "LC_MEASUREMENT", "LANG"});
    const QLocale measuring = measurement.isEmpty() ? QLocale::system() : QLocale(measurement);
    settings.uom = measuring.measurementSystem() == QLocale::MetricSystem
                       ? QStringLiteral("metric")
                       : QStringLiteral("imperial");
    return settings;
}

std::optional<LocaleService::Settings> LocaleService::Settings::changed(const QVariantMap &changes,
                                                                        QString *why) const
{
    Settings result = *this;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const QString value =
            it.value().typeId() == QMetaType::QString ? it.value().toString() : QString();
        if (it.key() == s_messages || it.key() == s_region) {
            if (!isLocaleName(value)) {
                *why = QStringLiteral("\"%1\" is not a locale name").arg(it.key());
                return std::nullopt;
            }
            (it.key() == s_messages ? result.messages : result.region) = value;
        } else if (it.key() == s_uom) {
            if (!isUom(value)) {
                *why = QStringLiteral("\"uom\" is metric or imperial");
                return std::nullopt;
            }
            result.uom = value;
        } else {
            *why = QStringLiteral("unknown setting \"%1\"").arg(it.key().left(64));
            return std::nullopt;
        }
    }
    return result;
}

QVariantMap LocaleService::Settings::toMap() const
{
    return {{s_messages, messages}, {s_region, region}, {s_uom, uom}};
}

class LocaleServicePrivate
{
public:
    LocaleServicePrivate(LocaleService *owner, const LocaleService::Settings &initial)
        : q(owner)
        , settings(initial)
        , control(LocaleService::s_controlPath)
    {}

    bool openObject(std::unique_ptr<qz::PpsObject> &object, const QString &path, QString *error);
    bool publish(qz::PpsObject *object, const QString &attribute, const QString &value);
    void onRequest(int client, const QVariantMap &message);

    LocaleService *const q;
    LocaleService::Settings settings;
    ControlObjectServer control;
    std::unique_ptr<qz::PpsObject> messages;
    std::unique_ptr<qz::PpsObject> region;
    std::unique_ptr<qz::PpsObject> uom;
};

bool LocaleServicePrivate::openObject(std::unique_ptr<qz::PpsObject> &object, const QString &path,
                                      QString *error)
{
    object = std::make_unique<qz::PpsObject>(path);
    // Others may read the settings, only the service writes them.
    object->setCreationMode(0644);
    if (object->open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create |
                     qz::PpsOpenMode::DeleteContents))
        return true;
    *error = QStringLiteral("cannot open %1: %2").arg(path, object->errorString());
    return false;
}

bool LocaleServicePrivate::publish(qz::PpsObject *object, const QString &attribute,
                                   const QString &value)
{
    if (object->writeMessage({{attribute, value}}) == 0)
        return true;
    qCWarning(lcDeviceLocale).noquote()
        << "cannot publish" << attribute << "on" << object->path() << ":" << object->errorString();
    return false;
}

void LocaleServicePrivate::onRequest(int client, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant id = message.value(QStringLiteral("id"));
    const auto refuse = [&](const QString &why) {
        qCWarning(lcDeviceLocale).noquote() << "client" << client << "refused:" << why;
        control.reply(client, {{QStringLiteral("res"), msg},
                               {QStringLiteral("id"), id},
                               {QStringLiteral("err"), EINVAL},
                               {QStringLiteral("errstr"), why}});
    };
    if (msg == QLatin1String("set")) {
        const QVariant dat = message.value(QStringLiteral("dat"));
        if (dat.typeId() != QMetaType::QVariantMap)
            return refuse(QStringLiteral("set takes a map of settings in dat"));
        QString why;
        const std::optional<LocaleService::Settings> next = settings.changed(dat.toMap(), &why);
        if (!next)
            return refuse(why);
        // Each object is written only when its value changes, so subscribers see real changes.
        bool ok = true;
        if (next->messages != settings.messages)
            ok &= publish(messages.get(), QStringLiteral("_CS_LOCALE"), next->messages);
        if (next->region != settings.region)
            ok &= publish(region.get(), QStringLiteral("region"), next->region);
        if (next->uom != settings.uom)
            ok &= publish(uom.get(), QStringLiteral("uom"), next->uom);
        if (!ok)
            return refuse(QStringLiteral("the settings could not be published"));
        settings = *next;
        qCDebug(lcDeviceLocale).noquote()
            << "client" << client << "set messages" << settings.messages << "region"
            << settings.region << "uom" << settings.uom;
    } else if (msg != QLatin1String("get")) {
        return refuse(QStringLiteral("unknown request (set or get)"));
    }
    control.reply(client, {{QStringLiteral("res"), msg},
                           {QStringLiteral("id"), id},
                           {QStringLiteral("dat"), settings.toMap()}});
}

LocaleService::LocaleService(const Settings &initial, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<LocaleServicePrivate>(this, initial))
{
    connect(&d->control, &ControlObjectServer::requestReceived, this,
            [this](int client, const QVariantMap &message) { d->onRequest(client, message); });
    connect(&d->control, &ControlObjectServer::unreadableRequest, this, [](int client) {
        qCWarning(lcDeviceLocale) << "client" << client << "sent a request that is not PPS text";
    });
    connect(&d->control, &ControlObjectServer::lost, this, &DeviceService::failed);
}

LocaleService::~LocaleService() = default;

QString LocaleService::name() const
{
    return QStringLiteral("locale");
}

bool LocaleService::start(QString *error)
{
    if (!d->openObject(d->messages, s_messagesPath, error) ||
        !d->openObject(d->region, s_regionPath, error) || !d->openObject(d->uom, s_uomPath, error))
        return false;
    if (!d->publish(d->messages.get(), QStringLiteral("_CS_LOCALE"), d->settings.messages) ||
        !d->publish(d->region.get(), QStringLiteral("region"), d->settings.region) ||
        !d->publish(d->uom.get(), QStringLiteral("uom"), d->settings.uom)) {
        *error = QStringLiteral("cannot publish the locale settings");
        return false;
    }
    return d->control.open(error);
}

LocaleService::Settings LocaleService::settings() const
{
    return d->settings;
}
