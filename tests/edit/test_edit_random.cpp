// A few thousand seeded random edits, applied to the real window and to a plain nested
// model side by side; after every step both must list the same tree in stored order.

#include <QTest>
#include <algorithm>
#include <array>
#include <map>
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
    NameField name;
    Item* parent = nullptr;
    std::vector<std::unique_ptr<Item>> kids;
};

std::unique_ptr<Item> clone(const Item& from) {
    auto item = std::make_unique<Item>(Item{from.name, nullptr, {}});
    for (const auto& k : from.kids)
        item->kids.emplace_back(clone(*k))->parent = item.get();
    return item;
}

void collect(Item* item, std::vector<Item*>& out) {
    out.push_back(item);
    for (const auto& k : item->kids)
        collect(k.get(), out);
}

void mapSlots(const Item* item, const NodeTable& t, std::int32_t slot,
              std::map<const Item*, std::int32_t>& out) {
    out[item] = slot;
    std::int32_t c = t[slot].FirstChild;
    for (const auto& k : item->kids) {
        mapSlots(k.get(), t, c, out);
        c = t[c].NextSibling;
    }
}

int size(Item& item) {
    std::vector<Item*> all;
    collect(&item, all);
    return static_cast<int>(all.size());
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
    return std::make_unique<Item>(Item{makeName(name), nullptr, {}});
}

bool hasKidNamed(const Item& parent, const NameField& name) {
    return std::any_of(parent.kids.begin(), parent.kids.end(),
                       [&](const auto& k) { return trimmedName(k->name) == trimmedName(name); });
}

std::string line(int level, const NameField& name) {
    return std::string(2 * static_cast<std::size_t>(level), ' ') +
           std::string(name.data(), kNameLength) + '\n';
}

void list(const Item& item, int level, std::string& out) {
    out += line(level, item.name);
    for (const auto& k : item.kids)
        list(*k, level + 1, out);
}

void list(const NodeTable& t, std::int32_t slot, std::string& out) {
    out += line(t[slot].Level, t[slot].Name);
    for (std::int32_t c = t[slot].FirstChild; c >= 1; c = t[c].NextSibling)
        list(t, c, out);
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
    // Keep the tree a few hundred items big: shrink more often once it grows.
    static constexpr std::array<int, OpCount> kGrow{10, 2, 3, 2, 2, 4, 3};
    static constexpr std::array<int, OpCount> kShrink{2, 2, 8, 4, 2, 1, 2};
    Op pick(const std::array<int, OpCount>& weights) {
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

        Item root{makeName("TOP"), nullptr, {}};
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
        std::map<const Item*, std::int32_t> slotOf;
        const auto show = [&](const Item* parent) {
            browser.Cell_Clear(kCel);
            browser.Cell_Show(kCel, slotOf[parent]);
            browser.focusCell(kCel);
        };
        const auto select = [&](const Item* item) {
            show(item->parent);
            CellList* l = browser.list(kCel);
            l->selectRow(l->entries()->rowOfSlot(slotOf[item]));
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
            slotOf.clear();
            mapSlots(&root, nodes, 1, slotOf);
            Item* any = all[static_cast<std::size_t>(roll(static_cast<int>(all.size())))];
            Item* below =
                all.size() > 1
                    ? all[1 + static_cast<std::size_t>(roll(static_cast<int>(all.size()) - 1))]
                    : nullptr;
            Op op = pick(all.size() > 300 ? kShrink : kGrow);
            if (!below && op != Paste && op != Undo)
                op = Add;
            if (op == Add) {
                const std::string typed = roll(20) == 0 ? "   " : someName();
                prompter.answerName(QString::fromStdString(typed));
                std::string stored(trimmedName(makeName(typed)));
                if (!stored.empty() && hasKidNamed(*any, makeName(stored))) {
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
                    below->name = makeName(typed);
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
                select(below);
                edit.dispatch(op == Cut ? 6 : 7);
                buffer = clone(*below);
                if (op == Cut)
                    detach(6, below);
                else
                    record(0, nullptr);
            } else if (op == Paste) {
                show(any);
                bool pasted = buffer != nullptr;
                if (buffer && depth(any) + 1 + height(*buffer) > 30) {
                    pasted = false; // refused with an alert
                } else if (buffer && hasKidNamed(*any, buffer->name)) {
                    pasted = roll(2) == 0; // rename, or give up
                    prompter.answer(pasted ? PromptAnswer::Ok : PromptAnswer::Cancel);
                    if (pasted) {
                        buffer->name = makeName(uniqueName());
                        prompter.answerName(
                            QString::fromStdString(std::string(trimmedName(buffer->name))));
                    }
                }
                edit.dispatch(8);
                if (pasted) {
                    record(8, addKid(*any, clone(*buffer)));
                    undo.added->name = makeName(trimmedName(buffer->name));
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
                QStringLiteral("step %1 (%2), seed %3").arg(step).arg(kOpNames[op]).arg(kSeed);
            std::string expected, actual;
            list(root, 0, expected);
            list(nodes, 1, actual);
            QVERIFY2(actual == expected,
                     qPrintable(where + "\nexpected:\n" + QString::fromStdString(expected) +
                                "actual:\n" + QString::fromStdString(actual)));
            QVERIFY2(treeProblems(nodes).isEmpty(),
                     qPrintable(where + ": " + treeProblems(nodes).join("; ")));
            QVERIFY2(prompter.unexpected == 0 && prompter.allAnswered() &&
                         edit.UndoAction() == undo.action && nodes.itemCount() == size(root) - 1 &&
                         edit.BufCount() == (buffer ? size(*buffer) : 0),
                     qPrintable(where + ": prompts, undo record, item count or buffer"));
            prompter.prompts.clear();
        }
    }
};

QTEST_MAIN(TestEditRandom)
#include "test_edit_random.moc"
