// Sending an InvokeRequest: the exact platform calls, in order, with their arguments; the abort
// path; the mappings of what is sent and of what comes back.
#include <qz/system/InvokeManager>

#include "recordingbackend.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

using namespace qz::system;

namespace {

const QByteArray Prefix = QByteArrayLiteral("navigator_invoke_invocation_");

QString idOf(const InvokeReply *reply)
{
    return QString::number(quintptr(reply), 16);
}

} // namespace

class tst_InvokeManagerInvoke : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void emptyRequestSendsOnlyTheMandatoryFields();
    void fullRequestSendsEverySetterInOrder();
    void failedCallAbortsAndDeletesTheReply_data();
    void failedCallAbortsAndDeletesTheReply();
    void emptyUriIsNotSent();
    void numbersToPlatform_data();
    void numbersToPlatform();
    void metadataTravelsAsJsonObjectText_data();
    void metadataTravelsAsJsonObjectText();
    void receivedMetadataDecodesBackEqual();

private:
    // The invocation calls recorded since the last invoke(), names and arguments.
    QList<RecordingBackend::Call> invocationCalls() const;
    QList<QByteArray> invocationCallNames() const;

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
};

void tst_InvokeManagerInvoke::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_backend->clear();
}

void tst_InvokeManagerInvoke::cleanup()
{
    m_manager.reset();
    m_backend.reset();
}

QList<RecordingBackend::Call> tst_InvokeManagerInvoke::invocationCalls() const
{
    QList<RecordingBackend::Call> calls;
    for (const RecordingBackend::Call &call : m_backend->calls()) {
        if (call.name.startsWith(Prefix))
            calls.append(call);
    }
    return calls;
}

QList<QByteArray> tst_InvokeManagerInvoke::invocationCallNames() const
{
    QList<QByteArray> names;
    for (const RecordingBackend::Call &call : invocationCalls())
        names.append(call.name.mid(Prefix.size()));
    return names;
}

void tst_InvokeManagerInvoke::emptyRequestSendsOnlyTheMandatoryFields()
{
    InvokeTargetReply *reply = m_manager->invoke(InvokeRequest());
    QVERIFY(reply);
    QCOMPARE(reply->parent(), m_manager.get());
    QVERIFY(!reply->isFinished());

    const QList<QByteArray> expected = {
        "create",      "set_id", "set_perimeter", "set_file_transfer_mode",
        "set_list_id", "send",   "destroy"};
    QCOMPARE(invocationCallNames(), expected);

    const QList<RecordingBackend::Call> calls = invocationCalls();
    const QVariant handle = calls.at(1).args.at(0);
    QVERIFY(handle.toULongLong() != 0);
    for (qsizetype i = 1; i < calls.size(); ++i)
        QCOMPARE(calls.at(i).args.at(0), handle);

    QCOMPARE(calls.at(1).args.at(1).toString(), idOf(reply));
    QCOMPARE(calls.at(2).args.at(1).toInt(), 0);
    QCOMPARE(calls.at(3).args.at(1).toInt(), 0);
    QCOMPARE(calls.at(4).args.at(1).toInt(), 0);
}

