#include "navigatorservice.h"

#include "controlobjectserver.h"
#include "devicelogging.h"
#include "targetregistry.h"
#include "timerscheduler.h"
#include "virtualclock.h"

#include <QHash>
#include <QJsonDocument>
#include <QPointer>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <map>

const QString NavigatorService::s_controlPath = QStringLiteral("/pps/services/navigator/control");
const char NavigatorService::s_targetVariable[] = "QZ_NAVIGATOR_TARGET";

namespace {

// Event codes of the navigator domain.
enum Code {
    Invoked = 16,
    QueryResult = 17,
    ViewerInvoked = 18,
    InvokeResult = 19,
    ViewerInvokeResult = 20,
    ViewerRelay = 21,
    ViewerClosed = 22,
    ViewerRelayResult = 25,
    ChildPeekStarted = 30,
    ListItemSelected = 44,
    CardResize = 32,
    ChildCardDone = 33,
    CardPooled = 34,
    FiltersResult = 35,
    SetFiltersResult = 37,
    CardPeekStarted = 38,
    TimerResult = 45,
};

const QString s_noTarget = QStringLiteral("INVOKE_NO_TARGET_ERROR");
const QString s_badRequest = QStringLiteral("INVOKE_BAD_REQUEST_ERROR");
const QString s_notOwned = QStringLiteral("INVOKE_TARGET_NOT_OWNED_ERROR");
const QString s_targetError = QStringLiteral("INVOKE_TARGET_ERROR");
const QString s_invalidWindow = QStringLiteral("INVALID_WINDOW_ID");
const QString s_invalidMessage = QStringLiteral("INVALID_MESSAGE");
// What a target invoked by one of its timers receives as the invocation's action.
const QString s_timerAction = QStringLiteral("qz.action.TIMER");

// Bounds on what one client can make the navigator keep.
constexpr int MaxFilters = 64;
constexpr int MaxFilterLength = 4096;
constexpr int MaxPendingRelays = 1024;
constexpr int MaxFailures = 64;

int errorCode(const QString &err)
{
    static const QHash<QString, int> codes{
        {s_noTarget, 1},
        {s_badRequest, 2},
        {s_notOwned, 4},
        {QStringLiteral("INVOKE_INSUFFICIENT_PRIVILEGES_ERROR"), 5},
        {s_targetError, 6}};
    return codes.value(err, 3);
}

// The reply event each answered call gets, and where its request id is among the arguments.
struct Answered
{
    int code;
    QString (*id)(const QVariantList &args);
};

QString contentId(const QVariantList &args)
{
    return args.value(1).toMap().value(QStringLiteral("id")).toString();
}

const QHash<QString, Answered> &answeredCalls()
{
    static const QHash<QString, Answered> calls{
        {QStringLiteral("navigator_invoke_invocation_send"), {InvokeResult, contentId}},
        {QStringLiteral("navigator_invoke_query_send"), {QueryResult, contentId}},
        {QStringLiteral("navigator_invoke_timer_registration_send"), {TimerResult, contentId}},
        {QStringLiteral("navigator_invoke_viewer_send"),
         {ViewerInvokeResult,
          [](const QVariantList &args) {
              return args.value(1)
                  .toMap()
                  .value(QStringLiteral("invocation"))
                  .toMap()
                  .value(QStringLiteral("id"))
                  .toString();
          }}},
        {QStringLiteral("navigator_invoke_get_filters"),
         {FiltersResult, [](const QVariantList &args) { return args.value(0).toString(); }}},
        {QStringLiteral("navigator_invoke_set_filters"),
         {SetFiltersResult, [](const QVariantList &args) { return args.value(0).toString(); }}},
        {QStringLiteral("navigator_invoke_viewer_relay"),
         {ViewerRelayResult, [](const QVariantList &args) { return args.value(3).toString(); }}},
    };
    return calls;
}

QString compact(const QVariant &value)
{
    return QString::fromUtf8(QJsonDocument::fromVariant(value).toJson(QJsonDocument::Compact));
}

bool perimeterFits(int targetPerimeter, int wanted)
{
    return wanted == 0 || targetPerimeter == 0 || targetPerimeter == wanted;
}

struct Client
{
    QString target;
    qint64 pid = 0;
};

// An event on its way to a target: queued until the target runs, then written and waiting for
// the target's acknowledgement.
struct Delivery
{
    QString key;
    int code = 0;
    QVariantMap fields;
    int clientId = 0; // the target's connection, once written
    std::function<void(int clientId, const QString &err)> done;
    std::unique_ptr<QTimer> timer;
};

struct Viewer
{
    int invoker = 0;
    int viewer = 0;
    // Relays with an id that await their answer: id to the client that sent it.
    QHash<QString, int> pendingRelays;
};

} // namespace

class NavigatorServicePrivate
{
public:
    NavigatorServicePrivate(NavigatorService *owner, const NavigatorService::Options &o);

    void onRequest(int clientId, const QVariantMap &message);
    void onClientLeft(int clientId);
    void onCall(int clientId, const QString &name, const QVariantList &args);
    void onClock(int clientId, const QVariantMap &dat);
    void onTimers(int clientId, const QString &target);
    void onCardResize(int clientId, const QVariantMap &dat);

    void sendEvent(int clientId, int code, const QVariantMap &fields, quint64 delivery = 0);
    void sendError(int clientId, const QString &text);
    void answer(int clientId, int code, const QString &id, const QString &err,
                const QVariantMap &extra = {});

