// The recovery journal through the real window: what a crash leaves is offered when its tree
// is opened again, clean endings remove it, and a process killed at random moments never
// loses a change that is a second old.

#include <QCheckBox>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QGuiApplication>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <random>

#include "edit/edit_commands.h"
#include "settings/file_commands.h"
#include "settings/options_dialog.h"
#include "support/modal_driver.h"
#include "support/program_fixture.h"
#include "support/tree_checker.h"
#include "window/names.h"

using namespace qm;
using namespace qm::test;

namespace {

constexpr std::int64_t kT0 = 1'718'000'000'000;
const char* kTree = "TOP\n  A\n    A1\n  B\n";
const QString kCrLf = QStringLiteral("\r\n");

QString when(std::int64_t ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).toString("yyyy-MM-dd hh:mm:ss");
}

// A program on the tree file, with the clock in the test's hand.
struct Session : ProgramFixture {
    const QString file = writeTreeFile(dir, "tree.qmd", kTree);
    const QString journal = file + ".qmr";
    std::int64_t clock = kT0;
    MainWindow& start(const QStringList& args = {}) {
        MainWindow& w = ProgramFixture::start(args);
        program->files().recovery().setClock([this] { return clock; });
        return w;
    }
    // Adds an item below the node of the current cell.
    void add(const QString& name) {
        prompter.answerName(name);
        QVERIFY(click(MenuArray::Edit, EditAdd));
    }
    void tick(std::int64_t ms = 250) {
        clock += ms;
        program->files().recovery().tick();
    }
    // The program ends without its clean exit, as a crash would end it.
    void crash() { program.reset(); }
    // Opens the file, adds `names` below its top item with a tick of `ms` after each, crashes.
    void crashAfterAdding(const QStringList& names, std::int64_t ms) {
        start({file}).browser().focusCell(0);
        for (const QString& name : names) {
            add(name);
            tick(ms);
        }
        crash();
    }
    // Opens the file with File > Open; the recovery question is answered with `choice`.
    void openAnswering(int choice) {
        prompter.answerOpen(file);
        prompter.answerChoice(choice);
        QVERIFY(click(MenuArray::File, FileOpen));
    }
};

} // namespace

class TestRecovery : public QObject {
    Q_OBJECT

private slots:
    // The three answers to a journal beside an unchanged file.
    void reopenAfterCrash_data() {
        QTest::addColumn<int>("choice");
        QTest::newRow("Recover") << 0;
        QTest::newRow("Discard") << 1;
        QTest::newRow("Cancel") << 2;
    }
    void reopenAfterCrash() {
        QFETCH(int, choice);
        Session f;
        const QByteArray bytes = f.readFile(f.file);
        MainWindow& w = f.start({f.file});
        QVERIFY(openEntry(w, 0, "A"));
        const int shown = w.browser().CurCel(); // the cell that lists A's children
        f.add("NEW");
        f.tick();
        QVERIFY(QFile::exists(f.journal));
        const CellArray cells = w.browser().cells();
        f.crash();
        QCOMPARE(f.readFile(f.file), bytes);
        QVERIFY(!QFile::exists(f.path("tree.qms")) && !QFile::exists(f.path("tree.qmb")));

        MainWindow& again = f.start();
        f.openAnswering(choice);
        const Prompt asked = f.prompter.last();
        QCOMPARE(asked.said(), "QuillMar Recovery|Changes to" + kCrLf + f.file + kCrLf +
                                   "made up to " + when(kT0 + 250) + " were not saved." + kCrLf +
                                   "Recover them?");
        QCOMPARE(asked.choices, QStringList({"Recover", "Discard", "Cancel"}));
        QCOMPARE(asked.preferred, 0);
        QCOMPARE(asked.cancel, 2);
        QCOMPARE(asked.icon, PromptIcon::Question);
        QCOMPARE(f.readFile(f.file), bytes);
        if (choice == 2) { // nothing opened, the journal left for later
            QCOMPARE(again.windowTitle(), QString("QuillMar  [no data]"));
            QVERIFY(QFile::exists(f.journal));
            return;
        }
        QCOMPARE(again.windowTitle(), "QuillMar  [" + f.file + "]");
        QCOMPARE(childNames(again.nodes(), 2),
                 choice == 0 ? QStringList({"A1", "NEW"}) : QStringList({"A1"}));
        QCOMPARE(again.DataSaved(), choice == 1);
        QCOMPARE(again.menu().entry(MenuArray::File, FileSave)->isEnabled(), choice == 0);
        QCOMPARE(QFile::exists(f.journal), choice == 0); // the recovered tree keeps one
        if (choice == 1)
            return;
        QCOMPARE(again.browser().cells(), cells);
        QCOMPARE(cellTexts(again, shown), QStringList({"A1", "NEW"}));
        QCOMPARE(f.program->files().recovery().writer().path(), f.journal.toStdString());
        // A crash now still has everything; a save ends the journal.
        QCOMPARE(readJournalFile(f.journal.toStdString()).changes, 1);
        QVERIFY(f.click(MenuArray::File, FileSave));
        QVERIFY(!QFile::exists(f.journal));
        QCOMPARE(tableHash(loadDataFile(f.file.toStdString()).table), tableHash(again.nodes()));
        QCOMPARE(f.prompter.unexpected, 0);
    }

