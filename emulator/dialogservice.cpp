#include "dialogservice.h"

#include "controlobjectserver.h"
#include "devicelogging.h"
#include "dialogpolicy.h"

#include <QHash>
#include <QJsonDocument>

const QString DialogService::s_controlPath = QStringLiteral("/pps/services/dialog/control");
const QString DialogService::s_systemControlPath =
    QStringLiteral("/pps/services/dialog/system-control");

namespace {

struct UpDialog
{
    Dialog dialog;
    bool answered = false; // answered, and kept up by its client until it cancels
};

bool isMap(const QVariant &value)
{
    return value.typeId() == QMetaType::QVariantMap;
}

QString compact(const QVariantMap &message)
{
    return QString::fromUtf8(QJsonDocument::fromVariant(message).toJson(QJsonDocument::Compact));
}

} // namespace

class DialogServicePrivate
{
public:
    DialogServicePrivate(DialogService *owner, std::unique_ptr<DialogPolicy> p);

    void serve(ControlObjectServer *server);
    void onRequest(ControlObjectServer *server, int clientId, const QVariantMap &message);
    void onShow(const DialogKey &key, const QVariantMap &message);
    void onUpdate(const DialogKey &key, const QVariantMap &message);
    void onCancel(const DialogKey &key);
    void onClientLeft(const QString &object, int clientId);
    void onAnswered(const DialogKey &key, const DialogAnswer &answer);
    void drop(const QString &who, const QString &reason, const QVariantMap &message);
    void refuse(ControlObjectServer *server, const DialogKey &key, const QString &reason);

    DialogService *const q;
    const std::unique_ptr<DialogPolicy> policy;
    QList<ControlObjectServer *> servers;
    QHash<DialogKey, UpDialog> dialogs;
};

DialogServicePrivate::DialogServicePrivate(DialogService *owner, std::unique_ptr<DialogPolicy> p)
    : q(owner)
    , policy(std::move(p))
{
    for (const QString &path : {DialogService::s_controlPath, DialogService::s_systemControlPath})
        serve(new ControlObjectServer(path, q));
    QObject::connect(
        policy.get(), &DialogPolicy::answered, q,
        [this](const DialogKey &key, const DialogAnswer &answer) { onAnswered(key, answer); });
}

void DialogServicePrivate::serve(ControlObjectServer *server)
{
    servers.append(server);
    const QString object = server->name();
    QObject::connect(server, &ControlObjectServer::requestReceived, q,
                     [this, server](int clientId, const QVariantMap &message) {
                         onRequest(server, clientId, message);
                     });
    QObject::connect(server, &ControlObjectServer::clientArrived, q, [object](int clientId) {
        qCDebug(lcDeviceDialog).noquote() << object << "client" << clientId << "arrived";
    });
    QObject::connect(server, &ControlObjectServer::clientLeft, q,
                     [this, object](int clientId) { onClientLeft(object, clientId); });
    QObject::connect(server, &ControlObjectServer::unreadableRequest, q,
                     [object](int clientId, const QByteArray &text) {
                         qCWarning(lcDeviceDialog).noquote()
                             << object << "client" << clientId
                             << "sent a request that is not PPS text; dropped:"
                             << QString::fromUtf8(text).replace(u'\n', QLatin1String("\\n"));
                     });
    QObject::connect(server, &ControlObjectServer::lost, q, &DeviceService::failed);
}

void DialogServicePrivate::onRequest(ControlObjectServer *server, int clientId,
                                     const QVariantMap &message)
{
    const QString who = QStringLiteral("%1 client %2").arg(server->name()).arg(clientId);
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant dat = message.value(QStringLiteral("dat"));
    // "update" carries the id inside "dat"; "show" and "cancel" at the top.
    const QString id = (msg == QLatin1String("update") ? dat.toMap() : message)
                           .value(QStringLiteral("id"))
                           .toString();
    if (msg != QLatin1String("show") && msg != QLatin1String("update") &&
        msg != QLatin1String("cancel"))
        return drop(who, QStringLiteral("\"msg\" is not show, update or cancel"), message);
    if (id.isEmpty())
        return drop(who, QStringLiteral("no dialog \"id\""), message);
    const DialogKey key{server->name(), clientId, id};
    if (msg == QLatin1String("cancel"))
        return onCancel(key);
    if (!isMap(dat) || !isMap(dat.toMap().value(QStringLiteral("desc_obj"))))
        return drop(who, QStringLiteral("\"dat\" holds no \"desc_obj\" map"), message);
    const QString excess =
        DialogLimits::exceeded(dat.toMap().value(QStringLiteral("desc_obj")).toMap());
    if (!excess.isEmpty())
        return refuse(server, key, excess);
    if (msg == QLatin1String("show"))
        onShow(key, dat.toMap());
    else
        onUpdate(key, dat.toMap());
}

