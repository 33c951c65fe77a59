// The invocation value types: defaults, independent copies, the URI writers.
#include <qz/system/CardDoneMessage>
#include <qz/system/CardResizeMessage>
#include <qz/system/InvokeAction>
#include <qz/system/InvokeRequest>
#include <qz/system/InvokeSource>
#include <qz/system/InvokeTarget>
#include <qz/system/InvokeViewerMessage>
#include <qz/system/InvokeViewerRequest>

#include <QTest>

using namespace qz::system;

namespace {

InvokeRequest fullRequest()
{
    InvokeRequest request;
    request.setTarget(QStringLiteral("com.example.target"));
    request.setAction(QStringLiteral("qz.action.OPEN"));
    request.setMimeType(QStringLiteral("text/plain"));
    request.setUri(QUrl(QStringLiteral("file:///tmp/a.txt")));
    request.setData(QByteArrayLiteral("payload"));
    request.setMetadata({{QStringLiteral("k"), 1}});
    request.setPerimeter(SecurityPerimeter::Enterprise);
    request.setFileTransferMode(FileTransferMode::CopyReadOnly);
    request.setTargetTypes(InvokeTarget::Card | InvokeTarget::Viewer);
    request.setListId(7);
    return request;
}

void compareRequests(const InvokeRequest &actual, const InvokeRequest &expected)
{
    QCOMPARE(actual.target(), expected.target());
    QCOMPARE(actual.action(), expected.action());
    QCOMPARE(actual.mimeType(), expected.mimeType());
    QCOMPARE(actual.uri(), expected.uri());
    QCOMPARE(actual.data(), expected.data());
    QCOMPARE(actual.metadata(), expected.metadata());
    QCOMPARE(actual.perimeter(), expected.perimeter());
    QCOMPARE(actual.fileTransferMode(), expected.fileTransferMode());
    QCOMPARE(actual.targetTypes(), expected.targetTypes());
    QCOMPARE(actual.listId(), expected.listId());
}

InvokeViewerRequest fullViewerRequest()
{
    InvokeViewerRequest request;
    static_cast<InvokeRequest &>(request) = fullRequest();
    request.setWindowId(QStringLiteral("window-group-1"));
    request.setWindowSize(QSize(640, 480));
    return request;
}

void compareViewerRequests(const InvokeViewerRequest &actual, const InvokeViewerRequest &expected)
{
    compareRequests(actual, expected);
    QCOMPARE(actual.windowId(), expected.windowId());
    QCOMPARE(actual.windowSize(), expected.windowSize());
}

void changeRequest(InvokeRequest &request)
{
    request.setTarget(QStringLiteral("other"));
    request.setAction(QStringLiteral("other.action"));
    request.setMimeType(QStringLiteral("image/png"));
    request.setUri(QUrl(QStringLiteral("http://example.com/")));
    request.setData(QByteArrayLiteral("changed"));
    request.setMetadata({});
    request.setPerimeter(SecurityPerimeter::Personal);
    request.setFileTransferMode(FileTransferMode::Link);
    request.setTargetTypes(InvokeTarget::Application);
    request.setListId(9);
}

CardDoneMessage fullDoneMessage()
{
    CardDoneMessage message;
    message.setReason(QStringLiteral("save"));
    message.setDataType(QStringLiteral("text/plain"));
    message.setData(QStringLiteral("result"));
    return message;
}

void compareDoneMessages(const CardDoneMessage &actual, const CardDoneMessage &expected)
{
    QCOMPARE(actual.reason(), expected.reason());
    QCOMPARE(actual.dataType(), expected.dataType());
    QCOMPARE(actual.data(), expected.data());
}

// Copy construction, assignment from a source that is gone by then, and self-assignment each
// carry every field; changing a copy leaves the original as it was.
template<typename T, typename Make, typename Compare, typename Change>
void checkCopies(Make make, Compare compare, Change change)
{
    const T original = make();
    T copy(original);
    compare(copy, original);
    change(copy);
    compare(original, make());

    T assigned;
    {
        const T source = make();
        assigned = source;
    }
    compare(assigned, make());
    T other;
    other = assigned;
    change(other);
    compare(assigned, make());
    assigned = assigned;
    compare(assigned, make());
}

struct ViewerMessageField
{
    QString (InvokeViewerMessage::*get)() const;
    void (InvokeViewerMessage::*set)(const QString &);
};

const ViewerMessageField ViewerMessageFields[] = {
    {&InvokeViewerMessage::windowId, &InvokeViewerMessage::setWindowId},
    {&InvokeViewerMessage::id, &InvokeViewerMessage::setId},
    {&InvokeViewerMessage::name, &InvokeViewerMessage::setName},
    {&InvokeViewerMessage::data, &InvokeViewerMessage::setData},
};

} // namespace

