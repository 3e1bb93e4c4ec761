// The outline readers against the parsers below them alone, on the same documents of
// 1,000,000 items: what building the tree costs beyond reading the OPML or the Markdown at
// all, strictly and with the lenient rules every import now uses.

#include <benchmark/benchmark.h>

#include <QXmlStreamReader>
#include <cmark.h>

#include "bench_tree.h"
#include "interchange/latin_names.h"
#include "interchange/markdown_reader.h"
#include "interchange/opml_reader.h"
#include "store/outline.h"

namespace {

constexpr std::int32_t kBigTree = 1000000;

const std::string& document(qm::OutlineFormat format) {
    static const qm::NodeTable tree = qm::bench::makeTree(kBigTree);
    static const std::string opml = qm::exportOutline(tree, 1, qm::OutlineFormat::Opml).text;
    static const std::string markdown =
        qm::exportOutline(tree, 1, qm::OutlineFormat::Markdown).text;
    return format == qm::OutlineFormat::Opml ? opml : markdown;
}

qm::ImportRules lenient() {
    qm::ImportRules rules;
    rules.lenient = true;
    rules.transliterate = qm::latinTransliteration();
    return rules;
}

// The document read to its end, every token and attribute parsed, nothing kept.
void XmlScan(benchmark::State& state) {
    const std::string& doc = document(qm::OutlineFormat::Opml);
    for (auto _ : state) {
        QXmlStreamReader xml(
            QByteArray::fromRawData(doc.data(), static_cast<qsizetype>(doc.size())));
        while (!xml.atEnd())
            xml.readNext();
        if (xml.hasError())
            state.SkipWithError("the document does not read");
    }
}

// The document parsed into cmark's tree and freed, nothing kept.
void CmarkParse(benchmark::State& state) {
    const std::string& doc = document(qm::OutlineFormat::Markdown);
    for (auto _ : state) {
        cmark_node* root = cmark_parse_document(doc.data(), doc.size(), CMARK_OPT_DEFAULT);
        benchmark::DoNotOptimize(root);
        cmark_node_free(root);
    }
}

void import(benchmark::State& state, qm::OutlineFormat format, const qm::ImportRules& rules) {
    const std::string& doc = document(format);
    for (auto _ : state) {
        const qm::OutlineResult r = format == qm::OutlineFormat::Opml
                                        ? qm::readOpml(doc, rules)
                                        : qm::readMarkdown(doc, rules);
        if (!r.ok || r.table.NodeCount() != kBigTree)
            state.SkipWithError("the document did not import");
        benchmark::DoNotOptimize(r.table[1]);
    }
}

void ImportOpml(benchmark::State& state) {
    import(state, qm::OutlineFormat::Opml, {});
}
void ImportOpmlLenient(benchmark::State& state) {
    import(state, qm::OutlineFormat::Opml, lenient());
}
void ImportMarkdown(benchmark::State& state) {
    import(state, qm::OutlineFormat::Markdown, lenient());
}

} // namespace

BENCHMARK(XmlScan)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportOpml)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportOpmlLenient)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(CmarkParse)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportMarkdown)->Arg(kBigTree)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
