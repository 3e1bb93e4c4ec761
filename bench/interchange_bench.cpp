// The OPML reader against Qt's XML reader alone, on the same document of 1,000,000 items:
// what building the tree costs beyond reading the XML at all.

#include <benchmark/benchmark.h>

#include <QXmlStreamReader>

#include "bench_tree.h"
#include "store/outline.h"
#include "interchange/opml_reader.h"

namespace {

constexpr std::int32_t kBigTree = 1000000;

const std::string& document() {
    static const std::string doc =
        qm::exportOutline(qm::bench::makeTree(kBigTree), 1, qm::OutlineFormat::Opml).text;
    return doc;
}

// The document read to its end, every token and attribute parsed, nothing kept.
void XmlScan(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        QXmlStreamReader xml(
            QByteArray::fromRawData(doc.data(), static_cast<qsizetype>(doc.size())));
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError())
            state.SkipWithError("the document does not read");
    }
}

void ImportOpml(benchmark::State& state) {
    const std::string& doc = document();
    for (auto _ : state) {
        const qm::OutlineResult r = qm::readOpml(doc);
        if (!r.ok || r.table.NodeCount() != kBigTree)
            state.SkipWithError("the document did not import");
        benchmark::DoNotOptimize(r.table[1]);
    }
}

} // namespace

BENCHMARK(XmlScan)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportOpml)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