void DialogServicePrivate::onShow(const DialogKey &key, const QVariantMap &dat)
{
    const Dialog dialog(key, dat.value(QStringLiteral("className")).toString(),
                        dat.value(QStringLiteral("desc_obj")).toMap());
    if (dialogs.contains(key)) {
        qCInfo(lcDeviceDialog).noquote()
            << key.toString() << "is shown again; the earlier one is replaced";
        policy->withdraw(key);
    }
    qCInfo(lcDeviceDialog).noquote() << key.toString() << "show" << dialog.describe();
    dialogs.insert(key, {dialog, false});
    policy->present(dialog);
}

void DialogServicePrivate::onUpdate(const DialogKey &key, const QVariantMap &dat)
{
    const QVariantMap description = dat.value(QStringLiteral("desc_obj")).toMap();
    const auto it = dialogs.find(key);
    if (it == dialogs.end()) {
        // A client that moves a dialog to the other control object reopens it with an update.
        qCInfo(lcDeviceDialog).noquote()
            << key.toString() << "update for a dialog that is not up; showing it";
        return onShow(key, {{QStringLiteral("desc_obj"), description}});
    }
    it->dialog.setDescription(description);
    qCInfo(lcDeviceDialog).noquote() << key.toString() << "update" << it->dialog.describe();
    if (!it->answered)
        policy->revise(it->dialog);
}

void DialogServicePrivate::onCancel(const DialogKey &key)
{
    const auto it = dialogs.find(key);
    if (it == dialogs.end()) {
        qCInfo(lcDeviceDialog).noquote() << key.toString() << "cancel for a dialog that is not up";
        return;
    }
    if (!it->answered)
        policy->withdraw(key);
    dialogs.erase(it);
    qCInfo(lcDeviceDialog).noquote() << key.toString() << "cancel";
}

void DialogServicePrivate::onClientLeft(const QString &object, int clientId)
{
    int count = 0;
    for (auto it = dialogs.begin(); it != dialogs.end();) {
        if (it.key().object == object && it.key().client == clientId) {
            if (!it->answered)
                policy->withdraw(it.key());
            it = dialogs.erase(it);
            ++count;
        } else {
            ++it;
        }
    }
    if (count)
        qCDebug(lcDeviceDialog).noquote()
            << object << "client" << clientId << "left with" << count << "dialogs up";
    else
        qCDebug(lcDeviceDialog).noquote() << object << "client" << clientId << "left";
}

void DialogServicePrivate::onAnswered(const DialogKey &key, const DialogAnswer &answer)
{
    const auto it = dialogs.find(key);
    if (it == dialogs.end() || it->answered)
        return;
    const QVariantMap message{
        {QStringLiteral("res"), QStringLiteral("show")},
        {QStringLiteral("id"), key.id},
        {QStringLiteral("dat"),
         QVariantMap{{QStringLiteral("resp_obj"), answer.toResponse(it->dialog)}}},
    };
    const auto server =
        std::find_if(servers.cbegin(), servers.cend(),
                     [&](const ControlObjectServer *s) { return s->name() == key.object; });
    if (!(*server)->reply(key.client, message))
        qCWarning(lcDeviceDialog).noquote() << key.toString() << "answer could not be sent";
    qCInfo(lcDeviceDialog).noquote()
        << key.toString() << "answered:" << answer.describe(it->dialog);
    if (it->dialog.staysUpAfterAnswer())
        it->answered = true;
    else
        dialogs.erase(it);
}

void DialogServicePrivate::drop(const QString &who, const QString &reason,
                                const QVariantMap &message)
{
    qCWarning(lcDeviceDialog).noquote()
        << who << QStringLiteral("request dropped (%1):").arg(reason) << compact(message);
}

void DialogServicePrivate::refuse(ControlObjectServer *server, const DialogKey &key,
                                  const QString &reason)
{
    qCWarning(lcDeviceDialog).noquote()
        << key.toString() << QStringLiteral("request refused (%1)").arg(reason);
    // The client ends its dialog on this answer; an earlier one that is up goes with it.
    if (const auto it = dialogs.find(key); it != dialogs.end()) {
        if (!it->answered)
            policy->withdraw(key);
        dialogs.erase(it);
    }
    const QVariantMap message{
        {QStringLiteral("res"), QStringLiteral("error")},
        {QStringLiteral("id"), key.id},
        {QStringLiteral("dat"), QVariantMap{{QStringLiteral("errorText"), reason}}},
    };
    if (!server->reply(key.client, message))
        qCWarning(lcDeviceDialog).noquote() << key.toString() << "refusal could not be sent";
}

DialogService::DialogService(std::unique_ptr<DialogPolicy> policy, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<DialogServicePrivate>(this, std::move(policy)))
{}

DialogService::~DialogService() = default;

QString DialogService::name() const
{
    return QStringLiteral("dialog");
}

bool DialogService::start(QString *error)
{
    return std::all_of(d->servers.cbegin(), d->servers.cend(),
                       [error](ControlObjectServer *server) { return server->open(error); });
}

int DialogService::dialogCount() const
{
    return int(d->dialogs.size());
}

QList<Dialog> DialogService::dialogs() const
{
    QList<Dialog> up;
    for (const UpDialog &dialog : std::as_const(d->dialogs))
        up.append(dialog.dialog);
    return up;
}
