#include "store/data_file.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "store/byte_order.h"
#include "store/content_hash.h"
#include "store/posix_file.h"
#include "store/progress.h"
#include "store/safe_file.h"
#include "store/walk.h"

namespace qm {

namespace {

using namespace bytes;

// 155,648 bytes: a read buffer this small stays in the processor's cache between one read
// and the decoding of what it read.
constexpr std::int64_t kChunkRecords = 4096;
// Fewer, larger writes make a save cheaper; its one buffer is of no account.
constexpr std::int64_t kSaveChunkRecords = 1 << 16;
// The table's upper bound must stay a signed 32-bit slot number.
constexpr std::int64_t kMaxRecords = std::numeric_limits<std::int32_t>::max() - 2 * 1002;
// What one loaded slot costs: its record and its mark in inTree, with room to spare.
constexpr std::uint64_t kBytesPerSlot = sizeof(Node) + 2;
constexpr std::size_t kListedProblems = 20;

// The most memory this process could have: the computer's and any limit set on it.
std::uint64_t memoryBudget() {
    std::uint64_t budget = std::numeric_limits<std::uint64_t>::max();
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        budget = static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
    for (const int resource : {RLIMIT_AS, RLIMIT_DATA}) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            budget = std::min<std::uint64_t>(budget, limit.rlim_cur);
    }
    return budget;
}

// A top item the load refuses, found in the first records before the table is allocated.
bool refuseTopEarly(const char* data, DataRecords& out, Fault& fault) {
    std::vector<Node> first{decodeRecord(data), decodeRecord(data + kRecordSize)};
    const Node& top = first[1];
    if (top.inUse() && top.Parent < 1 && top.PrevSibling < 1 && top.NextSibling < 1)
        return false;
    fault = top.inUse() ? Fault::TopItemLinked : Fault::TopItemFree;
    out.failure = LoadFailure::Damaged;
    out.error = describeFinding(Finding{fault, 1}, first, 1);
    return true;
}

// Reads `size` bytes of records into `out`. `next` hands out the next `want` bytes, or
// null with the reason. With `early` set, a refused top item stops the read at once.
template <typename Next>
void readRecords(std::int64_t size, Next&& next, DataRecords& out, Progress* progress,
                 Fault* early) {
    out.records = size / kRecordSize;
    out.trailingBytes = size % kRecordSize;
    if (out.records > kMaxRecords) {
        out.failure = LoadFailure::TooLarge;
        out.error = "it is too large: " + std::to_string(out.records) + " records, more than the " +
                    std::to_string(kMaxRecords) + " a table can hold";
        return;
    }
    if (static_cast<std::uint64_t>(out.records) > memoryBudget() / kBytesPerSlot) {
        out.failure = LoadFailure::NoMemory;
        out.error =
            "there is not enough memory for its " + std::to_string(out.records) + " records";
        return;
    }
    if (progress)
        progress->start(early ? 2 * out.records : out.records);
    for (std::int64_t first = 0; first < out.records; first += kChunkRecords) {
        const std::int64_t count = std::min(kChunkRecords, out.records - first);
        const char* data = next(static_cast<std::size_t>(count * kRecordSize), out.error);
        if (!data) {
            out.failure = LoadFailure::Unreadable;
            return;
        }
        if (first == 0) {
            out.signatureOk = isSignature(decodeRecord(data));
            if (early && count >= 2 && refuseTopEarly(data, out, *early))
                return;
            out.nodes.reserve(static_cast<std::size_t>(NodeTable::capacityForRecords(out.records)));
        }
        for (std::int64_t k = 0; k < count; ++k) {
            const Node& n = out.nodes.emplace_back(decodeRecord(data + k * kRecordSize));
            if (n.InUse == kSlotFree && first + k >= 1) {
                if (out.freeCount++ == 0)
                    out.lowestFree = static_cast<std::int32_t>(first + k);
            }
        }
        if (progress)
            progress->step(first + count);
    }
    out.ok = true;
}

// Reads a regular file's records; `early` as above. `hash` takes in the whole file.
DataRecords readFileRecords(const std::string& path, Progress* progress, Fault* early,
                            ContentHash* hash = nullptr) {
    DataRecords out;
    struct stat st {};
    const FileDescriptor fd(openRegular(path, out.error, &st));
    if (fd.get() < 0) {
        out.failure = LoadFailure::Unreadable;
        return out;
    }
    try {
        std::vector<char> buffer;
        const auto next = [&](std::size_t want, std::string& error) -> const char* {
            buffer.resize(want);
            if (!readExactly(fd.get(), buffer.data(), want, error))
                return nullptr;
            if (hash)
                hash->add(buffer.data(), want);
            return buffer.data();
        };
        readRecords(static_cast<std::int64_t>(st.st_size), next, out, progress, early);
        if (hash && out.ok && out.trailingBytes > 0 &&
            !next(static_cast<std::size_t>(out.trailingBytes), out.error)) {
            out.ok = false;
            out.failure = LoadFailure::Unreadable;
        }
    } catch (const std::bad_alloc&) {
        out = DataRecords{};
        out.failure = LoadFailure::NoMemory;
        out.error = "there is not enough memory for it";
    }
    return out;
}

std::string moreText(std::int64_t more, const char* what) {
    return "... and " + std::to_string(more) + " more " + what;
}

// Checks the tree read and, when it can be used, makes the table of it.
LoadResult finishLoad(DataRecords raw, Fault early, Progress* progress) {
    LoadResult r;
    r.failure = raw.failure;
    r.error = std::move(raw.error);
    r.fault = early;
    r.signatureOk = raw.signatureOk;
    r.records = raw.records;
    r.trailingBytes = raw.trailingBytes;
    if (!raw.ok)
        return r;
    if (r.records < 2) {
        r.failure = LoadFailure::TooShort;
        r.error =
            r.records == 0 ? "it holds no whole record" : "it holds no top item (only one record)";
        return r;
    }
    const auto nodeCount = static_cast<std::int32_t>(r.records - 1);
    Examination ex = examineTree(raw.nodes, nodeCount, Examine::Load, nodeCount - raw.freeCount,
                                 progress, r.records);
    if (ex.refused) {
        r.failure = LoadFailure::Damaged;
        r.fault = ex.refusal;
        const auto refusal = std::find_if(ex.findings.begin(), ex.findings.end(),
                                          [](const Finding& f) { return refusesLoad(f.fault); });
        r.error = describeFinding(*refusal, raw.nodes, nodeCount);
        return r;
    }
    if (!r.signatureOk)
        r.problems.push_back("record 0 is not the QuillMar signature");
    for (const Finding& f : ex.findings)
        r.problems.push_back(describeFinding(f, raw.nodes, nodeCount));
    r.levelRepairs = ex.count(Fault::LevelWrong);
    r.outside = ex.outside;
    if (r.levelRepairs > static_cast<std::int64_t>(kListedProblems))
        r.problems.push_back(moreText(r.levelRepairs - kListedProblems, "items at a wrong level"));
    if (r.outside > static_cast<std::int64_t>(kListedProblems))
        r.problems.push_back(moreText(r.outside - kListedProblems, "items outside the tree"));
    r.inTree = std::move(ex.inTree);
    r.inTree.resize(static_cast<std::size_t>(NodeTable::capacityForRecords(r.records)), false);
    r.table.adopt(std::move(raw.nodes), nodeCount,
                  NodeTable::SlotCounts{raw.freeCount, raw.lowestFree, ex.outside});
    if (progress)
        progress->step(2 * r.records);
    r.ok = true;
    return r;
}

LoadResult outOfMemory() {
    LoadResult r;
    r.failure = LoadFailure::NoMemory;
    r.error = "there is not enough memory for it";
    return r;
}

} // namespace

