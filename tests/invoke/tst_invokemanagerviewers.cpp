// Viewers from the invoker's and the viewer's side: the platform calls of a viewer invocation and
// of relays, the window group a relay goes to, the release of every handle on every way out, and
// how the answer to a relay finishes its reply.
#include <qz/system/InvokeManager>
#include <qz/system/InvokeViewerMessageReply>

#include "recordingbackend.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

using Names = QList<QByteArray>;

const QByteArray Prefix = QByteArrayLiteral("navigator_invoke_");
constexpr int RelayResultCode = 25;

// How the application was started, as the environment says.
enum class Role { App, Viewer };

void setRole(Role role, const QByteArray &winId = {})
{
    if (role == Role::Viewer) {
        qputenv("uri", "invoke://localhost");
        qputenv("MODE", "view");
    } else {
        qunsetenv("uri");
        qunsetenv("MODE");
    }
    if (winId.isNull())
        qunsetenv("WINID");
    else
        qputenv("WINID", winId);
}

InvokeViewerMessage message(const QString &windowId, const QString &id, const QString &data)
{
    InvokeViewerMessage m;
    m.setWindowId(windowId);
    m.setId(id);
    m.setName(QStringLiteral("page"));
    m.setData(data);
    return m;
}

} // namespace

class tst_InvokeManagerViewers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void invokeViewer_data();
    void invokeViewer();
    void invokeViewerFailureReleasesEverything_data();
    void invokeViewerFailureReleasesEverything();
    void send_data();
    void send();
    void replyCloseAndCloseRequest_data();
    void replyCloseAndCloseRequest();
    void relayAnswer_data();
    void relayAnswer();
    void relayAnswerIsTakenOnceAndOnlyByItsReply();

private:
    // The navigator_invoke_* calls recorded so far, without the prefix.
    Names invokeCalls() const;

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
};

void tst_InvokeManagerViewers::init()
{
    setRole(Role::App);
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_backend->clear();
}

void tst_InvokeManagerViewers::cleanup()
{
    m_manager.reset();
    m_backend.reset();
    setRole(Role::App);
}

Names tst_InvokeManagerViewers::invokeCalls() const
{
    Names names;
    for (const QByteArray &name : m_backend->callNames()) {
        if (name.startsWith(Prefix))
            names.append(name.mid(Prefix.size()));
    }
    return names;
}

void tst_InvokeManagerViewers::invokeViewer_data()
{
    QTest::addColumn<QString>("windowId");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<Names>("viewerCalls");

    const Names head = {"invocation_create",        "viewer_create",
                        "invocation_set_id",        "invocation_set_target_type_mask",
                        "invocation_set_perimeter", "invocation_set_file_transfer_mode",
                        "invocation_set_list_id",   "invocation_set_target_type_mask"};
    QTest::newRow("window and size")
        << QStringLiteral("wg-1") << QSize(800, 600)
        << head + Names{"viewer_set_window_id", "viewer_set_width", "viewer_set_height",
                        "viewer_send", "viewer_destroy"};
    QTest::newRow("zero width sends no size")
        << QStringLiteral("wg-1") << QSize(0, 600)
        << head + Names{"viewer_set_window_id", "viewer_send", "viewer_destroy"};
    QTest::newRow("no window, no size")
        << QString() << QSize() << head + Names{"viewer_send", "viewer_destroy"};
}

void tst_InvokeManagerViewers::invokeViewer()
{
    QFETCH(QString, windowId);
    QFETCH(QSize, size);
    QFETCH(Names, viewerCalls);

    InvokeViewerRequest request;
    request.setTargetTypes(InvokeTarget::Card);
    request.setWindowId(windowId);
    request.setWindowSize(size);
    InvokeTargetReply *reply = m_manager->invoke(request);
    QVERIFY(reply);
    QCOMPARE(reply->parent(), m_manager.get());
    QCOMPARE(invokeCalls(), viewerCalls);

    // The request's own target types are set first, then replaced by 0.
    const QList<QVariantList> masks =
        m_backend->argumentsOf("navigator_invoke_invocation_set_target_type_mask");
    QCOMPARE(masks.size(), 2);
    QCOMPARE(masks.at(0).at(1).toInt(), 2);
    QCOMPARE(masks.at(1).at(1).toInt(), 0);

    // The viewer travels with what was set on it and on its invocation, nothing else.
    const QVariantList send = m_backend->argumentsOf("navigator_invoke_viewer_send").first();
    const QVariantMap content = send.at(1).toMap();
    const QVariantMap invocation = content.value(QStringLiteral("invocation")).toMap();
    QCOMPARE(invocation.value(QStringLiteral("id")).toString(),
             QString::number(quintptr(reply), 16));
    QCOMPARE(invocation.value(QStringLiteral("target_type_mask")), QVariant(0));
    QCOMPARE(content.value(QStringLiteral("window_id")).toString(), windowId);
    QCOMPARE(content.contains(QStringLiteral("window_id")), !windowId.isEmpty());
    const bool sized = size.width() > 0 && size.height() > 0;
    QCOMPARE(content.contains(QStringLiteral("width")), sized);
    QCOMPARE(content.contains(QStringLiteral("height")), sized);
    if (sized) {
        QCOMPARE(content.value(QStringLiteral("width")).toInt(), size.width());
        QCOMPARE(content.value(QStringLiteral("height")).toInt(), size.height());
    }
    // Every call on the viewer names the same handle, the one that was sent and destroyed.
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_viewer_destroy").first().first(),
             send.first());
}