    // Invocations.
    void invoke(int clientId, const QVariantMap &invocation, const QVariantMap *viewer);
    const TargetDeclaration *broker(const QString &action, const QString &type, const QString &uri,
                                    int typeMask, int perimeter) const;
    void deliver(const TargetDeclaration &target, int code, const QVariantMap &fields,
                 const QString &windowId,
                 std::function<void(int clientId, const QString &err)> done);
    void write(quint64 serial, int clientId);
    void finish(quint64 serial, const QString &err);
    void startTarget(const TargetDeclaration &target, const QString &windowId);
    int clientOf(const QString &key) const;
    void onTimerDue(const QString &key, const QString &timerId);

    // Requests answered from the registry.
    void query(int clientId, const QVariantMap &content);
    void getFilters(int clientId, const QString &id, const QString &key);
    void setFilters(int clientId, const QString &id, const QString &key, const QStringList &texts);
    void registerTimer(int clientId, const QVariantMap &registration);

    // Viewers and cards.
    void relay(int clientId, const QVariantList &args);
    void closeViewer(int clientId, const QString &windowId, bool leaving);
    void closeCard(int card, const QString &reason, const QString &dataType, const QString &data);

    NavigatorService *const q;
    const NavigatorService::Options options;
    ControlObjectServer server;
    TargetRegistry registry;
    QStringList refused;
    VirtualClock clock;
    std::unique_ptr<TimerScheduler> timers;
    QMap<QString, QString> failures;

    QHash<int, Client> clients;
    std::map<quint64, Delivery> deliveries;
    quint64 nextDelivery = 1;
    QHash<QString, QPointer<QProcess>> processes;
    QHash<QString, Viewer> viewers;
    QHash<int, int> cardParents; // card's connection to its parent's
    // A target's connection to the invoker and list id of the list it was invoked from.
    QHash<int, std::pair<int, int>> listOwners;
    int nextResize = 1;
};

NavigatorServicePrivate::NavigatorServicePrivate(NavigatorService *owner,
                                                 const NavigatorService::Options &o)
    : q(owner)
    , options(o)
    , server(NavigatorService::s_controlPath)
    , failures(o.failures)
{}

void NavigatorServicePrivate::sendEvent(int clientId, int code, const QVariantMap &fields,
                                        quint64 delivery)
{
    QVariantMap dat{{QStringLiteral("code"), code}, {QStringLiteral("fields"), fields}};
    if (delivery)
        dat.insert(QStringLiteral("delivery"), delivery);
    qCDebug(lcDeviceNavigator).noquote() << "to" << clientId << "event" << code << compact(fields);
    if (!server.reply(clientId, {{QStringLiteral("msg"), QStringLiteral("event")},
                                 {QStringLiteral("dat"), dat}}))
        qCWarning(lcDeviceNavigator, "cannot write event %d to client %d", code, clientId);
}

void NavigatorServicePrivate::sendError(int clientId, const QString &text)
{
    qCWarning(lcDeviceNavigator).noquote() << "client" << clientId << text;
    server.reply(clientId,
                 {{QStringLiteral("msg"), QStringLiteral("error")},
                  {QStringLiteral("dat"), QVariantMap{{QStringLiteral("errorText"), text}}}});
}

void NavigatorServicePrivate::answer(int clientId, int code, const QString &id, const QString &err,
                                     const QVariantMap &extra)
{
    QVariantMap fields = extra;
    if (!id.isEmpty())
        fields.insert(QStringLiteral("id"), id);
    if (!err.isEmpty()) {
        fields.insert(QStringLiteral("err"), err);
        fields.insert(QStringLiteral("error_code"), errorCode(err));
    }
    sendEvent(clientId, code, fields);
}

void NavigatorServicePrivate::onRequest(int clientId, const QVariantMap &message)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant datValue = message.value(QStringLiteral("dat"));
    const QVariantMap dat = datValue.toMap();
    qCDebug(lcDeviceNavigator).noquote() << "from" << clientId << msg << compact(datValue);
    if (datValue.isValid() && datValue.typeId() != QMetaType::QVariantMap) {
        sendError(clientId, QStringLiteral("\"dat\" is not a map"));
        return;
    }
    if (msg == QLatin1String("hello")) {
        const QString key = dat.value(QStringLiteral("target")).toString();
        if (!key.isEmpty() && !TargetDeclaration::isValidKey(key)) {
            sendError(clientId, QStringLiteral("\"%1\" is not a target key").arg(key));
            return;
        }
        Client &client = clients[clientId];
        client.target = key;
        client.pid = dat.value(QStringLiteral("pid")).toLongLong();
        // Invocations that waited for this target go out now, oldest first.
        for (auto &[serial, delivery] : deliveries) {
            if (!key.isEmpty() && delivery.key == key && delivery.clientId == 0)
                write(serial, clientId);
        }
    } else if (msg == QLatin1String("call")) {
        const QVariant args = dat.value(QStringLiteral("args"));
        if (args.isValid() && args.typeId() != QMetaType::QVariantList) {
            sendError(clientId, QStringLiteral("\"args\" is not a list"));
            return;
        }
        onCall(clientId, dat.value(QStringLiteral("name")).toString(), args.toList());
    } else if (msg == QLatin1String("invoked")) {
        const quint64 serial = dat.value(QStringLiteral("delivery")).toULongLong();
        const auto it = deliveries.find(serial);
        if (it != deliveries.end() && it->second.clientId == clientId)
            finish(serial, QString());
    } else if (msg == QLatin1String("clock")) {
        onClock(clientId, dat);
    } else if (msg == QLatin1String("timers")) {
        onTimers(clientId, dat.value(QStringLiteral("target")).toString());
    } else if (msg == QLatin1String("fail")) {
        const QString call = dat.value(QStringLiteral("call")).toString();
        const QString err = dat.value(QStringLiteral("err")).toString();
        if (err.isEmpty()) {
            failures.remove(call);
        } else if (!call.startsWith(QLatin1String("navigator_")) || call.size() > 64 ||
                   err.size() > 256 ||
                   (failures.size() >= MaxFailures && !failures.contains(call))) {
            sendError(clientId,
                      QStringLiteral("fail takes a navigator call and a short error text"));
            return;
        } else {
            failures.insert(call, err);
        }
        server.reply(clientId, {{QStringLiteral("msg"), QStringLiteral("fail")},
                                {QStringLiteral("dat"), QVariantMap()}});
    } else if (msg == QLatin1String("card-resize")) {
        onCardResize(clientId, dat);
    } else {
        sendError(clientId, QStringLiteral("unknown request \"%1\"").arg(msg));
    }
}

