// The share manager against the recording backend: share modes and their registrations, content,
// data taps with each outcome, the transport order of a hand-over, file sharing on tap and on
// demand, and the prompt to send answered by a scripted dialog service. No Bluetooth or Wi-Fi
// Direct service runs here, so a confirmed file transfer fails on its Bluetooth peer (error 9);
// the transfers themselves are tested with the file transfer manager.
#include "dialogpeer.h"
#include "nfctestsupport.h"

#include <qz/system/NfcShareManager>

#include <nfc/ndef_p.h>

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>

using namespace qz::system;
using namespace Qt::Literals::StringLiterals;
namespace ndef = qz::platform::ndef;

namespace {

const int TargetId = 42;
const QVariantMap PlainTarget{{u"id"_s, TargetId}};

// A hand-over target whose message offers one Bluetooth peer.
QVariantMap handoverTarget()
{
    ndef::Record bluetooth;
    ndef::bluetoothCarrierRecord("aa:bb:cc:dd:ee:01", &bluetooth);
    return {{u"id"_s, TargetId}, {u"ndef_messages"_s, QVariantList{ndef::encode({bluetooth})}}};
}

NfcShareDataContent textContent(const char *text)
{
    NfcShareDataContent content;
    content.setMimeType(u"text/plain"_s);
    content.setData(text);
    return content;
}

QList<NfcShareHandoverTransport::Type> transportList(const QList<int> &values)
{
    QList<NfcShareHandoverTransport::Type> list;
    for (int value : values)
        list.append(NfcShareHandoverTransport::Type(value));
    return list;
}

// What the manager emitted since the last take(), in the order of its signals, e.g.
// "changed(2) error(8) acquired".
class Signals
{
public:
    explicit Signals(NfcShareManager &manager)
    {
        add("changed", manager, &NfcShareManager::shareModeChanged);
        add("finished", manager, &NfcShareManager::finished);
        add("error", manager, &NfcShareManager::error);
        add("acquired", manager, &NfcShareManager::targetAcquired);
        add("cancelled", manager, &NfcShareManager::targetCancelled);
    }

    bool any() const
    {
        return std::any_of(m_spies.cbegin(), m_spies.cend(),
                           [](const auto &spy) { return !spy.second->isEmpty(); });
    }

    QString take()
    {
        QStringList parts;
        for (const auto &[name, spy] : m_spies) {
            for (const QList<QVariant> &arguments : std::as_const(*spy)) {
                parts.append(arguments.isEmpty()
                                 ? name
                                 : u"%1(%2)"_s.arg(name).arg(arguments.first().toInt()));
            }
            spy->clear();
        }
        return parts.join(u' ');
    }

private:
    template<typename Signal> void add(const char *name, NfcShareManager &manager, Signal signal)
    {
        m_spies.emplace_back(QString::fromLatin1(name),
                             std::make_unique<QSignalSpy>(&manager, signal));
    }

    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> m_spies;
};

} // namespace

class tst_NfcShareManager : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void setShareMode_data();
    void setShareMode();
    void setShareContent_data();
    void setShareContent();
    void dataTap_data();
    void dataTap();
    void tapDuringPushIsIgnored();
    void transportOrder_data();
    void transportOrder();
    void fileSharing_data();
    void fileSharing();
    void promptToSend();

private:
    QString registrations() const;
    bool tap(int code, const QVariantMap &target = PlainTarget);
    QUrl file(qint64 size);
    void makeManager();

    std::unique_ptr<RecordingBackend> m_backend;
    std::unique_ptr<NfcLogCapture> m_log;
    std::unique_ptr<NfcShareManager> m_manager;
    std::unique_ptr<Signals> m_signals;
    QTemporaryDir m_files;
    std::vector<std::unique_ptr<QTemporaryFile>> m_payload;
};

void tst_NfcShareManager::initTestCase()
{
    qputenv("PERIMETER", "personal");
    // No PPS server: no dialog, Bluetooth or Wi-Fi Direct service unless a test starts one.
    qputenv("QZ_PPS_SOCKET", m_files.filePath(u"none.sock"_s).toLocal8Bit());
}

