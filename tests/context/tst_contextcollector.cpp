#include <qz/system/ContextCollector>

#include "recordingbackend.h"

#include <context/context.h>

#include <QSignalSpy>
#include <QTest>

#include <cstring>
#include <functional>

using namespace qz::system;

using Send = std::function<void(ContextCollector &, ContextEvent *)>;
Q_DECLARE_METATYPE(Send)

namespace {

QVariantList pairs(std::initializer_list<std::pair<const char *, const char *>> list)
{
    QVariantList result;
    for (const auto &[key, value] : list)
        result.append(QVariant(QStringList{QString::fromUtf8(key), QString::fromUtf8(value)}));
    return result;
}

// Scripts reach the integer forms through the meta-object system.
void invokeActivity(ContextCollector &collector, int state)
{
    QVERIFY(QMetaObject::invokeMethod(&collector, "sendActivity",
                                      Q_ARG(QString, QStringLiteral("a")), Q_ARG(int, state),
                                      Q_ARG(qz::system::ContextEvent *, nullptr)));
}

} // namespace

class tst_ContextCollector : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_backend.clear(); }
    void sends_data();
    void sends();
    void keysKeepFirstInsertionOrder();
    void attributes_data();
    void attributes();
    void privateValues_data();
    void privateValues();
    void validity();
    void outOfRangeEnumerations();
    void libraryRefusesBadArguments();

private:
    RecordingBackend m_backend{RecordingBackend::Service::Context};
};

void tst_ContextCollector::sends_data()
{
    QTest::addColumn<Send>("send");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<QVariantList>("arguments"); // after the handle

    const QVariantList keys = pairs({{"a", "1"}, {"b", "x"}});
    const QString name = QStringLiteral("n\u00e4me");
    QTest::newRow("custom") << Send([=](auto &c, auto *e) { c.sendCustomEvent(name, e); })
                            << QByteArray("ccl_oncustom_event") << QVariantList{name, keys};
    QTest::newRow("error") << Send([](auto &c, auto *e) {
        c.sendApplicationError(QStringLiteral("boom"), e);
    }) << QByteArray("ccl_onapplication_error")
                           << QVariantList{QVariant(keys + pairs({{"errorMessage", "boom"}}))};
    QTest::newRow("search") << Send([=](auto &c, auto *e) { c.sendSearchEvent(name, e); })
                            << QByteArray("ccl_onsearch_event") << QVariantList{keys, name};
    QTest::newRow("start") << Send([=](auto &c, auto *e) {
        c.sendActivity(name, ContextActivityState::Start, e);
    }) << QByteArray("ccl_onactivity_start")
                           << QVariantList{keys, name};
    QTest::newRow("pause") << Send([=](auto &c, auto *e) {
        c.sendActivity(name, ContextActivityState::Pause, e);
    }) << QByteArray("ccl_onactivity_pause")
                           << QVariantList{keys, name};
    QTest::newRow("stop") << Send([=](auto &c, auto *e) {
        c.sendActivity(name, ContextActivityState::Stop, e);
    }) << QByteArray("ccl_onactivity_end")
                          << QVariantList{keys, name};
    QTest::newRow("button") << Send([](auto &c, auto *e) { c.sendButtonClick(e); })
                            << QByteArray("ccl_onbutton_click") << QVariantList{keys};
    QTest::newRow("content") << Send([](auto &c, auto *e) { c.sendContentView(e); })
                             << QByteArray("ccl_oncontent_view") << QVariantList{keys};
    QTest::newRow("ad") << Send([=](auto &c, auto *e) { c.sendAdClick(name, e); })
                        << QByteArray("ccl_onadclick_event") << QVariantList{keys, name};
    QTest::newRow("conversion") << Send([=](auto &c, auto *e) { c.sendConversionEvent(name, e); })
                                << QByteArray("ccl_onconversion_event") << QVariantList{keys, name};
    QTest::newRow("corporate") << Send([=](auto &c, auto *e) {
        c.sendCorporateLiableEvent(name, e);
    }) << QByteArray("ccl_oncorporateliable_event")
                               << QVariantList{name, keys};
}

void tst_ContextCollector::sends()
{
    QFETCH(Send, send);
    QFETCH(QByteArray, call);
    QFETCH(QVariantList, arguments);

    ContextCollector collector(QStringLiteral("app"), QStringLiteral("1.0"));
    QVERIFY(collector.isValid());
    ContextEvent event;
    event.insert(QStringLiteral("a"), 1);
    event.insert(QStringLiteral("b"), QStringLiteral("x"));
    m_backend.clear();

    send(collector, &event);

    const QList<QByteArray> names = m_backend.callNames();
    QCOMPARE(names.first(), QByteArray("ccl_event_keys_create"));
    QCOMPARE(names.mid(names.size() - 2), (QList<QByteArray>{call, "ccl_event_keys_delete"}));
    QVariantList args = m_backend.argumentsOf(call).value(0);
    QVERIFY(!args.isEmpty() && args.takeFirst().toULongLong() != 0);
    QCOMPARE(args, arguments);
    QCOMPARE(event.keys(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));

    // Without an event the key set is empty, not missing.
    m_backend.clear();
    send(collector, nullptr);
    args = m_backend.argumentsOf(call).value(0);
    QVERIFY(args.contains(QVariant(QVariantList())) || call == "ccl_onapplication_error");
}

