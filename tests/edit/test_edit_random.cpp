// A few thousand seeded random edits, applied to the real window and to a plain nested
// model side by side; after every step both must list the same tree in stored order.

#include <QTest>
#include <algorithm>
#include <array>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "edit/edit_commands.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "support/window_driver.h"

using namespace qm;
using namespace qm::test;

namespace {

constexpr std::uint32_t kSeed = 20240611;
constexpr int kSteps = 3000;
constexpr int kCel = 5; // every command works in this cell

struct Item {
    std::string name; // the 20 stored bytes
    Item* parent = nullptr;
    std::vector<std::unique_ptr<Item>> kids;
};

std::string padded(const std::string& name) {
    return (name + std::string(kNameLength, ' ')).substr(0, kNameLength);
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    return first == std::string::npos ? std::string()
                                      : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

std::unique_ptr<Item> clone(const Item& from, Item* parent) {
    auto item = std::make_unique<Item>(Item{from.name, parent, {}});
    for (const auto& k : from.kids)
        item->kids.push_back(clone(*k, item.get()));
    return item;
}

int size(const Item& item) {
    int n = 1;
    for (const auto& k : item.kids)
        n += size(*k);
    return n;
}

int height(const Item& item) {
    int h = 0;
    for (const auto& k : item.kids)
        h = std::max(h, 1 + height(*k));
    return h;
}

int depth(const Item* item) {
    return item->parent ? 1 + depth(item->parent) : 0;
}

std::size_t indexOf(const Item* item) {
    const auto& kids = item->parent->kids;
    return static_cast<std::size_t>(
        std::find_if(kids.begin(), kids.end(), [&](const auto& k) { return k.get() == item; }) -
        kids.begin());
}

Item* addKid(Item& parent, std::unique_ptr<Item> kid) {
    kid->parent = &parent;
    return parent.kids.emplace_back(std::move(kid)).get();
}

std::unique_ptr<Item> leaf(const std::string& name) {
    return std::make_unique<Item>(Item{padded(name), nullptr, {}});
}

void collect(Item* item, std::vector<Item*>& out) {
    out.push_back(item);
    for (const auto& k : item->kids)
        collect(k.get(), out);
}

void list(const Item& item, int level, std::string& out) {
    out += std::string(2 * static_cast<std::size_t>(level), ' ') + item.name + '\n';
    for (const auto& k : item.kids)
        list(*k, level + 1, out);
}

void list(const NodeTable& t, std::int32_t slot, std::string& out) {
    out += std::string(2 * static_cast<std::size_t>(t[slot].Level), ' ') +
           std::string(t[slot].Name.data(), kNameLength) + '\n';
    for (std::int32_t c = t[slot].FirstChild; c >= 1; c = t[c].NextSibling)
        list(t, c, out);
}

bool hasKidNamed(const Item& parent, const std::string& name) {
    for (const auto& k : parent.kids)
        if (trimmed(k->name) == trimmed(name))
            return true;
    return false;
}

} // namespace

class TestEditRandom : public QObject {
    Q_OBJECT

    std::mt19937 m_rng{kSeed};
    int m_unique = 0;

    int roll(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }
    std::string spaces() { return std::string(static_cast<std::size_t>(roll(3)), ' '); }
    std::string someName() {
        std::string base(1, static_cast<char>('A' + roll(5)));
        if (roll(3) == 0)
            base += static_cast<char>('A' + roll(5));
        if (roll(10) == 0)
            base[0] = static_cast<char>(base[0] - 'A' + 'a'); // pasted into the dialog
        return spaces() + base + spaces();
    }
    std::string uniqueName() { return "U" + std::to_string(++m_unique); }

