// Page Setup, Print Preview and Print through the real main window: the preview's pages and
// buttons, and listings printed to PDF files and read back.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include "print/print_commands.h"
#include "print_driver.h"
#include "support/program_fixture.h"
#include "window/twips.h"

using namespace qm;
using namespace qm::test;

namespace {

// BIG lists 300 items, three pages on A4 at 10 points; SMALL one page.
QByteArray tree() {
    QByteArray outline = "TOP\n  BIG\n";
    for (int i = 1; i <= 300; ++i)
        outline += "    N" + QByteArray::number(i).rightJustified(3, '0') + '\n';
    return outline + "  SMALL\n    S1\n      S1A\n    S2\n  LEAF\n";
}

// What the preview showed at one moment: page, page count and the arrows' states.
QString state(PreviewWindow& p) {
    return QStringLiteral("%1/%2 %3%4")
        .arg(p.CurPage())
        .arg(p.pages().pageCount())
        .arg(p.tool(1)->isEnabled() ? "<" : "-")
        .arg(p.tool(2)->isEnabled() ? ">" : "-");
}

// The header of the page in front.
QString shownHeader(PreviewWindow& p) {
    const RecordedPage& page = p.pages().page(p.CurPage());
    return page.texts.at(0).text + page.texts.at(1).text;
}

} // namespace

class TestPrintCommands : public QObject {
    Q_OBJECT

    std::unique_ptr<ProgramFixture> m_f;

    MainWindow& w() { return m_f->w(); }
    ScriptedPrompter& prompter() { return m_f->prompter; }
    PrintCommands& print() { return m_f->program->print(); }
    void start() { m_f->start({writeTreeFile(m_f->dir, "tree.qmd", tree().constData())}); }
    /// Print, its file dialog answered with `name` (a question after it with `then`); the path.
    QString printTo(const QString& name, std::optional<PromptAnswer> then = {}) {
        const QString pdf = m_f->path(name);
        prompter().answerSave(pdf);
        if (then)
            prompter().answer(*then);
        [&] { QVERIFY(m_f->click(MenuArray::Print, PrintNow)); }();
        return pdf;
    }

private slots:
    void init() {
        m_f = std::make_unique<ProgramFixture>();
        start();
    }
    void cleanup() { m_f.reset(); }

