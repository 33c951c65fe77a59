#include "recordingbackend.h"

#include <nfc/nfc.h>
#include <qz/AbstractXrvEventHandler>
#include <xrv/menu.h>
#include <xrv/navigator.h>

#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <functional>

using Service = qz::platform::Service;

namespace {

// Records what it sees: its name and the event's code and id.
class Handler : public qz::AbstractXrvEventHandler
{
public:
    Handler(QString name, QStringList *log)
        : m_name(std::move(name))
        , m_log(log)
    {}
    void event(xrv_event_t *event) override
    {
        const char *id = navigator_event_get_id(event);
        m_log->append(QStringLiteral("%1:%2:%3")
                          .arg(m_name)
                          .arg(xrv_event_get_code(event))
                          .arg(QString::fromUtf8(id ? id : "-")));
        if (onEvent)
            onEvent(event);
    }
    std::function<void(xrv_event_t *)> onEvent;

private:
    QString m_name;
    QStringList *m_log;
};

} // namespace

class tst_EventService : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deliversThroughEventLoopInSubscriptionOrder();
    void domainsAreSeparate();
    void unsubscribeDuringDispatch();
    void deleteDuringDispatch();
    void subscribeDuringDispatchSeesNextEvent();
    void accessorsCopyFieldsAndReportAbsence();
    void initializeIsReferenceCounted();
    void deliversOnTheSubscribersThread();
    void backendRecordsAndFails();
    void noBackendMeansNotSupported();
};

void tst_EventService::deliversThroughEventLoopInSubscriptionOrder()
{
    QStringList log;
    Handler first(QStringLiteral("first"), &log);
    Handler second(QStringLiteral("second"), &log);
    second.subscribe(navigator_get_domain());
    first.subscribe(navigator_get_domain());
    first.subscribe(navigator_get_domain()); // twice is once

    RecordingBackend::postEvent(Service::Navigator, 16,
                                {{QStringLiteral("id"), QStringLiteral("a")}});
    RecordingBackend::postEvent(Service::Navigator, 17, {});
    QVERIFY(log.isEmpty()); // nothing is delivered from inside postEvent
    QTRY_COMPARE(log.size(), 4);
    QCOMPARE(log, (QStringList{QStringLiteral("second:16:a"), QStringLiteral("first:16:a"),
                               QStringLiteral("second:17:-"), QStringLiteral("first:17:-")}));
}

void tst_EventService::domainsAreSeparate()
{
    QStringList log;
    Handler nav(QStringLiteral("nav"), &log);
    Handler menu(QStringLiteral("menu"), &log);
    nav.subscribe(navigator_get_domain());
    menu.subscribe(menu_get_domain());
    QVERIFY(navigator_get_domain() != menu_get_domain() && menu_get_domain() != nfc_get_domain());
    RecordingBackend::postEvent(Service::Menu, 5);
    RecordingBackend::postEvent(Service::Nfc, 6);
    RecordingBackend::postEvent(Service::Navigator, 7);
    QTRY_COMPARE(log.size(), 2);
    QTest::qWait(20);
    QCOMPARE(log, (QStringList{QStringLiteral("menu:5:-"), QStringLiteral("nav:7:-")}));
}

void tst_EventService::unsubscribeDuringDispatch()
{
    QStringList log;
    Handler a(QStringLiteral("a"), &log);
    Handler b(QStringLiteral("b"), &log);
    Handler c(QStringLiteral("c"), &log);
    a.onEvent = [&](xrv_event_t *) { b.unsubscribe(navigator_get_domain()); };
    for (Handler *h : {&a, &b, &c})
        h->subscribe(navigator_get_domain());
    RecordingBackend::postEvent(Service::Navigator, 1);
    RecordingBackend::postEvent(Service::Navigator, 2);
    QTRY_COMPARE(log.size(), 4);
    QCOMPARE(log, (QStringList{QStringLiteral("a:1:-"), QStringLiteral("c:1:-"),
                               QStringLiteral("a:2:-"), QStringLiteral("c:2:-")}));
}

void tst_EventService::deleteDuringDispatch()
{
    QStringList log;
    Handler a(QStringLiteral("a"), &log);
    auto *doomed = new Handler(QStringLiteral("doomed"), &log);
    Handler c(QStringLiteral("c"), &log);
    a.subscribe(navigator_get_domain());
    doomed->subscribe(navigator_get_domain());
    c.subscribe(navigator_get_domain());
    a.onEvent = [&](xrv_event_t *) {
        delete doomed; // ASan reports a use after free if dispatch still calls it
        doomed = nullptr;
    };
    c.onEvent = [&](xrv_event_t *) { a.onEvent = nullptr; };
    RecordingBackend::postEvent(Service::Navigator, 9);
    QTRY_COMPARE(log.size(), 2);
    QCOMPARE(log, (QStringList{QStringLiteral("a:9:-"), QStringLiteral("c:9:-")}));
    QVERIFY(!doomed);

    // A handler deleting itself from its own event is safe too.
    auto *self = new Handler(QStringLiteral("self"), &log);
    self->onEvent = [self](xrv_event_t *) { delete self; };
    self->subscribe(navigator_get_domain());
    RecordingBackend::postEvent(Service::Navigator, 10);
    QTRY_COMPARE(log.size(), 5);
    QCOMPARE(log.mid(2), (QStringList{QStringLiteral("a:10:-"), QStringLiteral("c:10:-"),
                                      QStringLiteral("self:10:-")}));
}