void tst_NfcShareManager::init()
{
    m_backend = std::make_unique<RecordingBackend>(
        std::initializer_list<RecordingBackend::Service>{RecordingBackend::Service::Nfc});
    m_log = std::make_unique<NfcLogCapture>();
    makeManager();
}

void tst_NfcShareManager::makeManager()
{
    m_signals.reset();
    m_manager = std::make_unique<NfcShareManager>();
    m_signals = std::make_unique<Signals>(*m_manager);
    _ignorePromptSendFilesSetting(m_manager.get(), true);
}

void tst_NfcShareManager::cleanup()
{
    m_signals.reset();
    m_manager.reset();
    m_log.reset();
    m_backend.reset();
    m_payload.clear();
}

// The registrations made so far, e.g. "-snep handover1 handover2".
QString tst_NfcShareManager::registrations() const
{
    QStringList calls;
    for (const RecordingBackend::Call &call : m_backend->calls()) {
        if (!call.name.contains("register"))
            continue;
        QString name = QString::fromLatin1(call.name)
                           .replace(u"nfc_unregister_"_s, u"-"_s)
                           .remove(u"nfc_register_"_s)
                           .section(u'_', 0, 0);
        calls.append(name + (call.args.isEmpty() || name == u"tag"_s
                                 ? QString()
                                 : call.args.first().toString()));
    }
    return calls.join(u' ');
}

bool tst_NfcShareManager::tap(int code, const QVariantMap &target)
{
    NfcTargetProbe probe; // subscribed after the manager: sees each event after it
    return probe.deliver(code, target);
}

QUrl tst_NfcShareManager::file(qint64 size)
{
    auto file = std::make_unique<QTemporaryFile>(m_files.filePath(u"payload"_s));
    if (!file->open() || !file->resize(size))
        return {};
    m_payload.push_back(std::move(file));
    return QUrl::fromLocalFile(m_payload.back()->fileName());
}

void tst_NfcShareManager::setShareMode_data()
{
    QTest::addColumn<int>("from"); // the mode set first; -1: none
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("transferMode");
    QTest::addColumn<QList<int>>("transports");
    QTest::addColumn<QByteArrayList>("refused");
    QTest::addColumn<QString>("calls"); // after "from" was set
    QTest::addColumn<QString>("emitted");
    QTest::addColumn<int>("modeAfter");

    const QByteArray snep = "nfc_register_snep_client";
    const QByteArray tags = "nfc_register_tag_readerwriter";
    const QByteArray handover = "nfc_register_handover_listener";
    auto row = [](const char *name, int from, int mode, int transferMode, QList<int> transports,
                  QByteArrayList refused, const char *calls, const char *emitted, int after) {
        QTest::newRow(name) << from << mode << transferMode << transports << refused
                            << QString::fromLatin1(calls) << QString::fromLatin1(emitted) << after;
    };
    row("data", -1, 1, 0, {}, {}, "snep tag", "changed(1)", 1);
    row("data, tags alone", -1, 1, 0, {}, {snep}, "snep tag", "changed(1)", 1);
    row("data, nothing registered", -1, 1, 0, {}, {snep, tags}, "snep tag", "error(3)", 0);
    row("tag write", -1, 3, 0, {}, {}, "tag", "changed(3)", 3);
    row("snep", -1, 4, 0, {}, {}, "snep", "changed(4)", 4);
    row("file, default transports", -1, 2, 0, {}, {}, "handover1 handover2", "changed(2)", 2);
    row("file on demand, wifi direct", -1, 2, 1, {1}, {}, "handover2", "changed(2)", 2);
    row("file, nothing registered", -1, 2, 0, {}, {handover}, "handover1 handover2", "error(2)", 0);
    row("data on demand", -1, 1, 1, {}, {}, "", "error(12)", 0);
    row("event service refused", -1, 1, 0, {}, {"nfc_request_events"}, "", "error(0)", 0);
    row("unknown mode", -1, 9, 0, {}, {}, "", "", 0);
    row("data to file", 1, 2, 0, {}, {}, "-snep -tag handover1 handover2", "changed(2)", 2);
    row("file to disabled", 2, 0, 0, {}, {}, "-handover", "changed(0)", 0);
    row("same mode again", 1, 1, 0, {}, {}, "", "", 1);
    // Refused after the earlier registrations are gone: sharing is off, so that asking for the
    // earlier mode again registers it afresh.
    row("snep to tag write refused", 4, 3, 0, {}, {tags}, "-snep tag", "changed(0) error(3)", 0);
    row("file to data refused", 2, 1, 0, {}, {snep, tags}, "-handover snep tag",
        "changed(0) error(3)", 0);
}