    // Another program changed the file since: the changes are offered into a tree of their
    // own, never replayed onto the other tree; the cut-off last change is counted.
    void fileChangedSince_recoversIntoNewTree() {
        Session f;
        f.crashAfterAdding({"ONE", "TWO"}, 400);
        // Cut inside the last change, TWO; the cells recorded after it go too.
        const qsizetype two = f.readFile(f.journal).lastIndexOf("TWO");
        QVERIFY(two > 0);
        QVERIFY(QFile(f.journal).resize(two + 1));
        writeTreeFile(f.dir, "tree.qmd", "OTHER\n  X\n");
        const QByteArray other = f.readFile(f.file);

        MainWindow& again = f.start();
        f.openAnswering(0);
        QCOMPARE(f.prompter.last().text,
                 "Changes to" + kCrLf + f.file + kCrLf + "made up to " + when(kT0 + 400) +
                     " were not saved." + kCrLf + "The file has been changed since." + kCrLf +
                     "The last change could not be read and is lost." + kCrLf + "Recover them?");
        QCOMPARE(f.prompter.last().choices.value(0), QString("Recover into a new, unsaved tree"));
        QCOMPARE(again.windowTitle(), QString("QuillMar  [...]"));
        QVERIFY(again.CurFile().isEmpty() && !again.DataSaved());
        QCOMPARE(childNames(again.nodes(), 1), QStringList({"A", "B", "ONE"}));
        QCOMPARE(f.readFile(f.file), other);
        QVERIFY(!QFile::exists(f.journal));
        QCOMPARE(QDir(f.stateFolder()).entryList({"untitled-*.qmr"}).size(), 1);
        QM_VERIFY_TREE(again.nodes());
    }

    // A journal whose first tree is damaged holds nothing to recover: it can only go.
    void damagedBeyondUse_offersDiscardOnly() {
        Session f;
        f.crashAfterAdding({"X"}, 250);
        QByteArray bytes = f.readFile(f.journal);
        const qsizetype top = bytes.indexOf("TOP "); // in the tree it began with
        QVERIFY(top > 0);
        bytes[top] = 'X';
        putFile(f.journal, bytes);

        MainWindow& again = f.start();
        f.openAnswering(0);
        QCOMPARE(f.prompter.last().text, "Changes to" + kCrLf + f.file + kCrLf +
                                             "were not saved, and can't be recovered: the tree "
                                             "it began with is damaged." +
                                             kCrLf + "Delete the recovery file?");
        QCOMPARE(f.prompter.last().choices, QStringList({"Discard", "Cancel"}));
        QCOMPARE(f.prompter.last().preferred, 1);
        QVERIFY(!QFile::exists(f.journal));
        QCOMPARE(childNames(again.nodes(), 1), QStringList({"A", "B"}));
        QVERIFY(again.DataSaved());
    }

    // A tree never saved is offered at start, before the file the command line names.
    void untitledAtStart_offeredFirst() {
        Session f;
        f.start();
        f.prompter.answerName("FRESH");
        QVERIFY(f.click(MenuArray::File, FileNew));
        f.add("KID");
        f.tick();
        f.crash();
        f.prompter.answerChoice(0);
        MainWindow& w = f.start({f.file});
        QCOMPARE(f.prompter.last().text.section(kCrLf, 0, 1),
                 "Changes to" + kCrLf + "the new tree FRESH");
        QCOMPARE(f.prompter.last().choices.value(0), QString("Recover"));
        QCOMPARE(w.windowTitle(), QString("QuillMar  [...]"));
        QCOMPARE(childNames(w.nodes(), 1), QStringList({"KID"}));
        QVERIFY(w.menu().entry(MenuArray::File, FileSave)->isEnabled());
        QVERIFY(w.menu().entry(MenuArray::Edit, EditDelete)->isEnabled());
    }