void tst_InvokeManagerViewers::invokeViewerFailureReleasesEverything_data()
{
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<QByteArray>("release");

    QTest::newRow("invocation_create") << QByteArray("invocation_create") << QByteArray();
    QTest::newRow("viewer_create")
        << QByteArray("viewer_create") << QByteArray("invocation_destroy");
    for (const char *name :
         {"invocation_set_id", "invocation_set_target", "invocation_set_target_type_mask",
          "invocation_set_data", "invocation_set_list_id", "viewer_set_window_id",
          "viewer_set_width", "viewer_set_height", "viewer_send"})
        QTest::newRow(name) << QByteArray(name) << QByteArray("viewer_destroy");
}

void tst_InvokeManagerViewers::invokeViewerFailureReleasesEverything()
{
    QFETCH(QByteArray, failing);
    QFETCH(QByteArray, release);

    InvokeViewerRequest request;
    request.setTarget(QStringLiteral("viewer.target"));
    request.setData("payload");
    request.setWindowId(QStringLiteral("wg"));
    request.setWindowSize(QSize(10, 20));

    m_backend->failCall(Prefix + failing);
    QCOMPARE(m_manager->invoke(request), nullptr);
    QVERIFY(m_manager->findChildren<QObject *>().isEmpty());

    const Names calls = invokeCalls();
    QCOMPARE(calls.count(failing), 1);
    // The failed call is followed only by the release of what was made; a viewer takes its
    // invocation with it, so the invocation is released on its own only when no viewer exists.
    const Names expectedTail = release.isEmpty() ? Names{failing} : Names{failing, release};
    QCOMPARE(calls.mid(calls.lastIndexOf(failing)), expectedTail);
    QCOMPARE(calls.count("viewer_destroy") + calls.count("invocation_destroy"),
             release.isEmpty() ? 0 : 1);
}

void tst_InvokeManagerViewers::send_data()
{
    QTest::addColumn<int>("role");
    QTest::addColumn<InvokeViewerMessage>("message");
    QTest::addColumn<bool>("relayFails");
    QTest::addColumn<QVariantList>("relayArgs"); // empty: no relay at all
    QTest::addColumn<bool>("sent");
    QTest::addColumn<bool>("replied");

    const InvokeViewerMessage full =
        message(QStringLiteral("wg-7"), QStringLiteral("m\u00e9-1"), QStringLiteral("d\u00e9"));
    const QVariantList fullArgs = {QStringLiteral("wg-7"), QStringLiteral("page"),
                                   QStringLiteral("d\u00e9"), QStringLiteral("m\u00e9-1"), false};

    QTest::newRow("app names the window")
        << int(Role::App) << full << false << fullArgs << true << true;
    QTest::newRow("viewer names the window")
        << int(Role::Viewer) << full << false << fullArgs << true << true;
    QTest::newRow("viewer falls back to WINID")
        << int(Role::Viewer) << message({}, QStringLiteral("m"), {}) << false
        << QVariantList{QStringLiteral("wg-env"), QStringLiteral("page"), QVariant(),
                        QStringLiteral("m"), false}
        << true << true;
    QTest::newRow("app without a window") << int(Role::App) << message({}, QStringLiteral("m"), {})
                                          << false << QVariantList() << false << false;
    QTest::newRow("no id: sent, no reply")
        << int(Role::App) << message(QStringLiteral("wg"), {}, QStringLiteral("x")) << false
        << QVariantList{QStringLiteral("wg"), QStringLiteral("page"), QStringLiteral("x"),
                        QVariant(), false}
        << true << false;
    QTest::newRow("relay refused") << int(Role::App) << full << true << fullArgs << false << false;
}