void NavigatorServicePrivate::onClientLeft(int clientId)
{
    qCDebug(lcDeviceNavigator) << "client" << clientId << "left";
    clients.remove(clientId);
    // What was written to it and not taken will never be.
    QList<quint64> lost;
    for (const auto &[serial, delivery] : deliveries) {
        if (delivery.clientId == clientId)
            lost << serial;
    }
    for (const quint64 serial : lost)
        finish(serial, s_targetError);

    QStringList windows;
    for (auto it = viewers.cbegin(); it != viewers.cend(); ++it) {
        if (it->invoker == clientId || it->viewer == clientId)
            windows << it.key();
    }
    for (const QString &windowId : windows)
        closeViewer(clientId, windowId, true);

    listOwners.remove(clientId);
    for (auto it = listOwners.begin(); it != listOwners.end();)
        it = it->first == clientId ? listOwners.erase(it) : std::next(it);

    if (cardParents.contains(clientId))
        closeCard(clientId, QStringLiteral("exited"), QString(), QString());
    for (auto it = cardParents.begin(); it != cardParents.end();) {
        if (it.value() == clientId) {
            sendEvent(it.key(), CardPooled,
                      {{QStringLiteral("card_closed_reason"), QStringLiteral("closed")}});
            it = cardParents.erase(it);
        } else {
            ++it;
        }
    }
}

void NavigatorServicePrivate::onCall(int clientId, const QString &name, const QVariantList &args)
{
    const auto answered = answeredCalls().constFind(name);
    if (answered != answeredCalls().cend() && failures.contains(name)) {
        const QString id = answered->id(args);
        // A relay without an id, or a relay's own answer, has nobody to hear of a failure.
        const bool isRelayAnswer =
            name == QLatin1String("navigator_invoke_viewer_relay") && args.value(4).toBool();
        if (!isRelayAnswer && (!id.isEmpty() || answered->code != ViewerRelayResult))
            answer(clientId, answered->code, id, failures.value(name));
        return;
    }

    if (name == QLatin1String("navigator_invoke_invocation_send")) {
        invoke(clientId, args.value(1).toMap(), nullptr);
    } else if (name == QLatin1String("navigator_invoke_viewer_send")) {
        const QVariantMap viewer = args.value(1).toMap();
        invoke(clientId, viewer.value(QStringLiteral("invocation")).toMap(), &viewer);
    } else if (name == QLatin1String("navigator_invoke_query_send")) {
        query(clientId, args.value(1).toMap());
    } else if (name == QLatin1String("navigator_invoke_get_filters")) {
        getFilters(clientId, args.value(0).toString(), args.value(1).toString());
    } else if (name == QLatin1String("navigator_invoke_set_filters")) {
        setFilters(clientId, args.value(0).toString(), args.value(1).toString(),
                   args.value(2).toStringList());
    } else if (name == QLatin1String("navigator_invoke_timer_registration_send")) {
        registerTimer(clientId, args.value(1).toMap());
    } else if (name == QLatin1String("navigator_invoke_viewer_relay")) {
        relay(clientId, args);
    } else if (name == QLatin1String("navigator_invoke_close_viewer")) {
        closeViewer(clientId, args.value(0).toString(), false);
    } else if (name == QLatin1String("navigator_card_close")) {
        closeCard(clientId, args.value(0).toString(), args.value(1).toString(),
                  args.value(2).toString());
    } else if (name == QLatin1String("navigator_card_swipe_away")) {
        closeCard(clientId, QStringLiteral("swipeAway"), QString(), QString());
    } else if (name == QLatin1String("navigator_card_close_child")) {
        for (auto it = cardParents.begin(); it != cardParents.end();) {
            if (it.value() == clientId) {
                sendEvent(it.key(), CardPooled,
                          {{QStringLiteral("card_closed_reason"), QStringLiteral("closed")}});
                it = cardParents.erase(it);
            } else {
                ++it;
            }
        }
    } else if (name == QLatin1String("navigator_card_peek")) {
        const int type = args.value(0).toInt();
        if (const auto parent = cardParents.constFind(clientId); parent != cardParents.cend()) {
            sendEvent(*parent, ChildPeekStarted, {{QStringLiteral("card_peek_type"), type}});
            sendEvent(clientId, CardPeekStarted, {{QStringLiteral("peek_type"), type}});
        } else {
            qCWarning(lcDeviceNavigator, "client %d peeks but is no card", clientId);
        }
    } else if (name == QLatin1String("navigator_invoke_select_list_item")) {
        // The list's owner picks the item to show next.
        const auto owner = listOwners.constFind(clientId);
        if (owner != listOwners.cend())
            sendEvent(owner->first, ListItemSelected,
                      {{QStringLiteral("list_id"), owner->second},
                       {QStringLiteral("list_item_selection"), args.value(0).toInt()}});
        else
            qCWarning(lcDeviceNavigator, "client %d moves in a list it was not invoked from",
                      clientId);
    } else {
        // Resize acknowledgements and ready checks change nothing here.
        qCDebug(lcDeviceNavigator).noquote() << "client" << clientId << "called" << name;
    }
}

