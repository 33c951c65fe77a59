#include <qz/system/LocaleHandler>

#include "deviceprocesses.h"

#include <QSignalSpy>

using namespace qz::system;

// qzdevice's locale service, driven by qzctl, seen through the library in this process.
class tst_LocaleService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hostSettingsThenChanges();
};

void tst_LocaleService::hostSettingsThenChanges()
{
    qputenv("LC_ALL", "");
    qputenv("LC_MESSAGES", "");
    qputenv("LC_MEASUREMENT", "");
    qputenv("LANG", "en_US.UTF-8");
    DeviceProcesses device({});
    QVERIFY(device.isReady());
    qputenv("QZ_PPS_SOCKET", device.filePath(QStringLiteral("pps.sock")).toLocal8Bit());

    LocaleHandler messages(LocaleType::Messages);
    LocaleHandler region(LocaleType::Region);
    QCOMPARE(messages.locale().name(), QStringLiteral("en_US"));
    QCOMPARE(messages.measurementSystem(), MeasurementSystem::Imperial);

    QSignalSpy messagesSpy(&messages, &LocaleHandler::changed);
    QSignalSpy regionSpy(&region, &LocaleHandler::changed);
    QSignalSpy unitSpy(&region, qOverload<int>(&LocaleHandler::measurementSystemChanged));
    const auto [out, code] =
        device.ctl({QStringLiteral("locale"), QStringLiteral("set"), QStringLiteral("--region"),
                    QStringLiteral("de_CH"), QStringLiteral("--uom"), QStringLiteral("metric")});
    QCOMPARE(code, 0);
    QCOMPARE(out, QStringLiteral("messages: en_US\nregion: de_CH\nuom: metric\n"));
    QTRY_COMPARE(regionSpy.count(), 1);
    QTRY_COMPARE(unitSpy.count(), 1);
    QCOMPARE(unitSpy.first().first().toInt(), int(MeasurementSystem::Metric));
    QCOMPARE(region.locale().name(), QStringLiteral("de_CH"));

    // A refused request changes nothing, not even its acceptable parts.
    const QStringList refused[] = {
        {QStringLiteral("--messages"), QStringLiteral("fr_FR"), QStringLiteral("--uom"),
         QStringLiteral("Imperial")},
        {QStringLiteral("--messages"), QStringLiteral("fr_FR\nregion::xx")},
        {QStringLiteral("--region"), QStringLiteral("../../etc")},
    };
    for (const QStringList &arguments : refused)
        QCOMPARE(
            device.ctl(QStringList{QStringLiteral("locale"), QStringLiteral("set")} + arguments)
                .second,
            1);
    QCOMPARE(device.ctl({QStringLiteral("locale"), QStringLiteral("show")}).first,
             QStringLiteral("messages: en_US\nregion: de_CH\nuom: metric\n"));
    QCOMPARE(messagesSpy.count(), 0);
}

QTEST_GUILESS_MAIN(tst_LocaleService)
#include "tst_localeservice.moc"
