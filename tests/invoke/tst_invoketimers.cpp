// Timer registrations: the timer value types, the exact platform calls and content of a
// registration by specific time, by recurrence rule and of a deregistration, and every way the
// translation can fail: its warnings, a null reply, and no platform handle left behind.
#include <qz/system/InvokeManager>
#include <qz/system/InvokeTimerRequest>

#include "recordingbackend.h"

#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using namespace qz::system;
using Service = RecordingBackend::Service;

namespace {

using Names = QList<QByteArray>;

const QByteArray Prefix = QByteArrayLiteral("navigator_invoke_");
const QString Target = QStringLiteral("com.example.alarm");
const char FailedToSend[] = "Failed to send request.";

const InvokeDateTime Local(QDate(2026, 12, 24), QTime(18, 30, 45), QString());
const InvokeDateTime Zoned(QDate(2027, 1, 2), QTime(7, 5), QStringLiteral("Europe/Z\u00fcrich"));

QVariantMap timeContent(const InvokeDateTime &t)
{
    QVariantMap map = {{QStringLiteral("year"), t.date().year()},
                       {QStringLiteral("month"), t.date().month()},
                       {QStringLiteral("day"), t.date().day()},
                       {QStringLiteral("hour"), t.time().hour()},
                       {QStringLiteral("minute"), t.time().minute()}};
    if (!t.timeZone().isEmpty())
        map.insert(QStringLiteral("time_zone"), t.timeZone());
    return map;
}

// Every by-list with its own size, so that a message naming the wrong list or size shows.
InvokeRecurrenceRule fullRule()
{
    InvokeRecurrenceRule rule(InvokeRecurrenceRuleFrequency::Weekly, Local);
    rule.setLimit(5);
    rule.setLimit(Zoned);
    rule.setInterval(2);
    rule.setMinutesOfHour({0, 30});
    rule.setHoursOfDay({8, 12, 18});
    rule.setDaysOfWeek({1, 5});
    rule.setDaysOfMonth({1});
    rule.setMonthsOfYear({1, 6, 12});
    return rule;
}

// By-lists arrive in no particular order.
QVariantMap withSortedLists(QVariantMap map)
{
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value().typeId() == QMetaType::QVariantMap) {
            it.value() = withSortedLists(it.value().toMap());
        } else if (it.value().typeId() == QMetaType::QVariantList) {
            QVariantList list = it.value().toList();
            std::sort(list.begin(), list.end(),
                      [](const QVariant &a, const QVariant &b) { return a.toInt() < b.toInt(); });
            it.value() = list;
        }
    }
    return map;
}

} // namespace

class tst_InvokeTimers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void recurrenceRuleLimit();
    void timerRequestValidity_data();
    void timerRequestValidity();
    void copiesAreIndependent();

    void registerSpecificTime_data();
    void registerSpecificTime();
    void registerRecurrenceRule();
    void deregister_data();
    void deregister();
    void failures_data();
    void failures();

private:
    Names invokeCalls() const;
    QVariantMap sentContent() const;
    QString replyId(const InvokeReply *reply) const { return QString::number(quintptr(reply), 16); }

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<InvokeManager> m_manager;
};

void tst_InvokeTimers::init()
{
    m_backend = std::make_unique<RecordingBackend>();
    m_manager = std::make_unique<InvokeManager>();
    m_backend->clear();
}

void tst_InvokeTimers::cleanup()
{
    m_manager.reset();
    m_backend.reset();
}

Names tst_InvokeTimers::invokeCalls() const
{
    Names names;
    for (const QByteArray &name : m_backend->callNames()) {
        if (name.startsWith(Prefix))
            names.append(name.mid(Prefix.size()));
    }
    return names;
}

QVariantMap tst_InvokeTimers::sentContent() const
{
    const QList<QVariantList> sends =
        m_backend->argumentsOf("navigator_invoke_timer_registration_send");
    return sends.size() == 1 ? withSortedLists(sends.first().at(1).toMap()) : QVariantMap();
}

