#pragma once
// The data file: 38-byte little-endian records, record k holding slot k of the table.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "store/node_table.h"

namespace qm {

constexpr int kRecordSize = 38;

/// Called now and then with the number of records handled so far.
using ProgressFn = std::function<void(std::int64_t done)>;

void encodeRecord(const Node& node, char* out);
Node decodeRecord(const char* in);
/// Compares the seven fields of a record with the signature.
bool isSignature(const Node& record);

struct LoadResult {
    bool ok = false; // false: refused, `error` says why, `table` is meaningless
    std::string error;
    bool signatureOk = false;
    std::int64_t records = 0;          // whole 38-byte records in the file
    std::vector<std::string> problems; // repaired or harmless faults, one line each
    NodeTable table;
    std::vector<bool> inTree; // per slot: reachable from the top item
};

/// Reads and validates a data file. Never touches anything but the result.
LoadResult loadDataFile(const std::string& path, const ProgressFn& progress = {});
/// The same on bytes already in memory.
LoadResult loadDataBytes(std::string_view bytes, const ProgressFn& progress = {});

/// Writes records 0..NodeCount of the table, safely; false with the reason on failure.
bool saveDataFile(const std::string& path, const NodeTable& table, std::string& error,
                  const ProgressFn& progress = {});

/// Depth of the deepest item below the top item (0 for a lone top item).
int treeDepth(const NodeTable& table);

} // namespace qm
