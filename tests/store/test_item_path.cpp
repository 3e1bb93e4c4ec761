#include <QTest>

#include "store/item_path.h"
#include "store/tree_edit.h"
#include "support/tree_checker.h"

using namespace qm;

namespace {

// Slots: 1 WORLD, 2 EUROPE, 3 FRANCE, 4 PARIS, 5 LYON, 6 ASIA.
const char* kWorld = "WORLD\n  EUROPE\n    FRANCE\n      PARIS\n      LYON\n  ASIA\n";

} // namespace

class TestItemPath : public QObject {
    Q_OBJECT

private slots:
    // Every name trimmed; no path at all for what is not an item, never the signature's name.
    void paths_ofParisAndTop() {
        NodeTable t = test::treeFromOutline(kWorld);
        t[2].Name = makeName("  EUROPE");
        t[4].Name = makeName(" PARIS ");
        QCOMPARE(Item_Path(t, 4), std::string("WORLD/EUROPE/FRANCE/PARIS"));
        QCOMPARE(printedPath(t, 4), std::string("WORLD\\EUROPE\\FRANCE\\PARIS"));
        QCOMPARE(bookmarkPath(t, 4), std::string("\\EUROPE\\FRANCE\\PARIS"));
        QCOMPARE(Item_Path(t, 1), std::string("WORLD"));
        QCOMPARE(bookmarkPath(t, 1), std::string());
        QCOMPARE(bookmarkPath(t, 6), std::string("\\ASIA"));
        QCOMPARE(Item_Path(t, 0), std::string());
        QCOMPARE(Item_Path(t, 99), std::string());
    }

    void shortPath_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("shortened");
        QTest::newRow("57 shown whole") << 57 << false;
        QTest::newRow("58 shortened") << 58 << true;
    }
    void shortPath() {
        QFETCH(int, length);
        QFETCH(bool, shortened);
        std::string full;
        for (int i = 0; i < length; ++i)
            full += static_cast<char>('A' + i % 26);
        const std::string shown = qm::shortPath(full);
        QCOMPARE(shown, shortened ? "..." + full.substr(full.size() - 55) : full);
        QCOMPARE(shown.size(), std::min<std::size_t>(full.size(), 58));
    }

    void resolveItemPath_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("item");
        QTest::newRow("top") << "WORLD" << 1;
        QTest::newRow("deep") << "WORLD/EUROPE/FRANCE/LYON" << 5;
        QTest::newRow("missing") << "WORLD/EUROPE/SPAIN" << 0;
        QTest::newRow("other top") << "EARTH/EUROPE" << 0;
        QTest::newRow("name cut short") << "WORLD/EURO" << 0;
        QTest::newRow("trailing separator") << "WORLD/ASIA/" << 0;
        QTest::newRow("top name longer") << "WORLDS" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void resolveItemPath() {
        QFETCH(QString, path);
        QFETCH(int, item);
        const NodeTable t = test::treeFromOutline(kWorld);
        QCOMPARE(qm::resolveItemPath(t, path.toStdString()), item);
    }

    // A name may hold the separator: every split is tried, first child first.
    void resolve_separatorInsideNames() {
        // Slots: 1 T, 2 A, 3 B/C (a name), 4 A/B (a name), 5 C, 6 X\Y (a name), 7 X, 8 Y.
        const NodeTable t =
            test::treeFromOutline("T\n  A\n    B/C\n  A/B\n    C\n  X\\Y\n  X\n    Y\n");
        QCOMPARE(qm::resolveItemPath(t, "T/A/B/C"), 3);
        QCOMPARE(qm::resolveItemPath(t, "T/A/B"), 4);
        QCOMPARE(resolveBookmarkPath(t, "\\X\\Y").item, 6);
        const PathMatch below = resolveBookmarkPath(t, "\\X\\Y\\Z");
        QCOMPARE(below.complete, false);
        QCOMPARE(below.item, 6);
    }

    void resolveBookmark_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("item");
        QTest::addColumn<bool>("complete");
        QTest::newRow("whole") << "\\EUROPE\\FRANCE\\PARIS" << 4 << true;
        QTest::newRow("child of the top") << "\\ASIA" << 6 << true;
        QTest::newRow("last name gone") << "\\EUROPE\\FRANCE\\NICE" << 3 << false;
        QTest::newRow("middle name gone") << "\\EUROPE\\SPAIN\\PARIS" << 2 << false;
        QTest::newRow("nothing matches") << "\\MARS" << 1 << false;
        QTest::newRow("case counts") << "\\europe" << 1 << false;
        QTest::newRow("no leading separator") << "EUROPE" << 1 << false;
        QTest::newRow("empty") << "" << 1 << false;
        QTest::newRow("below a leaf") << "\\ASIA\\TOKYO" << 6 << false;
    }
    // An unmatched name never falls through to some other child.
    void resolveBookmark() {
        QFETCH(QString, path);
        QFETCH(int, item);
        QFETCH(bool, complete);
        const NodeTable t = test::treeFromOutline(kWorld);
        const PathMatch m = resolveBookmarkPath(t, path.toStdString());
        QCOMPARE(m.item, item);
        QCOMPARE(m.complete, complete);
    }

    void resolve_withoutTree_findsNothing() {
        NodeTable t;
        t.resetEmpty();
        QCOMPARE(resolveBookmarkPath(t, "\\A").item, 0);
        QCOMPARE(qm::resolveItemPath(t, "A"), 0);
    }

    // Far deeper than a call stack would take one frame per level.
    void resolve_deepChain() {
        NodeTable t;
        t.resetNew(makeName("T"));
        constexpr int kDepth = 200000;
        std::int32_t deepest = 1; // a chain of items named N below the top item
        for (int i = 0; i < kDepth; ++i) {
            const std::int32_t c = t.Node_Alloc();
            t[c].Name = makeName("N");
            t[c].Parent = deepest;
            t[deepest].FirstChild = c;
            deepest = c;
        }
        const std::string path = Item_Path(t, deepest);
        QCOMPARE(path.size(), std::size_t(1 + 2 * kDepth));
        QCOMPARE(qm::resolveItemPath(t, path), deepest);
        QCOMPARE(resolveBookmarkPath(t, bookmarkPath(t, deepest)).item, deepest);
    }
};

QTEST_APPLESS_MAIN(TestItemPath)
#include "test_item_path.moc"
