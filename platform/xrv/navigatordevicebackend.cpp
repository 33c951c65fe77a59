#include "navigatordevicebackend.h"
#include "servicelink_p.h"

#include <qz/PpsObject>

#include <QLoggingCategory>
#include <QSet>

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace qz::platform {

Q_DECLARE_LOGGING_CATEGORY(lcBackend)

const char NavigatorDeviceBackend::s_controlPath[] = "/pps/services/navigator/control";
const char NavigatorDeviceBackend::s_targetVariable[] = "QZ_NAVIGATOR_TARGET";
const char NavigatorDeviceBackend::s_goneError[] = "NAVIGATOR_GONE";

namespace {

const QString s_data = QStringLiteral("data");
const QString s_invocation = QStringLiteral("invocation");
constexpr qsizetype MaxAwaited = 4096;

// The calls the navigator service acts on; everything else is handle bookkeeping done here.
const QSet<QByteArray> &serviceCalls()
{
    static const QSet<QByteArray> calls{"navigator_invoke_invocation_send",
                                        "navigator_invoke_query_send",
                                        "navigator_invoke_get_filters",
                                        "navigator_invoke_set_filters",
                                        "navigator_invoke_viewer_send",
                                        "navigator_invoke_viewer_relay",
                                        "navigator_invoke_close_viewer",
                                        "navigator_invoke_timer_registration_send",
                                        "navigator_invoke_select_list_item",
                                        "navigator_card_peek",
                                        "navigator_card_close_child",
                                        "navigator_card_close",
                                        "navigator_card_resized",
                                        "navigator_card_swipe_away",
                                        "navigator_card_request_card_ready_check",
                                        "navigator_card_send_card_ready"};
    return calls;
}

// Invocation bytes cannot travel in JSON as they are.
QVariantMap invocationToWire(QVariantMap invocation)
{
    if (const auto it = invocation.find(s_data); it != invocation.end())
        *it = QString::fromLatin1(it->toByteArray().toBase64());
    return invocation;
}

QVariantMap invocationFromWire(QVariantMap invocation)
{
    if (const auto it = invocation.find(s_data); it != invocation.end()) {
        // Anything that is not base64 is refused rather than handed on half-decoded.
        const auto decoded = QByteArray::fromBase64Encoding(
            it->toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        *it = decoded ? *decoded : QByteArray();
    }
    return invocation;
}

// The calls the navigator answers with an event of their own, and the request id among their
// arguments; code 0 when the call expects no answer.
struct Answered
{
    int code = 0;
    QString id;
};

Answered answeredBy(const QByteArray &name, const QVariantList &args)
{
    const auto contentId = [&](int index) {
        return args.value(index).toMap().value(QStringLiteral("id")).toString();
    };
    if (name == "navigator_invoke_invocation_send")
        return {19, contentId(1)};
    if (name == "navigator_invoke_viewer_send")
        return {20, args.value(1)
                        .toMap()
                        .value(s_invocation)
                        .toMap()
                        .value(QStringLiteral("id"))
                        .toString()};
    if (name == "navigator_invoke_query_send")
        return {17, contentId(1)};
    if (name == "navigator_invoke_timer_registration_send")
        return {45, contentId(1)};
    if (name == "navigator_invoke_get_filters")
        return {35, args.value(0).toString()};
    if (name == "navigator_invoke_set_filters")
        return {37, args.value(0).toString()};
    if (name == "navigator_invoke_viewer_relay" && !args.value(4).toBool())
        return {25, args.value(3).toString()};
    return {};
}

QVariantList argumentsToWire(const QByteArray &name, QVariantList args)
{
    if (name == "navigator_invoke_invocation_send" && args.size() > 1) {
        args[1] = invocationToWire(args[1].toMap());
    } else if (name == "navigator_invoke_viewer_send" && args.size() > 1) {
        QVariantMap viewer = args[1].toMap();
        viewer.insert(s_invocation, invocationToWire(viewer.value(s_invocation).toMap()));
        args[1] = viewer;
    }
    return args;
}

} // namespace

class NavigatorDeviceBackendPrivate
{
public:
    NavigatorDeviceBackendPrivate()
    {
        link.onRead = [this](const QByteArray &text) { onRead(text); };
        link.onDropped = [this] { answerAwaited(); };
    }
    bool connect();
    void answerAwaited();
    void onRead(const QByteArray &text);

    ServiceLink link{"navigator", QString::fromLatin1(NavigatorDeviceBackend::s_controlPath)};
    // Requests sent and not answered yet: (reply code, id). Should the navigator go away, each
    // is answered here with an error, so nobody waits for what cannot come.
    QList<std::pair<int, QString>> awaited;
};

bool NavigatorDeviceBackendPrivate::connect()
{
    bool opened = false;
    if (!link.connect(&opened))
        return false;
    if (!opened)
        return true;
    // A new connection says whose it is first.
    const QByteArray target = qgetenv(NavigatorDeviceBackend::s_targetVariable);
    QVariantMap hello{{QStringLiteral("pid"), qint64(::getpid())}};
    if (!target.isEmpty())
        hello.insert(QStringLiteral("target"), QString::fromUtf8(target));
    return link.send(QStringLiteral("hello"), hello);
}

void NavigatorDeviceBackendPrivate::answerAwaited()
{
    const QList<std::pair<int, QString>> unanswered = std::exchange(awaited, {});
    for (const auto &[code, id] : unanswered) {
        postEvent(
            domainOf(Service::Navigator), code,
            {{QStringLiteral("id"), id},
             {QStringLiteral("err"), QString::fromLatin1(NavigatorDeviceBackend::s_goneError)},
             {QStringLiteral("error_code"), ECONNRESET}});
    }
}

void NavigatorDeviceBackendPrivate::onRead(const QByteArray &text)
{
    for (const NavigatorDeviceBackend::Posted &posted : NavigatorDeviceBackend::readMessage(text)) {
        awaited.removeOne({posted.code, posted.id});
        if (posted.delivery.isValid()) {
            // Queued behind the event just posted, so this runs once the handlers have had it.
            QMetaObject::invokeMethod(
                link.object(),
                [this, delivery = posted.delivery] {
                    link.send(QStringLiteral("invoked"), {{QStringLiteral("delivery"), delivery}});
                },
                Qt::QueuedConnection);
        }
    }
}

namespace {

void postMessage(const QVariantMap &message, QList<NavigatorDeviceBackend::Posted> *posted)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    if (msg == QLatin1String("error")) {
        qCWarning(lcBackend).noquote() << "navigator: the device refused a request:"
                                       << dat.value(QStringLiteral("errorText")).toString();
        return;
    }
    if (msg != QLatin1String("event"))
        return;
    bool ok = false;
    const int code = dat.value(QStringLiteral("code")).toInt(&ok);
    if (!ok) {
        qCWarning(lcBackend, "navigator: an event without a code from the device");
        return;
    }
    QVariantHash fields;
    const QVariantMap wireFields = dat.value(QStringLiteral("fields")).toMap();
    for (auto it = wireFields.cbegin(); it != wireFields.cend(); ++it)
        fields.insert(it.key(), it.value());
    // A handle field that is not a map is no handle: absent, rather than read as an empty one.
    for (const QString &key : {s_invocation, QStringLiteral("viewer")}) {
        const auto it = fields.find(key);
        if (it != fields.end() && it->typeId() != QMetaType::QVariantMap)
            fields.erase(it);
    }
    if (const auto it = fields.find(s_invocation); it != fields.end())
        *it = invocationFromWire(it->toMap());
    if (const auto it = fields.find(QStringLiteral("viewer")); it != fields.end()) {
        QVariantMap viewer = it->toMap();
        if (viewer.value(s_invocation).typeId() == QMetaType::QVariantMap)
            viewer.insert(s_invocation, invocationFromWire(viewer.value(s_invocation).toMap()));
        else
            viewer.remove(s_invocation);
        *it = viewer;
    }
    postEvent(domainOf(Service::Navigator), code, fields);

    bool numbered = false;
    const quint64 delivery = dat.value(QStringLiteral("delivery")).toULongLong(&numbered);
    posted->append({code, fields.value(QStringLiteral("id")).toString(),
                    numbered ? QVariant(delivery) : QVariant()});
}

} // namespace

QList<NavigatorDeviceBackend::Posted> NavigatorDeviceBackend::readMessage(const QByteArray &text)
{
    QList<Posted> posted;
    bool ok = false;
    const QVariantMap decoded = PpsObject::decode(text, &ok);
    if (!ok) {
        qCWarning(lcBackend, "navigator: unreadable message from the device");
        return posted;
    }
    // Messages for this client alone come headed with the object's name, broadcasts too.
    bool headed = false;
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        if (it.key().startsWith(u'@') && it.value().typeId() == QMetaType::QVariantMap) {
            headed = true;
            postMessage(it.value().toMap(), &posted);
        }
    }
    if (!headed)
        postMessage(decoded, &posted);
    return posted;
}

