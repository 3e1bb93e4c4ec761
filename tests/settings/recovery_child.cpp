// Not a test of its own: test_file_commands starts and kills it. It opens
// DIR/tree.qmd in the real window and makes seeded random edits until it is killed. Time
// runs on a clock of its own, which moves only between edits and ticks the journal as the
// timer would. On stdout, one line each:
//   E <edit> <clock ms> <hash of the table>   after an edit (or an edit that changed nothing)
//   T <clock ms>                              once the clock has moved and the ticks ran
// Usage: recovery_child DIR SEED

#include <QApplication>
#include <random>
#include <unistd.h>

#include "app/program.h"
#include "settings/file_commands.h"
#include "support/tree_checker.h"
#include "window/cell_list.h"
#include "window/command_handler.h"
#include "window/main_window.h"
#include "window/prompter.h"

using namespace qm;
using qm::test::tableHash;

namespace {

constexpr std::int64_t kT0 = 1'718'000'000'000;
constexpr std::int64_t kTickMs = 250;

// Answers every question as a user going along would; names are never twice the same.
class GoingAlong : public Prompter {
public:
    PromptAnswer ask(const QString&, const QString&, PromptIcon, PromptButtons) override {
        return PromptAnswer::Ok;
    }
    int choose(const QString&, const QString&, PromptIcon, const QStringList&, int,
               int cancel) override {
        return cancel;
    }
    QString askName(const NameRequest&) override { return QStringLiteral("C%1").arg(++m_names); }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    bool printDialog(QPrinter&, const QString&) override { return false; }

private:
    int m_names = 0;
};

void say(const QByteArray& line) {
    // One write a line: what was written before a kill reaches the reader whole.
    if (::write(1, line.constData(), std::size_t(line.size())) != line.size())
        std::_Exit(2);
}

// An item of the tree at random (the top item when `below` is false and the roll says so).
std::int32_t someItem(const NodeTable& t, std::mt19937& rng, bool below) {
    for (;;) {
        const std::int32_t s = 1 + std::int32_t(rng() % std::uint32_t(t.NodeCount()));
        if (!t.isItem(s) || (below && s == 1))
            continue;
        std::int32_t up = s;
        while (up > 1 && t.isItem(up))
            up = t[up].Parent;
        if (up == 1)
            return s;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QString dir = QString::fromLocal8Bit(argv[1]);
    std::mt19937 rng(std::uint32_t(std::stoul(argv[2])));
    GoingAlong prompter;
    Program program(prompter, dir + QStringLiteral("/QuillMar.ini"));
    program.start({dir + QStringLiteral("/tree.qmd")}, false);
    MainWindow& w = program.window();
    std::int64_t clock = kT0;
    program.files().recovery().setClock([&clock] { return clock; });

    const int ops[] = {EditAdd, EditAdd,  EditAdd,   EditRename, EditDelete,
                       EditCut, EditCopy, EditPaste, EditUndo};
    CellList* cell = w.browser().list(5);
    for (int edit = 0;; ++edit) {
        const NodeTable& t = w.nodes();
        int op = ops[rng() % std::size(ops)];
        if (t.itemCount() > 200 && op == EditAdd)
            op = EditDelete;
        if (t.itemCount() == 0)
            op = EditAdd;
        const bool inside = op == EditAdd || op == EditPaste || op == EditUndo;
        const std::int32_t item = someItem(t, rng, !inside);
        w.browser().Cell_Clear(5);
        w.browser().Cell_Show(5, inside ? item : t[item].Parent);
        w.browser().focusCell(5);
        if (!inside)
            cell->selectRow(cell->entries()->rowOfSlot(item));
        w.menu().dispatch(MenuArray::Edit, op);
        say(QStringLiteral("E %1 %2 %3\n").arg(edit).arg(clock).arg(tableHash(t)).toLatin1());

        const std::int64_t later = clock + std::int64_t(rng() % 700);
        for (std::int64_t tick = (clock / kTickMs + 1) * kTickMs; tick <= later; tick += kTickMs) {
            clock = tick;
            program.files().recovery().tick();
        }
        clock = later;
        say(QStringLiteral("T %1\n").arg(clock).toLatin1());
    }
}
