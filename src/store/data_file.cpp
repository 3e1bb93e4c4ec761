#include "store/data_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

#include "store/byte_order.h"
#include "store/safe_file.h"
#include "store/walk.h"

namespace qm {

namespace {

using namespace bytes;

constexpr std::int64_t kChunkRecords = 1 << 15;
constexpr int kMaxLevel = 255;
constexpr std::size_t kMaxListedProblems = 20;
// The table's upper bound must stay a signed 32-bit slot number.
constexpr std::int64_t kMaxRecords = std::numeric_limits<std::int32_t>::max() - 2 * 1002;

// Lists the first problems of one kind and counts the rest, so a badly damaged file
// does not produce millions of lines.
class ProblemList {
public:
    explicit ProblemList(std::vector<std::string>& out) : m_out(out) {}
    void add(const std::string& line) {
        if (m_listed < kMaxListedProblems) {
            m_out.push_back(line);
            ++m_listed;
        } else {
            ++m_more;
        }
    }
    void finish(const std::string& what) {
        if (m_more > 0)
            m_out.push_back("... and " + std::to_string(m_more) + " more " + what);
    }

private:
    std::vector<std::string>& m_out;
    std::size_t m_listed = 0;
    std::size_t m_more = 0;
};

std::string slotText(std::int32_t slot) {
    return "slot " + std::to_string(slot);
}

// Checks the tree reachable from slot 1 and repairs the derived Level fields.
// Returns an empty string when the tree can be used, else the reason it cannot.
std::string validateTree(std::vector<Node>& nodes, std::int32_t nodeCount,
                         std::vector<bool>& inTree, std::vector<std::string>& problems) {
    Node& top = nodes[1];
    if (!top.inUse())
        return "it has no top item (slot 1 is free)";
    if (top.Parent >= 1 || top.PrevSibling >= 1 || top.NextSibling >= 1)
        return "its top item (slot 1) links to a parent or a sibling";

    inTree.assign(nodes.size(), false);
    inTree[1] = true;
    ProblemList levels(problems);
    if (top.Level != 0) {
        levels.add(slotText(1) + ": Level " + std::to_string(top.Level) + " repaired to 0");
        top.Level = 0;
    }
    std::vector<std::int32_t> stack{1};
    while (!stack.empty()) {
        const std::int32_t x = stack.back();
        stack.pop_back();
        const int depth = nodes[x].Level + 1;
        std::int32_t prev = 0;
        for (std::int32_t c = nodes[x].FirstChild; c >= 1; c = nodes[c].NextSibling) {
            const std::string where = slotText(prev >= 1 ? prev : x);
            if (c > nodeCount)
                return where + " links to slot " + std::to_string(c) + ", beyond the last slot " +
                       std::to_string(nodeCount);
            Node& child = nodes[c];
            if (!child.inUse())
                return where + " links to free " + slotText(c);
            if (inTree[c])
                return slotText(c) + " is reached twice (a loop or crossed chains)";
            if (child.Parent != x)
                return slotText(c) + " names parent " + std::to_string(child.Parent) +
                       " but is a child of " + slotText(x);
            if (std::max(child.PrevSibling, 0) != prev)
                return slotText(c) + " names previous sibling " +
                       std::to_string(child.PrevSibling) + " but follows " +
                       (prev >= 1 ? slotText(prev) : std::string("nothing"));
            if (depth > kMaxLevel)
                return "the tree is deeper than " + std::to_string(kMaxLevel) + " levels";
            inTree[c] = true;
            if (child.Level != depth) {
                levels.add(slotText(c) + ": Level " + std::to_string(child.Level) +
                           " repaired to " + std::to_string(depth));
                child.Level = static_cast<std::uint8_t>(depth);
            }
            stack.push_back(c);
            prev = c;
        }
    }
    levels.finish("Level repairs");

    ProblemList orphans(problems);
    for (std::int32_t k = 2; k <= nodeCount; ++k)
        if (nodes[k].inUse() && !inTree[k])
            orphans.add(slotText(k) + " is in use but not part of the tree");
    orphans.finish("items outside the tree");
    return {};
}

// Sizes the table by the load rule for R records; false when it cannot be had.
bool prepareTable(std::int64_t records, std::vector<Node>& nodes, LoadResult& result) {
    if (records > kMaxRecords) {
        result.error = "it is too large (" + std::to_string(records) + " records)";
        return false;
    }
    try {
        nodes.assign(static_cast<std::size_t>(NodeTable::capacityForRecords(records)), Node{});
    } catch (const std::bad_alloc&) {
        result.error = "there is not enough memory for " + std::to_string(records) + " records";
        return false;
    }
    return true;
}

void decodeChunk(const char* data, std::int64_t first, std::int64_t count,
                 std::vector<Node>& nodes) {
    for (std::int64_t k = 0; k < count; ++k)
        nodes[static_cast<std::size_t>(first + k)] = decodeRecord(data + k * kRecordSize);
}

void finishLoad(std::vector<Node>& nodes, LoadResult& result) {
    const auto nodeCount = static_cast<std::int32_t>(result.records - 1);
    if (result.records < 2) {
        result.error = result.records == 0 ? "it holds no whole record"
                                           : "it holds no top item (only one record)";
        return;
    }
    result.signatureOk = isSignature(nodes[0]);
    std::vector<std::string> problems;
    if (!result.signatureOk)
        problems.push_back("record 0 is not the QuillMar signature");
    const std::string refusal = validateTree(nodes, nodeCount, result.inTree, problems);
    if (!refusal.empty()) {
        result.error = refusal;
        return;
    }
    result.problems = std::move(problems);
    result.table.adopt(std::move(nodes), nodeCount);
    result.ok = true;
}

} // namespace

void encodeRecord(const Node& node, char* out) {
    putI32(out, node.Parent);
    putI32(out + 4, node.FirstChild);
    putI32(out + 8, node.PrevSibling);
    putI32(out + 12, node.NextSibling);
    out[16] = static_cast<char>(node.Level);
    out[17] = static_cast<char>(node.InUse);
    std::memcpy(out + 18, node.Name.data(), kNameLength);
}

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

LoadResult loadDataBytes(std::string_view bytes, const ProgressFn& progress) {
    LoadResult result;
    result.records = static_cast<std::int64_t>(bytes.size() / kRecordSize);
    std::vector<Node> nodes;
    if (!prepareTable(result.records, nodes, result))
        return result;
    for (std::int64_t first = 0; first < result.records; first += kChunkRecords) {
        const std::int64_t count = std::min(kChunkRecords, result.records - first);
        decodeChunk(bytes.data() + first * kRecordSize, first, count, nodes);
        if (progress)
            progress(first + count);
    }
    finishLoad(nodes, result);
    return result;
}

LoadResult loadDataFile(const std::string& path, const ProgressFn& progress) {
    LoadResult result;
    // Opening a pipe must not wait for a writer; regular files ignore the flag.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.error = std::strerror(errno);
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        result.error = S_ISDIR(st.st_mode) ? "it is a folder" : "it is not a regular file";
        ::close(fd);
        return result;
    }
    result.records = static_cast<std::int64_t>(st.st_size) / kRecordSize;
    std::vector<Node> nodes;
    if (!prepareTable(result.records, nodes, result)) {
        ::close(fd);
        return result;
    }
    std::vector<char> buffer(static_cast<std::size_t>(kChunkRecords * kRecordSize));
    for (std::int64_t first = 0; first < result.records; first += kChunkRecords) {
        const std::int64_t count = std::min(kChunkRecords, result.records - first);
        std::size_t want = static_cast<std::size_t>(count * kRecordSize);
        std::size_t got = 0;
        while (got < want) {
            const ssize_t n = ::read(fd, buffer.data() + got, want - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                result.error = n < 0 ? std::strerror(errno) : "it became shorter while being read";
                ::close(fd);
                return result;
            }
            got += static_cast<std::size_t>(n);
        }
        decodeChunk(buffer.data(), first, count, nodes);
        if (progress)
            progress(first + count);
    }
    ::close(fd);
    finishLoad(nodes, result);
    return result;
}

bool saveDataFile(const std::string& path, const NodeTable& table, std::string& error,
                  const ProgressFn& progress) {
    const std::int64_t records = static_cast<std::int64_t>(table.NodeCount()) + 1;
    const auto& slots = table.records();
    return writeFileSafely(
        path,
        [&](const ByteSink& sink) {
            std::vector<char> buffer(static_cast<std::size_t>(kChunkRecords * kRecordSize));
            for (std::int64_t first = 0; first < records; first += kChunkRecords) {
                const std::int64_t count = std::min(kChunkRecords, records - first);
                for (std::int64_t k = 0; k < count; ++k)
                    encodeRecord(slots[static_cast<std::size_t>(first + k)],
                                 buffer.data() + k * kRecordSize);
                if (!sink(buffer.data(), static_cast<std::size_t>(count * kRecordSize)))
                    return false;
                if (progress)
                    progress(first + count);
            }
            return true;
        },
        error);
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
