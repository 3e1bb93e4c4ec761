#pragma once
// The recovery journal: every change made to a tree since it was last saved, appended as
// small records to a file of its own, so that a crash, a kill or a power cut loses at most
// the last moments of work. The data file, its cells file and its backup are never touched.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/cells_file.h"
#include "store/node_table.h"
#include "store/tree_edit.h"

namespace qm {

/// Appended to a data file's path to name its journal.
inline constexpr std::string_view kJournalSuffix = ".qmr";

/// The tree a journal belongs to.
struct JournalBase {
    std::string path;                  // its data file; empty for a tree never saved
    std::optional<std::uint64_t> hash; // ContentHash of that file's bytes as last read or written
    bool operator==(const JournalBase&) const = default;
};

struct MadeJournal;

/// Records the changes of one tree. The first change writes the tree as it was before it
/// (so the journal can be replayed even after its data file changed), then each change
/// takes a few dozen bytes at most. Changes are kept in memory until flush() writes them, or
/// until they fill 256 KiB; what one write holds is checked as a whole. Those 256 KiB and
/// the syncs go to the file on a thread of their own, so that editing never waits for the
/// disk; a failure there is reported by the next flush.
class JournalWriter final : public EditRecorder {
public:
    JournalWriter();
    /// Writes what is recorded and closes, leaving the file for a later recovery.
    ~JournalWriter() override;
    JournalWriter(const JournalWriter&) = delete;
    JournalWriter& operator=(const JournalWriter&) = delete;

    /// Ends the running journal, removing its file, and names the tree the next one is for
    /// and where it may go: the first of `paths` where nothing lies yet, except that the
    /// file at `replaces` (a journal being recovered) may be replaced.
    void restart(std::vector<std::string> paths, JournalBase base, std::string replaces = {});
    /// Ends the running journal and removes its file; the next change starts a new one.
    void discard();

    /// True from the first change after a restart until the next.
    bool started() const { return !wantsTableBefore(); }
    /// The file written to; empty until the first flush made it.
    const std::string& path() const { return m_path; }
    const JournalBase& base() const { return m_base; }
    /// Goes up with every change it is told of.
    std::uint64_t changeCount() const { return m_changes + waiting(); }

    /// The whole table as it stands, as a change of its own: one made outside the edit
    /// operations, or a recovered tree.
    void checkpoint(const NodeTable& table);
    /// What the cells show, recorded when it differs from the last recorded.
    void recordCells(const CellArray& cells);

    /// True while records wait to be written or written records to be synced; waits for the
    /// work on the thread first.
    bool pending();
    enum class Sync { WhenDue, Now };
    /// Writes the waiting records, the first time creating the file; syncs them to disk when
    /// the last sync is a second old, or at once. False with the reason when nothing could
    /// be written; the records then wait for the next try.
    bool flush(std::string& error, Sync sync = Sync::WhenDue);
    /// The wall clock in ms that writes are stamped and syncs timed with; none: the system's.
    void setClock(std::function<std::int64_t()> nowMs) { m_now = std::move(nowMs); }

private:
    void tableBefore(const NodeTable& table) override;
    void record(const TreeChange& change) override;
    void recordNamed(std::span<const NamedChange> changes) override;
    /// Hands the records to the thread once they fill kWrittenAhead bytes.
    void writeAhead();
    /// Waits for the work on the thread and takes in what came of it.
    void settle();
    /// Puts the records of a failed write on the thread back before those recorded since.
    void takeBack();
    bool write(bool sync, std::string& error);
    void appendTree(const NodeTable& table, std::uint8_t kind);
    bool streamTree(const NodeTable& table, std::uint8_t kind, std::size_t size);
    void append(std::uint8_t kind, std::string_view payload);
    /// Fills in a time record at `record` with the clock's time.
    void stampTime(char* record) const;
    /// Room for `size` more bytes at the end of the records.
    char* grow(std::size_t size);
    char* reserveRecord(std::uint8_t kind, std::size_t payloadSize);
    /// Room for a change of `size` bytes in the changes record at the end, begun if need be.
    char* reserveChange(std::size_t size);
    /// Closes the changes record at the end.
    void endChanges();
    /// Puts the checks on the records recorded since the last time.
    void seal();
    void written();
    bool create(bool sync, std::string& error);
    /// Takes the file `made`, here or on the thread, as the journal's.
    void opened(MadeJournal made);
    void close();

    std::vector<std::string> m_paths;
    std::string m_replaces;
    JournalBase m_base;
    std::uint64_t m_salt = 0;
    bool m_tooLarge = false;    // a tree no record can hold: nothing is journaled
    std::vector<char> m_buffer; // records not yet written: the first m_used bytes
    std::size_t m_used = 0;
    std::size_t m_sealed = 0;    // the records before it have their checks
    std::size_t m_changesAt = 0; // the changes record being filled; 0: none
    std::string m_cells;         // the cells last recorded
    std::uint64_t m_changes = 0;
    int m_fd = -1;
    std::string m_path;
    std::int64_t m_size = 0; // bytes of the file that hold whole records
    bool m_unsynced = false;
    bool m_folderSynced = false;
    std::int64_t m_lastSyncMs = 0;
    std::string m_laterError; // a failure on the thread, for the next flush to report
    std::function<std::int64_t()> m_now;
    std::int64_t now() const {
        return m_now ? m_now()
                     : std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    }
    struct Background;
    Background& background();
    std::unique_ptr<Background> m_background; // made with the first work for the thread
};

/// What a journal holds.
struct JournalContents {
    bool ok = false; // the journal's tree could be read; else `error` says why
    std::string error;
    JournalBase base;
    NodeTable table;             // the tree with every whole change made again
    std::vector<bool> inTree;    // per slot: reached from the top item
    std::string cells;           // the cells last recorded; empty for none
    std::int64_t changes = 0;    // changes made again
    std::int64_t lost = 0;       // changes cut off or damaged at the end
    std::int64_t madeUpToMs = 0; // wall clock of the write that held the last change; 0: none
};

/// Reads a journal and makes its changes again on the tree it began with. Stops at the
/// first record that is cut off, damaged or does not fit the tree.
JournalContents readJournal(std::string_view bytes);
JournalContents readJournalFile(const std::string& path);
/// The tree a journal belongs to, from its first bytes; nothing when it is no journal.
std::optional<JournalBase> readJournalBase(const std::string& path);
/// True when a running program keeps the journal at `path` (it holds it locked).
bool journalInUse(const std::string& path);

} // namespace qm
