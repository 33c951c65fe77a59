// What the invoke manager makes of the navigator's events (invocations, list navigation,
// viewer closing, codes it does not handle), list selection and the start-up mode.
#include <qz/system/InvokeManager>

#include "navigatorprobe.h"
#include "recordingbackend.h"

#include <QTest>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

const QByteArray Invoked = "invoked(qz::system::InvokeRequest)";
// The same request again, in the overload that QML sees.
const QByteArray InvokedForQml = "invoked(QVariant)";
const QByteArray ViewerClosed = "viewerClosed(QString)";
const QByteArray ListCursorMoved =
    "listCursorMoved(int,qz::system::InvokeListCursorDirection::Type)";
const QByteArray ListItemSelected =
    "listItemSelected(int,qz::system::InvokeListCursorDirection::Type)";
const QByteArray ListItemSelectedFromCursor = "listItemSelectedFromCursor(int)";
const QByteArray CardReadyCheck = "cardReadyCheck()";

QVariant env(const char *value)
{
    return QByteArray(value);
}

} // namespace

class tst_InvokeManagerEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void managerListensFromConstruction();
    void invokedReadsTheWholeInvocation();
    void invokedPerimeterAndTransferMode_data();
    void invokedPerimeterAndTransferMode();
    void invokedMetadataThatIsNoObjectIsEmpty_data();
    void invokedMetadataThatIsNoObjectIsEmpty();
    void invokedMetadataMayBeSpreadOverLines();
    void invokedWithoutInvocationIsEmpty();
    void viewerClosed();
    void listCursorMoved_data();
    void listCursorMoved();
    void listItemSelected_data();
    void listItemSelected();
    void unhandledCodesAreIgnored();
    void selectListItem_data();
    void selectListItem();
    void selectListItemFailure();
    void startupMode_data();
    void startupMode();

private:
    bool deliver(int code, const QVariantHash &fields = {});
    InvokeRequest invokedRequest() const;

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
    std::unique_ptr<SignalRecorder> m_signals;
    Emitted m_emitted;
};

void tst_InvokeManagerEvents::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_signals = std::make_unique<SignalRecorder>(m_manager.get());
}

void tst_InvokeManagerEvents::cleanup()
{
    m_signals.reset();
    m_manager.reset();
    m_backend.reset();
}

bool tst_InvokeManagerEvents::deliver(int code, const QVariantHash &fields)
{
    return deliverNavigatorEvent(*m_signals, code, fields, &m_emitted);
}

InvokeRequest tst_InvokeManagerEvents::invokedRequest() const
{
    return m_signals->arguments(Invoked).value(0).value(0).value<InvokeRequest>();
}

void tst_InvokeManagerEvents::managerListensFromConstruction()
{
    m_backend->clear();
    InvokeManager manager;
    QCOMPARE(m_backend->callNames(), QList<QByteArray>{"navigator_request_events"});
    QCOMPARE(m_backend->argumentsOf("navigator_request_events").first(), QVariantList{0});
}

void tst_InvokeManagerEvents::invokedReadsTheWholeInvocation()
{
    const QVariantMap invocation = {
        {QStringLiteral("target"), QStringLiteral("com.example.r\u00e9ceiver")},
        {QStringLiteral("action"), QStringLiteral("qz.action.VIEW")},
        {QStringLiteral("type"), QStringLiteral("text/plain")},
        {QStringLiteral("uri"), QStringLiteral("file:///tmp/a%20b.txt")},
        {QStringLiteral("data"), QByteArray("\x00\xffraw", 5)},
        {QStringLiteral("metadata"), QStringLiteral("{\"n\":1,\"s\":\"t\"}")},
        {QStringLiteral("perimeter"), 2},
        {QStringLiteral("file_transfer_mode"), 4},
        {QStringLiteral("list_id"), 31},
        // Never read back: a received request names no target types.
        {QStringLiteral("target_type_mask"), 2},
    };
    QVERIFY(deliver(16, {{QStringLiteral("invocation"), invocation},
                         {QStringLiteral("group_id"), 1234},
                         {QStringLiteral("dname"), QStringLiteral("sender.\u00e9")}}));
    QCOMPARE(m_emitted, (Emitted{{Invoked, 1}, {InvokedForQml, 1}}));

    const InvokeRequest request = invokedRequest();
    QCOMPARE(request.target(), QStringLiteral("com.example.r\u00e9ceiver"));
    QCOMPARE(m_signals->arguments(InvokedForQml).value(0).value(0).value<InvokeRequest>().target(),
             request.target());
    QCOMPARE(request.action(), QStringLiteral("qz.action.VIEW"));
    QCOMPARE(request.mimeType(), QStringLiteral("text/plain"));
    QCOMPARE(request.uri(), QUrl::fromLocalFile(QStringLiteral("/tmp/a b.txt")));
    QCOMPARE(request.data(), QByteArray("\x00\xffraw", 5));
    QCOMPARE(request.metadata(),
             (QVariantMap{{QStringLiteral("n"), 1}, {QStringLiteral("s"), QStringLiteral("t")}}));
    QCOMPARE(request.perimeter(), SecurityPerimeter::Enterprise);
    QCOMPARE(request.fileTransferMode(), FileTransferMode::Link);
    QCOMPARE(request.listId(), 31);
    QCOMPARE(int(request.targetTypes()), 0);
    QCOMPARE(request.source().groupId(), 1234);
    QCOMPARE(request.source().installId(), QStringLiteral("sender.\u00e9"));
}

