// File -> Print and Print from the preview, sent to a real print queue whose backend writes
// PDF files, and what the user is told when the queue will not print. tests/system/run
// starts the print server, makes the queue its default printer and names the queue and the
// backend's output folder in QM_QUEUE and QM_PDF_DIR.

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QTest>

#include "print/print_commands.h"
#include "print/print_driver.h"
#include "support/program_fixture.h"

using namespace qm;
using namespace qm::test;

class SystemPrint : public QObject {
    Q_OBJECT

    ProgramFixture m_f;
    QString m_queue;
    QDir m_out;

    QStringList printed() const { return m_out.entryList({"*.pdf"}, QDir::Files, QDir::Name); }
    /// No job waits or prints: the backend has written its file whole.
    bool queueIdle() const {
        QProcess lpstat;
        lpstat.start("lpstat", {"-o", m_queue});
        return lpstat.waitForFinished(10000) && lpstat.exitCode() == 0 &&
               lpstat.readAllStandardOutput().trimmed().isEmpty();
    }
    static bool run(const QString& command) {
        QStringList words = command.split(u' ');
        return QProcess::execute(words.takeFirst(), words) == 0;
    }

private slots:
    void initTestCase() {
        m_queue = qEnvironmentVariable("QM_QUEUE");
        m_out.setPath(qEnvironmentVariable("QM_PDF_DIR"));
        if (m_queue.isEmpty())
            QSKIP("needs the print server that tests/system/run starts");
        const QString data = m_f.path("world.qmd");
        QVERIFY(QFile::copy(qEnvironmentVariable("QM_SOURCE_DIR") + "/examples/world.qmd", data));
        MainWindow& w = m_f.start({data});
        // The queue is the system's default printer: Print asks nothing.
        QCOMPARE(m_f.program->print().printer().printerName(), m_queue);
        QVERIFY(openEntry(w, 0, "EUROPE"));
        QVERIFY(clickEntry(w, w.browser().CurCel(), "FRANCE"));
    }
    void cleanup() {
        QVERIFY(m_f.prompter.allAnswered());
        m_f.prompter.clear();
    }

    void listing_comesOutOfTheQueue_data() {
        QTest::addColumn<bool>("fromPreview");
        QTest::newRow("File, Print") << false;
        QTest::newRow("Print in the preview") << true;
    }
    void listing_comesOutOfTheQueue() {
        QFETCH(bool, fromPreview);
        const QStringList before = printed();
        if (fromPreview) {
            onPreview([](PreviewWindow& p) { clickTool(p, 3); });
            QVERIFY(m_f.click(MenuArray::Print, PrintPreview));
        } else {
            QVERIFY(m_f.click(MenuArray::Print, PrintNow));
        }
        QCOMPARE(m_f.prompter.prompts.size(), 0);
        // The job goes through the print server, its filters and the backend.
        QTRY_VERIFY_WITH_TIMEOUT(printed().size() == before.size() + 1 && queueIdle(), 60000);
        const QString text = pdfText(m_out.filePath(printed().constLast())).simplified();
        for (const char* line : {"QuillMar listing for FRANCE, page 1", "ÎLE-DE-FRANCE", "PARIS",
                                 "SALLE DES ÉTATS", "MONA LISA"})
            QVERIFY2(text.contains(QString::fromUtf8(line)), line);
    }

    // Each way a queue can refuse is told, the printout is not half sent, and the window is
    // free again at once.
    void refusingQueue_isReported_data() {
        QTest::addColumn<QString>("refuse");
        QTest::addColumn<QString>("restore");
        QTest::addColumn<QString>("why");
        const QString q = qEnvironmentVariable("QM_QUEUE");
        QTest::newRow("stopped") << "cupsdisable " + q << "cupsenable " + q
                                 << "the printer is stopped";
        QTest::newRow("not accepting jobs")
            << "cupsreject " + q << "cupsaccept " + q << "the printer does not accept jobs";
        QTest::newRow("user not allowed") << "lpadmin -p " + q + " -u deny:root"
                                          << "lpadmin -p " + q + " -u allow:all"
                                          << "";
    }
    void refusingQueue_isReported() {
        QFETCH(QString, refuse);
        QFETCH(QString, restore);
        QFETCH(QString, why);
        const QStringList before = printed();
        QVERIFY(run(refuse));
        m_f.prompter.answer(PromptAnswer::Ok); // the refusal told
        const bool clicked = m_f.click(MenuArray::Print, PrintNow);
        QVERIFY(run(restore));
        QVERIFY(clicked);
        QCOMPARE(m_f.prompter.prompts.size(), 1);
        const Prompt& told = m_f.prompter.last();
        qInfo("told: %s", qPrintable(QString(told.text).replace("\r\n", " | ")));
        QCOMPARE(told.title, QString("QuillMar Alert"));
        const QString start = m_queue + "\r\ncould not be printed: ";
        QVERIFY2(told.text.startsWith(start), qPrintable(told.text));
        QVERIFY2(told.text.endsWith('.'), qPrintable(told.text));
        QVERIFY2(!told.text.endsWith(".."), qPrintable(told.text));
        QVERIFY2(told.text.size() > start.size() + 1, qPrintable(told.text));
        if (!why.isEmpty())
            QCOMPARE(told.text, start + why + '.');
        QVERIFY(!m_f.w().isBusy());
        QCOMPARE(printed(), before);
    }
};

QTEST_MAIN(SystemPrint)
#include "test_system_print.moc"
