// Two thousand seeded random edits, applied to the real window and to a plain nested
// model side by side; after every step both must list the same tree in stored order.

#include <QTest>
#include <random>

#include "edit/edit_commands.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"

using namespace qm;
using namespace qm::test;

namespace {

struct Item {
    std::string name; // trimmed, as the outline lists it
    std::vector<Item> kids;
};
using Path = std::vector<std::size_t>; // child indexes from the top item

// What the store's outline dump gives for a subtree.
std::string list(const Item& item, std::size_t level = 0) {
    std::string text = std::string(2 * level, ' ') + item.name + '\n';
    for (const Item& k : item.kids)
        text += list(k, level + 1);
    return text;
}

std::size_t height(const Item& item) {
    std::size_t h = 0;
    for (const Item& k : item.kids)
        h = std::max(h, height(k) + 1);
    return h;
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

    std::mt19937 m_rng{20240611};

    std::size_t roll(std::size_t n) { return m_rng() % n; }
    static int count(const Item& item) { return int(std::ranges::count(list(item), '\n')); }
    std::string someName() {
        std::string name(roll(3), ' ');
        name += char((roll(10) == 0 ? 'a' : 'A') + roll(5)); // 'a': as if pasted from elsewhere
        if (roll(3) == 0)
            name += char('A' + roll(5));
        return name + std::string(roll(3), ' ');
    }

    using Op = EditEntry;
    static constexpr Op kOps[] = {EditAdd,  EditRename, EditDelete, EditCut,
                                  EditCopy, EditPaste,  EditUndo};

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
        int undoAction = 0, step = 0;
        std::vector<Item> buffer;             // empty, or the copied subtree
        CellList* cell = w.browser().list(5); // every command works in cell 5
        const auto record = [&](int action) { // before the model changes
            undone = root;
            undoAction = action;
        };
        for (; step < 2000; ++step) {
            std::vector<Path> all;
            collect(root, all);
            const Path any = all[roll(all.size())];
            Path below = all.size() > 1 ? all[1 + roll(all.size() - 1)] : Path();
            Op op = kOps[(all.size() > 300 ? shrink : grow)(m_rng)];
            if (below.empty() && op != EditPaste && op != EditUndo)
                op = EditAdd;
            // Small subtrees only, so repeated pastes cannot blow the tree up.
            while ((op == EditCut || op == EditCopy) && count(at(root, below)) > 40)
                below.push_back(0);
            // Add, Paste and Undo work in `any`; the others on `below`, selected among its
            // siblings.
            const bool inside = op == EditAdd || op == EditPaste || op == EditUndo;
            w.browser().Cell_Clear(5);
            w.browser().Cell_Show(
                5, slotAt(w.nodes(), inside ? any : Path(below.begin(), below.end() - 1)));
            w.browser().focusCell(5);
            if (!inside)
                cell->selectRow(cell->entries()->rowOfSlot(slotAt(w.nodes(), below)));
            if (op == EditAdd || op == EditRename || op == EditPaste) {
                std::string name = buffer.empty() ? std::string() : buffer[0].name;
                if (op != EditPaste) {
                    const std::string typed =
                        roll(10) == 0 ? (op == EditAdd ? "   " : "") : someName();
                    f.prompter.answerName(QString::fromStdString(typed));
                    name = trimmedName(makeName(typed));
                } else if (!name.empty() && any.size() + 1 + height(buffer[0]) > 30) {
                    name.clear(); // refused with an alert
                    f.prompter.answer(PromptAnswer::Ok);
                }
                // A clash under `any` asks for another name, or is cancelled.
                const auto clash = [&](const Item& k) { return k.name == name; };
                if (op != EditRename && std::ranges::any_of(at(root, any).kids, clash)) {
                    name = roll(2) == 0 ? "U" + std::to_string(step) : std::string();
                    f.prompter.answer(name.empty() ? PromptAnswer::Cancel : PromptAnswer::Ok);
                    if (!name.empty())
                        f.prompter.answerName(QString::fromStdString(name));
                }
                if (!name.empty())
                    record(op == EditRename ? 0 : op);
                if (!name.empty() && op == EditRename)
                    at(root, below).name = name;
                else if (!name.empty()) // later pastes take the new name too
                    at(root, any).kids.push_back(
                        op == EditAdd ? Item{name, {}} : (buffer[0].name = name, buffer[0]));
            } else if (op == EditDelete || op == EditCut || op == EditCopy) {
                const bool confirm = op != EditDelete || roll(6) != 0;
                if (op == EditDelete)
                    f.prompter.answer(confirm ? PromptAnswer::Ok : PromptAnswer::Cancel);
                if (op != EditDelete)
                    buffer = {at(root, below)};
                if (confirm)
                    record(op == EditCopy ? 0 : op);
                auto& siblings = at(root, below, 1).kids;
                if (confirm && op != EditCopy)
                    siblings.erase(siblings.begin() + std::ptrdiff_t(below.back()));
            } else {
                if (undoAction)
                    root = undone;
                record(0);
            }

            w.menu().dispatch(MenuArray::Edit,
                              op); // the model was updated above; now the real edit
            QM_VERIFY_TREE(w.nodes());
            QCOMPARE(QString::fromStdString(dumpOutline(w.nodes())),
                     QString::fromStdString(list(root)));
            QVERIFY2(f.prompter.allAnswered(), qPrintable(QString::number(step)));
            QCOMPARE(int(edit.UndoAction()), undoAction);
            QCOMPARE(edit.BufCount(), buffer.empty() ? 0 : count(buffer[0]));
            QCOMPARE(w.nodes().itemCount(), count(root) - 1);
            f.prompter.prompts.clear();
        }
    }
};

QTEST_MAIN(TestEditRandom)
#include "test_edit_random.moc"
