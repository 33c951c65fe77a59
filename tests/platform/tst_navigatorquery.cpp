// The navigator's query and filter functions: what reaches the backend, refused input, and the
// accessors of result events, forged ones included (wrong types, missing fields, bad indexes).
#include "recordingbackend.h"

#include <qz/AbstractXrvEventHandler>
#include <xrv/navigator.h>

#include <QTest>

#include <cerrno>
#include <functional>

using Service = qz::platform::Service;

namespace {

// Runs \a read on the next navigator event, during its dispatch.
class Reader : public qz::AbstractXrvEventHandler
{
public:
    explicit Reader(std::function<void(xrv_event_t *)> read)
        : m_read(std::move(read))
    {
        subscribe(navigator_get_domain());
    }
    void event(xrv_event_t *event) override
    {
        m_read(event);
        done = true;
    }
    bool done = false;

private:
    std::function<void(xrv_event_t *)> m_read;
};

bool readEvent(int code, const QVariantHash &fields, std::function<void(xrv_event_t *)> read)
{
    Reader reader(std::move(read));
    RecordingBackend::postEvent(Service::Navigator, code, fields);
    return QTest::qWaitFor([&reader] { return reader.done; });
}

} // namespace

class tst_NavigatorQuery : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { m_backend = std::make_unique<RecordingBackend>(); }
    void cleanup() { m_backend.reset(); }

    void sendCarriesWhatTheSettersStored();
    void refusedInput();
    void queryResultAccessors();
    void forgedQueryResults();
    void filterAccessors();

private:
    std::unique_ptr<RecordingBackend> m_backend;
};

void tst_NavigatorQuery::sendCarriesWhatTheSettersStored()
{
    navigator_invoke_query_t *query = nullptr;
    QCOMPARE(navigator_invoke_query_create(&query), 0);
    QVERIFY(query);
    m_backend->failCall("navigator_invoke_query_set_type");
    QCOMPARE(navigator_invoke_query_set_id(query, "1f"), 0);
    QCOMPARE(navigator_invoke_query_set_action(query, "a"), 0);
    QCOMPARE(navigator_invoke_query_set_action(query, nullptr), 0);
    QCOMPARE(navigator_invoke_query_set_type(query, "text/plain"), -1);
    QCOMPARE(navigator_invoke_query_set_perimeter(query, 2), 0);
    QCOMPARE(navigator_invoke_query_send(query), 0);
    QCOMPARE(navigator_invoke_query_destroy(query), 0);

    const QVariantList send = m_backend->argumentsOf("navigator_invoke_query_send").first();
    QCOMPARE(send.at(0).toULongLong(), qulonglong(quintptr(query)));
    const QVariantMap content = {{QStringLiteral("id"), QStringLiteral("1f")},
                                 {QStringLiteral("perimeter"), 2}};
    QCOMPARE(send.at(1).toMap(), content);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_query_set_action").last(),
             (QVariantList{send.at(0), QVariant()}));
}

void tst_NavigatorQuery::refusedInput()
{
    const char *filters[] = {"actions=a;", nullptr};
    errno = 0;
    QCOMPARE(navigator_invoke_set_filters("1", "t", filters, 2), -1);
    QCOMPARE(errno, EINVAL);
    errno = 0;
    QCOMPARE(navigator_invoke_set_filters("1", "t", nullptr, 1), -1);
    QCOMPARE(errno, EINVAL);
    QCOMPARE(navigator_invoke_set_filters("1", "t", filters, -1), -1);
    QCOMPARE(navigator_invoke_query_create(nullptr), -1);
    QCOMPARE(navigator_invoke_query_set_id(nullptr, "x"), -1);
    QCOMPARE(navigator_invoke_query_send(nullptr), -1);
    QCOMPARE(navigator_invoke_query_destroy(nullptr), -1);
    // Refused before anything reached the navigator.
    QVERIFY(m_backend->calls().isEmpty());

    QCOMPARE(navigator_invoke_set_filters("1", nullptr, nullptr, 0), 0);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_set_filters").first(),
             (QVariantList{QStringLiteral("1"), QVariant(), QStringList()}));
}

void tst_NavigatorQuery::queryResultAccessors()
{
    const QVariantList actions = {
        QVariantMap{{QStringLiteral("name"), QStringLiteral("caf\u00e9")},
                    {QStringLiteral("default_target"), QStringLiteral("d")},
                    {QStringLiteral("targets"),
                     QVariantList{QVariantMap{{QStringLiteral("key"), QStringLiteral("k0")}},
                                  QVariantMap{{QStringLiteral("key"), QStringLiteral("k1")},
                                              {QStringLiteral("splash"), QStringLiteral("s")},
                                              {QStringLiteral("type"), 8},
                                              {QStringLiteral("perimeter"), 1}}}}}};
    QVERIFY(readEvent(17, {{QStringLiteral("query_result_actions"), actions}}, [](xrv_event_t *e) {
        QCOMPARE(navigator_invoke_event_get_query_result_action_count(e), 1);
        const auto *action = navigator_invoke_event_get_query_result_action(e, 0);
        // The same handle for every handler of the event.
        QCOMPARE(navigator_invoke_event_get_query_result_action(e, 0), action);
        QCOMPARE(navigator_invoke_query_result_action_get_name(action), "caf\xc3\xa9");
        QCOMPARE(navigator_invoke_query_result_action_get_icon(action), nullptr);
        QCOMPARE(navigator_invoke_query_result_action_get_default_target(action), "d");
        QCOMPARE(navigator_invoke_query_result_action_get_target_count(action), 2);
        const auto *target = navigator_invoke_query_result_action_get_target(action, 1);
        QCOMPARE(navigator_invoke_query_result_target_get_key(target), "k1");
        QCOMPARE(navigator_invoke_query_result_target_get_splash(target), "s");
        QCOMPARE(navigator_invoke_query_result_target_get_type(target), 8);
        QCOMPARE(navigator_invoke_query_result_target_get_perimeter(target), 1);
        const auto *bare = navigator_invoke_query_result_action_get_target(action, 0);
        QCOMPARE(navigator_invoke_query_result_target_get_label(bare), nullptr);
        QCOMPARE(navigator_invoke_query_result_target_get_type(bare), -1);
    }));
}

