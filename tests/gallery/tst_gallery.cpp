// qzgallery --smoke, offscreen, with and without the device's services; and the counter of QML
// warnings that decides whether a smoke run passed.
#include "deviceprocesses.h"
#include "qmlwarningcounter.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <QRegularExpression>

class tst_Gallery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void warningCounterCountsOnlyQmlWarnings();
    void smokeRunLoadsEveryPageAndShowsAToast();
    void smokeRunFailsWithoutTheDevice();

private:
    // Runs the gallery's smoke run to its end; its exit code and standard error.
    static std::pair<int, QString> smoke(const QProcessEnvironment &environment);
};

void tst_Gallery::warningCounterCountsOnlyQmlWarnings()
{
    QmlWarningCounter counter;
    QQmlEngine engine;
    QQmlComponent component(&engine);
    component.setData(
        "import QtQuick\n"
        "QtObject {\n"
        "    signal done(int code)\n"
        "    property int broken: missing.value\n"
        "    onDone: console.log('done', code)\n"
        "    Component.onCompleted: { console.log('fine'); console.warn('odd'); done(1) }\n"
        "}\n",
        QUrl(QStringLiteral("qrc:/counted.qml")));
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("missing is not defined")));
    QTest::ignoreMessage(QtDebugMsg, "fine");
    QTest::ignoreMessage(QtWarningMsg, "odd");
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("Parameter \"code\" is not declared")));
    QTest::ignoreMessage(QtDebugMsg, "done 1");
    QTest::ignoreMessage(QtWarningMsg, "from C++");
    const std::unique_ptr<QObject> object(component.create());
    QVERIFY2(object, qPrintable(component.errorString()));
    qWarning("from C++");
    QCOMPARE(counter.count(), 3);
}

std::pair<int, QString> tst_Gallery::smoke(const QProcessEnvironment &environment)
{
    QProcessEnvironment galleryEnvironment = environment;
    galleryEnvironment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    galleryEnvironment.insert(QStringLiteral("QML_IMPORT_PATH"),
                              QStringLiteral(QZ_QML_IMPORT_PATH));
    QProcess gallery;
    gallery.setProcessEnvironment(galleryEnvironment);
    gallery.start(QStringLiteral(QZGALLERY_PATH), {QStringLiteral("--smoke")});
    if (!gallery.waitForFinished(120000)) {
        gallery.kill();
        gallery.waitForFinished();
        return {-1, QStringLiteral("qzgallery did not finish: ") +
                        QString::fromUtf8(gallery.readAllStandardError())};
    }
    return {gallery.exitStatus() == QProcess::NormalExit ? gallery.exitCode() : -1,
            QString::fromUtf8(gallery.readAllStandardError())};
}

void tst_Gallery::smokeRunLoadsEveryPageAndShowsAToast()
{
    DeviceProcesses device({});
    QVERIFY(device.isReady());

    const auto [exitCode, errors] = smoke(device.environment());
    QVERIFY2(exitCode == 0, qPrintable(errors));
    QCOMPARE(errors.count(QStringLiteral("smoke: page \"")), 9);
    QVERIFY2(errors.contains(QStringLiteral("smoke: the toast finished with TimeOut")),
             qPrintable(errors));
}

void tst_Gallery::smokeRunFailsWithoutTheDevice()
{
    QTemporaryDir nowhere;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QZ_PPS_SOCKET"),
                       nowhere.filePath(QStringLiteral("pps.sock")));

    const auto [exitCode, errors] = smoke(environment);
    QVERIFY2(exitCode == 1, qPrintable(errors));
    QVERIFY2(errors.contains(QStringLiteral("smoke: the toast finished with Error, not TimeOut")),
             qPrintable(errors));
}

QTEST_GUILESS_MAIN(tst_Gallery)
#include "tst_gallery.moc"
