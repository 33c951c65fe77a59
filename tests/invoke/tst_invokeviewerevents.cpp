// What the invoke manager makes of the navigator's viewer events: a viewer invocation becomes
// invoked(InvokeViewerRequest), a relay becomes received() or, for the reserved close request,
// viewerCloseRequestReceived().
#include <qz/system/InvokeManager>

#include "navigatorprobe.h"
#include "recordingbackend.h"

#include <QTest>

using namespace qz::system;

namespace {

const QByteArray ViewerInvoked = "invoked(qz::system::InvokeViewerRequest)";
// The same request again, in the overload that QML sees.
const QByteArray InvokedForQml = "invoked(QVariant)";
const QByteArray Received = "received(qz::system::InvokeViewerMessage)";
const QByteArray CloseRequestReceived = "viewerCloseRequestReceived(QString)";

constexpr int ViewerInvokedCode = 18;
constexpr int RelayCode = 21;

QVariantMap viewerField(const QVariantMap &invocation, const QVariant &windowId,
                        const QVariant &width, const QVariant &height)
{
    QVariantMap viewer;
    if (!invocation.isEmpty())
        viewer.insert(QStringLiteral("invocation"), invocation);
    for (const auto &[key, value] :
         {std::pair{QStringLiteral("window_id"), windowId},
          std::pair{QStringLiteral("width"), width}, std::pair{QStringLiteral("height"), height}}) {
        if (value.isValid())
            viewer.insert(key, value);
    }
    return viewer;
}

} // namespace

class tst_InvokeViewerEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void signalsAreDeclaredInOrder();
    void viewerInvokedReadsTheWholeViewer();
    void viewerInvokedWindowSize_data();
    void viewerInvokedWindowSize();
    void viewerInvokedWithoutViewerIsEmpty();
    void relay_data();
    void relay();

private:
    bool deliver(int code, const QVariantHash &fields = {});
    InvokeViewerRequest viewerRequest() const;

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
    std::unique_ptr<SignalRecorder> m_signals;
    Emitted m_emitted;
};

void tst_InvokeViewerEvents::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_signals = std::make_unique<SignalRecorder>(m_manager.get());
}

void tst_InvokeViewerEvents::cleanup()
{
    m_signals.reset();
    m_manager.reset();
    m_backend.reset();
}

bool tst_InvokeViewerEvents::deliver(int code, const QVariantHash &fields)
{
    return deliverNavigatorEvent(*m_signals, code, fields, &m_emitted);
}

InvokeViewerRequest tst_InvokeViewerEvents::viewerRequest() const
{
    return m_signals->arguments(ViewerInvoked).value(0).value(0).value<InvokeViewerRequest>();
}

void tst_InvokeViewerEvents::signalsAreDeclaredInOrder()
{
    // Applications and queued connections address signals by their index; the order is fixed.
    const QList<QByteArray> expected = {
        "invoked(qz::system::InvokeRequest)",
        "listItemSelected(int,qz::system::InvokeListCursorDirection::Type)",
        "listCursorMoved(int,qz::system::InvokeListCursorDirection::Type)",
        "listItemSelectedFromCursor(int)",
        ViewerInvoked,
        Received,
        CloseRequestReceived,
        "viewerClosed(QString)",
        "childPeekStarted(qz::system::CardPeek::Type)",
        "peekStarted(qz::system::CardPeek::Type)",
        "childPeekEnded()",
        "peekEnded()",
        "cardReadyCheck()",
        "cardPeekStarted(qz::system::CardPeek::Type)",
        "cardPeekEnded()",
        "cardResizeRequested(qz::system::CardResizeMessage)",
        "cardPooled(qz::system::CardDoneMessage)",
        "childCardDone(qz::system::CardDoneMessage)",
        InvokedForQml,
    };
    QList<QByteArray> declared;
    const QMetaObject &meta = InvokeManager::staticMetaObject;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        if (meta.method(i).methodType() == QMetaMethod::Signal)
            declared.append(meta.method(i).methodSignature());
    }
    QCOMPARE(declared, expected);
}

