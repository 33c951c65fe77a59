#include "deviceprocesses.h"
#include "screencapture.h"

#include <QImageReader>
#include <QTest>

namespace {

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

Dialog shown(const char *className, const QVariantMap &description)
{
    return Dialog(DialogKey{str("control"), 1, str("d")}, str(className), description);
}

} // namespace

class TestScreenCapture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayShowsDialogs();
    void captures_data();
    void captures();
    void refusals_data();
    void refusals();
    void declined();
};

void TestScreenCapture::displayShowsDialogs()
{
    const QImage empty = ScreenCaptureService::render({});
    QCOMPARE(empty.size(), ScreenCaptureService::displaySize);
    const QImage dialog = ScreenCaptureService::render({shown(
        "AlertDialog", {{str("titleText"), str("Delete?")}, {str("messageText"), str("Sure")}})});
    const QImage toast =
        ScreenCaptureService::render({shown("ToastBase", {{str("messageText"), str("Saved")}})});
    // A dialog's box sits in the upper half, a toast's near the bottom; each changes only its
    // part of the display.
    const auto differs = [&](const QImage &image, int top, int bottom) {
        return image.copy(0, top, image.width(), bottom - top) !=
               empty.copy(0, top, empty.width(), bottom - top);
    };
    QVERIFY(differs(dialog, 150, 600));
    QVERIFY(!differs(dialog, 900, 1280));
    QVERIFY(differs(toast, 900, 1280));
    QVERIFY(!differs(toast, 150, 600));
    // The text is drawn inside the box.
    const QImage titled = ScreenCaptureService::render(
        {shown("AlertDialog",
               {{str("titleText"), str("Another title")}, {str("messageText"), str("Sure")}})});
    QVERIFY(titled != dialog);
}

void TestScreenCapture::captures_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("format");

    QTest::newRow("default") << QStringList() << QByteArray("png");
    QTest::newRow("png") << QStringList{str("--format"), str("png")} << QByteArray("png");
    QTest::newRow("jpg") << QStringList{str("--format"), str("jpg")} << QByteArray("jpeg");
    QTest::newRow("file png") << QStringList{str("--file"), str("@/a.png")} << QByteArray("png");
    QTest::newRow("file jpeg") << QStringList{str("--file"), str("@/b.JPEG")} << QByteArray("jpeg");
}

void TestScreenCapture::captures()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, format);

    DeviceProcesses device({});
    QVERIFY(device.isReady());
    arguments.replaceInStrings(QRegularExpression(str("^@")), device.filePath(QString()));
    const auto [out, status] = device.ctl(QStringList{str("screenshot")} + arguments);
    QCOMPARE(status, 0);
    const QString file = out.trimmed();
    if (arguments.contains(str("--file")))
        QCOMPARE(file, arguments.last());
    else
        QVERIFY2(file.startsWith(device.filePath(str("data/screenshots/"))), qPrintable(file));
    QImageReader reader(file);
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read();
    QCOMPARE(image.size(), ScreenCaptureService::displaySize);
}

void TestScreenCapture::refusals_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");

    // qzctl exits with 10 + the library's error.
    QTest::newRow("folder") << str("@") << 13;
    QTest::newRow("folder named like an image") << str("@/dir.png") << 13;
    QTest::newRow("missing folder") << str("@/none/a.png") << 13;
    QTest::newRow("unknown extension") << str("@/a.gif") << 14;
    QTest::newRow("no extension") << str("@/a") << 14;
}

void TestScreenCapture::refusals()
{
    QFETCH(QString, file);
    QFETCH(int, status);

    DeviceProcesses device({});
    QVERIFY(device.isReady());
    const QString root = device.filePath(str("out"));
    QVERIFY(QDir().mkpath(root + str("/dir.png")));
    file.replace(0, 1, root);
    QCOMPARE(device.ctl({str("screenshot"), str("--file"), file}).second, status);
    // Nothing was written anywhere, not even a temporary.
    QCOMPARE(QDir(root).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
             QStringList{str("dir.png")});
    QVERIFY(QDir(root + str("/dir.png")).isEmpty());
}

void TestScreenCapture::declined()
{
    DeviceProcesses device({str("--screenshot-decline")});
    QVERIFY(device.isReady());
    QCOMPARE(device.ctl({str("screenshot")}).second, 15);
    QCOMPARE(device.ctl({str("screenshot"), str("--file"), device.filePath(str("a.png"))}).second,
             15);
    QVERIFY(!QFile::exists(device.filePath(str("a.png"))));
    // With the service gone the capture fails at once.
    device.killDevice();
    QCOMPARE(device.ctl({str("screenshot")}).second, 12);
}

QTEST_MAIN(TestScreenCapture)
#include "tst_screencapture.moc"
