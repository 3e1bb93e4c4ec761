#pragma once
// Test helpers for the node table: the invariant checker that every test changing a tree
// runs afterwards, and small builders for trees written as outlines.

#include <QString>
#include <QStringList>
#include <QTest>
#include <string>
#include <string_view>
#include <vector>

#include "store/name_codec.h"
#include "store/node_table.h"
#include "store/outline.h"

namespace qm::test {

/// A name as the user reads it: trimmed and decoded.
inline QString nameText(const NameField& name) {
    const std::u32string chars = decodeBytes(trimmedName(name));
    return QString::fromUcs4(chars.data(), static_cast<qsizetype>(chars.size()));
}

/// Every broken invariant of the table, one line each; empty for a sound table. Follows
/// links defensively, so a damaged table gives a list, never a crash or a hang.
inline QStringList treeProblems(const NodeTable& table) {
    QStringList problems;
    const auto say = [&problems](const char* text, auto... values) {
        QString line = QString::fromLatin1(text);
        ((line = line.arg(values)), ...);
        problems << line;
    };
    const std::int32_t count = table.NodeCount();
    if (count < 0 || count + 2 > table.capacity()) {
        say("NodeCount %1 does not fit below the upper bound %2", count, table.capacity() - 1);
        return problems;
    }
    std::vector<char> reached(static_cast<std::size_t>(count) + 1, 0);
    std::vector<std::int32_t> stack;
    if (!table.hasTree()) {
        if (count != 0)
            say("slot 1 is free but NodeCount is %1", count);
    } else {
        if (!(table[0] == nodeHeader()))
            say("slot 0 does not hold the signature");
        const Node& top = table[1];
        if (top.Parent >= 1 || top.hasPrev() || top.hasNext() || top.Level != 0)
            say("the top item has a parent, a sibling or a Level");
        reached[1] = 1;
        stack.push_back(1);
    }
    while (!stack.empty()) {
        const std::int32_t parent = stack.back();
        stack.pop_back();
        std::int32_t prev = 0;
        for (std::int32_t c = table[parent].FirstChild; c >= 1;
             prev = c, c = table[c].NextSibling) {
            if (c > count || reached[c]) {
                say(c > count ? "the chain of slot %1 links to slot %2, beyond NodeCount"
                              : "the chain of slot %1 reaches slot %2 twice",
                    parent, c);
                break;
            }
            reached[c] = 1;
            stack.push_back(c);
            const Node& n = table[c];
            if (!n.inUse())
                say("slot %1 is in the tree but free", c);
            if (n.Parent != parent)
                say("slot %1 has Parent %2 but is a child of slot %3", c, n.Parent, parent);
            if ((n.hasPrev() ? n.PrevSibling : 0) != prev)
                say("slot %1 has PrevSibling %2 but follows %3", c, n.PrevSibling, prev);
            if (n.Level != table[parent].Level + 1)
                say("slot %1 has Level %2 under a parent of Level %3", c, int(n.Level),
                    int(table[parent].Level));
        }
    }
    // An item nobody links to is lost: it is counted but can never be shown or freed.
    std::int32_t free = 0;
    for (std::int32_t k = 1; k <= count; ++k) {
        if (!table[k].inUse())
            ++free;
        else if (!reached[k])
            say("slot %1 is in use but not in the tree", k);
    }
    if (free != table.FreeCount())
        say("FreeCount is %1 but %2 slots are free", table.FreeCount(), free);
    return problems;
}

/// Fails the current test with the list of broken invariants.
#define QM_VERIFY_TREE(table)                                                                      \
    do {                                                                                           \
        const QStringList qmTreeProblems = ::qm::test::treeProblems(table);                        \
        if (!qmTreeProblems.isEmpty())                                                             \
            QFAIL(qPrintable(QStringLiteral("broken tree:\n  ") +                                  \
                             qmTreeProblems.join(QStringLiteral("\n  "))));                        \
    } while (false)

/// A tree from outline text (one name a line, two spaces a level); line i takes slot i.
/// A bad outline fails the current test and gives an empty table.
inline NodeTable treeFromOutline(std::string_view outline) {
    OutlineResult r = parseOutline(outline);
    if (!r.ok)
        QTest::qFail(qPrintable(QStringLiteral("bad outline, line %1: %2")
                                    .arg(r.errorLine)
                                    .arg(QString::fromStdString(r.error))),
                     __FILE__, __LINE__);
    return std::move(r.table);
}

/// The names of a slot's children in stored order.
inline QStringList childNames(const NodeTable& table, std::int32_t slot) {
    QStringList names;
    for (std::int32_t c = table[slot].FirstChild; c >= 1 && names.size() <= table.NodeCount();
         c = table[c].NextSibling)
        names << nameText(table[c].Name);
    return names;
}

} // namespace qm::test