    // Changes that come as a whole outline, not one edit at a time: a paste from the
    // clipboard is replayed onto its file, an imported tree comes back as an untitled one.
    void outlineChanges_recovered_data() {
        QTest::addColumn<bool>("import");
        QTest::newRow("Paste from Clipboard") << false;
        QTest::newRow("Import Outline") << true;
    }
    void outlineChanges_recovered() {
        QFETCH(bool, import);
        Session f;
        const QByteArray bytes = f.readFile(f.file);
        const QString doc = f.path("list.md");
        QFile out(doc);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("# LIST\n\n- ONE\n  - UNDER\n- TWO\n");
        out.close();
        MainWindow& w = f.start({f.file});
        w.browser().focusCell(0);
        if (import) {
            f.prompter.answerOpen(doc);
            QVERIFY(f.click(MenuArray::File, FileImportOutline));
        } else {
            QGuiApplication::clipboard()->setText("- PASTED\n  - UNDER\n");
            QVERIFY(f.click(MenuArray::Edit, EditPasteClipboard));
            QCOMPARE(childNames(w.nodes(), 1), QStringList({"A", "B", "PASTED"}));
        }
        const std::uint64_t changed = tableHash(w.nodes());
        f.tick();
        f.crash();
        QCOMPARE(f.readFile(f.file), bytes);

        f.prompter.answerChoice(0);
        MainWindow& again = f.start(import ? QStringList() : QStringList({f.file}));
        QCOMPARE(f.prompter.last().text.section(kCrLf, 0, 1),
                 "Changes to" + kCrLf + (import ? QString("the new tree LIST") : f.file));
        QCOMPARE(tableHash(again.nodes()), changed);
        QCOMPARE(again.windowTitle(),
                 import ? QString("QuillMar  [...]") : "QuillMar  [" + f.file + "]");
        QVERIFY(!again.DataSaved());
        QCOMPARE(f.readFile(f.file), bytes);
        QCOMPARE(f.prompter.unexpected, 0);
    }

    // Save, New or Exit after giving the changes up, and a plain Exit, leave no journal;
    // an Exit cancelled keeps it, and the program's own journal is never offered to it.
    void cleanEndings_removeTheJournal() {
        Session f;
        MainWindow& w = f.start({f.file});
        w.browser().focusCell(0);
        f.add("X");
        f.tick();
        QVERIFY(QFile::exists(f.journal));
        f.prompter.answer(PromptAnswer::No); // "Save ... first ?"
        f.prompter.answerOpen(f.file);       // the same file again: no recovery question
        QVERIFY(f.click(MenuArray::File, FileOpen));
        QVERIFY(!QFile::exists(f.journal));
        w.browser().focusCell(0);
        f.add("Y");
        f.tick();
        f.prompter.answer(PromptAnswer::Cancel);
        QVERIFY(!w.close());
        QVERIFY(QFile::exists(f.journal));
        f.prompter.answer(PromptAnswer::No);
        f.prompter.answerName("NEW");
        QVERIFY(f.click(MenuArray::File, FileNew));
        QVERIFY(!QFile::exists(f.journal));
        f.add("Z");
        f.tick();
        QCOMPARE(QDir(f.stateFolder()).entryList({"*.qmr"}).size(), 1);
        f.prompter.answer(PromptAnswer::No);
        QVERIFY(w.close());
        QCOMPARE(QDir(f.stateFolder()).entryList({"*.qmr"}).size(), 0);
        QVERIFY(f.prompter.allAnswered() && f.prompter.unexpected == 0);
    }