void tst_EventService::subscribeDuringDispatchSeesNextEvent()
{
    QStringList log;
    Handler a(QStringLiteral("a"), &log);
    Handler late(QStringLiteral("late"), &log);
    a.onEvent = [&](xrv_event_t *) { late.subscribe(navigator_get_domain()); };
    a.subscribe(navigator_get_domain());
    RecordingBackend::postEvent(Service::Navigator, 1);
    QTRY_COMPARE(log.size(), 1);
    a.onEvent = nullptr;
    RecordingBackend::postEvent(Service::Navigator, 2);
    QTRY_COMPARE(log.size(), 3);
    QCOMPARE(log, (QStringList{QStringLiteral("a:1:-"), QStringLiteral("a:2:-"),
                               QStringLiteral("late:2:-")}));
}

void tst_EventService::accessorsCopyFieldsAndReportAbsence()
{
    QStringList log;
    Handler h(QStringLiteral("h"), &log);
    QByteArray id, err, data;
    bool errIsNull = false;
    h.onEvent = [&](xrv_event_t *event) {
        id = navigator_event_get_id(event);
        const char *e = navigator_event_get_err(event);
        errIsNull = !e;
        data = navigator_event_get_data(event);
        QCOMPARE(menu_event_get_id(event), navigator_event_get_id(event));
    };
    h.subscribe(navigator_get_domain());
    RecordingBackend::postEvent(Service::Navigator, 3,
                                {{QStringLiteral("id"), QStringLiteral("7fab")},
                                 {QStringLiteral("data"), QByteArray("bytes\xc3\xa9")}});
    QTRY_COMPARE(log.size(), 1);
    QCOMPARE(id, QByteArray("7fab"));
    QVERIFY(errIsNull);
    QCOMPARE(data, QByteArray("bytes\xc3\xa9"));
    QCOMPARE(xrv_event_get_code(nullptr), -1);
    QVERIFY(!navigator_event_get_id(nullptr));
}

void tst_EventService::initializeIsReferenceCounted()
{
    QCOMPARE(xrv_initialize(), 0);
    QCOMPARE(xrv_initialize(), 0);
    QCOMPARE(xrv_shutdown(), 0);
    QCOMPARE(xrv_shutdown(), 0);
    QCOMPARE(xrv_shutdown(), -1); // unbalanced
    QCOMPARE(errno, EINVAL);
}

void tst_EventService::deliversOnTheSubscribersThread()
{
    QThread worker;
    worker.start();
    QStringList log;
    QThread *seenOn = nullptr;
    Handler *handler = nullptr;
    QObject context;
    context.moveToThread(&worker);
    QMetaObject::invokeMethod(
        &context,
        [&] {
            handler = new Handler(QStringLiteral("w"), &log);
            handler->onEvent = [&](xrv_event_t *) { seenOn = QThread::currentThread(); };
            handler->subscribe(navigator_get_domain());
        },
        Qt::BlockingQueuedConnection);
    RecordingBackend::postEvent(Service::Navigator, 4);
    QTRY_VERIFY(seenOn);
    QCOMPARE(seenOn, &worker);
    QMetaObject::invokeMethod(
        &context, [&] { delete handler; }, Qt::BlockingQueuedConnection);
    worker.quit();
    worker.wait();
}

void tst_EventService::backendRecordsAndFails()
{
    RecordingBackend backend;
    QCOMPARE(navigator_request_events(0), 0);
    QCOMPARE(nfc_request_events(0), 0);
    backend.failCall("nfc_request_events", EBUSY);
    QCOMPARE(nfc_request_events(0), -1);
    QCOMPARE(errno, EBUSY);
    QCOMPARE(nfc_stop_events(), 0);
    QCOMPARE(backend.callNames(),
             (QList<QByteArray>{"navigator_request_events", "nfc_request_events",
                                "nfc_request_events", "nfc_stop_events"}));
    QCOMPARE(backend.argumentsOf("navigator_request_events"), (QList<QVariantList>{{0}}));

    backend.setOutValues("custom_call", {QStringLiteral("out"), 3});
    QVariantList out;
    QCOMPARE(qz::platform::forward(Service::Clipboard, "custom_call", {1}, &out), 0);
    QCOMPARE(out, (QVariantList{QStringLiteral("out"), 3}));
}

void tst_EventService::noBackendMeansNotSupported()
{
    // The navigator's and the menu's default backends talk to the device; with no device
    // reachable they answer as if there were no backend.
    QTemporaryDir nowhere;
    const bool socketSet = qEnvironmentVariableIsSet("QZ_PPS_SOCKET");
    const QByteArray socket = qgetenv("QZ_PPS_SOCKET");
    qputenv("QZ_PPS_SOCKET", nowhere.filePath(QStringLiteral("none.sock")).toLocal8Bit());
    errno = 0;
    const int result =
        qz::platform::forward(Service::Navigator, "navigator_invoke_invocation_send", {0, {}});
    const int error = errno;
    errno = 0;
    const int menuResult = qz::platform::forward(Service::Menu, "menu_request_send",
                                                 {0, QVariantMap(), QStringLiteral("1")});
    const int menuError = errno;
    if (socketSet)
        qputenv("QZ_PPS_SOCKET", socket);
    else
        qunsetenv("QZ_PPS_SOCKET");
    QCOMPARE(result, -1);
    QCOMPARE(error, ENOSYS);
    QCOMPARE(menuResult, -1);
    QCOMPARE(menuError, ENOSYS);
    // Requesting events needs no service behind it.
    QCOMPARE(menu_request_events(0), 0);
}

QTEST_GUILESS_MAIN(tst_EventService)
#include "tst_eventservice.moc"
