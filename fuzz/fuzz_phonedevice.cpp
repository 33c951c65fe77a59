// qzdevice's phone service reading untrusted applications, the network's side and invocations,
// end to end. The input is a sequence of parts separated by lines "%%"; a part whose first line
// is "network" is written to the network object, one whose first line is "invoke" is read as
// the data of an invocation of the phone application, any other part goes to the control object
// (its first line dropped when it is "control"). Then each object gets a well-formed closing
// request. The service must survive and answer both; every answer has "res", "id", "dat" and
// "err"; the calls keep to the rules (at most one conversation going on, conferences of two or
// more, bounds kept); and what the calls object shows is what the service holds.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include "phoneservice.h"
#include "phonetarget.h"

#include <qz/PpsObject>

#include <QSet>
#include <QTimer>

namespace {

const QString s_closing = QStringLiteral("fuzz-closing");

// Reads what arrived on \a object; true once the answer to the closing request came.
bool drain(qz::PpsObject &object, const QString &block)
{
    bool closed = false;
    bool ok = false;
    for (QByteArray text = object.read(&ok); ok; text = object.read(&ok)) {
        const QVariantMap answer = qz::PpsObject::decode(text, &ok).value(block).toMap();
        QZ_FUZZ_CHECK(ok, "undecodable answer:\n%s", text.constData());
        for (const char *key : {"res", "id", "dat", "err"})
            QZ_FUZZ_CHECK(answer.contains(QLatin1String(key)), "an answer without \"%s\":\n%s", key,
                          text.constData());
        closed = closed || answer.value(QStringLiteral("id")).toString() == s_closing;
    }
    return closed;
}

void checkCalls(const PhoneExchange &exchange)
{
    const QList<PhoneCall> calls = exchange.calls();
    QZ_FUZZ_CHECK(calls.size() <= PhoneExchange::MaxCalls, "%d calls", int(calls.size()));
    QSet<int> talking; // conversations going on: a conference counts once
    QHash<int, int> conferences;
    for (const PhoneCall &call : calls) {
        QZ_FUZZ_CHECK(call.tones.size() <= PhoneExchange::MaxRecordedTones, "tones unbounded");
        if (call.state == QLatin1String("connected"))
            talking.insert(-call.id);
        if (call.state == QLatin1String("multiparty")) {
            QZ_FUZZ_CHECK(call.conference != 0, "call %d multiparty without a conference", call.id);
            talking.insert(call.conference);
        }
        if (call.conference)
            ++conferences[call.conference];
    }
    QZ_FUZZ_CHECK(talking.size() <= 1, "%d conversations at once", int(talking.size()));
    for (const int members : conferences)
        QZ_FUZZ_CHECK(members >= 2, "a conference of %d", members);
}

// Whether what applications read is what the service holds. The service's writes travel on
// connections of their own, so the server may not have taken the last of them yet.
bool shownAsHeld(const PhoneExchange &exchange)
{
    const QList<PhoneCall> calls = exchange.calls();
    qz::PpsObject listing(QStringLiteral("/pps/services/phone/private/calls/.all"));
    QZ_FUZZ_CHECK(listing.open(qz::PpsOpenMode::Subscribe), "no calls directory");
    listing.setBlocking(false);
    const QVariantMap shown = qz::PpsObject::decode(listing.read());
    if (shown.size() != calls.size())
        return false;
    for (const PhoneCall &call : calls) {
        const QVariantMap object = shown.value(u'@' + QString::number(call.id)).toMap();
        if (object.value(QStringLiteral("callstate")).toString() != call.state ||
            object.value(QStringLiteral("call_actions")).toStringList() !=
                PhoneExchange::actionsOf(call))
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static PpsRig *const rig = new PpsRig;
    Q_UNUSED(rig);
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    // A service of its own per input (it takes over from the one before), so no run steers the
    // next. Everything answers at once: time plays no part.
    PhoneService::Options options;
    options.serveTarget = false;
    options.exchange.ringAfterMs = 0;
    options.exchange.answerAfterMs = -1;
    PhoneService service(options);
    QString error;
    QZ_FUZZ_CHECK(service.start(&error), "the phone service does not start: %s", qPrintable(error));

    qz::PpsObject control(PhoneService::controlPath(0));
    qz::PpsObject network(PhoneService::s_networkPath);
    for (qz::PpsObject *object : {&control, &network}) {
        QZ_FUZZ_CHECK(object->open(qz::PpsOpenMode::PublishSubscribe), "cannot open %s: %s",
                      qPrintable(object->path()), qPrintable(object->errorString()));
        object->setBlocking(false);
    }
    QByteArray part;
    const auto send = [&] {
        const qsizetype end = part.indexOf('\n');
        const QByteArray first = part.left(end < 0 ? part.size() : end);
        const QByteArray rest = end < 0 ? QByteArray() : part.mid(end + 1);
        if (first == "invoke") {
            QString why;
            const std::optional<PhoneTarget::Request> request = PhoneTarget::readInvocation(
                {{QStringLiteral("action"), PhoneTarget::s_dialAction},
                 {QStringLiteral("type"), PhoneTarget::s_startCallType},
                 {QStringLiteral("data"), QString::fromLatin1(rest.toBase64())}},
                &why);
            if (request) {
                QZ_FUZZ_CHECK(PhoneExchange::s_lineTypes.contains(request->line),
                              "an invocation read as line \"%s\"", qPrintable(request->line));
                service.exchange()->dial(request->number, request->line, request->perimeter,
                                         request->video);
            }
        } else if (first == "network") {
            network.write(rest);
        } else {
            control.write(first == "control" ? rest : part);
        }
        part.clear();
    };
    for (const QByteArray &line : input.split('\n')) {
        if (line == "%%")
            send();
        else
            part += line + '\n';
    }
    send();

    control.writeMessage(QStringLiteral("hold_call"), s_closing,
                         {{QStringLiteral("call_id"), QStringLiteral("1")}});
    network.writeMessage(QStringLiteral("line"), s_closing,
                         {{QStringLiteral("line"), QStringLiteral("cellular")},
                          {QStringLiteral("state"), QStringLiteral("idle")}});
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);
    bool controlClosed = false;
    bool networkClosed = false;
    while (!controlClosed || !networkClosed) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QZ_FUZZ_CHECK(deadline.isActive(), "no answer to a closing request: the service stopped");
        controlClosed = drain(control, QStringLiteral("@control")) || controlClosed;
        networkClosed = drain(network, QStringLiteral("@network")) || networkClosed;
    }
    checkCalls(*service.exchange());
    deadline.start(5000);
    while (!shownAsHeld(*service.exchange())) {
        QZ_FUZZ_CHECK(deadline.isActive(), "the calls shown are not the calls held");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return 0;
}
