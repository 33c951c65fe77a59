#include <qz/system/LocaleHandler>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace qz::system;

class tst_LocaleAbsent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startValuesWithoutService();
};

void tst_LocaleAbsent::startValuesWithoutService()
{
    QTemporaryDir dir;
    qputenv("QZ_PPS_SOCKET", dir.filePath(QStringLiteral("none.sock")).toLocal8Bit());

    const char *const channels[][2] = {{"messages language", "/pps/services/confstr/_CS_LOCALE"},
                                       {"region locale", "/pps/services/locale/settings"},
                                       {"measurement system", "/pps/services/locale/uom"}};
    for (const auto &channel : channels)
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(
                QRegularExpression::escape(
                    QStringLiteral("qz::system::LocalePpsManager::LocalePpsManager() is unable "
                                   "to open %1 PPS channel \" %2 \". Error ")
                        .arg(QLatin1String(channel[0]), QLatin1String(channel[1]))) +
                QStringLiteral("\\d+ : \".+\"$")));
    LocaleHandler messages(LocaleType::Messages);
    QCOMPARE(messages.locale(), QLocale(QLocale::C, QLocale::AnyCountry));
    QCOMPARE(messages.measurementSystem(), MeasurementSystem::Metric);

    // The manager is made once: later handlers find it and log nothing.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    LocaleHandler region(LocaleType::Region);
    QCOMPARE(region.locale(), QLocale(QLocale::C, QLocale::AnyCountry));
    QCOMPARE(region.measurementSystem(), MeasurementSystem::Metric);
}

QTEST_GUILESS_MAIN(tst_LocaleAbsent)
#include "tst_localeabsent.moc"
