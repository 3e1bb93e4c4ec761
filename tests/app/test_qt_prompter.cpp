// The real message boxes, shown offscreen: wide enough that a window manager shows their
// whole title beside its buttons.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/qt_prompter.h"

using namespace qm;

class TestQtPrompter : public QObject {
    Q_OBJECT

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
        int ticks = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                width = box->width();
                box->button(QMessageBox::Cancel)->click();
            } else if (++ticks > 300 && box) {
                box->reject();
            }
        });
        poll.start(10);
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
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            poll.stop();
            for (QAbstractButton* b : box->buttons())
                shown << b->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        poll.start(10);
        QCOMPARE(prompter.choose("Recover them?", "QuillMar Recovery", PromptIcon::Question,
                                 {"Recover", "Discard", "Cancel"}, 0, 2),
                 chosen);
        shown.sort();
        QCOMPARE(shown, QStringList({"Cancel", "Discard", "Recover"}));
    }
};

QTEST_MAIN(TestQtPrompter)
#include "test_qt_prompter.moc"