void tst_NfcShareManager::setShareMode()
{
    QFETCH(int, from);
    QFETCH(int, mode);
    QFETCH(int, transferMode);
    QFETCH(QList<int>, transports);
    QFETCH(QByteArrayList, refused);
    QFETCH(QString, calls);
    QFETCH(QString, emitted);
    QFETCH(int, modeAfter);

    if (from >= 0)
        m_manager->setShareMode(NfcShareMode::Type(from));
    m_signals->take();
    m_backend->clear();
    for (const QByteArray &call : refused)
        m_backend->failCall(call);
    if (refused.contains("nfc_request_events"))
        makeManager(); // events are asked for when the manager is made

    m_manager->setShareMode(NfcShareMode::Type(mode), NfcShareStartTransferMode::Type(transferMode),
                            transportList(transports));
    QCOMPARE(registrations(), calls);
    QCOMPARE(m_signals->take(), emitted);
    QCOMPARE(int(m_manager->shareMode()), modeAfter);

    if (modeAfter == 0 && from > 0) {
        for (const QByteArray &call : refused)
            m_backend->succeedCall(call);
        m_backend->clear();
        m_manager->setShareMode(NfcShareMode::Type(from));
        QVERIFY(!registrations().isEmpty());
        QCOMPARE(m_signals->take(), u"changed(%1)"_s.arg(from));
    }
}

void tst_NfcShareManager::setShareContent_data()
{
    QTest::addColumn<int>("mode"); // -1: never set
    QTest::addColumn<bool>("data");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("result");

    QTest::newRow("data before any mode") << -1 << true << true << 2;
    QTest::newRow("files before any mode") << -1 << false << true << 2;
    QTest::newRow("data in data mode") << 1 << true << true << 0;
    QTest::newRow("data in tag write mode") << 3 << true << true << 0;
    QTest::newRow("data in snep mode") << 4 << true << true << 0;
    QTest::newRow("unusable data") << 1 << true << false << 3;
    QTest::newRow("files in data mode") << 1 << false << true << 2;
    QTest::newRow("files in file mode") << 2 << false << true << 0;
    QTest::newRow("empty file list") << 2 << false << false << 3;
    QTest::newRow("data in file mode") << 2 << true << true << 2;
    QTest::newRow("after disabling") << 0 << true << true << 2;
}

void tst_NfcShareManager::setShareContent()
{
    QFETCH(int, mode);
    QFETCH(bool, data);
    QFETCH(bool, valid);
    QFETCH(int, result);

    if (mode == 0)
        m_manager->setShareMode(NfcShareMode::Data);
    if (mode >= 0)
        m_manager->setShareMode(NfcShareMode::Type(mode));
    NfcShareFilesContent files;
    if (valid)
        files.setFileUrls({file(3)});
    const NfcShareSetContentError::Type error =
        data ? m_manager->setShareContent(valid ? textContent("hello") : NfcShareDataContent())
             : m_manager->setShareContent(files);
    QCOMPARE(int(error), result);
}

