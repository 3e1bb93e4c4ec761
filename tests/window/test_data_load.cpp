// Loading and saving hostile files through the real program: what the user is told, what
// the status bar counts, and what is left on disk.

#include <QFileInfo>
#include <QProgressBar>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

#include "store/walk.h"
#include "support/program_fixture.h"
#include "support/record_patch.h"

using namespace qm;
using namespace qm::test;

namespace {

// TOP -> (A -> (A1, A2), B, C) in slots 1 to 6.
const char* kTree = "TOP\n  A\n    A1\n    A2\n  B\n  C\n";
const QString kCrLf = QStringLiteral("\r\n");

} // namespace

class TestDataLoad : public QObject {
    Q_OBJECT

private slots:
    // Damage the load works around is told once, in the user's words; the count is of the
    // items the user can reach; saving keeps the unreachable records as they were.
    void workedAroundDamage_toldOnceAndKeptOnSave_data() {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QStringList>("note");
        QTest::addColumn<QString>("count");
        const QString rescue = "The file on disk is unchanged. \"qmtool repair\" can rescue ";
        QTest::newRow("top item lists no child")
            << "1.FirstChild=-1"
            << QStringList{"is damaged; QuillMar works around it:",
                           "5 items can't be reached from the top item and are not shown; saving "
                           "keeps them as they are.",
                           rescue + "the items not shown into a new file."}
            << "Items: 0";
        QTest::newRow("a level and a lost item")
            << "3.Level=7 2.NextSibling=6 6.PrevSibling=2"
            << QStringList{"is damaged; QuillMar works around it:",
                           "1 item can't be reached from the top item and is not shown; saving "
                           "keeps it as it is.",
                           "1 item was filed at a wrong level and is shown where it belongs.",
                           rescue + "the items not shown into a new file."}
            << "Items: 4";
        QTest::newRow("wrong signature and levels")
            << "0.Name=quillMar 4.Level=9 5.Level=0"
            << QStringList{"is NO Quillmar DataFile !", "is damaged; QuillMar works around it:",
                           "2 items were filed at a wrong level and are shown where they belong.",
                           rescue + "it into a new file."}
            << "Items: 5";
        QTest::newRow("wrong signature only")
            << "0.Name=quillMar" << QStringList{"is NO Quillmar DataFile !"} << "Items: 5";
    }
    void workedAroundDamage_toldOnceAndKeptOnSave() {
        QFETCH(QString, changes);
        ProgramFixture f;
        f.writeIni("[AutoSave]\nBackup= 0\n");
        const QString file = writeTreeFile(f.dir, "damaged.qmd", kTree);
        patchRecords(file, changes);
        const QByteArray before = f.readFile(file);
        f.prompter.answer(PromptAnswer::Ok);
        MainWindow& w = f.start({file});
        QCOMPARE(f.prompter.prompts.size(), 1);
        QFETCH(QStringList, note);
        QCOMPARE(f.prompter.last().text, file + kCrLf + note.join(kCrLf));
        QCOMPARE(f.prompter.last().title, QString("QuillMar Alert"));
        QCOMPARE(f.prompter.last().icon, PromptIcon::Exclamation);
        QTEST(w.status().countText(), "count");
        QCOMPARE(f.readFile(file), before);

        w.nodes()[1].Name = makeName("RENAMED");
        w.DataChanged(1);
        QVERIFY(chooseMenu(w, MenuArray::File, FileSave));
        QVERIFY(w.DataSaved());
        const QByteArray after = f.readFile(file);
        QCOMPARE(after.size(), before.size());
        std::vector<bool> reached(std::size_t(w.nodes().NodeCount()) + 1, false);
        SubtreeWalk walk(w.nodes());
        for (std::int32_t n = walk.Walk_Start(1); n >= 1; n = walk.Walk_Next(n))
            reached[std::size_t(n)] = true;
        for (std::int32_t k = 2; k <= w.nodes().NodeCount(); ++k)
            if (!reached[std::size_t(k)])
                QCOMPARE(after.mid(k * kRecordSize, kRecordSize),
                         before.mid(k * kRecordSize, kRecordSize));
        QCOMPARE(f.prompter.prompts.size(), 1);
    }

