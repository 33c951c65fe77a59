// The timer scheduler on the virtual clock: when timers fire, what is refused, what survives a
// restart.
#include "timerscheduler.h"
#include "virtualclock.h"

#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class tst_TimerScheduler : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void specificTimeFiresOnceAtItsTime();
    void advanceFiresEveryOccurrenceInOrder();
    void realTimeReachesTheDueInstant();
    void refused_data();
    void refused();
    void replacesAndRemoves();
    void longJumpsAreCappedAndMoveOn();
    void survivesARestart();
    void corruptFileIsSetAside();

private:
    VirtualClock m_clock;
    std::unique_ptr<QTemporaryDir> m_folder;
};

namespace {

const QDateTime T0 = QDateTime(QDate(2026, 6, 1), QTime(10, 0), Qt::UTC);

QVariantMap mapOf(const QByteArray &json)
{
    return QJsonDocument::fromJson(json).toVariant().toMap();
}

QVariantMap once(int hour, int minute)
{
    return mapOf(QStringLiteral(R"({"kind":3,"specific_time":{"year":2026,"month":6,"day":1,
                                    "hour":%1,"minute":%2,"time_zone":"UTC"}})")
                     .arg(hour)
                     .arg(minute)
                     .toUtf8());
}

QVariantMap daily(int hour, const char *extra = "")
{
    return mapOf(QStringLiteral(R"({"kind":1,"recurrence_rule":{"frequency":4%2,
                                    "start_date":{"year":2026,"month":6,"day":1,"hour":%1,"time_zone":"UTC"}}})")
                     .arg(hour)
                     .arg(QLatin1String(extra))
                     .toUtf8());
}

QStringList firedIds(const QSignalSpy &spy)
{
    QStringList ids;
    for (const QList<QVariant> &arguments : spy)
        ids.append(arguments.at(0).toString() + QLatin1Char('/') + arguments.at(1).toString());
    return ids;
}

} // namespace