void tst_InvokeManagerInvoke::fullRequestSendsEverySetterInOrder()
{
    InvokeRequest request;
    request.setTarget(QStringLiteral("com.example.caf\u00e9"));
    request.setAction(QStringLiteral("qz.action.SHARE"));
    request.setMimeType(QStringLiteral("image/png"));
    request.setUri(QStringLiteral("file:///tmp/a b.png"));
    request.setData(QByteArray("\x00\x01\x02", 3));
    request.setMetadata({{QStringLiteral("k"), QStringLiteral("v")}});
    request.setPerimeter(SecurityPerimeter::Personal);
    request.setFileTransferMode(FileTransferMode::CopyReadWrite);
    request.setTargetTypes(InvokeTarget::Application | InvokeTarget::Card | InvokeTarget::Headless);
    request.setListId(42);

    InvokeTargetReply *reply = m_manager->invoke(request);
    QVERIFY(reply);

    const QList<QByteArray> expected = {"create",
                                        "set_id",
                                        "set_target",
                                        "set_target_type_mask",
                                        "set_action",
                                        "set_type",
                                        "set_uri",
                                        "set_data",
                                        "set_metadata",
                                        "set_perimeter",
                                        "set_file_transfer_mode",
                                        "set_list_id",
                                        "send",
                                        "destroy"};
    QCOMPARE(invocationCallNames(), expected);

    const QList<RecordingBackend::Call> calls = invocationCalls();
    QCOMPARE(calls.at(1).args.at(1).toString(), idOf(reply));
    QCOMPARE(calls.at(2).args.at(1).toString(), QStringLiteral("com.example.caf\u00e9"));
    QCOMPARE(calls.at(3).args.at(1).toInt(), 1 | 2 | 64);
    QCOMPARE(calls.at(4).args.at(1).toString(), QStringLiteral("qz.action.SHARE"));
    QCOMPARE(calls.at(5).args.at(1).toString(), QStringLiteral("image/png"));
    QCOMPARE(calls.at(6).args.at(1).toString(), QStringLiteral("file:///tmp/a%20b.png"));
    QCOMPARE(calls.at(7).args.at(1).toByteArray(), QByteArray("\x00\x01\x02", 3));
    QCOMPARE(calls.at(7).args.at(2).toInt(), 3);
    QCOMPARE(calls.at(8).args.at(1).toString(), QStringLiteral("{\"k\":\"v\"}"));
    QCOMPARE(calls.at(9).args.at(1).toInt(), 1);
    QCOMPARE(calls.at(10).args.at(1).toInt(), 3);
    QCOMPARE(calls.at(11).args.at(1).toInt(), 42);

    // What the navigator is handed at send is the whole invocation.
    const QVariantMap sent = calls.at(12).args.at(1).toMap();
    QCOMPARE(sent.value(QStringLiteral("id")).toString(), idOf(reply));
    QCOMPARE(sent.value(QStringLiteral("target")).toString(),
             QStringLiteral("com.example.caf\u00e9"));
    QCOMPARE(sent.value(QStringLiteral("list_id")).toInt(), 42);
}

void tst_InvokeManagerInvoke::failedCallAbortsAndDeletesTheReply_data()
{
    QTest::addColumn<QByteArray>("failing");

    for (const char *name : {"create", "set_id", "set_target", "set_target_type_mask", "set_action",
                             "set_type", "set_uri", "set_data", "set_metadata", "set_perimeter",
                             "set_file_transfer_mode", "set_list_id", "send"})
        QTest::newRow(name) << QByteArray(name);
}

void tst_InvokeManagerInvoke::failedCallAbortsAndDeletesTheReply()
{
    QFETCH(QByteArray, failing);

    InvokeRequest request;
    request.setTarget(QStringLiteral("t"));
    request.setTargetTypes(InvokeTarget::Card);
    request.setAction(QStringLiteral("a"));
    request.setMimeType(QStringLiteral("m"));
    request.setUri(QStringLiteral("http://u/"));
    request.setData("d");
    request.setMetadata({{QStringLiteral("m"), 1}});

    m_backend->failCall(Prefix + failing);
    QCOMPARE(m_manager->invoke(request), nullptr);
    QVERIFY(m_manager->findChildren<InvokeReply *>().isEmpty());

    const QList<QByteArray> names = invocationCallNames();
    QCOMPARE(names.last(), failing == "create" ? QByteArray("create") : QByteArray("destroy"));
    const qsizetype failedAt = names.indexOf(failing);
    QVERIFY(failedAt >= 0);
    // Nothing after the failed call but the release of the handle.
    QCOMPARE(names.size() - failedAt, failing == "create" ? 1 : 2);
    QCOMPARE(names.count("send"), failing == "send" ? 1 : 0);

    // The manager still works once the platform accepts again.
    m_backend->succeedCall(Prefix + failing);
    QVERIFY(m_manager->invoke(request));
}

void tst_InvokeManagerInvoke::emptyUriIsNotSent()
{
    InvokeRequest request;
    request.setUri("");
    QVERIFY(m_manager->invoke(request));
    QVERIFY(!invocationCallNames().contains("set_uri"));
    const QVariantMap sent =
        m_backend->argumentsOf("navigator_invoke_invocation_send").first().at(1).toMap();
    QVERIFY(!sent.contains(QStringLiteral("uri")));
}

void tst_InvokeManagerInvoke::numbersToPlatform_data()
{
    QTest::addColumn<bool>("perimeter"); // else the file transfer mode
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("platform");

    QTest::newRow("Default") << true << int(SecurityPerimeter::Default) << 0;
    QTest::newRow("Personal") << true << int(SecurityPerimeter::Personal) << 1;
    QTest::newRow("Enterprise") << true << int(SecurityPerimeter::Enterprise) << 2;
    QTest::newRow("perimeter out of range") << true << 7 << 0;
    QTest::newRow("perimeter negative") << true << -1 << 0;
    QTest::newRow("Unspecified") << false << int(FileTransferMode::Unspecified) << 0;
    QTest::newRow("Preserve") << false << int(FileTransferMode::Preserve) << 1;
    QTest::newRow("CopyReadOnly") << false << int(FileTransferMode::CopyReadOnly) << 2;
    QTest::newRow("CopyReadWrite") << false << int(FileTransferMode::CopyReadWrite) << 3;
    QTest::newRow("Link") << false << int(FileTransferMode::Link) << 4;
    QTest::newRow("mode out of range") << false << 5 << 0;
    QTest::newRow("mode negative") << false << -3 << 0;
}

