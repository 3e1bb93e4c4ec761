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
    const std::int32_t count = table.NodeCount();
    if (count < 0 || count + 2 > table.capacity()) {
        problems << QStringLiteral("NodeCount %1 does not fit below the upper bound %2")
                        .arg(count)
                        .arg(table.capacity() - 1);
        return problems;
    }
    std::int32_t free = 0;
    for (std::int32_t k = 1; k <= count; ++k)
        free += table[k].inUse() ? 0 : 1;
    if (free != table.FreeCount())
        problems << QStringLiteral("FreeCount is %1 but %2 slots are free")
                        .arg(table.FreeCount())
                        .arg(free);
    if (!table.hasTree()) {
        if (count != 0)
            problems << QStringLiteral("slot 1 is free but NodeCount is %1").arg(count);
        return problems;
    }
    if (!(table[0] == nodeHeader()))
        problems << QStringLiteral("slot 0 does not hold the signature");
    const Node& top = table[1];
    if (top.Parent >= 1 || top.hasPrev() || top.hasNext() || top.Level != 0)
        problems << QStringLiteral("the top item has a parent, a sibling or a Level");

    std::vector<char> reached(static_cast<std::size_t>(count) + 1, 0);
    reached[1] = 1;
    std::vector<std::int32_t> stack{1};
    while (!stack.empty()) {
        const std::int32_t parent = stack.back();
        stack.pop_back();
        std::int32_t prev = 0;
        for (std::int32_t c = table[parent].FirstChild; c >= 1; c = table[c].NextSibling) {
            const QString at = QStringLiteral("slot %1").arg(c);
            if (c > count) {
                problems << QStringLiteral("the chain of slot %1 links to %2, beyond NodeCount")
                                .arg(parent)
                                .arg(at);
                break;
            }
            if (reached[c]) {
                problems << at + QStringLiteral(" is reached twice");
                break;
            }
            reached[c] = 1;
            const Node& n = table[c];
            if (!n.inUse())
                problems << at + QStringLiteral(" is in the tree but free");
            if (n.Parent != parent)
                problems << at + QStringLiteral(" has Parent %1 but is a child of slot %2")
                                     .arg(n.Parent)
                                     .arg(parent);
            if ((n.hasPrev() ? n.PrevSibling : 0) != prev)
                problems << at + QStringLiteral(" has PrevSibling %1 but follows %2")
                                     .arg(n.PrevSibling)
                                     .arg(prev);
            if (n.Level != table[parent].Level + 1)
                problems << at + QStringLiteral(" has Level %1 under a parent of Level %2")
                                     .arg(n.Level)
                                     .arg(table[parent].Level);
            stack.push_back(c);
            prev = c;
        }
    }
    // An item nobody links to is lost: it is counted but can never be shown or freed.
    for (std::int32_t k = 2; k <= count; ++k)
        if (table[k].inUse() && !reached[k])
            problems << QStringLiteral("slot %1 is in use but not in the tree").arg(k);
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
