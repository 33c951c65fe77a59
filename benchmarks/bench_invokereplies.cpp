// What it costs to deliver the navigator's answer to one reply (made, answered through the event
// service, finished, deleted) while 1, 1,000 or 10,000 replies wait for answers of their own. An
// answer is looked up by its id, so the replies waiting should not matter.
#include "ratioreporter.h"

#include <qz/system/InvokeReply>
#include <xrv/backend_p.h>
#include <xrv/navigator.h>

#include <QCoreApplication>

#include <memory>
#include <string>

using qz::system::InvokeReply;

namespace {

// The navigator accepts every call, so that nothing but the library and the event service is
// measured.
class AcceptingBackend : public qz::platform::Backend
{
public:
    int call(const QByteArray &, const QVariantList &, QVariantList *) override { return 0; }
};

void deliverBenchmark(benchmark::State &state, int outstanding)
{
    AcceptingBackend backend;
    qz::platform::setBackend(qz::platform::Service::Navigator, &backend);
    {
        // The others wait under a parent of their own: the measured reply has none, so deleting
        // it does not search a list of thousands of siblings.
        QObject waiting;
        for (int i = 1; i < outstanding; ++i)
            new InvokeReply(&waiting);

        const int domain = navigator_get_domain();
        for (auto _ : state) {
            auto reply = std::make_unique<InvokeReply>();
            qz::platform::postEvent(
                domain, 19, {{QStringLiteral("id"), QString::number(quintptr(reply.get()), 16)}});
            while (!reply->isFinished())
                QCoreApplication::processEvents();
        }
    }
    qz::platform::setBackend(qz::platform::Service::Navigator, nullptr);
}

void registerAll()
{
    for (int outstanding : {1, 1000, 10000}) {
        const std::string name = "BM_DeliverWith" + std::to_string(outstanding) + "Outstanding";
        benchmark::RegisterBenchmark(name.c_str(), deliverBenchmark, outstanding)
            ->Repetitions(7)
            ->ReportAggregatesOnly(true)
            ->Unit(benchmark::kMicrosecond);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    registerAll();
    RatioReporter reporter;
    runWithMedians(argc, argv, reporter);
    reporter.printRatio("BM_DeliverWith1000Outstanding", "BM_DeliverWith1Outstanding", "goal <= 2");
    reporter.printRatio("BM_DeliverWith10000Outstanding", "BM_DeliverWith1Outstanding",
                        "goal <= 2");
    return 0;
}
