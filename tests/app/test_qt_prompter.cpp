// The real dialogs, shown offscreen and driven with keys and clicks while their modal show
// runs: the name entry, and message boxes wide enough that a window manager shows their whole
// title beside its buttons.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "app/qt_prompter.h"
#include "edit/name_dialog.h"
#include "support/scripted_prompter.h"

using namespace qm;

namespace {
enum Entry { Keys, InputMethod, Paste }; // how the text gets into the box
// How the user leaves: Enter or Escape in the box, a click on Cancel, the close box, or
// Enter on a button reached with Tab.
enum End { Enter, Escape, CancelButton, CloseBox, EnterOnOk, EnterOnCancel };

// Title bars draw the title larger and bold, beside an icon and up to three buttons.
int titleBarWidth(const QString& title) {
    QFont bar = QApplication::font();
    bar.setBold(true);
    bar.setPointSizeF(bar.pointSizeF() * 1.2);
    const QFontMetrics fm(bar);
    return fm.horizontalAdvance(title) + 4 * fm.height();
}
} // namespace

class TestQtPrompter : public QObject {
    Q_OBJECT

    test::ScriptedPrompter m_prompter;
    std::unique_ptr<NameDialog> m_dlg;

    /// Keys go where the keyboard focus is, as a user's would.
    void type(const QString& keys) const {
        for (QChar c : keys) // Qt's key codes are the characters' upper-case codes
            QTest::sendKeyEvent(QTest::Click, m_dlg->focusWidget(), Qt::Key(c.toUpper().unicode()),
                                QString(c), Qt::NoModifier);
    }
    void press(Qt::Key key) const { QTest::keyClick(m_dlg->focusWidget(), key); }

    /// Runs the modal `show` and plays `act` as the user once a `Dialog` is up and has the
    /// keyboard focus (on a busy machine activation comes a while after the show); a dialog
    /// still open half a minute later is closed and the test fails.
    template <class Dialog, class Show>
    auto run(Show show, const std::function<void(Dialog&)>& act) {
        QTimer poll;
        bool acted = false;
        int ticks = 0;
        const int giveUp = 3000;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            const QWidget* focus = QApplication::focusWidget();
            if (++ticks > giveUp && d)
                d->done(QDialog::Rejected);
            else if (!acted && d && focus && d->isAncestorOf(focus) && (acted = true))
                act(*d);
        });
        poll.start(10);
        const auto result = show();
        [&] {
            QVERIFY2(acted, "the dialog did not come up");
            QVERIFY2(ticks <= giveUp, "the dialog did not close");
        }();
        return result;
    }
    QString runName(const NameRequest& request, const std::function<void()>& act) {
        return run<NameDialog>([&] { return m_dlg->ask(request); }, [&](NameDialog&) { act(); });
    }

