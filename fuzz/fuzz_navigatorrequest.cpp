// qzdevice's navigator reading requests from an untrusted client, end to end: a client writes the
// input to the navigator's control object (one write per part, parts separated by a line "%%"),
// then a well-formed query. The service must survive whatever came before, answer that query, and
// send the client only events of the navigator domain, each a code it knows with a map of fields.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include "navigatorservice.h"

#include <qz/PpsObject>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTimer>

namespace {

const QSet<int> s_codes{16, 17, 18, 19, 20, 21, 22, 25, 30, 32, 33, 34, 35, 37, 38, 44, 45};
const QSet<QString> s_messages{QStringLiteral("event"), QStringLiteral("error"),
                               QStringLiteral("clock"), QStringLiteral("timers"),
                               QStringLiteral("fail"),  QStringLiteral("card-resize")};

// The PPS server on its own thread and the service on this one, for the whole run. Targets have
// no start command, so nothing is ever started.
struct Harness
{
    PpsRig rig;
    QTemporaryDir targets;
    QTemporaryDir data;
    std::unique_ptr<NavigatorService> service;
    int queries = 0;

    Harness()
    {
        const QList<std::pair<const char *, const char *>> declarations{
            {"app.target", "key fz.app\ntype application\nfilter actions=a.B;types=*;\n"},
            {"viewer.target", "key fz.viewer\ntype viewer\nfilter actions=a.V;types=image/*;\n"},
            {"card.target",
             "key fz.card\ntype card\naction a.P Pick\nfilter actions=a.P;types=*;\n"}};
        for (const auto &[name, text] : declarations) {
            QFile file(QDir(targets.path()).filePath(QString::fromLatin1(name)));
            QZ_FUZZ_CHECK(file.open(QIODevice::WriteOnly) && file.write(text) > 0,
                          "cannot write %s", name);
        }
        service = std::make_unique<NavigatorService>(
            NavigatorService::Options{targets.path(), data.path(), {}, 500});
        QString error;
        QZ_FUZZ_CHECK(service->start(&error), "the navigator does not start: %s",
                      qPrintable(error));
    }
};

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

// Returns true on the answer to the closing query.
bool checkMessage(const QVariantMap &message, const QString &closing)
{
    const QString msg = message.value(QStringLiteral("msg")).toString();
    QZ_FUZZ_CHECK(s_messages.contains(msg), "unexpected message \"%s\"", qPrintable(msg));
    QZ_FUZZ_CHECK(message.value(QStringLiteral("dat")).typeId() == QMetaType::QVariantMap,
                  "\"%s\" without a map", qPrintable(msg));
    if (msg != QLatin1String("event"))
        return false;
    const QVariantMap dat = message.value(QStringLiteral("dat")).toMap();
    bool ok = false;
    const int code = dat.value(QStringLiteral("code")).toInt(&ok);
    QZ_FUZZ_CHECK(ok && s_codes.contains(code), "event code \"%s\"",
                  qPrintable(dat.value(QStringLiteral("code")).toString()));
    QZ_FUZZ_CHECK(dat.value(QStringLiteral("fields")).typeId() == QMetaType::QVariantMap,
                  "event %d without fields", code);
    const QVariantMap fields = dat.value(QStringLiteral("fields")).toMap();
    return code == 17 && fields.value(QStringLiteral("id")).toString() == closing;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like the daemon
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    qz::PpsObject client(NavigatorService::s_controlPath);
    QZ_FUZZ_CHECK(client.open(qz::PpsOpenMode::PublishSubscribe), "cannot open %s: %s",
                  qPrintable(NavigatorService::s_controlPath), qPrintable(client.errorString()));
    client.setBlocking(false);
    for (const QByteArray &part : partsOf(input))
        client.write(part);
    const QString closing = QStringLiteral("fuzz-closing-%1").arg(++harness->queries);
    // A failure switched on by the input may answer it with an error; it is answered all the same.
    client.write(
        "msg::call\ndat:json:{\"name\":\"navigator_invoke_query_send\",\"args\":[0,{\"id\":\"" +
        closing.toUtf8() + "\",\"type\":\"text/plain\"}]}\n");

    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);
    bool closed = false;
    while (!closed) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QZ_FUZZ_CHECK(deadline.isActive(), "no answer to the closing query: the service stopped");
        bool ok = false;
        for (QByteArray text = client.read(&ok); ok; text = client.read(&ok)) {
            const QVariantMap blocks = qz::PpsObject::decode(text, &ok);
            QZ_FUZZ_CHECK(ok, "undecodable message:\n%s", text.constData());
            for (const QVariant &message : blocks)
                closed = checkMessage(message.toMap(), closing) || closed;
        }
    }
    return 0;
}
