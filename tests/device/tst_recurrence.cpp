// Recurrence rules of timed invocations: the instants they fire at, and the rules refused.
#include "recurrence.h"

#include <QJsonDocument>
#include <QTest>

class tst_Recurrence : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void occurrences_data();
    void occurrences();
    void refused_data();
    void refused();
    void endedRuleSaysWhy();
};

namespace {

QVariantMap mapOf(const char *json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json), &error);
    if (error.error != QJsonParseError::NoError)
        qFatal("bad JSON in the test table: %s", json);
    return document.toVariant().toMap();
}

QDateTime utc(const char *iso)
{
    QDateTime time = QDateTime::fromString(QLatin1String(iso), Qt::ISODate);
    time.setTimeSpec(Qt::UTC);
    return time;
}

QByteArrayList isoList(const QList<QDateTime> &times)
{
    QByteArrayList list;
    for (const QDateTime &time : times)
        list.append(time.toString(Qt::ISODate).toLatin1());
    return list;
}

} // namespace

void tst_Recurrence::occurrences_data()
{
    QTest::addColumn<QByteArray>("rule");
    QTest::addColumn<QDateTime>("notBefore");
    QTest::addColumn<QByteArrayList>("expected"); // all that are left when fewer than 8
    QTest::addColumn<qint64>("firstNumber");      // counted from the start with a count limit

    const QDateTime atStart;
    QTest::newRow("daily every third day")
        << QByteArray(R"({"frequency":4,"interval":3,
                          "start_date":{"year":2026,"month":1,"day":30,"hour":8,"minute":15,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2026-01-30T08:15:00Z", "2026-02-02T08:15:00Z", "2026-02-05T08:15:00Z",
                          "2026-02-08T08:15:00Z", "2026-02-11T08:15:00Z", "2026-02-14T08:15:00Z",
                          "2026-02-17T08:15:00Z", "2026-02-20T08:15:00Z"}
        << qint64(0);
    QTest::newRow("monthly on the 31st skips short months")
        << QByteArray(R"({"frequency":2,
                          "start_date":{"year":2026,"month":1,"day":31,"hour":9,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2026-01-31T09:00:00Z", "2026-03-31T09:00:00Z", "2026-05-31T09:00:00Z",
                          "2026-07-31T09:00:00Z", "2026-08-31T09:00:00Z", "2026-10-31T09:00:00Z",
                          "2026-12-31T09:00:00Z", "2027-01-31T09:00:00Z"}
        << qint64(0);
    QTest::newRow("monthly on the last day")
        << QByteArray(R"({"frequency":2,"days_of_month":[-1],
                          "start_date":{"year":2028,"month":1,"day":15,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2028-01-31T00:00:00Z", "2028-02-29T00:00:00Z", "2028-03-31T00:00:00Z",
                          "2028-04-30T00:00:00Z", "2028-05-31T00:00:00Z", "2028-06-30T00:00:00Z",
                          "2028-07-31T00:00:00Z", "2028-08-31T00:00:00Z"}
        << qint64(0);
    QTest::newRow("yearly on February 29 in leap years only")
        << QByteArray(R"({"frequency":1,"months_of_year":[2],"days_of_month":[29],
                          "start_date":{"year":2023,"month":3,"day":1,"hour":12,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2024-02-29T12:00:00Z", "2028-02-29T12:00:00Z", "2032-02-29T12:00:00Z",
                          "2036-02-29T12:00:00Z", "2040-02-29T12:00:00Z", "2044-02-29T12:00:00Z",
                          "2048-02-29T12:00:00Z", "2052-02-29T12:00:00Z"}
        << qint64(0);
    QTest::newRow("yearly on February 29 skips a non-leap century")
        << QByteArray(R"({"frequency":1,"interval":100,"count_limit":3,
                          "start_date":{"year":2000,"month":2,"day":29,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2000-02-29T00:00:00Z", "2400-02-29T00:00:00Z", "2800-02-29T00:00:00Z"}
        << qint64(1);
    QTest::newRow("every other week on Monday, Wednesday and Friday")
        << QByteArray(R"({"frequency":3,"interval":2,"days_of_week":[5,1,3],
                          "start_date":{"year":2026,"month":12,"day":7,"hour":7,"minute":30,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2026-12-07T07:30:00Z", "2026-12-09T07:30:00Z", "2026-12-11T07:30:00Z",
                          "2026-12-21T07:30:00Z", "2026-12-23T07:30:00Z", "2026-12-25T07:30:00Z",
                          "2027-01-04T07:30:00Z", "2027-01-06T07:30:00Z"}
        << qint64(0);
    QTest::newRow("hourly on the hour and half past")
        << QByteArray(R"({"frequency":5,"minutes_of_hour":[30,0],
                          "start_date":{"year":2026,"month":12,"day":31,"hour":22,"minute":10,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2026-12-31T22:30:00Z", "2026-12-31T23:00:00Z", "2026-12-31T23:30:00Z",
                          "2027-01-01T00:00:00Z", "2027-01-01T00:30:00Z", "2027-01-01T01:00:00Z",
                          "2027-01-01T01:30:00Z", "2027-01-01T02:00:00Z"}
        << qint64(0);
    QTest::newRow("every 90 minutes during office hours")
        << QByteArray(R"({"frequency":6,"interval":90,"hours_of_day":[9,10,11],
                          "start_date":{"year":2026,"month":6,"day":1,"hour":9,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2026-06-01T09:00:00Z", "2026-06-01T10:30:00Z", "2026-06-02T09:00:00Z",
                          "2026-06-02T10:30:00Z", "2026-06-03T09:00:00Z", "2026-06-03T10:30:00Z",
                          "2026-06-04T09:00:00Z", "2026-06-04T10:30:00Z"}
        << qint64(0);
    QTest::newRow("count limit") << QByteArray(R"({"frequency":4,"count_limit":3,
                          "start_date":{"year":2026,"month":1,"day":1,"time_zone":"UTC"}})")
                                 << atStart
                                 << QByteArrayList{"2026-01-01T00:00:00Z", "2026-01-02T00:00:00Z",
                                                   "2026-01-03T00:00:00Z"}
                                 << qint64(1);
    QTest::newRow("count limit counted from the start")
        << QByteArray(R"({"frequency":4,"count_limit":10,
                          "start_date":{"year":2026,"month":1,"day":1,"hour":6,"time_zone":"UTC"}})")
        << utc("2026-01-09T00:00:00")
        << QByteArrayList{"2026-01-09T06:00:00Z", "2026-01-10T06:00:00Z"} << qint64(9);
    QTest::newRow("date limit is inclusive")
        << QByteArray(R"({"frequency":4,
                          "start_date":{"year":2026,"month":1,"day":1,"time_zone":"UTC"},
                          "date_limit":{"year":2026,"month":1,"day":3,"time_zone":"UTC"}})")
        << atStart
        << QByteArrayList{"2026-01-01T00:00:00Z", "2026-01-02T00:00:00Z", "2026-01-03T00:00:00Z"}
        << qint64(0);
    QTest::newRow("search from later than the start")
        << QByteArray(R"({"frequency":4,
                          "start_date":{"year":2020,"month":1,"day":1,"hour":10,"time_zone":"UTC"}})")
        << utc("2026-06-15T10:00:01")
        << QByteArrayList{"2026-06-16T10:00:00Z", "2026-06-17T10:00:00Z", "2026-06-18T10:00:00Z",
                          "2026-06-19T10:00:00Z", "2026-06-20T10:00:00Z", "2026-06-21T10:00:00Z",
                          "2026-06-22T10:00:00Z", "2026-06-23T10:00:00Z"}
        << qint64(0);
    // 02:30 does not exist on March 29 and happens twice on October 25 in Berlin.
    QTest::newRow("daily in Berlin over the spring gap")
        << QByteArray(R"({"frequency":4,"count_limit":3,
                          "start_date":{"year":2026,"month":3,"day":28,"hour":2,"minute":30,"time_zone":"Europe/Berlin"}})")
        << atStart
        << QByteArrayList{"2026-03-28T01:30:00Z", "2026-03-29T01:30:00Z", "2026-03-30T00:30:00Z"}
        << qint64(1);
    QTest::newRow("daily in Berlin over the autumn overlap")
        << QByteArray(R"({"frequency":4,"count_limit":3,
                          "start_date":{"year":2026,"month":10,"day":24,"hour":2,"minute":30,"time_zone":"Europe/Berlin"}})")
        << atStart
        << QByteArrayList{"2026-10-24T00:30:00Z", "2026-10-25T00:30:00Z", "2026-10-26T01:30:00Z"}
        << qint64(1);
    // 02:30 moves to 03:30, where the next occurrence already is: it fires once.
    QTest::newRow("hourly in New York over the spring gap")
        << QByteArray(R"({"frequency":5,"count_limit":4,"minutes_of_hour":[30],
                          "start_date":{"year":2026,"month":3,"day":8,"time_zone":"America/New_York"}})")
        << atStart
        << QByteArrayList{"2026-03-08T05:30:00Z", "2026-03-08T06:30:00Z", "2026-03-08T07:30:00Z",
                          "2026-03-08T08:30:00Z"}
        << qint64(1);
}

void tst_Recurrence::occurrences()
{
    QFETCH(QByteArray, rule);
    QFETCH(QDateTime, notBefore);
    QFETCH(QByteArrayList, expected);
    QFETCH(qint64, firstNumber);

    QString error;
    const std::optional<RecurrenceRule> parsed =
        RecurrenceRule::fromWire(mapOf(rule.constData()), &error);
    QVERIFY2(parsed, qPrintable(error));
    // What is saved reads back as the same rule.
    QString reloadError;
    const std::optional<RecurrenceRule> reloaded =
        RecurrenceRule::fromWire(parsed->toWire(), &reloadError);
    QVERIFY2(reloaded, qPrintable(reloadError));
    QCOMPARE(reloaded->toWire(), parsed->toWire());

    const QDateTime from = notBefore.isValid() ? notBefore : parsed->start().instant();
    QList<QDateTime> times;
    std::optional<RecurrenceRule::Occurrence> occurrence = parsed->nextOccurrence(from);
    QVERIFY(occurrence);
    QCOMPARE(occurrence->number, firstNumber);
    QCOMPARE(reloaded->next(from), occurrence->at);
    while (occurrence && times.size() < 8) {
        times.append(occurrence->at);
        occurrence = parsed->following(*occurrence);
    }
    QCOMPARE(isoList(times), expected);
    // Searching again from any occurrence finds that occurrence.
    for (const QDateTime &time : std::as_const(times))
        QCOMPARE(parsed->next(time), time);
}

void tst_Recurrence::refused_data()
{
    QTest::addColumn<QByteArray>("rule");
    QTest::addColumn<QString>("error");

    const QByteArray start = R"("start_date":{"year":2026,"month":1,"day":5,"time_zone":"UTC"})";
    const auto with = [&](const char *fields) -> QByteArray {
        return QByteArray("{") + fields + ',' + start + '}';
    };
    QTest::newRow("no frequency") << with(R"("interval":1)")
                                  << QStringLiteral("recurrence_rule.frequency: missing");
    QTest::newRow("unknown frequency")
        << with(R"("frequency":7)")
        << QStringLiteral("recurrence_rule.frequency: unknown frequency 7");
    QTest::newRow("frequency as text")
        << with(R"("frequency":"daily")")
        << QStringLiteral("recurrence_rule.frequency: unknown frequency daily");
    QTest::newRow("interval 0") << with(R"("frequency":4,"interval":0)")
                                << QStringLiteral("recurrence_rule.interval: 0 is not within 1..");
    QTest::newRow("fractional interval")
        << with(R"("frequency":4,"interval":1.5)")
        << QStringLiteral("recurrence_rule.interval: expected a whole number");
    QTest::newRow("negative count")
        << with(R"("frequency":4,"count_limit":-1)")
        << QStringLiteral("recurrence_rule.count_limit: -1 is not within 0..");
    QTest::newRow("minute 60") << with(R"("frequency":4,"minutes_of_hour":[0,60])")
                               << QStringLiteral(
                                      "recurrence_rule.minutes_of_hour: 60 is not within 0..59");
    QTest::newRow("hour 24") << with(R"("frequency":4,"hours_of_day":[24])")
                             << QStringLiteral(
                                    "recurrence_rule.hours_of_day: 24 is not within 0..23");
    QTest::newRow("day of week 8")
        << with(R"("frequency":3,"days_of_week":[8])")
        << QStringLiteral("recurrence_rule.days_of_week: 8 is not within 1..7");
    QTest::newRow("day of month 0")
        << with(R"("frequency":2,"days_of_month":[0])")
        << QStringLiteral("recurrence_rule.days_of_month: 0 is not within 1..31 or -31..-1");
    QTest::newRow("day of month -32")
        << with(R"("frequency":2,"days_of_month":[-32])")
        << QStringLiteral("recurrence_rule.days_of_month: -32 is not within 1..31 or -31..-1");
    QTest::newRow("month 13") << with(R"("frequency":1,"months_of_year":[13])")
                              << QStringLiteral(
                                     "recurrence_rule.months_of_year: 13 is not within 1..12");
    QTest::newRow("list not a list")
        << with(R"("frequency":1,"months_of_year":3)")
        << QStringLiteral("recurrence_rule.months_of_year: expected a list of whole numbers");
    QTest::newRow("no start") << QByteArray(R"({"frequency":4})")
                              << QStringLiteral("recurrence_rule.start_date: missing");
    QTest::newRow("start not a date")
        << QByteArray(R"({"frequency":4,"start_date":{"year":2026,"month":2,"day":30}})")
        << QStringLiteral("recurrence_rule.start_date: 2026-02-30 is not a date");
    QTest::newRow("start without a year")
        << QByteArray(R"({"frequency":4,"start_date":{"month":2,"day":3}})")
        << QStringLiteral("recurrence_rule.start_date.year: missing");
    QTest::newRow("unknown time zone")
        << QByteArray(
               R"({"frequency":4,"start_date":{"year":2026,"month":2,"day":3,"time_zone":"Mars/Olympus_Mons"}})")
        << QStringLiteral(
               "recurrence_rule.start_date.time_zone: unknown time zone \"Mars/Olympus_Mons\"");
    QTest::newRow("time zone as a path")
        << QByteArray(
               R"({"frequency":4,"start_date":{"year":2026,"month":2,"day":3,"time_zone":"../../../etc/passwd"}})")
        << QStringLiteral("recurrence_rule.start_date.time_zone: unknown time zone");
    QTest::newRow("date limit before the start")
        << with(R"("frequency":4,"date_limit":{"year":2026,"month":1,"day":4,"time_zone":"UTC"})")
        << QStringLiteral("recurrence_rule.date_limit: before the start date");
    QTest::newRow("date limit before the first occurrence") // the start is a Monday
        << with(
               R"("frequency":3,"days_of_week":[7],"date_limit":{"year":2026,"month":1,"day":10,"time_zone":"UTC"})")
        << QStringLiteral("recurrence_rule: never fires (its date limit has passed)");
    QTest::newRow("February 30")
        << with(R"("frequency":1,"months_of_year":[2],"days_of_month":[30])")
        << QStringLiteral("recurrence_rule: never fires (no occurrence within 400 years)");
    QTest::newRow("April 31 every month")
        << with(R"("frequency":2,"months_of_year":[4],"days_of_month":[31])")
        << QStringLiteral("recurrence_rule: never fires (no occurrence within 400 years)");
    QTest::newRow("every 2 hours at odd hours from an even one")
        << with(R"("frequency":5,"interval":2,"hours_of_day":[1,3,23])")
        << QStringLiteral("recurrence_rule: never fires (no occurrence within 400 years)");
    QTest::newRow("every 2 minutes at odd minutes from an even one")
        << with(R"("frequency":6,"interval":2,"minutes_of_hour":[1,59])")
        << QStringLiteral("recurrence_rule: never fires (no occurrence within 400 years)");
    QTest::newRow("February 29 every 400 years from a non-leap year")
        << QByteArray(R"({"frequency":1,"interval":400,"months_of_year":[2],"days_of_month":[29],
                          "start_date":{"year":2100,"month":1,"day":1,"time_zone":"UTC"}})")
        << QStringLiteral("recurrence_rule: never fires (no occurrence within 400 years)");
}

void tst_Recurrence::refused()
{
    QFETCH(QByteArray, rule);
    QFETCH(QString, error);
    QString reported;
    QVERIFY(!RecurrenceRule::fromWire(mapOf(rule.constData()), &reported));
    QVERIFY2(reported.startsWith(error), qPrintable(reported));
}

void tst_Recurrence::endedRuleSaysWhy()
{
    QString error;
    const std::optional<RecurrenceRule> rule =
        RecurrenceRule::fromWire(mapOf(R"({"frequency":4,"count_limit":2,
                  "start_date":{"year":2026,"month":1,"day":1,"time_zone":"UTC"}})"),
                                 &error);
    QVERIFY2(rule, qPrintable(error));
    QString why;
    QVERIFY(!rule->nextOccurrence(utc("2026-01-02T00:00:01"), &why));
    QCOMPARE(why, QStringLiteral("all 2 occurrences are over"));
}

QTEST_GUILESS_MAIN(tst_Recurrence)
#include "tst_recurrence.moc"