void tst_NfcShareManager::dataTap_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("content");
    QTest::addColumn<int>("refusal"); // what the push or write returns; 0: success
    QTest::addColumn<int>("outcome"); // the event that follows; 0: none
    QTest::addColumn<QString>("emitted");

    auto row = [](const char *name, int mode, int code, bool content, int refusal, int outcome,
                  const char *emitted) {
        QTest::newRow(name) << mode << code << content << refusal << outcome
                            << QString::fromLatin1(emitted);
    };
    const int snep = NFC_SNEP_CONNECTION_EVENT;
    const int tag = NFC_TAG_READWRITE_EVENT;
    row("push accepted", 1, snep, true, 0, 20, "finished(1)");
    row("push too large", 4, snep, true, 0, 21, "error(4)");
    row("push rejected", 1, snep, true, 0, 22, "error(7)");
    row("push i/o error", 1, snep, true, 0, 23, "error(7)");
    row("peer lost", 1, snep, true, 0, 49, "error(7)");
    row("push refused", 1, snep, true, 7, 0, "error(0)");
    row("tag written", 3, tag, true, 0, 0, "finished(2)");
    row("tag locked", 1, tag, true, 4, 0, "error(5)");
    row("tag too small", 3, tag, true, 12, 0, "error(4)");
    row("tag type unsupported", 3, tag, true, 52, 0, "error(6)");
    row("tag i/o error", 3, tag, true, 7, 0, "error(7)");
    row("push without content", 1, snep, false, 0, 0, "error(1)");
    row("write without content", 3, tag, false, 0, 0, "error(1)");
    row("data tap in file mode", 2, snep, false, 0, 0, "error(0)");
}

void tst_NfcShareManager::dataTap()
{
    QFETCH(int, mode);
    QFETCH(int, code);
    QFETCH(bool, content);
    QFETCH(int, refusal);
    QFETCH(int, outcome);
    QFETCH(QString, emitted);

    m_manager->setShareMode(NfcShareMode::Type(mode));
    if (content)
        QCOMPARE(m_manager->setShareContent(textContent("hello")), NfcShareSetContentError::None);
    m_signals->take();
    m_backend->clear();
    const QByteArray call = code == NFC_SNEP_CONNECTION_EVENT ? "nfc_push_ndef_message"
                                                              : "nfc_write_ndef_message_to_tag";
    if (refusal)
        m_backend->failCall(call, refusal);

    QVERIFY(tap(code));
    if (outcome)
        QVERIFY(tap(outcome, {}));
    QCOMPARE(m_signals->take(), emitted);
    const QList<QVariantList> sent = m_backend->argumentsOf(call);
    QCOMPARE(sent.size(), content ? 1 : 0);
    if (content)
        QCOMPARE(sent.first().at(1), QVariant(ndef::encode({ndef::textRecord("hello", "en")})));

    // Whatever the outcome, the next tap is served.
    m_backend->succeedCall(call);
    m_manager->setShareContent(textContent("next"));
    QVERIFY(tap(NFC_TAG_READWRITE_EVENT));
    QCOMPARE(m_signals->take(), mode == NfcShareMode::File ? u"error(0)"_s : u"finished(2)"_s);
}

void tst_NfcShareManager::tapDuringPushIsIgnored()
{
    m_manager->setShareMode(NfcShareMode::Data);
    m_manager->setShareContent(textContent("hello"));
    QVERIFY(tap(NFC_SNEP_CONNECTION_EVENT));
    m_log->warnings.clear();

    QVERIFY(tap(NFC_SNEP_CONNECTION_EVENT));
    QVERIFY(tap(NFC_TAG_READWRITE_EVENT));
    QCOMPARE(m_log->warnings.filter(u"Ignoring"_s),
             (QStringList{u"Ignoring snepData(): target is already acquired and locked"_s,
                          u"Ignoring writeData(): target is already acquired and locked"_s}));
    QCOMPARE(m_backend->argumentsOf("nfc_push_ndef_message").size(), 1);
    QVERIFY(m_backend->argumentsOf("nfc_write_ndef_message_to_tag").isEmpty());
    // Nothing changes while the push is pending.
    QCOMPARE(m_manager->setShareContent(textContent("other")),
             NfcShareSetContentError::TransferInProgress);
    m_manager->setShareMode(NfcShareMode::File);
    m_manager->reset();
    m_manager->startTransfer();
    QCOMPARE(m_signals->take(), u"changed(1) error(11) error(11) error(11)"_s);

    QVERIFY(tap(NFC_NDEF_PUSH_SUCCEED_EVENT, {}));
    QCOMPARE(m_signals->take(), u"finished(1)"_s);
    // Refused content leaves the content in place.
    QCOMPARE(m_manager->setShareContent(NfcShareFilesContent()),
             NfcShareSetContentError::InvalidShareMode);
    QVERIFY(tap(NFC_TAG_READWRITE_EVENT));
    QCOMPARE(m_signals->take(), u"finished(2)"_s);
    QCOMPARE(m_backend->argumentsOf("nfc_write_ndef_message_to_tag").first().at(1),
             QVariant(ndef::encode({ndef::textRecord("hello", "en")})));
}

