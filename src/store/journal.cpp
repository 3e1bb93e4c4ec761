#include "store/journal.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <random>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/byte_order.h"
#include "store/data_file.h"
#include "store/safe_file.h"
#include "store/walk.h"
#include "store/worker_thread.h"

namespace qm {

// A journal's file as it was made.
struct MadeJournal {
    int fd = -1; // none: `error` says why
    std::string path;
    std::int64_t size = 0; // its bytes
    bool synced = false;   // on disk, and its folder too
    std::string error;
};

namespace {

using namespace bytes;

// File: the header, then records. Header: magic, salt (u64), has-hash (u8, 7 spare bytes),
// hash (u64), path length (u32), path, check (u32). Record: size (u32, the kind and payload),
// kind (u8), payload, check (u32) over size, kind and payload. The salt seeds every
// record's check, so bytes of another journal never pass for this one's. The changes of one
// write share a record: a change is some fifteen bytes, a record's frame would be nine more.
constexpr char kMagic[8] = {'Q', 'M', 'J', 'R', 'N', 'L', '0', '2'};
// The first journals gave each change a record of its own.
constexpr char kOlderMagic[8] = {'Q', 'M', 'J', 'R', 'N', 'L', '0', '1'};
constexpr std::size_t kHeaderFixed = 36;
constexpr std::size_t kMaxPath = 1 << 16;
constexpr std::size_t kFrame = 9; // size, kind and check around a payload
constexpr std::int64_t kSyncIntervalMs = 1000;
// Records go out once they fill this much, between flushes too.
constexpr std::size_t kWrittenAhead = std::size_t(256) << 10;
// A buffer a large paste grew past this is given back once written.
constexpr std::size_t kKeptBuffer = std::size_t(4) << 20;
// A tree at least this large goes to the file as it is encoded.
constexpr std::size_t kStreamedTree = std::size_t(1) << 20;

enum Kind : std::uint8_t {
    // 1..6 are TreeChange::Kind.
    kBase = 10,       // a data file's bytes: the tree the changes start from
    kTime = 11,       // the wall clock when the records after it were written
    kCells = 12,      // the cells as a cells file holds them
    kCheckpoint = 13, // like kBase, but a change of its own: the tree as it is now
    kChanges = 14,    // changes, one after another
};
constexpr std::size_t kTimeRecord = kFrame + 8;
// Room kept past the last record: whole name fields are copied, and the last bytes of a
// record are read as one word.
constexpr std::size_t kSlack = kNameLength + 8;
// A change in a changes record: a head byte, the kind in its top bits and, for an Add or a
// Rename, the name's size below; the item (u32); then an Add's low byte of the slot it took
// (the replay must take the same) and name, a Rename's name, or a Paste's slot (u32), count
// of items (u32) and items.
constexpr unsigned kKindShift = 5;
constexpr std::size_t kEntryHead = 5;
// A pasted item, and the low bits of a head byte: the name's size, then the name.
constexpr std::uint8_t kNameSizeBits = 0x1F;
constexpr std::uint8_t kHasChild = 0x40;
constexpr std::uint8_t kHasNext = 0x80;

// Stored whole, as the records are many: the byte-by-byte form costs a dozen instructions a
// field. The machine is little-endian, as the file is (node.h holds it to that).
inline void putU32(char* out, std::int32_t v) {
    static_assert(std::endian::native == std::endian::little);
    std::memcpy(out, &v, 4);
}

std::uint32_t getU32(const char* in) {
    return static_cast<std::uint32_t>(getI32(in));
}

// Cheap enough for every record, and any damaged byte changes it: each word is multiplied
// on its own (its halves offset by keys), so the multiplications run side by side, and the
// sum is mixed once at the end.
constexpr std::uint64_t kMix1 = 0x9E3779B185EBCA87ULL;
constexpr std::uint64_t kMix2 = 0xC2B2AE3D27D4EB4FULL;

inline std::uint64_t wordTerm(std::uint64_t w, std::uint64_t key) {
    return ((w & 0xFFFFFFFFULL) + (key & 0xFFFFFFFFULL)) * ((w >> 32) + (key >> 32));
}

inline std::uint64_t tailWord(const char* p, std::size_t n) {
    std::uint64_t tail = 0;
    for (std::size_t i = 0; i < n; ++i)
        tail |= std::uint64_t(static_cast<unsigned char>(p[i])) << (8 * i);
    return tail;
}

inline std::uint32_t finish(std::uint64_t h) {
    h ^= h >> 31;
    h *= kMix1;
    h ^= h >> 29;
    h *= kMix2;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

// Fed at once, or in pieces whose sizes are multiples of 8 but for the last.
class RecordCheck {
public:
    RecordCheck(std::uint64_t seed, std::size_t total) : m_h(seed ^ (total * kMix1)) {}
    void add(const char* p, std::size_t n) {
        for (; n >= 8; p += 8, n -= 8, m_key += kMix1) {
            std::uint64_t w;
            std::memcpy(&w, p, 8);
            m_h += wordTerm(w, m_key);
        }
        m_tail = tailWord(p, n);
    }
    std::uint32_t value() const { return finish(m_h + wordTerm(m_tail, m_key)); }

private:
    std::uint64_t m_h;
    std::uint64_t m_key = kMix2;
    std::uint64_t m_tail = 0;
};

std::uint32_t recordCheck(std::uint64_t seed, const char* p, std::size_t n) {
    RecordCheck check(seed, n);
    check.add(p, n);
    return check.value();
}

// recordCheck of a record the writer holds: its last bytes are read as one word and masked,
// as the buffer has room past every record, rather than one at a time.
std::uint32_t heldRecordCheck(std::uint64_t seed, const char* p, std::size_t n) {
    std::uint64_t h = seed ^ (n * kMix1);
    std::uint64_t key = kMix2;
    for (; n >= 8; p += 8, n -= 8, key += kMix1) {
        std::uint64_t w;
        std::memcpy(&w, p, 8);
        h += wordTerm(w, key);
    }
    std::uint64_t tail = 0;
    if (n > 0) {
        std::memcpy(&tail, p, 8);
        tail &= ~std::uint64_t(0) >> (64 - 8 * n);
    }
    return finish(h + wordTerm(tail, key));
}

// Cuts a file back to its first `size` bytes, its whole records, and writes on from there.
bool cutBack(int fd, std::int64_t size) {
    return ::ftruncate(fd, size) == 0 && ::lseek(fd, size, SEEK_SET) == size;
}

// Puts the checks on the records from `from` to `to`.
void sealRecords(char* buffer, std::size_t from, std::size_t to, std::uint64_t salt) {
    while (from < to) {
        char* r = buffer + from;
        const std::size_t size = getU32(r);
        putU32(r + 4 + size, static_cast<std::int32_t>(heldRecordCheck(salt, r, 4 + size)));
        from += size + 8;
    }
}

std::string encodeHeader(const JournalBase& base, std::uint64_t salt) {
    const std::size_t pathSize = std::min(base.path.size(), kMaxPath);
    std::string h(kHeaderFixed + pathSize + 4, '\0');
    std::memcpy(h.data(), kMagic, sizeof kMagic);
    putU64(h.data() + 8, salt);
    h[16] = base.hash ? 1 : 0;
    putU64(h.data() + 24, base.hash.value_or(0));
    putI32(h.data() + 32, static_cast<std::int32_t>(pathSize));
    std::memcpy(h.data() + kHeaderFixed, base.path.data(), pathSize);
    putI32(h.data() + kHeaderFixed + pathSize,
           static_cast<std::int32_t>(recordCheck(0, h.data(), kHeaderFixed + pathSize)));
    return h;
}

// The base and salt of a journal's header, and where its records start; false when the
// bytes do not begin with a whole header. A journal of the first kind is only named, never
// replayed: its header is not checked.
bool decodeHeader(std::string_view bytes, JournalBase& base, std::uint64_t& salt, std::size_t& end,
                  bool* older = nullptr) {
    if (bytes.size() < kHeaderFixed + 4)
        return false;
    const bool old = std::memcmp(bytes.data(), kOlderMagic, sizeof kOlderMagic) == 0;
    if (!old && std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return false;
    if (older)
        *older = old;
    const std::size_t pathSize = getU32(bytes.data() + 32);
    if (pathSize > kMaxPath || bytes.size() < kHeaderFixed + pathSize + 4 ||
        (!old && getU32(bytes.data() + kHeaderFixed + pathSize) !=
                     recordCheck(0, bytes.data(), kHeaderFixed + pathSize)))
        return false;
    salt = getU64(bytes.data() + 8);
    base.path.assign(bytes.data() + kHeaderFixed, pathSize);
    base.hash.reset();
    if (bytes[16] != 0)
        base.hash = getU64(bytes.data() + 24);
    end = kHeaderFixed + pathSize + 4;
    return true;
}

std::uint64_t randomSalt() {
    std::random_device random;
    return (std::uint64_t(random()) << 32) ^ random();
}

// Moves the finished file into place unless something lies there already (another
// program's journal may have taken the name since it was checked).
bool renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without the flag: a hard link is made only where nothing lies.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    return false;
}

// Makes a journal at the first of `paths` where nothing lies, but for `replaces`, which may
// be replaced, holding `header` and `size` bytes of records; synced first when `sync`.
MadeJournal makeJournal(const std::vector<std::string>& paths, const std::string& replaces,
                        const std::string& header, const char* records, std::size_t size,
                        bool sync) {
    MadeJournal made;
    made.error = "there is no place for it";
    for (const std::string& target : paths) {
        struct stat st {};
        const bool replacing = ::lstat(target.c_str(), &st) == 0;
        if (replacing && target != replaces)
            continue;
        std::string temp;
        const int fd = createTempBeside(target, temp, made.error);
        if (fd < 0)
            continue;
        // Replacing a journal that is being recovered: the new one must be on disk first.
        const bool syncNow = sync || replacing;
        const bool ok = writeAll(fd, header.data(), header.size()) && writeAll(fd, records, size) &&
                        (!syncNow || ::fdatasync(fd) == 0) &&
                        (replacing ? ::rename(temp.c_str(), target.c_str()) == 0
                                   : renameNoReplace(temp, target));
        if (!ok) {
            made.error = target + ": " + errnoText(errno);
            ::unlink(temp.c_str());
            ::close(fd);
            continue;
        }
        if (syncNow)
            syncFolderOf(target);
        made.fd = fd;
        made.path = target;
        made.size = static_cast<std::int64_t>(header.size() + size);
        made.synced = syncNow;
        return made;
    }
    return made;
}

// The size of the change at the start of `p` as its first bytes give it; 0 when they give
// none.
std::size_t entrySize(std::string_view p) {
    if (p.size() < kEntryHead)
        return 0;
    const auto head = static_cast<std::uint8_t>(p[0]);
    const std::size_t name = head & kNameSizeBits;
    switch (head >> kKindShift) {
    case TreeChange::Add:
        return kEntryHead + 1 + name;
    case TreeChange::Rename:
        return kEntryHead + name;
    case TreeChange::Delete:
    case TreeChange::Restore:
    case TreeChange::RemoveLast:
        return kEntryHead;
    case TreeChange::Paste: {
        if (p.size() < kEntryHead + 8)
            return 0;
        std::size_t at = kEntryHead + 8;
        for (std::uint32_t n = getU32(p.data() + kEntryHead + 4); n > 0; --n, ++at) {
            if (at >= p.size())
                return 0;
            at += static_cast<std::uint8_t>(p[at]) & kNameSizeBits;
        }
        return at;
    }
    default:
        return 0;
    }
}

// Changes in `p` as far as their sizes can be followed; one cut short counts.
std::int64_t entriesIn(std::string_view p) {
    std::int64_t n = 0;
    while (!p.empty()) {
        ++n;
        const std::size_t size = entrySize(p);
        if (size == 0 || size > p.size())
            break;
        p.remove_prefix(size);
    }
    return n;
}

// Changes from `pos` to the end, as far as the sizes can be followed: what a cut or damage
// takes. A record cut short counts unless it shows itself to be a time or cells record.
std::int64_t changesFrom(std::string_view bytes, std::size_t pos) {
    std::int64_t n = 0;
    while (pos < bytes.size()) {
        if (bytes.size() - pos < 5)
            return n + 1;
        const std::uint64_t size = getU32(bytes.data() + pos);
        const auto kind = static_cast<std::uint8_t>(bytes[pos + 4]);
        if (kind == kChanges)
            n += std::max<std::int64_t>(
                1, entriesIn(bytes.substr(pos + 5, std::max<std::uint64_t>(size, 1) - 1)));
        else if (kind != kTime && kind != kCells)
            ++n;
        if (size == 0 || size + 8 > bytes.size() - pos)
            return n;
        pos += size + 8;
    }
    return n;
}

struct Record {
    std::uint8_t kind = 0;
    std::string_view payload;
};

// The whole record at `pos`, its check passed; false for one cut off or damaged.
bool nextRecord(std::string_view bytes, std::size_t& pos, std::uint64_t salt, Record& r) {
    if (bytes.size() - pos < kFrame)
        return false;
    const std::uint64_t size = getU32(bytes.data() + pos);
    if (size == 0 || size + 8 > bytes.size() - pos)
        return false;
    const char* start = bytes.data() + pos;
    if (getU32(start + 4 + size) != recordCheck(salt, start, 4 + size))
        return false;
    r.kind = static_cast<std::uint8_t>(start[4]);
    r.payload = std::string_view(start + 5, size - 1);
    pos += size + 8;
    return true;
}

// Names are kept without the spaces that pad them at the end.
inline std::size_t nameSize(const NameField& name) {
#if defined(__SSE2__)
    // Nearly every change has a name: its spaces are found sixteen bytes at a time.
    const __m128i spaces = _mm_set1_epi8(' ');
    const auto front = static_cast<unsigned>(_mm_movemask_epi8(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(name.data())), spaces)));
    const auto back = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(name.data() + 4)), spaces)));
    const unsigned kept = ~(front | back << 4) & 0xFFFFFu; // a bit for each byte
    return static_cast<std::size_t>(32 - std::countl_zero(kept));