void tst_InvokeManagerViewers::send()
{
    QFETCH(int, role);
    QFETCH(InvokeViewerMessage, message);
    QFETCH(bool, relayFails);
    QFETCH(QVariantList, relayArgs);
    QFETCH(bool, sent);
    QFETCH(bool, replied);

    setRole(Role(role), "wg-env");
    if (relayFails)
        m_backend->failCall("navigator_invoke_viewer_relay");
    // Warned on each of the two sends below.
    for (int i = 0; relayArgs.isEmpty() && i < 2; ++i)
        QTest::ignoreMessage(QtWarningMsg,
                             "Cannot send relay: caller is app, window group is empty.");

    bool flag = !sent;
    InvokeViewerMessageReply *reply = m_manager->send(message, &flag);
    QCOMPARE(flag, sent);
    QCOMPARE(reply != nullptr, replied);
    QCOMPARE(m_manager->findChildren<QObject *>().size(), replied ? 1 : 0);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_viewer_relay"),
             relayArgs.isEmpty() ? QList<QVariantList>() : QList<QVariantList>{relayArgs});
    if (reply) {
        QCOMPARE(reply->parent(), m_manager.get());
        QVERIFY(!reply->isFinished());
        QCOMPARE(reply->id(), message.id());
        QCOMPARE(reply->name(), message.name());
        // The message's own window id, not the one the relay fell back to.
        QCOMPARE(reply->windowId(), message.windowId());
    }
    // The flag is optional.
    QCOMPARE(m_manager->send(message, nullptr) != nullptr, replied);
}

void tst_InvokeManagerViewers::replyCloseAndCloseRequest_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("role");
    QTest::addColumn<bool>("platformFails");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariantList>("args"); // empty: the platform is not called
    QTest::addColumn<bool>("result");

    const QVariantList answer = {QStringLiteral("wg"), QStringLiteral("page"), QStringLiteral("ok"),
                                 QStringLiteral("q1"), true};
    const QVariantList closeRequest = {QStringLiteral("wg-env"),
                                       QStringLiteral("viewerCloseRequest"), QVariant(), QVariant(),
                                       false};

    QTest::newRow("reply") << "reply" << int(Role::App) << false
                           << QByteArray("navigator_invoke_viewer_relay") << answer << true;
    QTest::newRow("reply refused")
        << "reply" << int(Role::App) << true << QByteArray("navigator_invoke_viewer_relay")
        << answer << false;
    QTest::newRow("reply without id")
        << "reply-no-id" << int(Role::App) << false << QByteArray("navigator_invoke_viewer_relay")
        << QVariantList() << false;
    QTest::newRow("reply without data")
        << "reply-no-data" << int(Role::App) << false << QByteArray("navigator_invoke_viewer_relay")
        << QVariantList{QStringLiteral("wg"), QStringLiteral("page"), QVariant(),
                        QStringLiteral("q1"), true}
        << true;
    QTest::newRow("closeViewer") << "close" << int(Role::App) << false
                                 << QByteArray("navigator_invoke_close_viewer")
                                 << QVariantList{QStringLiteral("wg-9")} << true;
    QTest::newRow("closeViewer refused")
        << "close" << int(Role::App) << true << QByteArray("navigator_invoke_close_viewer")
        << QVariantList{QStringLiteral("wg-9")} << false;
    QTest::newRow("close request as viewer")
        << "request-close" << int(Role::Viewer) << false
        << QByteArray("navigator_invoke_viewer_relay") << closeRequest << true;
    QTest::newRow("close request refused")
        << "request-close" << int(Role::Viewer) << true
        << QByteArray("navigator_invoke_viewer_relay") << closeRequest << false;
    QTest::newRow("close request as app")
        << "request-close" << int(Role::App) << false << QByteArray("navigator_invoke_viewer_relay")
        << QVariantList() << false;
}

void tst_InvokeManagerViewers::replyCloseAndCloseRequest()
{
    QFETCH(QString, operation);
    QFETCH(int, role);
    QFETCH(bool, platformFails);
    QFETCH(QByteArray, call);
    QFETCH(QVariantList, args);
    QFETCH(bool, result);

    setRole(Role(role), "wg-env");
    if (platformFails)
        m_backend->failCall(call);

    bool done = !result;
    if (operation.startsWith(QLatin1String("reply"))) {
        const QString id =
            operation == QLatin1String("reply-no-id") ? QString() : QStringLiteral("q1");
        const QString data =
            operation == QLatin1String("reply-no-data") ? QString() : QStringLiteral("ok");
        done = m_manager->reply(message(QStringLiteral("wg"), id, data));
    } else if (operation == QLatin1String("close")) {
        done = m_manager->closeViewer(QStringLiteral("wg-9"));
    } else {
        if (args.isEmpty())
            QTest::ignoreMessage(QtWarningMsg,
                                 "Cannot send relay: caller is app, window group is empty.");
        done = m_manager->viewerRequestClose();
    }
    QCOMPARE(done, result);
    QCOMPARE(m_backend->argumentsOf(call),
             args.isEmpty() ? QList<QVariantList>() : QList<QVariantList>{args});
    QVERIFY(m_manager->findChildren<QObject *>().isEmpty());
}

