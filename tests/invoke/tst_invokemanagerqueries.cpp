// Target queries and target filters through InvokeManager: the exact navigator calls, each abort
// path, the answers (code 17 with actions and targets, 35 with filters), and the filter text form
// as written to and read from the navigator.
#include <qz/system/InvokeManager>

#include "recordingbackend.h"

#include <QSignalSpy>
#include <QTest>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

const QByteArray QueryPrefix = QByteArrayLiteral("navigator_invoke_query_");

QString idOf(const InvokeReply *reply)
{
    return QString::number(quintptr(reply), 16);
}

// Custom attributes as name -> values, to compare in one go.
QVariantMap customOf(const InvokeTargetFilter &filter)
{
    QVariantMap custom;
    for (const QString &name : filter.customAttributeNames())
        custom.insert(name, filter.customAttributeList(name));
    return custom;
}

bool answer(InvokeReply *reply, int code, QVariantHash fields)
{
    QSignalSpy finished(reply, &InvokeReply::finished);
    fields.insert(QStringLiteral("id"), idOf(reply));
    RecordingBackend::postEvent(Service::Navigator, code, fields);
    return finished.wait(5000) || finished.size() == 1;
}

} // namespace

class tst_InvokeManagerQueries : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void querySends_data();
    void querySends();
    void failedQueryCallDeletesTheReply_data();
    void failedQueryCallDeletesTheReply();
    void queryResultReadsActionsAndTargetsInOrder();
    void queryErrorWithoutActions();
    void replyCodes_data();
    void replyCodes();

    void requestFiltersSendsIdAndKey();
    void requestFiltersRefusals();
    void parsingFilterTexts_data();
    void parsingFilterTexts();
    void writingFilterTexts_data();
    void writingFilterTexts();
    void updateFiltersRefused();
    void writtenFiltersReadBackEqual();

private:
    QList<QByteArray> queryCallNames() const;
    InvokeRequestTargetFiltersReply *requestAndAnswerFilters(const QStringList &texts);

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
};

void tst_InvokeManagerQueries::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_backend->clear();
}

void tst_InvokeManagerQueries::cleanup()
{
    m_manager.reset();
    m_backend.reset();
}

QList<QByteArray> tst_InvokeManagerQueries::queryCallNames() const
{
    QList<QByteArray> names;
    for (const QByteArray &name : m_backend->callNames()) {
        if (name.startsWith(QueryPrefix))
            names.append(name.mid(QueryPrefix.size()));
    }
    return names;
}

void tst_InvokeManagerQueries::querySends_data()
{
    QTest::addColumn<InvokeQueryTargetsRequest>("request");
    QTest::addColumn<QList<QByteArray>>("names");
    QTest::addColumn<QVariantMap>("content"); // what is sent besides the id

    const QList<QByteArray> mandatory = {"create",          "set_id",        "set_target_type_mask",
                                         "set_action_type", "set_perimeter", "send",
                                         "destroy"};
    const auto numbers = [](int targetTypes, int actionType, int perimeter) {
        return QVariantMap{{QStringLiteral("target_type_mask"), targetTypes},
                           {QStringLiteral("action_type"), actionType},
                           {QStringLiteral("perimeter"), perimeter}};
    };
    QTest::newRow("empty") << InvokeQueryTargetsRequest() << mandatory << numbers(0, 2, 0);

    InvokeQueryTargetsRequest full;
    full.setAction(QStringLiteral("qz.action.OPEN"));
    full.setMimeType(QStringLiteral("image/p\u00e9g"));
    full.setUri(QStringLiteral("file:///a b.png"));
    full.setTargetTypes(InvokeTarget::Card | InvokeTarget::Viewer);
    full.setActionType(InvokeAction::Menu);
    full.setPerimeter(SecurityPerimeter::Enterprise);
    QVariantMap content = numbers(2 | 4, 1, 2);
    content.insert({{QStringLiteral("action"), QStringLiteral("qz.action.OPEN")},
                    {QStringLiteral("type"), QStringLiteral("image/p\u00e9g")},
                    {QStringLiteral("file_uri"), QStringLiteral("file:///a%20b.png")}});
    QTest::newRow("every setter, in order")
        << full << QList<QByteArray>{"create",          "set_id",        "set_action",
                                     "set_type",        "set_file_uri",  "set_target_type_mask",
                                     "set_action_type", "set_perimeter", "send",
                                     "destroy"}
        << content;

    InvokeQueryTargetsRequest personal;
    personal.setActionType(InvokeAction::Menu);
    personal.setPerimeter(SecurityPerimeter::Personal);
    QTest::newRow("Menu, Personal") << personal << mandatory << numbers(0, 1, 1);
    InvokeQueryTargetsRequest unknown;
    unknown.setActionType(InvokeAction::Type(7));
    unknown.setPerimeter(SecurityPerimeter::Type(9));
    QTest::newRow("unknown numbers") << unknown << mandatory << numbers(0, 0, 0);
}

