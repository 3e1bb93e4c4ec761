#pragma once
// What every reader's accepted tree must satisfy: sound, with no free slot, and written out
// in each format that can hold its names, read back to the very same records.

#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "interchange/markdown_reader.h"
#include "interchange/opml_reader.h"
#include "store/outline.h"
#include "store/tree_check.h"

namespace fuzz {

inline void checkSound(const qm::NodeTable& t) {
    CHECK(t.hasTree() && t.FreeCount() == 0 && t.outsideCount() == 0);
    std::vector<qm::Node> nodes(t.records().begin(), t.records().begin() + t.NodeCount() + 1);
    const qm::Examination ex = qm::examineTree(nodes, t.NodeCount(), qm::Examine::Check);
    CHECK(!ex.refused && ex.problems() == 0 && ex.reached == t.NodeCount());
}

inline void checkReadsBack(const qm::NodeTable& t, qm::OutlineFormat format) {
    const qm::OutlineExport e = qm::exportOutline(t, 1, format);
    // The outline file holds every name.
    CHECK(e.ok || format != qm::OutlineFormat::TextFile);
    if (!e.ok) {
        CHECK(e.item >= 1 && e.item <= t.NodeCount() && e.text.empty());
        return;
    }
    const qm::OutlineResult again = format == qm::OutlineFormat::Opml ? qm::readOpml(e.text)
                                    : format == qm::OutlineFormat::Markdown
                                        ? qm::readMarkdown(e.text)
                                        : qm::parseOutline(e.text);
    CHECK(again.ok && again.warnings.empty());
    CHECK(again.table.NodeCount() == t.NodeCount());
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k)
        CHECK(again.table[k] == t[k]);
    if (format == qm::OutlineFormat::Text)
        CHECK(qm::dumpOutline(t) == e.text);
}

inline void checkAccepted(const qm::OutlineResult& r) {
    for (const qm::OutlineNotice& w : r.warnings)
        CHECK(!w.text.empty());
    checkSound(r.table);
    for (const auto format : {qm::OutlineFormat::Opml, qm::OutlineFormat::Text,
                              qm::OutlineFormat::TextFile, qm::OutlineFormat::Markdown})
        checkReadsBack(r.table, format);
}

} // namespace fuzz
