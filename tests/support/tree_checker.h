#pragma once
// Test helpers for the node table: the invariant checker that every test changing a tree
// runs afterwards, and small builders for trees written as outlines.

#include <QStringList>
#include <QTest>

#include "store/content_hash.h"
#include "store/data_file.h"
#include "store/name_codec.h"
#include "store/node_table.h"
#include "store/outline.h"

namespace qm::test {

/// A name as the user reads it: trimmed and decoded.
inline QString nameText(const NameField& name) {
    const std::u32string chars = decodeBytes(trimmedName(name));
    return QString::fromUcs4(chars.data(), static_cast<qsizetype>(chars.size()));
}

/// The hash of the records a save of the table would write: equal for tables a save could
/// not tell apart, free slots included.
inline std::uint64_t tableHash(const NodeTable& t) {
    ContentHash hash;
    char record[kRecordSize];
    for (std::int32_t k = 0; k <= t.NodeCount(); ++k) {
        encodeRecord(t[k], record);
        hash.add(record, sizeof record);
    }
    return hash.value();
}

/// Every broken invariant of the table, one line each; empty for a sound table. Follows
/// links defensively, so a damaged table gives a list, never a crash or a hang.
inline QStringList treeProblems(const NodeTable& table) {
    QStringList problems;
    const auto check = [&problems](bool broken, const char* text, auto... values) {
        if (broken)
            problems << QString::fromLatin1(text).arg(QString::number(values)...);
    };
    const std::int32_t count = table.NodeCount();
    if (count < 0 || count + 2 > table.capacity())
        return {QString("NodeCount %1 is past the upper bound %2")
                    .arg(count)
                    .arg(table.capacity() - 1)};
    // Sized for slot 1 even when NodeCount is 0, so a damaged table cannot overrun it.
    std::vector<char> reached(static_cast<std::size_t>(count) + 2, 0);
    std::vector<std::int32_t> stack(table.hasTree() ? 1 : 0, 1);
    reached[1] = table.hasTree();
    const Node& top = table[1];
    check(!table.hasTree() && count != 0, "slot 1 is free but NodeCount is %1", count);
    check(table.hasTree() && !(table[0] == nodeHeader()), "slot %1 does not hold the signature", 0);
    check(table.hasTree() && (top.Parent >= 1 || top.hasPrev() || top.hasNext() || top.Level),
          "slot %1, the top item, has a parent, a sibling or a Level", 1);
    while (!stack.empty()) {
        const std::int32_t parent = stack.back();
        stack.pop_back();
        std::int32_t prev = 0;
        for (std::int32_t c = table[parent].FirstChild; c >= 1;
             prev = c, c = table[c].NextSibling) {
            check(c > count, "the chain of slot %1 links to slot %2, beyond NodeCount", parent, c);
            check(c <= count && reached[c], "the chain of slot %1 reaches %2 twice", parent, c);
            if (c > count || reached[c])
                break;
            reached[c] = 1;
            stack.push_back(c);
            const Node& n = table[c];
            check(!n.inUse(), "slot %1 is in the tree but free", c);
            check(n.Parent != parent, "slot %1 has Parent %2 under %3", c, n.Parent, parent);
            check((n.hasPrev() ? n.PrevSibling : 0) != prev,
                  "slot %1 has PrevSibling %2 but follows %3", c, n.PrevSibling, prev);
            check(n.Level != table[parent].Level + 1, "slot %1 has Level %2 under Level %3", c,
                  n.Level, table[parent].Level);
        }
    }
    // An item nobody links to is lost: it can never be shown or freed. Only a damaged file
    // brings such items, and the table must know how many it keeps.
    QStringList lost;
    for (std::int32_t k = 1; k <= count; ++k)
        if (table[k].inUse() && !reached[k])
            lost << QString::number(k);
    if (lost.size() != table.outsideCount())
        problems << QString("slots %1 are in use but not in the tree (the table knows of %2)")
                        .arg(lost.join(", "))
                        .arg(table.outsideCount());
    const auto first = table.records().begin() + 1;
    const auto free = std::count_if(first, first + count, [](const Node& n) { return !n.inUse(); });
    check(free != table.FreeCount(), "FreeCount is %1, free slots %2", table.FreeCount(), free);
    return problems;
}

/// Fails the current test with the list of broken invariants.
#define QM_VERIFY_TREE(table)                                                                      \
    do {                                                                                           \
        const QStringList qmTreeProblems = ::qm::test::treeProblems(table);                        \
        QVERIFY2(qmTreeProblems.isEmpty(),                                                         \
                 qPrintable("broken tree:\n  " + qmTreeProblems.join("\n  ")));                    \
    } while (false)

/// A tree from outline text (one name a line, two spaces a level); line i takes slot i.
/// A bad outline fails the current test and gives an empty table.
inline NodeTable treeFromOutline(std::string_view outline) {
    OutlineResult r = parseOutline(outline);
    if (!r.ok)
        QTest::qFail(("bad outline, line " + std::to_string(r.errorLine) + ": " + r.error).c_str(),
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
