#include <qz/system/Screenshot>

#include <screen/qtwindow.h>

#include "ppstestserver.h"
#include "recordingbackend.h"
#include "scriptedpeerthread.h"

#include <QImage>
#include <QPainter>
#include <QRasterWindow>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <cerrno>
#include <thread>

using qz::system::Screenshot;
using qz::system::ScreenshotError;
using qz::system::ScreenshotFormat;

namespace {

const QString ControlPath = QStringLiteral("/pps/services/multimedia/screencapture/control");

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

// The screen-capture service answering each request with \a answer under the request's id; an
// empty \a answer makes a service that never answers.
ScriptedPeerThread::Handler answerWith(const QVariantMap &answer)
{
    return [answer](ScriptedPeer &peer, const ScriptedPeer::Request &request) {
        if (!answer.isEmpty()) {
            QVariantMap reply = answer;
            reply.insert(str("id"), request.message.value(str("id")));
            peer.reply(request.clientId, reply);
        }
        return true;
    };
}

QVariantMap saved(const QString &file)
{
    return {{str("res"), str("screenPhotoSave")},
            {str("err"), 0},
            {str("dat"), QVariantMap{{str("file"), file}}}};
}

class TwoColourWindow : public QRasterWindow
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(0, 0, width() / 2, height(), Qt::red);
        painter.fillRect(width() / 2, 0, width() - width() / 2, height(), Qt::blue);
    }
};

} // namespace

class TestScreenshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayRequests_data();
    void displayRequests();
    void displayErrors_data();
    void displayErrors();
    void displayUnknownFormat();
    void displayServiceAbsent();

    void windowSteps_data();
    void windowSteps();
    void windowKeepsEarlierError();
    void realWindow_data();
    void realWindow();
    void goneWindow();
};

void TestScreenshot::displayRequests_data()
{
    QTest::addColumn<int>("how");
    QTest::addColumn<QVariantMap>("dat");

    QTest::newRow("default") << -1 << QVariantMap{{str("format"), str("png")}};
    QTest::newRow("png") << int(ScreenshotFormat::Png) << QVariantMap{{str("format"), str("png")}};
    QTest::newRow("jpeg") << int(ScreenshotFormat::Jpeg)
                          << QVariantMap{{str("format"), str("jpg")}};
    QTest::newRow("file") << -2 << QVariantMap{{str("filename"), str("/tmp/shots/a.jpg")}};
}

void TestScreenshot::displayRequests()
{
    QFETCH(int, how);
    QFETCH(QVariantMap, dat);

    PpsTestServer server;
    ScriptedPeerThread service(ControlPath,
                               answerWith(saved(str("/accounts/1000/shared/photos/s.png"))));
    QVERIFY(service.begin());
    Screenshot screenshot;
    const QString file =
        how == -1   ? screenshot.captureDisplay()
        : how == -2 ? screenshot.captureDisplay(QUrl::fromLocalFile(str("/tmp/shots/a.jpg")))
                    : screenshot.captureDisplay(ScreenshotFormat::Type(how));
    QCOMPARE(file, str("/accounts/1000/shared/photos/s.png"));
    QCOMPARE(screenshot.error(), int(ScreenshotError::None));
    QTRY_COMPARE(service.requests().size(), 1);
    const QVariantMap request = service.requests().first();
    QCOMPARE(request.value(str("msg")).toString(), str("screenPhotoSave"));
    QCOMPARE(request.value(str("id")).toString(), str("0"));
    QCOMPARE(request.value(str("dat")).toMap(), dat);
}

void TestScreenshot::displayErrors_data()
{
    QTest::addColumn<QVariantMap>("answer");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("error");

    const auto refused = [](int err) {
        return QVariantMap{
            {str("res"), str("screenPhotoSave")}, {str("err"), err}, {str("error"), str("no")}};
    };
    QTest::newRow("bad path") << refused(4017) << str("Screenshot: \"no\" (4017)")
                              << int(ScreenshotError::BadFilePath);
    QTest::newRow("unsupported") << refused(4018) << str("Screenshot: \"no\" (4018)")
                                 << int(ScreenshotError::UnsupportedFileType);
    QTest::newRow("declined") << refused(4019) << str("Screenshot: \"no\" (4019)")
                              << int(ScreenshotError::UserDeclined);
    QTest::newRow("other") << refused(5) << str("Screenshot: \"no\" (5)")
                           << int(ScreenshotError::InternalError);
    // A success that names no file still is one; the path is simply empty.
    QTest::newRow("no file") << QVariantMap{{str("err"), 0}} << QString()
                             << int(ScreenshotError::None);
}

void TestScreenshot::displayErrors()
{
    QFETCH(QVariantMap, answer);
    QFETCH(QString, warning);
    QFETCH(int, error);

    PpsTestServer server;
    ScriptedPeerThread service(ControlPath, answerWith(answer));
    QVERIFY(service.begin());
    Screenshot screenshot;
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, warning.toUtf8().constData());
    QCOMPARE(screenshot.captureDisplay(ScreenshotFormat::Jpeg), QString());
    QCOMPARE(screenshot.error(), error);
}

