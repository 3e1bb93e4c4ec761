// The zoom: the window, its fonts and the dialogs it opens at 100 to 200 %, the keys, the
// screen it must fit on, and the setting. Runs on two screens: a large one and, to its
// right, a small one.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "app/qt_prompter.h"
#include "support/modal_driver.h"
#include "support/program_fixture.h"

using namespace qm;
using namespace qm::test;

namespace {

const QRect kLarge(0, 0, 2560, 1440);
const QRect kSmall(2560, 0, 1024, 768);

const char* const kTree = "TOP\n  EUROPE\n    FRANCE\n  ASIA\n";

// What the window shows at a zoom: cells 0 and 14, the list of cell 14 inside its panel,
// the size of the window.
struct Geometry {
    QRect cell0, cell14, list14;
    QSize window;
};
Geometry expected(int zoom) {
    switch (zoom) {
    case 150:
        return {{6, 6, 200, 248}, {822, 510, 200, 248}, {6, 30, 188, 210}, {1032, 820}};
    case 200:
        return {{8, 8, 266, 330}, {1096, 680, 266, 330}, {8, 40, 250, 280}, {1376, 1091}};
    default: // as the window has always been
        return {{4, 4, 133, 165}, {548, 340, 133, 165}, {4, 20, 125, 140}, {688, 549}};
    }
}

QByteArray twipsText(int pixels) {
    return QByteArray::number(pixels * 15);
}

// The settings that put the window at a place, in pixels, with a zoom.
QByteArray display(QPoint at, const QByteArray& zoom = {}) {
    QByteArray text = "[Display]\nMainLeft=" + twipsText(at.x()) + "\nMainTop=" + twipsText(at.y());
    if (!zoom.isNull())
        text += "\nZoom=" + zoom;
    return text + "\n";
}

// Ctrl with each of the keys: + = - 0.
void zoomKeys(MainWindow& w, const QString& keys) {
    for (QChar c : keys)
        QTest::keyClick(&w, zoomKey(c), Qt::ControlModifier);
}

} // namespace

class TestZoom : public QObject {
    Q_OBJECT

    ProgramFixture f;

    MainWindow& start(const QByteArray& ini) {
        f.writeIni(ini);
        MainWindow& w = f.start({writeTreeFile(f.dir, "t.qmd", kTree)});
        [&] { QVERIFY(QTest::qWaitForWindowActive(&w)); }();
        return w;
    }

private slots:
    void cleanup() {
        f.program.reset();
        QVERIFY(f.prompter.allAnswered());
        f.prompter.clear();
    }

