// qzdevice's dialog service reading requests from an untrusted client, end to end: a client
// writes the input to the dialog control object (one write per part, parts separated by a line
// "%%"), then a well-formed closing request; a policy answers every dialog at once. The service
// must survive it, keep answering, and every answer may only name a button the request carried:
// "selectedIndex" is -1 with no context, or the index of a button of a "show" or "update" with
// that id, and "responseBtnContext" that button's context.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include "dialogpolicy.h"
#include "dialogservice.h"

#include <qz/PpsObject>

#include <QCoreApplication>
#include <QHash>
#include <QTimer>

namespace {

const QString SentinelPrefix = QStringLiteral("fuzz-closing-request-");

// Answers each dialog as it comes up. The button follows the id's length, so inputs reach every
// kind of choice: the suggested one, none, the last button, and one past the end.
class ImmediatePolicy : public DialogPolicy
{
public:
    void present(const Dialog &dialog) override
    {
        DialogAnswer answer = DialogAnswer::suggested(dialog, DialogDefaults());
        const int buttons = int(dialog.buttons().size());
        switch (dialog.key().id.size() % 4) {
        case 1:
            answer.buttonIndex = -1;
            break;
        case 2:
            answer.buttonIndex = buttons - 1;
            break;
        case 3:
            answer.buttonIndex = buttons;
            break;
        default:
            break;
        }
        Q_EMIT answered(dialog.key(), answer);
    }
    void revise(const Dialog &) override {}
    void withdraw(const DialogKey &) override {}
};

// The PPS server on its own thread and the service on this one, for the whole run.
struct Harness
{
    PpsRig rig;
    DialogService service{std::make_unique<ImmediatePolicy>()};
    int requests = 0;

    Harness()
    {
        QString error;
        QZ_FUZZ_CHECK(service.start(&error), "the dialog service does not start: %s",
                      qPrintable(error));
    }
};

// What the client asked for: for each dialog id, the button lists of its "show" and "update"
// requests.
using Requests = QHash<QString, QList<QVariantList>>;

void collectRequest(const QVariantMap &message, Requests *requests)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    const QVariant dat = message.value(QStringLiteral("dat"));
    if ((msg != QLatin1String("show") && msg != QLatin1String("update")) ||
        dat.typeId() != QMetaType::QVariantMap)
        return;
    const QVariant description = dat.toMap().value(QStringLiteral("desc_obj"));
    if (description.typeId() != QMetaType::QVariantMap)
        return;
    const QString id = (msg == QLatin1String("update") ? dat.toMap() : message)
                           .value(QStringLiteral("id"))
                           .toString();
    (*requests)[id].append(description.toMap().value(QStringLiteral("buttons")).toList());
}

// The service reads the part under a header of the server's; lines that look like headers or
// notices may be dropped on the way or read as blocks of their own, so both readings count.
void collectPart(const QByteArray &part, Requests *requests)
{
    QByteArray withoutHeaders;
    QByteArray withoutMarks;
    for (const QByteArray &line : part.split('\n')) {
        if (line.startsWith('@'))
            continue;
        withoutHeaders += line + '\n';
        const bool mark = line.size() > 1 && line.at(1) == '@';
        if (!mark)
            withoutMarks += line + '\n';
    }
    for (const QByteArray &text : {withoutHeaders, withoutMarks}) {
        const QVariantMap decoded = qz::PpsObject::decode(text);
        collectRequest(decoded, requests);
        for (const QVariant &block : decoded) {
            if (block.typeId() == QMetaType::QVariantMap)
                collectRequest(block.toMap(), requests);
        }
    }
}

QList<QByteArray> partsOf(const QByteArray &input)
{
    QList<QByteArray> parts;
    QByteArray part;
    for (const QByteArray &line : input.split('\n')) {
        if (line == "%%") {
            parts.append(part);
            part.clear();
        } else {
            part += line + '\n';
        }
    }
    parts.append(part);
    return parts;
}

bool namesCarriedButton(int index, const QString &context, const QList<QVariantList> &requests)
{
    if (index == -1)
        return context.isEmpty();
    return std::any_of(requests.cbegin(), requests.cend(), [&](const QVariantList &buttons) {
        return index >= 0 && index < buttons.size() &&
               buttons.at(index).toMap().value(QStringLiteral("context")).toString() == context;
    });
}

// Returns true on the answer to the closing request.
bool checkAnswer(const QVariantMap &message, const Requests &requests, const QString &closing)
{
    const QString id = message.value(QStringLiteral("id")).toString();
    const QVariantMap response =
        message.value(QStringLiteral("dat")).toMap().value(QStringLiteral("resp_obj")).toMap();
    bool numbered = false;
    const int index = response.value(QStringLiteral("selectedIndex")).toInt(&numbered);
    const QString context = response.value(QStringLiteral("responseBtnContext")).toString();
    QZ_FUZZ_CHECK(message.value(QStringLiteral("res")).toString() == QLatin1String("show") &&
                      numbered,
                  "malformed answer to \"%s\"", qPrintable(id));
    if (id == closing)
        return true;
    QZ_FUZZ_CHECK(requests.contains(id), "answer to \"%s\", which was never asked for",
                  qPrintable(id));
    QZ_FUZZ_CHECK(namesCarriedButton(index, context, requests.value(id)),
                  "answer to \"%s\" names button %d (context \"%s\") the request did not carry",
                  qPrintable(id), index, qPrintable(context));
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like the daemon
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    qz::PpsObject client(DialogService::s_controlPath);
    QZ_FUZZ_CHECK(client.open(qz::PpsOpenMode::PublishSubscribe), "cannot open %s: %s",
                  qPrintable(DialogService::s_controlPath), qPrintable(client.errorString()));
    client.setBlocking(false);
    Requests requests;
    for (const QByteArray &part : partsOf(input)) {
        collectPart(part, &requests);
        client.write(part);
    }
    const QString closing = SentinelPrefix + QString::number(++harness->requests);
    client.write("msg::show\nid::" + closing.toUtf8() +
                 "\ndat:json:{\"className\":\"AlertDialog\",\"desc_obj\":{}}\n");

    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);
    bool closed = false;
    while (!closed) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QZ_FUZZ_CHECK(deadline.isActive(), "no answer to the closing request: the service stopped");
        bool ok = false;
        for (QByteArray text = client.read(&ok); ok; text = client.read(&ok)) {
            const QVariantMap blocks = qz::PpsObject::decode(text, &ok);
            QZ_FUZZ_CHECK(ok, "undecodable answer:\n%s", text.constData());
            for (const QVariant &message : blocks)
                closed = checkAnswer(message.toMap(), requests, closing) || closed;
        }
    }
    return 0;
}
