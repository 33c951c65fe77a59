// qzdevice's Bluetooth and Wi-Fi Direct services on their own: qzppsd and qzdevice as processes,
// this test as the clients writing the commands the library's connectors write, and qzctl as the
// peers' side. What a peer received is read back from its inbox.
#include "deviceprocesses.h"
#include "testfiles.h"

#include <qz/PpsObject>

#include <QDir>
#include <QFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString s_peer = QStringLiteral("00:11:22:33:44:55");
const QString s_bluetoothControl = QStringLiteral("/pps/services/bluetooth/public/control");
const QString s_manager = QStringLiteral("/pps/services/wifi_p2p/manager/control");
const QString s_sender = QStringLiteral("/pps/services/wifi_p2p/send/control");
// What a Bluetooth client reads at once: the answer must fit.
constexpr int BluetoothReadSize = 127;
constexpr int AnswerTimeoutMs = 15000;

// One client of a control object: writes text, collects what comes back.
class Client
{
public:
    explicit Client(const QString &path)
        : m_object(path)
    {
        QObject::connect(&m_object, &qz::PpsObject::readyRead, &m_object, [this] {
            bool ok = false;
            for (QByteArray text = m_object.read(&ok); ok; text = m_object.read(&ok))
                m_texts.append(text);
        });
    }
    bool open() { return m_object.open(qz::PpsOpenMode::PublishSubscribe); }
    bool send(const QByteArray &text) { return m_object.write(text); }
    /*! A Wi-Fi Direct command as the library writes it: in a block of the object's name. */
    bool command(const QString &msg, const QVariantMap &dat)
    {
        return m_object.write(qz::PpsObject::encode(
            {{QStringLiteral("@control"), QVariantMap{{QStringLiteral("msg"), msg},
                                                      {QStringLiteral("id"), QStringLiteral("t")},
                                                      {QStringLiteral("dat"), dat}}}}));
    }
    /*! The next answer, as text; empty when none came. */
    QByteArray nextText()
    {
        if (!QTest::qWaitFor([this] { return !m_texts.isEmpty(); }, AnswerTimeoutMs))
            return {};
        return m_texts.takeFirst();
    }
    QVariantMap next()
    {
        return qz::PpsObject::decode(nextText()).value(QStringLiteral("@control")).toMap();
    }

private:
    qz::PpsObject m_object;
    QList<QByteArray> m_texts;
};

QByteArray pairingCommand(const QString &mac, int timeoutMs)
{
    return "msg::initiate_pairing\nid::nfcshare\ndat:json:{\"addr\":\"" + mac.toUtf8() +
           "\",\"timeout\":" + QByteArray::number(timeoutMs) + ",\"bonding\":0}\n";
}

QByteArray pushCommand(const QString &mac, const QStringList &paths)
{
    QByteArray urls;
    for (const QString &path : paths)
        urls += (urls.isEmpty() ? "\"" : ",\"") + path.toUtf8() + '"';
    return "msg::push_object\nid::nfcshare\ndat:json:{\"address\":\"" + mac.toUtf8() +
           "\",\"urls\":[" + urls + "]}\n";
}

// qzppsd and qzdevice on a device root of their own, with a file in the shared documents and
// one of an application's private files linked into a Bluetooth transaction folder.
class Device
{
public:
    explicit Device(const QStringList &arguments = {})
        : m_processes(QStringList{QStringLiteral("--device-root"), root(),
                                  QStringLiteral("--bt-pairing-delay"), QStringLiteral("50"),
                                  QStringLiteral("--app"), QStringLiteral("com.example.share")} +
                      arguments)
    {
        qputenv("QZ_PPS_SOCKET",
                QFile::encodeName(m_processes.filePath(QStringLiteral("pps.sock"))));
        const QString privateFile = m_dir.filePath(QStringLiteral("private/photo.jpg"));
        m_ready = m_processes.isReady() && writeFile(privateFile, photo) &&
                  writeFile(sharedFile(), document) && QDir().mkpath(transaction()) &&
                  ::link(QFile::encodeName(privateFile).constData(),
                         QFile::encodeName(link()).constData()) == 0;
    }
    bool isReady() const { return m_ready; }
    DeviceProcesses &processes() { return m_processes; }

