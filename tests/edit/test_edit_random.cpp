// A few thousand seeded random edits, applied to the real window and to a plain nested
// model side by side; after every step both must list the same tree in stored order.

#include <QTest>
#include <random>
#include <string>
#include <vector>

#include "edit/edit_commands.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {

constexpr std::uint32_t kSeed = 20240611;
constexpr int kSteps = 3000;

struct Item {
    std::string name; // trimmed, as the outline lists it
    std::vector<Item> kids;
};
using Path = std::vector<std::size_t>; // child indexes from the top item

// What the store's outline dump gives for a subtree, with its item count and depth.
struct Listing {
    std::string text;
    int count = 1;
    std::size_t height = 0;
};

Listing list(const Item& item, std::size_t level = 0) {
    Listing out{std::string(2 * level, ' ') + item.name + '\n', 1, level};
    for (const Item& k : item.kids) {
        const Listing sub = list(k, level + 1);
        out.text += sub.text;
        out.count += sub.count;
        out.height = std::max(out.height, sub.height);
    }
    return out;
}

void collect(const Item& item, std::vector<Path>& out, Path path = {}) {
    out.push_back(path);
    for (path.push_back(0); path.back() < item.kids.size(); ++path.back())
        collect(item.kids[path.back()], out, path);
}

Item& at(Item& root, const Path& path, std::size_t up = 0) {
    Item* item = &root;
    for (std::size_t i = 0; i + up < path.size(); ++i)
        item = &item->kids[path[i]];
    return *item;
}

// The same child positions in the table's stored order.
std::int32_t slotAt(const NodeTable& t, const Path& path) {
    std::int32_t s = 1;
    for (std::size_t i : path)
        for (s = t[s].FirstChild; i > 0; --i)
            s = t[s].NextSibling;
    return s;
}

} // namespace

class TestEditRandom : public QObject {
    Q_OBJECT

    std::mt19937 m_rng{kSeed};

    std::size_t roll(std::size_t n) { return m_rng() % n; }
    std::string spaces() { return std::string(roll(3), ' '); }
    std::string someName() {
        std::string name = spaces();
        name += static_cast<char>((roll(10) == 0 ? 'a' : 'A') + roll(5)); // 'a': pasted
        if (roll(3) == 0)
            name += static_cast<char>('A' + roll(5));
        return name + spaces();
    }

