// Share-with links in a device tree under a temporary root: which files need a link, what stops
// a link from being made (perimeter, missing folders, anything but the regular file that was
// checked), and that links and their transaction folders go away again.
#include "nfcsharewithhandler_p.h"

#include "nfctestsupport.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using qz::system::NfcShareWithHandler;

namespace {

const QString InstallId = QStringLiteral("app.test");
const QString LinkFailed = QStringLiteral("NfcShareWithHandler::link() failed to link ");

QString str(const char *text)
{
    return QString::fromUtf8(text);
}

struct stat statOf(const QString &path)
{
    struct stat st = {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class tst_NfcShareWithHandler : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void linkRequired_data();
    void linkRequired();
    void missingFolders_data();
    void missingFolders();
    void linkMadeAndRemoved();
    void lastLinkRemovesFolder();
    void sameNameTwiceInOneSend();
    void refused_data();
    void refused();
    void fileSwappedForSymlink();
    void otherDevice();

private:
    QString device(const QString &devicePath) const { return m_root->path() + devicePath; }
    QString appFolder(const QString &transport = str("bluetooth")) const
    {
        return device(str("/accounts/1000/sharewith/") + transport + u'/' + InstallId);
    }
    // The transaction folders left in the application's share-with folder.
    QStringList transactions() const
    {
        return QDir(appFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);
    }

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_private; // the application's own data folder
    NfcShareWithHandler *m_handler = NfcShareWithHandler::instance();
};

void tst_NfcShareWithHandler::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    qputenv("QZ_DEVICE_ROOT", QFile::encodeName(m_root->path()));
    qputenv("QZ_INSTALL_ID", InstallId.toUtf8());
    qputenv("PERIMETER", "personal");
    QVERIFY(QDir().mkpath(appFolder()));
    QVERIFY(QDir().mkpath(appFolder(str("wifidirect"))));
    m_private = device(str("/apps/") + InstallId + str("/data"));
    QVERIFY(QDir().mkpath(m_private));
}

void tst_NfcShareWithHandler::cleanup()
{
    qunsetenv("QZ_DEVICE_ROOT");
    qunsetenv("QZ_INSTALL_ID");
    qunsetenv("PERIMETER");
    m_root.reset();
}

void tst_NfcShareWithHandler::linkRequired_data()
{
    QTest::addColumn<QString>("devicePath");
    QTest::addColumn<bool>("underRoot");
    QTest::addColumn<bool>("required");

    QTest::newRow("shared documents")
        << str("/accounts/1000/shared/documents/a.txt") << true << false;
    QTest::newRow("enterprise shared")
        << str("/accounts/1000-enterprise/shared/b.txt") << true << false;
    QTest::newRow("removable") << str("/accounts/1000/removable/sdcard/c.jpg") << true << false;
    QTest::newRow("cfs service") << str("/accounts/1000/services/apps/sys.cfs.box/d") << true
                                 << false;
    QTest::newRow("enterprise appserv")
        << str("/enterprise/accounts/1000/appserv/sys.cfs.x/e") << true << false;
    QTest::newRow("contacts") << str("/accounts/1000/pimdata/contacts/f.vcf") << true << false;
    QTest::newRow("application data") << str("/apps/app.test/data/g.txt") << true << true;
    QTest::newRow("name that only begins like a root")
        << str("/accounts/1000/sharedx/h.txt") << true << true;
    // A shared root of the device lies under the device root, not at the host's "/".
    QTest::newRow("shared root outside the device root")
        << str("/accounts/1000/shared/documents/a.txt") << false << true;
}

void tst_NfcShareWithHandler::linkRequired()
{
    QFETCH(QString, devicePath);
    QFETCH(bool, underRoot);
    QFETCH(bool, required);

    QCOMPARE(m_handler->isLinkRequired(underRoot ? device(devicePath) : devicePath), required);
}

void tst_NfcShareWithHandler::missingFolders_data()
{
    QTest::addColumn<QByteArray>("perimeter");
    QTest::addColumn<QString>("transport");
    QTest::addColumn<QString>("removed");
    QTest::addColumn<QString>("warning");

    const QString noPerimeter =
        str("SharedFileHandler::link() error - cannot handle perimeter type ");
    const QString missing = str("SharedFileHandler::link() error - path ");
    QTest::newRow("perimeter unset")
        << QByteArray() << str("bluetooth") << QString() << noPerimeter;
    QTest::newRow("other perimeter")
        << QByteArray("work") << str("bluetooth") << QString() << noPerimeter;
    QTest::newRow("enterprise area missing")
        << QByteArray("enterprise") << str("bluetooth") << QString() << missing;
    QTest::newRow("transport folder missing")
        << QByteArray("personal") << str("bluetooth") << str("/accounts/1000/sharewith/bluetooth")
        << missing;
    QTest::newRow("application folder missing")
        << QByteArray("personal") << str("wifidirect")
        << str("/accounts/1000/sharewith/wifidirect/app.test") << missing;
    QTest::newRow("transport name leaving the area")
        << QByteArray("personal") << str("../bluetooth") << QString() << missing;
}

void tst_NfcShareWithHandler::missingFolders()
{
    QFETCH(QByteArray, perimeter);
    QFETCH(QString, transport);
    QFETCH(QString, removed);
    QFETCH(QString, warning);

    if (perimeter.isEmpty())
        qunsetenv("PERIMETER");
    else
        qputenv("PERIMETER", perimeter);
    if (!removed.isEmpty())
        QVERIFY(QDir(device(removed)).removeRecursively());
    const QString file = m_private + str("/a.txt");
    QVERIFY(writeFile(file));

    NfcLogCapture log;
    QCOMPARE(m_handler->createLink(file, str("a.txt"), transport), QString());
    QVERIFY2(log.warningsStartWith({warning}), qPrintable(log.warnings.join(u'|')));
    // No path appears in the log, only its hash.
    QVERIFY(!log.warnings.constFirst().contains(u'/'));
}

void tst_NfcShareWithHandler::linkMadeAndRemoved()
{
    const QString file = m_private + str("/report.pdf");
    QVERIFY(writeFile(file));

    NfcLogCapture log;
    const QString link = m_handler->createLink(file, str("report.pdf"), str("bluetooth"));
    QVERIFY(log.warnings.isEmpty());
    QVERIFY(!link.isEmpty());
    const QFileInfo info(link);
    QCOMPARE(info.fileName(), str("report.pdf"));
    QCOMPARE(QFileInfo(info.path()).path(), appFolder());
    QVERIFY(QRegularExpression(str("^\\d{4}-\\d{2}-\\d{3}-") + QString::number(::getpid()) + u'$')
                .match(QFileInfo(info.path()).fileName())
                .hasMatch());
    // A hard link to the very file, in a folder only this user may enter.
    QCOMPARE(statOf(link).st_ino, statOf(file).st_ino);
    QCOMPARE(statOf(info.path()).st_mode & 07777, mode_t(0700));
    for (const QString &line : log.debugs)
        QVERIFY2(!line.contains(u'/') && !line.contains(str("report")), qPrintable(line));

    QVERIFY(m_handler->deleteLink(link));
    QVERIFY(!QFileInfo::exists(link));
    QCOMPARE(transactions(), QStringList());
    QCOMPARE(statOf(file).st_nlink, nlink_t(1));
    // A link that is already gone is reported, not ignored.
    QVERIFY(!m_handler->deleteLink(link));
}

void tst_NfcShareWithHandler::lastLinkRemovesFolder()
{
    const QString first = m_private + str("/one.txt");
    const QString second = m_private + str("/two.txt");
    QVERIFY(writeFile(first));
    QVERIFY(writeFile(second));
    const QString link = m_handler->createLink(first, str("one.txt"), str("bluetooth"));
    QVERIFY(!link.isEmpty());
    // Two files of one send may share a transaction folder.
    const QString other = QFileInfo(link).path() + str("/two.txt");
    QCOMPARE(::link(QFile::encodeName(second).constData(), QFile::encodeName(other).constData()),
             0);

    NfcLogCapture log;
    QVERIFY(m_handler->deleteLink(link));
    QVERIFY(QFileInfo::exists(other));
    QVERIFY(log.warningsStartWith(
        {str("NfcShareWithHandler::unlink() failed to remove transaction folder ")}));
    QVERIFY(m_handler->deleteLink(other));
    QCOMPARE(transactions(), QStringList());
}

void tst_NfcShareWithHandler::sameNameTwiceInOneSend()
{
    const QString first = m_private + str("/a/photo.jpg");
    const QString second = m_private + str("/b/photo.jpg");
    QVERIFY(writeFile(first));
    QVERIFY(writeFile(second));
    // Back to back, most pairs are made within one millisecond and so meet in one folder.
    for (int round = 0; round < 20; ++round) {
        const QString one = m_handler->createLink(first, str("photo.jpg"), str("bluetooth"));
        const QString two = m_handler->createLink(second, str("photo.jpg"), str("bluetooth"));
        QVERIFY(!one.isEmpty());
        QVERIFY(!two.isEmpty());
        QCOMPARE(statOf(two).st_ino, statOf(second).st_ino);
        QVERIFY(m_handler->deleteLink(one));
        QVERIFY(m_handler->deleteLink(two));
    }
    QCOMPARE(transactions(), QStringList());
}

void tst_NfcShareWithHandler::refused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<int>("error");