    QString root() const { return m_dir.filePath(QStringLiteral("root")); }
    QString area(const QString &transport) const
    {
        return root() + QStringLiteral("/accounts/1000/sharewith/") + transport;
    }
    QString transaction() const
    {
        return area(QStringLiteral("bluetooth")) +
               QStringLiteral("/com.example.share/1432-05-123-42");
    }
    QString link() const { return transaction() + QStringLiteral("/photo.jpg"); }
    QString sharedFile() const
    {
        return root() + QStringLiteral("/accounts/1000/shared/documents/report.txt");
    }
    QString outside(const QString &name) const { return m_dir.filePath(name); }
    QStringList inbox(const QString &mac = s_peer) const
    {
        return QDir(inboxPath(mac)).entryList(QDir::Files, QDir::Name);
    }
    QString inboxPath(const QString &mac = s_peer) const
    {
        return m_processes.filePath(QStringLiteral("data/peers/") +
                                    QString(mac).replace(u':', u'-') + QStringLiteral("/inbox"));
    }
    /*! Pairs as the library does: writes the command and goes without waiting for the answer. */
    bool pair(const QString &mac = s_peer, int timeoutMs = 20000)
    {
        Client client(s_bluetoothControl);
        return client.open() && client.send(pairingCommand(mac, timeoutMs));
    }
    /*! Pushes and waits for the answer. */
    QVariantMap push(const QStringList &paths, QByteArray *text = nullptr)
    {
        Client client(s_bluetoothControl);
        if (!client.open() || !client.send(pushCommand(s_peer, paths)))
            return {};
        const QByteArray answer = client.nextText();
        if (text)
            *text = answer;
        return qz::PpsObject::decode(answer).value(QStringLiteral("@control")).toMap();
    }

    const QByteArray photo = randomBytes(300 * 1024);
    const QByteArray document = QByteArrayLiteral("quarterly numbers\n");

private:
    QTemporaryDir m_dir;
    DeviceProcesses m_processes;
    bool m_ready = false;
};

int errorOf(const QVariantMap &answer)
{
    return answer.contains(QStringLiteral("err")) ? answer.value(QStringLiteral("err")).toInt() : 0;
}

} // namespace

class tst_TransferServices : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deviceTree();
    void bluetoothPushDelivers();
    void bluetoothFailures_data();
    void bluetoothFailures();
    void refusedFiles_data();
    void refusedFiles();
    void pushOfAClientGoneIsDropped();
    void wifiDirect_data();
    void wifiDirect();
    void wifiDirectStrangers();
};

void tst_TransferServices::deviceTree()
{
    Device device;
    QVERIFY(device.isReady());
    const auto modeOf = [](const QString &path) {
        struct stat status = {};
        return ::stat(QFile::encodeName(path).constData(), &status) == 0
                   ? int(status.st_mode & 07777)
                   : -1;
    };
    const QString account = device.root() + QStringLiteral("/accounts/1000");
    QCOMPARE(modeOf(account + QStringLiteral("/shared")), 0775);
    QCOMPARE(modeOf(account + QStringLiteral("/sharewith")), 0711);
    for (const QString &transport : {QStringLiteral("bluetooth"), QStringLiteral("wifidirect")}) {
        QCOMPARE(modeOf(device.area(transport)), 0711);
        // qzctl's folder always, and one for each --app.
        QCOMPARE(modeOf(device.area(transport) + QStringLiteral("/qzctl")), 0770);
        QCOMPARE(modeOf(device.area(transport) + QStringLiteral("/com.example.share")), 0770);
    }
}