void tst_InvokeManagerQueries::querySends()
{
    QFETCH(InvokeQueryTargetsRequest, request);
    QFETCH(QList<QByteArray>, names);
    QFETCH(QVariantMap, content);

    InvokeQueryTargetsReply *reply = m_manager->queryTargets(request);
    QVERIFY(reply);
    QCOMPARE(reply->parent(), m_manager.get());
    QCOMPARE(queryCallNames(), names);

    const QVariant handle = m_backend->argumentsOf(QueryPrefix + "set_id").first().at(0);
    QVERIFY(handle.toULongLong() != 0);
    const QVariantList sent = m_backend->argumentsOf(QueryPrefix + "send").first();
    QCOMPARE(sent.at(0), handle);
    content.insert(QStringLiteral("id"), idOf(reply));
    QCOMPARE(sent.at(1).toMap(), content);
}

void tst_InvokeManagerQueries::failedQueryCallDeletesTheReply_data()
{
    QTest::addColumn<QByteArray>("failing");
    for (const char *name : {"create", "set_id", "set_action", "set_type", "set_file_uri",
                             "set_target_type_mask", "set_action_type", "set_perimeter", "send"})
        QTest::newRow(name) << QByteArray(name);
}

void tst_InvokeManagerQueries::failedQueryCallDeletesTheReply()
{
    QFETCH(QByteArray, failing);

    InvokeQueryTargetsRequest request;
    request.setAction(QStringLiteral("a"));
    request.setMimeType(QStringLiteral("t"));
    request.setUri(QStringLiteral("file:///f"));
    m_backend->failCall(QueryPrefix + failing);

    QCOMPARE(m_manager->queryTargets(request), nullptr);
    QVERIFY(m_manager->findChildren<InvokeReply *>().isEmpty());
    const QList<QByteArray> names = queryCallNames();
    // Nothing after the failed call but the release of the handle, when there is one.
    QList<QByteArray> expected = {failing};
    if (failing != "create")
        expected.append("destroy");
    QCOMPARE(names.mid(names.indexOf(failing)), expected);
}

void tst_InvokeManagerQueries::queryResultReadsActionsAndTargetsInOrder()
{
    InvokeQueryTargetsReply *reply = m_manager->queryTargets(InvokeQueryTargetsRequest());
    QVERIFY(reply);
    const QVariantMap viewer = {{QStringLiteral("key"), QStringLiteral("com.example.caf\u00e9")},
                                {QStringLiteral("icon"), QStringLiteral("file:///v.png")},
                                {QStringLiteral("splash"), QStringLiteral("file:///s.png")},
                                {QStringLiteral("label"), QStringLiteral("Viewer")},
                                {QStringLiteral("type"), 4},
                                {QStringLiteral("perimeter"), 1}};
    const QVariantMap self = {{QStringLiteral("key"), QStringLiteral("self")},
                              {QStringLiteral("type"), 16},
                              {QStringLiteral("perimeter"), 2}};
    const QVariantMap headless = {{QStringLiteral("key"), QStringLiteral("h")},
                                  {QStringLiteral("type"), 64}};
    const QVariantList actions = {
        QVariantMap{{QStringLiteral("name"), QStringLiteral("qz.action.VIEW")},
                    {QStringLiteral("icon"), QStringLiteral("file:///view.png")},
                    {QStringLiteral("label"), QStringLiteral("View")},
                    {QStringLiteral("default_target"), QStringLiteral("self")},
                    {QStringLiteral("targets"), QVariantList{viewer, self}}},
        QVariantMap{{QStringLiteral("name"), QStringLiteral("qz.action.RUN")},
                    {QStringLiteral("targets"), QVariantList{headless}}},
        QVariantMap{{QStringLiteral("name"), QStringLiteral("qz.action.NONE")}}};
    QVERIFY(answer(reply, 17, {{QStringLiteral("query_result_actions"), actions}}));

    QCOMPARE(reply->error(), InvokeReplyError::None);
    const QList<InvokeAction> read = reply->actions();
    QCOMPARE(read.size(), 3);
    QCOMPARE(read.at(0).name(), QStringLiteral("qz.action.VIEW"));
    QCOMPARE(read.at(0).icon(), QUrl(QStringLiteral("file:///view.png")));
    QCOMPARE(read.at(0).label(), QStringLiteral("View"));
    QCOMPARE(read.at(0).defaultTarget(), QStringLiteral("self"));
    QCOMPARE(read.at(0).targets().size(), 2);
    const InvokeTarget first = read.at(0).targets().at(0);
    QCOMPARE(first.name(), QStringLiteral("com.example.caf\u00e9"));
    QCOMPARE(first.icon(), QUrl(QStringLiteral("file:///v.png")));
    QCOMPARE(first.splash(), QUrl(QStringLiteral("file:///s.png")));
    QCOMPARE(first.label(), QStringLiteral("Viewer"));
    QCOMPARE(first.type(), InvokeTarget::Viewer);
    QCOMPARE(first.perimeter(), SecurityPerimeter::Personal);
    const InvokeTarget second = read.at(0).targets().at(1);
    QCOMPARE(second.name(), QStringLiteral("self"));
    QCOMPARE(second.type(), InvokeTarget::Unspecified);
    QCOMPARE(second.perimeter(), SecurityPerimeter::Enterprise);
    QVERIFY(second.icon().isEmpty() && second.label().isEmpty());

    QCOMPARE(read.at(1).name(), QStringLiteral("qz.action.RUN"));
    QCOMPARE(read.at(1).targets().size(), 1);
    QCOMPARE(read.at(1).targets().at(0).type(), InvokeTarget::Headless);
    QCOMPARE(read.at(1).targets().at(0).perimeter(), SecurityPerimeter::Default);
    QVERIFY(read.at(2).targets().isEmpty());
}