void tst_InvokeManagerViewers::relayAnswer_data()
{
    QTest::addColumn<QVariant>("err");
    QTest::addColumn<QVariant>("answeredName");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("name");

    QTest::newRow("taken") << QVariant() << QVariant(QStringLiteral("page-2")) << 0
                           << QStringLiteral("page-2");
    QTest::newRow("empty error, empty name keeps the sent one")
        << QVariant(QString()) << QVariant(QString()) << 0 << QStringLiteral("page");
    QTest::newRow("invalid window")
        << QVariant(QStringLiteral("INVALID_WINDOW_ID")) << QVariant()
        << int(InvokeViewerMessageReplyError::InvalidWindowId) << QStringLiteral("page");
    QTest::newRow("invalid message")
        << QVariant(QStringLiteral("INVALID_MESSAGE")) << QVariant(QStringLiteral("page"))
        << int(InvokeViewerMessageReplyError::InvalidMessage) << QStringLiteral("page");
    QTest::newRow("unknown text") << QVariant(QStringLiteral("INVALID_MESSAGE_X")) << QVariant()
                                  << int(InvokeViewerMessageReplyError::Internal)
                                  << QStringLiteral("page");
}

void tst_InvokeManagerViewers::relayAnswer()
{
    QFETCH(QVariant, err);
    QFETCH(QVariant, answeredName);
    QFETCH(int, error);
    QFETCH(QString, name);

    InvokeViewerMessageReply *reply =
        m_manager->send(message(QStringLiteral("wg"), QStringLiteral("q\u00e9"), {}));
    QVERIFY(reply);
    QSignalSpy finished(reply, &InvokeViewerMessageReply::finished);

    QVariantHash fields = {{QStringLiteral("id"), QStringLiteral("q\u00e9")},
                           {QStringLiteral("viewer_relay_window_id"), QStringLiteral("wg-2")},
                           {QStringLiteral("viewer_relay_data"), QStringLiteral("answer")}};
    if (err.isValid())
        fields.insert(QStringLiteral("err"), err);
    if (answeredName.isValid())
        fields.insert(QStringLiteral("viewer_relay_message_name"), answeredName);
    RecordingBackend::postEvent(Service::Navigator, RelayResultCode, fields);

    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(reply->isFinished());
    QCOMPARE(int(reply->error()), error);
    QCOMPARE(reply->name(), name);
    QCOMPARE(reply->id(), QStringLiteral("q\u00e9"));
    QCOMPARE(reply->windowId(), QStringLiteral("wg-2"));
    QCOMPARE(reply->data(), QStringLiteral("answer"));
}

void tst_InvokeManagerViewers::relayAnswerIsTakenOnceAndOnlyByItsReply()
{
    InvokeViewerMessageReply *first =
        m_manager->send(message(QStringLiteral("wg"), QStringLiteral("a"), {}));
    InvokeViewerMessageReply *second =
        m_manager->send(message(QStringLiteral("wg"), QStringLiteral("b"), {}));
    QVERIFY(first && second);
    QSignalSpy firstFinished(first, &InvokeViewerMessageReply::finished);
    // Deleting a reply from its own finished() must be safe.
    QPointer<InvokeViewerMessageReply> watched(second);
    connect(second, &InvokeViewerMessageReply::finished, second, [second] { delete second; });

    auto answer = [](const QVariant &id, const QString &data, int code = RelayResultCode) {
        QVariantHash fields = {{QStringLiteral("viewer_relay_data"), data}};
        if (id.isValid())
            fields.insert(QStringLiteral("id"), id);
        RecordingBackend::postEvent(Service::Navigator, code, fields);
    };
    answer(QStringLiteral("a"), QStringLiteral("other code"), 20);
    answer(QStringLiteral("A"), QStringLiteral("other id"));
    answer(QVariant(), QStringLiteral("no id"));
    answer(QStringLiteral("a"), QStringLiteral("first answer"));
    answer(QStringLiteral("a"), QStringLiteral("second answer"));
    // Events are handled in order: once the last one has been, all of them have.
    answer(QStringLiteral("b"), QStringLiteral("marker"));

    QTRY_VERIFY(watched.isNull());
    QCOMPARE(firstFinished.size(), 1);
    QCOMPARE(first->data(), QStringLiteral("first answer"));
}

QTEST_GUILESS_MAIN(tst_InvokeManagerViewers)
#include "tst_invokemanagerviewers.moc"
