// qzdevice's command line: how the dialog policy is chosen.
#include "deviceoptions.h"

#include <QTest>

Q_DECLARE_METATYPE(DeviceOptions::Policy)

class tst_DeviceOptions : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void policy_data();
    void policy();
    void interactiveContradictingPolicyIsRefused();
};

void tst_DeviceOptions::policy_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<DeviceOptions::Policy>("policy");

    QTest::newRow("default") << QStringList() << DeviceOptions::Policy::Auto;
    QTest::newRow("--policy interactive")
        << QStringList{QStringLiteral("--policy"), QStringLiteral("interactive")}
        << DeviceOptions::Policy::Interactive;
    QTest::newRow("--interactive")
        << QStringList{QStringLiteral("--interactive")} << DeviceOptions::Policy::Interactive;
    QTest::newRow("-i") << QStringList{QStringLiteral("-i")} << DeviceOptions::Policy::Interactive;
    QTest::newRow("both agreeing")
        << QStringList{QStringLiteral("--interactive"), QStringLiteral("--policy"),
                       QStringLiteral("interactive")}
        << DeviceOptions::Policy::Interactive;
}

void tst_DeviceOptions::policy()
{
    QFETCH(QStringList, arguments);
    QFETCH(DeviceOptions::Policy, policy);

    QString error;
    const std::optional<DeviceOptions> options =
        DeviceOptions::parse(QStringList{QStringLiteral("qzdevice")} + arguments, &error);
    QVERIFY2(options, qPrintable(error));
    QCOMPARE(options->policy, policy);
}

void tst_DeviceOptions::interactiveContradictingPolicyIsRefused()
{
    QString error;
    QVERIFY(!DeviceOptions::parse({QStringLiteral("qzdevice"), QStringLiteral("--interactive"),
                                   QStringLiteral("--policy"), QStringLiteral("auto")},
                                  &error));
    QCOMPARE(error, QStringLiteral("--interactive contradicts --policy auto"));
}

QTEST_GUILESS_MAIN(tst_DeviceOptions)
#include "tst_deviceoptions.moc"
