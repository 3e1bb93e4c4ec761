// The real message boxes, shown offscreen: wide enough that a window manager shows their
// whole title beside its buttons.

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/qt_prompter.h"

using namespace qm;

class TestQtPrompter : public QObject {
    Q_OBJECT

    // Runs `act` on the message box once it is up; one still up a few seconds later is
    // rejected.
    void onBox(QTimer& poll, std::function<void(QMessageBox&)> act) {
        auto ticks = std::make_shared<int>(0);
        connect(&poll, &QTimer::timeout, this, [act, ticks] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible())
                act(*box);
            else if (++*ticks > 300 && box)
                box->reject();
        });
        poll.start(10);
    }

private slots:
    void messageBox_wideEnoughForItsTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("warning") << "QuillMar Warning"
                                 << "Sure to delete LEEK ?";
        QTest::newRow("input error") << "Quillmar Input Error"
                                     << "A already exists !";
        QTest::newRow("alert") << "QuillMar Alert"
                               << "No Selection";
    }
    void messageBox_wideEnoughForItsTitle() {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QtPrompter prompter(nullptr);
        int width = 0;
        QTimer poll;
        onBox(poll, [&](QMessageBox& box) {
            width = box.width();
            box.button(QMessageBox::Cancel)->click();
        });
        QCOMPARE(prompter.ask(text, title, PromptIcon::None, PromptButtons::OkCancel),
                 PromptAnswer::Cancel);
        // Title bars draw the title larger and bold, beside an icon and up to three buttons.
        QFont font = QApplication::font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() * 1.2);
        const QFontMetrics fm(font);
        QVERIFY2(width >= fm.horizontalAdvance(title) + 4 * fm.height(),
                 qPrintable(QString::number(width)));
    }

    // Buttons of its own: Enter takes the preferred one, Esc the one named for it.
    void choose_enterAndEscape_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("chosen");
        QTest::newRow("Enter") << int(Qt::Key_Return) << 0;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << 2;
    }
    void choose_enterAndEscape() {
        QFETCH(int, key);
        QFETCH(int, chosen);
        QtPrompter prompter(nullptr);
        QStringList shown;
        QTimer poll;
        onBox(poll, [&](QMessageBox& box) {
            poll.stop();
            for (QAbstractButton* b : box.buttons())
                shown << b->text();
            QTest::keyClick(&box, Qt::Key(key));
        });
        QCOMPARE(prompter.choose("Recover them?", "QuillMar Recovery", PromptIcon::Question,
                                 {"Recover", "Discard", "Cancel"}, 0, 2),
                 chosen);
        shown.sort();
        QCOMPARE(shown, QStringList({"Cancel", "Discard", "Recover"}));
    }

    // A prompt comes up over the window the user works in, such as the Find window beside
    // the main window: a window manager gives the focus back to it when the prompt closes.
    void prompt_overTheActiveWindow() {
        QWidget owner;
        owner.show();
        QDialog beside(&owner);
        beside.show();
        beside.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &beside);
        QtPrompter prompter(&owner);
        QWidget* over = nullptr;
        QTimer poll;
        onBox(poll, [&](QMessageBox& box) {
            over = box.parentWidget();
            box.button(QMessageBox::Ok)->click();
        });
        prompter.alert(QStringLiteral("No matches"));
        QCOMPARE(over, &beside);
    }
};

QTEST_MAIN(TestQtPrompter)
#include "test_qt_prompter.moc"
