// qzdevice's NFC service reading requests from untrusted applications and peers, end to end. The
// input is a sequence of parts separated by lines "%%"; a part whose first line is "peer" is
// written to the peer object, any other part to the control object (its first line dropped when
// it is "control"). Then each side sends a well-formed closing request. The service must survive,
// answer both closing requests, and everything it sends must be well-formed: answers name a
// request that was made, events carry a code of the NFC domain, and every NDEF message in an
// event is bytes that parse.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include "nfcservice.h"

#include <nfc/ndef_p.h>
#include <nfc/nfc.h>
#include <nfc/nfcdevicebackend.h>
#include <qz/PpsObject>

#include <QCoreApplication>
#include <QSet>
#include <QTimer>

using qz::platform::NfcDeviceBackend;

namespace {

struct Harness
{
    PpsRig rig;
    NfcService service;
    int serial = 0;

    Harness()
    {
        QString error;
        QZ_FUZZ_CHECK(service.start(&error), "the NFC service does not start: %s",
                      qPrintable(error));
    }
};

const QSet<int> s_eventCodes{
    NFC_SNEP_CONNECTION_EVENT,
    NFC_TAG_READWRITE_EVENT,
    NFC_HANDOVER_DETECTED_EVENT,
    NFC_HANDOVER_COMPLETE_EVENT,
    NFC_OFF_EVENT,
    NFC_ON_EVENT,
    NFC_NDEF_PUSH_SUCCEED_EVENT,
    NFC_NDEF_PUSH_FAILURE_MSG_OVER_SIZE_EVENT,
    NFC_NDEF_PUSH_FAILURE_REJECTED_EVENT,
    NFC_NDEF_PUSH_FAILURE_IO_ERROR_EVENT,
    NFC_HANDOVER_FAILURE_NO_TRANSPORT_EVENT,
    NFC_TARGET_LOST_EVENT,
};

void checkEvent(const QVariantMap &dat)
{
    bool ok = false;
    const int code = dat.value(QStringLiteral("code")).toInt(&ok);
    QZ_FUZZ_CHECK(ok && s_eventCodes.contains(code), "an event of code %d", code);
    const QVariantMap target = NfcDeviceBackend::fromWire(dat.value(QStringLiteral("fields")))
                                   .toMap()
                                   .value(QStringLiteral("target"))
                                   .toMap();
    for (const QVariant &bytes : target.value(QStringLiteral("ndef_messages")).toList()) {
        qz::platform::ndef::Message message;
        QZ_FUZZ_CHECK(bytes.typeId() == QMetaType::QByteArray &&
                          qz::platform::ndef::parse(bytes.toByteArray(), &message),
                      "event %d carries a message that is not NDEF", code);
    }
}

// Reads what arrived on \a object; returns true once the answer to \a closing came.
bool drain(qz::PpsObject &object, const QString &block, const QString &closing)
{
    bool closed = false;
    bool ok = false;
    for (QByteArray text = object.read(&ok); ok; text = object.read(&ok)) {
        const QVariantMap message = qz::PpsObject::decode(text, &ok).value(block).toMap();
        QZ_FUZZ_CHECK(ok && !message.isEmpty(), "undecodable message:\n%s", text.constData());
        if (message.value(QStringLiteral("msg")).toString() == QLatin1String("event")) {
            checkEvent(message.value(QStringLiteral("dat")).toMap());
            continue;
        }
        QZ_FUZZ_CHECK(message.contains(QStringLiteral("res")), "neither answer nor event:\n%s",
                      text.constData());
        if (message.value(QStringLiteral("id")).toString() == closing) {
            QZ_FUZZ_CHECK(!message.contains(QStringLiteral("err")), "closing request refused");
            closed = true;
        }
    }
    return closed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like the daemon
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    qz::PpsObject control(NfcService::s_controlPath);
    qz::PpsObject peer(NfcService::s_peerPath);
    for (qz::PpsObject *object : {&control, &peer}) {
        QZ_FUZZ_CHECK(object->open(qz::PpsOpenMode::PublishSubscribe), "cannot open %s: %s",
                      qPrintable(object->path()), qPrintable(object->errorString()));
        object->setBlocking(false);
    }
    QByteArray part;
    const auto send = [&] {
        const qsizetype end = part.indexOf('\n');
        const QByteArray first = part.left(end < 0 ? part.size() : end);
        const bool toPeer = first == "peer";
        if (toPeer || first == "control")
            part = end < 0 ? QByteArray() : part.mid(end + 1);
        (toPeer ? peer : control).write(part);
        part.clear();
    };
    for (const QByteArray &line : input.split('\n')) {
        if (line == "%%")
            send();
        else
            part += line + '\n';
    }
    send();

    // The state a run leaves behind would steer the next: undone before the closing requests.
    peer.writeMessage(QStringLiteral("on"), QStringLiteral("fuzz-reset"), {});
    peer.writeMessage(QStringLiteral("prompt"), QStringLiteral("fuzz-reset"),
                      {{QStringLiteral("on"), true}});
    const QString closing = QStringLiteral("fuzz-closing-%1").arg(++harness->serial);
    control.writeMessage(
        QStringLiteral("nfc_get_setting"), closing,
        {{QStringLiteral("args"), QVariantList{NFC_SETTING_PROMPT_TO_SEND_FILES}}});
    peer.writeMessage(QStringLiteral("fail"), closing, {{QStringLiteral("clear"), true}});

    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);
    bool controlClosed = false;
    bool peerClosed = false;
    while (!controlClosed || !peerClosed) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QZ_FUZZ_CHECK(deadline.isActive(), "no answer to a closing request: the service stopped");
        controlClosed = drain(control, QStringLiteral("@control"), closing) || controlClosed;
        peerClosed = drain(peer, QStringLiteral("@peer"), closing) || peerClosed;
    }
    return 0;
}