void tst_InvokeManagerEvents::invokedPerimeterAndTransferMode_data()
{
    QTest::addColumn<int>("platform");
    QTest::addColumn<SecurityPerimeter::Type>("perimeter");
    QTest::addColumn<FileTransferMode::Type>("mode");

    QTest::newRow("0") << 0 << SecurityPerimeter::Default << FileTransferMode::Unspecified;
    QTest::newRow("1") << 1 << SecurityPerimeter::Personal << FileTransferMode::Preserve;
    QTest::newRow("2") << 2 << SecurityPerimeter::Enterprise << FileTransferMode::CopyReadOnly;
    QTest::newRow("3") << 3 << SecurityPerimeter::Default << FileTransferMode::CopyReadWrite;
    QTest::newRow("4") << 4 << SecurityPerimeter::Default << FileTransferMode::Link;
    QTest::newRow("5") << 5 << SecurityPerimeter::Default << FileTransferMode::Unspecified;
    QTest::newRow("-1") << -1 << SecurityPerimeter::Default << FileTransferMode::Unspecified;
}

void tst_InvokeManagerEvents::invokedPerimeterAndTransferMode()
{
    QFETCH(int, platform);
    QFETCH(SecurityPerimeter::Type, perimeter);
    QFETCH(FileTransferMode::Type, mode);

    QVERIFY(deliver(16, {{QStringLiteral("invocation"),
                          QVariantMap{{QStringLiteral("perimeter"), platform},
                                      {QStringLiteral("file_transfer_mode"), platform}}}}));
    QCOMPARE(m_emitted, (Emitted{{Invoked, 1}, {InvokedForQml, 1}}));
    QCOMPARE(invokedRequest().perimeter(), perimeter);
    QCOMPARE(invokedRequest().fileTransferMode(), mode);
}

void tst_InvokeManagerEvents::invokedMetadataThatIsNoObjectIsEmpty_data()
{
    QTest::addColumn<QString>("metadata");

    QTest::newRow("array") << QStringLiteral("[1,2]");
    QTest::newRow("number") << QStringLiteral("5");
    QTest::newRow("not json") << QStringLiteral("{oops");
    QTest::newRow("empty") << QString();
    // A line break must not let the text pose as another attribute of the decoded line.
    QTest::newRow("second line") << QStringLiteral("1\nobjVal:json:{\"a\":1}");
}

void tst_InvokeManagerEvents::invokedMetadataThatIsNoObjectIsEmpty()
{
    QFETCH(QString, metadata);

    QVERIFY(deliver(16, {{QStringLiteral("invocation"),
                          QVariantMap{{QStringLiteral("metadata"), metadata},
                                      {QStringLiteral("action"), QStringLiteral("a")}}}}));
    QCOMPARE(m_emitted, (Emitted{{Invoked, 1}, {InvokedForQml, 1}}));
    QVERIFY(invokedRequest().metadata().isEmpty());
    QCOMPARE(invokedRequest().action(), QStringLiteral("a"));
}

