// qzdevice's context collector and locale service reading requests from untrusted applications,
// end to end. The input is a sequence of parts separated by lines "%%"; a part whose first line
// is "locale" is written to the locale service's control object, any other part to the context
// collector's (its first line dropped when it is "context"). Then each gets a well-formed closing
// request. Both services must survive and answer it; every answer must be well-formed, and the
// locale settings must still be ones the service accepts.
#include "fuzzcheck.h"
#include "ppsrig.h"

#include "contextservice.h"
#include "localeservice.h"

#include <qz/PpsObject>

#include <QCoreApplication>
#include <QTimer>

namespace {

struct Harness
{
    PpsRig rig;
    QTemporaryDir data;
    ContextService context{data.path()};
    LocaleService locale{LocaleService::Settings{QStringLiteral("en_GB"), QStringLiteral("en_GB"),
                                                 QStringLiteral("metric")}};
    int serial = 0;

    Harness()
    {
        QString error;
        QZ_FUZZ_CHECK(context.start(&error), "the context service does not start: %s",
                      qPrintable(error));
        QZ_FUZZ_CHECK(locale.start(&error), "the locale service does not start: %s",
                      qPrintable(error));
    }
};

// Reads what arrived on \a object; the closing request's answer once it came.
std::optional<QVariantMap> drain(qz::PpsObject &object, const QString &closing)
{
    std::optional<QVariantMap> closed;
    bool ok = false;
    for (QByteArray text = object.read(&ok); ok; text = object.read(&ok)) {
        const QVariantMap message =
            qz::PpsObject::decode(text, &ok).value(QStringLiteral("@control")).toMap();
        QZ_FUZZ_CHECK(ok && message.contains(QStringLiteral("res")), "not an answer:\n%s",
                      text.constData());
        QZ_FUZZ_CHECK(message.contains(QStringLiteral("err")) ||
                          message.value(QStringLiteral("dat")).typeId() == QMetaType::QVariantMap,
                      "an answer without dat or err:\n%s", text.constData());
        if (message.value(QStringLiteral("id")).toString() == closing)
            closed = message;
    }
    return closed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness *const harness = new Harness; // lives for the process, like the daemon
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));

    qz::PpsObject context(ContextService::s_controlPath);
    qz::PpsObject locale(LocaleService::s_controlPath);
    for (qz::PpsObject *object : {&context, &locale})
        QZ_FUZZ_CHECK(object->open(qz::PpsOpenMode::PublishSubscribe), "cannot open %s: %s",
                      qPrintable(object->path()), qPrintable(object->errorString()));
    QByteArray part;
    const auto send = [&] {
        const qsizetype end = part.indexOf('\n');
        const QByteArray first = part.left(end < 0 ? part.size() : end);
        const bool toLocale = first == "locale";
        if (toLocale || first == "context")
            part = end < 0 ? QByteArray() : part.mid(end + 1);
        (toLocale ? locale : context).write(part);
        part.clear();
    };
    for (const QByteArray &line : input.split('\n')) {
        if (line == "%%")
            send();
        else
            part += line + '\n';
    }
    send();

    const QString closing = QStringLiteral("fuzz-closing-%1").arg(++harness->serial);
    context.writeMessage(QStringLiteral("status"), closing, {});
    locale.writeMessage(QStringLiteral("get"), closing, {});
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(10000);
    std::optional<QVariantMap> contextClosed;
    std::optional<QVariantMap> localeClosed;
    while (!contextClosed || !localeClosed) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QZ_FUZZ_CHECK(deadline.isActive(), "no answer to a closing request: a service stopped");
        if (auto answer = drain(context, closing))
            contextClosed = answer;
        if (auto answer = drain(locale, closing))
            localeClosed = answer;
    }
    QZ_FUZZ_CHECK(!contextClosed->contains(QStringLiteral("err")), "status refused");
    const QVariantMap settings = localeClosed->value(QStringLiteral("dat")).toMap();
    const QString uom = settings.value(QStringLiteral("uom")).toString();
    QZ_FUZZ_CHECK(uom == QLatin1String("metric") || uom == QLatin1String("imperial"),
                  "the measurement system became \"%s\"", qPrintable(uom));
    for (const char *key : {"messages", "region"}) {
        const QString name = settings.value(QLatin1String(key)).toString();
        QZ_FUZZ_CHECK(!name.isEmpty() && name.size() <= 64 && !name.contains(u'\n') &&
                          !name.contains(u'/'),
                      "the %s locale became \"%s\"", key, qPrintable(name));
    }
    QZ_FUZZ_CHECK(harness->context.events().size() <= ContextService::MaxKeptEvents,
                  "%lld events kept", qlonglong(harness->context.events().size()));
    return 0;
}
