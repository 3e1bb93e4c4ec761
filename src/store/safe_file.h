#pragma once
// Whole-file writes that never leave the user with less than the previous version.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "store/posix_file.h"

namespace qm {

/// How a write treats what it finds at its path. Whatever the rules, a folder, a pipe, a
/// socket or a device is never replaced.
struct WriteRules {
    /// A symbolic link at the path is written through to its target (a data file the user
    /// linked to), or else replaced by a file of its own, its target never written (the
    /// companions, whose names are only derived from the data file's).
    bool followLink = true;
    /// A file its user may not write, or that nobody may, is not replaced: "it is read-only".
    bool keepReadOnly = false;
    /// Whether anything already at the path may be replaced (qmtool asks for --force).
    bool replace = true;
    /// The file the written bytes come from: never written over, by whatever name.
    std::string_view source;
};
inline constexpr WriteRules kDataFileRules{true, true, true, {}};
inline constexpr WriteRules kCompanionRules{false, true, true, {}};

/// The reason for a path that exists when the rules do not let it be replaced.
inline constexpr std::string_view kExistsRefusal = "it already exists";

/// Why the rules forbid writing at `path`, or an empty string when they allow it.
std::string outputRefusal(const std::string& path, const WriteRules& rules);

/// Writes a file through a temporary file in the same folder, flushed to disk and then
/// renamed over the target, once outputRefusal allows it. `produce` is called with a sink that
/// appends bytes and returns false once writing failed. On failure the target is untouched
/// and `error` says why.
/// Before writing, removes what interrupted saves of the same file left behind.
using ByteSink = std::function<bool(const char* data, std::size_t size)>;
bool writeFileSafely(const std::string& path, const std::function<bool(const ByteSink&)>& produce,
                     std::string& error, const WriteRules& rules = {});

/// Creates an empty temporary file in the target's folder, named and locked as the safe
/// writer's are, after removing what interrupted writes of the target left behind. Returns
/// its descriptor and path, or -1 with the reason.
int createTempBeside(const std::string& target, std::string& tempPath, std::string& error);
/// Makes a rename or removal in the path's folder durable.
void syncFolderOf(const std::string& path);

/// Reads a whole regular file; false with the reason when it cannot be read.
bool readWholeFile(const std::string& path, std::string& bytes, std::string& error);
/// Reads at most `limit` bytes from the start of a regular file, however long it is.
bool readFileStart(const std::string& path, std::size_t limit, std::string& bytes,
                   std::string& error);

/// Copies a data file onto its backup byte for byte, as a companion: a link in the
/// backup's place is replaced, a read-only backup kept.
bool copyFileSafely(const std::string& from, const std::string& to, std::string& error);

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
