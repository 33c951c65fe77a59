// The file transfer manager against scripted services on an embedded PPS server: the prompt to
// send (answered, closed, timed out, no dialog service), the remote targets tried in order over
// Bluetooth and Wi-Fi Direct, the share-with links made for a send and removed when it fails, and
// the cancellation of a declined prompt.
#include "filetransfermanager_p.h"
#include "nfcconnector_p.h"

#include "dialogpeer.h"
#include "nfctestsupport.h"

#include <nfc/ndef_p.h>

#include <QDirIterator>
#include <QElapsedTimer>
#include <QMutex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

using namespace qz::system;
using namespace Qt::Literals::StringLiterals;
namespace ndef = qz::platform::ndef;

namespace {

const QString InstallId = u"tst.filetransfer"_s;
const QString BluetoothPeer = u"AA:BB:CC:DD:EE:01"_s;
const QString WiFiPeer = u"02:11:22:33:44:55"_s;
const QString PeerIp = u"192.168.49.2"_s;

// The Bluetooth and Wi-Fi Direct services on a thread of their own, since the connectors block the
// test's thread until a service answers. The script holds words: "no-bt" (no Bluetooth service),
// "no-ip" (no address for the peer), "push=<errno>", "connect=<err>", "send=<err>".
class TransferServices
{
public:
    struct Request
    {
        QString msg;
        QVariantMap dat;
    };

    explicit TransferServices(const QString &script = {})
        : m_script(script.split(u' ', Qt::SkipEmptyParts))
    {
        m_context.moveToThread(&m_thread);
        m_thread.start();
        run([this] {
            if (!m_script.contains(u"no-bt"_s))
                serve(u"/pps/services/bluetooth/public/control"_s);
            serve(u"/pps/services/wifi_p2p/manager/control"_s);
            serve(u"/pps/services/wifi_p2p/send/control"_s);
        });
    }

    ~TransferServices()
    {
        run([this] { m_peers.clear(); });
        m_thread.quit();
        m_thread.wait();
    }

    bool isServing() const { return m_serving; }

    QList<Request> requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

    // The requests in short: "pair push connect ip send cancel".
    QString messages() const
    {
        static const QHash<QString, QString> shortNames{
            {u"initiate_pairing"_s, u"pair"_s},    {u"push_object"_s, u"push"_s},
            {u"wifi_p2p_connect"_s, u"connect"_s}, {u"wifi_p2p_get_ip_address"_s, u"ip"_s},
            {u"wifi_p2p_send"_s, u"send"_s},       {u"wifi_p2p_cancel_connect"_s, u"cancel"_s}};
        QStringList names;
        for (const Request &request : requests())
            names.append(shortNames.value(request.msg, request.msg));
        return names.join(u' ');
    }

private:
    void run(const std::function<void()> &work)
    {
        QMetaObject::invokeMethod(&m_context, work, Qt::BlockingQueuedConnection);
    }

    void serve(const QString &path)
    {
        auto peer = std::make_unique<ScriptedPeer>(path);
        peer->setResponder([this](const ScriptedPeer::Request &request) {
            const QString msg = request.message.value(u"msg"_s).toString();
            {
                QMutexLocker lock(&m_mutex);
                m_requests.append({msg, request.message.value(u"dat"_s).toMap()});
            }
            return answer(msg, request.message.value(u"id"_s));
        });
        m_serving = peer->open() && m_serving;
        m_peers.push_back(std::move(peer));
    }

    int scripted(const QString &name) const
    {
        const QStringList word = m_script.filter(name + u'=');
        return word.isEmpty() ? 0 : word.first().section(u'=', 1).toInt();
    }

    std::optional<QVariantMap> answer(const QString &msg, const QVariant &id) const
    {
        if (msg == u"initiate_pairing"_s)
            return std::nullopt; // not waited for
        QVariantMap answer{{u"res"_s, msg}, {u"id"_s, id}};
        QVariant dat = QVariantMap();
        int error = 0;
        if (msg == u"push_object"_s) {
            error = scripted(u"push"_s);
            dat = u"EOK"_s;
        } else if (msg == u"wifi_p2p_connect"_s) {
            error = scripted(u"connect"_s);
        } else if (msg == u"wifi_p2p_get_ip_address"_s) {
            error = m_script.contains(u"no-ip"_s) ? 5 : 0;
            dat = QVariantMap{{u"ip_addr"_s, PeerIp}};
        } else if (msg == u"wifi_p2p_send"_s) {
            error = scripted(u"send"_s);
        }
        if (error) {
            answer.insert(u"err"_s, error);
            answer.insert(u"errstr"_s, u"refused"_s);
        } else {
            answer.insert(u"dat"_s, dat);
        }
        return answer;
    }