void NavigatorServicePrivate::onTimers(int clientId, const QString &target)
{
    // Ids may be long: the answer stops well short of what one PPS message carries.
    constexpr qsizetype MaxAnswerText = 512 * 1024;
    QVariantList list;
    qsizetype text = 0;
    bool more = false;
    for (const TimerScheduler::Entry &entry :
         timers ? timers->list(target) : QList<TimerScheduler::Entry>()) {
        text += entry.target.size() + entry.timerId.size() + 100;
        if (text > MaxAnswerText) {
            more = true;
            break;
        }
        list << QVariantMap{{QStringLiteral("target"), entry.target},
                            {QStringLiteral("timer_id"), entry.timerId},
                            {QStringLiteral("kind"), entry.kind},
                            {QStringLiteral("next"), entry.nextDue.toString(Qt::ISODateWithMs)},
                            {QStringLiteral("fired"), entry.fired}};
    }
    server.reply(clientId, {{QStringLiteral("msg"), QStringLiteral("timers")},
                            {QStringLiteral("dat"), QVariantMap{{QStringLiteral("timers"), list},
                                                                {QStringLiteral("more"), more}}}});
}

void NavigatorServicePrivate::onClock(int clientId, const QVariantMap &dat)
{
    const QString op = dat.value(QStringLiteral("op")).toString();
    if (op == QLatin1String("set")) {
        const QDateTime time =
            QDateTime::fromString(dat.value(QStringLiteral("time")).toString(), Qt::ISODate);
        if (!time.isValid()) {
            sendError(clientId, QStringLiteral("clock set needs an ISO 8601 \"time\""));
            return;
        }
        clock.set(time);
    } else if (op == QLatin1String("advance")) {
        bool ok = false;
        const qint64 ms = dat.value(QStringLiteral("ms")).toLongLong(&ok);
        if (!ok) {
            sendError(clientId, QStringLiteral("clock advance needs \"ms\""));
            return;
        }
        clock.advance(ms);
    } else if (op != QLatin1String("show")) {
        sendError(clientId, QStringLiteral("clock takes show, set or advance"));
        return;
    }
    server.reply(clientId,
                 {{QStringLiteral("msg"), QStringLiteral("clock")},
                  {QStringLiteral("dat"),
                   QVariantMap{{QStringLiteral("now"), clock.now().toString(Qt::ISODateWithMs)},
                               {QStringLiteral("offset_ms"), clock.offsetMs()}}}});
}

void NavigatorServicePrivate::onCardResize(int clientId, const QVariantMap &dat)
{
    const int card = clientOf(dat.value(QStringLiteral("target")).toString());
    if (card == 0 || !cardParents.contains(card)) {
        sendError(clientId, QStringLiteral("no such card is up"));
        return;
    }
    const QString id = QStringLiteral("resize-%1").arg(nextResize++);
    sendEvent(
        card, CardResize,
        {{QStringLiteral("id"), id},
         {QStringLiteral("card_width"), dat.value(QStringLiteral("width")).toInt()},
         {QStringLiteral("card_height"), dat.value(QStringLiteral("height")).toInt()},
         {QStringLiteral("card_edge"), dat.value(QStringLiteral("edge")).toInt()},
         {QStringLiteral("card_orientation"), dat.value(QStringLiteral("orientation")).toInt()}});
    server.reply(clientId, {{QStringLiteral("msg"), QStringLiteral("card-resize")},
                            {QStringLiteral("dat"), QVariantMap{{QStringLiteral("id"), id}}}});
}

const TargetDeclaration *NavigatorServicePrivate::broker(const QString &action, const QString &type,
                                                         const QString &uri, int typeMask,
                                                         int perimeter) const
{
    // The closest fit wins; among equals the first by key, so the same request always lands on
    // the same target.
    const TargetDeclaration *chosen = nullptr;
    int best = -1;
    for (const TargetDeclaration *target : registry.targets()) {
        if ((typeMask != 0 && !(target->type & typeMask)) ||
            !perimeterFits(target->perimeter, perimeter))
            continue;
        for (const TargetFilter &filter : target->filters) {
            const int fit = filter.fit(action, type, uri);
            if (fit > best) {
                best = fit;
                chosen = target;
            }
        }
    }
    return chosen;
}