void tst_InvokeManagerEvents::invokedMetadataMayBeSpreadOverLines()
{
    QVERIFY(deliver(16, {{QStringLiteral("invocation"),
                          QVariantMap{{QStringLiteral("metadata"),
                                       QStringLiteral("{\n  \"a\": 1,\r\n  \"b\": [1, 2]\n}")}}}}));
    QCOMPARE(m_emitted, (Emitted{{Invoked, 1}, {InvokedForQml, 1}}));
    const QVariantMap metadata = invokedRequest().metadata();
    QCOMPARE(metadata.keys(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(metadata.value(QStringLiteral("a")).toInt(), 1);
    QCOMPARE(metadata.value(QStringLiteral("b")).toList(), (QVariantList{1, 2}));
}

void tst_InvokeManagerEvents::invokedWithoutInvocationIsEmpty()
{
    QVERIFY(deliver(16));
    QCOMPARE(m_emitted, (Emitted{{Invoked, 1}, {InvokedForQml, 1}}));
    const InvokeRequest request = invokedRequest();
    QVERIFY(request.target().isEmpty());
    QVERIFY(request.uri().isEmpty());
    QVERIFY(request.data().isEmpty());
    QCOMPARE(request.listId(), 0);
}

void tst_InvokeManagerEvents::viewerClosed()
{
    QVERIFY(deliver(22, {{QStringLiteral("window_id"), QStringLiteral("win-\u00e9")}}));
    QCOMPARE(m_emitted, (Emitted{{ViewerClosed, 1}}));
    QCOMPARE(m_signals->arguments(ViewerClosed).first(),
             QVariantList{QStringLiteral("win-\u00e9")});
}

void tst_InvokeManagerEvents::listCursorMoved_data()
{
    QTest::addColumn<QVariant>("direction");
    QTest::addColumn<bool>("emits");
    QTest::addColumn<InvokeListCursorDirection::Type>("expected");

    QTest::newRow("1 next") << QVariant(1) << true << InvokeListCursorDirection::Next;
    QTest::newRow("2 previous") << QVariant(2) << true << InvokeListCursorDirection::Previous;
    QTest::newRow("0") << QVariant(0) << false << InvokeListCursorDirection::Next;
    QTest::newRow("3") << QVariant(3) << false << InvokeListCursorDirection::Next;
    QTest::newRow("absent") << QVariant() << false << InvokeListCursorDirection::Next;
}

void tst_InvokeManagerEvents::listCursorMoved()
{
    QFETCH(QVariant, direction);
    QFETCH(bool, emits);
    QFETCH(InvokeListCursorDirection::Type, expected);

    QVariantHash fields = {{QStringLiteral("list_id"), 77}};
    if (direction.isValid())
        fields.insert(QStringLiteral("list_cursor_direction"), direction);
    QVERIFY(deliver(43, fields));
    QCOMPARE(m_emitted, (emits ? Emitted{{ListCursorMoved, 1}} : Emitted{}));
    if (emits) {
        QCOMPARE(m_signals->arguments(ListCursorMoved).first(),
                 (QVariantList{77, QVariant::fromValue(expected)}));
    }
}

void tst_InvokeManagerEvents::listItemSelected_data()
{
    QTest::addColumn<QVariant>("selection");
    QTest::addColumn<QByteArray>("signal");
    QTest::addColumn<QVariantList>("arguments");

    const auto next = QVariant::fromValue(InvokeListCursorDirection::Next);
    const auto previous = QVariant::fromValue(InvokeListCursorDirection::Previous);
    QTest::newRow("1 next") << QVariant(1) << ListItemSelected << QVariantList{5, next};
    QTest::newRow("2 previous") << QVariant(2) << ListItemSelected << QVariantList{5, previous};
    QTest::newRow("0 cursor") << QVariant(0) << ListItemSelectedFromCursor << QVariantList{5};
    QTest::newRow("9 cursor") << QVariant(9) << ListItemSelectedFromCursor << QVariantList{5};
    QTest::newRow("absent cursor") << QVariant() << ListItemSelectedFromCursor << QVariantList{5};
}

void tst_InvokeManagerEvents::listItemSelected()
{
    QFETCH(QVariant, selection);
    QFETCH(QByteArray, signal);
    QFETCH(QVariantList, arguments);

    QVariantHash fields = {{QStringLiteral("list_id"), 5}};
    if (selection.isValid())
        fields.insert(QStringLiteral("list_item_selection"), selection);
    QVERIFY(deliver(44, fields));
    QCOMPARE(m_emitted, (Emitted{{signal, 1}}));
    QCOMPARE(m_signals->arguments(signal).first(), arguments);
}

void tst_InvokeManagerEvents::unhandledCodesAreIgnored()
{
    // Everything a test could make an event carry; none of these codes may turn it into a signal.
    const QVariantHash fields = {
        {QStringLiteral("id"), QStringLiteral("1")},
        {QStringLiteral("list_id"), 1},
        {QStringLiteral("list_item_selection"), 1},
        {QStringLiteral("list_cursor_direction"), 1},
        {QStringLiteral("card_peek_type"), 0},
        {QStringLiteral("window_id"), QStringLiteral("w")},
    };
    for (int code : {0, 1, 15, 17, 19, 20, 23, 24, 25, 29, 35, 36, 37, 41, 42, 45, 46, 100}) {
        QVERIFY(deliver(code, fields));
        QVERIFY2(m_emitted.isEmpty(), QByteArray::number(code));
    }
}

void tst_InvokeManagerEvents::selectListItem_data()
{
    QTest::addColumn<InvokeListCursorDirection::Type>("direction");
    QTest::addColumn<QVariant>("selection");

    QTest::newRow("next") << InvokeListCursorDirection::Next << QVariant(1);
    QTest::newRow("previous") << InvokeListCursorDirection::Previous << QVariant(2);
    QTest::newRow("out of range") << InvokeListCursorDirection::Type(2) << QVariant();
    QTest::newRow("negative") << InvokeListCursorDirection::Type(-1) << QVariant();
}

void tst_InvokeManagerEvents::selectListItem()
{
    QFETCH(InvokeListCursorDirection::Type, direction);
    QFETCH(QVariant, selection);

    m_backend->clear();
    QCOMPARE(m_manager->selectListItem(direction), selection.isValid());
    const QList<QVariantList> calls = m_backend->argumentsOf("navigator_invoke_select_list_item");
    QCOMPARE(calls, selection.isValid() ? QList<QVariantList>{{selection}} : QList<QVariantList>{});
}

void tst_InvokeManagerEvents::selectListItemFailure()
{
    m_backend->failCall("navigator_invoke_select_list_item");
    QVERIFY(!m_manager->selectListItem(InvokeListCursorDirection::Next));
}

void tst_InvokeManagerEvents::startupMode_data()
{
    QTest::addColumn<QVariant>("uri");
    QTest::addColumn<QVariant>("mode");
    QTest::addColumn<ApplicationStartupMode::Type>("expected");

    const QVariant invoke = env("invoke://localhost");
    const QVariant unset;
    QTest::newRow("invoked, card") << invoke << env("card") << ApplicationStartupMode::InvokeCard;
    QTest::newRow("invoked, view") << invoke << env("view") << ApplicationStartupMode::InvokeViewer;
    QTest::newRow("invoked, headless")
        << invoke << env("headless") << ApplicationStartupMode::InvokeHeadless;
    QTest::newRow("invoked, other")
        << invoke << env("Card") << ApplicationStartupMode::InvokeApplication;
    QTest::newRow("invoked, empty")
        << invoke << env("") << ApplicationStartupMode::InvokeApplication;
    QTest::newRow("invoked, unset") << invoke << unset << ApplicationStartupMode::InvokeApplication;
    QTest::newRow("unset, card") << unset << env("card")
                                 << ApplicationStartupMode::LaunchApplication;
    QTest::newRow("unset, headless")
        << unset << env("headless") << ApplicationStartupMode::LaunchHeadless;
    QTest::newRow("unset, unset") << unset << unset << ApplicationStartupMode::LaunchApplication;
    QTest::newRow("other uri, headless")
        << env("invoke://localhost/") << env("headless") << ApplicationStartupMode::LaunchHeadless;
    QTest::newRow("other uri, view")
        << env("INVOKE://localhost") << env("view") << ApplicationStartupMode::LaunchApplication;
    QTest::newRow("empty uri, headless")
        << env("") << env("headless") << ApplicationStartupMode::LaunchHeadless;
}

void tst_InvokeManagerEvents::startupMode()
{
    QFETCH(QVariant, uri);
    QFETCH(QVariant, mode);
    QFETCH(ApplicationStartupMode::Type, expected);

    const auto setOrUnset = [](const char *name, const QVariant &value) {
        if (value.isValid())
            qputenv(name, value.toByteArray());
        else
            qunsetenv(name);
    };
    setOrUnset("uri", uri);
    setOrUnset("MODE", mode);
    const ApplicationStartupMode::Type actual = m_manager->startupMode();
    qunsetenv("uri");
    qunsetenv("MODE");
    QCOMPARE(actual, expected);
    // Read on every call, not remembered.
    QCOMPARE(m_manager->startupMode(), ApplicationStartupMode::LaunchApplication);
}

QTEST_GUILESS_MAIN(tst_InvokeManagerEvents)
#include "tst_invokemanagerevents.moc"