#else
    const std::string_view kept = trimmedName(name);
    return kept.empty() ? 0 : std::size_t(kept.data() + kept.size() - name.data());
#endif
}

bool nameFrom(std::string_view bytes, NameField& name) {
    if (bytes.size() > std::size_t(kNameLength))
        return false;
    name = makeName(bytes);
    return true;
}

// The change at the start of `p` as the edit operations take it, an Add's slot as its low
// byte; `buffer` holds a paste's items. Its size, or 0 when it is none.
std::size_t decodeChange(std::string_view p, TreeChange& c, std::vector<Node>& buffer) {
    const std::size_t size = entrySize(p);
    if (size == 0 || size > p.size())
        return 0;
    const auto head = static_cast<std::uint8_t>(p[0]);
    const std::string_view rest = p.substr(kEntryHead, size - kEntryHead);
    c = TreeChange{};
    c.kind = static_cast<TreeChange::Kind>(head >> kKindShift);
    c.item = getI32(p.data() + 1);
    switch (c.kind) {
    case TreeChange::Add:
        c.slot = static_cast<std::uint8_t>(rest[0]);
        return nameFrom(rest.substr(1), c.name) ? size : 0;
    case TreeChange::Rename:
        return nameFrom(rest, c.name) ? size : 0;
    case TreeChange::Paste: {
        c.slot = getI32(rest.data());
        buffer.assign(getU32(rest.data() + 4), Node{});
        std::size_t at = 8;
        for (Node& n : buffer) {
            const auto item = static_cast<std::uint8_t>(rest[at]);
            if (!nameFrom(rest.substr(at + 1, item & kNameSizeBits), n.Name))
                return 0;
            n.FirstChild = (item & kHasChild) ? 1 : 0;
            n.NextSibling = (item & kHasNext) ? 1 : 0;
            at += 1 + (item & kNameSizeBits);
        }
        c.buffer = buffer;
        return buffer.empty() ? 0 : size;
    }
    default:
        return (head & kNameSizeBits) == 0 ? size : 0;
    }
}