void tst_TransferServices::bluetoothPushDelivers()
{
    Device device;
    QVERIFY(device.isReady());
    QVERIFY(device.pair());

    QByteArray text;
    const QVariantMap answer = device.push({device.link(), device.sharedFile()}, &text);
    QCOMPARE(answer.value(QStringLiteral("res")).toString(), QStringLiteral("push_object"));
    QCOMPARE(answer.value(QStringLiteral("id")).toString(), QStringLiteral("nfcshare"));
    QCOMPARE(answer.value(QStringLiteral("dat")).toString(), QStringLiteral("EOK"));
    QVERIFY2(text.size() <= BluetoothReadSize, text.constData());

    QCOMPARE(device.inbox(),
             QStringList({QStringLiteral("photo.jpg"), QStringLiteral("report.txt")}));
    QCOMPARE(readFile(device.inboxPath() + QStringLiteral("/photo.jpg")), device.photo);
    QCOMPARE(readFile(device.inboxPath() + QStringLiteral("/report.txt")), device.document);
    // The link and its transaction folder were the service's to remove; shared files stay.
    QVERIFY(!QFileInfo::exists(device.transaction()));
    QVERIFY(QFileInfo::exists(QFileInfo(device.transaction()).path()));
    QVERIFY(QFileInfo::exists(device.sharedFile()));
    QVERIFY(QFileInfo::exists(device.outside(QStringLiteral("private/photo.jpg"))));

    // A name taken already gets a number; the peer stays paired.
    QCOMPARE(device.push({device.sharedFile()}).value(QStringLiteral("dat")).toString(),
             QStringLiteral("EOK"));
    const auto [output, code] =
        device.processes().ctl({QStringLiteral("bluetooth"), QStringLiteral("inbox"), s_peer});
    QCOMPARE(code, 0);
    QCOMPARE(output, QStringLiteral("inbox: %1\nphoto.jpg %2 bytes\nreport (2).txt 18 bytes\n"
                                    "report.txt 18 bytes\n")
                         .arg(device.inboxPath())
                         .arg(device.photo.size()));
}

void tst_TransferServices::bluetoothFailures_data()
{
    QTest::addColumn<QStringList>("deviceArguments");
    QTest::addColumn<QStringList>("switchOn"); // qzctl bluetooth ...
    QTest::addColumn<int>("pairingError");     // -1: no pairing
    QTest::addColumn<int>("pushError");

    QTest::newRow("pairing refused, by option")
        << QStringList{QStringLiteral("--bt-fail"), QStringLiteral("pairing")} << QStringList()
        << ECONNREFUSED << ECONNREFUSED;
    QTest::newRow("pairing refused, by qzctl")
        << QStringList() << QStringList{QStringLiteral("fail"), QStringLiteral("pairing")}
        << ECONNREFUSED << ECONNREFUSED;
    QTest::newRow("silent peer, by option") << QStringList{QStringLiteral("--bt-silent"), s_peer}
                                            << QStringList() << ETIMEDOUT << ETIMEDOUT;
    QTest::newRow("silent peer, by qzctl")
        << QStringList() << QStringList{QStringLiteral("silent"), s_peer} << ETIMEDOUT << ETIMEDOUT;
    QTest::newRow("never paired") << QStringList() << QStringList() << -1 << ENOTCONN;
    QTest::newRow("push fails, by option")
        << QStringList{QStringLiteral("--bt-fail"), QStringLiteral("push")} << QStringList() << 0
        << EIO;
    QTest::newRow("push fails, by qzctl")
        << QStringList() << QStringList{QStringLiteral("fail"), QStringLiteral("push")} << 0 << EIO;
}