void NavigatorServicePrivate::invoke(int clientId, const QVariantMap &invocation,
                                     const QVariantMap *viewer)
{
    const int replyCode = viewer ? ViewerInvokeResult : InvokeResult;
    const QString id = invocation.value(QStringLiteral("id")).toString();
    const QString key = invocation.value(QStringLiteral("target")).toString();
    const QString windowId =
        viewer ? viewer->value(QStringLiteral("window_id")).toString() : QString();

    const TargetDeclaration *target = nullptr;
    if (!key.isEmpty()) {
        target = registry.find(key);
        if (!target) {
            answer(clientId, replyCode, id, s_noTarget);
            return;
        }
    } else {
        const QString action = invocation.value(QStringLiteral("action")).toString();
        const QString type = invocation.value(QStringLiteral("type")).toString();
        const QString uri = invocation.value(QStringLiteral("uri")).toString();
        if (action.isEmpty() && type.isEmpty() && uri.isEmpty()) {
            answer(clientId, replyCode, id, s_badRequest);
            return;
        }
        const int mask = viewer ? int(TargetDeclaration::Viewer)
                                : invocation.value(QStringLiteral("target_type_mask")).toInt();
        target =
            broker(action, type, uri, mask, invocation.value(QStringLiteral("perimeter")).toInt());
        if (!target) {
            answer(clientId, replyCode, id, s_noTarget);
            return;
        }
    }
    if (viewer && (target->type != TargetDeclaration::Viewer || windowId.isEmpty() ||
                   viewers.contains(windowId))) {
        // A viewer renders into one window of its own, which only a viewer can do.
        answer(clientId, replyCode, id, s_badRequest);
        return;
    }

    const Client invoker = clients.value(clientId);
    QVariantMap fields;
    int code = Invoked;
    if (viewer) {
        code = ViewerInvoked;
        fields.insert(QStringLiteral("viewer"), *viewer);
    } else {
        fields.insert(QStringLiteral("invocation"), invocation);
    }
    fields.insert(QStringLiteral("group_id"), invoker.pid);
    fields.insert(QStringLiteral("dname"), invoker.target);
    if (viewer)
        viewers.insert(windowId, Viewer{clientId, 0, {}}); // the window is taken from now on

    const QString targetKey = target->key;
    const int targetType = target->type;
    deliver(*target, code, fields, windowId,
            [this, clientId, replyCode, id, targetKey, targetType, windowId,
             listId = invocation.value(QStringLiteral("list_id")).toInt(),
             action = invocation.value(QStringLiteral("action")).toString(),
             viewer = viewer != nullptr](int targetClient, const QString &err) {
                const bool invokerThere = clients.contains(clientId);
                if (err.isEmpty() && invokerThere && listId != 0)
                    listOwners.insert(targetClient, {clientId, listId});
                if (viewer) {
                    if (err.isEmpty() && invokerThere && viewers.contains(windowId)) {
                        viewers[windowId].viewer = targetClient;
                    } else {
                        viewers.remove(windowId);
                        // The window it was given is gone already.
                        if (err.isEmpty())
                            sendEvent(targetClient, ViewerClosed,
                                      {{QStringLiteral("window_id"), windowId}});
                    }
                } else if (err.isEmpty() && targetType == TargetDeclaration::Card) {
                    if (invokerThere)
                        cardParents.insert(targetClient, clientId);
                    else // its parent left while it came up
                        sendEvent(
                            targetClient, CardPooled,
                            {{QStringLiteral("card_closed_reason"), QStringLiteral("closed")}});
                }
                if (err.isEmpty())
                    Q_EMIT q->routed(targetKey, action);
                answer(clientId, replyCode, id, err,
                       {{QStringLiteral("target"), targetKey},
                        {QStringLiteral("target_type"), targetType}});
            });
}

int NavigatorServicePrivate::clientOf(const QString &key) const
{
    if (key.isEmpty())
        return 0;
    // The latest connection of a target is the one that serves it.
    int found = 0;
    for (auto it = clients.cbegin(); it != clients.cend(); ++it) {
        if (it->target == key && it.key() > found)
            found = it.key();
    }
    return found;
}

void NavigatorServicePrivate::deliver(const TargetDeclaration &target, int code,
                                      const QVariantMap &fields, const QString &windowId,
                                      std::function<void(int, const QString &)> done)
{
    const quint64 serial = nextDelivery++;
    Delivery &delivery = deliveries[serial];
    delivery.key = target.key;
    delivery.code = code;
    delivery.fields = fields;
    delivery.done = std::move(done);
    delivery.timer = std::make_unique<QTimer>();
    delivery.timer->setSingleShot(true);
    QObject::connect(delivery.timer.get(), &QTimer::timeout, q, [this, serial] {
        qCWarning(lcDeviceNavigator, "delivery %llu timed out", serial);
        finish(serial, s_targetError);
    });
    delivery.timer->start(options.answerTimeoutMs);

    if (const int clientId = clientOf(target.key)) {
        write(serial, clientId);
    } else if (!target.program.isEmpty()) {
        startTarget(target, windowId);
    } else {
        qCWarning(lcDeviceNavigator).noquote()
            << "target" << target.key << "is not running and has no start command";
        finish(serial, s_targetError);
    }
}

