#pragma once
// Whole-file writes that never leave the user with less than the previous version.

#include <cstddef>
#include <functional>
#include <string>

namespace qm {

/// Writes a file through a temporary file in the same folder, flushed to disk and then
/// renamed over the target. `produce` is called with a sink that appends bytes and returns
/// false once writing failed. On failure the target is untouched and `error` says why.
using ByteSink = std::function<bool(const char* data, std::size_t size)>;
bool writeFileSafely(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                     std::string& error);

/// Reads a whole regular file; false with the reason when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);

/// Copies a file byte for byte onto another path, replacing it safely.
bool copyFileSafely(const std::string& from, const std::string& to, std::string& error);

/// True when a regular file (or a link to one) exists at the path.
bool regularFileExists(const std::string& path);

/// The path with its last character replaced: the cells file ("s") and the backup ("b").
/// Empty when that would name the data file itself.
std::string companionPath(const std::string& dataPath, char last);
inline std::string cellsPathFor(const std::string& dataPath) {
    return companionPath(dataPath, 's');
}
inline std::string backupPathFor(const std::string& dataPath) {
    return companionPath(dataPath, 'b');
}

} // namespace qm
