// The Help menu in the running program: the About box, modal over the main window, and the
// help entries that have no help; and the identity the program gives the desktop.

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "about/about_box.h"
#include "about/app_identity.h"
#include "support/program_fixture.h"
#include "window/emblem.h"

using namespace qm;
using namespace qm::test;

namespace {

/// Runs `check` on the modal dialog once one is up (polled, so it works whenever the dialog
/// appears); gives up after a few seconds. A dialog the check left open is closed, so a
/// failing check ends the test instead of hanging it.
void whenModal(std::function<void(QWidget*)> check) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, check] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            check(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
                dialog->reject();
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
}

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestHelpMenu : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { applyApplicationIdentity(); }

    void about_isModalOverTheWindowAndCloses_data() {
        QTest::addColumn<int>("key"); // 0: a click on OK
        QTest::newRow("Enter") << int(Qt::Key_Enter);
        QTest::newRow("Return") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
        QTest::newRow("click OK") << 0;
    }
    void about_isModalOverTheWindowAndCloses() {
        QFETCH(int, key);
        ProgramFixture f;
        MainWindow& w = f.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        for (int round = 0; round < 2; ++round) { // the kept box behaves the same next time
            QWidget* seen = nullptr;
            QString title, version;
            bool okFocusedAndDefault = false, closedWhileOpen = false;
            whenModal([&](QWidget* modal) {
                seen = modal;
                title = modal->findChild<QLabel*>("lblTitle")->text();
                version = modal->findChild<QLabel*>("lblVersion")->text();
                auto* ok = modal->findChild<QPushButton*>("cmdOK");
                // The focus follows the activation, which the platform reports when it can.
                QTRY_COMPARE(QApplication::focusWidget(), ok);
                okFocusedAndDefault = ok->isDefault();
                if (key)
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
                else
                    QTest::mouseClick(ok, Qt::LeftButton);
                closedWhileOpen = !modal->isVisible();
            });
            QVERIFY(f.click(MenuArray::Help, HelpAbout));
            // The menu command returns only once the box is closed again.
            QVERIFY(seen);
            QVERIFY(closedWhileOpen);
            QVERIFY(okFocusedAndDefault);
            QCOMPARE(seen->objectName(), QStringLiteral("frmAbout"));
            QCOMPARE(seen->parentWidget(), &w);
            QCOMPARE(title, QStringLiteral("QuillMar"));
            QCOMPARE(version, QStringLiteral("Version 2.0.5"));
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
        QCOMPARE(f.prompter.prompts.size(), 0);
    }

    // Made on first use and kept: the second opening shows the same box, centred again.
    void about_isKeptAndCentredOnTheWindow() {
        ProgramFixture f;
        MainWindow& w = f.start();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QList<QWidget*> seen;
        QList<QPoint> offsets;
        for (int round = 0; round < 2; ++round) {
            whenModal([&](QWidget* modal) {
                seen << modal;
                offsets << modal->frameGeometry().center() - w.frameGeometry().center();
                modal->move(modal->pos() + QPoint(40, 40)); // moved away, it comes back
                QTest::keyClick(modal, Qt::Key_Escape);
            });
            QVERIFY(f.click(MenuArray::Help, HelpAbout));
        }
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0], seen[1]);
        QCOMPARE(w.findChildren<AboutBox*>().size(), 1);
        for (const QPoint& offset : offsets)
            QVERIFY2(offset.manhattanLength() <= 4,
                     qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
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

    // The main window and the About box carry the emblem.
    void identity_everyWindowCarriesTheEmblem() {
        ProgramFixture f;
        MainWindow& w = f.start();
        const QImage emblem = iconImage(appIcon());
        QCOMPARE(iconImage(w.windowIcon()), emblem);
        QImage boxIcon;
        whenModal([&](QWidget* modal) {
            boxIcon = iconImage(modal->windowIcon());
            QTest::keyClick(modal, Qt::Key_Escape);
        });
        QVERIFY(f.click(MenuArray::Help, HelpAbout));
        QCOMPARE(boxIcon, emblem);
    }
};

QTEST_MAIN(TestHelpMenu)
#include "test_help_menu.moc"