void tst_TransferServices::bluetoothFailures()
{
    QFETCH(QStringList, deviceArguments);
    QFETCH(QStringList, switchOn);
    QFETCH(int, pairingError);
    QFETCH(int, pushError);
    Device device(deviceArguments);
    QVERIFY(device.isReady());
    if (!switchOn.isEmpty()) {
        const auto [output, code] =
            device.processes().ctl(QStringList{QStringLiteral("bluetooth")} + switchOn);
        QVERIFY2(code == 0, qPrintable(device.processes().ctlErrors()));
    }

    // This client waits for its pairing's answer, which a silent peer gives after the timeout.
    Client pairing(s_bluetoothControl);
    if (pairingError >= 0) {
        QVERIFY(pairing.open());
        QVERIFY(pairing.send(pairingCommand(s_peer, 300)));
    }
    QByteArray text;
    QCOMPARE(errorOf(device.push({device.link()}, &text)), pushError);
    QVERIFY2(text.size() <= BluetoothReadSize, text.constData());
    if (pairingError >= 0) {
        const QVariantMap answer = pairing.next();
        QCOMPARE(answer.value(QStringLiteral("res")).toString(),
                 QStringLiteral("initiate_pairing"));
        QCOMPARE(errorOf(answer), pairingError);
    }
    // Nothing arrived, and the link is left for the sender to remove.
    QCOMPARE(device.inbox(), QStringList());
    QVERIFY(QFileInfo::exists(device.link()));

    // Switched off again, the same peer takes the same file.
    const auto [output, code] = device.processes().ctl(
        {QStringLiteral("bluetooth"), QStringLiteral("fail"), QStringLiteral("--clear")});
    QCOMPARE(code, 0);
    QCOMPARE(device.processes()
                 .ctl({QStringLiteral("bluetooth"), QStringLiteral("silent"), s_peer,
                       QStringLiteral("--clear")})
                 .second,
             0);
    QVERIFY(device.pair());
    QCOMPARE(errorOf(device.push({device.link()})), 0);
    QCOMPARE(device.inbox(), QStringList{QStringLiteral("photo.jpg")});
}

void tst_TransferServices::refusedFiles_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("why");

    const QString outside = QStringLiteral("outside the device's file tree");
    const QString notShared = QStringLiteral("not in an area the service may read");
    const QString notAFile = QStringLiteral("not a regular file");
    QTest::newRow("outside the root") << "outside the root" << outside;
    QTest::newRow("relative path") << "relative path" << outside;
    QTest::newRow("escaping with ..") << "escaping with .." << QStringLiteral("not a plain path");
    QTest::newRow("symlink as the link")
        << "symlink as the link" << QStringLiteral("a symbolic link");
    QTest::newRow("symlink in the path")
        << "symlink in the path" << QStringLiteral("its folder cannot be opened");
    QTest::newRow("directory") << "directory" << notAFile;
    QTest::newRow("FIFO") << "FIFO" << notAFile;
    QTest::newRow("private file in the root") << "private file in the root" << notShared;
    QTest::newRow("application folder") << "application folder" << notShared;
    QTest::newRow("other transport's folder") << "other transport's folder" << notShared;
}