void tst_NavigatorQuery::forgedQueryResults()
{
    // Not a list, entries that are not maps, targets that are not a list, numbers that are not.
    QVERIFY(readEvent(17, {{QStringLiteral("query_result_actions"), QStringLiteral("x")}},
                      [](xrv_event_t *e) {
                          QCOMPARE(navigator_invoke_event_get_query_result_action_count(e), 0);
                      }));
    const QVariantList actions = {
        42, QVariantMap{{QStringLiteral("targets"), QStringLiteral("none")}},
        QVariantMap{{QStringLiteral("targets"),
                     QVariantList{QVariantMap{{QStringLiteral("type"), QStringLiteral("x")}}}}}};
    QVERIFY(readEvent(17, {{QStringLiteral("query_result_actions"), actions}}, [](xrv_event_t *e) {
        QCOMPARE(navigator_invoke_event_get_query_result_action_count(e), 3);
        const auto *notAMap = navigator_invoke_event_get_query_result_action(e, 0);
        QVERIFY(notAMap);
        QCOMPARE(navigator_invoke_query_result_action_get_name(notAMap), nullptr);
        QCOMPARE(navigator_invoke_query_result_action_get_target_count(
                     navigator_invoke_event_get_query_result_action(e, 1)),
                 0);
        const auto *action = navigator_invoke_event_get_query_result_action(e, 2);
        QCOMPARE(navigator_invoke_query_result_target_get_type(
                     navigator_invoke_query_result_action_get_target(action, 0)),
                 -1);
        for (int index : {-1, 1}) {
            errno = 0;
            QCOMPARE(navigator_invoke_query_result_action_get_target(action, index), nullptr);
            QCOMPARE(errno, EINVAL);
        }
        errno = 0;
        QCOMPARE(navigator_invoke_event_get_query_result_action(e, 3), nullptr);
        QCOMPARE(errno, EINVAL);
        QCOMPARE(navigator_invoke_query_result_action_get_target_count(nullptr), 0);
        QCOMPARE(navigator_invoke_query_result_action_get_target(nullptr, 0), nullptr);
        QCOMPARE(navigator_invoke_query_result_target_get_key(nullptr), nullptr);
    }));
    QVERIFY(readEvent(17, {}, [](xrv_event_t *e) {
        QCOMPARE(navigator_invoke_event_get_query_result_action_count(e), 0);
        QCOMPARE(navigator_invoke_event_get_query_result_action(e, 0), nullptr);
    }));
}

void tst_NavigatorQuery::filterAccessors()
{
    const QVariantList filters = {QStringLiteral("actions=\u00e9;"), QVariant(), 7};
    QVERIFY(readEvent(35,
                      {{QStringLiteral("filters_target"), QStringLiteral("t")},
                       {QStringLiteral("filters"), filters}},
                      [](xrv_event_t *e) {
                          QCOMPARE(navigator_invoke_event_get_filters_target(e), "t");
                          QCOMPARE(navigator_invoke_event_get_filters_count(e), 3);
                          const char *first = navigator_invoke_event_get_filter(e, 0);
                          QCOMPARE(first, "actions=\xc3\xa9;");
                          // Handed out once: later reads give the same text.
                          QCOMPARE(navigator_invoke_event_get_filter(e, 0), first);
                          QCOMPARE(navigator_invoke_event_get_filter(e, 1), "");
                          QCOMPARE(navigator_invoke_event_get_filter(e, 2), "7");
                          errno = 0;
                          QCOMPARE(navigator_invoke_event_get_filter(e, 3), nullptr);
                          QCOMPARE(errno, EINVAL);
                          QCOMPARE(navigator_invoke_event_get_filter(e, -1), nullptr);
                      }));
    QVERIFY(readEvent(35, {{QStringLiteral("filters"), QStringLiteral("actions=a;")}},
                      [](xrv_event_t *e) {
                          QCOMPARE(navigator_invoke_event_get_filters_count(e), 0);
                          QCOMPARE(navigator_invoke_event_get_filter(e, 0), nullptr);
                      }));
    QVERIFY(readEvent(35, {}, [](xrv_event_t *e) {
        QCOMPARE(navigator_invoke_event_get_filters_target(e), nullptr);
        QCOMPARE(navigator_invoke_event_get_filters_count(e), 0);
        QCOMPARE(navigator_invoke_event_get_filter(e, 0), nullptr);
    }));
}

QTEST_GUILESS_MAIN(tst_NavigatorQuery)
#include "tst_navigatorquery.moc"
