#include "menuservice.h"

#include "controlobjectserver.h"
#include "navigatorservice.h"
#include "targetregistry.h"
#include "virtualclock.h"

#include <QHash>
#include <QLoggingCategory>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <utility>

Q_LOGGING_CATEGORY(lcDeviceMenu, "qz.device.menu")

const QString MenuService::s_controlPath = QStringLiteral("/pps/services/menu/control");

namespace {

constexpr int MenuEvent = 1;
const QString s_badRequest = QStringLiteral("INVOKE_BAD_REQUEST_ERROR");
constexpr double HalfLifeMs = 7.0 * 24 * 3600 * 1000;
// Routed invocations name any action a client likes; the table of uses stays bounded.
constexpr int MaxUses = 1024;

struct Use
{
    double score = 0;
    qint64 atMs = 0;

    double at(qint64 nowMs) const
    {
        return score * std::exp2(-double(std::max<qint64>(0, nowMs - atMs)) / HalfLifeMs);
    }
};

QString useKey(const QString &targetKey, const QString &action)
{
    return targetKey + QLatin1Char('\n') + action;
}

bool perimeterFits(int targetPerimeter, int wanted)
{
    return wanted == 0 || targetPerimeter == 0 || targetPerimeter == wanted;
}

struct Entry
{
    const TargetDeclaration *target;
    int frecency;
};

} // namespace

class MenuServicePrivate
{
public:
    MenuServicePrivate(const NavigatorService *n)
        : navigator(n)
        , server(MenuService::s_controlPath)
    {}

    void onRequest(int clientId, const QVariantMap &message);
    void sendError(int clientId, const QString &text);
    void onRouted(const QString &targetKey, const QString &action);
    int frecency(const QString &targetKey, const QString &action) const;
    qint64 nowMs() const { return navigator->clock()->now().toMSecsSinceEpoch(); }

    const NavigatorService *const navigator;
    ControlObjectServer server;
    QHash<QString, Use> uses;
    QString failure;
    MenuService *q = nullptr;
};

void MenuServicePrivate::sendError(int clientId, const QString &text)
{
    qCWarning(lcDeviceMenu).noquote() << "client" << clientId << text;
    server.reply(clientId,
                 {{QStringLiteral("msg"), QStringLiteral("error")},
                  {QStringLiteral("dat"), QVariantMap{{QStringLiteral("errorText"), text}}}});
}

void MenuServicePrivate::onRouted(const QString &targetKey, const QString &action)
{
    const qint64 now = nowMs();
    const QString key = useKey(targetKey, action);
    if (!uses.contains(key) && uses.size() >= MaxUses) {
        // The least used entry makes room.
        auto least = std::min_element(uses.begin(), uses.end(), [now](const Use &a, const Use &b) {
            return a.at(now) < b.at(now);
        });
        uses.erase(least);
    }
    Use &use = uses[key];
    use.score = use.at(now) + MenuService::UseWeight;
    use.atMs = now;
}

int MenuServicePrivate::frecency(const QString &targetKey, const QString &action) const
{
    const auto it = uses.constFind(useKey(targetKey, action));
    return it == uses.cend() ? 0 : int(std::lround(it->at(nowMs())));
}

void MenuServicePrivate::onRequest(int clientId, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant datValue = message.value(QStringLiteral("dat"));
    if (datValue.typeId() != QMetaType::QVariantMap) {
        sendError(clientId, QStringLiteral("\"dat\" is not a map"));
        return;
    }
    const QVariantMap dat = datValue.toMap();
    if (msg == QLatin1String("fail")) {
        failure = dat.value(QStringLiteral("err")).toString();
        server.reply(clientId,
                     {{QStringLiteral("msg"), QStringLiteral("fail")},
                      {QStringLiteral("dat"), QVariantMap{{QStringLiteral("err"), failure}}}});
        return;
    }
    if (msg != QLatin1String("call")) {
        sendError(clientId, QStringLiteral("unknown request \"%1\"").arg(msg));
        return;
    }
    const QString name = dat.value(QStringLiteral("name")).toString();
    const QVariant argsValue = dat.value(QStringLiteral("args"));
    if (name != QLatin1String("menu_request_send") ||
        argsValue.typeId() != QMetaType::QVariantList) {
        sendError(clientId, QStringLiteral("unknown call \"%1\"").arg(name));
        return;
    }
    const QVariantList args = argsValue.toList();
    const QVariant id = args.value(2);
    if (args.size() != 3 || args.at(1).typeId() != QMetaType::QVariantMap ||
        id.typeId() != QMetaType::QString) {
        sendError(clientId, QStringLiteral("menu_request_send takes a handle, a map and an id"));
        return;
    }
    QVariantMap fields{{QStringLiteral("id"), id}};
    QString err = failure;
    if (err.isEmpty()) {
        const QVariantMap item = q->menuFor(args.at(1).toMap(), &err);
        if (err.isEmpty())
            fields.insert(QStringLiteral("item"), item);
    }
    if (!err.isEmpty())
        fields.insert(QStringLiteral("err"), err);
    if (!server.reply(clientId,
                      {{QStringLiteral("msg"), QStringLiteral("event")},
                       {QStringLiteral("dat"), QVariantMap{{QStringLiteral("code"), MenuEvent},
                                                           {QStringLiteral("fields"), fields}}}}))
        qCWarning(lcDeviceMenu, "cannot answer client %d", clientId);
}