    void refusals_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<bool>("noCell");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("Print, a leaf") << int(PrintNow) << false << "QuillMar|No child Items";
        QTest::newRow("Preview, a leaf") << int(PrintPreview) << false << "QuillMar|No child Items";
        QTest::newRow("Print, no cell") << int(PrintNow) << true << "QuillMar|No selection";
        QTest::newRow("Preview, no cell")
            << int(PrintPreview) << true << "QuillMar Alert|No selection";
    }
    // Nothing is laid out, asked or shown after the message.
    void refusals() {
        QFETCH(int, entry);
        QFETCH(bool, noCell);
        QVERIFY(clickEntry(w(), 0, "LEAF"));
        if (noCell)
            w().browser().setCurCel(-1);
        prompter().answer(PromptAnswer::Ok);
        QVERIFY(m_f->click(MenuArray::Print, entry));
        QCOMPARE(prompter().prompts.size(), 1);
        QTEST(prompter().last().said(), "prompt");
        QCOMPARE(prompter().last().icon, PromptIcon::Exclamation);
        QCOMPARE(prompter().last().buttons, PromptButtons::Ok);
        QVERIFY(!print().preview());
    }

    // Print from the preview prints the listing that was previewed; the window is kept, the
    // next preview starts over on page 1, and its close box unloads it, printing nothing.
    void preview_arrowsPrintThenOnePageWindowAndCloseBox() {
        QVERIFY(clickEntry(w(), 0, "BIG"));
        QStringList seen;
        onPreview([&](PreviewWindow& p) {
            seen << state(p);
            clickTool(p, 1); // disabled on page 1
            seen << state(p);
            clickTool(p, 2);
            clickTool(p, 2);
            seen << state(p) << shownHeader(p);
            clickTool(p, 2); // disabled on the last page
            clickTool(p, 1);
            seen << state(p) << shownHeader(p);
            clickTool(p, 3);
        });
        const QString pdf = m_f->path("big.pdf");
        prompter().answerSave(pdf);
        QVERIFY(m_f->click(MenuArray::Print, PrintPreview));
        QCOMPARE(seen,
                 QStringList({"1/3 ->", "1/3 ->", "3/3 <-", "QuillMar listing for BIG, page 3",
                              "2/3 <>", "QuillMar listing for BIG, page 2"}));
        QCOMPARE(prompter().last().said(), QString("QuillMar Print to File|BIG.pdf"));
        QCOMPARE(prompter().last().filters, QString("PDF (*.pdf)"));
        const QString text = pdfText(pdf);
        QVERIFY(!text.isNull());
        QCOMPARE(text.count('\f'), 3);
        QVERIFY(text.contains("QuillMar listing for BIG, page 3"));
        QVERIFY(text.contains("N300"));
        QVERIFY(print().preview());
        QVERIFY(!print().preview()->isVisible());

        QVERIFY(clickEntry(w(), 0, "SMALL"));
        seen.clear();
        QRect canvas, shadow;
        QColor shadowColour;
        onPreview([&](PreviewWindow& p) {
            seen << p.windowTitle() << state(p) << shownHeader(p);
            for (int i = 1; i <= 3; ++i)
                seen << '[' + p.tool(i)->iconText() + ']';
            canvas = QRect(p.canvas()->mapTo(&p, QPoint()), p.canvas()->size());
            auto* s = p.findChild<QFrame*>("Shadow");
            shadow = QRect(s->mapTo(&p, QPoint()), s->size());
            shadowColour = s->palette().color(QPalette::Window);
            clickTool(p, 2); // disabled: stays on page 1
            seen << state(p);
        });
        QVERIFY(m_f->click(MenuArray::Print, PrintPreview));
        QCOMPARE(seen, QStringList({"QuillMar Print Preview", "1/1 --",
                                    "QuillMar listing for SMALL, page 1", "[    <--     ]",
                                    "[    -->     ]", "[   Print    ]", "1/1 --"}));
        // A4 is 11900 × 16840 twips: the half page is 5950 × 8420.
        QCOMPARE(canvas, twips::Scale().rect(120, 540, 5950, 8420));
        QCOMPARE(shadow.topLeft() - canvas.topLeft(), twips::Scale().point(120, 120));
        QCOMPARE(shadow.size(), canvas.size());
        QCOMPARE(shadowColour, QColor(128, 128, 128));
        QCOMPARE(prompter().prompts.size(), 1); // nothing printed since
        QVERIFY(!print().preview());
        QVERIFY(!w().isBusy());
    }

    // The preview opens at its described size with the page at half scale; it can be
    // resized and maximised, and zooms by keys, by Ctrl and the wheel, and to the window's
    // width on a double click. The next preview starts over at half scale.
    void preview_zooms_data() {
        QTest::addColumn<QString>("act");
        QTest::addColumn<double>("zoom"); // 0: as wide as the window shows it
        QTest::newRow("Ctrl++ twice") << "++" << 1.5;
        QTest::newRow("Ctrl+=") << "=" << 1.25;
        QTest::newRow("Ctrl+-") << "-" << 0.75;
        QTest::newRow("Ctrl++ then Ctrl+0") << "+0" << 1.0;
        QTest::newRow("Ctrl and the wheel up") << "u" << 1.25;
        QTest::newRow("Ctrl and the wheel down") << "d" << 0.75;
        QTest::newRow("double click") << "2" << 0.0;
        QTest::newRow("maximised, double click") << "M2" << 0.0;
    }
    void preview_zooms() {
        QFETCH(QString, act);
        QFETCH(double, zoom);
        QVERIFY(clickEntry(w(), 0, "SMALL"));
        const QSize described = twips::Scale().size(5950 + 450, 8420 + 1170);
        const QSize half = twips::Scale().size(5950, 8420);
        QSize page, room, opened;
        bool horizontalBar = true;
        onPreview([&](PreviewWindow& p) {
            // Its shortcuts work once it is the active window.
            p.activateWindow();
            QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&p));
            opened = p.size();
            QVERIFY(p.windowFlags() & Qt::WindowMaximizeButtonHint);
            QVERIFY(p.maximumWidth() > p.minimumWidth());
            QWidget* view = p.canvas()->parentWidget()->parentWidget(); // the area's viewport
            for (const QChar c : act) {
                if (c == 'M') {
                    p.showMaximized();
                    QCoreApplication::processEvents();
                    QVERIFY(p.width() > opened.width());
                } else if (c == '2') {
                    QTest::mouseDClick(p.canvas(), Qt::LeftButton);
                } else if (c == 'u' || c == 'd') {
                    const QPoint at = view->rect().center();
                    QWheelEvent wheel(at, view->mapToGlobal(at), {}, {0, c == 'u' ? 120 : -120},
                                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
                    QApplication::sendEvent(view, &wheel);
                } else {
                    QTest::keyClick(&p, zoomKey(c), Qt::ControlModifier);
                }
                QCoreApplication::processEvents(); // the scroll bars come and go
            }
            page = p.canvas()->size();
            room = view->size();
            horizontalBar =
                p.findChild<QScrollArea*>("PageArea")->horizontalScrollBar()->isVisible();
        });
        QVERIFY(m_f->click(MenuArray::Print, PrintPreview));
        QCOMPARE(opened, described);
        if (zoom > 0) {
            QVERIFY2(qAbs(page.width() - half.width() * zoom) <= 1,
                     qPrintable(QString::number(page.width())));
            QVERIFY(qAbs(page.height() - half.height() * zoom) <= 1);
        } else {
            // The page, its shadow and the margins fill the width, scroll bar aside.
            const int rest = room.width() - page.width() - 3 * twips::Scale().toPixels(120);
            QVERIFY2(rest >= 0 && rest <= 2, qPrintable(QString::number(rest)));
            QVERIFY(!horizontalBar);
        }
        QSize again, againPage;
        onPreview([&](PreviewWindow& p) {
            again = p.size();
            againPage = p.canvas()->size();
        });
        QVERIFY(m_f->click(MenuArray::Print, PrintPreview));
        QCOMPARE(again, described);
        QCOMPARE(againPage, half);
    }

    // Without a printer, each printout is proposed as "<item name>.pdf" in the folder used
    // last, at first the data file's; the very file chosen last is proposed again for the
    // same item; a name typed without an extension gets ".pdf".
    void printToFile_proposesTheItemsNameInTheFolderUsedLast() {
        QVERIFY(QDir(m_f->dir.path()).mkpath("out"));
        const QString out = m_f->path("out");
        struct Step {
            const char* item;
            QString proposed;
            QString folder;
            QString typed;
            QString written;
        };
        const QList<Step> steps{
            {"SMALL", "SMALL.pdf", m_f->dir.path(), out + "/listing", out + "/listing.pdf"},
            {"SMALL", "listing.pdf", out, out + "/again", out + "/again.pdf"},
            {"BIG", "BIG.pdf", out, out + "/BIG", out + "/BIG.pdf"},
            {"SMALL", "SMALL.pdf", out, out + "/small.list", out + "/small.list"},
        };
        for (const Step& step : steps) {
            QVERIFY(clickEntry(w(), 0, step.item));
            prompter().answerSave(step.typed);
            QVERIFY(m_f->click(MenuArray::Print, PrintNow));
            QCOMPARE(prompter().last().text, step.proposed);
            QCOMPARE(prompter().last().folder, step.folder);
            QVERIFY2(m_f->readFile(step.written).startsWith("%PDF"), qPrintable(step.written));
        }
    }

    // The selected entry's item, else the current cell's own item.
    void print_listsSelectedEntryElseCellItem_data() {
        QTest::addColumn<QStringList>("open");
        QTest::addColumn<QString>("select");
        QTest::addColumn<QStringList>("listing");
        const QStringList small{"QuillMar listing for SMALL, page 1", "S1", "S1A", "S2"};
        QTest::newRow("entry selected") << QStringList() << "SMALL" << small;
        QTest::newRow("opened, nothing selected") << QStringList{"SMALL"} << QString() << small;
        QTest::newRow("entry in the next cell")
            << QStringList{"SMALL"} << "S1"
            << QStringList{"QuillMar listing for S1, page 1", "S1A"};
    }
    void print_listsSelectedEntryElseCellItem() {
        QFETCH(QStringList, open);
        QFETCH(QString, select);
        QFETCH(QStringList, listing);
        for (const QString& name : open)
            QVERIFY(openEntry(w(), w().browser().CurCel(), name));
        if (!select.isEmpty())
            QVERIFY(clickEntry(w(), w().browser().CurCel(), select));
        const QString text = pdfText(printTo("listing.pdf"));
        QCOMPARE(textLines(text), listing);
        QCOMPARE(text.count('\f'), 1);
    }

    // A point is a point on paper: the header at (1400, 800) twips in 20 points, the lines
    // from 1000 twips in 10, one level indented by two spaces of 10-point Arial.
    void print_positionsAndSizesOnTheSheet() {
        QVERIFY(clickEntry(w(), 0, "SMALL"));
        const QString bbox = pdfText(printTo("small.pdf"), {"-bbox"});
        const auto word = [&](const QString& w) {
            const QRegularExpression re(
                QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"[\\d.]+\" "
                               "yMax=\"([\\d.]+)\">%1<")
                    .arg(w));
            const QRegularExpressionMatch m = re.match(bbox);
            return QList<double>{m.captured(1).toDouble(), m.captured(2).toDouble(),
                                 m.captured(3).toDouble() - m.captured(2).toDouble()};
        };
        const QList<double> header = word("QuillMar"), s1 = word("S1"), s1a = word("S1A");
        QCOMPARE(header[0], 70.0); // points: 1400 twips
        QCOMPARE(header[1], 40.0);
        QCOMPARE(s1[0], 50.0);
        QVERIFY(qAbs(header[2] / s1[2] - 2.0) < 0.01);
        QVERIFY(qAbs(s1a[0] - 50.0 - sheetTextWidth("  ", 10) / 20) < 0.01);
    }

    // An existing file is replaced only when the user agrees; a failing write is reported.
    void print_overwriteAskedCancelKeeps_failureReported() {
        const QString pdf = m_f->path("old.pdf");
        putFile(pdf, "old");
        QVERIFY(clickEntry(w(), 0, "SMALL"));
        printTo("old.pdf", PromptAnswer::Cancel);
        QCOMPARE(prompter().last().said(), QString("QuillMar Warning|Overwrite existing file ?"));
        QCOMPARE(prompter().last().icon, PromptIcon::Question);
        QCOMPARE(prompter().last().buttons, PromptButtons::OkCancel);
        QCOMPARE(m_f->readFile(pdf), QByteArray("old"));
        printTo("old.pdf", PromptAnswer::Ok);
        QVERIFY(m_f->readFile(pdf).startsWith("%PDF"));
        // The save dialog is cancelled: nothing more.
        prompter().answerSave(QString());
        QVERIFY(m_f->click(MenuArray::Print, PrintNow));
        QCOMPARE(prompter().last().kind, Prompt::SaveFile);
        const QString missing = printTo("missing/x.pdf", PromptAnswer::Ok); // the failure
        QCOMPARE(prompter().last().title, QString("QuillMar Alert"));
        QVERIFY2(prompter().last().text.startsWith(missing + "\r\ncould not be printed: "),
                 qPrintable(prompter().last().text));
        QVERIFY(!QFileInfo::exists(m_f->path("missing")));
        QVERIFY(!w().isBusy());
        QCOMPARE(w().status().statusText(), QString());
    }

    // Page Setup's paper is what preview and printout use; Cancel changes and says nothing.
    // A page narrower than the column sample gets a message before anything is asked.
    void pageSetup_choosesPaperForPreviewAndPrint() {
        prompter().answerPrint(PromptAnswer::Cancel,
                               [](QPrinter& p) { p.setPageOrientation(QPageLayout::Landscape); });
        QVERIFY(m_f->click(MenuArray::Print, PrintPageSetup));
        QCOMPARE(prompter().last().said(), QString("QuillMar Page Setup|"));
        QCOMPARE(prompter().last().kind, Prompt::PrintDialog);
        QCOMPARE(print().printer().pageLayout().orientation(), QPageLayout::Portrait);

        prompter().answerPrint(PromptAnswer::Ok,
                               [](QPrinter& p) { p.setPageOrientation(QPageLayout::Landscape); });
        QVERIFY(m_f->click(MenuArray::Print, PrintPageSetup));
        QVERIFY(clickEntry(w(), 0, "SMALL"));
        QSize client;
        onPreview([&](PreviewWindow& p) { client = p.size(); });
        QVERIFY(m_f->click(MenuArray::Print, PrintPreview));
        QCOMPARE(client, twips::Scale().size(8420 + 450, 5950 + 1170));
        QVERIFY(pdfText(printTo("wide.pdf"), {"-bbox"})
                    .contains("<page width=\"842.000000\" height=\"595.000000\">"));

        prompter().answerPrint(PromptAnswer::Ok, [](QPrinter& p) {
            p.setPageSize(QPageSize(QSizeF(50, 80), QPageSize::Millimeter));
            p.setPageOrientation(QPageLayout::Portrait);
        });
        QVERIFY(m_f->click(MenuArray::Print, PrintPageSetup));
        for (int entry : {PrintNow, PrintPreview}) {
            const qsizetype asked = prompter().prompts.size();
            prompter().answer(PromptAnswer::Ok);
            QVERIFY(m_f->click(MenuArray::Print, entry));
            QCOMPARE(prompter().prompts.size(), asked + 1);
            QCOMPARE(prompter().last().title, QString("QuillMar Alert"));
            QVERIFY(prompter().last().text.startsWith("Not one column of the listing fits"));
            QVERIFY(!print().preview());
        }
    }
};

QTEST_MAIN(TestPrintCommands)
#include "test_print_commands.moc"