// True when the records below a freed item still form the subtree deleteSubtree freed:
// free, each linked back to the record it is reached from, one level deeper, and no more of
// them than there are free slots. Only then may a walk follow their links.
bool freedSubtreeSound(const NodeTable& t, std::int32_t item) {
    std::int64_t budget = t.FreeCount();
    std::vector<std::int32_t> stack{item};
    while (!stack.empty()) {
        const std::int32_t p = stack.back();
        stack.pop_back();
        std::int32_t prev = 0;
        for (std::int32_t c = t[p].FirstChild; c >= 1; prev = c, c = t[c].NextSibling) {
            if (c > t.NodeCount() || --budget < 0)
                return false;
            const Node& n = t[c];
            if (n.inUse() || n.Parent != p || std::max(n.PrevSibling, 0) != prev ||
                n.Level != t[p].Level + 1)
                return false;
            stack.push_back(c);
        }
    }
    return true;
}

// Makes recorded changes again, only on items of the tree: the links of free records and
// of records no link from the top item reaches are as a file left them, and no walk may
// follow them unchecked.
class Replay {
public:
    Replay(NodeTable& table, std::vector<bool> inTree) : m_t(table), m_inTree(std::move(inTree)) {}

    // An Add's slot is put in `c` as the replay takes it.
    bool apply(TreeChange& c) {
        switch (c.kind) {
        case TreeChange::Add:
            // Recorded by the low byte of its slot: the slot the replay takes must agree.
            if ((m_t.nextAlloc() & 0xFF) != c.slot)
                return false;
            c.slot = m_t.nextAlloc();
            [[fallthrough]];
        case TreeChange::Paste:
            return reached(c.item) && applyChange(m_t, c) && mark(c.slot, true);
        case TreeChange::Rename:
            return reached(c.item) && applyChange(m_t, c);
        case TreeChange::Delete:
        case TreeChange::RemoveLast:
            // The freed records keep their links: the walk that unmarks them is safe.
            return reached(c.item) && applyChange(m_t, c) && mark(c.item, false);
        case TreeChange::Restore:
            return c.item >= 2 && c.item <= m_t.NodeCount() && !m_t[c.item].inUse() &&
                   reached(m_t[c.item].Parent) &&
                   m_t[c.item].Level == m_t[m_t[c.item].Parent].Level + 1 &&
                   freedSubtreeSound(m_t, c.item) && applyChange(m_t, c) && mark(c.item, true);
        }
        return false;
    }
    std::vector<bool> inTree() && {
        m_inTree.resize(static_cast<std::size_t>(m_t.capacity()), false);
        return std::move(m_inTree);
    }

private:
    bool reached(std::int32_t slot) const {
        return slot >= 1 && static_cast<std::size_t>(slot) < m_inTree.size() && m_inTree[slot];
    }
    bool mark(std::int32_t item, bool on) {
        m_inTree.resize(static_cast<std::size_t>(m_t.capacity()), false);
        SubtreeWalk walk(m_t);
        for (std::int32_t n = walk.Walk_Start(item); n >= 1; n = walk.Walk_Next(n))
            m_inTree[static_cast<std::size_t>(n)] = on;
        return true;
    }