void tst_InvokeManagerQueries::queryErrorWithoutActions()
{
    InvokeQueryTargetsReply *reply = m_manager->queryTargets(InvokeQueryTargetsRequest());
    QVERIFY(reply);
    QVERIFY(answer(reply, 17,
                   {{QStringLiteral("err"), QStringLiteral("INVOKE_NO_TARGET_ERROR")},
                    {QStringLiteral("error_code"), 3}}));
    QCOMPARE(reply->error(), InvokeReplyError::NoTarget);
    QCOMPARE(reply->errorCode(), 3);
    QVERIFY(reply->actions().isEmpty());
}

void tst_InvokeManagerQueries::replyCodes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("accepted");

    const QList<int> codes = {17, 19, 35, 37, 45, 16};
    const QMap<QString, QList<int>> accepting = {{QStringLiteral("query"), {17, 19, 37, 45}},
                                                 {QStringLiteral("filters"), {19, 35, 37, 45}},
                                                 {QStringLiteral("update"), {19, 37, 45}}};
    for (auto it = accepting.cbegin(); it != accepting.cend(); ++it) {
        for (int code : codes)
            QTest::addRow("%s %d", qPrintable(it.key()), code)
                << it.key() << code << it.value().contains(code);
    }
}

void tst_InvokeManagerQueries::replyCodes()
{
    QFETCH(QString, kind);
    QFETCH(int, code);
    QFETCH(bool, accepted);

    InvokeReply *reply = nullptr;
    if (kind == QLatin1String("query"))
        reply = m_manager->queryTargets(InvokeQueryTargetsRequest());
    else if (kind == QLatin1String("filters"))
        reply = m_manager->requestTargetFilters(QStringLiteral("t"));
    else
        reply = m_manager->updateTargetFilters(InvokeUpdateTargetFiltersRequest());
    QVERIFY(reply);
    auto *sentinel = new InvokeReply(m_manager.get());
    QSignalSpy finished(reply, &InvokeReply::finished);

    RecordingBackend::postEvent(Service::Navigator, code, {{QStringLiteral("id"), idOf(reply)}});
    QVERIFY(answer(sentinel, 19, {}));
    QCOMPARE(finished.size(), accepted ? 1 : 0);
}

void tst_InvokeManagerQueries::requestFiltersSendsIdAndKey()
{
    InvokeRequestTargetFiltersReply *reply =
        m_manager->requestTargetFilters(QStringLiteral("com.example.t\u00e9"));
    QVERIFY(reply);
    QCOMPARE(reply->parent(), m_manager.get());
    QCOMPARE(
        m_backend->argumentsOf("navigator_invoke_get_filters"),
        QList<QVariantList>{(QVariantList{idOf(reply), QStringLiteral("com.example.t\u00e9")})});
}

