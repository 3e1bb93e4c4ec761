// The window on a Wayland compositor: it shows, takes keys, writes a correct file, and
// leaves the place saved in the settings file alone, since Wayland tells no window where it
// is. tests/system/run starts the compositor and runs this with QT_QPA_PLATFORM=wayland.

#include <QApplication>
#include <QTest>

#include "settings/ini_file.h"
#include "settings/settings_values.h"
#include "store/data_file.h"
#include "store/outline.h"
#include "support/program_fixture.h"

using namespace qm;
using namespace qm::test;

class SystemWayland : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("wayland"))
            QSKIP("needs the Wayland compositor that tests/system/run starts");
    }

    void window_takesKeysWritesFile_keepsSavedPlace() {
        ProgramFixture f;
        // A place on a screen of an X11 session that this compositor's output does not reach:
        // the window is shown on this one, and the place is kept for the next X11 session.
        f.writeIni("[Display]\nMainLeft= 40000\nMainTop= 30000\n");
        MainWindow& w = f.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowHandle()->handle() != nullptr, true);
        // A headless compositor has no seat to give the window the keyboard; a click into
        // the window would.
        QApplication::setActiveWindow(&w);
        QTRY_COMPARE(QApplication::activeWindow(), &w);

        const QString saved = f.path("keys.qmd");
        f.prompter.answerName("PLANTS");
        QTest::keyClick(&w, Qt::Key_N, Qt::ControlModifier);
        f.prompter.answerName("ROSES");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Plus);
        f.prompter.answerName("TULIPS");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        f.prompter.answerSave(saved);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(f.prompter.allAnswered());
        QCOMPARE(f.prompter.unexpected, 0);

        const LoadResult load = loadDataFile(saved.toStdString());
        QVERIFY(load.ok);
        QCOMPARE(QString::fromStdString(dumpOutline(load.table)),
                 QString("PLANTS\n  ROSES\n  TULIPS\n"));

        QVERIFY(w.close());
        IniFile ini(f.iniPath());
        QCOMPARE(readIniNumber(ini, "Display", "MainLeft", 0), 40000.0);
        QCOMPARE(readIniNumber(ini, "Display", "MainTop", 0), 30000.0);
    }
};

QTEST_MAIN(SystemWayland)
#include "test_system_wayland.moc"