    NodeTable& m_t;
    std::vector<bool> m_inTree;
};

} // namespace

// What was handed to the thread, and what came of it: the thread touches it only while
// running, the writer only once it has waited.
struct JournalWriter::Background {
    enum class Task { None, Create, Write, Sync };
    WorkerThread thread;
    Task task = Task::None;
    int fd = -1;
    // What a journal is made of the first time, and what came of it.
    std::vector<std::string> paths;
    std::string replaces;
    std::string header;
    MadeJournal made;
    std::vector<char> bytes; // a write's records, the first `size`, checked from `sealFrom`
    std::size_t size = 0;
    std::size_t sealFrom = 0;
    std::uint64_t salt = 0;
    std::int64_t fileSize = 0; // where a failed write is cut back to
    std::string path;          // a sync's, for its folder
    bool folderToo = false;
    int error = 0;     // the error number of a failed write or sync
    bool kept = false; // a failed write left the file as it was

    void write() { // on the thread
        sealRecords(bytes.data(), sealFrom, size, salt);
        kept = true;
        if (writeAll(fd, bytes.data(), size))
            return;
        error = errno;
        // No half record may stay for later ones to follow.
        kept = cutBack(fd, fileSize);
    }
    void startCreate() {
        task = Task::Create;
        thread.run([this] {
            sealRecords(bytes.data(), sealFrom, size, salt);
            made = makeJournal(paths, replaces, header, bytes.data(), size, false);
        });
    }
    void startWrite() {
        task = Task::Write;
        error = 0;
        thread.run([this] { write(); });
    }
    void startSync() {
        task = Task::Sync;
        error = 0;
        thread.run([this] {
            if (::fdatasync(fd) != 0)
                error = errno;
            else if (folderToo)
                syncFolderOf(path);
        });
    }
};