void tst_InvokeManagerQueries::requestFiltersRefusals()
{
    QTest::ignoreMessage(QtWarningMsg, "targetKey is null.");
    QCOMPARE(m_manager->requestTargetFilters(QString()), nullptr);
    QVERIFY(m_backend->calls().isEmpty());

    m_backend->failCall("navigator_invoke_get_filters");
    QTest::ignoreMessage(QtWarningMsg, "Failed to send request.");
    QCOMPARE(m_manager->requestTargetFilters(QStringLiteral("t")), nullptr);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_get_filters").size(), 1);
    QVERIFY(m_manager->findChildren<InvokeReply *>().isEmpty());
}

void tst_InvokeManagerQueries::parsingFilterTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("types");
    QTest::addColumn<QStringList>("uris");
    QTest::addColumn<QStringList>("exts");
    QTest::addColumn<QVariantMap>("custom");

    const QStringList none;
    QTest::newRow("every kind") << QStringLiteral(
                                       "actions=A,B;types=T;uris=file://,data:;exts=png;")
                                << QStringList{QStringLiteral("A"), QStringLiteral("B")}
                                << QStringList{QStringLiteral("T")}
                                << QStringList{QStringLiteral("file://"), QStringLiteral("data:")}
                                << QStringList{QStringLiteral("png")} << QVariantMap();
    QTest::newRow("empty values kept")
        << QStringLiteral("actions=a,,b;")
        << QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")} << none << none << none
        << QVariantMap();
    QTest::newRow("empty clause is one empty value")
        << QStringLiteral("types=;") << none << QStringList{QString()} << none << none
        << QVariantMap();
    QTest::newRow("no pattern checks")
        << QStringLiteral("actions=1..x;types=*/*") << QStringList{QStringLiteral("1..x")}
        << QStringList{QStringLiteral("*/*")} << none << none << QVariantMap();
    QTest::newRow("custom attribute")
        << QStringLiteral("color=red,blue;") << none << none << none << none
        << QVariantMap{{QStringLiteral("color"),
                        QStringList{QStringLiteral("red"), QStringLiteral("blue")}}};
    QTest::newRow("custom clauses add, without duplicates")
        << QStringLiteral("c=x,x;c=y,x;d=a=b") << none << none << none << none
        << QVariantMap{{QStringLiteral("c"), QStringList{QStringLiteral("x"), QStringLiteral("y")}},
                       {QStringLiteral("d"), QStringList{QStringLiteral("a=b")}}};
    QTest::newRow("later clause replaces earlier")
        << QStringLiteral("actions=a,b;exts=e;actions=c;") << QStringList{QStringLiteral("c")}
        << none << none << QStringList{QStringLiteral("e")} << QVariantMap();
    QTest::newRow("parts without a name skipped")
        << QStringLiteral(";;=x;noequals;types=t") << none << QStringList{QStringLiteral("t")}
        << none << none << QVariantMap();
    QTest::newRow("clause names are case-sensitive")
        << QStringLiteral("Actions=a") << none << none << none << none
        << QVariantMap{{QStringLiteral("Actions"), QStringList{QStringLiteral("a")}}};
    QTest::newRow("empty text") << QString() << none << none << none << none << QVariantMap();
}

InvokeRequestTargetFiltersReply *
tst_InvokeManagerQueries::requestAndAnswerFilters(const QStringList &texts)
{
    InvokeRequestTargetFiltersReply *reply = m_manager->requestTargetFilters(QStringLiteral("t"));
    if (!reply || !answer(reply, 35,
                          {{QStringLiteral("filters_target"), QStringLiteral("com.example.t")},
                           {QStringLiteral("filters"), texts}}))
        return nullptr;
    return reply;
}

void tst_InvokeManagerQueries::parsingFilterTexts()
{
    QFETCH(QString, text);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, types);
    QFETCH(QStringList, uris);
    QFETCH(QStringList, exts);
    QFETCH(QVariantMap, custom);

    InvokeRequestTargetFiltersReply *reply = requestAndAnswerFilters({text, text});
    QVERIFY(reply);
    QCOMPARE(reply->targetKey(), QStringLiteral("com.example.t"));
    QCOMPARE(reply->filters().size(), 2);
    const InvokeTargetFilter filter = reply->filters().at(1);
    QCOMPARE(filter.actionList(), actions);
    QCOMPARE(filter.mimeTypeList(), types);
    QCOMPARE(filter.uriList(), uris);
    QCOMPARE(filter.fileExtensionList(), exts);
    QCOMPARE(customOf(filter), custom);
}

