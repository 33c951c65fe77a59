#include "navigatordevicebackend.h"

#include <qz/PpsObject>

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QSet>
#include <QThread>

#include <cerrno>
#include <unistd.h>

namespace qz::platform {

Q_DECLARE_LOGGING_CATEGORY(lcBackend)

const char NavigatorDeviceBackend::s_controlPath[] = "/pps/services/navigator/control";
const char NavigatorDeviceBackend::s_targetVariable[] = "QZ_NAVIGATOR_TARGET";

namespace {

const QString s_data = QStringLiteral("data");
const QString s_invocation = QStringLiteral("invocation");

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
    bool connect();
    void drop();
    bool send(const QString &msg, const QVariantMap &dat);
    void onReadyRead();
    void onMessage(const QVariantMap &message);

    QPointer<PpsObject> object;
};

bool NavigatorDeviceBackendPrivate::connect()
{
    if (object && object->isOpen())
        return true;
    drop();
    if (!QCoreApplication::instance())
        return false;
    auto *candidate = new PpsObject(QString::fromLatin1(NavigatorDeviceBackend::s_controlPath));
    if (!candidate->open(PpsOpenMode::PublishSubscribe)) {
        delete candidate;
        return false;
    }
    object = candidate;
    QObject::connect(candidate, &PpsObject::readyRead, candidate, [this] { onReadyRead(); });
    const QByteArray target = qgetenv(NavigatorDeviceBackend::s_targetVariable);
    QVariantMap hello{{QStringLiteral("pid"), qint64(::getpid())}};
    if (!target.isEmpty())
        hello.insert(QStringLiteral("target"), QString::fromUtf8(target));
    if (!send(QStringLiteral("hello"), hello))
        return false;
    qCDebug(lcBackend, "navigator: connected to the device's navigator");
    return true;
}

void NavigatorDeviceBackendPrivate::drop()
{
    if (object)
        object->deleteLater();
    object = nullptr;
}

bool NavigatorDeviceBackendPrivate::send(const QString &msg, const QVariantMap &dat)
{
    if (!object)
        return false;
    if (object->writeMessage({{QStringLiteral("msg"), msg}, {QStringLiteral("dat"), dat}}) != 0) {
        qCWarning(lcBackend).noquote()
            << "navigator: cannot write" << msg << "to the device:" << object->errorString();
        drop();
        return false;
    }
    return true;
}

void NavigatorDeviceBackendPrivate::onReadyRead()
{
    if (!object)
        return;
    bool ok = false;
    const QByteArray text = object->read(&ok);
    if (!ok) {
        if (object->error() != EAGAIN) {
            qCDebug(lcBackend, "navigator: the device's navigator went away");
            drop();
        }
        return;
    }
    const QVariantMap decoded = PpsObject::decode(text, &ok);
    if (!ok) {
        qCWarning(lcBackend, "navigator: unreadable message from the device");
        return;
    }
    // Messages for this client alone come headed with the object's name, broadcasts too.
    bool headed = false;
    for (auto it = decoded.cbegin(); it != decoded.cend(); ++it) {
        if (it.key().startsWith(u'@') && it.value().typeId() == QMetaType::QVariantMap) {
            headed = true;
            onMessage(it.value().toMap());
        }
    }
    if (!headed)
        onMessage(decoded);
}

void NavigatorDeviceBackendPrivate::onMessage(const QVariantMap &message)
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
    if (const auto it = fields.find(s_invocation); it != fields.end())
        *it = invocationFromWire(it->toMap());
    if (const auto it = fields.find(QStringLiteral("viewer")); it != fields.end()) {
        QVariantMap viewer = it->toMap();
        viewer.insert(s_invocation, invocationFromWire(viewer.value(s_invocation).toMap()));
        *it = viewer;
    }
    postEvent(domainOf(Service::Navigator), code, fields);

    const QVariant delivery = dat.value(QStringLiteral("delivery"));
    if (delivery.isValid()) {
        // Queued behind the event just posted, so this runs once the handlers have had it.
        QMetaObject::invokeMethod(
            object.data(),
            [this, delivery] {
                send(QStringLiteral("invoked"), {{QStringLiteral("delivery"), delivery}});
            },
            Qt::QueuedConnection);
    }
}

NavigatorDeviceBackend::NavigatorDeviceBackend()
    : d(std::make_unique<NavigatorDeviceBackendPrivate>())
{}

NavigatorDeviceBackend::~NavigatorDeviceBackend()
{
    delete d->object.data();
}

bool NavigatorDeviceBackend::connectToService()
{
    if (d->object && d->object->thread() != QThread::currentThread())
        return false;
    return d->connect();
}

bool NavigatorDeviceBackend::isConnected() const
{
    return d->object && d->object->isOpen();
}

int NavigatorDeviceBackend::call(const QByteArray &name, const QVariantList &args, QVariantList *)
{
    if (name == "navigator_request_events") {
        connectToService(); // to hear of invocations; the events themselves are local
        return 0;
    }
    if (!serviceCalls().contains(name))
        return 0;
    if (d->object && d->object->thread() != QThread::currentThread()) {
        errno = EXDEV;
        return -1;
    }
    if (!d->connect()) {
        errno = ENOSYS;
        return -1;
    }
    if (!d->send(QStringLiteral("call"), {{QStringLiteral("name"), QString::fromLatin1(name)},
                                          {QStringLiteral("args"), argumentsToWire(name, args)}})) {
        errno = EIO;
        return -1;
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
