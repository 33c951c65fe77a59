#include "contextservice.h"

#include "controlobjectserver.h"

#include <qz/PpsObject>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QMessageAuthenticationCode>
#include <QRandomGenerator>
#include <QSaveFile>

#include <cerrno>
#include <deque>

Q_LOGGING_CATEGORY(lcDeviceContext, "qz.device.context")

const QString ContextService::s_controlPath = QStringLiteral("/pps/services/context/control");
const QString ContextService::s_eventsPath = QStringLiteral("/pps/services/context/events");

namespace {

constexpr int SecretSize = 32;
constexpr int MaxNameSize = 256;
constexpr int MaxValueSize = 4096;
constexpr int MaxKeys = 64;
constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

// Where each event call has its texts and its keys, after the handle.
struct EventLayout
{
    bool textBefore;
    bool textAfter;
};

const QHash<QString, EventLayout> &eventCalls()
{
    static const QHash<QString, EventLayout> calls{
        {QStringLiteral("ccl_oncustom_event"), {true, false}},
        {QStringLiteral("ccl_onapplication_error"), {false, false}},
        {QStringLiteral("ccl_onsearch_event"), {false, true}},
        {QStringLiteral("ccl_onactivity_start"), {false, true}},
        {QStringLiteral("ccl_onactivity_pause"), {false, true}},
        {QStringLiteral("ccl_onactivity_end"), {false, true}},
        {QStringLiteral("ccl_onbutton_click"), {false, false}},
        {QStringLiteral("ccl_oncontent_view"), {false, false}},
        {QStringLiteral("ccl_onadclick_event"), {false, true}},
        {QStringLiteral("ccl_onconversion_event"), {false, true}},
        {QStringLiteral("ccl_oncorporateliable_event"), {true, false}},
    };
    return calls;
}

bool isText(const QVariant &value, int maxSize)
{
    return value.typeId() == QMetaType::QString && value.toString().toUtf8().size() <= maxSize;
}

// The key set as sent; nothing (with \a why) when it is not a list of [key, value] text pairs
// within bounds.
std::optional<QVariantList> readKeys(const QVariant &value, QString *why)
{
    if (value.typeId() != QMetaType::QVariantList) {
        *why = QStringLiteral("the keys are not a list");
        return std::nullopt;
    }
    const QVariantList keys = value.toList();
    if (keys.size() > MaxKeys) {
        *why = QStringLiteral("more than %1 keys").arg(MaxKeys);
        return std::nullopt;
    }
    for (const QVariant &pair : keys) {
        const QVariantList items = pair.toList();
        if (pair.typeId() != QMetaType::QVariantList || items.size() != 2 ||
            !isText(items[0], MaxNameSize) || items[0].toString().isEmpty() ||
            !isText(items[1], MaxValueSize)) {
            *why = QStringLiteral("a key is not a pair of texts within bounds");
            return std::nullopt;
        }
    }
    return keys;
}

} // namespace

class ContextServicePrivate
{
public:
    struct Client
    {
        QString application;
        QString version;
    };

    ContextServicePrivate(ContextService *owner, const QString &dataDir)
        : q(owner)
        , folder(dataDir + QStringLiteral("/context"))
        , control(ContextService::s_controlPath)
    {}

    bool loadSecret(QString *error);
    bool loadSettings();
    bool saveSettings();
    void onRequest(int client, const QVariantMap &message);
    /*! The answer's out-values, or an errno with \a why. */
    int handle(int client, const QString &call, const QVariantList &args, QVariantList *out,
               QString *why);
    int collect(int client, const QString &call, const QVariantList &args, QString *why);

    ContextService *const q;
    QString folder;
    ControlObjectServer control;
    std::unique_ptr<qz::PpsObject> eventsObject;
    QByteArray secret;
    bool enabled = true;
    QHash<int, Client> clients;
    std::deque<QVariantMap> kept;
    qint64 sequence = 0;
};