NavigatorDeviceBackend::NavigatorDeviceBackend()
    : d(std::make_unique<NavigatorDeviceBackendPrivate>())
{}

NavigatorDeviceBackend::~NavigatorDeviceBackend() = default;

bool NavigatorDeviceBackend::connectToService()
{
    return !d->link.isForeign() && d->connect();
}

bool NavigatorDeviceBackend::isConnected() const
{
    return d->link.isOpen();
}

int NavigatorDeviceBackend::call(const QByteArray &name, const QVariantList &args, QVariantList *)
{
    if (name == "navigator_request_events") {
        connectToService(); // to hear of invocations; the events themselves are local
        return 0;
    }
    if (!serviceCalls().contains(name))
        return 0;
    if (d->link.isForeign()) {
        errno = EXDEV;
        return -1;
    }
    if (!d->connect()) {
        errno = ENOSYS;
        return -1;
    }
    const QVariantMap request{{QStringLiteral("name"), QString::fromLatin1(name)},
                              {QStringLiteral("args"), argumentsToWire(name, args)}};
    // A connection found dead on writing is made again once: the navigator may have restarted.
    if (!d->link.send(QStringLiteral("call"), request) &&
        !(d->connect() && d->link.send(QStringLiteral("call"), request))) {
        errno = EIO;
        return -1;
    }
    const Answered answered = answeredBy(name, args);
    if (answered.code != 0 && !answered.id.isEmpty()) {
        // Bounded: a process that never hears back from a live navigator must not grow without end.
        if (d->awaited.size() >= MaxAwaited)
            d->awaited.removeFirst();
        d->awaited.append({answered.code, answered.id});
    }
    return 0;
}

namespace {
// The navigator of this platform is the device's, unless a test installs its own.
[[maybe_unused]] const bool s_registered = [] {
    setDefaultBackendFactory(Service::Navigator,
                             []() -> Backend * { return new NavigatorDeviceBackend; });
    return true;
}();
} // namespace

} // namespace qz::platform