void tst_InvokeTimers::recurrenceRuleLimit()
{
    InvokeRecurrenceRule rule;
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::None);
    QCOMPARE(rule.interval(), 1);

    rule.setLimit(0);
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::None);
    rule.setLimit(5);
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::Count);
    // A date limit that is not valid is no limit, and does not bring the count back either.
    rule.setLimit(InvokeDateTime());
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::None);
    QCOMPARE(rule.countLimit(), 5);
    rule.setLimit(Zoned);
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::Date);
    rule.setLimit(3);
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::Count);
    QVERIFY(rule.dateLimit().isValid());

    rule.clearLimit();
    QCOMPARE(rule.limitType(), InvokeRecurrenceRuleLimit::None);
    QCOMPARE(rule.countLimit(), 0);
    QVERIFY(!rule.dateLimit().isValid());

    // Made with a frequency only, a rule starts now, in local time.
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    const InvokeDateTime start =
        InvokeRecurrenceRule(InvokeRecurrenceRuleFrequency::Daily).startTime();
    const QDateTime started(start.date(), start.time());
    QVERIFY(started >= before && started <= QDateTime::currentDateTime());
    QVERIFY(start.timeZone().isEmpty());
}

void tst_InvokeTimers::timerRequestValidity_data()
{
    QTest::addColumn<InvokeTimerRequest>("request");
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("valid");

    const InvokeRecurrenceRule rule(InvokeRecurrenceRuleFrequency::Hourly, Local);
    InvokeRecurrenceRule noInterval = rule;
    noInterval.setInterval(0);
    InvokeRecurrenceRule noFrequency = rule;
    noFrequency.setFrequency(InvokeRecurrenceRuleFrequency::None);

    QTest::newRow("default") << InvokeTimerRequest() << 0 << false;
    QTest::newRow("time") << InvokeTimerRequest(QStringLiteral("t"), Local, Target) << 1 << true;
    QTest::newRow("time, no timer id") << InvokeTimerRequest({}, Local, Target) << 1 << false;
    QTest::newRow("time, no target")
        << InvokeTimerRequest(QStringLiteral("t"), Local, {}) << 1 << false;
    QTest::newRow("invalid time") << InvokeTimerRequest(QStringLiteral("t"), InvokeDateTime(),
                                                        Target)
                                  << 1 << false;
    QTest::newRow("rule") << InvokeTimerRequest(QStringLiteral("t"), rule, Target) << 2 << true;
    QTest::newRow("rule, interval 0")
        << InvokeTimerRequest(QStringLiteral("t"), noInterval, Target) << 2 << false;
    QTest::newRow("rule, no frequency")
        << InvokeTimerRequest(QStringLiteral("t"), noFrequency, Target) << 2 << false;
    QTest::newRow("rule, no start")
        << InvokeTimerRequest(
               QStringLiteral("t"),
               InvokeRecurrenceRule(InvokeRecurrenceRuleFrequency::Hourly, InvokeDateTime()),
               Target)
        << 2 << false;
}

void tst_InvokeTimers::timerRequestValidity()
{
    QFETCH(InvokeTimerRequest, request);
    QFETCH(int, type);
    QFETCH(bool, valid);
    QCOMPARE(request.type(), type);
    QCOMPARE(request.isValid(), valid);
}

void tst_InvokeTimers::copiesAreIndependent()
{
    InvokeDateTime time = Local;
    time.setTimeZone(QStringLiteral("UTC"));
    QVERIFY(Local.timeZone().isEmpty());

    const InvokeRecurrenceRule original = fullRule();
    InvokeRecurrenceRule rule = original;
    rule.setDaysOfMonth({2, 3});
    rule.clearLimit();
    QCOMPARE(original.daysOfMonth(), QSet<int>{1});
    QCOMPARE(original.limitType(), InvokeRecurrenceRuleLimit::Date);

    const InvokeTimerRequest byRule(QStringLiteral("t"), original, Target);
    InvokeTimerRequest request = byRule;
    // A specific time replaces the rule.
    request.set(QStringLiteral("u"), Zoned, Target);
    QCOMPARE(request.type(), 1);
    QCOMPARE(request.recurrenceRule().frequency(), InvokeRecurrenceRuleFrequency::None);
    QCOMPARE(byRule.type(), 2);
    QCOMPARE(byRule.timerId(), QStringLiteral("t"));
    QCOMPARE(byRule.recurrenceRule().hoursOfDay(), (QSet<int>{8, 12, 18}));
}

void tst_InvokeTimers::registerSpecificTime_data()
{
    QTest::addColumn<InvokeDateTime>("time");
    QTest::addColumn<int>("kind");

    QTest::newRow("local, seconds dropped") << Local << 2;
    QTest::newRow("zoned") << Zoned << 3;
}