    void keys_scaleCellsFontsFramesAndWindow_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("zoom");
        QTest::newRow("none: as always") << "" << 100;
        QTest::newRow("Ctrl++ and Ctrl+=") << "+=" << 150;
        QTest::newRow("four steps") << "++++" << 200;
        QTest::newRow("no step beyond 200") << "++++=" << 200;
        QTest::newRow("Ctrl+- steps back") << "+++-" << 150;
        QTest::newRow("Ctrl+0 back to 100") << "++++0" << 100;
    }
    void keys_scaleCellsFontsFramesAndWindow() {
        QFETCH(QString, keys);
        QFETCH(int, zoom);
        MainWindow& w = start(display({100, 100}));
        zoomKeys(w, keys);
        const Geometry want = expected(zoom);
        QCOMPARE(w.zoom(), zoom);
        QCOMPARE(w.browser().panel(0)->geometry(), want.cell0);
        QCOMPARE(w.browser().panel(14)->geometry(), want.cell14);
        QCOMPARE(w.browser().list(14)->geometry(), want.list14);
        QCOMPARE(w.size(), want.window);
        QVERIFY(kLarge.contains(w.frameGeometry()));

        // The window's Arial 8 and the menus' own font, grown alike.
        const double factor = zoom / 100.0;
        const QList<double> points{
            w.browser().list(0)->font().pointSizeF(), w.browser().header(14)->font().pointSizeF(),
            w.status().bar()->findChild<QLabel*>("StatusPanel_2")->font().pointSizeF(),
            w.menuBar()->font().pointSizeF(), w.menu().topMenu(1)->font().pointSizeF()};
        const double menu = QApplication::font(w.menu().topMenu(1)).pointSizeF();
        QCOMPARE(points,
                 (QList<double>{8 * factor, 8 * factor, 8 * factor, 8 * factor, menu * factor}));

        // The frame lines are as many pixels wide as the zoom is whole.
        const QImage cell = w.browser().panel(0)->grab().toImage();
        const int line = zoom < 150 ? 1 : 2;
        QCOMPARE(cell.pixelColor(line - 1, line - 1), QColor(64, 64, 64));
        QVERIFY(cell.pixelColor(line, line) != QColor(64, 64, 64));
    }

    // On the small screen 150 % is too wide: refused, and the window stays as it was.
    void stepTooLargeForScreen_refusedWithStatusText() {
        MainWindow& w = start(display(kSmall.topLeft() + QPoint(300, 300)));
        zoomKeys(w, "+");
        QCOMPARE(w.zoom(), 125);
        QVERIFY(kSmall.contains(w.frameGeometry()));
        const QRect before = w.frameGeometry();
        const QRect cell14 = w.browser().panel(14)->geometry();
        zoomKeys(w, "+");
        QCOMPARE(w.zoom(), 125);
        QCOMPARE(w.frameGeometry(), before);
        QCOMPARE(w.browser().panel(14)->geometry(), cell14);
        QCOMPARE(w.browser().list(0)->font().pointSizeF(), 10.0);
        QCOMPARE(w.status().statusText(), QString("Zoom 150 % does not fit on the screen"));
        zoomKeys(w, "-");
        QCOMPARE(w.zoom(), 100);
        QCOMPARE(w.status().statusText(), QString("Zoom 100 %"));
    }

    void setting_readNearestStepKeptOnScreenWrittenAtExit_data() {
        QTest::addColumn<QByteArray>("saved"); // null: no key
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("zoom");
        const QPoint large(100, 100);
        QTest::newRow("missing") << QByteArray() << large << "" << 100;
        QTest::newRow("a step") << QByteArray("175") << large << "" << 175;
        QTest::newRow("written with its space") << QByteArray(" 150") << large << "" << 150;
        QTest::newRow("between steps") << QByteArray("130") << large << "" << 125;
        QTest::newRow("halfway: the smaller") << QByteArray("112.5") << large << "" << 100;
        QTest::newRow("below") << QByteArray("-50") << large << "" << 100;
        QTest::newRow("far above") << QByteArray("99999") << large << "" << 200;
        QTest::newRow("not a number") << QByteArray("abc") << large << "" << 100;
        QTest::newRow("changed by keys") << QByteArray("125") << large << "+" << 150;
        QTest::newRow("too large for the screen: the largest that fits")
            << QByteArray("200") << kSmall.topLeft() << "" << 125;
        QTest::newRow("grown near the corner: moved onto the screen")
            << QByteArray() << kLarge.bottomRight() - QPoint(700, 560) << "++++" << 200;
    }
    void setting_readNearestStepKeptOnScreenWrittenAtExit() {
        QFETCH(QByteArray, saved);
        QFETCH(QPoint, at);
        QFETCH(QString, keys);
        QFETCH(int, zoom);
        MainWindow& w = start(display(at, saved));
        zoomKeys(w, keys);
        QCOMPARE(w.zoom(), zoom);
        QVERIFY2(QGuiApplication::screenAt(at)->availableGeometry().contains(w.frameGeometry()),
                 qPrintable(QString("%1,%2").arg(w.x()).arg(w.y())));
        QVERIFY(w.close());
        QCOMPARE(readIniSetting(IniFile(f.iniPath()), "Display", "Zoom", 0), zoom);
        QCOMPARE(f.prompter.prompts.size(), 0);
    }

    // The dialogs the main window opens, through their menu entries with the real prompter.
    void dialogs_followTheZoom_data() {
        QTest::addColumn<MenuArray>("array");
        QTest::addColumn<int>("entry"); // -1: an alert
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QSize>("size");    // not checked when empty
        QTest::addColumn<double>("points"); // of the dialog's font, 0 for the natural one
        using enum MenuArray;
        const QPoint large(100, 100);
        // clang-format off
        // At 100 % the name dialog is widened to show its whole title, "Add QuillMar item".
        QTest::newRow("name 100")    << Edit << int(EditAdd) << large << 100 << QSize(297, 103) << 0.0;
        QTest::newRow("name 150")    << Edit << int(EditAdd) << large << 150 << QSize(362, 155) << 0.0;
        QTest::newRow("options 100") << File << int(FileOptions) << large << 100 << QSize(410, 198) << 8.0;
        QTest::newRow("options 150") << File << int(FileOptions) << large << 150 << QSize(615, 297) << 12.0;
        QTest::newRow("about 200")   << Help << int(HelpAbout) << large << 200 << QSize(884, 326) << 16.0;
        QTest::newRow("preview 100") << Print << int(PrintPreview) << large << 100 << QSize(427, 639) << 8.0;
        QTest::newRow("preview 150") << Print << int(PrintPreview) << large << 150 << QSize(640, 959) << 12.0;
        QTest::newRow("bookmarks 100") << Book << int(BookEdit) << large << 100 << QSize(649, 153) << 8.0;
        QTest::newRow("bookmarks 150") << Book << int(BookEdit) << large << 150 << QSize(974, 230) << 12.0;
        QTest::newRow("alert 150")   << Help << -1 << large << 150 << QSize() << 0.0;
        QTest::newRow("preview too tall at 125: 100")
                                     << Print << int(PrintPreview) << kSmall.topLeft() << 125 << QSize(427, 639) << 8.0;
        // clang-format on
    }
    void dialogs_followTheZoom() {
        QFETCH(MenuArray, array);
        QFETCH(int, entry);
        QFETCH(QPoint, at);
        QFETCH(int, zoom);
        QFETCH(QSize, size);
        QFETCH(double, points);
        QTemporaryDir dir;
        putFile(dir.filePath("s.ini"), display(at, QByteArray::number(zoom)));
        QtPrompter prompter;
        Program program(prompter, dir.filePath("s.ini"));
        program.start({writeTreeFile(dir, "t.qmd", kTree)}, false);
        MainWindow& w = program.window();
        QCOMPARE(w.zoom(), zoom);
        QVERIFY(clickEntry(w, 0, "EUROPE"));

        QSize seen;
        double seenPoints = -1, natural = -1;
        onModal<QWidget>([&](QWidget& modal) {
            seen = modal.size();
            seenPoints = modal.font().pointSizeF();
            natural = QApplication::font(&modal).pointSizeF();
        });
        if (entry < 0)
            prompter.alert("No Selection");
        else
            QVERIFY(chooseMenu(w, array, entry));
        if (!size.isEmpty())
            QCOMPARE(seen, size);
        QCOMPARE(seenPoints, points > 0 ? points : natural * zoom / 100);
    }

    // The Find window stays open beside the main window: it follows every step.
    void findWindow_followsTheZoomWhileOpen() {
        MainWindow& w = start(display({100, 100}, "150"));
        QVERIFY(clickEntry(w, 0, "EUROPE"));
        QVERIFY(chooseMenu(w, MenuArray::Go, GoFind));
        auto* find = w.findChild<QDialog*>("FrmFind");
        QVERIFY(find);
        QVERIFY(find->isVisible());
        QCOMPARE(find->size(), QSize(644, 473));
        QCOMPARE(find->font().pointSizeF(), 12.0);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        zoomKeys(w, "0");
        QCOMPARE(find->size(), QSize(429, 315));
        QCOMPARE(find->font().pointSizeF(), 8.0);
        QCOMPARE(find->findChild<QWidget*>("cmd_1")->geometry(), QRect(276, 84, 149, 21));
    }
};

int main(int argc, char* argv[]) {
    // Offscreen screens of given sizes, before the application looks for its screens.
    QTemporaryDir dir;
    const QString config = dir.filePath("screens.json");
    auto screen = [](const char* name, const QRect& r) {
        return QString::asprintf(R"({"name": "%s", "x": %d, "y": %d, "width": %d, "height": %d,
                                     "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1})",
                                 name, r.x(), r.y(), r.width(), r.height());
    };
    putFile(config, QString(R"({"screens": [%1, %2]})")
                        .arg(screen("large", kLarge), screen("small", kSmall))
                        .toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toUtf8());
    QApplication app(argc, argv);
    TestZoom test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_zoom.moc"
