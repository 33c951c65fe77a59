// Target filter texts as a peer sends them, end to end: the input (one filter text per line) is
// the answer to a request for filters; what the library read is written back with an update and
// read again. Reading never crashes, every value read is free of the separators, and after one
// round the texts no longer change: written, read and written again they are the same.
#include "fuzzcheck.h"

#include <qz/system/InvokeManager>
#include <xrv/backend_p.h>
#include <xrv/navigator.h>

#include <QCoreApplication>

using namespace qz::system;

namespace {

// Answers every navigator call with success and keeps the filter texts of the last update.
class CaptureBackend : public qz::platform::Backend
{
public:
    int call(const QByteArray &name, const QVariantList &args, QVariantList *) override
    {
        if (name == "navigator_invoke_set_filters")
            written = args.value(2).toStringList();
        return 0;
    }
    QStringList written;
};

struct Harness
{
    int argc = 1;
    char name[16] = "fuzz";
    char *argv[2] = {name, nullptr};
    QCoreApplication app{argc, argv};
    CaptureBackend backend;
    InvokeManager manager;

    Harness()
    {
        qzfuzz::silenceQtMessages();
        qz::platform::setBackend(qz::platform::Service::Navigator, &backend);
    }
    ~Harness() { qz::platform::setBackend(qz::platform::Service::Navigator, nullptr); }

    QList<InvokeTargetFilter> read(const QStringList &texts)
    {
        std::unique_ptr<InvokeRequestTargetFiltersReply> reply(
            manager.requestTargetFilters(QStringLiteral("t")));
        QZ_FUZZ_CHECK(reply, "no reply to a request for filters");
        qz::platform::postEvent(navigator_get_domain(), 35,
                                {{QStringLiteral("id"), QString::number(quintptr(reply.get()), 16)},
                                 {QStringLiteral("filters_target"), QStringLiteral("t")},
                                 {QStringLiteral("filters"), texts}});
        for (int round = 0; round < 100 && !reply->isFinished(); ++round)
            QCoreApplication::processEvents();
        QZ_FUZZ_CHECK(reply->isFinished(), "the answer did not reach its reply");
        return reply->filters();
    }

    QStringList write(const QList<InvokeTargetFilter> &filters)
    {
        InvokeUpdateTargetFiltersRequest request;
        request.setTarget(QStringLiteral("t"));
        request.setTargetFilters(filters);
        backend.written.clear();
        std::unique_ptr<InvokeReply> reply(manager.updateTargetFilters(request));
        QZ_FUZZ_CHECK(reply, "no reply to an update");
        return backend.written;
    }
};

bool clean(const QStringList &values)
{
    return std::none_of(values.cbegin(), values.cend(), [](const QString &value) {
        return value.contains(QLatin1Char(';')) || value.contains(QLatin1Char(','));
    });
}

void checkClean(const InvokeTargetFilter &filter)
{
    QZ_FUZZ_CHECK(clean(filter.actionList()) && clean(filter.mimeTypeList()) &&
                      clean(filter.uriList()) && clean(filter.fileExtensionList()),
                  "a value holds a separator");
    for (const QString &name : filter.customAttributeNames()) {
        QZ_FUZZ_CHECK(!name.isEmpty() && !name.contains(QLatin1Char('=')) &&
                          !name.contains(QLatin1Char(';')),
                      "bad attribute name \"%s\"", qPrintable(name));
        QZ_FUZZ_CHECK(clean(filter.customAttributeList(name)), "a value holds a separator");
    }
}

bool sameFilter(const InvokeTargetFilter &a, const InvokeTargetFilter &b)
{
    if (a.actionList() != b.actionList() || a.mimeTypeList() != b.mimeTypeList() ||
        a.uriList() != b.uriList() || a.fileExtensionList() != b.fileExtensionList() ||
        a.customAttributeNames() != b.customAttributeNames())
        return false;
    const QStringList names = a.customAttributeNames();
    return std::all_of(names.cbegin(), names.cend(), [&](const QString &name) {
        return a.customAttributeList(name) == b.customAttributeList(name);
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Harness harness;

    QStringList texts = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size))
                            .split(QLatin1Char('\n'));
    if (texts.size() > 64)
        texts.resize(64);

    const QList<InvokeTargetFilter> first = harness.read(texts);
    QZ_FUZZ_CHECK(first.size() == texts.size(), "%lld texts read as %lld filters",
                  static_cast<long long>(texts.size()), static_cast<long long>(first.size()));
    for (const InvokeTargetFilter &filter : first)
        checkClean(filter);

    const QStringList written = harness.write(first);
    QZ_FUZZ_CHECK(written.size() == first.size(), "%lld filters written as %lld texts",
                  static_cast<long long>(first.size()), static_cast<long long>(written.size()));
    const QList<InvokeTargetFilter> second = harness.read(written);
    QZ_FUZZ_CHECK(second.size() == first.size(), "filters lost on the second read");
    for (qsizetype i = 0; i < first.size(); ++i) {
        QZ_FUZZ_CHECK(sameFilter(first.at(i), second.at(i)), "filter %lld changed: \"%s\"",
                      static_cast<long long>(i), qPrintable(written.at(i)));
    }
    const QStringList rewritten = harness.write(second);
    QZ_FUZZ_CHECK(rewritten == written, "written texts changed: \"%s\"",
                  qPrintable(written.join(QLatin1Char('\n'))));
    return 0;
}