void tst_InvokeTimers::registerSpecificTime()
{
    QFETCH(InvokeDateTime, time);
    QFETCH(int, kind);

    InvokeReply *reply =
        m_manager->registerTimer(InvokeTimerRequest(QStringLiteral("t\u00e9"), time, Target));
    QVERIFY(reply);
    QCOMPARE(reply->parent(), m_manager.get());

    Names expected = {"timer_registration_create",     "timer_registration_set_action",
                      "timer_registration_set_id",     "timer_registration_set_timer_id",
                      "timer_registration_set_target", "specific_time_create",
                      "specific_time_set_year",        "specific_time_set_month",
                      "specific_time_set_day",         "specific_time_set_hour",
                      "specific_time_set_minute"};
    if (kind == 3)
        expected << "specific_time_set_time_zone";
    expected << "timer_registration_set_specific_time"
             << "specific_time_destroy"
             << "timer_registration_send"
             << "timer_registration_destroy";
    QCOMPARE(invokeCalls(), expected);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_timer_registration_create"),
             QList<QVariantList>{{kind}});

    const QVariantMap content = {{QStringLiteral("kind"), kind},
                                 {QStringLiteral("action"), 1},
                                 {QStringLiteral("id"), replyId(reply)},
                                 {QStringLiteral("timer_id"), QStringLiteral("t\u00e9")},
                                 {QStringLiteral("target"), Target},
                                 {QStringLiteral("specific_time"), timeContent(time)}};
    QCOMPARE(sentContent(), content);

    // The navigator's verdict arrives as its answer to the registration.
    QSignalSpy finished(reply, &InvokeReply::finished);
    RecordingBackend::postEvent(Service::Navigator, 45,
                                {{QStringLiteral("id"), replyId(reply)},
                                 {QStringLiteral("err"), QStringLiteral("INVOKE_TARGET_ERROR")},
                                 {QStringLiteral("error_code"), 7}});
    QTRY_COMPARE(finished.size(), 1);
    QCOMPARE(reply->error(), InvokeReplyError::Target);
    QCOMPARE(reply->errorCode(), 7);
}

void tst_InvokeTimers::registerRecurrenceRule()
{
    InvokeReply *reply =
        m_manager->registerTimer(InvokeTimerRequest(QStringLiteral("weekly"), fullRule(), Target));
    QVERIFY(reply);

    const Names time = {"specific_time_create",    "specific_time_set_year",
                        "specific_time_set_month", "specific_time_set_day",
                        "specific_time_set_hour",  "specific_time_set_minute"};
    const Names expected =
        Names{"timer_registration_create",     "timer_registration_set_action",
              "timer_registration_set_id",     "timer_registration_set_timer_id",
              "timer_registration_set_target", "recurrence_rule_create"} +
        time + Names{"recurrence_rule_set_start_date", "recurrence_rule_set_count_limit"} + time +
        Names{"specific_time_set_time_zone",
              "recurrence_rule_set_date_limit",
              "recurrence_rule_set_interval",
              "recurrence_rule_set_minutes_of_hour",
              "recurrence_rule_set_hours_of_day",
              "recurrence_rule_set_days_of_week",
              "recurrence_rule_set_days_of_month",
              "recurrence_rule_set_months_of_year",
              "timer_registration_set_recurrence_rule",
              "recurrence_rule_destroy",
              "specific_time_destroy",
              "specific_time_destroy",
              "timer_registration_send",
              "timer_registration_destroy"};
    QCOMPARE(invokeCalls(), expected);
    QCOMPARE(m_backend->argumentsOf("navigator_invoke_recurrence_rule_set_hours_of_day")
                 .first()
                 .at(2)
                 .toInt(),
             3);

    const QVariantMap rule = {
        {QStringLiteral("frequency"), 3},
        {QStringLiteral("start_date"), timeContent(Local)},
        {QStringLiteral("count_limit"), 5},
        {QStringLiteral("date_limit"), timeContent(Zoned)},
        {QStringLiteral("interval"), 2},
        {QStringLiteral("minutes_of_hour"), QVariantList{0, 30}},
        {QStringLiteral("hours_of_day"), QVariantList{8, 12, 18}},
        {QStringLiteral("days_of_week"), QVariantList{1, 5}},
        {QStringLiteral("days_of_month"), QVariantList{1}},
        {QStringLiteral("months_of_year"), QVariantList{1, 6, 12}},
    };
    const QVariantMap content = {{QStringLiteral("kind"), 1},
                                 {QStringLiteral("action"), 1},
                                 {QStringLiteral("id"), replyId(reply)},
                                 {QStringLiteral("timer_id"), QStringLiteral("weekly")},
                                 {QStringLiteral("target"), Target},
                                 {QStringLiteral("recurrence_rule"), rule}};
    QCOMPARE(sentContent(), content);

    // Without limits or lists: a cleared limit still sends a count of 0, and no list is sent.
    m_backend->clear();
    InvokeRecurrenceRule plain(InvokeRecurrenceRuleFrequency::Minutely, Zoned);
    plain.setLimit(4);
    plain.clearLimit();
    QVERIFY(m_manager->registerTimer(InvokeTimerRequest(QStringLiteral("m"), plain, Target)));
    QCOMPARE(sentContent().value(QStringLiteral("recurrence_rule")).toMap(),
             (QVariantMap{{QStringLiteral("frequency"), 6},
                          {QStringLiteral("start_date"), timeContent(Zoned)},
                          {QStringLiteral("count_limit"), 0},
                          {QStringLiteral("interval"), 1}}));
}