    enum Op { Undo = 0, Add = 2, Delete = 3, Rename = 4, Cut = 6, Copy = 7, Paste = 8 }; // menu
    static constexpr Op kOps[] = {Add, Rename, Delete, Cut, Copy, Paste, Undo};

private slots:
    void randomEdits_matchModel() {
        ProgramFixture f;
        f.writeIni("[AutoSave]\nValue=-1\n");
        MainWindow& w = f.start({writeTreeFile(f.dir, "tree.qmd", "TOP\n  A\n    B\n  C\n")});
        EditCommands& edit = f.program->edit();
        // Keep the tree a few hundred items big: shrink more often once it grows.
        std::discrete_distribution<int> grow{10, 2, 3, 2, 2, 4, 3}, shrink{2, 2, 8, 4, 2, 1, 2};

        Item root{"TOP", {{"A", {{"B", {}}}}, {"C", {}}}};
        Item undone = root; // the model as it was before the edit Undo would take back
        int undoAction = 0;
        std::vector<Item> buffer;             // empty, or the copied subtree
        CellList* cell = w.browser().list(5); // every command works in cell 5
        const auto show = [&](const Path& parent) {
            w.browser().Cell_Clear(5);
            w.browser().Cell_Show(5, slotAt(w.nodes(), parent));
            w.browser().focusCell(5);
        };
        const auto select = [&](const Path& item) {
            show(Path(item.begin(), item.end() - 1));
            cell->selectRow(cell->entries()->rowOfSlot(slotAt(w.nodes(), item)));
        };
        const auto record = [&](int action) {
            undone = root;
            undoAction = action;
        };
        // Queues the answers when `name` clashes under `parent`: another name, or Cancel.
        int step = 0;
        const auto settleClash = [&](const Item& parent, std::string name) {
            for (const Item& k : parent.kids)
                if (!name.empty() && k.name == name) {
                    name = roll(2) == 0 ? "U" + std::to_string(step) : std::string();
                    f.prompter.answer(name.empty() ? PromptAnswer::Cancel : PromptAnswer::Ok);
                    if (!name.empty())
                        f.prompter.answerName(QString::fromStdString(name));
                    return name;
                }
            return name;
        };

        for (; step < kSteps; ++step) {
            std::vector<Path> all;
            collect(root, all);
            const Path any = all[roll(all.size())];
            Path below = all.size() > 1 ? all[1 + roll(all.size() - 1)] : Path();
            Op op = kOps[(all.size() > 300 ? shrink : grow)(m_rng)];
            if (below.empty() && op != Paste && op != Undo)
                op = Add;
            if (op == Add) {
                const std::string typed = roll(20) == 0 ? "   " : someName();
                f.prompter.answerName(QString::fromStdString(typed));
                const std::string name =
                    settleClash(at(root, any), std::string(trimmedName(makeName(typed))));
                show(any);
                edit.dispatch(Add);
                if (!name.empty()) {
                    record(Add);
                    at(root, any).kids.push_back({name, {}});
                }
            } else if (op == Rename) {
                const std::string typed = roll(8) == 0 ? std::string() : someName();
                f.prompter.answerName(QString::fromStdString(typed));
                select(below);
                edit.dispatch(Rename);
                if (!typed.empty()) {
                    at(root, below).name = std::string(trimmedName(makeName(typed)));
                    record(0);
                }
            } else if (op == Delete || op == Cut || op == Copy) {
                const bool confirm = op != Delete || roll(6) != 0;
                if (op == Delete)
                    f.prompter.answer(confirm ? PromptAnswer::Ok : PromptAnswer::Cancel);
                // Small subtrees only, so repeated pastes cannot blow the tree up.
                while (op != Delete && list(at(root, below)).count > 40)
                    below.push_back(0);
                select(below);
                edit.dispatch(op);
                if (op != Delete)
                    buffer = {at(root, below)};
                if (confirm)
                    record(op == Copy ? 0 : op);
                if (confirm && op != Copy)
                    at(root, below, 1)
                        .kids.erase(at(root, below, 1).kids.begin() +
                                    static_cast<std::ptrdiff_t>(below.back()));
            } else if (op == Paste) {
                show(any);
                std::string name = buffer.empty() ? std::string() : buffer[0].name;
                if (!name.empty() && any.size() + 1 + list(buffer[0]).height > 30)
                    name.clear(); // refused with an alert
                name = settleClash(at(root, any), name);
                edit.dispatch(Paste);
                if (!name.empty()) {
                    buffer[0].name = name; // later pastes take the new name too
                    record(Paste);
                    at(root, any).kids.push_back(buffer[0]);
                }
            } else {
                edit.dispatch(Undo);
                root = undone; // the same model when there is nothing to undo
                record(0);
            }

            const Listing model = list(root);
            const std::string actual = dumpOutline(w.nodes());
            const QStringList problems = treeProblems(w.nodes());
            QVERIFY2(actual == model.text && problems.isEmpty() && f.prompter.unexpected == 0 &&
                         f.prompter.allAnswered() && edit.UndoAction() == undoAction &&
                         w.nodes().itemCount() == model.count - 1 &&
                         edit.BufCount() == (buffer.empty() ? 0 : list(buffer[0]).count),
                     qPrintable(QString::asprintf(
                         "step %d, op %d, undo %d, buffer %d: %s\nmodel:\n%stable:\n%s", step, op,
                         edit.UndoAction(), edit.BufCount(), qPrintable(problems.join("; ")),
                         model.text.c_str(), actual.c_str())));
            f.prompter.prompts.clear();
        }
    }
};

QTEST_MAIN(TestEditRandom)
#include "test_edit_random.moc"
