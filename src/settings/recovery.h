#pragma once
// The recovery journal of the open tree, kept while it has unsaved changes, and the offer to
// recover the changes a crashed, killed or powered-off session left behind.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "store/journal.h"

class QTimer;

namespace qm {

class MainWindow;

class Recovery : public QObject {
    Q_OBJECT
public:
    /// Records every change of the window's tree from now on.
    explicit Recovery(MainWindow& window);
    /// Writes what is recorded and leaves the journal: only a clean end removes it.
    ~Recovery() override;

    /// Where the journals of trees without a file go: $XDG_STATE_HOME/QuillMar, by default
    /// ~/.local/state/QuillMar.
    static QString stateFolder();

    /// The tree now shown is `file` (empty: none), whose bytes hash to `hash`; its changes
    /// are journaled from the next one on. Ends the running journal.
    void track(const QString& file, std::optional<std::uint64_t> hash);
    /// The changes were saved or given up: removes the journal.
    void discard() { m_writer.discard(); }

    enum class Offer {
        None,      // no journal to offer: open the file as usual
        Recovered, // the window shows the recovered tree, unsaved, under `file` or none
        Discarded, // the journal was removed: open the file as usual
        Declined,  // Cancel: open nothing, leave the journal
    };
    /// Before `file` is opened: offers the journal a crashed session left for it.
    Offer offerFor(const QString& file);
    /// At start: offers the journals of trees that never had a file, newest first, until
    /// one is recovered or declined.
    Offer offerUntitled();

    /// Writes what was recorded and records the cells; run four times a second while a
    /// journal is kept.
    void tick();
    /// For tests: the wall clock in ms, and ticks only when tick() is called.
    void setClock(std::function<std::int64_t()> now);
    const JournalWriter& writer() const { return m_writer; }

private:
    /// Journals the tree that took the open one's place from its first change on.
    void treeReplaced(std::optional<std::uint64_t> fileHash);
    void changeReported();
    /// The journal at `journal`, for `file` (empty for none): asks, and acts on the answer.
    Offer offer(const QString& journal, const QString& file);
    /// Shows the recovered tree and journals it from now on, in place of `journal`.
    void adopt(JournalContents& contents, const QString& file, std::optional<std::uint64_t> hash,
               const QString& journal);

    MainWindow& m_window;
    JournalWriter m_writer;
    QTimer* m_timer;       // owned by this
    bool m_manual = false; // ticks come from tick() alone
    std::uint64_t m_reportedChanges = 0;
    bool m_failureShown = false;
    std::string m_replacing; // a recovered journal the next one may take the place of
};

} // namespace qm