    const QStringList m_script;
    QThread m_thread;
    QObject m_context;
    std::vector<std::unique_ptr<ScriptedPeer>> m_peers;
    bool m_serving = true;
    mutable QMutex m_mutex;
    QList<Request> m_requests;
};

// Answers the prompt's "show" by pressing the button labelled \a label; an empty label names no
// button, as when the dialog is closed.
void answerPrompt(DialogPeer &peer, const QString &label)
{
    const ScriptedPeer::Request request = peer.request(1);
    QString context;
    for (const QVariant &button : DialogPeer::descriptionOf(request).value(u"buttons"_s).toList()) {
        if (button.toMap().value(u"label"_s).toString() == label)
            context = button.toMap().value(u"context"_s).toString();
    }
    peer.control->reply(request.clientId, DialogPeer::answerFor(request, context));
}

} // namespace

class tst_FileTransferManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void prompt_data();
    void prompt();
    void promptTimesOutAfterTenSeconds();
    void promptTakenDownWithTheManager();
    void transfer_data();
    void transfer();
    void cancel_data();
    void cancel();
    void heldTargetsOutliveTheTransaction();

private:
    QString shareWithArea() const { return m_deviceRoot.filePath(u"accounts/1000/sharewith/"_s); }
    QStringList linksLeft() const;
    bool takeTargets(FileTransferManager &manager, const QList<int> &transports);
    QUrl appFile(const QString &name) const
    {
        return QUrl::fromLocalFile(m_appData.filePath(name));
    }

    QTemporaryDir m_deviceRoot;
    QTemporaryDir m_appData;
    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<NfcLogCapture> m_log;
    std::unique_ptr<DialogPeer> m_peer;
    NfcConnector m_connector;
};