    enum Op { Add, Rename, Delete, Cut, Copy, Paste, Undo, OpCount };
    static constexpr const char* kOpNames[OpCount] = {"add",  "rename", "delete", "cut",
                                                      "copy", "paste",  "undo"};
    using Weights = std::array<int, OpCount>;
    static constexpr Weights kGrow{10, 2, 3, 2, 2, 4, 3};
    static constexpr Weights kShrink{2, 2, 8, 4, 2, 1, 2};
    Op pick(const Weights& weights) {
        int r = roll(std::accumulate(weights.begin(), weights.end(), 0));
        int op = 0;
        while (r >= weights[static_cast<std::size_t>(op)])
            r -= weights[static_cast<std::size_t>(op++)];
        return static_cast<Op>(op);
    }

private slots:
    void randomEdits_matchModel() {
        ProgramFixture f;
        f.writeIni("[AutoSave]\nValue=-1\n");
        MainWindow& w = f.start({writeTreeFile(f.dir, "tree.qmd", "TOP\n  A\n    B\n  C\n")});
        ScriptedPrompter& prompter = f.prompter;
        EditCommands& edit = f.program->edit();
        NodeTable& nodes = w.nodes();
        ColumnBrowser& browser = w.browser();

        Item root{padded("TOP"), nullptr, {}};
        addKid(*addKid(root, leaf("A")), leaf("B"));
        addKid(root, leaf("C"));
        std::unique_ptr<Item> buffer;
        struct {
            int action = 0;
            Item* added = nullptr;      // add, paste
            std::unique_ptr<Item> held; // delete, cut: the subtree and where it was
            Item* parent = nullptr;
            std::size_t index = 0;
        } undo;
        const auto record = [&](int action, Item* added) {
            undo = {};
            undo.action = action;
            undo.added = added;
        };

        // The slot of a model item: the same child positions in stored order.
        const auto slotOf = [&](const auto& self, const Item* item) -> std::int32_t {
            if (!item->parent)
                return 1;
            std::int32_t s = nodes[self(self, item->parent)].FirstChild;
            for (std::size_t i = indexOf(item); i > 0; --i)
                s = nodes[s].NextSibling;
            return s;
        };
        const auto show = [&](const Item* parent) {
            browser.Cell_Clear(kCel);
            browser.Cell_Show(kCel, slotOf(slotOf, parent));
            browser.focusCell(kCel);
        };
        const auto select = [&](const Item* item) {
            show(item->parent);
            CellList* l = browser.list(kCel);
            l->selectRow(l->entries()->rowOfSlot(slotOf(slotOf, item)));
        };
        const auto detach = [&](int action, Item* item) {
            record(action, nullptr);
            undo.parent = item->parent;
            undo.index = indexOf(item);
            undo.held = std::move(item->parent->kids[undo.index]);
            undo.parent->kids.erase(undo.parent->kids.begin() +
                                    static_cast<std::ptrdiff_t>(undo.index));
        };

        for (int step = 0; step < kSteps; ++step) {
            std::vector<Item*> all;
            collect(&root, all);
            Item* any = all[static_cast<std::size_t>(roll(static_cast<int>(all.size())))];
            Item* below =
                all.size() > 1
                    ? all[1 + static_cast<std::size_t>(roll(static_cast<int>(all.size()) - 1))]
                    : nullptr;
            // Keep the tree a few hundred items big: shrink more often once it grows.
            Op op = pick(all.size() > 300 ? kShrink : kGrow);
            if (!below && op != Paste && op != Undo)
                op = Add;
            const char* name = kOpNames[op];
            if (op == Add) {
                const std::string typed = roll(20) == 0 ? "   " : someName();
                prompter.answerName(QString::fromStdString(typed));
                std::string stored = trimmed(typed);
                if (!stored.empty() && hasKidNamed(*any, stored)) {
                    const bool retry = roll(2) == 0;
                    prompter.answer(retry ? PromptAnswer::Ok : PromptAnswer::Cancel);
                    stored = retry ? uniqueName() : std::string();
                    if (retry)
                        prompter.answerName(QString::fromStdString(stored));
                }
                show(any);
                edit.dispatch(2);
                if (!stored.empty())
                    record(2, addKid(*any, leaf(stored)));
            } else if (op == Rename) {
                const bool cancel = roll(8) == 0;
                const std::string typed = cancel ? std::string() : spaces() + someName();
                prompter.answerName(QString::fromStdString(typed));
                select(below);
                edit.dispatch(4);
                if (!cancel) {
                    below->name = padded(typed);
                    record(0, nullptr);
                }
            } else if (op == Delete) {
                const bool confirm = roll(6) != 0;
                prompter.answer(confirm ? PromptAnswer::Ok : PromptAnswer::Cancel);
                select(below);
                edit.dispatch(3);
                if (confirm)
                    detach(3, below);
            } else if (op == Cut || op == Copy) {
                // Small subtrees only, so repeated pastes cannot blow the tree up.
                while (size(*below) > 40)
                    below = below->kids.front().get();
                const bool cut = op == Cut;
                select(below);
                edit.dispatch(cut ? 6 : 7);
                buffer = clone(*below, nullptr);
                if (cut)
                    detach(6, below);
                else
                    record(0, nullptr);
            } else if (op == Paste) {
                show(any);
                bool pasted = buffer != nullptr;
                if (buffer && depth(any) + 1 + height(*buffer) > 30) {
                    pasted = false; // refused with an alert
                } else if (buffer && hasKidNamed(*any, buffer->name)) {
                    const bool rename = roll(2) == 0;
                    prompter.answer(rename ? PromptAnswer::Ok : PromptAnswer::Cancel);
                    if (rename) {
                        buffer->name = padded(uniqueName());
                        prompter.answerName(QString::fromStdString(trimmed(buffer->name)));
                    }
                    pasted = rename;
                }
                edit.dispatch(8);
                if (pasted) {
                    record(8, addKid(*any, clone(*buffer, nullptr)));
                    undo.added->name = padded(trimmed(buffer->name));
                }
            } else {
                edit.dispatch(0);
                if (undo.action == 2 || undo.action == 8) {
                    undo.added->parent->kids.pop_back();
                } else if (undo.action == 3 || undo.action == 6) {
                    undo.held->parent = undo.parent;
                    auto& kids = undo.parent->kids;
                    kids.insert(kids.begin() + static_cast<std::ptrdiff_t>(undo.index),
                                std::move(undo.held));
                }
                record(0, nullptr);
            }

            const QString where =
                QStringLiteral("step %1 (%2), seed %3").arg(step).arg(name).arg(kSeed);
            std::string expected, actual;
            list(root, 0, expected);
            list(nodes, 1, actual);
            QVERIFY2(actual == expected,
                     qPrintable(where + "\nexpected:\n" + QString::fromStdString(expected) +
                                "actual:\n" + QString::fromStdString(actual)));
            QVERIFY2(treeProblems(nodes).isEmpty(),
                     qPrintable(where + ": " + treeProblems(nodes).join("; ")));
            QVERIFY2(prompter.unexpected == 0 && prompter.allAnswered(),
                     qPrintable(where + ": prompts"));
            QVERIFY2(edit.UndoAction() == undo.action, qPrintable(where + ": undo record"));
            QVERIFY2(nodes.itemCount() == size(root) - 1, qPrintable(where + ": item count"));
            QVERIFY2(edit.BufCount() == (buffer ? size(*buffer) : 0),
                     qPrintable(where + ": buffer"));
            prompter.prompts.clear();
        }
    }
};

QTEST_MAIN(TestEditRandom)
#include "test_edit_random.moc"