void tst_NfcShareManager::transportOrder_data()
{
    QTest::addColumn<qint64>("size"); // -1: no content
    QTest::addColumn<QList<int>>("transports");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QVariantList>("offered"); // empty: the registered transports

    QTest::newRow("1 MiB") << qint64(1048576) << QList<int>() << false << QVariantList{1, 2};
    QTest::newRow("5242880 bytes")
        << qint64(5242880) << QList<int>() << false << QVariantList{1, 2};
    QTest::newRow("one byte more")
        << qint64(5242881) << QList<int>() << false << QVariantList{2, 1};
    QTest::newRow("6 MiB") << qint64(6291456) << QList<int>() << false << QVariantList{2, 1};
    QTest::newRow("no content") << qint64(-1) << QList<int>() << false << QVariantList{1, 2};
    QTest::newRow("the application's list")
        << qint64(6291456) << QList<int>{0} << false << QVariantList();
    QTest::newRow("confirmation refused")
        << qint64(1) << QList<int>() << true << QVariantList{1, 2};
}

void tst_NfcShareManager::transportOrder()
{
    QFETCH(qint64, size);
    QFETCH(QList<int>, transports);
    QFETCH(bool, refused);
    QFETCH(QVariantList, offered);

    m_manager->setShareMode(NfcShareMode::File, NfcShareStartTransferMode::OnTap,
                            transportList(transports));
    if (size >= 0) {
        NfcShareFilesContent content;
        content.setFileUrls({file(size)});
        QCOMPARE(m_manager->setShareContent(content), NfcShareSetContentError::None);
    }
    m_signals->take();
    const QByteArray call = offered.isEmpty() ? "nfc_confirm_handover_process"
                                              : "nfc_confirm_handover_process_with_transports";
    if (refused)
        m_backend->failCall(call);
    QVERIFY(tap(NFC_HANDOVER_DETECTED_EVENT));
    const QVariantList arguments = offered.isEmpty()
                                       ? QVariantList{TargetId, true}
                                       : QVariantList{TargetId, offered, offered.size()};
    QCOMPARE(m_backend->argumentsOf(call), QList<QVariantList>{arguments});
    QCOMPARE(m_signals->take(), refused ? u"error(0)"_s : QString());
}

void tst_NfcShareManager::fileSharing_data()
{
    QTest::addColumn<int>("transferMode");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("emitted"); // after each step

    auto row = [](const char *name, int transferMode, const QStringList &steps,
                  const QStringList &emitted) {
        QTest::newRow(name) << transferMode << steps << emitted;
    };
    row("on tap: a tap sends at once", 0, {u"tap"_s, u"start"_s, u"cancel"_s, u"tap"_s},
        {u"error(9)"_s, u"error(11)"_s, {}, u"error(9)"_s});
    row("on tap: a hand-over without peers", 0, {u"bad tap"_s, u"tap"_s},
        {u"error(8)"_s, u"error(9)"_s});
    row("on demand: a tap holds the peer until dropped", 1,
        {u"tap"_s, u"cancel"_s, u"cancel"_s, u"start"_s},
        {u"acquired"_s, u"cancelled"_s, u"error(11)"_s, u"error(15)"_s});
    // The peer stays held after a transfer, for the next one.
    row("on demand: transfers to the held peer", 1,
        {u"tap"_s, u"start"_s, u"start"_s, u"tap"_s, u"cancel"_s},
        {u"acquired"_s, u"error(9)"_s, u"error(9)"_s, u"acquired"_s, u"cancelled"_s});
    row("on demand: reset drops the peer", 1, {u"tap"_s, u"reset"_s, u"cancel"_s, u"tap"_s},
        {u"acquired"_s, u"changed(0)"_s, {}, u"error(0)"_s});
    row("on demand kept while disabled", 1, {u"disable"_s, u"start"_s, u"cancel"_s},
        {u"changed(0)"_s, u"error(12)"_s, u"error(12)"_s});
    // Else the peer would stay held on tap, where nothing sends to it or drops it.
    row("on tap again: the held peer is dropped", 1, {u"tap"_s, u"on tap"_s, u"tap"_s},
        {u"acquired"_s, u"cancelled"_s, u"error(9)"_s});
}

