// Feeds arbitrary bytes to the OPML reader. Whatever it accepts must be a sound tree with
// no free slot; written out as OPML or as an outline file it must read back to the very same
// records, and so must it as a plain outline and as a Markdown list whenever those can hold
// its names.

#include <cstdint>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "store/outline.h"
#include "store/tree_check.h"
#include "tool/opml_reader.h"

namespace {

void checkSound(const qm::NodeTable& t) {
    CHECK(t.hasTree() && t.FreeCount() == 0 && t.outsideCount() == 0);
    std::vector<qm::Node> nodes(t.records().begin(), t.records().begin() + t.NodeCount() + 1);
    const qm::Examination ex = qm::examineTree(nodes, t.NodeCount(), qm::Examine::Check);
    CHECK(!ex.refused && ex.problems() == 0 && ex.reached == t.NodeCount());
}

void checkReadsBack(const qm::NodeTable& t, qm::OutlineFormat format) {
    const qm::OutlineExport e = qm::exportOutline(t, 1, format);
    // Every name read from XML is one XML and the outline file can carry.
    CHECK(e.ok || (format != qm::OutlineFormat::Opml && format != qm::OutlineFormat::TextFile));
    if (!e.ok) {
        CHECK(e.item >= 1 && e.item <= t.NodeCount() && e.text.empty());
        return;
    }
    const qm::OutlineResult again = format == qm::OutlineFormat::Opml ? qm::readOpml(e.text)
                                    : format == qm::OutlineFormat::Markdown
                                        ? qm::parseMarkdown(e.text)
                                        : qm::parseOutline(e.text);
    CHECK(again.ok && again.warnings.empty());
    CHECK(again.table.NodeCount() == t.NodeCount());
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k)
        CHECK(again.table[k] == t[k]);
    if (format == qm::OutlineFormat::Text)
        CHECK(qm::dumpOutline(t) == e.text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qm::ImportRules rules;
    rules.truncate = size % 2 == 1;
    if (size % 4 >= 2)
        rules.top = U"TOP";
    const qm::OutlineResult r = qm::readOpml(bytes, rules);
    if (!r.ok) {
        CHECK(!r.error.empty() && r.errorLine >= 0);
        return 0;
    }
    for (const qm::OutlineNotice& w : r.warnings)
        CHECK(!w.text.empty());
    checkSound(r.table);
    for (const auto format : {qm::OutlineFormat::Opml, qm::OutlineFormat::Text,
                              qm::OutlineFormat::TextFile, qm::OutlineFormat::Markdown})
        checkReadsBack(r.table, format);
    return 0;
}