class tst_InvokeValueTypes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsAreEmpty();
    void copiesAreIndependent();
    void setUriFromText_data();
    void setUriFromText();
    void viewerMessageCopiesAreIndependent_data();
    void viewerMessageCopiesAreIndependent();
    void enumerationsAreRegistered();
};

void tst_InvokeValueTypes::defaultsAreEmpty()
{
    const InvokeRequest request;
    QVERIFY(request.target().isEmpty());
    QVERIFY(request.action().isEmpty());
    QVERIFY(request.mimeType().isEmpty());
    QVERIFY(request.uri().isEmpty());
    QVERIFY(request.data().isEmpty());
    QVERIFY(request.metadata().isEmpty());
    QCOMPARE(request.perimeter(), SecurityPerimeter::Default);
    QCOMPARE(request.fileTransferMode(), FileTransferMode::Unspecified);
    QCOMPARE(int(request.targetTypes()), 0);
    QCOMPARE(request.listId(), 0);
    QCOMPARE(request.source().groupId(), 0);
    QVERIFY(request.source().installId().isEmpty());

    const InvokeTarget target;
    QVERIFY(target.name().isEmpty());
    QVERIFY(target.icon().isEmpty());
    QVERIFY(target.splash().isEmpty());
    QVERIFY(target.label().isEmpty());
    QCOMPARE(target.type(), InvokeTarget::Unspecified);
    QCOMPARE(target.perimeter(), SecurityPerimeter::Default);

    const InvokeAction action;
    QVERIFY(action.name().isEmpty());
    QVERIFY(action.icon().isEmpty());
    QVERIFY(action.label().isEmpty());
    QVERIFY(action.defaultTarget().isEmpty());
    QVERIFY(action.targets().isEmpty());

    const CardResizeMessage resize;
    QVERIFY(resize.id().isEmpty());
    QCOMPARE(resize.width(), 0);
    QCOMPARE(resize.height(), 0);
    QCOMPARE(resize.upEdge(), CardEdge::Unspecified);
    QCOMPARE(resize.orientation(), CardOrientation::Unspecified);

    const CardDoneMessage done;
    QVERIFY(done.reason().isEmpty() && done.dataType().isEmpty() && done.data().isEmpty());

    const InvokeViewerRequest viewerRequest;
    compareRequests(viewerRequest, InvokeRequest());
    QVERIFY(viewerRequest.windowId().isEmpty());
    QCOMPARE(viewerRequest.windowSize(), QSize(-1, -1));

    const InvokeViewerMessage message;
    for (const ViewerMessageField &field : ViewerMessageFields)
        QVERIFY((message.*field.get)().isEmpty());
}