void tst_InvokeManagerQueries::writingFilterTexts_data()
{
    QTest::addColumn<InvokeTargetFilter>("filter");
    QTest::addColumn<QString>("text");

    QTest::newRow("nothing") << InvokeTargetFilter() << QString();

    InvokeTargetFilter simple;
    simple.addAction(QStringLiteral("A"));
    simple.addAction(QStringLiteral("B"));
    simple.addMimeType(QStringLiteral("T"));
    QTest::newRow("actions and type") << simple << QStringLiteral("actions=A,B;types=T;");

    InvokeTargetFilter full;
    full.addCustomAttributeValue(QStringLiteral("zeta"), QStringLiteral("z"));
    full.addCustomAttributeValue(QStringLiteral("alpha"), QStringLiteral("1"));
    full.addCustomAttributeValue(QStringLiteral("alpha"), QStringLiteral("2"));
    full.addCustomAttributeValue(QStringLiteral("empty"), QStringLiteral("gone"));
    full.removeCustomAttributeValue(QStringLiteral("empty"), QStringLiteral("gone"));
    full.addFileExtension(QStringLiteral("jpg"));
    full.addUri(QStringLiteral("file://"));
    full.addMimeType(QStringLiteral("image/*"));
    full.addAction(QStringLiteral("qz.action.OPEN"));
    QTest::newRow("every kind, attributes by name, empty lists left out")
        << full
        << QStringLiteral("actions=qz.action.OPEN;types=image/*;uris=file://;exts=jpg;alpha=1,2;"
                          "zeta=z;");
}

void tst_InvokeManagerQueries::writingFilterTexts()
{
    QFETCH(InvokeTargetFilter, filter);
    QFETCH(QString, text);

    InvokeUpdateTargetFiltersRequest request;
    request.setTarget(QStringLiteral("com.example.t\u00e9"));
    request.setTargetFilters({filter, InvokeTargetFilter()});
    InvokeReply *reply = m_manager->updateTargetFilters(request);
    QVERIFY(reply);
    QCOMPARE(reply->parent(), m_manager.get());
    const QVariantList expected = {idOf(reply), QStringLiteral("com.example.t\u00e9"),
                                   QStringList{text, QString()}};
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_set_filters"), QList<QVariantList>{expected});
}

void tst_InvokeManagerQueries::updateFiltersRefused()
{
    m_backend->failCall("navigator_invoke_set_filters");
    QTest::ignoreMessage(QtWarningMsg, "Failed to send request.");
    QCOMPARE(m_manager->updateTargetFilters(InvokeUpdateTargetFiltersRequest()), nullptr);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_set_filters").size(), 1);
    QVERIFY(m_manager->findChildren<InvokeReply *>().isEmpty());
}

void tst_InvokeManagerQueries::writtenFiltersReadBackEqual()
{
    InvokeTargetFilter filter;
    filter.addAction(QStringLiteral("a.b"));
    filter.addAction(QStringLiteral("c"));
    filter.addMimeType(QStringLiteral("text/plain"));
    filter.addUri(QStringLiteral("https://example.com/x?y"));
    filter.addFileExtension(QStringLiteral("t\u00e9xt"));
    filter.addCustomAttributeValue(QStringLiteral("k"), QStringLiteral("v=w"));
    InvokeUpdateTargetFiltersRequest request;
    request.setTargetFilters({filter});
    QVERIFY(m_manager->updateTargetFilters(request));
    const QStringList texts =
        m_backend->argumentsOf("navigator_invoke_set_filters").first().at(2).toStringList();

    InvokeRequestTargetFiltersReply *reply = requestAndAnswerFilters(texts);
    QVERIFY(reply);
    QCOMPARE(reply->filters().size(), 1);
    const InvokeTargetFilter read = reply->filters().first();
    QCOMPARE(read.actionList(), filter.actionList());
    QCOMPARE(read.mimeTypeList(), filter.mimeTypeList());
    QCOMPARE(read.uriList(), filter.uriList());
    QCOMPARE(read.fileExtensionList(), filter.fileExtensionList());
    QCOMPARE(customOf(read), customOf(filter));
}

QTEST_GUILESS_MAIN(tst_InvokeManagerQueries)
#include "tst_invokemanagerqueries.moc"
