#include <qz/PpsObject>
#include <qz/system/LocaleHandler>

#include "ppstestserver.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace qz::system;
using qz::PpsObject;

namespace {

struct Channel
{
    const char *path;
    const char *attribute;
};

const Channel s_channels[] = {{"/pps/services/confstr/_CS_LOCALE", "_CS_LOCALE"},
                              {"/pps/services/locale/settings", "region"},
                              {"/pps/services/locale/uom", "uom"}};

} // namespace

class tst_LocaleHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void startValues();
    void changes_data();
    void changes();

private:
    // Writes \a value to channel \a channel and waits until a subscriber of its own has seen it.
    void publish(int channel, const QString &value);

    PpsTestServer m_server;
    std::unique_ptr<PpsObject> m_publishers[3];
    std::unique_ptr<PpsObject> m_probes[3];
};

void tst_LocaleHandler::initTestCase()
{
    QVERIFY(m_server.isRunning());
    const QString start[] = {QStringLiteral("en_GB"), QStringLiteral("de_DE"),
                             QStringLiteral("imperial")};
    for (int i = 0; i < 3; ++i) {
        m_publishers[i] = std::make_unique<PpsObject>(QString::fromLatin1(s_channels[i].path));
        QVERIFY(m_publishers[i]->open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create));
        QCOMPARE(m_publishers[i]->writeMessage(
                     {{QString::fromLatin1(s_channels[i].attribute), start[i]}}),
                 0);
        m_probes[i] = std::make_unique<PpsObject>(QString::fromLatin1(s_channels[i].path));
        QVERIFY(m_probes[i]->open(qz::PpsOpenMode::Subscribe));
        m_probes[i]->read();
    }
}

void tst_LocaleHandler::publish(int channel, const QString &value)
{
    QCOMPARE(m_publishers[channel]->writeMessage(
                 {{QString::fromLatin1(s_channels[channel].attribute), value}}),
             0);
    const QString key = QString::fromLatin1(s_channels[channel].path).section(u'/', -1);
    // Each read takes a change, so what was seen is remembered for QTRY_VERIFY's last check.
    bool seen = false;
    const auto arrived = [&] {
        bool ok = false;
        const QByteArray text = m_probes[channel]->read(&ok);
        return ok && PpsObject::decode(text)
                             .value(u'@' + key)
                             .toMap()
                             .value(QString::fromLatin1(s_channels[channel].attribute))
                             .toString() == value;
    };
    QTRY_VERIFY(seen || (seen = arrived()));
    // The handlers' subscription was sent the change at the same moment as the probe.
    QTest::qWait(30);
}

void tst_LocaleHandler::startValues()
{
    // Values published before the first handler are read when it is created.
    LocaleHandler messages(LocaleType::Messages);
    LocaleHandler region(LocaleType::Region);
    LocaleHandler other(LocaleType::Type(5));
    QCOMPARE(messages.locale().name(), QStringLiteral("en_GB"));
    QCOMPARE(QLocale().name(), QStringLiteral("en_GB"));
    QCOMPARE(region.locale().name(), QStringLiteral("de_DE"));
    QCOMPARE(other.locale(), QLocale(QLocale::C, QLocale::AnyCountry));
    QCOMPARE(other.measurementSystem(), MeasurementSystem::Imperial);
    QCOMPARE(messages.property("measurementSystem").toInt(), int(MeasurementSystem::Imperial));
    QCOMPARE(messages.forceUpdateOnChange(), QString());
}

void tst_LocaleHandler::changes_data()
{
    // Rows run in order on the process-wide values: en_GB, de_DE, imperial at the start.
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("messagesChanged");
    QTest::addColumn<int>("regionChanged");
    QTest::addColumn<int>("measurement"); // -1: no measurement signal
    QTest::addColumn<QString>("messagesName");
    QTest::addColumn<QString>("regionName");

    QTest::newRow("messages") << 0 << "fr_FR" << 1 << 0 << -1 << "fr_FR"
                              << "de_DE";
    QTest::newRow("messages again") << 0 << "fr_FR" << 0 << 0 << -1 << "fr_FR"
                                    << "de_DE";
    QTest::newRow("messages same locale") << 0 << "fr-FR" << 0 << 0 << -1 << "fr_FR"
                                          << "de_DE";
    QTest::newRow("region") << 1 << "ja_JP" << 0 << 1 << -1 << "fr_FR"
                            << "ja_JP";
    QTest::newRow("region again") << 1 << "ja_JP" << 0 << 0 << -1 << "fr_FR"
                                  << "ja_JP";
    QTest::newRow("metric") << 2 << "metric" << 0 << 0 << 0 << "fr_FR"
                            << "ja_JP";
    QTest::newRow("metric again") << 2 << "metric" << 0 << 0 << -1 << "fr_FR"
                                  << "ja_JP";
    QTest::newRow("case differs") << 2 << "Imperial" << 0 << 0 << -1 << "fr_FR"
                                  << "ja_JP";
    QTest::newRow("unknown unit") << 2 << "furlongs" << 0 << 0 << -1 << "fr_FR"
                                  << "ja_JP";
    QTest::newRow("imperial") << 2 << "imperial" << 0 << 0 << 1 << "fr_FR"
                              << "ja_JP";
    QTest::newRow("unit removed") << 2 << "" << 0 << 0 << -1 << "fr_FR"
                                  << "ja_JP";
}

void tst_LocaleHandler::changes()
{
    QFETCH(int, channel);
    QFETCH(QString, value);
    QFETCH(int, messagesChanged);
    QFETCH(int, regionChanged);
    QFETCH(int, measurement);
    QFETCH(QString, messagesName);
    QFETCH(QString, regionName);

    LocaleHandler messages(LocaleType::Messages);
    LocaleHandler region(LocaleType::Region);
    LocaleHandler other(LocaleType::Type(0));
    QSignalSpy messagesSpy(&messages, &LocaleHandler::changed);
    QSignalSpy regionSpy(&region, &LocaleHandler::changed);
    QSignalSpy otherSpy(&other, &LocaleHandler::changed);
    QStringList order[3];
    LocaleHandler *handlers[] = {&messages, &region, &other};
    for (int i = 0; i < 3; ++i) {
        QStringList *log = &order[i];
        connect(handlers[i],
                qOverload<MeasurementSystem::Type>(&LocaleHandler::measurementSystemChanged), this,
                [log](MeasurementSystem::Type t) { log->append(u"type " + QString::number(t)); });
        connect(handlers[i], qOverload<int>(&LocaleHandler::measurementSystemChanged), this,
                [log](int t) { log->append(u"int " + QString::number(t)); });
    }

    publish(channel, value);

    QCOMPARE(messagesSpy.count(), messagesChanged);
    QCOMPARE(regionSpy.count(), regionChanged);
    QCOMPARE(otherSpy.count(), 0);
    const QStringList expectedOrder = measurement < 0
                                          ? QStringList()
                                          : QStringList{u"type " + QString::number(measurement),
                                                        u"int " + QString::number(measurement)};
    for (const QStringList &log : order)
        QCOMPARE(log, expectedOrder);
    QCOMPARE(messages.locale().name(), messagesName);
    QCOMPARE(QLocale().name(), messagesName);
    QCOMPARE(region.locale().name(), regionName);
}

QTEST_GUILESS_MAIN(tst_LocaleHandler)
#include "tst_localehandler.moc"