void tst_NfcShareManager::fileSharing()
{
    QFETCH(int, transferMode);
    QFETCH(QStringList, steps);
    QFETCH(QStringList, emitted);

    m_manager->setShareMode(NfcShareMode::File, NfcShareStartTransferMode::Type(transferMode));
    NfcShareFilesContent content;
    content.setFileUrls({file(10)});
    QCOMPARE(m_manager->setShareContent(content), NfcShareSetContentError::None);
    m_signals->take();

    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        if (step.endsWith(u"tap"_s) && step != u"on tap"_s)
            QVERIFY(tap(NFC_HANDOVER_COMPLETE_EVENT,
                        step == u"tap"_s ? handoverTarget() : PlainTarget));
        else if (step == u"start"_s)
            m_manager->startTransfer();
        else if (step == u"cancel"_s)
            m_manager->cancelTarget();
        else if (step == u"reset"_s)
            m_manager->reset();
        else if (step == u"disable"_s)
            m_manager->setShareMode(NfcShareMode::Disabled);
        else
            m_manager->setShareMode(NfcShareMode::File, NfcShareStartTransferMode::OnTap);
        QVERIFY2(m_signals->take() == emitted.at(i), qPrintable(step));
    }
}

// The user's setting asks for the prompt; the dialog service answers it, or not yet while a second
// peer taps.
void tst_NfcShareManager::promptToSend()
{
    DialogPeer peer;
    _ignorePromptSendFilesSetting(m_manager.get(), false);
    m_manager->setShareMode(NfcShareMode::File);
    NfcShareFilesContent content;
    content.setFileUrls({file(10)});
    m_manager->setShareContent(content);
    m_backend->setOutValues("nfc_get_setting", {false});
    QVERIFY(tap(NFC_HANDOVER_COMPLETE_EVENT, handoverTarget()));
    QVERIFY(peer.control->requests().isEmpty()); // the setting off: no prompt
    m_backend->setOutValues("nfc_get_setting", {true});
    m_signals->take();

    // Taps, answers with the button labelled \a label ("" for none) and returns what came of it.
    const auto share = [&](int request, const QString &label) -> QString {
        if (!tap(NFC_HANDOVER_COMPLETE_EVENT, handoverTarget()))
            return u"no tap"_s;
        const ScriptedPeer::Request shown = peer.request(request);
        QString context;
        for (const QVariant &button :
             DialogPeer::descriptionOf(shown).value(u"buttons"_s).toList()) {
            if (button.toMap().value(u"label"_s).toString() == label)
                context = button.toMap().value(u"context"_s).toString();
        }
        QString emitted;
        if (request == 1) { // a second peer while the prompt is up
            tap(NFC_HANDOVER_COMPLETE_EVENT, handoverTarget());
            emitted = m_signals->take() + u' ';
        }
        m_log->warnings.clear();
        peer.control->reply(shown.clientId, DialogPeer::answerFor(shown, context));
        if (!QTest::qWaitFor([&] { return m_signals->any(); }))
            return u"no answer"_s;
        return emitted + m_signals->take();
    };
    QCOMPARE(share(1, u"Cancel"_s), u"error(11) error(10)"_s);
    // Declined by the user: pairing with the Bluetooth peer is still tried.
    QVERIFY(m_log->warnings.contains(u"BT Initiation failed during cancelled prompt"_s));
    QCOMPARE(share(2, u"OK"_s), u"error(9)"_s);
    // Closed without a button: cancelled, not by the user.
    QCOMPARE(share(3, QString()), u"error(10)"_s);
    QVERIFY(!m_log->warnings.contains(u"BT Initiation failed during cancelled prompt"_s));
}

QTEST_GUILESS_MAIN(tst_NfcShareManager)
#include "tst_nfcsharemanager.moc"