void TestScreenshot::displayUnknownFormat()
{
    PpsTestServer server;
    ScriptedPeerThread service(ControlPath, answerWith(saved(str("/x.png"))));
    QVERIFY(service.begin());
    Screenshot screenshot;
    QCOMPARE(screenshot.captureDisplay(ScreenshotFormat::Type(7)), QString());
    QCOMPARE(screenshot.error(), int(ScreenshotError::UnsupportedFileType));
    QTest::qWait(50);
    QVERIFY(service.requests().isEmpty());
}

void TestScreenshot::displayServiceAbsent()
{
    PpsTestServer server;
    Screenshot screenshot;
    QTest::ignoreMessage(QtWarningMsg, "Screenshot: Unable to open screenshot control PPS");
    QCOMPARE(screenshot.captureDisplay(), QString());
    QCOMPARE(screenshot.error(), int(ScreenshotError::PermissionDenied));

    // The service goes away while the caller waits for its answer: the read fails, nothing hangs.
    ScriptedPeerThread service(ControlPath, answerWith(QVariantMap()));
    QVERIFY(service.begin());
    std::thread stopper([&service] {
        QThread::msleep(200);
        service.quit();
    });
    QTest::ignoreMessage(QtWarningMsg, "Screenshot: Unable to read from screenshot control PPS.");
    const QString file = screenshot.captureDisplay();
    stopper.join();
    QCOMPARE(file, QString());
    QCOMPARE(screenshot.error(), int(ScreenshotError::InternalError));
}

void TestScreenshot::windowSteps_data()
{
    QTest::addColumn<QByteArray>("call");
    QTest::addColumn<int>("errorNumber");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<int>("error");

    const int internal = ScreenshotError::InternalError;
    QTest::newRow("size") << QByteArray("screen_get_window_property_iv") << EINVAL
                          << str("Unable to determine window size\\. \\(Handle: 0x[0-9a-f]+, "
                                 "Error: 22\\)")
                          << internal;
    QTest::newRow("context") << QByteArray("screen_create_context") << EIO
                             << str("Unable to create screen context\\.") << internal;
    QTest::newRow("pixmap") << QByteArray("screen_create_pixmap") << EIO
                            << str("Unable to create pixmap\\.") << internal;
    QTest::newRow("usage") << QByteArray("screen_set_pixmap_property_iv") << EPERM
                           << str("Unable to set pixmap usage\\. \\(1\\)") << internal;
    QTest::newRow("buffer") << QByteArray("screen_create_pixmap_buffer") << ENOMEM
                            << str("Unable to create pixmap buffer\\. \\(12\\)") << internal;
    QTest::newRow("buffers") << QByteArray("screen_get_pixmap_property_pv") << EIO
                             << str("Unable to get pixmap buffers\\. \\(5\\)") << internal;
    QTest::newRow("stride") << QByteArray("screen_get_buffer_property_iv") << EIO
                            << str("Unable to get pixmap stride\\. \\(Buffer: 0x[0-9a-f]+, "
                                   "Error: 5\\)")
                            << internal;
    QTest::newRow("read") << QByteArray("screen_read_window") << EIO
                          << str("Unable to capture screenshot\\. \\(5\\)") << internal;
    QTest::newRow("pointer") << QByteArray("screen_get_buffer_property_pv") << EIO
                             << str("Unable to retrieve buffer pointer\\. \\(5\\)") << internal;
    QTest::newRow("attach") << QByteArray("img_lib_attach") << EIO
                            << str("Error writing image to file\\. \\(11\\)") << internal;
    QTest::newRow("type") << QByteArray("img_write_file") << 3
                          << str("Unable to determine desired image file format\\. "
                                 "\\(\"file:///shots/w\\.png\"\\)")
                          << int(ScreenshotError::UnsupportedFileType);
    QTest::newRow("location") << QByteArray("img_write_file") << 9
                              << str("Unable to write to specified location\\. "
                                     "\\(\"file:///shots/w\\.png\"\\)")
                              << int(ScreenshotError::BadFilePath);
    QTest::newRow("writing") << QByteArray("img_write_file") << 2
                             << str("Error writing image to file\\. \\(2\\)") << internal;
    QTest::newRow("saved") << QByteArray() << 0 << QString() << int(ScreenshotError::None);
}

