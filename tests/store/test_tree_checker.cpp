#include <QTest>
#include <functional>

#include "support/tree_checker.h"

using namespace qm;

using Damage = std::function<void(NodeTable&)>;
Q_DECLARE_METATYPE(Damage)

// The shared helpers guard every editing test, so they must build trees faithfully and
// see each kind of fault.
class TestTreeChecker : public QObject {
    Q_OBJECT

private slots:
    void outlineTree_soundAndDumpsBack() {
        const std::string text = "Top\n  Café €\n    A1\n    A2\n  B\n";
        const NodeTable t = test::treeFromOutline(text);
        QM_VERIFY_TREE(t);
        QCOMPARE(test::childNames(t, 1), (QStringList{"Café €", "B"}));
        QCOMPARE(test::childNames(t, 2), (QStringList{"A1", "A2"}));
        QCOMPARE(dumpOutline(t), text);
        QVERIFY(!parseOutline("Top\n  A\n      skipped level\n").ok);
        QVERIFY(!parseOutline("Top\n  Ā is not storable\n").ok);
    }

    void damagedTree_reported_data() {
        QTest::addColumn<Damage>("damage");
        QTest::addColumn<QString>("problem");
        // Slots: 1 Top, 2 A, 3 A1, 4 B, 5 C.
        QTest::newRow("next without matching previous")
            << Damage([](NodeTable& t) { t[5].PrevSibling = 2; }) << "slot 5 has PrevSibling 2";
        QTest::newRow("first child with a previous sibling")
            << Damage([](NodeTable& t) { t[2].PrevSibling = 4; }) << "slot 2 has PrevSibling 4";
        QTest::newRow("wrong parent")
            << Damage([](NodeTable& t) { t[3].Parent = 1; }) << "slot 3 has Parent 1";
        QTest::newRow("wrong level")
            << Damage([](NodeTable& t) { t[3].Level = 1; }) << "slot 3 has Level 1";
        QTest::newRow("freed but still linked")
            << Damage([](NodeTable& t) { t.freeSlot(3); }) << "slot 3 is in the tree but free";
        QTest::newRow("unlinked but not freed")
            << Damage([](NodeTable& t) { t[4].NextSibling = 0; })
            << "slot 5 is in use but not in the tree";
        QTest::newRow("free slot not counted")
            << Damage([](NodeTable& t) { t[5].InUse = 0; }) << "FreeCount is 0 but 1";
        QTest::newRow("chain loops")
            << Damage([](NodeTable& t) { t[5].NextSibling = 2; }) << "slot 2 is reached twice";
        QTest::newRow("link beyond NodeCount")
            << Damage([](NodeTable& t) { t[3].FirstChild = 6; }) << "beyond NodeCount";
        QTest::newRow("no signature")
            << Damage([](NodeTable& t) { t[0].Name[0] = 'q'; }) << "signature";
    }
    void damagedTree_reported() {
        QFETCH(Damage, damage);
        QFETCH(QString, problem);
        NodeTable t = test::treeFromOutline("Top\n  A\n    A1\n  B\n  C\n");
        damage(t);
        const QStringList problems = test::treeProblems(t);
        QVERIFY2(problems.join('\n').contains(problem), qPrintable(problems.join('\n')));
    }
};

QTEST_APPLESS_MAIN(TestTreeChecker)
#include "test_tree_checker.moc"