void NavigatorServicePrivate::write(quint64 serial, int clientId)
{
    Delivery &delivery = deliveries.at(serial);
    delivery.clientId = clientId;
    sendEvent(clientId, delivery.code, delivery.fields, serial);
}

void NavigatorServicePrivate::finish(quint64 serial, const QString &err)
{
    const auto it = deliveries.find(serial);
    if (it == deliveries.end())
        return;
    // Out of the table before the callback, which may start deliveries of its own.
    Delivery delivery = std::move(it->second);
    deliveries.erase(it);
    // This may run inside the timer's own time-out.
    delivery.timer.release()->deleteLater();
    if (delivery.done)
        delivery.done(delivery.clientId, err);
}

void NavigatorServicePrivate::startTarget(const TargetDeclaration &target, const QString &windowId)
{
    if (processes.value(target.key))
        return; // on its way up; the delivery waits for its hello
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("uri"), QStringLiteral("invoke://localhost"));
    environment.remove(QStringLiteral("WINID"));
    switch (target.type) {
    case TargetDeclaration::Card:
        environment.insert(QStringLiteral("MODE"), QStringLiteral("card"));
        break;
    case TargetDeclaration::Viewer:
        environment.insert(QStringLiteral("MODE"), QStringLiteral("view"));
        environment.insert(QStringLiteral("WINID"), windowId);
        break;
    case TargetDeclaration::Service:
    case TargetDeclaration::Headless:
        environment.insert(QStringLiteral("MODE"), QStringLiteral("headless"));
        break;
    default:
        environment.remove(QStringLiteral("MODE"));
        break;
    }
    environment.insert(QString::fromLatin1(NavigatorService::s_targetVariable), target.key);

    auto *process = new QProcess(q);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setProgram(target.program);
    process->setArguments(target.arguments);
    processes.insert(target.key, process);
    const QString key = target.key;
    const auto ended = [this, key, process] {
        if (processes.value(key) == process)
            processes.remove(key);
        process->deleteLater();
        // Whatever still waited for this target will not be taken.
        QList<quint64> orphans;
        for (const auto &[serial, delivery] : deliveries) {
            if (delivery.key == key && delivery.clientId == 0)
                orphans << serial;
        }
        for (const quint64 serial : orphans)
            finish(serial, s_targetError);
    };
    QObject::connect(process, &QProcess::finished, q, [key, ended](int status) {
        qCDebug(lcDeviceNavigator).noquote() << "target" << key << "exited with" << status;
        ended();
    });
    QObject::connect(process, &QProcess::errorOccurred, q,
                     [key, process, ended](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         qCWarning(lcDeviceNavigator).noquote()
                             << "target" << key << "cannot start:" << process->errorString();
                         ended();
                     });
    qCDebug(lcDeviceNavigator).noquote() << "starting" << key << target.program;
    process->start();
}

void NavigatorServicePrivate::onTimerDue(const QString &key, const QString &timerId)
{
    const TargetDeclaration *target = registry.find(key);
    if (!target) {
        qCWarning(lcDeviceNavigator).noquote() << "timer" << timerId << "of unknown target" << key;
        return;
    }
    const QVariantMap invocation{
        {QStringLiteral("target"), key},
        {QStringLiteral("action"), s_timerAction},
        {QStringLiteral("type"), QStringLiteral("text/plain")},
        {QStringLiteral("data"), QString::fromLatin1(timerId.toUtf8().toBase64())}};
    deliver(*target, Invoked,
            {{QStringLiteral("invocation"), invocation}, {QStringLiteral("dname"), QString()}},
            QString(), [key, timerId](int, const QString &err) {
                if (!err.isEmpty())
                    qCWarning(lcDeviceNavigator).noquote()
                        << "timer" << timerId << "could not invoke" << key << err;
            });
}

void NavigatorServicePrivate::query(int clientId, const QVariantMap &content)
{
    const QString id = content.value(QStringLiteral("id")).toString();
    const QString action = content.value(QStringLiteral("action")).toString();
    const QString type = content.value(QStringLiteral("type")).toString();
    const QString uri = content.value(QStringLiteral("file_uri")).toString();
    const int mask = content.value(QStringLiteral("target_type_mask")).toInt();
    const int perimeter = content.value(QStringLiteral("perimeter")).toInt();
    const bool menuOnly = content.value(QStringLiteral("action_type")).toInt() == 1;
    if (action.isEmpty() && type.isEmpty() && uri.isEmpty()) {
        answer(clientId, QueryResult, id, s_badRequest);
        return;
    }

    // Action name to the targets offering it, in key order.
    QMap<QString, QList<const TargetDeclaration *>> offered;
    for (const TargetDeclaration *target : registry.targets()) {
        if ((mask != 0 && !(target->type & mask)) || !perimeterFits(target->perimeter, perimeter))
            continue;
        for (const TargetFilter &filter : target->filters) {
            if (!filter.matches(action, type, uri))
                continue;
            for (const QString &name : action.isEmpty() ? filter.actions() : QStringList{action}) {
                // A menu lists only actions that a target gave a menu label.
                if (menuOnly && !target->actionLabels.contains(name))
                    continue;
                QList<const TargetDeclaration *> &targets = offered[name];
                if (!targets.contains(target))
                    targets << target;
            }
        }
    }
    QVariantList actions;
    for (auto it = offered.cbegin(); it != offered.cend(); ++it) {
        QVariantList targets;
        QString label;
        for (const TargetDeclaration *target : it.value()) {
            if (label.isEmpty())
                label = target->actionLabels.value(it.key());
            targets << QVariantMap{{QStringLiteral("key"), target->key},
                                   {QStringLiteral("icon"), target->icon},
                                   {QStringLiteral("splash"), target->splash},
                                   {QStringLiteral("label"), target->label},
                                   {QStringLiteral("type"), target->type},
                                   {QStringLiteral("perimeter"), target->perimeter}};
        }
        actions << QVariantMap{{QStringLiteral("name"), it.key()},
                               {QStringLiteral("icon"), QString()},
                               {QStringLiteral("label"), label},
                               {QStringLiteral("default_target"), it.value().first()->key},
                               {QStringLiteral("targets"), targets}};
    }
    answer(clientId, QueryResult, id, QString(),
           {{QStringLiteral("query_result_actions"), actions}});
}