void tst_InvokeManagerInvoke::numbersToPlatform()
{
    QFETCH(bool, perimeter);
    QFETCH(int, value);
    QFETCH(int, platform);

    InvokeRequest request;
    if (perimeter)
        request.setPerimeter(SecurityPerimeter::Type(value));
    else
        request.setFileTransferMode(FileTransferMode::Type(value));
    QVERIFY(m_manager->invoke(request));
    const QList<QVariantList> calls =
        m_backend->argumentsOf(perimeter ? "navigator_invoke_invocation_set_perimeter"
                                         : "navigator_invoke_invocation_set_file_transfer_mode");
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls.first().at(1).toInt(), platform);
}

void tst_InvokeManagerInvoke::metadataTravelsAsJsonObjectText_data()
{
    QTest::addColumn<QVariantMap>("metadata");
    QTest::addColumn<QString>("json");

    QTest::newRow("one entry") << QVariantMap{{QStringLiteral("key"), QStringLiteral("value")}}
                               << QStringLiteral("{\"key\":\"value\"}");
    QTest::newRow("nested")
        << QVariantMap{{QStringLiteral("list"),
                        QVariantList{1, QStringLiteral("two"),
                                     QVariantMap{{QStringLiteral("x"), true}}}},
                       {QStringLiteral("map"),
                        QVariantMap{{QStringLiteral("k"), QStringLiteral("v")}}}}
        << QStringLiteral("{\"list\":[1,\"two\",{\"x\":true}],\"map\":{\"k\":\"v\"}}");
    QTest::newRow("line break and quote")
        << QVariantMap{{QStringLiteral("t"), QStringLiteral("a\n\"b\"")}}
        << QStringLiteral("{\"t\":\"a\\n\\\"b\\\"\"}");
}

void tst_InvokeManagerInvoke::metadataTravelsAsJsonObjectText()
{
    QFETCH(QVariantMap, metadata);
    QFETCH(QString, json);

    InvokeRequest request;
    request.setMetadata(metadata);
    QVERIFY(m_manager->invoke(request));

    const QList<QVariantList> calls =
        m_backend->argumentsOf("navigator_invoke_invocation_set_metadata");
    QCOMPARE(calls.size(), 1);
    const QString sent = calls.first().at(1).toString();
    QCOMPARE(sent, json);
    QCOMPARE(QJsonDocument::fromJson(sent.toUtf8()).object().toVariantMap(), metadata);
}

void tst_InvokeManagerInvoke::receivedMetadataDecodesBackEqual()
{
    const QVariantMap metadata = {
        {QStringLiteral("count"), 3},
        {QStringLiteral("flag"), false},
        {QStringLiteral("names"), QStringList{QStringLiteral("a"), QStringLiteral("b")}},
        {QStringLiteral("nested"), QVariantMap{{QStringLiteral("x"), QStringLiteral("y")}}},
    };
    InvokeRequest request;
    request.setMetadata(metadata);
    QVERIFY(m_manager->invoke(request));
    const QString sent =
        m_backend->argumentsOf("navigator_invoke_invocation_set_metadata").first().at(1).toString();

    QSignalSpy invoked(m_manager.get(), qOverload<const InvokeRequest &>(&InvokeManager::invoked));
    RecordingBackend::postEvent(
        RecordingBackend::Service::Navigator, 16,
        {{QStringLiteral("invocation"), QVariantMap{{QStringLiteral("metadata"), sent}}}});
    QTRY_COMPARE(invoked.size(), 1);

    const QVariantMap received = invoked.first().first().value<InvokeRequest>().metadata();
    QCOMPARE(received.value(QStringLiteral("count")).toInt(), 3);
    QCOMPARE(received.value(QStringLiteral("flag")), QVariant(false));
    QCOMPARE(received.value(QStringLiteral("names")).toStringList(),
             (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(received.value(QStringLiteral("nested")).toMap(),
             metadata.value(QStringLiteral("nested")).toMap());
    QCOMPARE(received.keys(), metadata.keys());
}

QTEST_GUILESS_MAIN(tst_InvokeManagerInvoke)
#include "tst_invokemanagerinvoke.moc"