    // A file the load refuses: one alert in the user's words, naming the repair when it can
    // help; the open tree stays as it was.
    void refusedFile_oneAlertInUsersWords_data() {
        QTest::addColumn<QString>("changes");
        QTest::addColumn<QString>("said");
        const QString repair = kCrLf + "\"qmtool repair\" can rescue its items into a new file.";
        const QString damaged = "can't be loaded: it is damaged ";
        QTest::newRow("listed under two parents")
            << "5.Parent=2" << damaged + "(an item is listed under two parents)." + repair;
        QTest::newRow("loop") << "6.NextSibling=2"
                              << damaged + "(an item is listed twice)." + repair;
        QTest::newRow("top item missing") << "1.InUse=0" << damaged + "(its top item is missing).";
        QTest::newRow("not ours") << "0.Name=xyz 1.Parent=4"
                                  << QString("can't be loaded: it is not a QuillMar data file.");
        QTest::newRow("too large for the memory")
            << "huge" << QString("can't be loaded: there is not enough memory for it.");
    }
    void refusedFile_oneAlertInUsersWords() {
        QFETCH(QString, changes);
        ProgramFixture f;
        const QString good = writeTreeFile(f.dir, "good.qmd", kTree);
        const QString bad = writeTreeFile(f.dir, "bad.qmd", kTree);
        if (changes == "huge") {
            const double memory = double(::sysconf(_SC_PHYS_PAGES)) * ::sysconf(_SC_PAGESIZE);
            if (memory >= 80.0 * (1 << 30))
                QSKIP("this computer could hold a table for a 64 GiB file");
            QVERIFY(::truncate(qPrintable(bad), qint64(64) << 30) == 0); // sparse
        } else {
            patchRecords(bad, changes);
        }
        MainWindow& w = f.start({good});
        if (changes == "huge") {
            // The Open command reads a file changed within the clock's last tick whole, to
            // know it again later; the test cannot wait that tick out.
            f.prompter.answer(PromptAnswer::Ok);
            QVERIFY(!w.DataLoad(bad));
        } else {
            f.prompter.answerOpen(bad);
            f.prompter.answer(PromptAnswer::Ok);
            QVERIFY(chooseMenu(w, MenuArray::File, FileOpen));
        }
        QCOMPARE(f.prompter.prompts.size(), changes == "huge" ? 1 : 2); // the dialog, one alert
        QFETCH(QString, said);
        QCOMPARE(f.prompter.last().text, bad + kCrLf + said);
        QCOMPARE(w.CurFile(), good);
        QCOMPARE(w.windowTitle(), "QuillMar  [" + good + "]");
        QCOMPARE(w.status().countText(), QString("Items: 5"));
    }

    // A data file the user may not write is not replaced: the save fails with the reason,
    // the tree stays unsaved, and Save As still works.
    void readOnlyDataFile_saveFailsSaveAsWorks() {
        ProgramFixture f;
        const QString file = writeTreeFile(f.dir, "locked.qmd", kTree);
        const QByteArray before = f.readFile(file);
        QVERIFY(::chmod(qPrintable(file), 0444) == 0);
        MainWindow& w = f.start({file});
        w.nodes()[1].Name = makeName("CHANGED");
        w.DataChanged(1);
        f.prompter.answer(PromptAnswer::Ok);
        QVERIFY(chooseMenu(w, MenuArray::File, FileSave));
        QCOMPARE(f.prompter.last().text, file + "\r\ncould not be saved: it is read-only.");
        QVERIFY(!w.DataSaved());
        QCOMPARE(f.readFile(file), before);
        const QString copy = f.path("copy.qmd");
        f.prompter.answerSave(copy);
        QVERIFY(chooseMenu(w, MenuArray::File, FileSaveAs));
        QVERIFY(w.DataSaved());
        QCOMPARE(w.CurFile(), copy);
        QCOMPARE(f.readFile(copy).mid(kRecordSize + 18, 7), QByteArray("CHANGED"));
    }

    // The check that follows the read moves the bar on, as the read does, in one run.
    void longLoad_barMovesWhileChecking() {
        ProgramFixture f;
        QString outline = "TOP\n";
        for (int k = 0; k < 150000; ++k)
            outline += "  I" + QString::number(k) + "\n";
        const QString file = writeTreeFile(f.dir, "wide.qmd", outline.toUtf8().constData());
        MainWindow& w = f.start();
        QList<int> values;
        QProgressBar* bar = w.status().progress();
        connect(bar, &QProgressBar::valueChanged, this, [&](int v) { values << v; });
        f.prompter.answerOpen(file);
        QVERIFY(chooseMenu(w, MenuArray::File, FileOpen));
        const int half = bar->maximum() / 2;
        QCOMPARE(std::count_if(values.begin(), values.end(),
                               [&](int v) { return v > half && v < bar->maximum(); }),
                 2);
        QVERIFY(std::is_sorted(values.begin(), values.end())); // one run, never started over
        QCOMPARE(values.last(), bar->maximum());
        QCOMPARE(w.status().countText(), QString("Items: 150000"));
    }
};

QTEST_MAIN(TestDataLoad)
#include "test_data_load.moc"