bool ContextServicePrivate::loadSecret(QString *error)
{
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    QFile::setPermissions(folder, OwnerOnly | QFileDevice::ExeOwner);
    const QString path = folder + QStringLiteral("/secret");
    QFile file(path);
    if (file.exists()) {
        // A key others could read no longer keeps values private: a new one is made.
        const bool privateToOwner =
            (file.permissions() & ~(OwnerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser)) ==
            0;
        if (privateToOwner && file.open(QIODevice::ReadOnly)) {
            secret = file.read(SecretSize + 1);
            if (secret.size() == SecretSize)
                return true;
        }
        qCWarning(lcDeviceContext).noquote()
            << "the anonymisation key" << path << "is unreadable, damaged or readable by others; "
            << "a new one replaces it";
    }
    secret.resize(SecretSize);
    QRandomGenerator::system()->generate(reinterpret_cast<quint32 *>(secret.data()),
                                         reinterpret_cast<quint32 *>(secret.data() + SecretSize));
    QSaveFile out(path);
    // Restricted before a byte is written, so the key is never readable by others.
    if (!out.open(QIODevice::WriteOnly) || !out.setPermissions(OwnerOnly) ||
        out.write(secret) != SecretSize || !out.commit()) {
        *error = QStringLiteral("cannot write the anonymisation key %1").arg(path);
        return false;
    }
    return true;
}

bool ContextServicePrivate::loadSettings()
{
    QFile file(folder + QStringLiteral("/settings.json"));
    if (!file.open(QIODevice::ReadOnly))
        return true;
    const QJsonDocument settings = QJsonDocument::fromJson(file.read(4096));
    const QJsonValue on = settings.object().value(QStringLiteral("enabled"));
    if (!on.isBool()) {
        qCWarning(lcDeviceContext) << "context/settings.json is damaged; collection stays on";
        return true;
    }
    enabled = on.toBool();
    return true;
}

bool ContextServicePrivate::saveSettings()
{
    QSaveFile out(folder + QStringLiteral("/settings.json"));
    const QByteArray text =
        QJsonDocument(QJsonObject{{QStringLiteral("enabled"), enabled}}).toJson();
    return out.open(QIODevice::WriteOnly) && out.write(text) == text.size() && out.commit();
}