JournalWriter::JournalWriter() = default;

JournalWriter::~JournalWriter() {
    settle();
    close();
}

void JournalWriter::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

void JournalWriter::restart(std::vector<std::string> paths, JournalBase base,
                            std::string replaces) {
    discard();
    m_paths = std::move(paths);
    m_base = std::move(base);
    m_replaces = std::move(replaces);
}

void JournalWriter::discard() {
    settle();
    m_laterError.clear();
    if (m_fd >= 0) {
        // Removed while still locked, so nobody takes it for a crashed session's journal.
        ::unlink(m_path.c_str());
        syncFolderOf(m_path);
    }
    close();
    setWantsTableBefore(true);
    dropWaiting();
    m_tooLarge = false;
    written();
    m_cells.clear();
    m_path.clear();
    m_size = 0;
    m_unsynced = false;
    m_folderSynced = false;
}

inline char* JournalWriter::grow(std::size_t size) {
    // Each write begins with the time it is made, filled in then.
    if (m_used == 0)
        m_used = m_sealed = kTimeRecord;
    const std::size_t at = m_used;
    m_used += size;
    // Grown rarely and kept between writes: a record is only a few copies into memory
    // that is already there.
    if (m_used + kSlack > m_buffer.size())
        m_buffer.resize(std::max(m_used + kSlack, 2 * m_buffer.size()));
    return m_buffer.data() + at;
}

char* JournalWriter::reserveRecord(std::uint8_t kind, std::size_t payloadSize) {
    handOn();
    endChanges();
    char* r = grow(kFrame + payloadSize);
    putU32(r, static_cast<std::int32_t>(payloadSize + 1));
    r[4] = static_cast<char>(kind);
    return r;
}

char* JournalWriter::reserveChange(std::size_t size) {
    if (m_changesAt == 0) {
        const char* record = grow(5); // its size and kind are put in at its end
        m_changesAt = static_cast<std::size_t>(record - m_buffer.data());
    }
    return grow(size);
}

void JournalWriter::endChanges() {
    if (m_changesAt == 0)
        return;
    char* r = m_buffer.data() + m_changesAt;
    putU32(r, static_cast<std::int32_t>(m_used - m_changesAt - 4));
    r[4] = static_cast<char>(kChanges);
    grow(4); // its check
    m_changesAt = 0;
}

void JournalWriter::written() {
    m_used = 0;
    m_changesAt = 0;
    if (m_buffer.size() > kKeptBuffer)
        std::vector<char>().swap(m_buffer);
}

void JournalWriter::seal() {
    endChanges();
    // Checked only when written: read back at once, the bytes just stored piecemeal would
    // stall the processor.
    sealRecords(m_buffer.data(), m_sealed, m_used, m_salt);
    m_sealed = m_used;
}

void JournalWriter::stampTime(char* record) const {
    putI32(record, 9);
    record[4] = static_cast<char>(kTime);
    putU64(record + 5, static_cast<std::uint64_t>(now()));
    putI32(record + 13, static_cast<std::int32_t>(recordCheck(m_salt, record, 13)));
}

void JournalWriter::append(std::uint8_t kind, std::string_view payload) {
    char* r = reserveRecord(kind, payload.size());
    std::memcpy(r + 5, payload.data(), payload.size());
}