void NavigatorServicePrivate::getFilters(int clientId, const QString &id, const QString &key)
{
    const TargetDeclaration *target = registry.find(key);
    if (!target) {
        answer(clientId, FiltersResult, id, s_noTarget);
        return;
    }
    QStringList texts;
    for (const TargetFilter &filter : target->filters)
        texts << filter.toText();
    answer(clientId, FiltersResult, id, QString(),
           {{QStringLiteral("filters_target"), key}, {QStringLiteral("filters"), texts}});
}

void NavigatorServicePrivate::setFilters(int clientId, const QString &id, const QString &key,
                                         const QStringList &texts)
{
    if (!registry.find(key)) {
        answer(clientId, SetFiltersResult, id, s_noTarget);
        return;
    }
    if (clients.value(clientId).target != key) {
        answer(clientId, SetFiltersResult, id, s_notOwned);
        return;
    }
    if (texts.size() > MaxFilters) {
        qCWarning(lcDeviceNavigator).noquote()
            << "filters of" << key << "refused:" << texts.size() << "filters";
        answer(clientId, SetFiltersResult, id, s_badRequest);
        return;
    }
    QList<TargetFilter> filters;
    for (const QString &text : texts) {
        QString why = QStringLiteral("longer than %1").arg(MaxFilterLength);
        const std::optional<TargetFilter> filter =
            text.size() > MaxFilterLength ? std::nullopt : TargetFilter::parse(text, &why);
        if (!filter) {
            qCWarning(lcDeviceNavigator).noquote()
                << "filters of" << key << "refused:" << text << why;
            answer(clientId, SetFiltersResult, id, s_badRequest);
            return;
        }
        filters << *filter;
    }
    QString error;
    if (!registry.setFilters(key, filters, &error)) {
        qCWarning(lcDeviceNavigator).noquote() << "filters of" << key << "not kept:" << error;
        answer(clientId, SetFiltersResult, id, QStringLiteral("INVOKE_INTERNAL_ERROR"));
        return;
    }
    answer(clientId, SetFiltersResult, id, QString());
}

void NavigatorServicePrivate::registerTimer(int clientId, const QVariantMap &registration)
{
    const QString id = registration.value(QStringLiteral("id")).toString();
    const QString self = clients.value(clientId).target;
    const int action = registration.value(QStringLiteral("action")).toInt();
    const QString timerId = registration.value(QStringLiteral("timer_id")).toString();
    if (!timers) {
        answer(clientId, TimerResult, id, QStringLiteral("INVOKE_INTERNAL_ERROR"));
        return;
    }
    if (action == 2) {
        if (self.isEmpty()) {
            answer(clientId, TimerResult, id, s_notOwned);
            return;
        }
        // Withdrawing a timer that is not there leaves what was asked for: none.
        if (timerId.isEmpty())
            timers->removeAll(self);
        else
            timers->remove(self, timerId);
        answer(clientId, TimerResult, id, QString());
        return;
    }
    const QString key = registration.value(QStringLiteral("target")).toString();
    if (action != 1 || timerId.isEmpty() || key.isEmpty()) {
        answer(clientId, TimerResult, id, s_badRequest);
        return;
    }
    if (!registry.find(key)) {
        answer(clientId, TimerResult, id, s_noTarget);
        return;
    }
    if (self != key) {
        answer(clientId, TimerResult, id, s_notOwned);
        return;
    }
    QString error;
    if (!timers->add(key, timerId, registration, &error)) {
        qCWarning(lcDeviceNavigator).noquote()
            << "timer" << timerId << "of" << key << "refused:" << error;
        answer(clientId, TimerResult, id, s_badRequest);
        return;
    }
    answer(clientId, TimerResult, id, QString());
}

