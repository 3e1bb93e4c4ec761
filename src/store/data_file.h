#pragma once
// The data file: 38-byte little-endian records, record k holding slot k of the table.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "store/node_table.h"
#include "store/safe_file.h"
#include "store/tree_check.h"

namespace qm {

class ContentHash;
class Progress;

constexpr int kRecordSize = 38;

/// A record is the node as it lies in memory, but for the padding at its end: written by
/// the million, it is copied whole.
inline void encodeRecord(const Node& node, char* out) {
    static_assert(std::endian::native == std::endian::little && offsetof(Node, FirstChild) == 4 &&
                  offsetof(Node, PrevSibling) == 8 && offsetof(Node, NextSibling) == 12 &&
                  offsetof(Node, Level) == 16 && offsetof(Node, InUse) == 17 &&
                  offsetof(Node, Name) == 18 && sizeof(Node) >= kRecordSize);
    std::memcpy(out, &node, kRecordSize);
}
Node decodeRecord(const char* in);
/// Compares the seven fields of a record with the signature.
bool isSignature(const Node& record);

/// Why a file could not be used, in kinds the window can put into the user's words.
enum class LoadFailure : std::uint8_t {
    None,
    Unreadable, // cannot be opened or read, or is no regular file
    TooLarge,   // more records than slot numbers can address
    NoMemory,   // more than this computer's memory can hold
    TooShort,   // fewer than two whole records: no top item
    Damaged,    // a fault in the tree reachable from the top item (`fault` says which)
};

/// The records of a data file as they are, unchecked (qmtool examines and mends them).
struct DataRecords {
    bool ok = false;
    LoadFailure failure = LoadFailure::None;
    std::string error;              // why it could not be read
    NodeSlots nodes;                // records 0..records-1, room reserved for the whole table
    std::int64_t records = 0;       // whole 38-byte records in the file
    std::int64_t trailingBytes = 0; // bytes after the last whole record
    bool signatureOk = false;
    std::int32_t freeCount = 0;  // records 1.. with InUse 0
    std::int32_t lowestFree = 0; // the first of them, 0 for none
};

/// Reads every record of a data file without checking the tree. A file larger than the
/// largest table this process could hold is refused before anything is allocated.
DataRecords readDataRecords(const std::string& path, Progress* progress = nullptr);

struct LoadResult {
    bool ok = false; // false: refused, `failure` and `error` say why, `table` is meaningless
    LoadFailure failure = LoadFailure::None;
    Fault fault = Fault::TopItemFree; // with Damaged: the first fault found
    std::string error;                // why, with slot numbers and names (for qmtool)
    bool signatureOk = false;
    std::int64_t records = 0;          // whole 38-byte records in the file
    std::int64_t trailingBytes = 0;    // ignored bytes after the last whole record
    std::int64_t levelRepairs = 0;     // items whose Level was put right
    std::int32_t outside = 0;          // items in use that cannot be reached (kept as they are)
    std::vector<std::string> problems; // what was worked around, a few lines of each kind
    NodeTable table;
    std::vector<bool> inTree; // per slot: reachable from the top item

    /// True when qmtool repair can make a sound tree of the refused file.
    bool repairable() const {
        return failure == LoadFailure::Damaged && fault != Fault::TopItemFree && signatureOk;
    }
};

/// Reads and validates a data file. Never touches anything but the result. The progress
/// runs over twice the records: reading them, then checking the tree. `read`, when given,
/// takes in every byte of the file.
LoadResult loadDataFile(const std::string& path, Progress* progress = nullptr,
                        ContentHash* read = nullptr);
/// The same on bytes already in memory.
LoadResult loadDataBytes(std::string_view bytes, Progress* progress = nullptr);

/// Writes records 0..NodeCount of the table safely; false with the reason on failure. A
/// link at the path is written through to its target; a read-only file is not replaced.
/// `written`, when given, takes in every byte written.
bool saveDataFile(const std::string& path, const NodeTable& table, std::string& error,
                  Progress* progress = nullptr, ContentHash* written = nullptr,
                  const WriteRules& rules = kDataFileRules);

/// Depth of the deepest item below the top item (0 for a lone top item).
int treeDepth(const NodeTable& table);

} // namespace qm