void JournalWriter::appendTree(const NodeTable& table, std::uint8_t kind) {
    // Changes made before the tree is taken belong before it, or to no journal at all.
    handOn();
    const std::size_t size = std::size_t(table.NodeCount() + 1) * kRecordSize;
    // A record's size must fit its 32 bits; such a tree would fill some 4 GiB of memory.
    m_tooLarge = size >= 0xFFFFFFFFULL;
    if (m_tooLarge)
        return;
    if (!started()) {
        setWantsTableBefore(false);
        m_salt = randomSalt();
    }
    if (size >= kStreamedTree && streamTree(table, kind, size))
        return;
    char* r = reserveRecord(kind, size);
    for (std::int32_t k = 0; k <= table.NodeCount(); ++k)
        encodeRecord(table[k], r + 5 + std::size_t(k) * kRecordSize);
}

// A large tree goes to the file as it is encoded, a piece at a time, not through memory as
// large as itself. False, having written nothing, when the file cannot take it now.
bool JournalWriter::streamTree(const NodeTable& table, std::uint8_t kind, std::size_t size) {
    std::string ignored;
    if (!write(false, ignored))
        return false;
    char head[kTimeRecord + 5];
    stampTime(head);
    putI32(head + kTimeRecord, static_cast<std::int32_t>(size + 1));
    head[kTimeRecord + 4] = static_cast<char>(kind);
    bool ok = writeAll(m_fd, head, kTimeRecord);
    // Pieces of whole words from the record's start: its size and kind, then the slots.
    constexpr std::size_t kPiece = std::size_t(8) << 16;
    std::vector<char> piece(kPiece + kRecordSize);
    std::memcpy(piece.data(), head + kTimeRecord, 5);
    std::size_t filled = 5;
    RecordCheck check(m_salt, 5 + size);
    for (std::int32_t k = 0; ok && k <= table.NodeCount(); ++k) {
        encodeRecord(table[k], piece.data() + filled);
        filled += kRecordSize;
        if (filled >= kPiece || k == table.NodeCount()) {
            const std::size_t whole = k == table.NodeCount() ? filled : filled - filled % 8;
            check.add(piece.data(), whole);
            ok = writeAll(m_fd, piece.data(), whole);
            std::memmove(piece.data(), piece.data() + whole, filled - whole);
            filled -= whole;
        }
    }
    char tail[4];
    putI32(tail, static_cast<std::int32_t>(check.value()));
    if (ok && writeAll(m_fd, tail, sizeof tail)) {
        m_size += static_cast<std::int64_t>(sizeof head + size + sizeof tail);
        m_unsynced = true;
        return true;
    }
    // Taken back, or the journal ends and the next change starts it again.
    if (!cutBack(m_fd, m_size))
        discard();
    return false;
}

void JournalWriter::tableBefore(const NodeTable& table) {
    appendTree(table, kBase); // asked for only until the journal has started
}

void JournalWriter::checkpoint(const NodeTable& table) {
    appendTree(table, kCheckpoint);
    ++m_changes;
}

void JournalWriter::recordNamed(std::span<const NamedChange> changes) {
    if (!started())
        return; // told of no tree to start from
    // Room for them all at their largest; what they leave is given back.
    constexpr std::size_t kLargest = kEntryHead + 1 + kNameLength;
    char* const room = reserveChange(changes.size() * kLargest);
    char* p = room;
    for (const NamedChange& c : changes) {
        // The whole name field is copied, a fixed size being cheaper; what lies past the
        // change is written over by the next, or never written out. A Rename's name goes
        // where an Add's slot byte would.
        const std::size_t add = c.kind == TreeChange::Add;
        const std::size_t name = nameSize(c.name);
        p[0] = static_cast<char>(c.kind << kKindShift | name);
        putU32(p + 1, c.item);
        p[kEntryHead] = static_cast<char>(c.slot);
        std::memcpy(p + kEntryHead + add, c.name.data(), kNameLength);
        p += kEntryHead + add + name;
    }
    m_used -= static_cast<std::size_t>(room + changes.size() * kLargest - p);
    m_changes += changes.size();
    writeAhead();
}

void JournalWriter::record(const TreeChange& c) {
    if (c.kind == TreeChange::Add || c.kind == TreeChange::Rename) {
        const NamedChange named{c.kind, c.item, c.slot, c.name};
        recordNamed({&named, 1});
        return;
    }
    if (!started())
        return;
    ++m_changes;
    std::size_t size = kEntryHead;
    if (c.kind == TreeChange::Paste) {
        size += 8 + c.buffer.size();
        for (const Node& n : c.buffer)
            size += nameSize(n.Name);
    }
    char* p = reserveChange(size);
    p[0] = static_cast<char>(c.kind << kKindShift);
    putU32(p + 1, c.item);
    if (c.kind == TreeChange::Paste) {
        putI32(p + kEntryHead, c.slot);
        putI32(p + kEntryHead + 4, static_cast<std::int32_t>(c.buffer.size()));
        char* item = p + kEntryHead + 8;
        for (const Node& n : c.buffer) {
            const std::size_t kept = nameSize(n.Name);
            item[0] = static_cast<char>(kept | (n.FirstChild > 0 ? kHasChild : 0) |
                                        (n.NextSibling > 0 ? kHasNext : 0));
            std::memcpy(item + 1, n.Name.data(), kept);
            item += 1 + kept;
        }
    }
    writeAhead();
}