void tst_InvokeTimers::deregister_data()
{
    QTest::addColumn<QString>("timerId");
    QTest::newRow("named") << QStringLiteral("weekly");
    QTest::newRow("unnamed") << QString();
}

void tst_InvokeTimers::deregister()
{
    QFETCH(QString, timerId);

    InvokeReply *reply = m_manager->deregisterTimer(timerId);
    QVERIFY(reply);
    Names expected = {"timer_registration_create", "timer_registration_set_action",
                      "timer_registration_set_id"};
    QVariantMap content = {{QStringLiteral("kind"), 0},
                           {QStringLiteral("action"), 2},
                           {QStringLiteral("id"), replyId(reply)}};
    if (!timerId.isEmpty()) {
        expected << "timer_registration_set_timer_id";
        content.insert(QStringLiteral("timer_id"), timerId);
    }
    expected << "timer_registration_send"
             << "timer_registration_destroy";
    QCOMPARE(invokeCalls(), expected);
    QCOMPARE(sentContent(), content);
}

void tst_InvokeTimers::failures_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<InvokeTimerRequest>("request");
    QTest::addColumn<QByteArray>("failing");
    QTest::addColumn<QStringList>("warnings");
    QTest::addColumn<bool>("replied");

    const InvokeTimerRequest atTime(QStringLiteral("t"), Local, Target);
    const InvokeTimerRequest atZonedTime(QStringLiteral("t"), Zoned, Target);
    const InvokeTimerRequest byRule(QStringLiteral("t"), fullRule(), Target);
    InvokeRecurrenceRule noFrequency = fullRule();
    noFrequency.setFrequency(InvokeRecurrenceRuleFrequency::None);
    const QString rr = QStringLiteral("XrvTimerRequest::setRecurrenceRule");
    const QString freeDetails = QStringLiteral("XrvTimerRequest::freeRecurrenceRuleDetails");
    const QString sendFailed = rr + QStringLiteral(" Failed to send timer registration.");
    const QString noTime = QStringLiteral("XTR::createNST: Failed to create specific time.");

    // A failed registration always ends with the same warning; destroy failures end nothing.
    auto failed = [&](const char *name, const InvokeTimerRequest &request, const char *failing,
                      QStringList warnings) {
        QTest::newRow(name) << "register" << request << QByteArray(failing)
                            << (warnings << QLatin1String(FailedToSend)) << false;
    };

    QTest::newRow("no timer") << "register" << InvokeTimerRequest() << QByteArray()
                              << QStringList{QStringLiteral(
                                     "Unexpected InvokeTimerRequest type: 0")}
                              << false;
    for (const char *call :
         {"timer_registration_create", "timer_registration_set_action", "timer_registration_set_id",
          "timer_registration_set_timer_id", "timer_registration_set_target",
          "timer_registration_set_specific_time", "specific_time_set_minute"})
        failed(call, atTime, call, {});
    failed("zoned: time zone", atZonedTime, "specific_time_set_time_zone", {});
    failed("time: create", atTime, "specific_time_create", {noTime});
    failed("time: not valid", InvokeTimerRequest(QStringLiteral("t"), InvokeDateTime(), Target), "",
           {QStringLiteral("XTR::createNST: Specific Time is not valid")});
    failed("time: send", atTime, "timer_registration_send", {sendFailed});
    QTest::newRow("time: destroy")
        << "register" << atTime << QByteArray("specific_time_destroy") << QStringList() << true;

    failed("rule: not valid", InvokeTimerRequest(QStringLiteral("t"), noFrequency, Target), "",
           {rr + QStringLiteral(" rule is not valid")});
    failed("rule: create", byRule, "recurrence_rule_create",
           {rr + QStringLiteral(" Failed to create rule")});
    failed("rule: start created", byRule, "specific_time_create",
           {noTime, rr + QStringLiteral(" Failed to create xrv start date")});
    failed("rule: start filled", byRule, "specific_time_set_year",
           {rr + QStringLiteral(": Failed to create xrv start time")});
    failed("rule: start set", byRule, "recurrence_rule_set_start_date",
           {rr + QStringLiteral(" Failed to set start date")});
    failed("rule: count", byRule, "recurrence_rule_set_count_limit",
           {rr + QStringLiteral(" Failed to set countLimit: 5")});
    // Only the date limit carries a time zone.
    failed("rule: date limit filled", byRule, "specific_time_set_time_zone",
           {rr + QStringLiteral(": Failed to create xrv date limit")});
    failed("rule: date limit set", byRule, "recurrence_rule_set_date_limit",
           {rr + QStringLiteral(" failed to set date limit")});
    failed("rule: interval", byRule, "recurrence_rule_set_interval",
           {rr + QStringLiteral(" Failed to set interval  2")});
    failed("rule: minutes", byRule, "recurrence_rule_set_minutes_of_hour",
           {rr + QStringLiteral(" Failed to set 'minutes of hour'. size: 2")});
    failed("rule: hours", byRule, "recurrence_rule_set_hours_of_day",
           {rr + QStringLiteral(" Failed to set 'hours of day'. size: 3")});
    failed("rule: weekdays", byRule, "recurrence_rule_set_days_of_week",
           {rr + QStringLiteral(" Failed to set 'days of week'. size: 2")});
    failed("rule: days", byRule, "recurrence_rule_set_days_of_month",
           {rr + QStringLiteral(" Failed to set 'days of month'. size: 1")});
    failed("rule: months", byRule, "recurrence_rule_set_months_of_year",
           {rr + QStringLiteral(" Failed to set 'months of year'. size: 3")});
    failed("rule: set", byRule, "timer_registration_set_recurrence_rule",
           {rr + QStringLiteral(" Failed to set recurrence rule")});
    failed("rule: send", byRule, "timer_registration_send", {sendFailed});
    QTest::newRow("rule: destroy rule")
        << "register" << byRule << QByteArray("recurrence_rule_destroy")
        << QStringList{freeDetails + QStringLiteral(" Failed to destroy recurrence rule")} << true;
    QTest::newRow("rule: destroy times")
        << "register" << byRule << QByteArray("specific_time_destroy")
        << QStringList{freeDetails + QStringLiteral(" Failed to destroy start time"),
                       freeDetails + QStringLiteral(" Failed to destroy date limit")}
        << true;

    for (const char *call : {"timer_registration_create", "timer_registration_set_action",
                             "timer_registration_set_id", "timer_registration_set_timer_id"})
        QTest::newRow(QByteArray("deregister: ").append(call).constData())
            << "deregister" << InvokeTimerRequest() << QByteArray(call)
            << QStringList{QLatin1String(FailedToSend)} << false;
    QTest::newRow("deregister: send")
        << "deregister" << InvokeTimerRequest() << QByteArray("timer_registration_send")
        << QStringList{sendFailed, QLatin1String(FailedToSend)} << false;
}