int ContextServicePrivate::collect(int client, const QString &call, const QVariantList &args,
                                   QString *why)
{
    const EventLayout layout = eventCalls().value(call);
    const int expected = 2 + int(layout.textBefore) + int(layout.textAfter);
    if (args.size() != expected) {
        *why = QStringLiteral("%1 takes %2 arguments").arg(call).arg(expected);
        return EINVAL;
    }
    const auto found = clients.constFind(client);
    if (found == clients.cend()) {
        *why = QStringLiteral("ccl_init comes first");
        return ENOTCONN;
    }
    const QVariant name = layout.textBefore ? args[1] : layout.textAfter ? args[2] : QVariant();
    if (name.isValid() && !isText(name, MaxValueSize)) {
        *why = QStringLiteral("the event's name is not a text within bounds");
        return EINVAL;
    }
    const std::optional<QVariantList> keys = readKeys(args[layout.textBefore ? 2 : 1], why);
    if (!keys)
        return EINVAL;
    if (!enabled) {
        *why = QStringLiteral("context collection is off");
        return EACCES;
    }
    QVariantMap event{
        {QStringLiteral("seq"), ++sequence},
        {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {QStringLiteral("application"), found->application},
        {QStringLiteral("version"), found->version},
        {QStringLiteral("kind"), call},
        {QStringLiteral("keys"), *keys}};
    if (name.isValid())
        event.insert(QStringLiteral("name"), name);
    kept.push_back(event);
    if (kept.size() > size_t(ContextService::MaxKeptEvents))
        kept.pop_front();
    qCDebug(lcDeviceContext).noquote() << "event" << sequence << call << "from"
                                       << found->application << "with" << keys->size() << "keys";
    if (eventsObject->writeMessage({{QStringLiteral("event"), event}}) != 0)
        qCWarning(lcDeviceContext).noquote()
            << "event" << sequence << "not published:" << eventsObject->errorString();
    return 0;
}

int ContextServicePrivate::handle(int client, const QString &call, const QVariantList &args,
                                  QVariantList *out, QString *why)
{
    if (call == QLatin1String("getCCLAnonymizedString") ||
        call == QLatin1String("getCCLAnonymizedPIN")) {
        if (args.isEmpty() || !isText(args[0], MaxValueSize)) {
            *why = QStringLiteral("the value is not a text of at most %1 bytes").arg(MaxValueSize);
            return EINVAL;
        }
        out->append(ContextService::anonymise(secret, args[0].toString().toUtf8(),
                                              call == QLatin1String("getCCLAnonymizedPIN")));
        return 0;
    }
    if (call == QLatin1String("ccl_init")) {
        if (args.size() != 2 || !isText(args[0], MaxNameSize) || !isText(args[1], MaxNameSize) ||
            args[0].toString().isEmpty() || args[1].toString().isEmpty()) {
            *why = QStringLiteral("ccl_init takes a name and a version of 1 to %1 bytes")
                       .arg(MaxNameSize);
            return EINVAL;
        }
        clients.insert(client, {args[0].toString(), args[1].toString()});
        qCDebug(lcDeviceContext).noquote()
            << "client" << client << "is" << args[0].toString() << args[1].toString();
        return 0;
    }
    if (call == QLatin1String("ccl_shutdown")) {
        clients.remove(client);
        return 0;
    }
    if (call == QLatin1String("ccl_is_ccl_enabled") || call == QLatin1String("status")) {
        out->append(enabled);
        return 0;
    }
    if (call == QLatin1String("enable") || call == QLatin1String("disable")) {
        const bool wasEnabled = enabled;
        enabled = call == QLatin1String("enable");
        if (!saveSettings()) {
            enabled = wasEnabled;
            *why = QStringLiteral("the setting could not be saved");
            return EIO;
        }
        qCInfo(lcDeviceContext).noquote() << "collection" << (enabled ? "on" : "off");
        out->append(enabled);
        return 0;
    }
    if (eventCalls().contains(call))
        return collect(client, call, args, why);
    *why = QStringLiteral("unknown call");
    return ENOSYS;
}

void ContextServicePrivate::onRequest(int client, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString().left(MaxNameSize);
    const QVariant id = message.value(QStringLiteral("id"));
    const QVariant args =
        message.value(QStringLiteral("dat")).toMap().value(QStringLiteral("args"), QVariantList());
    QVariantList out;
    QString why;
    const int error = args.typeId() == QMetaType::QVariantList
                          ? handle(client, msg, args.toList(), &out, &why)
                          : (why = QStringLiteral("dat.args is not a list"), EINVAL);
    QVariantMap answer{{QStringLiteral("res"), msg}, {QStringLiteral("id"), id}};
    if (error != 0) {
        qCDebug(lcDeviceContext).noquote() << "client" << client << msg << "refused:" << why;
        answer.insert(QStringLiteral("err"), error);
        answer.insert(QStringLiteral("errstr"), why);
    } else {
        answer.insert(QStringLiteral("dat"),
                      QVariantMap{{QStringLiteral("result"), 0}, {QStringLiteral("out"), out}});
    }
    control.reply(client, answer);
}

ContextService::ContextService(const QString &dataDir, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<ContextServicePrivate>(this, dataDir))
{
    connect(&d->control, &ControlObjectServer::requestReceived, this,
            [this](int client, const QVariantMap &message) { d->onRequest(client, message); });
    connect(&d->control, &ControlObjectServer::clientLeft, this,
            [this](int client) { d->clients.remove(client); });
    connect(&d->control, &ControlObjectServer::unreadableRequest, this, [](int client) {
        qCWarning(lcDeviceContext) << "client" << client << "sent a request that is not PPS text";
    });
    connect(&d->control, &ControlObjectServer::lost, this, &DeviceService::failed);
}

ContextService::~ContextService() = default;

QString ContextService::name() const
{
    return QStringLiteral("context");
}

bool ContextService::start(QString *error)
{
    if (!d->loadSecret(error) || !d->loadSettings())
        return false;
    d->eventsObject = std::make_unique<qz::PpsObject>(s_eventsPath);
    d->eventsObject->setCreationMode(0600);
    if (!d->eventsObject->open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create |
                               qz::PpsOpenMode::DeleteContents)) {
        *error =
            QStringLiteral("cannot open %1: %2").arg(s_eventsPath, d->eventsObject->errorString());
        return false;
    }
    return d->control.open(error);
}

bool ContextService::isEnabled() const
{
    return d->enabled;
}

QVariantList ContextService::events() const
{
    return QVariantList(d->kept.cbegin(), d->kept.cend());
}

QString ContextService::anonymise(const QByteArray &key, const QByteArray &value, bool pin)
{
    const QByteArray label = pin ? QByteArrayLiteral("pin") : QByteArrayLiteral("string");
    const QByteArray mac =
        QMessageAuthenticationCode::hash(label + '\0' + value, key, QCryptographicHash::Sha256);
    return QString::fromLatin1(
        mac.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}
