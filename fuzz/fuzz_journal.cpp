// Feeds arbitrary bytes to the recovery journal reader. Whatever it makes of them must be a
// sound tree that saves to bytes which load back to the same table, with every cut-off or
// damaged change counted and every recorded cell within that tree.

#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "store/cells_file.h"
#include "store/data_file.h"
#include "store/journal.h"
#include "store/walk.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qm::JournalContents j = qm::readJournal(bytes);
    CHECK(j.changes >= 0 && j.lost >= 0);
    if (!j.ok) {
        CHECK(j.changes == 0 && !j.error.empty());
        return 0;
    }
    const qm::NodeTable& t = j.table;
    CHECK(t.hasTree());
    CHECK(j.inTree.size() == static_cast<std::size_t>(t.capacity()));
    CHECK(static_cast<std::int64_t>(qm::SubtreeWalk::subtreeSize(t, 1)) ==
          static_cast<std::int64_t>(t.itemCount()) + 1);
    CHECK(j.cells.empty() || j.cells.size() == qm::kCellCount * qm::kCellRecordSize);
    for (const qm::Cell& c : qm::decodeCells(j.cells, j.inTree))
        CHECK(c.Nod == 0 || (t.isItem(c.Nod) && j.inTree[c.Nod]));

    // What the recovered tree saves to loads back to the same slots.
    std::string image(std::size_t(t.NodeCount() + 1) * qm::kRecordSize, '\0');
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k)
        qm::encodeRecord(t[k], image.data() + std::size_t(k) * qm::kRecordSize);
    const qm::LoadResult back = qm::loadDataBytes(image);
    CHECK(back.ok);
    CHECK(back.table.NodeCount() == t.NodeCount() && back.table.FreeCount() == t.FreeCount());
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k)
        CHECK(back.table[k] == t[k]);
    return 0;
}