void tst_InvokeValueTypes::copiesAreIndependent()
{
    checkCopies<InvokeRequest>(fullRequest, compareRequests, changeRequest);
    checkCopies<InvokeViewerRequest>(fullViewerRequest, compareViewerRequests,
                                     [](InvokeViewerRequest &request) {
                                         changeRequest(request);
                                         request.setWindowId(QStringLiteral("other-group"));
                                         request.setWindowSize(QSize(0, 600));
                                     });
    checkCopies<CardDoneMessage>(fullDoneMessage, compareDoneMessages, [](CardDoneMessage &m) {
        m.setReason(QStringLiteral("cancel"));
        m.setDataType(QString());
        m.setData(QString());
    });

    // Copied into a request, a viewer request keeps the invocation and stays apart from it.
    const InvokeViewerRequest viewer = fullViewerRequest();
    InvokeRequest request = viewer;
    compareRequests(request, fullRequest());
    request.setTarget(QStringLiteral("other"));
    QCOMPARE(viewer.target(), fullRequest().target());
}

void tst_InvokeValueTypes::setUriFromText_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QUrl>("expected");

    QTest::newRow("empty") << QByteArray("") << QUrl();
    QTest::newRow("plain") << QByteArray("http://example.com/a")
                           << QUrl(QStringLiteral("http://example.com/a"));
    // Tolerant parsing repairs a stray space instead of refusing the URL.
    QTest::newRow("tolerant") << QByteArray("http://example.com/a b")
                              << QUrl(QStringLiteral("http://example.com/a%20b"));
    QTest::newRow("utf-8") << QByteArray("file:///tmp/\xc3\xa9t\xc3\xa9.txt")
                           << QUrl::fromLocalFile(QStringLiteral("/tmp/\u00e9t\u00e9.txt"));
}

void tst_InvokeValueTypes::setUriFromText()
{
    QFETCH(QByteArray, text);
    QFETCH(QUrl, expected);

    InvokeRequest fromChars;
    fromChars.setUri(text.constData());
    QCOMPARE(fromChars.uri(), expected);
    QCOMPARE(fromChars.uri().isEmpty(), text.isEmpty());

    InvokeRequest fromString;
    fromString.setUri(QString::fromUtf8(text));
    QCOMPARE(fromString.uri(), expected);
}

void tst_InvokeValueTypes::viewerMessageCopiesAreIndependent_data()
{
    QTest::addColumn<int>("field");

    QTest::newRow("windowId") << 0;
    QTest::newRow("id") << 1;
    QTest::newRow("name") << 2;
    QTest::newRow("data") << 3;
}

void tst_InvokeValueTypes::viewerMessageCopiesAreIndependent()
{
    QFETCH(int, field);
    const ViewerMessageField &changed = ViewerMessageFields[field];

    InvokeViewerMessage original;
    for (const ViewerMessageField &each : ViewerMessageFields)
        (original.*each.set)(QStringLiteral("value \u00e9 %1").arg(&each - ViewerMessageFields));
    const auto compareToOriginal = [&original](const InvokeViewerMessage &message) {
        for (const ViewerMessageField &each : ViewerMessageFields)
            QCOMPARE((message.*each.get)(), (original.*each.get)());
    };

    InvokeViewerMessage copy(original);
    compareToOriginal(copy);
    (copy.*changed.set)(QStringLiteral("changed"));
    QCOMPARE((copy.*changed.get)(), QStringLiteral("changed"));

    InvokeViewerMessage assigned;
    assigned = original;
    compareToOriginal(assigned);
    (assigned.*changed.set)(QString());
    QVERIFY((assigned.*changed.get)().isEmpty());

    // The original's field kept its value through both changes.
    QCOMPARE((original.*changed.get)(), QStringLiteral("value \u00e9 %1").arg(field));
}

void tst_InvokeValueTypes::enumerationsAreRegistered()
{
    // Signals spell these types; QML and queued connections find them through the meta-objects.
    const QMetaEnum types = QMetaEnum::fromType<InvokeTarget::Type>();
    QCOMPARE(types.keyToValue("Headless"), 64);
    QCOMPARE(QMetaEnum::fromType<InvokeTarget::Types>().isFlag(), true);
    QCOMPARE(QMetaEnum::fromType<SecurityPerimeter::Type>().keyToValue("Personal"), 2);
}

QTEST_GUILESS_MAIN(tst_InvokeValueTypes)
#include "tst_invokevaluetypes.moc"
