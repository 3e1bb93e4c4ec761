// The name entry dialog driven offscreen with keys and clicks while its modal show runs.

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

#include "edit/name_dialog.h"
#include "support/scripted_prompter.h"
#include "window/twips.h"

using namespace qm;

namespace {
enum Entry { Keys, InputMethod, Paste }; // how the text gets into the box
}

class TestNameDialog : public QObject {
    Q_OBJECT

    test::ScriptedPrompter m_prompter;
    std::unique_ptr<NameDialog> m_dlg;

    QLineEdit* txt() const { return m_dlg->findChild<QLineEdit*>(QStringLiteral("Txt")); }
    QPushButton* button(const char* name) const {
        return m_dlg->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    /// Keys go where the keyboard focus is, as a user's would.
    void type(const QString& keys) const {
        for (QChar c : keys) // Qt's key codes are the characters' upper-case codes
            QTest::sendKeyEvent(QTest::Click, m_dlg->focusWidget(), Qt::Key(c.toUpper().unicode()),
                                QString(c), Qt::NoModifier);
    }
    void press(Qt::Key key) const { QTest::keyClick(m_dlg->focusWidget(), key); }

    /// Runs the modal ask() and plays `act` as the user once the dialog is up; a dialog that
    /// is still open a few seconds later is closed and the test fails.
    QString run(const NameRequest& request, const std::function<void()>& act) {
        QTimer poll;
        QElapsedTimer clock;
        bool acted = false, timedOut = false;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!acted && QApplication::activeModalWidget() == m_dlg.get()) {
                acted = true;
                act();
            } else if (clock.elapsed() > 3000) {
                timedOut = true;
                m_dlg->done(QDialog::Rejected);
            }
        });
        clock.start();
        poll.start(10);
        const QString result = m_dlg->ask(request);
        [&] { QVERIFY2(acted && !timedOut, "the dialog did not come up or did not close"); }();
        return result;
    }

private slots:
    void init() {
        m_prompter.clear();
        m_dlg = std::make_unique<NameDialog>(m_prompter);
    }
    void cleanup() {
        m_dlg.reset();
        QCOMPARE(m_prompter.unexpected, 0);
    }

    void enteredText_raisesOnlyAToZ_data() {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("result");
        QTest::newRow("accents and sharp s stay") << "äéñßy" << int(Keys) << QString() << "äéñßY";
        QTest::newRow("digits and punctuation")
            << "a-1.b_2!z?" << int(Keys) << QString() << "A-1.B_2!Z?";
        QTest::newRow("spaces kept") << "  a b  " << int(Keys) << QString() << "  A B  ";
        QTest::newRow("twentieth character refused")
            << "abcdefghijklmnopqrstu" << int(Keys) << QString() << "ABCDEFGHIJKLMNOPQRS";
        QTest::newRow("composed text raised too") << "éa" << int(InputMethod) << QString() << "éA";
        QTest::newRow("pasted text keeps its case")
            << "lower Case" << int(Paste) << QString() << "lower Case";
        QTest::newRow("typing replaces the selected old name")
            << "new" << int(Keys) << QString("OLD NAME") << "NEW";
        const QString twenty = "ABCDEFGHIJKLMNOPQRST";
        QTest::newRow("twenty-character old name comes back whole")
            << QString() << int(Keys) << twenty << twenty;
    }
    void enteredText_raisesOnlyAToZ() {
        QFETCH(QString, entered);
        QFETCH(int, how);
        QFETCH(QString, shown);
        QFETCH(QString, result);
        QGuiApplication::clipboard()->setText(entered);
        QCOMPARE(run({"Change QuillMar Item", "Name for TOP Cell:", shown, !shown.isEmpty()},
                     [&] {
                         QInputMethodEvent composed;
                         composed.setCommitString(entered);
                         if (how == Keys)
                             type(entered);
                         else if (how == Paste)
                             QTest::keyClick(m_dlg->focusWidget(), Qt::Key_V, Qt::ControlModifier);
                         else
                             QCoreApplication::sendEvent(m_dlg->focusWidget(), &composed);
                         press(Qt::Key_Return);
                     }),
                 result);
        QVERIFY(m_prompter.prompts.isEmpty());
    }

    void enterOnEmptyText_alertsAndStaysOpen() {
        bool openAfterAlert = false;
        const QString name = run({"New QuillMar DataFile", "Name for TOP Cell:", {}, false}, [&] {
            QCOMPARE(QApplication::focusWidget(), txt());
            press(Qt::Key_Return);
            openAfterAlert = m_dlg->isVisible();
            type("root");
            press(Qt::Key_Return);
        });
        QVERIFY(openAfterAlert);
        QCOMPARE(name, QStringLiteral("ROOT"));
        QCOMPARE(m_prompter.prompts.size(), 1);
        const test::Prompt alert = m_prompter.last();
        QCOMPARE(alert.text,
                 QStringLiteral("You MUST state a name !\r\n       (or click 'Cancel')"));
        QCOMPARE(alert.title, QStringLiteral("QuillMar Alert"));
        QCOMPARE(alert.icon, PromptIcon::Exclamation);
        QCOMPARE(alert.buttons, PromptButtons::Ok);
    }

    void cancelWays_returnEmptyText_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Escape in the text box") << 0;
        QTest::newRow("Cancel button") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelWays_returnEmptyText() {
        QFETCH(int, way);
        QCOMPARE(run({"Change QuillMar Item", "Name for TOP Cell:", "OLD", false},
                     [&] {
                         type("new");
                         if (way == 0) {
                             press(Qt::Key_Escape);
                         } else if (way == 1) {
                             QTest::mouseClick(button("CancelButton"), Qt::LeftButton);
                         } else {
                             QCloseEvent close; // what the window system sends
                             QCoreApplication::sendEvent(m_dlg->windowHandle(), &close);
                         }
                     }),
                 QString());
        QVERIFY(!m_dlg->isVisible());
        QVERIFY(m_prompter.prompts.isEmpty());
    }

    void clientArea_sizedAndPlacedInTwips() {
        QRect shown;
        run({"t", "p", {}, false}, [&] {
            shown = m_dlg->geometry();
            press(Qt::Key_Escape);
        });
        const QPoint origin = m_dlg->screen()->geometry().topLeft();
        QCOMPARE(shown, QRect(origin + twips::point(2760, 3750), twips::size(3615, 1545)));
        QCOMPARE(m_dlg->minimumSize(), m_dlg->maximumSize());
    }
};

QTEST_MAIN(TestNameDialog)
#include "test_name_dialog.moc"
