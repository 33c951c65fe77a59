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
    void requestCopiesAreIndependent();
    void requestAssignmentCopiesEveryField();
    void setUriFromText_data();
    void setUriFromText();
    void cardDoneMessageCopiesAreIndependent();
    void viewerTypesDefaultToEmpty();
    void viewerRequestCopiesAreIndependent();
    void viewerRequestAssignmentCopiesEveryField();
    void viewerRequestCopiedIntoARequestKeepsTheInvocation();
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
}

void tst_InvokeValueTypes::requestCopiesAreIndependent()
{
    const InvokeRequest original = fullRequest();
    InvokeRequest copy(original);
    compareRequests(copy, original);

    copy.setTarget(QStringLiteral("other"));
    copy.setAction(QStringLiteral("other.action"));
    copy.setMimeType(QStringLiteral("image/png"));
    copy.setUri(QUrl(QStringLiteral("http://example.com/")));
    copy.setData(QByteArrayLiteral("changed"));
    copy.setMetadata({});
    copy.setPerimeter(SecurityPerimeter::Personal);
    copy.setFileTransferMode(FileTransferMode::Link);
    copy.setTargetTypes(InvokeTarget::Application);
    copy.setListId(9);

    compareRequests(original, fullRequest());
}

void tst_InvokeValueTypes::requestAssignmentCopiesEveryField()
{
    InvokeRequest assigned;
    {
        const InvokeRequest source = fullRequest();
        assigned = source;
    }
    compareRequests(assigned, fullRequest());

    InvokeRequest other = assigned;
    other.setListId(1);
    QCOMPARE(assigned.listId(), 7);

    assigned = assigned;
    compareRequests(assigned, fullRequest());
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

void tst_InvokeValueTypes::cardDoneMessageCopiesAreIndependent()
{
    CardDoneMessage original;
    original.setReason(QStringLiteral("save"));
    original.setDataType(QStringLiteral("text/plain"));
    original.setData(QStringLiteral("result"));

    CardDoneMessage copy = original;
    copy.setReason(QStringLiteral("cancel"));
    copy.setData(QString());
    QCOMPARE(original.reason(), QStringLiteral("save"));
    QCOMPARE(original.dataType(), QStringLiteral("text/plain"));
    QCOMPARE(original.data(), QStringLiteral("result"));

    CardDoneMessage assigned;
    assigned = original;
    QCOMPARE(assigned.reason(), QStringLiteral("save"));
    QCOMPARE(assigned.dataType(), QStringLiteral("text/plain"));
    QCOMPARE(assigned.data(), QStringLiteral("result"));
}

void tst_InvokeValueTypes::viewerTypesDefaultToEmpty()
{
    const InvokeViewerRequest request;
    compareRequests(request, InvokeRequest());
    QVERIFY(request.windowId().isEmpty());
    QVERIFY(!request.windowSize().isValid());
    QCOMPARE(request.windowSize(), QSize(-1, -1));

    const InvokeViewerMessage message;
    for (const ViewerMessageField &field : ViewerMessageFields)
        QVERIFY((message.*field.get)().isEmpty());
}

void tst_InvokeValueTypes::viewerRequestCopiesAreIndependent()
{
    const InvokeViewerRequest original = fullViewerRequest();
    InvokeViewerRequest copy(original);
    compareViewerRequests(copy, original);

    copy.setTarget(QStringLiteral("other"));
    copy.setMetadata({});
    copy.setListId(9);
    copy.setWindowId(QStringLiteral("other-group"));
    copy.setWindowSize(QSize(1, 2));

    compareViewerRequests(original, fullViewerRequest());
}

void tst_InvokeValueTypes::viewerRequestAssignmentCopiesEveryField()
{
    InvokeViewerRequest assigned;
    {
        const InvokeViewerRequest source = fullViewerRequest();
        assigned = source;
    }
    compareViewerRequests(assigned, fullViewerRequest());

    InvokeViewerRequest other;
    other = assigned;
    other.setWindowSize(QSize(0, 600));
    other.setAction(QStringLiteral("changed"));
    compareViewerRequests(assigned, fullViewerRequest());

    assigned = assigned;
    compareViewerRequests(assigned, fullViewerRequest());
}

void tst_InvokeValueTypes::viewerRequestCopiedIntoARequestKeepsTheInvocation()
{
    const InvokeViewerRequest viewer = fullViewerRequest();
    InvokeRequest request = viewer;
    compareRequests(request, fullRequest());
    request.setTarget(QStringLiteral("other"));
    QCOMPARE(viewer.target(), fullRequest().target());
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