void tst_TimerScheduler::init()
{
    m_clock.set(T0);
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void tst_TimerScheduler::specificTimeFiresOnceAtItsTime()
{
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QSignalSpy due(&scheduler, &TimerScheduler::due);
    QString error;
    QVERIFY2(scheduler.add(QStringLiteral("app"), QStringLiteral("t"), once(10, 5), &error),
             qPrintable(error));
    QCOMPARE(scheduler.list().value(0).nextDue, T0.addSecs(300));

    m_clock.advance(4 * 60 * 1000);
    QCOMPARE(due.count(), 0);
    m_clock.advance(60 * 1000);
    QCOMPARE(firedIds(due), QStringList{QStringLiteral("app/t")});
    QCOMPARE(scheduler.count(), 0);
    m_clock.advance(24 * 3600 * 1000);
    m_clock.set(T0);
    m_clock.advance(3600 * 1000);
    QCOMPARE(due.count(), 1);
}

void tst_TimerScheduler::advanceFiresEveryOccurrenceInOrder()
{
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QSignalSpy due(&scheduler, &TimerScheduler::due);
    QString error;
    QVERIFY2(scheduler.add(QStringLiteral("a"), QStringLiteral("daily"), daily(12), &error),
             qPrintable(error));
    QVERIFY2(scheduler.add(QStringLiteral("b"), QStringLiteral("once"), once(13, 0), &error),
             qPrintable(error));
    QVERIFY2(scheduler.add(QStringLiteral("c"), QStringLiteral("twice"),
                           daily(11, R"(,"count_limit":2)"), &error),
             qPrintable(error));

    m_clock.advance(2 * 24 * 3600 * 1000 + 2 * 3600 * 1000 + 1000); // June 3, 12:00:01
    QCOMPARE(firedIds(due), (QStringList{QStringLiteral("c/twice"), QStringLiteral("a/daily"),
                                         QStringLiteral("b/once"), QStringLiteral("c/twice"),
                                         QStringLiteral("a/daily"), QStringLiteral("a/daily")}));
    const QList<TimerScheduler::Entry> left = scheduler.list();
    QCOMPARE(left.size(), 1);
    QCOMPARE(left.at(0).nextDue, QDateTime(QDate(2026, 6, 4), QTime(12, 0), Qt::UTC));
    QCOMPARE(left.at(0).fired, 3);
}

void tst_TimerScheduler::realTimeReachesTheDueInstant()
{
    m_clock.set(T0.addMSecs(-300)); // the clock then runs on by itself
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QSignalSpy due(&scheduler, &TimerScheduler::due);
    QString error;
    QVERIFY2(scheduler.add(QStringLiteral("app"), QStringLiteral("t"), once(10, 0), &error),
             qPrintable(error));
    QCOMPARE(due.count(), 0);
    QTRY_COMPARE(due.count(), 1);
    QVERIFY(m_clock.now() >= T0);
}

void tst_TimerScheduler::refused_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QVariantMap>("registration");
    QTest::addColumn<QString>("error");

    const QString app = QStringLiteral("app");
    QTest::newRow("no target") << QString() << once(11, 0) << QStringLiteral("target: empty");
    QTest::newRow("kind 0") << app << mapOf(R"({"kind":0})")
                            << QStringLiteral("kind: expected 1 (recurrent), 2 or 3");
    QTest::newRow("kind as text") << app << mapOf(R"({"kind":"1"})")
                                  << QStringLiteral("kind: expected 1 (recurrent), 2 or 3");
    QTest::newRow("specific time over")
        << app << once(9, 59) << QStringLiteral("specific_time: 2026-06-01T09:59:00Z is over");
    QTest::newRow("specific time without a day")
        << app << mapOf(R"({"kind":2,"specific_time":{"year":2026,"month":6}})")
        << QStringLiteral("specific_time.day: missing");
    QTest::newRow("no rule") << app << mapOf(R"({"kind":1})")
                             << QStringLiteral("recurrence_rule: expected a map");
    QTest::newRow("malformed rule")
        << app << daily(8, R"(,"interval":0)")
        << QStringLiteral("recurrence_rule.interval: 0 is not within 1..");
    QTest::newRow("rule that ended")
        << app << daily(8, R"(,"count_limit":1)")
        << QStringLiteral("recurrence_rule: all 1 occurrences are over");
}

void tst_TimerScheduler::refused()
{
    QFETCH(QString, target);
    QFETCH(QVariantMap, registration);
    QFETCH(QString, error);
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QString reported;
    QVERIFY(!scheduler.add(target, QStringLiteral("t"), registration, &reported));
    QVERIFY2(reported.startsWith(error), qPrintable(reported));
    QCOMPARE(scheduler.count(), 0);
}

void tst_TimerScheduler::replacesAndRemoves()
{
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QString error;
    const QString a = QStringLiteral("a");
    const QString b = QStringLiteral("b");
    QVERIFY(scheduler.add(a, QStringLiteral("1"), once(11, 0), &error));
    QVERIFY(scheduler.add(a, QStringLiteral("2"), once(12, 0), &error));
    QVERIFY(scheduler.add(b, QStringLiteral("1"), once(13, 0), &error));
    QVERIFY(scheduler.add(a, QStringLiteral("1"), daily(14), &error));
    QCOMPARE(scheduler.count(), 3);
    const QList<TimerScheduler::Entry> ofA = scheduler.list(a);
    QCOMPARE(ofA.size(), 2);
    QCOMPARE(ofA.at(0).timerId, QStringLiteral("2")); // soonest first
    QCOMPARE(ofA.at(1).kind, 1);
    QCOMPARE(ofA.at(1).nextDue, T0.addSecs(4 * 3600));

    QVERIFY(!scheduler.remove(b, QStringLiteral("2")));
    QCOMPARE(scheduler.removeAll(a), 2);
    QCOMPARE(scheduler.list().value(0).target, b);
    QVERIFY(scheduler.remove(b, QStringLiteral("1")));
    QCOMPARE(scheduler.count(), 0);
}

