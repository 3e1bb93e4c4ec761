// The Help menu in the running program: the About box, modal over the main window, and the
// help entries that have no help; and the identity the program gives the desktop.

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include "about/about_box.h"
#include "about/app_identity.h"
#include "base/emblem.h"
#include "support/modal_driver.h"
#include "support/program_fixture.h"

using namespace qm;
using namespace qm::test;

namespace {

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestHelpMenu : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { applyApplicationIdentity(); }

    // Made on first use and kept: each opening shows the same box, modal over the window and
    // centred on it (though moved away last time), with OK focused; the command returns only
    // once the box is closed.
    void about_isKeptCentredModalAndCloses_data() {
        QTest::addColumn<int>("key"); // 0: a click on OK
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("click OK") << 0;
    }
    void about_isKeptCentredModalAndCloses() {
        QFETCH(int, key);
        ProgramFixture f;
        MainWindow& w = f.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(iconImage(w.windowIcon()), iconImage(appIcon()));
        QList<AboutBox*> seen;
        for (int round = 0; round < 2; ++round) {
            QString shown;
            QPoint offset(99, 99);
            bool okFocusedAndDefault = false, closedWhileOpen = false;
            onModal<AboutBox>([&](AboutBox& box) {
                seen << &box;
                shown = box.findChild<QLabel*>("lblTitle")->text() + '|' +
                        box.findChild<QLabel*>("lblVersion")->text();
                offset = box.frameGeometry().center() - w.frameGeometry().center();
                auto* ok = box.findChild<QPushButton*>("cmdOK");
                // The focus follows the activation, which the platform reports when it can.
                QTRY_COMPARE(QApplication::focusWidget(), ok);
                okFocusedAndDefault = ok->isDefault();
                box.move(box.pos() + QPoint(40, 40));
                if (key)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
                else
                    QTest::mouseClick(ok, Qt::LeftButton);
                closedWhileOpen = !box.isVisible();
            });
            QVERIFY(f.click(MenuArray::Help, HelpAbout));
            QCOMPARE(seen.size(), round + 1);
            QVERIFY(closedWhileOpen);
            QVERIFY(okFocusedAndDefault);
            QCOMPARE(seen.last()->parentWidget(), &w);
            QCOMPARE(shown, QStringLiteral("QuillMar|Version 2.0.5"));
            QVERIFY2(offset.manhattanLength() <= 4,
                     qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
            QCOMPARE(iconImage(seen.last()->windowIcon()), iconImage(appIcon()));
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
        QCOMPARE(seen[0], seen[1]);
        QCOMPARE(w.findChildren<AboutBox*>().size(), 1);
        QCOMPARE(f.prompter.prompts.size(), 0);
    }

    // The entries are hidden and disabled; their handler, reached directly, says why.
    void helpEntries_haveNoHelp_data() {
        QTest::addColumn<int>("entry");
        QTest::newRow("Contents") << int(HelpContents);
        QTest::newRow("Search For Help On...") << int(HelpSearch);
    }
    void helpEntries_haveNoHelp() {
        QFETCH(int, entry);
        ProgramFixture f;
        const QString tree = writeTreeFile(f.dir, "notes.qmd", "TOP\n  CHILD\n");
        MainWindow& w = f.start({tree});
        QVERIFY(!f.click(MenuArray::Help, entry));
        QCOMPARE(f.prompter.prompts.size(), 0);
        f.prompter.answer(PromptAnswer::Ok);
        w.menu().dispatch(MenuArray::Help, entry);
        QCOMPARE(f.prompter.prompts.size(), 1);
        const Prompt p = f.prompter.last();
        QCOMPARE(p.text, QStringLiteral("Unable to display Help Contents. There is no Help "
                                        "associated with this project."));
        QCOMPARE(p.title, "QuillMar  [" + tree + "]"); // the window's caption at the time
        QCOMPARE(p.icon, PromptIcon::Information);
        QCOMPARE(p.buttons, PromptButtons::Ok);
    }

    void identity_namesTheProgramForTheDesktop() {
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("QuillMar"));
        QCOMPARE(QGuiApplication::applicationDisplayName(), QStringLiteral("QuillMar"));
        QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("2.0.5"));
        QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("quillmar"));
    }
};

QTEST_MAIN(TestHelpMenu)
#include "test_help_menu.moc"