    // Off by default; when on, a start without a file named opens the last one, cells too.
    void openLastFileAtStart() {
        Session f;
        MainWindow& w = f.start({f.file});
        QVERIFY(openEntry(w, 0, "A"));
        const int shown = w.browser().CurCel();
        f.prompter.answerName("NEW");
        QVERIFY(f.click(MenuArray::Edit, EditAdd));
        QVERIFY(f.click(MenuArray::File, FileSave));
        QVERIFY(w.close());
        QCOMPARE(f.start().windowTitle(), QString("QuillMar  [no data]"));
        QVERIFY(f.readFile(f.iniPath()).contains("OpenLast= 0"));

        QString option;
        onModal<OptionsDialog>([&](OptionsDialog& d) {
            auto* box = d.findChild<QCheckBox*>("ChkOpenLast");
            option = box->text() + (box->isChecked() ? " on" : " off");
            box->setChecked(true);
            d.findChild<QPushButton*>("cmdOK")->click();
        });
        QVERIFY(f.click(MenuArray::File, FileOptions));
        QCOMPARE(option, QString("Open the last file at start off"));
        QVERIFY(f.readFile(f.iniPath()).contains("OpenLast= 1"));
        QVERIFY(f.program->window().close());
        MainWindow& again = f.start();
        QCOMPARE(again.windowTitle(), "QuillMar  [" + f.file + "]");
        QCOMPARE(cellTexts(again, shown), QStringList({"A1", "NEW"}));
    }

    // A child process runs the real window with random edits and is killed at random
    // moments. Every change made a second before the kill comes back, exactly the tree as
    // it stood after some edit, and nothing but the journal was written.
    void killedAtRandom_recoversEveryChangeASecondOld() {
        const QString child = QCoreApplication::applicationDirPath() + "/recovery_child";
        std::mt19937 rng(20240612);
        for (int run = 0; run < 24; ++run) {
            QTemporaryDir dir;
            const QString file = writeTreeFile(dir, "tree.qmd", kTree);
            const QString ini = dir.filePath("QuillMar.ini");
            putFile(ini, "[AutoSave]\nValue=-1\n");
            const QByteArray before = fileBytes(file);
            QProcess p;
            p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_STATE_HOME", dir.filePath("state"));
            env.insert("QT_QPA_PLATFORM", "offscreen");
            p.setProcessEnvironment(env);
            p.start(child, {dir.path(), QString::number(run)});
            // Now and then right at the start, when little or nothing is journaled yet.
            const int edits = 1 + int(rng() % (run % 4 == 0 ? 3 : 150));
            QByteArray out;
            while (out.count("E ") < edits && p.waitForReadyRead(10000))
                out += p.readAllStandardOutput();
            p.kill();
            QVERIFY(p.waitForFinished());
            QCOMPARE(p.exitStatus(), QProcess::CrashExit);
            out += p.readAllStandardOutput();

            // The states after each edit, and the clock when the journal last had its ticks.
            QList<std::int64_t> times;
            QList<QByteArray> hashes{
                QByteArray::number(tableHash(loadDataFile(file.toStdString()).table))};
            std::int64_t ticked = 0;
            for (const QByteArray& line : out.split('\n')) {
                const QList<QByteArray> f = line.split(' ');
                if (f.size() == 4 && f[0] == "E") {
                    times << f[2].toLongLong();
                    hashes << f[3];
                } else if (f.size() == 2 && f[0] == "T") {
                    ticked = f[1].toLongLong();
                }
            }
            qsizetype oldest = 0; // the state that must at least come back
            while (oldest < times.size() && times[oldest] <= ticked - 1000)
                ++oldest;
            QCOMPARE(fileBytes(file), before);
            QVERIFY(!QFile::exists(dir.filePath("tree.qms")) &&
                    !QFile::exists(dir.filePath("tree.qmb")));

            qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath("state")));
            ScriptedPrompter prompter;
            prompter.answerChoice(0); // Recover; Discard for a journal of no use
            Program program(prompter, ini);
            program.start({file}, false);
            // Killed before anything new was journaled: nothing is offered.
            QVERIFY(prompter.prompts.size() <= 1);
            if (prompter.prompts.isEmpty())
                prompter.clear();
            const QByteArray got = QByteArray::number(tableHash(program.window().nodes()));
            QM_VERIFY_TREE(program.window().nodes());
            const qsizetype at = hashes.indexOf(got, oldest);
            QVERIFY2(at >= 0,
                     qPrintable(QString("run %1: edits %2, ticked %3: state not found from %4")
                                    .arg(run)
                                    .arg(times.size())
                                    .arg(ticked)
                                    .arg(oldest)));
            QCOMPARE(prompter.unexpected, 0);
        }
    }
};

QTEST_MAIN(TestRecovery)
#include "test_recovery.moc"