void tst_TimerScheduler::longJumpsAreCappedAndMoveOn()
{
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QSignalSpy due(&scheduler, &TimerScheduler::due);
    QString error;
    QVERIFY2(scheduler.add(QStringLiteral("app"), QStringLiteral("m"),
                           mapOf(R"({"kind":1,"recurrence_rule":{"frequency":6,
                                    "start_date":{"year":2026,"month":6,"day":1,"hour":10,"time_zone":"UTC"}}})"),
                           &error),
             qPrintable(error));
    QTest::ignoreMessage(QtWarningMsg,
                         "timer \"app\" / \"m\": the clock passed more than 1000 occurrences at "
                         "once; skipping to now");
    m_clock.advance(qint64(3000) * 60 * 1000 + 30 * 1000);
    QCOMPARE(due.count(), TimerScheduler::s_maxCatchUp);
    QCOMPARE(scheduler.list().value(0).nextDue, T0.addSecs(3001 * 60));
}

void tst_TimerScheduler::survivesARestart()
{
    QString error;
    QList<TimerScheduler::Entry> before;
    {
        TimerScheduler scheduler(&m_clock, m_folder->path());
        QVERIFY(scheduler.add(QStringLiteral("a"), QStringLiteral("once"), once(10, 30), &error));
        QVERIFY(scheduler.add(QStringLiteral("a"), QStringLiteral("daily"),
                              daily(10, R"(,"count_limit":3)"), &error));
        m_clock.advance(60 * 1000); // the first daily occurrence fires
        before = scheduler.list();
    }
    QCOMPARE(before.size(), 2);

    TimerScheduler scheduler(&m_clock, m_folder->path());
    QCOMPARE(scheduler.loadError(), QString());
    const QList<TimerScheduler::Entry> after = scheduler.list();
    QCOMPARE(after.size(), before.size());
    for (int i = 0; i < after.size(); ++i) {
        QCOMPARE(after.at(i).target, before.at(i).target);
        QCOMPARE(after.at(i).timerId, before.at(i).timerId);
        QCOMPARE(after.at(i).nextDue, before.at(i).nextDue);
        QCOMPARE(after.at(i).registration, before.at(i).registration);
        QCOMPARE(after.at(i).fired, before.at(i).fired);
    }
    // The count limit carries on where it was: two occurrences are left.
    QSignalSpy due(&scheduler, &TimerScheduler::due);
    m_clock.advance(qint64(10) * 24 * 3600 * 1000);
    QCOMPARE(firedIds(due), (QStringList{QStringLiteral("a/once"), QStringLiteral("a/daily"),
                                         QStringLiteral("a/daily")}));
    QCOMPARE(scheduler.count(), 0);
}

void tst_TimerScheduler::corruptFileIsSetAside()
{
    const QString path = m_folder->filePath(QStringLiteral("timers.json"));
    const QByteArray corrupt =
        R"({"version":1,"timers":[{"target":"a","timer_id":"1","kind":3,"next_due":0,"number":0,"fired":0,
            "specific_time":{"year":2026,"month":7,"day":1}},
           {"target":"a","timer_id":"2","kind":3,"next_due":0,"number":0,"fired":0,
            "specific_time":{"year":2026,"month":13,"day":1}}]})";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(corrupt);
    file.close();

    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^ignoring the saved timers")));
    TimerScheduler scheduler(&m_clock, m_folder->path());
    QVERIFY2(scheduler.loadError().contains(QLatin1String("timers[1]: specific_time.month")),
             qPrintable(scheduler.loadError()));
    QCOMPARE(scheduler.count(), 0); // not half-loaded
    QFile aside(path + QStringLiteral(".corrupt"));
    QVERIFY(aside.open(QIODevice::ReadOnly));
    QCOMPARE(aside.readAll(), corrupt);
}

QTEST_GUILESS_MAIN(tst_TimerScheduler)
#include "tst_timerscheduler.moc"