void tst_InvokeViewerEvents::viewerInvokedReadsTheWholeViewer()
{
    const QVariantMap invocation = {
        {QStringLiteral("target"), QStringLiteral("com.example.vi\u00e9wer")},
        {QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
        {QStringLiteral("type"), QStringLiteral("image/png")},
        {QStringLiteral("uri"), QStringLiteral("file:///tmp/a%20b.png")},
        {QStringLiteral("data"), QByteArray("\x00\xffpng", 5)},
        {QStringLiteral("metadata"), QStringLiteral("{\"zoom\":2,\"tags\":[\"a\"]}")},
        {QStringLiteral("perimeter"), 1},
        {QStringLiteral("file_transfer_mode"), 2},
        {QStringLiteral("list_id"), 12},
        // Never read back: a received request names no target types.
        {QStringLiteral("target_type_mask"), 4},
    };
    // The event's own invocation field belongs to plain invocations; a viewer's is inside it.
    const QVariantMap decoy = {{QStringLiteral("action"), QStringLiteral("decoy")}};
    QVERIFY(deliver(ViewerInvokedCode,
                    {{QStringLiteral("viewer"),
                      viewerField(invocation, QStringLiteral("group-\u00e9"), 640, 480)},
                     {QStringLiteral("invocation"), decoy},
                     {QStringLiteral("group_id"), 4321},
                     {QStringLiteral("dname"), QStringLiteral("invoker.\u00e9")}}));
    QCOMPARE(m_emitted, (Emitted{{ViewerInvoked, 1}, {InvokedForQml, 1}}));

    const InvokeViewerRequest request = viewerRequest();
    QCOMPARE(request.target(), QStringLiteral("com.example.vi\u00e9wer"));
    QCOMPARE(request.action(), QStringLiteral("qz.action.VIEW"));
    QCOMPARE(request.mimeType(), QStringLiteral("image/png"));
    QCOMPARE(request.uri(), QUrl::fromLocalFile(QStringLiteral("/tmp/a b.png")));
    QCOMPARE(request.data(), QByteArray("\x00\xffpng", 5));
    QCOMPARE(request.metadata(),
             (QVariantMap{{QStringLiteral("zoom"), 2},
                          {QStringLiteral("tags"), QVariantList{QStringLiteral("a")}}}));
    QCOMPARE(request.perimeter(), SecurityPerimeter::Personal);
    QCOMPARE(request.fileTransferMode(), FileTransferMode::CopyReadOnly);
    QCOMPARE(request.listId(), 12);
    QCOMPARE(int(request.targetTypes()), 0);
    QCOMPARE(request.source().groupId(), 4321);
    QCOMPARE(request.source().installId(), QStringLiteral("invoker.\u00e9"));
    QCOMPARE(request.windowId(), QStringLiteral("group-\u00e9"));
    QCOMPARE(request.windowSize(), QSize(640, 480));
    QCOMPARE(m_signals->arguments(InvokedForQml)
                 .value(0)
                 .value(0)
                 .value<InvokeViewerRequest>()
                 .windowId(),
             request.windowId());
}

void tst_InvokeViewerEvents::viewerInvokedWindowSize_data()
{
    QTest::addColumn<QVariant>("width");
    QTest::addColumn<QVariant>("height");
    QTest::addColumn<QSize>("expected");

    const QVariant absent;
    QTest::newRow("both") << QVariant(800) << QVariant(600) << QSize(800, 600);
    QTest::newRow("zero width") << QVariant(0) << QVariant(600) << QSize(0, 600);
    QTest::newRow("zero by zero") << QVariant(0) << QVariant(0) << QSize(0, 0);
    QTest::newRow("width only") << QVariant(320) << absent << QSize(320, -1);
    QTest::newRow("height only") << absent << QVariant(240) << QSize(-1, 240);
    QTest::newRow("absent") << absent << absent << QSize();
}

void tst_InvokeViewerEvents::viewerInvokedWindowSize()
{
    QFETCH(QVariant, width);
    QFETCH(QVariant, height);
    QFETCH(QSize, expected);

    QVERIFY(deliver(
        ViewerInvokedCode,
        {{QStringLiteral("viewer"), viewerField({{QStringLiteral("action"), QStringLiteral("a")}},
                                                QStringLiteral("w"), width, height)}}));
    QCOMPARE(m_emitted, (Emitted{{ViewerInvoked, 1}, {InvokedForQml, 1}}));
    QCOMPARE(viewerRequest().windowSize(), expected);
    QCOMPARE(viewerRequest().windowId(), QStringLiteral("w"));
    QCOMPARE(viewerRequest().action(), QStringLiteral("a"));
}

void tst_InvokeViewerEvents::viewerInvokedWithoutViewerIsEmpty()
{
    for (const QVariantHash &fields :
         {QVariantHash{}, QVariantHash{{QStringLiteral("viewer"), QVariantMap{}}}}) {
        QVERIFY(deliver(ViewerInvokedCode, fields));
        QCOMPARE(m_emitted, (Emitted{{ViewerInvoked, 1}, {InvokedForQml, 1}}));
        const InvokeViewerRequest request = viewerRequest();
        QVERIFY(request.target().isEmpty());
        QVERIFY(request.action().isEmpty());
        QVERIFY(request.uri().isEmpty());
        QVERIFY(request.data().isEmpty());
        QVERIFY(request.metadata().isEmpty());
        QCOMPARE(request.listId(), 0);
        QVERIFY(request.windowId().isEmpty());
        QVERIFY(!request.windowSize().isValid());
    }
}

void tst_InvokeViewerEvents::relay_data()
{
    QTest::addColumn<QVariantHash>("fields");
    QTest::addColumn<QByteArray>("signal");
    // windowId, id, name, data of the message; only the window id for a close request.
    QTest::addColumn<QStringList>("expected");

    const auto relay = [](const char *name, const char *windowId, const char *id,
                          const char *data) {
        QVariantHash fields;
        const std::pair<const char *, const char *> values[] = {
            {"viewer_relay_message_name", name},
            {"viewer_relay_window_id", windowId},
            {"id", id},
            {"viewer_relay_data", data},
        };
        for (const auto &[key, value] : values) {
            if (value)
                fields.insert(QLatin1String(key), QString::fromUtf8(value));
        }
        return fields;
    };

    QTest::newRow("message") << relay("zoom", "group-\xc3\xa9", "42",
                                      "{\"level\":\"h\xc3\xb6her\"}")
                             << Received
                             << QStringList{QStringLiteral("group-\u00e9"), QStringLiteral("42"),
                                            QStringLiteral("zoom"),
                                            QStringLiteral("{\"level\":\"h\u00f6her\"}")};
    // The id travels as UTF-8 like every other text; read otherwise it would not match the
    // sender's id when the application answers.
    QTest::newRow("non-ascii id") << relay("zoom", "g", "r\xc3\xa9q-1", nullptr) << Received
                                  << QStringList{QStringLiteral("g"), QStringLiteral("r\u00e9q-1"),
                                                 QStringLiteral("zoom"), QString()};
    QTest::newRow("no id, no data")
        << relay("notify", "g", nullptr, nullptr) << Received
        << QStringList{QStringLiteral("g"), QString(), QStringLiteral("notify"), QString()};
    QTest::newRow("nothing") << relay(nullptr, nullptr, nullptr, nullptr) << Received
                             << QStringList{QString(), QString(), QString(), QString()};
    QTest::newRow("close request")
        << relay("viewerCloseRequest", "group-\xc3\xa9", "7", "ignored") << CloseRequestReceived
        << QStringList{QStringLiteral("group-\u00e9")};
    QTest::newRow("close request without window")
        << relay("viewerCloseRequest", nullptr, nullptr, nullptr) << CloseRequestReceived
        << QStringList{QString()};
    // Only the exact reserved name closes.
    QTest::newRow("close request, other case")
        << relay("ViewerCloseRequest", "g", nullptr, nullptr) << Received
        << QStringList{QStringLiteral("g"), QString(), QStringLiteral("ViewerCloseRequest"),
                       QString()};
    QTest::newRow("close request, longer")
        << relay("viewerCloseRequest2", "g", nullptr, nullptr) << Received
        << QStringList{QStringLiteral("g"), QString(), QStringLiteral("viewerCloseRequest2"),
                       QString()};
}

void tst_InvokeViewerEvents::relay()
{
    QFETCH(QVariantHash, fields);
    QFETCH(QByteArray, signal);
    QFETCH(QStringList, expected);

    QVERIFY(deliver(RelayCode, fields));
    QCOMPARE(m_emitted, (Emitted{{signal, 1}}));
    const QVariantList arguments = m_signals->arguments(signal).first();
    if (signal == CloseRequestReceived) {
        QCOMPARE(arguments, QVariantList{expected.first()});
        return;
    }
    const auto message = arguments.first().value<InvokeViewerMessage>();
    QCOMPARE((QStringList{message.windowId(), message.id(), message.name(), message.data()}),
             expected);
}

QTEST_GUILESS_MAIN(tst_InvokeViewerEvents)
#include "tst_invokeviewerevents.moc"
