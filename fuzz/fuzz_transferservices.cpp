// qzdevice's Bluetooth and Wi-Fi Direct services reading requests from untrusted applications
// and peers, end to end. The input is a sequence of parts separated by lines "%%"; a part's first
// line names where it goes: "bt" (the default, and then kept), "btpeer", "manager", "send" or
// "wifipeer". "$ROOT" in the input stands for the device root. Then each object gets a
// well-formed closing request. The services must survive and answer every closing request with a
// well-formed answer, a Bluetooth answer must fit the 127 bytes its clients read, and the peers'
// inboxes may only ever hold the two files the services may read: never one outside the shared
// areas, however it is named (the private file in the device root and the secret outside it).
#include "fuzzcheck.h"
#include "ppsrig.h"

#include "bluetoothservice.h"
#include "devicetree.h"
#include "wifidirectservice.h"

#include <qz/PpsObject>

#include <QDir>
#include <QDirIterator>
#include <QTimer>

#include <unistd.h>

namespace {

const QByteArray s_shared = "shared";
const QByteArray s_linked = "linked";

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QZ_FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size(),
                  "cannot write %s", qPrintable(path));
}

struct Harness
{
    PpsRig rig;
    QTemporaryDir dir;
    QString root = dir.filePath(QStringLiteral("root"));
    QString peers = dir.filePath(QStringLiteral("peers"));
    QString linkSource = dir.filePath(QStringLiteral("linksource"));
    QString link = root + QStringLiteral("/accounts/1000/sharewith/bluetooth/app/t1/link.txt");
    BluetoothService bluetooth{
        {root, peers, {0, false, false, {QStringLiteral("00:11:22:33:44:66")}}}};
    WiFiDirectService wifiDirect{{root, peers, {}}};
    int serial = 0;

    Harness()
    {
        QString error;
        QZ_FUZZ_CHECK(DeviceTree::prepare(root, {QStringLiteral("app")}, &error), "%s",
                      qPrintable(error));
        writeFile(root + QStringLiteral("/accounts/1000/shared/doc.txt"), s_shared);
        writeFile(linkSource, s_linked);
        writeFile(root + QStringLiteral("/accounts/1000/appdata/app/private"), "private");
        writeFile(dir.filePath(QStringLiteral("secret")), "secret");
        // Links that lead out of the readable areas, by name and by folder.
        const QString app = root + QStringLiteral("/accounts/1000/sharewith/bluetooth/app");
        QDir().mkpath(app + QStringLiteral("/t2"));
        QZ_FUZZ_CHECK(
            ::symlink(qPrintable(dir.filePath(QStringLiteral("secret"))),
                      qPrintable(app + QStringLiteral("/t2/evil"))) == 0 &&
                ::symlink(qPrintable(dir.path()), qPrintable(app + QStringLiteral("/t3"))) == 0,
            "cannot make the symbolic links");
        QZ_FUZZ_CHECK(bluetooth.start(&error) && wifiDirect.start(&error),
                      "the services do not start: %s", qPrintable(error));
    }

    // The link a successful send removes, back for the next run.
    void relink()
    {
        QDir().mkpath(QFileInfo(link).path());
        if (!QFileInfo::exists(link))
            QZ_FUZZ_CHECK(::link(qPrintable(linkSource), qPrintable(link)) == 0, "cannot link");
    }
};