MenuService::MenuService(const NavigatorService *navigator, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<MenuServicePrivate>(navigator))
{
    d->q = this;
    connect(navigator, &NavigatorService::routed, this,
            [this](const QString &targetKey, const QString &action) {
                d->onRouted(targetKey, action);
            });
    connect(&d->server, &ControlObjectServer::requestReceived, this,
            [this](int clientId, const QVariantMap &message) { d->onRequest(clientId, message); });
    connect(&d->server, &ControlObjectServer::unreadableRequest, this,
            [this](int clientId, const QByteArray &) {
                if (clientId != 0)
                    d->sendError(clientId, QStringLiteral("unreadable request"));
            });
    connect(&d->server, &ControlObjectServer::lost, this, &DeviceService::failed);
}

MenuService::~MenuService() = default;

QString MenuService::name() const
{
    return QStringLiteral("menu");
}

bool MenuService::start(QString *error)
{
    return d->server.open(error);
}

QVariantMap MenuService::menuFor(const QVariantMap &content, QString *err) const
{
    const auto text = [&content](const char *key) {
        return content.value(QLatin1String(key)).toString();
    };
    const QString action = text("action");
    const QString targetKey = text("target_key");
    const QString mimeType = text("mime_type");
    const QString uri = text("file_uri");
    const int mask = content.value(QStringLiteral("target_type_mask")).toInt();
    const int perimeter = content.value(QStringLiteral("perimeter")).toInt();
    if (action.isEmpty() && targetKey.isEmpty() && mimeType.isEmpty() && uri.isEmpty()) {
        *err = s_badRequest;
        return {};
    }

    // Action name to the targets offering it for this content.
    QMap<QString, QList<Entry>> offered;
    const TargetRegistry &registry = d->navigator->registry();
    for (const TargetDeclaration *target : registry.targets()) {
        if ((!targetKey.isEmpty() && target->key != targetKey) ||
            (mask != 0 && !(target->type & mask)) || !perimeterFits(target->perimeter, perimeter))
            continue;
        for (const TargetFilter &filter : target->filters) {
            if (!filter.matches(action, mimeType, uri))
                continue;
            for (const QString &name : action.isEmpty() ? filter.actions() : QStringList{action}) {
                QList<Entry> &entries = offered[name];
                const bool listed =
                    std::any_of(entries.cbegin(), entries.cend(),
                                [target](const Entry &e) { return e.target == target; });
                // A menu lists only actions that a target gave a menu label.
                if (!listed && target->actionLabels.contains(name))
                    entries.append({target, d->frecency(target->key, name)});
            }
        }
    }

    QVariantMap invocation{{QStringLiteral("file_transfer_mode"),
                            content.value(QStringLiteral("file_transfer_mode")).toInt()}};
    // What the content has goes with every entry; data is base64 already, as it came.
    for (const auto &[from, to] : {std::pair{"mime_type", "mime_type"},
                                   {"file_uri", "uri"},
                                   {"file_uri", "uri_match"},
                                   {"data", "data"},
                                   {"metadata", "metadata"}}) {
        if (const QString value = text(from); !value.isEmpty())
            invocation.insert(QLatin1String(to), value);
    }
    struct Submenu
    {
        QString name;
        int frecency;
        QVariantMap entry;
    };
    QList<Submenu> submenus;
    for (auto it = offered.begin(); it != offered.end(); ++it) {
        QList<Entry> &entries = it.value();
        if (entries.isEmpty())
            continue;
        std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return a.frecency != b.frecency ? a.frecency > b.frecency
                                            : a.target->key < b.target->key;
        });
        const QString label = entries.first().target->actionLabels.value(it.key());
        QVariantList leaves;
        int sum = 0;
        for (const Entry &entry : std::as_const(entries)) {
            const TargetDeclaration *target = entry.target;
            QVariantMap leafInvocation = invocation;
            leafInvocation.insert(QStringLiteral("target_type"), target->type);
            leafInvocation.insert(QStringLiteral("target"), target->key);
            leafInvocation.insert(QStringLiteral("action"), it.key());
            leafInvocation.insert(QStringLiteral("perimeter"),
                                  target->perimeter != 0 ? target->perimeter : perimeter);
            leaves << QVariantMap{
                {QStringLiteral("label"), target->label.isEmpty() ? target->key : target->label},
                {QStringLiteral("secondary_label"), target->key},
                {QStringLiteral("icon"), target->icon},
                {QStringLiteral("frecency"), entry.frecency},
                {QStringLiteral("type"), 0},
                {QStringLiteral("invocation"), leafInvocation}};
            sum += entry.frecency;
        }
        submenus.append({it.key(), sum,
                         QVariantMap{{QStringLiteral("label"), label},
                                     {QStringLiteral("secondary_label"), it.key()},
                                     {QStringLiteral("frecency"), sum},
                                     {QStringLiteral("type"), 0},
                                     {QStringLiteral("item"),
                                      QVariantMap{{QStringLiteral("title"), label},
                                                  {QStringLiteral("sub_items"), leaves}}}}});
    }
    std::stable_sort(submenus.begin(), submenus.end(), [](const Submenu &a, const Submenu &b) {
        return a.frecency != b.frecency ? a.frecency > b.frecency : a.name < b.name;
    });
    QVariantList rootEntries;
    for (const Submenu &submenu : std::as_const(submenus))
        rootEntries << submenu.entry;

    const QString fileName = QUrl(uri).fileName();
    const QString rootTitle =
        action.isEmpty() || submenus.isEmpty()
            ? QStringLiteral("Actions")
            : submenus.first().entry.value(QStringLiteral("label")).toString();
    return {{QStringLiteral("title"), rootTitle},
            {QStringLiteral("secondary_title"), fileName.isEmpty() ? mimeType : fileName},
            {QStringLiteral("sub_items"), rootEntries}};
}