void NavigatorServicePrivate::relay(int clientId, const QVariantList &args)
{
    const QString windowId = args.value(0).toString();
    const QString name = args.value(1).toString();
    const QString data = args.value(2).toString();
    const QString id = args.value(3).toString();
    const bool isResponse = args.value(4).toBool();
    const auto refuse = [&](const QString &err) {
        qCWarning(lcDeviceNavigator).noquote()
            << "relay" << name << "of client" << clientId << "to" << windowId << err;
        if (!id.isEmpty() && !isResponse)
            answer(clientId, ViewerRelayResult, id, err,
                   {{QStringLiteral("viewer_relay_message_name"), name},
                    {QStringLiteral("viewer_relay_window_id"), windowId}});
    };
    const auto it = viewers.find(windowId);
    if (it == viewers.end() || it->viewer == 0 ||
        (it->invoker != clientId && it->viewer != clientId)) {
        refuse(s_invalidWindow);
        return;
    }
    if (name.isEmpty()) {
        refuse(s_invalidMessage);
        return;
    }
    const int peer = it->invoker == clientId ? it->viewer : it->invoker;
    QVariantMap fields{{QStringLiteral("viewer_relay_message_name"), name},
                       {QStringLiteral("viewer_relay_window_id"), windowId},
                       {QStringLiteral("viewer_relay_data"), data}};
    if (!id.isEmpty())
        fields.insert(QStringLiteral("id"), id);
    if (isResponse) {
        if (it->pendingRelays.value(id) != peer)
            return; // nothing of the peer waits for this answer
        it->pendingRelays.remove(id);
        sendEvent(peer, ViewerRelayResult, fields);
        return;
    }
    if (!id.isEmpty()) {
        if (it->pendingRelays.size() >= MaxPendingRelays && !it->pendingRelays.contains(id)) {
            refuse(s_invalidMessage); // the peer answers nothing; asking more will not help
            return;
        }
        it->pendingRelays.insert(id, clientId);
    }
    sendEvent(peer, ViewerRelay, fields);
}

void NavigatorServicePrivate::closeViewer(int clientId, const QString &windowId, bool leaving)
{
    const auto it = viewers.find(windowId);
    if (it == viewers.end() || (it->invoker != clientId && it->viewer != clientId)) {
        qCWarning(lcDeviceNavigator).noquote()
            << "client" << clientId << "closes unknown window" << windowId;
        return;
    }
    const Viewer viewer = *it;
    viewers.erase(it);
    const int peer = viewer.invoker == clientId ? viewer.viewer : viewer.invoker;
    if (peer != 0)
        sendEvent(peer, ViewerClosed, {{QStringLiteral("window_id"), windowId}});
    // Questions still open across the window will not be answered any more.
    for (auto pending = viewer.pendingRelays.cbegin(); pending != viewer.pendingRelays.cend();
         ++pending) {
        if (!(leaving && pending.value() == clientId))
            answer(pending.value(), ViewerRelayResult, pending.key(), s_invalidWindow,
                   {{QStringLiteral("viewer_relay_window_id"), windowId}});
    }
}

void NavigatorServicePrivate::closeCard(int card, const QString &reason, const QString &dataType,
                                        const QString &data)
{
    const auto it = cardParents.find(card);
    if (it == cardParents.end()) {
        qCWarning(lcDeviceNavigator, "client %d closes itself but is no card", card);
        return;
    }
    const int parent = *it;
    cardParents.erase(it);
    sendEvent(parent, ChildCardDone,
              {{QStringLiteral("card_closed_reason"), reason},
               {QStringLiteral("card_closed_data_type"), dataType},
               {QStringLiteral("card_closed_data"), data}});
}

NavigatorService::NavigatorService(const Options &options, QObject *parent)
    : DeviceService(parent)
    , d(std::make_unique<NavigatorServicePrivate>(this, options))
{
    ControlObjectServer *server = &d->server;
    connect(server, &ControlObjectServer::requestReceived, this,
            [this](int clientId, const QVariantMap &message) { d->onRequest(clientId, message); });
    connect(server, &ControlObjectServer::clientArrived, this,
            [this](int clientId) { d->clients.insert(clientId, Client()); });
    connect(server, &ControlObjectServer::clientLeft, this,
            [this](int clientId) { d->onClientLeft(clientId); });
    connect(server, &ControlObjectServer::unreadableRequest, this,
            [this](int clientId, const QByteArray &) {
                if (clientId != 0)
                    d->sendError(clientId, QStringLiteral("unreadable request"));
            });
    connect(server, &ControlObjectServer::lost, this, &DeviceService::failed);
}

NavigatorService::~NavigatorService()
{
    // Targets started here do not outlive the navigator that started them.
    for (const QPointer<QProcess> &process : std::as_const(d->processes)) {
        if (!process)
            continue;
        process->disconnect(this);
        process->kill();
        process->waitForFinished(1000);
    }
}

QString NavigatorService::name() const
{
    return QStringLiteral("navigator");
}

bool NavigatorService::start(QString *error)
{
    d->registry.setBuiltIns(d->options.builtInTargets);
    d->refused = d->registry.load(d->options.targetsDir, d->options.dataDir);
    for (const QString &refusal : std::as_const(d->refused))
        qCWarning(lcDeviceNavigator).noquote() << "skipped" << refusal;
    if (!d->options.dataDir.isEmpty()) {
        d->timers = std::make_unique<TimerScheduler>(&d->clock, d->options.dataDir);
        if (!d->timers->loadError().isEmpty())
            qCWarning(lcDeviceNavigator).noquote()
                << "timers not loaded:" << d->timers->loadError();
        connect(
            d->timers.get(), &TimerScheduler::due, this,
            [this](const QString &key, const QString &timerId) { d->onTimerDue(key, timerId); });
    }
    return d->server.open(error);
}

QStringList NavigatorService::refusedDeclarations() const
{
    return d->refused;
}

VirtualClock *NavigatorService::clock() const
{
    return &d->clock;
}

const TargetRegistry &NavigatorService::registry() const
{
    return d->registry;
}
