// The name entry dialog driven offscreen with keys and clicks while its modal show runs.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "edit/name_dialog.h"
#include "support/scripted_prompter.h"

using namespace qm;

namespace {
enum Entry { Keys, InputMethod, Paste }; // how the text gets into the box
// How the user leaves: Enter or Escape in the box, a click on Cancel, the close box, or
// Enter on a button reached with Tab.
enum End { Enter, Escape, CancelButton, CloseBox, EnterOnOk, EnterOnCancel };
} // namespace

class TestNameDialog : public QObject {
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

    /// Runs the modal ask() and plays `act` as the user once the dialog is up and has the
    /// keyboard focus (on a busy machine activation comes a while after the show); a dialog
    /// still open half a minute later is closed and the test fails.
    QString run(const NameRequest& request, const std::function<void()>& act) {
        QTimer poll;
        bool acted = false;
        int ticks = 0;
        const int giveUp = 3000;
        connect(&poll, &QTimer::timeout, this, [&] {
            const QWidget* focus = QApplication::focusWidget();
            const bool up = QApplication::activeModalWidget() == m_dlg.get() && focus &&
                            m_dlg->isAncestorOf(focus);
            if (++ticks > giveUp)
                m_dlg->done(QDialog::Rejected);
            else if (!acted && up && (acted = true))
                act();
        });
        poll.start(10);
        const QString result = m_dlg->ask(request);
        [&] {
            QVERIFY2(acted, "the dialog did not come up");
            QVERIFY2(ticks <= giveUp, "the dialog did not close");
        }();
        return result;
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
        const QString name = run({"Change QuillMar Item", "p", shown, !shown.isEmpty()}, [&] {
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
        QTest::newRow("short") << "New QuillMar DataFile"
                               << "Name for TOP Cell:" << 0;
        QTest::newRow("long name") << "Add QuillMar item"
                                   << "Name for GARDEN FURNITURE SE child item:" << 0;
        QTest::newRow("long word, large font") << "Change QuillMar Item"
                                               << "Name for WWWWWWWWWWWWWWWWWWWW Cell:" << 22;
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
        const QString name = run({title, prompt, {}, false}, [&] {
            // Title bars draw the title larger and bold, beside an icon and a few buttons.
            QFont bar = QApplication::font();
            bar.setBold(true);
            bar.setPointSizeF(bar.pointSizeF() * 1.2);
            const QFontMetrics titleMetrics(bar);
            QVERIFY(m_dlg->width() >=
                    titleMetrics.horizontalAdvance(title) + 4 * titleMetrics.height());
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
};

QTEST_MAIN(TestNameDialog)
#include "test_name_dialog.moc"
