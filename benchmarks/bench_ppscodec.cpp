// encode + decode of a map through the PPS text format, against the QJsonDocument path on the
// same content.
#include "benchmarkfixtures.h"
#include "ratioreporter.h"

#include <qz/PpsObject>

#include <QJsonDocument>
#include <QJsonObject>

namespace {

void ppsRoundTrip(benchmark::State &state, const QVariantMap &map)
{
    for (auto _ : state) {
        const QByteArray text = qz::PpsObject::encode(map);
        QVariantMap back = qz::PpsObject::decode(text);
        benchmark::DoNotOptimize(back);
    }
}

void jsonRoundTrip(benchmark::State &state, const QVariantMap &map)
{
    for (auto _ : state) {
        const QByteArray text =
            QJsonDocument(QJsonObject::fromVariantMap(map)).toJson(QJsonDocument::Compact);
        QVariantMap back = QJsonDocument::fromJson(text).object().toVariantMap();
        benchmark::DoNotOptimize(back);
    }
}

const QVariantMap &dialog()
{
    static const QVariantMap map = dialogRequest();
    return map;
}

const QVariantMap &list()
{
    static const QVariantMap map = listRequest();
    return map;
}

void BM_Pps_Dialog(benchmark::State &state)
{
    ppsRoundTrip(state, dialog());
}
void BM_Json_Dialog(benchmark::State &state)
{
    jsonRoundTrip(state, dialog());
}
void BM_Pps_List10k(benchmark::State &state)
{
    ppsRoundTrip(state, list());
}
void BM_Json_List10k(benchmark::State &state)
{
    jsonRoundTrip(state, list());
}

} // namespace

BENCHMARK(BM_Pps_Dialog)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_Json_Dialog)->Repetitions(7)->ReportAggregatesOnly(true);
BENCHMARK(BM_Pps_List10k)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Json_List10k)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    std::printf("dialog request: %lld bytes of PPS text\n",
                static_cast<long long>(qz::PpsObject::encode(dialog()).size()));
    RatioReporter reporter;
    runWithMedians(argc, argv, reporter);
    // Speed-up of the PPS path: JSON time over PPS time.
    const double dialogSpeedup =
        1.0 / reporter.printRatio("BM_Pps_Dialog", "BM_Json_Dialog", "PPS/JSON time");
    const double listSpeedup =
        1.0 / reporter.printRatio("BM_Pps_List10k", "BM_Json_List10k", "PPS/JSON time");
    std::printf("speed-up over QJsonDocument: dialog %.2fx, 10k-row list %.2fx (goal >= 1.5x)\n",
                dialogSpeedup, listSpeedup);
    return 0;
}