    QTest::newRow("symbolic link") << str("symlink") << str("a.txt") << int(ELOOP);
    QTest::newRow("directory") << str("directory") << str("a.txt") << int(EINVAL);
    QTest::newRow("fifo") << str("fifo") << str("a.txt") << int(EINVAL);
    QTest::newRow("missing file") << str("missing") << str("a.txt") << int(ENOENT);
    QTest::newRow("empty name") << str("file") << QString() << int(EINVAL);
    QTest::newRow("dot") << str("file") << str(".") << int(EINVAL);
    QTest::newRow("dot dot") << str("file") << str("..") << int(EINVAL);
    QTest::newRow("name with a folder") << str("file") << str("../../x.txt") << int(EINVAL);
    QTest::newRow("name with NUL")
        << str("file") << (str("a") + QChar(0) + str("b")) << int(EINVAL);
}

void tst_NfcShareWithHandler::refused()
{
    QFETCH(QString, kind);
    QFETCH(QString, fileName);
    QFETCH(int, error);

    const QString target = m_private + str("/target.txt");
    QVERIFY(writeFile(target));
    const QString path = m_private + str("/a.txt");
    if (kind == str("file"))
        QVERIFY(writeFile(path));
    else if (kind == str("symlink"))
        QVERIFY(QFile::link(target, path));
    else if (kind == str("directory"))
        QVERIFY(QDir().mkpath(path));
    else if (kind == str("fifo"))
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

    NfcLogCapture log;
    QCOMPARE(m_handler->createLink(path, fileName, str("bluetooth")), QString());
    QVERIFY2(log.warnings.size() == 1 && log.warnings.constFirst().startsWith(LinkFailed) &&
                 log.warnings.constFirst().endsWith(str(" error: ") + QString::number(error)),
             qPrintable(log.warnings.join(u'|')));
    QCOMPARE(transactions(), QStringList());
    QCOMPARE(statOf(target).st_nlink, nlink_t(1));
}