void tst_FileTransferManager::initTestCase()
{
    qputenv("PERIMETER", "personal");
    qputenv("QZ_INSTALL_ID", InstallId.toLatin1());
    qputenv("QZ_DEVICE_ROOT", m_deviceRoot.path().toLocal8Bit());
    for (const char *name : {"photo.jpg", "notes.txt"}) {
        QFile file(m_appData.filePath(QString::fromLatin1(name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name) > 0);
    }
    QVERIFY(QDir().mkpath(m_appData.filePath(u"album"_s)));
    QVERIFY(QFile::link(m_appData.filePath(u"photo.jpg"_s), m_appData.filePath(u"alias"_s)));
}

void tst_FileTransferManager::init()
{
    for (const QString &transport : {u"bluetooth"_s, u"wifidirect"_s})
        QVERIFY(QDir().mkpath(shareWithArea() + transport + u'/' + InstallId));
    m_backend = std::make_unique<RecordingBackend>(
        std::initializer_list<RecordingBackend::Service>{RecordingBackend::Service::Nfc});
    m_log = std::make_unique<NfcLogCapture>();
    m_peer = std::make_unique<DialogPeer>();
}

void tst_FileTransferManager::cleanup()
{
    m_peer.reset();
    m_log.reset();
    m_backend.reset();
    QDir(shareWithArea()).removeRecursively();
}

// The files under the share-with area, relative to it.
QStringList tst_FileTransferManager::linksLeft() const
{
    QStringList links;
    QDirIterator it(shareWithArea(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        links.append(it.next().mid(shareWithArea().size()));
    return links;
}

// Reads the remote targets out of a hand-over offering \a transports (1 Bluetooth, 2 Wi-Fi
// Direct), in that order.
bool tst_FileTransferManager::takeTargets(FileTransferManager &manager,
                                          const QList<int> &transports)
{
    ndef::Message message;
    for (int transport : transports) {
        message.append(ndef::Record());
        if (transport == 1)
            ndef::bluetoothCarrierRecord(BluetoothPeer.toLatin1(), &message.last());
        else
            ndef::wifiDirectCarrierRecord(WiFiPeer.toLatin1(), &message.last());
    }
    const QVariantMap target{{u"id"_s, 7},
                             {u"ndef_messages"_s, QVariantList{ndef::encode(message)}}};
    NfcTargetProbe probe;
    bool taken = false;
    return probe.deliver(NFC_HANDOVER_COMPLETE_EVENT, target, [&](nfc_target_t *t) {
        taken = manager.setRemoteTarget(t);
    }) && taken;
}

void tst_FileTransferManager::prompt_data()
{
    QTest::addColumn<QString>("answer"); // a button label, "" for none, "timeout" or "no service"
    QTest::addColumn<int>("confirmed");
    QTest::addColumn<QVariantList>("cancelled"); // byUser of each transferCancelled

    QTest::newRow("confirmed") << u"OK"_s << 1 << QVariantList();
    QTest::newRow("declined") << u"Cancel"_s << 0 << QVariantList{true};
    QTest::newRow("closed without a button") << QString() << 0 << QVariantList{false};
    QTest::newRow("timed out") << u"timeout"_s << 0 << QVariantList{true};
    QTest::newRow("no dialog service") << u"no service"_s << 0 << QVariantList{false};
}

void tst_FileTransferManager::prompt()
{
    QFETCH(QString, answer);
    QFETCH(int, confirmed);
    QFETCH(QVariantList, cancelled);

    if (answer == u"no service"_s)
        m_peer->control->close();
    FileTransferManager manager(&m_connector);
    QSignalSpy confirmedSpy(&manager, &FileTransferManager::transferConfirmed);
    QSignalSpy cancelledSpy(&manager, &FileTransferManager::transferCancelled);
    manager.showPromptToSendDialog();

    if (answer != u"no service"_s) { // else refused within show(), and over at once
        const QVariantMap shown = DialogPeer::descriptionOf(m_peer->request(1));
        QCOMPARE(shown.value(u"titleText"_s), QVariant(u"nfc.share.promptToSendDialog.title"_s));
        QCOMPARE(shown.value(u"messageText"_s), QVariant(u"nfc.share.promptToSendDialog.body"_s));
        QCOMPARE(DialogPeer::labelsOf(shown), (QStringList{u"Cancel"_s, u"OK"_s}));
        QVERIFY(manager.isPromptShown());
        manager.showPromptToSendDialog(); // shows nothing more while it is up
        if (answer == u"timeout"_s) {
            manager.dialogTimeout();
            QCOMPARE(m_peer->request(2).message.value(u"msg"_s), QVariant(u"cancel"_s));
            answerPrompt(*m_peer, u"OK"_s); // too late: changes nothing
        } else {
            answerPrompt(*m_peer, answer);
        }
        QTRY_COMPARE(confirmedSpy.size() + cancelledSpy.size(), 1);
        QTest::qWait(50);
    }
    QCOMPARE(confirmedSpy.size(), confirmed);
    QVariantList byUser;
    for (const QList<QVariant> &arguments : std::as_const(cancelledSpy))
        byUser.append(arguments.first());
    QCOMPARE(byUser, cancelled);
    QVERIFY(!manager.isPromptShown());
    QCOMPARE(m_peer->control->requests().size(), answer == u"timeout"_s      ? 2
                                                 : answer == u"no service"_s ? 0
                                                                             : 1);
    manager.dialogTimeout(); // after the answer: nothing
    QCOMPARE(confirmedSpy.size() + cancelledSpy.size(), 1);
}

void tst_FileTransferManager::promptTimesOutAfterTenSeconds()
{
    FileTransferManager manager(&m_connector);
    QSignalSpy cancelledSpy(&manager, &FileTransferManager::transferCancelled);
    QElapsedTimer clock;
    clock.start();
    manager.showPromptToSendDialog();
    QVERIFY(m_peer->control->waitForRequests(1));
    QTRY_COMPARE_WITH_TIMEOUT(cancelledSpy.size(), 1, 15000);
    QVERIFY(clock.elapsed() >= 9000); // a coarse timer may fire up to 5% early
    QCOMPARE(cancelledSpy.first().first(), QVariant(true));
    QVERIFY(!manager.isPromptShown());
}

void tst_FileTransferManager::promptTakenDownWithTheManager()
{
    auto manager = std::make_unique<FileTransferManager>(&m_connector);
    QSignalSpy cancelledSpy(manager.get(), &FileTransferManager::transferCancelled);
    manager->showPromptToSendDialog();
    QVERIFY(m_peer->control->waitForRequests(1));
    manager.reset();
    QCOMPARE(m_peer->request(2).message.value(u"msg"_s), QVariant(u"cancel"_s));
    answerPrompt(*m_peer, u"OK"_s);
    QTest::qWait(50);
    QCOMPARE(cancelledSpy.size(), 0);
}

void tst_FileTransferManager::transfer_data()
{
    QTest::addColumn<QStringList>("targets"); // "<transport code> <address>"
    QTest::addColumn<QStringList>("files");   // names in the application's folder, or a URL
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("error"); // -1: sent
    QTest::addColumn<QString>("requests");
    QTest::addColumn<QString>("linkedFor"); // the transport folder of the links left; "" none

    const QString bt = u"1 "_s + BluetoothPeer;
    const QString wifi = u"2 "_s + WiFiPeer;
    const QString photo = u"photo.jpg"_s;
    auto row = [](const char *name, const QStringList &targets, const QStringList &files,
                  const char *script, int error, const char *requests, const char *linkedFor) {
        QTest::newRow(name) << targets << files << QString::fromLatin1(script) << error
                            << QString::fromLatin1(requests) << QString::fromLatin1(linkedFor);
    };
    row("bluetooth", {bt}, {photo}, "", -1, "pair push", "bluetooth");
    row("two files", {bt}, {photo, u"notes.txt"_s}, "", -1, "pair push", "bluetooth");
    row("push refused, wifi direct takes it", {bt, wifi}, {photo}, "push=16", -1,
        "pair push connect ip send", "wifidirect");
    row("pairing fails, wifi direct takes it", {bt, wifi}, {photo}, "no-bt", -1, "connect ip send",
        "wifidirect");
    row("wifi direct already connecting", {wifi}, {photo}, "connect=256", -1, "connect ip send",
        "wifidirect");
    row("wifi direct connect error", {wifi}, {photo}, "connect=5", 13, "connect", "");
    row("no ip address", {wifi}, {photo}, "no-ip", 13, "connect ip cancel", "");
    row("wifi direct send refused", {wifi}, {photo}, "send=5", 13, "connect ip send", "");
    row("bluetooth refused, then an empty address", {bt, u"1 "_s}, {photo}, "push=16", 15,
        "pair push", "");
    row("unknown transport", {u"3 "_s + WiFiPeer}, {photo}, "", 8, "", "");
    row("no targets", {}, {photo}, "", 15, "", "");
    row("no files", {bt}, {}, "", 1, "", "");
    // Refused after the first file was linked: that link goes too.
    row("a directory in the payload", {bt}, {photo, u"album"_s}, "", 9, "pair", "");
    row("a symlink in place of the file", {wifi}, {photo, u"alias"_s}, "", 13, "connect ip", "");
    row("a deleted file", {bt}, {u"gone.jpg"_s}, "", 9, "pair", "");
    row("not a local file", {bt}, {u"https://example.com/photo.jpg"_s}, "", 9, "pair", "");
}

void tst_FileTransferManager::transfer()
{
    QFETCH(QStringList, targets);
    QFETCH(QStringList, files);
    QFETCH(QString, script);
    QFETCH(int, error);
    QFETCH(QString, requests);
    QFETCH(QString, linkedFor);

    TransferServices services(script);
    QVERIFY(services.isServing());
    QList<NfcRemoteTarget> remoteTargets;
    for (const QString &target : targets)
        remoteTargets.append({target.mid(2), target.left(1).toInt()});
    QList<QUrl> urls;
    for (const QString &name : files)
        urls.append(name.contains(u':') ? QUrl(name) : appFile(name));

    FileTransferManager manager(&m_connector);
    NfcShareError::Type err = NfcShareError::Unknown;
    QCOMPARE(manager.transferFiles(remoteTargets, urls, err), error < 0);
    QCOMPARE(int(err), error < 0 ? 0 : error);
    QTRY_COMPARE(services.messages(), requests); // pairing is not waited for

    // What the service was given is the links left for it, each the shared file itself.
    const QStringList links = linksLeft();
    QCOMPARE(links.size(), linkedFor.isEmpty() ? 0 : files.size());
    for (const QString &link : links)
        QVERIFY2(link.startsWith(linkedFor + u'/' + InstallId + u'/'), qPrintable(link));
    for (const TransferServices::Request &request : services.requests()) {
        if (request.msg == u"initiate_pairing"_s) {
            QCOMPARE(request.dat,
                     (QVariantMap{
                         {u"addr"_s, BluetoothPeer}, {u"timeout"_s, 20000}, {u"bonding"_s, 0}}));
        }
        if (request.msg == u"wifi_p2p_send"_s)
            QCOMPARE(request.dat.value(u"ip_addr"_s), QVariant(PeerIp));
        const QVariantList paths =
            request.dat.value(u"urls"_s).toList() + request.dat.value(u"files"_s).toList();
        for (const QVariant &path : paths) {
            QFile link(path.toString());
            if (!link.exists())
                continue; // removed after the failed send
            QVERIFY(links.contains(path.toString().mid(shareWithArea().size())));
            QVERIFY(link.open(QIODevice::ReadOnly));
            QCOMPARE(link.readAll(), QFileInfo(link).fileName().toLatin1());
        }
    }
    // No log line names a file or an address.
    const QStringList lines = m_log->debugs + m_log->warnings;
    for (const QString &secret : {u"photo"_s, BluetoothPeer, WiFiPeer, PeerIp})
        QVERIFY2(lines.filter(secret).isEmpty(), qPrintable(lines.filter(secret).join(u'|')));
}

void tst_FileTransferManager::cancel_data()
{
    QTest::addColumn<QList<int>>("transports");
    QTest::addColumn<bool>("byUser");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("requests");

    // Declined by the user, a Bluetooth peer is still paired with.
    QTest::newRow("bluetooth first, declined") << QList<int>{1, 2} << true << 10 << u"pair"_s;
    QTest::newRow("bluetooth first, closed") << QList<int>{1, 2} << false << 10 << QString();
    QTest::newRow("wifi direct first") << QList<int>{2, 1} << true << 14 << QString();
    QTest::newRow("no peer") << QList<int>() << true << 0 << QString();
}

void tst_FileTransferManager::cancel()
{
    QFETCH(QList<int>, transports);
    QFETCH(bool, byUser);
    QFETCH(int, error);
    QFETCH(QString, requests);

    TransferServices services;
    FileTransferManager manager(&m_connector);
    QCOMPARE(takeTargets(manager, transports), !transports.isEmpty());
    NfcShareError::Type err = NfcShareError::Unknown;
    manager.cancelFileTransfer(byUser, err);
    QCOMPARE(int(err), error);
    if (requests.isEmpty())
        QTest::qWait(100); // a pairing request would have arrived by now
    QTRY_COMPARE(services.messages(), requests);
    QVERIFY(!manager.isRemoteTargetAvailable());
}

void tst_FileTransferManager::heldTargetsOutliveTheTransaction()
{
    TransferServices services;
    FileTransferManager manager(&m_connector);
    QVERIFY(takeTargets(manager, {1}));
    manager.setPayload({appFile(u"photo.jpg"_s)});
    manager.setTargetHeld(true);
    NfcShareError::Type err = NfcShareError::Unknown;
    QVERIFY(manager.startFileTransfer(err));
    QVERIFY(manager.isRemoteTargetAvailable());
    QVERIFY(!manager.startFileTransfer(err)); // the payload went with the transaction
    QCOMPARE(err, NfcShareError::NoContentToShare);
    // A hand-over that cannot be read keeps what is held.
    QVERIFY(!takeTargets(manager, {}));
    QVERIFY(manager.isRemoteTargetAvailable());
    manager.clearTransferTarget();
    QVERIFY(!manager.isRemoteTargetAvailable());

    QVERIFY(takeTargets(manager, {1}));
    manager.setTargetHeld(false);
    manager.setPayload({appFile(u"photo.jpg"_s)});
    QVERIFY(manager.startFileTransfer(err));
    QVERIFY(!manager.isRemoteTargetAvailable());
}

QTEST_GUILESS_MAIN(tst_FileTransferManager)
#include "tst_filetransfermanager.moc"