void JournalWriter::writeAhead() {
    // A long run of changes between two flushes goes out in pieces small enough to stay in
    // the processor's cache, each checked and written while the next is recorded; a failure
    // is left for the next flush to report.
    if (m_used < kWrittenAhead)
        return;
    settle();
    if (!started())
        return; // the journal ended
    stampTime(m_buffer.data());
    endChanges();
    Background& b = background();
    b.fd = m_fd;
    b.size = m_used;
    b.sealFrom = m_sealed;
    b.salt = m_salt;
    b.fileSize = m_size;
    // Kept as large as the one handed on, so that neither grows again.
    b.bytes.resize(std::max(b.bytes.size(), m_buffer.size()));
    std::swap(m_buffer, b.bytes);
    written();
    if (m_fd >= 0) {
        b.startWrite();
        return;
    }
    // The first time, the file is made there too; a failure is told by the next flush,
    // which tries again.
    b.paths = m_paths;
    b.replaces = m_replaces;
    b.header = encodeHeader(m_base, m_salt);
    b.startCreate();
}

JournalWriter::Background& JournalWriter::background() {
    if (!m_background)
        m_background = std::make_unique<Background>();
    return *m_background;
}

void JournalWriter::settle() {
    if (!m_background || m_background->task == Background::Task::None)
        return;
    Background& b = *m_background;
    b.thread.wait();
    const Background::Task task = std::exchange(b.task, Background::Task::None);
    if (task == Background::Task::Create) {
        if (b.made.fd >= 0)
            opened(std::exchange(b.made, {}));
        else
            takeBack();
        return;
    }
    if (b.error == 0) {
        if (task == Background::Task::Write) {
            m_size += static_cast<std::int64_t>(b.size);
            m_unsynced = true;
        } else {
            m_folderSynced = true;
        }
        return;
    }
    const std::string error = m_path + ": " + errnoText(b.error);
    if (task == Background::Task::Sync) {
        m_unsynced = true;
        m_lastSyncMs = 0; // synced again at the next flush
        m_laterError = error;
    } else if (!b.kept) {
        // When the file cannot be taken back, the journal ends, and the next one starts
        // from the tree as it is then.
        discard();
        m_laterError = error;
    } else {
        takeBack(); // written again with the next
    }
}

void JournalWriter::takeBack() {
    std::vector<char>& back = m_background->bytes;
    const std::size_t size = m_background->size;
    // Both begin with a time record: the one of the records since is dropped, the other
    // stamped again when written.
    const std::size_t since = m_used > 0 ? m_used - kTimeRecord : 0;
    back.resize(std::max(back.size(), size + since + kSlack));
    if (since > 0)
        std::memcpy(back.data() + size, m_buffer.data() + kTimeRecord, since);
    m_sealed = m_used > 0 ? size + m_sealed - kTimeRecord : size;
    if (m_changesAt != 0)
        m_changesAt += size - kTimeRecord;
    m_used = size + since;
    std::swap(m_buffer, back);
}

void JournalWriter::recordCells(const CellArray& cells) {
    if (!started())
        return;
    std::string bytes = encodeCells(cells);
    if (bytes == m_cells)
        return;
    append(kCells, bytes);
    m_cells = std::move(bytes);
}

bool JournalWriter::create(bool sync, std::string& error) {
    MadeJournal made = makeJournal(m_paths, m_replaces, encodeHeader(m_base, m_salt),
                                   m_buffer.data(), m_used, sync);
    if (made.fd < 0) {
        error = std::move(made.error);
        return false;
    }
    opened(std::move(made));
    written();
    return true;
}

void JournalWriter::opened(MadeJournal made) {
    m_fd = made.fd;
    m_path = std::move(made.path);
    m_size = made.size;
    m_unsynced = !made.synced;
    m_folderSynced = made.synced;
    m_lastSyncMs = now();
}

bool JournalWriter::write(bool sync, std::string& error) {
    handOn();
    settle(); // what went to the thread goes first
    if (m_used > 0) {
        stampTime(m_buffer.data());
        seal();
    }
    if (m_fd < 0)
        return create(sync, error);
    if (m_used == 0)
        return true;
    if (!writeAll(m_fd, m_buffer.data(), m_used)) {
        error = m_path + ": " + errnoText(errno);
        // No half record may stay for later ones to follow; when it cannot be taken back,
        // the journal ends, and the next one starts from the tree as it is then.
        if (!cutBack(m_fd, m_size))
            discard();
        return false;
    }
    m_size += static_cast<std::int64_t>(m_used);
    written();
    m_unsynced = true;
    return true;
}