Node decodeRecord(const char* in) {
    Node n;
    n.Parent = getI32(in);
    n.FirstChild = getI32(in + 4);
    n.PrevSibling = getI32(in + 8);
    n.NextSibling = getI32(in + 12);
    n.Level = static_cast<std::uint8_t>(in[16]);
    n.InUse = static_cast<std::uint8_t>(in[17]);
    std::memcpy(n.Name.data(), in + 18, kNameLength);
    return n;
}

bool isSignature(const Node& record) {
    return record == nodeHeader();
}

DataRecords readDataRecords(const std::string& path, Progress* progress) {
    return readFileRecords(path, progress, nullptr);
}

LoadResult loadDataBytes(std::string_view bytes, Progress* progress) {
    try {
        std::size_t at = 0;
        const auto next = [&](std::size_t want, std::string&) {
            const char* data = bytes.data() + at;
            at += want;
            return data;
        };
        DataRecords raw;
        Fault early = Fault::TopItemFree;
        readRecords(static_cast<std::int64_t>(bytes.size()), next, raw, progress, &early);
        return finishLoad(std::move(raw), early, progress);
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }
}

LoadResult loadDataFile(const std::string& path, Progress* progress, ContentHash* read) {
    try {
        Fault early = Fault::TopItemFree;
        DataRecords raw = readFileRecords(path, progress, &early, read);
        return finishLoad(std::move(raw), early, progress);
    } catch (const std::bad_alloc&) {
        return outOfMemory();
    }
}

bool saveDataFile(const std::string& path, const NodeTable& table, std::string& error,
                  Progress* progress, ContentHash* written, const WriteRules& rules) {
    const std::int64_t records = static_cast<std::int64_t>(table.NodeCount()) + 1;
    const auto& slots = table.records();
    if (progress)
        progress->start(records);
    return writeFileSafely(
        path,
        [&](const ByteSink& sink) {
            LargeVector<char> buffer(static_cast<std::size_t>(kSaveChunkRecords * kRecordSize));
            for (std::int64_t first = 0; first < records; first += kSaveChunkRecords) {
                const std::int64_t count = std::min(kSaveChunkRecords, records - first);
                for (std::int64_t k = 0; k < count; ++k)
                    encodeRecord(slots[static_cast<std::size_t>(first + k)],
                                 buffer.data() + k * kRecordSize);
                const auto size = static_cast<std::size_t>(count * kRecordSize);
                if (written)
                    written->add(buffer.data(), size);
                if (!sink(buffer.data(), size))
                    return false;
                if (progress)
                    progress->step(first + count);
            }
            return true;
        },
        error, rules);
}

int treeDepth(const NodeTable& table) {
    if (!table.hasTree())
        return 0;
    int depth = 0;
    SubtreeWalk walk(table);
    for (std::int32_t n = walk.Walk_Start(1); n >= 1; n = walk.Walk_Next(n))
        depth = std::max<int>(depth, table[n].Level);
    return depth;
}

} // namespace qm