void tst_TransferServices::refusedFiles()
{
    QFETCH(QString, kind);
    QFETCH(QString, why);
    Device device;
    QVERIFY(device.isReady());
    const QString secret = device.outside(QStringLiteral("secret.txt"));
    QVERIFY(writeFile(secret, "not for peers"));
    const QByteArray secretName = QFile::encodeName(secret);
    QString path;
    if (kind == QLatin1String("outside the root")) {
        path = secret;
    } else if (kind == QLatin1String("escaping with ..")) {
        path = device.root() + QStringLiteral("/accounts/1000/shared/../../../../secret.txt");
    } else if (kind == QLatin1String("symlink as the link")) {
        path = device.transaction() + QStringLiteral("/secret.txt");
        QCOMPARE(::symlink(secretName.constData(), QFile::encodeName(path).constData()), 0);
    } else if (kind == QLatin1String("symlink in the path")) {
        // A transaction folder that leads out of the device root.
        const QString folder = device.area(QStringLiteral("bluetooth")) +
                               QStringLiteral("/com.example.share/1432-05-123-43");
        QCOMPARE(::symlink(QFile::encodeName(QFileInfo(secret).path()).constData(),
                           QFile::encodeName(folder).constData()),
                 0);
        path = folder + QStringLiteral("/secret.txt");
    } else if (kind == QLatin1String("directory")) {
        path = QFileInfo(device.sharedFile()).path();
    } else if (kind == QLatin1String("FIFO")) {
        path = device.root() + QStringLiteral("/accounts/1000/shared/pipe");
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (kind == QLatin1String("private file in the root")) {
        path = device.root() + QStringLiteral("/accounts/1000/appdata/com.example.share/key");
        QVERIFY(writeFile(path, "private"));
    } else if (kind == QLatin1String("application folder")) {
        path = QFileInfo(device.transaction()).path() + QStringLiteral("/loose.txt");
        QVERIFY(writeFile(path, "loose"));
    } else if (kind == QLatin1String("other transport's folder")) {
        path = device.area(QStringLiteral("wifidirect")) +
               QStringLiteral("/com.example.share/1432-05-123-44/other.txt");
        QVERIFY(writeFile(path, "other"));
    } else {
        path = QStringLiteral("accounts/1000/shared/documents/report.txt");
    }
    QVERIFY(device.pair());

    // A good file first: one refused file stops the whole push.
    const QVariantMap answer = device.push({device.link(), path});
    QCOMPARE(errorOf(answer), EACCES);
    QCOMPARE(answer.value(QStringLiteral("errstr")).toString(), QStringLiteral("file 2: ") + why);
    QCOMPARE(device.inbox(), QStringList());
    QVERIFY(QFileInfo::exists(device.link()));
    QCOMPARE(readFile(secret), QByteArray("not for peers"));
    // The service goes on serving.
    QCOMPARE(errorOf(device.push({device.sharedFile()})), 0);
    QCOMPARE(device.inbox(), QStringList{QStringLiteral("report.txt")});
}

void tst_TransferServices::pushOfAClientGoneIsDropped()
{
    Device device({QStringLiteral("--bt-pairing-delay"), QStringLiteral("1500")});
    QVERIFY(device.isReady());
    QVERIFY(device.pair());
    {
        // Waits for the pairing under way, and dies.
        Client dying(s_bluetoothControl);
        QVERIFY(dying.open());
        QVERIFY(dying.send(pushCommand(s_peer, {device.link()})));
    }
    // Had the dead client's push been carried out, the link would be gone and this one fail.
    QCOMPARE(errorOf(device.push({device.link()})), 0);
    QCOMPARE(device.inbox(), QStringList{QStringLiteral("photo.jpg")});
}

void tst_TransferServices::wifiDirect_data()
{
    QTest::addColumn<QStringList>("switchOn"); // qzctl wifidirect fail ...
    QTest::addColumn<int>("connectError");
    QTest::addColumn<int>("ipError");
    QTest::addColumn<int>("sendError");

    QTest::newRow("connects and sends") << QStringList() << 0 << 0 << 0;
    QTest::newRow("already connecting")
        << QStringList{QStringLiteral("connect=256")} << 256 << 0 << 0;
    QTest::newRow("connect error")
        << QStringList{QStringLiteral("connect=5")} << 5 << ENOTCONN << -1;
    QTest::newRow("no address") << QStringList{QStringLiteral("ip")} << 0 << EIO << -1;
    QTest::newRow("send fails") << QStringList{QStringLiteral("send")} << 0 << 0 << EIO;
}

void tst_TransferServices::wifiDirect()
{
    QFETCH(QStringList, switchOn);
    QFETCH(int, connectError);
    QFETCH(int, ipError);
    QFETCH(int, sendError);
    Device device;
    QVERIFY(device.isReady());
    if (!switchOn.isEmpty()) {
        const auto [output, code] = device.processes().ctl(
            QStringList{QStringLiteral("wifidirect"), QStringLiteral("fail")} + switchOn);
        QVERIFY2(code == 0, qPrintable(device.processes().ctlErrors()));
    }
    // Shared files are read where they lie; links from the Wi-Fi Direct area.
    const QString link = device.area(QStringLiteral("wifidirect")) +
                         QStringLiteral("/qzctl/0900-00-000-7/photo.jpg");
    QVERIFY(QDir().mkpath(QFileInfo(link).path()));
    QCOMPARE(
        ::link(QFile::encodeName(device.link()).constData(), QFile::encodeName(link).constData()),
        0);

    Client manager(s_manager);
    QVERIFY(manager.open());
    QVERIFY(manager.command(QStringLiteral("wifi_p2p_connect"),
                            {{QStringLiteral("addr"), s_peer},
                             {QStringLiteral("go_intent"), QStringLiteral("any")},
                             {QStringLiteral("wps_method"), 0},
                             {QStringLiteral("wps_pin"), QStringLiteral("NULL")}}));
    const QVariantMap connected = manager.next();
    QCOMPARE(connected.value(QStringLiteral("res")).toString(), QStringLiteral("wifi_p2p_connect"));
    QCOMPARE(errorOf(connected), connectError);

    QVERIFY(manager.command(QStringLiteral("wifi_p2p_get_ip_address"),
                            {{QStringLiteral("addr"), s_peer}}));
    const QVariantMap address = manager.next();
    QCOMPARE(errorOf(address), ipError);
    QCOMPARE(address.value(QStringLiteral("dat")).toMap().value(QStringLiteral("ip_addr")),
             ipError ? QVariant() : QVariant(QStringLiteral("192.168.49.2")));
    if (sendError >= 0) {
        Client sender(s_sender);
        QVERIFY(sender.open());
        QVERIFY(sender.command(QStringLiteral("wifi_p2p_send"),
                               {{QStringLiteral("ip_addr"), QStringLiteral("192.168.49.2")},
                                {QStringLiteral("files"), QVariantList{link, device.sharedFile()}},
                                {QStringLiteral("nfc_triggered"), true}}));
        const QVariantMap sent = sender.next();
        QCOMPARE(sent.value(QStringLiteral("res")).toString(), QStringLiteral("wifi_p2p_send"));
        QCOMPARE(errorOf(sent), sendError);
    }
    if (sendError == 0) {
        QCOMPARE(device.inbox(),
                 QStringList({QStringLiteral("photo.jpg"), QStringLiteral("report.txt")}));
        QCOMPARE(readFile(device.inboxPath() + QStringLiteral("/photo.jpg")), device.photo);
        QVERIFY(!QFileInfo::exists(QFileInfo(link).path()));
    } else {
        QCOMPARE(device.inbox(), QStringList());
        QVERIFY(QFileInfo::exists(link));
    }
}

void tst_TransferServices::wifiDirectStrangers()
{
    Device device;
    QVERIFY(device.isReady());
    Client manager(s_manager);
    Client other(s_manager);
    QVERIFY(manager.open());
    QVERIFY(other.open());

    QVERIFY(
        manager.command(QStringLiteral("wifi_p2p_connect"), {{QStringLiteral("addr"), s_peer}}));
    QCOMPARE(errorOf(manager.next()), 0);
    QVERIFY(manager.command(QStringLiteral("wifi_p2p_cancel_connect"), {}));
    QCOMPARE(errorOf(manager.next()), 0);
    // Cancelled: no address, and nobody at the old one.
    QVERIFY(manager.command(QStringLiteral("wifi_p2p_get_ip_address"),
                            {{QStringLiteral("addr"), s_peer}}));
    QCOMPARE(errorOf(manager.next()), ENOTCONN);
    Client sender(s_sender);
    QVERIFY(sender.open());
    QVERIFY(sender.command(QStringLiteral("wifi_p2p_send"),
                           {{QStringLiteral("ip_addr"), QStringLiteral("192.168.49.2")},
                            {QStringLiteral("files"), QVariantList{device.sharedFile()}}}));
    QCOMPARE(errorOf(sender.next()), EHOSTUNREACH);

    // Malformed commands are refused to their sender alone.
    QVERIFY(other.command(QStringLiteral("wifi_p2p_connect"),
                          {{QStringLiteral("addr"), QStringLiteral("../../etc")}}));
    QCOMPARE(errorOf(other.next()), EINVAL);
    QVERIFY(other.command(QStringLiteral("wifi_p2p_explode"), {}));
    QCOMPARE(errorOf(other.next()), EINVAL);
    QVERIFY(sender.command(QStringLiteral("wifi_p2p_send"),
                           {{QStringLiteral("ip_addr"), QStringLiteral("192.168.49.2")},
                            {QStringLiteral("files"), QVariantList{42}}}));
    QCOMPARE(errorOf(sender.next()), EINVAL);
    // Answers come in order: the next one this client reads is the answer to its next command.
    QVERIFY(manager.command(QStringLiteral("wifi_p2p_cancel_connect"), {}));
    QCOMPARE(manager.next().value(QStringLiteral("res")).toString(),
             QStringLiteral("wifi_p2p_cancel_connect"));
    QCOMPARE(device.inbox(), QStringList());
}

QTEST_GUILESS_MAIN(tst_TransferServices)
#include "tst_transferservices.moc"