// Reads what arrived on \a object; returns true once the answer to \a closing came.
bool drain(qz::PpsObject &object, const QString &block, const QString &closing, bool bluetooth)
{
    bool closed = false;
    bool ok = false;
    for (QByteArray text = object.read(&ok); ok; text = object.read(&ok)) {
        const QVariantMap message = qz::PpsObject::decode(text, &ok).value(block).toMap();
        QZ_FUZZ_CHECK(ok && !message.isEmpty(), "undecodable message:\n%s", text.constData());
        QZ_FUZZ_CHECK(message.contains(QStringLiteral("res")) &&
                          message.contains(QStringLiteral("dat")) !=
                              message.contains(QStringLiteral("err")),
                      "not an answer:\n%s", text.constData());
        if (message.value(QStringLiteral("id")).toString() == closing) {
            QZ_FUZZ_CHECK(!bluetooth || text.size() <= 127, "a Bluetooth answer of %d bytes",
                          int(text.size()));
            closed = true;
        }
    }
    return closed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like qzdevice
    harness->relink();
    QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    input.replace("$ROOT", QFile::encodeName(harness->root));

    struct Target
    {
        const char *name;
        qz::PpsObject object;
        QString block;
    };
    Target targets[] = {
        {"bt", qz::PpsObject(BluetoothService::s_controlPath), QStringLiteral("@control")},
        {"btpeer", qz::PpsObject(BluetoothService::s_peerPath), QStringLiteral("@peer")},
        {"manager", qz::PpsObject(WiFiDirectService::s_managerPath), QStringLiteral("@control")},
        {"send", qz::PpsObject(WiFiDirectService::s_sendPath), QStringLiteral("@control")},
        {"wifipeer", qz::PpsObject(WiFiDirectService::s_peerPath), QStringLiteral("@peer")},
    };
    for (Target &target : targets) {
        QZ_FUZZ_CHECK(target.object.open(qz::PpsOpenMode::PublishSubscribe), "cannot open %s: %s",
                      target.name, qPrintable(target.object.errorString()));
        target.object.setBlocking(false);
    }
    Target *to = &targets[0];
    QByteArray part;
    const auto send = [&] {
        const qsizetype end = part.indexOf('\n');
        const QByteArray first = part.left(end < 0 ? part.size() : end);
        for (Target &target : targets) {
            if (first == target.name) {
                to = &target;
                part = end < 0 ? QByteArray() : part.mid(end + 1);
            }
        }
        to->object.write(part);
        part.clear();
    };
    for (const QByteArray &line : input.split('\n')) {
        if (line == "%%")
            send();
        else
            part += line + '\n';
    }
    send();

    // The switches a run leaves behind would steer the next: undone with the closing requests,
    // each of which every service answers at once.
    const QString closing = QStringLiteral("fuzz-closing-%1").arg(++harness->serial);
    targets[0].object.writeMessage(QStringLiteral("initiate_pairing"), closing, {});
    targets[1].object.writeMessage(
        QStringLiteral("fail"), closing,
        {{QStringLiteral("pairing"), false}, {QStringLiteral("push"), false}});
    targets[2].object.writeMessage(QStringLiteral("wifi_p2p_cancel_connect"), closing, {});
    targets[3].object.writeMessage(QStringLiteral("wifi_p2p_send"), closing, {});
    targets[4].object.writeMessage(QStringLiteral("fail"), closing,
                                   {{QStringLiteral("connect"), 0},
                                    {QStringLiteral("ip"), false},
                                    {QStringLiteral("send"), false}});

    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);
    bool closed[std::size(targets)] = {};
    while (!std::all_of(std::begin(closed), std::end(closed), [](bool c) { return c; })) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        QZ_FUZZ_CHECK(deadline.isActive(), "no answer to a closing request: a service stopped");
        for (size_t i = 0; i < std::size(targets); ++i)
            closed[i] = drain(targets[i].object, targets[i].block, closing, i == 0) || closed[i];
    }

    for (QDirIterator it(harness->peers, QDir::Files, QDirIterator::Subdirectories);
         it.hasNext();) {
        QFile file(it.next());
        QZ_FUZZ_CHECK(file.open(QIODevice::ReadOnly), "an unreadable file in an inbox");
        const QByteArray bytes = file.readAll();
        QZ_FUZZ_CHECK(bytes == s_shared || bytes == s_linked, "a peer received \"%s\"",
                      bytes.left(32).constData());
    }
    QDir(harness->peers).removeRecursively();
    return 0;
}
