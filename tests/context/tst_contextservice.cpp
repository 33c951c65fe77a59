#include <qz/system/ContextCollector>

#include "deviceprocesses.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageAuthenticationCode>

#include <sys/stat.h>

using namespace qz::system;

namespace {

const char s_account[] = "alice@example.org";
const char s_pin[] = "4711";

QString digest(const QByteArray &secret, const char *label, const char *value)
{
    return QString::fromLatin1(
        QMessageAuthenticationCode::hash(QByteArray(label) + '\0' + value, secret,
                                         QCryptographicHash::Sha256)
            .toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

} // namespace

// qzdevice's context collector with the library on the other side, across processes.
class tst_ContextService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void privateValuesNeverInPlainText();
    void collectionSwitchedOffSurvivesRestart();

private:
    // Starts qzctl context tail and waits until it follows the events.
    bool startTail(DeviceProcesses &device, QProcess &tail, int count)
    {
        device.startCtl(tail, {QStringLiteral("context"), QStringLiteral("tail"),
                               QStringLiteral("--count"), QString::number(count)});
        return tail.waitForReadyRead(10000) && tail.readLine().startsWith("tailing");
    }
    QList<QVariantMap> tailed(QProcess &tail)
    {
        QList<QVariantMap> events;
        if (!tail.waitForFinished(10000))
            return events;
        for (const QByteArray &line : tail.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                events.append(QJsonDocument::fromJson(line).object().toVariantMap());
        }
        return events;
    }
};

void tst_ContextService::privateValuesNeverInPlainText()
{
    DeviceProcesses device({QStringLiteral("--verbose")});
    QVERIFY(device.isReady());
    qputenv("QZ_PPS_SOCKET", device.filePath(QStringLiteral("pps.sock")).toLocal8Bit());
    QProcess tail;
    QVERIFY(startTail(device, tail, 2));

    ContextCollector collector(QStringLiteral("notes"), QStringLiteral("2.1"));
    QVERIFY(collector.isValid());
    QVERIFY(collector.isEnabled());
    ContextEvent event;
    event.insert(QStringLiteral("account"), QString::fromLatin1(s_account),
                 ContextClassification::Private);
    event.insert(QStringLiteral("pin"), QString::fromLatin1(s_pin),
                 ContextClassification::PrivateShort);
    event.insert(QStringLiteral("count"), 3);
    collector.sendCustomEvent(QStringLiteral("opened"), &event);
    collector.sendActivity(QStringLiteral("editor"), ContextActivityState::Pause);

    const QList<QVariantMap> events = tailed(tail);
    QCOMPARE(events.size(), 2);

    QFile secretFile(device.filePath(QStringLiteral("data/context/secret")));
    struct stat status = {};
    QCOMPARE(::stat(QFile::encodeName(secretFile.fileName()).constData(), &status), 0);
    QCOMPARE(status.st_mode & 07777, mode_t(0600));
    QVERIFY(secretFile.open(QIODevice::ReadOnly));
    const QByteArray secret = secretFile.readAll();
    QCOMPARE(secret.size(), 32);

    QCOMPARE(events[0].value(QStringLiteral("kind")).toString(),
             QStringLiteral("ccl_oncustom_event"));
    QCOMPARE(events[0].value(QStringLiteral("name")).toString(), QStringLiteral("opened"));
    QCOMPARE(events[0].value(QStringLiteral("application")).toString(), QStringLiteral("notes"));
    const QVariantList expectedKeys{
        QVariantList{QStringLiteral("account"), digest(secret, "string", s_account)},
        QVariantList{QStringLiteral("pin"), digest(secret, "pin", s_pin)},
        QVariantList{QStringLiteral("count"), QStringLiteral("3")}};
    QCOMPARE(events[0].value(QStringLiteral("keys")).toList(), expectedKeys);
    QCOMPARE(events[1].value(QStringLiteral("kind")).toString(),
             QStringLiteral("ccl_onactivity_pause"));
    QCOMPARE(events[1].value(QStringLiteral("name")).toString(), QStringLiteral("editor"));

    // Neither what the collector logs nor anything under its data folder holds the values.
    QTRY_VERIFY(device.deviceLog().contains(QStringLiteral("ccl_onactivity_pause")));
    const QString log = device.deviceLog();
    for (const char *value : {s_account, s_pin})
        QVERIFY2(!log.contains(QLatin1String(value)), value);
    QVERIFY(!secret.contains(s_account));
}

void tst_ContextService::collectionSwitchedOffSurvivesRestart()
{
    DeviceProcesses device({});
    QVERIFY(device.isReady());
    qputenv("QZ_PPS_SOCKET", device.filePath(QStringLiteral("pps.sock")).toLocal8Bit());
    ContextCollector collector(QStringLiteral("notes"), QStringLiteral("2.1"));
    QVERIFY(collector.isEnabled());

    QCOMPARE(device.ctl({QStringLiteral("context"), QStringLiteral("disable")}),
             std::make_pair(QStringLiteral("collection: off\n"), 0));
    QVERIFY(!collector.isEnabled());
    QVERIFY(device.restartDevice());
    QCOMPARE(device.ctl({QStringLiteral("context"), QStringLiteral("status")}),
             std::make_pair(QStringLiteral("collection: off\n"), 0));

    // The restarted collector does not know this process: reporting starts again.
    collector.setApplicationVersion(QStringLiteral("2.2"));
    QVERIFY(collector.isValid());
    QProcess tail;
    QVERIFY(startTail(device, tail, 1));
    collector.sendCustomEvent(QStringLiteral("dropped"));
    QCOMPARE(device.ctl({QStringLiteral("context"), QStringLiteral("enable")}).second, 0);
    collector.sendCustomEvent(QStringLiteral("kept"));
    const QList<QVariantMap> events = tailed(tail);
    QCOMPARE(events.size(), 1);
    QCOMPARE(events[0].value(QStringLiteral("name")).toString(), QStringLiteral("kept"));
    QCOMPARE(events[0].value(QStringLiteral("version")).toString(), QStringLiteral("2.2"));

    QCOMPARE(
        device.ctl({QStringLiteral("context"), QStringLiteral("tail"), QStringLiteral("x")}).second,
        2);
}

QTEST_GUILESS_MAIN(tst_ContextService)
#include "tst_contextservice.moc"