private slots:
    void init() {
        m_prompter.clear();
        m_dlg = std::make_unique<NameDialog>(m_prompter);
    }
    void cleanup() { QVERIFY(m_prompter.allAnswered()); }

    void enteredText_raisedOnlyAToZ_orDroppedOnCancel_data() {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("result");
        const QString none, twenty = "ABCDEFGHIJKLMNOPQRST";
        const auto row = [](const char* name) -> QTestData& { return QTest::newRow(name); };
        row("a-z raised, rest kept") << " äß-1.b_!z? " << 0 << none << 0 << " äß-1.B_!Z? ";
        row("twentieth character refused") << twenty.toLower() << 0 << none << 0 << twenty.left(19);
        row("composed text raised too") << "éa" << int(InputMethod) << none << 0 << "éA";
        row("pasted keeps its case") << "lower Case" << int(Paste) << none << 0 << "lower Case";
        row("typing replaces the selected old name") << "new" << 0 << "OLD" << 0 << "NEW";
        row("twenty-character old name comes back whole") << none << 0 << twenty << 0 << twenty;
        row("Escape gives nothing") << "new" << 0 << "OLD" << int(Escape) << none;
        row("Cancel gives nothing") << "new" << 0 << "OLD" << int(CancelButton) << none;
        row("close box gives nothing") << "new" << 0 << "OLD" << int(CloseBox) << none;
        row("Enter on OK gives the name") << "new" << 0 << "OLD" << int(EnterOnOk) << "NEW";
        row("Enter on Cancel gives nothing") << "new" << 0 << "OLD" << int(EnterOnCancel) << none;
    }
    void enteredText_raisedOnlyAToZ_orDroppedOnCancel() {
        QFETCH(QString, entered);
        QFETCH(int, how);
        QFETCH(QString, shown);
        QFETCH(int, end);
        QGuiApplication::clipboard()->setText(entered);
        QInputMethodEvent composed;
        composed.setCommitString(entered);
        QCloseEvent close; // what the window system sends
        const QString name = runName({"Change QuillMar Item", "p", shown, !shown.isEmpty()}, [&] {
            if (how == Keys)
                type(entered);
            else if (how == Paste)
                QTest::keyClick(m_dlg->focusWidget(), Qt::Key_V, Qt::ControlModifier);
            else
                QCoreApplication::sendEvent(m_dlg->focusWidget(), &composed);
            if (end == Enter || end == Escape)
                press(end == Enter ? Qt::Key_Return : Qt::Key_Escape);
            else if (end == CancelButton)
                QTest::mouseClick(m_dlg->findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
            else if (end == CloseBox)
                QCoreApplication::sendEvent(m_dlg->windowHandle(), &close);
            else {
                for (int tabs = end == EnterOnOk ? 1 : 2; tabs > 0; --tabs)
                    press(Qt::Key_Tab);
                QCOMPARE(m_dlg->focusWidget()->objectName(),
                         QString(end == EnterOnOk ? "OKButton" : "CancelButton"));
                press(Qt::Key_Return);
            }
        });
        QTEST(name, "result");
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(m_prompter.prompts.isEmpty());
    }

    // A prompt with a 20-character name wraps; a word wider than the label (large font) widens
    // the dialog, and so does a title the window manager would cut. Enter on an empty box
    // alerts and leaves the dialog open.
    void longPrompt_shownWhole_enterOnEmptyAlerts_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("prompt");
        QTest::addColumn<int>("points");
        // clang-format off
        QTest::newRow("short")                 << "New QuillMar DataFile" << "Name for TOP Cell:" << 0;
        QTest::newRow("long name")             << "Add QuillMar item"     << "Name for GARDEN FURNITURE SE child item:" << 0;
        QTest::newRow("long word, large font") << "Change QuillMar Item"  << "Name for WWWWWWWWWWWWWWWWWWWW Cell:" << 22;
        // clang-format on
    }
    void longPrompt_shownWhole_enterOnEmptyAlerts() {
        QFETCH(QString, title);
        QFETCH(QString, prompt);
        QFETCH(int, points);
        if (points) {
            QFont big = m_dlg->font();
            big.setPointSize(points);
            m_dlg->setFont(big);
        }
        m_prompter.answer(PromptAnswer::Ok);
        const QString name = runName({title, prompt, {}, false}, [&] {
            QVERIFY(m_dlg->width() >= titleBarWidth(title));
            auto* lab = m_dlg->findChild<QLabel*>("Lab");
            auto* txt = m_dlg->findChild<QWidget*>("Txt");
            QCOMPARE(lab->text(), prompt);
            // One line that fits, or wrapped lines that all fit, each word within the width.
            const QFontMetrics fm(lab->font());
            const QRect room = lab->contentsRect();
            if (!lab->wordWrap())
                QVERIFY(fm.horizontalAdvance(prompt) <= room.width());
            for (const QString& word : prompt.split(' '))
                QVERIFY2(fm.horizontalAdvance(word) <= room.width(), qPrintable(word));
            QVERIFY(fm.boundingRect(QRect(0, 0, room.width(), 1000), Qt::TextWordWrap, prompt)
                        .height() <= room.height());
            // Nothing overlaps it and everything stays inside the dialog.
            QVERIFY(lab->geometry().bottom() < txt->geometry().top());
            for (const char* child : {"Txt", "OKButton", "CancelButton"})
                QVERIFY2(m_dlg->rect().contains(m_dlg->findChild<QWidget*>(child)->geometry()),
                         child);
            // A screen reader names the text box by the prompt.
            QCOMPARE(QAccessible::queryAccessibleInterface(txt)->text(QAccessible::Name), prompt);
            QCOMPARE(QApplication::focusWidget(), txt);
            press(Qt::Key_Return);
            QVERIFY(m_dlg->isVisible());
            type("root");
            press(Qt::Key_Return);
        });
        QCOMPARE(name, QStringLiteral("ROOT"));
        QCOMPARE(m_prompter.prompts.size(), 1);
        const test::Prompt alert = m_prompter.last();
        QCOMPARE(alert.text,
                 QStringLiteral("You MUST state a name !\r\n       (or click 'Cancel')"));
        QCOMPARE(alert.title, QStringLiteral("QuillMar Alert"));
        QCOMPARE(alert.icon, PromptIcon::Exclamation);
        QCOMPARE(alert.buttons, PromptButtons::Ok);
    }

    void messageBox_wideEnoughForItsTitle_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        // clang-format off
        QTest::newRow("warning")     << "QuillMar Warning"     << "Sure to delete LEEK ?";
        QTest::newRow("input error") << "Quillmar Input Error" << "A already exists !";
        QTest::newRow("alert")       << "QuillMar Alert"       << "No Selection";
        // clang-format on
    }
    void messageBox_wideEnoughForItsTitle() {
        QFETCH(QString, title);
        QFETCH(QString, text);
        QtPrompter prompter(nullptr);
        int width = 0;
        const auto ask = [&] {
            return prompter.ask(text, title, PromptIcon::None, PromptButtons::OkCancel);
        };
        QCOMPARE(run<QMessageBox>(ask,
                                  [&](QMessageBox& box) {
                                      width = box.width();
                                      box.button(QMessageBox::Cancel)->click();
                                  }),
                 PromptAnswer::Cancel);
        QVERIFY2(width >= titleBarWidth(title), qPrintable(QString::number(width)));
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
        QtPrompter prompter(nullptr);
        QStringList shown;
        const auto choose = [&] {
            return prompter.choose("Recover them?", "QuillMar Recovery", PromptIcon::Question,
                                   {"Recover", "Discard", "Cancel"}, 0, 2);
        };
        QTEST(run<QMessageBox>(choose,
                               [&](QMessageBox& box) {
                                   for (QAbstractButton* b : box.buttons())
                                       shown << b->text();
                                   QTest::keyClick(&box, Qt::Key(key));
                               }),
              "chosen");
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
        run<QMessageBox>([&] { return (prompter.alert(QStringLiteral("No matches")), 0); },
                         [&](QMessageBox& box) {
                             over = box.parentWidget();
                             box.button(QMessageBox::Ok)->click();
                         });
        QCOMPARE(over, &beside);
    }
};

QTEST_MAIN(TestQtPrompter)
#include "test_qt_prompter.moc"