void tst_InvokeTimers::failures()
{
    QFETCH(QString, operation);
    QFETCH(InvokeTimerRequest, request);
    QFETCH(QByteArray, failing);
    QFETCH(QStringList, warnings);
    QFETCH(bool, replied);

    if (!failing.isEmpty())
        m_backend->failCall(Prefix + failing);
    for (const QString &warning : warnings)
        QTest::ignoreMessage(QtWarningMsg, warning.toUtf8().constData());
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));

    InvokeReply *reply = operation == QLatin1String("register")
                             ? m_manager->registerTimer(request)
                             : m_manager->deregisterTimer(QStringLiteral("t"));
    QCOMPARE(reply != nullptr, replied);
    QCOMPARE(m_manager->findChildren<QObject *>().size(), replied ? 1 : 0);

    const Names calls = invokeCalls();
    QCOMPARE(calls.count("timer_registration_send"),
             replied || failing == "timer_registration_send" ? 1 : 0);
    // Every handle the platform made was released, and nothing was released twice.
    for (const QByteArray handle : {"timer_registration", "recurrence_rule", "specific_time"}) {
        const QByteArray create = handle + "_create";
        const qsizetype made = failing == create ? 0 : calls.count(create);
        QCOMPARE(calls.count(handle + "_destroy"), made);
    }
    // A rule that is not valid is refused before the platform hears of it.
    if (request.type() == 2 && !request.recurrenceRule().isValid())
        QVERIFY(!calls.contains("recurrence_rule_create"));
}

QTEST_GUILESS_MAIN(tst_InvokeTimers)
#include "tst_invoketimers.moc"
