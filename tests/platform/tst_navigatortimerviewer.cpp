// The navigator's viewer and timer handles: bad arguments are refused before the service hears of
// them and leave no handle; a value is kept only when the service took it; a time or rule set on
// another handle is a copy.
#include "recordingbackend.h"

#include <xrv/navigator.h>

#include <QTest>

#include <cerrno>
#include <functional>

using Call = std::function<int()>;
Q_DECLARE_METATYPE(Call)

class tst_NavigatorTimerViewer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void badArgumentsAreRefused_data();
    void badArgumentsAreRefused();
    void refusedValuesAreNotKept();
};

void tst_NavigatorTimerViewer::badArgumentsAreRefused_data()
{
    QTest::addColumn<Call>("call");

    // Out-handles are preset to a dangling value: a refused create must clear them.
    auto *const junk = reinterpret_cast<void *>(quintptr(0x10));
    const int values[] = {1, 2};

    QTest::newRow("viewer without invocation") << Call([=] {
        auto *viewer = static_cast<navigator_invoke_viewer_t *>(junk);
        const int result = navigator_invoke_viewer_create(&viewer, nullptr);
        return viewer ? 0 : result;
    });
    QTest::newRow("viewer without out-handle")
        << Call([] { return navigator_invoke_viewer_create(nullptr, nullptr); });
    for (int frequency : {0, 7, -1}) {
        QTest::addRow("rule frequency %d", frequency) << Call([=] {
            auto *rule = static_cast<navigator_invoke_recurrence_rule_t *>(junk);
            const int result = navigator_invoke_recurrence_rule_create(&rule, frequency);
            return rule ? 0 : result;
        });
    }
    for (int kind : {4, -1}) {
        QTest::addRow("registration kind %d", kind) << Call([=] {
            auto *registration = static_cast<navigator_invoke_timer_registration_t *>(junk);
            const int result = navigator_invoke_timer_registration_create(&registration, kind);
            return registration ? 0 : result;
        });
    }
    QTest::newRow("negative list size") << Call([values] {
        navigator_invoke_recurrence_rule_t *r = nullptr;
        navigator_invoke_recurrence_rule_create(&r, NAVIGATOR_INVOKE_RECURRENCE_DAILY);
        const int result = navigator_invoke_recurrence_rule_set_days_of_week(r, values, -1);
        navigator_invoke_recurrence_rule_destroy(r);
        return result;
    });
    QTest::newRow("list size without values") << Call([] {
        navigator_invoke_recurrence_rule_t *r = nullptr;
        navigator_invoke_recurrence_rule_create(&r, NAVIGATOR_INVOKE_RECURRENCE_DAILY);
        const int result = navigator_invoke_recurrence_rule_set_months_of_year(r, nullptr, 3);
        navigator_invoke_recurrence_rule_destroy(r);
        return result;
    });
    QTest::newRow("setter on no viewer")
        << Call([] { return navigator_invoke_viewer_set_width(nullptr, 3); });
    QTest::newRow("send no registration")
        << Call([] { return navigator_invoke_timer_registration_send(nullptr); });
    QTest::newRow("destroy no time")
        << Call([] { return navigator_invoke_specific_time_destroy(nullptr); });
}

void tst_NavigatorTimerViewer::badArgumentsAreRefused()
{
    QFETCH(Call, call);

    RecordingBackend backend;
    errno = 0;
    QCOMPARE(call(), -1);
    QCOMPARE(errno, EINVAL);
    // The refused call itself never reached the service: all it saw is the setup around it.
    const QList<QByteArray> names = backend.callNames();
    for (const QByteArray &name : names)
        QVERIFY2(name.endsWith("_create") || name.endsWith("_destroy"), name.constData());
}

void tst_NavigatorTimerViewer::refusedValuesAreNotKept()
{
    RecordingBackend backend;
    navigator_invoke_specific_time_t *time = nullptr;
    navigator_invoke_recurrence_rule_t *rule = nullptr;
    navigator_invoke_timer_registration_t *registration = nullptr;
    QCOMPARE(navigator_invoke_specific_time_create(&time), 0);
    QCOMPARE(navigator_invoke_recurrence_rule_create(&rule, NAVIGATOR_INVOKE_RECURRENCE_HOURLY), 0);
    QCOMPARE(navigator_invoke_timer_registration_create(&registration,
                                                        NAVIGATOR_INVOKE_TIMER_KIND_RECURRENT),
             0);

    QCOMPARE(navigator_invoke_specific_time_set_year(time, 2030), 0);
    backend.failCall("navigator_invoke_specific_time_set_time_zone");
    QCOMPARE(navigator_invoke_specific_time_set_time_zone(time, "UTC"), -1);
    QCOMPARE(navigator_invoke_recurrence_rule_set_start_date(rule, time), 0);
    // The rule holds its own copy: later changes and the end of the time do not reach it.
    QCOMPARE(navigator_invoke_specific_time_set_month(time, 4), 0);
    QCOMPARE(navigator_invoke_specific_time_destroy(time), 0);
    const int hours[] = {6, 18};
    QCOMPARE(navigator_invoke_recurrence_rule_set_hours_of_day(rule, hours, 2), 0);
    QCOMPARE(navigator_invoke_recurrence_rule_set_hours_of_day(rule, nullptr, 0), 0);
    backend.failCall("navigator_invoke_recurrence_rule_set_interval");
    QCOMPARE(navigator_invoke_recurrence_rule_set_interval(rule, 3), -1);
    QCOMPARE(navigator_invoke_timer_registration_set_recurrence_rule(registration, rule), 0);
    QCOMPARE(navigator_invoke_recurrence_rule_destroy(rule), 0);
    QCOMPARE(navigator_invoke_timer_registration_send(registration), 0);
    QCOMPARE(navigator_invoke_timer_registration_destroy(registration), 0);

    const QVariantMap expected = {
        {QStringLiteral("kind"), 1},
        {QStringLiteral("recurrence_rule"),
         QVariantMap{{QStringLiteral("frequency"), 5},
                     {QStringLiteral("start_date"), QVariantMap{{QStringLiteral("year"), 2030}}}}}};
    const QList<QVariantList> sends =
        backend.argumentsOf("navigator_invoke_timer_registration_send");
    QCOMPARE(sends.size(), 1);
    QCOMPARE(sends.first().at(1).toMap(), expected);
}

QTEST_GUILESS_MAIN(tst_NavigatorTimerViewer)
#include "tst_navigatortimerviewer.moc"