void tst_NfcShareWithHandler::fileSwappedForSymlink()
{
    // The caller checks a regular file; before the link is made, the file is replaced by a
    // symbolic link to a file the application must not hand out.
    const QString secret = m_private + str("/secret.key");
    const QString path = m_private + str("/photo.jpg");
    QVERIFY(writeFile(secret, "secret"));
    QVERIFY(writeFile(path));
    const QFileInfo checked(path);
    QVERIFY(checked.isFile() && !checked.isSymLink());
    const QString canonical = checked.canonicalFilePath();

    const QString swap = m_private + str("/swap");
    QVERIFY(QFile::link(secret, swap));
    QCOMPARE(::rename(QFile::encodeName(swap).constData(), QFile::encodeName(path).constData()), 0);

    NfcLogCapture log;
    QCOMPARE(m_handler->createLink(canonical, str("photo.jpg"), str("bluetooth")), QString());
    QVERIFY(log.warningsStartWith({LinkFailed}));
    QCOMPARE(statOf(secret).st_nlink, nlink_t(1));
    QCOMPARE(transactions(), QStringList());
}

void tst_NfcShareWithHandler::otherDevice()
{
    // A hard link cannot cross file systems; a file elsewhere is refused before trying.
    QTemporaryDir elsewhere(str("/dev/shm/tst_nfcsharewith-XXXXXX"));
    if (!elsewhere.isValid() || statOf(elsewhere.path()).st_dev == statOf(appFolder()).st_dev)
        QSKIP("no file system other than the test folder's is writable here");
    const QString file = elsewhere.filePath(str("far.txt"));
    QVERIFY(writeFile(file));

    NfcLogCapture log;
    QCOMPARE(m_handler->createLink(file, str("far.txt"), str("bluetooth")), QString());
    QVERIFY(log.warningsStartWith({LinkFailed}));
    QVERIFY(log.warnings.constFirst().endsWith(str(" error: ") + QString::number(EXDEV)));
    QCOMPARE(transactions(), QStringList());
}

QTEST_GUILESS_MAIN(tst_NfcShareWithHandler)

#include "tst_nfcsharewithhandler.moc"