void tst_ContextCollector::keysKeepFirstInsertionOrder()
{
    ContextCollector collector(QStringLiteral("app"), QStringLiteral("1.0"));
    ContextEvent event;
    event.insert(QStringLiteral("a"), QStringLiteral("first"));
    event.insert(QStringLiteral("b"), QStringLiteral("b"));
    event.insert(QStringLiteral("c"), QStringLiteral("c"));
    event.insert(QStringLiteral("a"), QStringLiteral("second"));
    event.remove(QStringLiteral("c"));
    collector.sendButtonClick(&event);
    QCOMPARE(m_backend.argumentsOf("ccl_onbutton_click").value(0).value(1).toList(),
             pairs({{"a", "second"}, {"b", "b"}}));
    QCOMPARE(m_backend.argumentsOf("ccl_event_keys_add").size(), 2);

    event.clear();
    event.insert(QStringLiteral("c"), QStringLiteral("again"));
    QCOMPARE(event.keys(), QStringList{QStringLiteral("c")});
}

void tst_ContextCollector::attributes_data()
{
    QTest::addColumn<std::function<void(ContextEvent &)>>("insert");
    QTest::addColumn<QString>("stored");

    using Insert = std::function<void(ContextEvent &)>;
    const QString k = QStringLiteral("k");
    QTest::newRow("true") << Insert([=](ContextEvent &e) { e.insert(k, true); }) << "true";
    QTest::newRow("false") << Insert([=](ContextEvent &e) { e.insert(k, false); }) << "false";
    QTest::newRow("negative int") << Insert([=](ContextEvent &e) { e.insert(k, -42); }) << "-42";
    QTest::newRow("double rounded")
        << Insert([=](ContextEvent &e) { e.insert(k, 2.675, 1); }) << "2.7";
    QTest::newRow("double padded")
        << Insert([=](ContextEvent &e) { e.insert(k, 3.0, 3); }) << "3.000";
    QTest::newRow("public text") << Insert([=](ContextEvent &e) {
        e.insert(k, QStringLiteral("plain"), ContextClassification::Public);
    }) << "plain";
    QTest::newRow("timestamp in UTC") << Insert([=](ContextEvent &e) {
        QDateTime t(QDate(2024, 1, 31), QTime(23, 30, 5), Qt::OffsetFromUTC, -3600);
        e.insertCorporateLiableTimestamp(k, t);
    }) << "2024/02/01 00:30:05";
}

void tst_ContextCollector::attributes()
{
    QFETCH(std::function<void(ContextEvent &)>, insert);
    QFETCH(QString, stored);
    ContextEvent event;
    insert(event);
    QCOMPARE(event.value(QStringLiteral("k")), stored);
    QVERIFY(m_backend.calls().isEmpty());
}

void tst_ContextCollector::privateValues_data()
{
    QTest::addColumn<int>("classification");
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<bool>("refused");

    QTest::newRow("private") << 1 << QByteArray("getCCLAnonymizedString") << false;
    QTest::newRow("private refused") << 1 << QByteArray("getCCLAnonymizedString") << true;
    QTest::newRow("short") << 2 << QByteArray("getCCLAnonymizedPIN") << false;
    QTest::newRow("short refused") << 2 << QByteArray("getCCLAnonymizedPIN") << true;
    QTest::newRow("larger value") << 9 << QByteArray("getCCLAnonymizedPIN") << false;
}

void tst_ContextCollector::privateValues()
{
    QFETCH(int, classification);
    QFETCH(QByteArray, call);
    QFETCH(bool, refused);

    const QString digest = QStringLiteral("digest-of-the-value");
    m_backend.setOutValues(call, {digest});
    if (refused)
        m_backend.failCall(call, EIO);
    ContextEvent event;
    event.insert(QStringLiteral("k"), QStringLiteral("old"));
    event.insert(QStringLiteral("k"), QStringLiteral("s\u00e9cret"),
                 ContextClassification::Type(classification));
    m_backend.succeedCall(call);

    QCOMPARE(m_backend.callNames(), QList<QByteArray>{call});
    QCOMPARE(m_backend.argumentsOf(call).value(0).value(0).toString(),
             QStringLiteral("s\u00e9cret"));
    QCOMPARE(event.value(QStringLiteral("k")), refused ? QString() : digest);
    QCOMPARE(event.keys(), QStringList{QStringLiteral("k")});
}