void TestScreenshot::windowSteps()
{
    QFETCH(QByteArray, call);
    QFETCH(int, errorNumber);
    QFETCH(QString, warning);
    QFETCH(int, error);

    RecordingBackend backend({RecordingBackend::Service::Screen, RecordingBackend::Service::Image});
    backend.setOutValues("screen_get_window_property_iv", {3, 2});
    const QByteArray pixels = QByteArray::fromHex("01020304"
                                                  "05060708"
                                                  "090a0b0c"
                                                  "0d0e0f10"
                                                  "11121314"
                                                  "15161718");
    backend.setOutValues("screen_read_window", {pixels, 3, 2});
    if (!call.isEmpty())
        backend.failCall(call, errorNumber);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(str("^Screenshot: ") + warning + u'$'));

    Screenshot screenshot;
    const auto window = reinterpret_cast<screen_window_t>(quintptr(0x1000));
    const QString file = screenshot.captureWindow(QUrl::fromLocalFile(str("/shots/w.png")), window);
    QCOMPARE(file, call.isEmpty() ? str("/shots/w.png") : QString());
    QCOMPARE(screenshot.error(), error);

    const QList<QByteArray> calls = backend.callNames();
    // What was made is released, the pixmap before its context, the library after writing.
    const qsizetype made = calls.indexOf("screen_create_context");
    const qsizetype failed = calls.indexOf(call);
    if (made >= 0 && made != failed) {
        QCOMPARE(calls.count("screen_destroy_context"), 1);
        QCOMPARE(calls.indexOf("screen_destroy_context") >
                     calls.lastIndexOf("screen_destroy_pixmap"),
                 true);
    } else {
        QVERIFY(!calls.contains("screen_destroy_context"));
    }
    QCOMPARE(calls.contains("img_lib_detach"),
             calls.contains("img_lib_attach") && call != "img_lib_attach");
    if (call.isEmpty() || call == "img_write_file") {
        // The pixmap is the window's size, its pixels reach the writer row by row.
        QList<QVariantList> properties;
        for (const QVariantList &args : backend.argumentsOf("screen_set_pixmap_property_iv"))
            properties << args.mid(1);
        QCOMPARE(properties, (QList<QVariantList>{{48, 10}, {14, 8}, {5, 3, 2}}));
        const QVariantList written = backend.argumentsOf("img_write_file").value(0);
        QCOMPARE(written.value(0).toByteArray(), QByteArray("/shots/w.png"));
        QCOMPARE(written.mid(1, 4), (QVariantList{3u, 2u, quint64(12), 0x1520u}));
        QCOMPARE(written.value(5).toByteArray(), pixels);
    }
}

void TestScreenshot::windowKeepsEarlierError()
{
    PpsTestServer server;
    Screenshot screenshot;
    QTest::ignoreMessage(QtWarningMsg, "Screenshot: Unable to open screenshot control PPS");
    QVERIFY(screenshot.captureDisplay().isEmpty());

    RecordingBackend backend({RecordingBackend::Service::Screen, RecordingBackend::Service::Image});
    backend.setOutValues("screen_get_window_property_iv", {1, 1});
    backend.setOutValues("screen_read_window", {QByteArray(4, '\xff'), 1, 1});
    QCOMPARE(screenshot.captureWindow(QUrl::fromLocalFile(str("/shots/w.png")),
                                      reinterpret_cast<screen_window_t>(quintptr(0x1000))),
             str("/shots/w.png"));
    QCOMPARE(screenshot.error(), int(ScreenshotError::PermissionDenied));
}

void TestScreenshot::realWindow_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("error");

    QTest::newRow("png") << str("shot.png") << int(ScreenshotError::None);
    QTest::newRow("jpeg") << str("shot.jpg") << int(ScreenshotError::None);
    QTest::newRow("unknown extension")
        << str("shot.xyz") << int(ScreenshotError::UnsupportedFileType);
    QTest::newRow("no extension") << str("shot") << int(ScreenshotError::UnsupportedFileType);
    QTest::newRow("missing folder") << str("none/shot.png") << int(ScreenshotError::BadFilePath);
    QTest::newRow("a folder") << str("folder.png") << int(ScreenshotError::BadFilePath);
}

void TestScreenshot::realWindow()
{
    QFETCH(QString, name);
    QFETCH(int, error);

    TwoColourWindow window;
    window.resize(64, 32);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(str("folder.png")));
    const QString path = dir.filePath(name);

    Screenshot screenshot;
    if (error != ScreenshotError::None)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(str("^Screenshot: Unable to")));
    const QString file =
        screenshot.captureWindow(QUrl::fromLocalFile(path), qz::platform::screenWindow(&window));
    QCOMPARE(screenshot.error(), error);
    if (error != ScreenshotError::None) {
        QVERIFY(file.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden),
                 QStringList{str("folder.png")});
        return;
    }
    QCOMPARE(file, path);
    const QImage image(file);
    QCOMPARE(image.size(), QSize(64, 32) * window.devicePixelRatio());
    // JPEG blurs the colours a little, not from red to blue.
    const QColor left = image.pixelColor(4, 16);
    const QColor right = image.pixelColor(image.width() - 5, 16);
    QVERIFY2(left.red() > 200 && left.blue() < 60, qPrintable(left.name()));
    QVERIFY2(right.blue() > 200 && right.red() < 60, qPrintable(right.name()));
}

void TestScreenshot::goneWindow()
{
    auto *window = new TwoColourWindow;
    const screen_window_t handle = qz::platform::screenWindow(window);
    QCOMPARE(qz::platform::screenWindow(window), handle);
    delete window;
    Screenshot screenshot;
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(str("Unable to determine window size.*Error: 22\\)")));
    QTemporaryDir dir;
    QVERIFY(screenshot.captureWindow(QUrl::fromLocalFile(dir.filePath(str("x.png"))), handle)
                .isEmpty());
    QCOMPARE(screenshot.error(), int(ScreenshotError::InternalError));
}

QTEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