bool JournalWriter::flush(std::string& error, Sync sync) {
    if (m_tooLarge) {
        error = "the tree is too large for it";
        return false;
    }
    settle();
    if (started()) {
        if (!write(sync == Sync::Now, error)) {
            m_laterError.clear(); // told of what is wrong now
            return false;
        }
        const std::int64_t ms = now();
        const bool due = ms - m_lastSyncMs >= kSyncIntervalMs || ms < m_lastSyncMs;
        if (m_unsynced && (sync == Sync::Now || due)) {
            // A sync may take long on a busy disk: editing goes on meanwhile.
            m_unsynced = false;
            m_lastSyncMs = ms;
            Background& b = background();
            b.fd = m_fd;
            b.path = m_path;
            b.folderToo = !m_folderSynced;
            b.startSync();
            if (sync == Sync::Now)
                settle();
        }
    }
    if (m_laterError.empty())
        return true;
    error = std::exchange(m_laterError, {});
    return false;
}

bool JournalWriter::pending() {
    settle();
    return waiting() > 0 || m_used > 0 || m_unsynced;
}

JournalContents readJournal(std::string_view bytes) {
    JournalContents out;
    std::uint64_t salt = 0;
    std::size_t pos = 0;
    bool older = false;
    if (!decodeHeader(bytes, out.base, salt, pos, &older)) {
        out.error = "it is no recovery file, or its beginning is damaged";
        return out;
    }
    if (older) {
        out.error = "an older version of the program wrote it";
        return out;
    }
    std::optional<Replay> replay;
    std::int64_t writtenAt = 0;
    std::int64_t lostHere = 0; // changes of a record after one that did not fit
    std::vector<Node> buffer;
    try {
        while (pos < bytes.size()) {
            const std::size_t start = pos;
            Record r;
            if (!nextRecord(bytes, pos, salt, r))
                break;
            bool ok = true;
            bool change = false;
            if (r.kind == kTime) {
                ok = r.payload.size() == 8;
                if (ok)
                    writtenAt = static_cast<std::int64_t>(getU64(r.payload.data()));
            } else if (r.kind == kCells) {
                ok = r.payload.size() == kCellCount * kCellRecordSize;
                if (ok)
                    out.cells = r.payload;
            } else if (r.kind == kBase || r.kind == kCheckpoint) {
                LoadResult tree = loadDataBytes(r.payload);
                ok = tree.ok && tree.trailingBytes == 0;
                if (ok) {
                    change = replay || r.kind == kCheckpoint;
                    out.table = std::move(tree.table);
                    replay.emplace(out.table, std::move(tree.inTree));
                }
            } else if (r.kind == kChanges && replay) {
                std::string_view changes = r.payload;
                TreeChange c;
                for (std::size_t size; !changes.empty(); changes.remove_prefix(size)) {
                    size = decodeChange(changes, c, buffer);
                    if (size == 0 || !replay->apply(c))
                        break;
                    ++out.changes;
                    out.madeUpToMs = writtenAt;
                }
                if (!changes.empty()) {
                    lostHere = entriesIn(changes);
                    break;
                }
            } else {
                ok = false; // a kind of record unknown here, or changes to no tree
            }
            if (!ok) {
                pos = start;
                break;
            }
            if (change) {
                ++out.changes;
                out.madeUpToMs = writtenAt;
            }
        }
    } catch (const std::bad_alloc&) {
        out.changes = 0;
        out.error = "there is not enough memory for it";
        return out;
    }
    out.lost = lostHere + changesFrom(bytes, pos);
    if (!replay) {
        out.error = "the tree it began with is damaged";
        return out;
    }
    out.inTree = std::move(*replay).inTree();
    out.ok = true;
    return out;
}

JournalContents readJournalFile(const std::string& path) {
    JournalContents out;
    struct stat st {};
    void* map = MAP_FAILED;
    {
        const FileDescriptor fd(openRegular(path, out.error, &st));
        if (fd.get() < 0)
            return out;
        if (st.st_size == 0) {
            out.error = "it is empty";
            return out;
        }
        // Mapped, not copied: the bytes are read where the system keeps them.
        map = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                     MAP_PRIVATE | MAP_POPULATE, fd.get(), 0);
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (map == MAP_FAILED) {
        std::string bytes;
        if (!readWholeFile(path, bytes, out.error))
            return out;
        return readJournal(bytes);
    }
    out = readJournal({static_cast<const char*>(map), size});
    ::munmap(map, size);
    return out;
}

std::optional<JournalBase> readJournalBase(const std::string& path) {
    std::string bytes;
    std::string error;
    JournalBase base;
    std::uint64_t salt = 0;
    std::size_t end = 0;
    if (!readFileStart(path, kHeaderFixed + kMaxPath + 4, bytes, error) ||
        !decodeHeader(bytes, base, salt, end))
        return std::nullopt;
    return base;
}

bool journalInUse(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    const bool locked = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return locked;
}

} // namespace qm