void tst_ContextCollector::validity()
{
    {
        ContextCollector collector(QStringLiteral("app"), QString());
        QVERIFY(!collector.isValid());
        collector.sendCustomEvent(QStringLiteral("dropped"));
        QVERIFY(m_backend.calls().isEmpty());
    }

    ContextCollector collector;
    QSignalSpy nameSpy(&collector, &ContextCollector::applicationNameChanged);
    collector.setApplicationName(QStringLiteral("app"));
    collector.setApplicationVersion(QStringLiteral("2"));
    QVERIFY(collector.isValid());
    QCOMPARE(m_backend.argumentsOf("ccl_init"),
             QList<QVariantList>{(QVariantList{QStringLiteral("app"), QStringLiteral("2")})});

    m_backend.clear();
    collector.setApplicationName(QStringLiteral("app"));
    QCOMPARE(nameSpy.count(), 1);
    QVERIFY(m_backend.calls().isEmpty());

    m_backend.setOutValues("ccl_is_ccl_enabled", {true});
    QVERIFY(collector.isEnabled());
    m_backend.setOutValues("ccl_is_ccl_enabled", {false});
    QVERIFY(!collector.isEnabled());

    // A refused re-initialisation leaves the collector invalid, the old handle shut down.
    m_backend.clear();
    m_backend.failCall("ccl_init");
    collector.setApplicationName(QStringLiteral("other"));
    QCOMPARE(m_backend.callNames(), (QList<QByteArray>{"ccl_shutdown", "ccl_init"}));
    QVERIFY(!collector.isValid());
    QVERIFY(!collector.isEnabled());
    m_backend.succeedCall("ccl_init");

    collector.resetApplicationName();
    QCOMPARE(nameSpy.count(), 3);
    QCOMPARE(nameSpy.last().value(0).toString(), QString());
}

void tst_ContextCollector::outOfRangeEnumerations()
{
    ContextCollector collector(QStringLiteral("app"), QStringLiteral("1"));
    m_backend.clear();
    for (int state : {3, -1}) {
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("ContextCollector::sendActivity() : value "
                                                       "for ContextActivityState parameter is out "
                                                       "of range: %1")
                                            .arg(state)));
        invokeActivity(collector, state);
    }
    QVERIFY(m_backend.calls().isEmpty());
    invokeActivity(collector, 2);
    QCOMPARE(m_backend.argumentsOf("ccl_onactivity_end").size(), 1);

    ContextEvent event;
    QTest::ignoreMessage(QtWarningMsg, "ContextEvent::insert() : value for ContextClassification "
                                       "parameter is out of range: -1");
    QVERIFY(QMetaObject::invokeMethod(&event, "insert", Q_ARG(QString, QStringLiteral("k")),
                                      Q_ARG(QString, QStringLiteral("v")), Q_ARG(int, -1)));
    QVERIFY(event.keys().isEmpty());
}

void tst_ContextCollector::libraryRefusesBadArguments()
{
    // A handle that was shut down is refused, not followed.
    ccl_context_t *context = ccl_init("app", "1");
    QVERIFY(context);
    ccl_event_keys_t *keys = ccl_event_keys_create();
    QCOMPARE(ccl_event_keys_add(keys, "k", "v", 1), -1);
    QCOMPARE(ccl_event_keys_add(keys, "", "v", 0), -1);
    QCOMPARE(ccl_shutdown(context), 0);
    m_backend.clear();
    errno = 0;
    QCOMPARE(ccl_onbutton_click(context, keys), -1);
    QCOMPARE(errno, EINVAL);
    QCOMPARE(ccl_is_ccl_enabled(context), -1);
    QVERIFY(m_backend.calls().isEmpty());
    QCOMPARE(ccl_event_keys_delete(keys), 0);
    QCOMPARE(ccl_event_keys_delete(keys), -1);
    m_backend.clear();
    QVERIFY(!ccl_init("app", ""));

    // A buffer that cannot hold the digest fails before the value leaves the process; a digest
    // that would not fit leaves the buffer untouched.
    char buffer[CCL_ANONYMIZED_SIZE];
    std::memset(buffer, 'x', sizeof buffer);
    QCOMPARE(getCCLAnonymizedString("pin", buffer, CCL_ANONYMIZED_SIZE - 1), -1);
    QCOMPARE(errno, ERANGE);
    QVERIFY(m_backend.calls().isEmpty());
    m_backend.setOutValues("getCCLAnonymizedPIN", {QString(CCL_ANONYMIZED_SIZE, u'a')});
    QCOMPARE(getCCLAnonymizedPIN("pin", buffer, sizeof buffer), -1);
    QCOMPARE(errno, EPROTO);
    QCOMPARE(buffer[0], 'x');
    m_backend.setOutValues("getCCLAnonymizedPIN", {QString(CCL_ANONYMIZED_SIZE - 1, u'a')});
    QCOMPARE(getCCLAnonymizedPIN("pin", buffer, sizeof buffer), 0);
    QCOMPARE(qstrlen(buffer), uint(CCL_ANONYMIZED_SIZE - 1));
}

QTEST_GUILESS_MAIN(tst_ContextCollector)
#include "tst_contextcollector.moc"
