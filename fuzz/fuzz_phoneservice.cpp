// The phone library reading an untrusted phone service, end to end: the input is a script of
// steps, each writing raw attribute lines into a line or call object, removing one, or sending
// raw text as an answer on the control object to every client ("$PID" stands for this process's
// id, which no fuzzer could guess). A well-formed call behind the script tells when the phone has
// read everything. The tables must stay consistent: every line listed under its own id and
// valid, the lines offered for an address among those listed and available, every call reported
// with an id above 0, and a call that was up and then reported disconnected gone from the table.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include <qz/PpsObject>
#include <qz/system/phone/Phone>

#include <QElapsedTimer>
#include <QSet>

#include <unistd.h>

using namespace qz::system::phone;

namespace {

const QString Root = QStringLiteral("/pps/services/phone/");
const char *const Names[] = {"1",   "2",        "5",     "0",        "-3",
                             "abc", "cellular", "vchat", "Kestrane", "Murmex"};
const QString Addresses[] = {QStringLiteral("12345678"), QStringLiteral("2a3b4c5d"),
                             QStringLiteral("a@b.org"), QStringLiteral("555-0100")};
constexpr int MarkerCall = 4242;

struct Harness
{
    PpsRig rig;
    std::unique_ptr<qz::PpsObject> control;
    std::unique_ptr<Phone> phone;
    QSet<int> live;  // reported last in a state other than disconnected
    QSet<int> ended; // reported disconnected after being live: out of the table
    bool markerSeen = false;

    Harness()
    {
        control = std::make_unique<qz::PpsObject>(Root + QStringLiteral("private/control?server"));
        QZ_FUZZ_CHECK(control->open(qz::PpsOpenMode::PublishSubscribe | qz::PpsOpenMode::Create),
                      "cannot serve the control object");
        phone = std::make_unique<Phone>();
        QObject::connect(phone.get(), qOverload<const Call &>(&Phone::callUpdated),
                         [this](const Call &call) {
                             QZ_FUZZ_CHECK(call.isValid() && call.callId() >= 1,
                                           "call reported with id %d", call.callId());
                             if (call.callId() == MarkerCall)
                                 markerSeen = true;
                             if (call.callState() != CallState::Disconnected) {
                                 live.insert(call.callId());
                                 ended.remove(call.callId());
                             } else if (live.remove(call.callId())) {
                                 ended.insert(call.callId());
                             } else {
                                 ended.remove(call.callId()); // first seen disconnected: kept
                             }
                         });
    }

    static bool write(const QString &path, const QByteArray &text)
    {
        qz::PpsObject object(path);
        return object.open(qz::PpsOpenMode::Publish | qz::PpsOpenMode::Create) &&
               object.write(text);
    }

    static void remove(const QString &path)
    {
        qz::PpsObject object(path);
        if (object.open(qz::PpsOpenMode::Publish))
            object.remove();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like the device
    harness->markerSeen = false;
    qzfuzz::Input input(data, size);
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    for (int step = 0; step < 16 && !input.atEnd(); ++step) {
        const uint8_t kind = input.byte();
        const QString name = QString::fromLatin1(Names[input.byte() % std::size(Names)]);
        QByteArray text = input.shortBytes();
        switch (kind % 4) {
        case 0:
            Harness::write(Root + QStringLiteral("public/lines/") + name, text);
            break;
        case 1:
            Harness::write(Root + QStringLiteral("private/calls/") + name, text);
            break;
        case 2:
            Harness::remove(
                Root +
                (kind & 4 ? QStringLiteral("public/lines/") : QStringLiteral("private/calls/")) +
                name);
            break;
        default:
            harness->control->write("@control\n" + text.replace("$PID", pid));
        }
    }
    const QString marker = Root + QStringLiteral("private/calls/") + QString::number(MarkerCall);
    QZ_FUZZ_CHECK(Harness::write(marker, "callstate::connected\n"), "cannot write the marker");
    QElapsedTimer timer;
    timer.start();
    while (!harness->markerSeen) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
        QZ_FUZZ_CHECK(timer.elapsed() < 10000, "the phone never read the marker call");
    }

    Phone &phone = *harness->phone;
    const QMap<QString, Line> lines = phone.lines();
    for (auto it = lines.cbegin(); it != lines.cend(); ++it)
        QZ_FUZZ_CHECK(it->isValid() && it->id() == it.key(), "line %s listed as %s",
                      qPrintable(it->id()), qPrintable(it.key()));
    for (const QString &address : Addresses) {
        for (const Line &line : phone.availableLines(address))
            QZ_FUZZ_CHECK(lines.value(line.id()) == line && phone.isLineAvailable(line.type()),
                          "line %s offered but not available", qPrintable(line.id()));
    }
    // A call that was up and then disconnected leaves the table, so commands on it are refused
    // unwritten. (One first seen disconnected stays until a later word on it.)
    for (const int callId : std::as_const(harness->ended))
        QZ_FUZZ_CHECK(!phone.endCall(callId), "call %d ended after it was gone", callId);

    // The next input starts from a service without objects, as a restarted one.
    Harness::remove(marker);
    for (const char *name : Names) {
        Harness::remove(Root + QStringLiteral("public/lines/") + QString::fromLatin1(name));
        Harness::remove(Root + QStringLiteral("private/calls/") + QString::fromLatin1(name));
    }
    return 0;
}
