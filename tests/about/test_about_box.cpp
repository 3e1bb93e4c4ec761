// frmAbout on its own: what it shows, and the System Info button with a PATH of the test's
// own; then the Help menu in the running program: the About box, modal over the main window,
// the help entries that have no help, and the identity the program gives the desktop: its
// names and the emblem, drawn from the built-in vector design at every size it is used at.

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

#include "about/about_box.h"
#include "about/app_identity.h"
#include "about/sys_info.h"
#include "base/emblem.h"
#include "support/control.h"
#include "support/modal_driver.h"
#include "support/program_fixture.h"
#include "window/twips.h"

using namespace qm;
using namespace qm::test;

namespace {

/// A folder of programs for PATH. A tool written here records that it started, then waits
/// on a pipe until the test lets it go, so a caller that waited for it would never return.
struct ToolFolder {
    QTemporaryDir dir;
    QString path(const QString& name) const { return dir.filePath(name); }
    QString marker(const QString& tool) const { return path(tool + QStringLiteral(".started")); }

    void addTool(const QString& name, bool executable = true,
                 const QByteArray& interpreter = "/bin/sh") const {
        QFile f(path(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!" + interpreter + "\n" +
                "echo \"$0\" > \"$0.started\"\n"
                "read line < \"${0%/*}/release\"\n");
        f.close();
        QVERIFY(f.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                            : QFile::ReadOwner | QFile::WriteOwner));
    }
    /// Lets a started tool finish.
    void release() const {
        QFile fifo(path(QStringLiteral("release")));
        QVERIFY(fifo.open(QIODevice::WriteOnly));
        fifo.write("go\n");
    }
};

QImage iconImage(const QIcon& icon) {
    return icon.pixmap(QSize(32, 32)).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestAboutBox : public QObject {
    Q_OBJECT

    QByteArray m_path;

private slots:
    void initTestCase() { applyApplicationIdentity(); }
    void init() { m_path = qgetenv("PATH"); }
    void cleanup() { qputenv("PATH", m_path); }

    // What the box shows; it cannot be resized, and nothing in it is cut off or lies outside.
    void form_showsEverythingAndFits() {
        ScriptedPrompter prompter;
        AboutBox box(prompter, nullptr);
        QCOMPARE(box.objectName(), QStringLiteral("frmAbout"));
        QCOMPARE(box.windowTitle(), QStringLiteral("About QuillMar"));
        QCOMPARE(control<QLabel>(&box, "lblTitle")->text(), QStringLiteral("QuillMar"));
        QCOMPARE(control<QLabel>(&box, "lblVersion")->text(), QStringLiteral("Version 2.0.5"));
        QVERIFY(!control<QLabel>(&box, "lblDescription")->text().isEmpty());
        QCOMPARE(control<QPushButton>(&box, "cmdSysInfo")->text(),
                 QStringLiteral("&System Info..."));
        QVERIFY(control(&box, "Line1")->isVisibleTo(&box));
        // The emblem's current cell is bright green; a blank picture has no such pixel.
        const QImage icon = control<QLabel>(&box, "picIcon")->pixmap().toImage();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.pixelColor(icon.width() * 42 / 64, icon.height() * 46 / 64),
                 QColor(0x44, 0xdd, 0x44));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.minimumSize(), twips::Scale().size(6630, 2445));
        QCOMPARE(box.maximumSize(), twips::Scale().size(6630, 2445));
        for (QWidget* child : box.findChildren<QWidget*>()) {
            QVERIFY2(box.rect().contains(child->geometry()), qPrintable(child->objectName()));
            if (auto* label = qobject_cast<QLabel*>(child); label && !label->wordWrap()) {
                QVERIFY2(label->sizeHint().width() <= label->width(),
                         qPrintable(label->objectName()));
                QVERIFY2(label->sizeHint().height() <= label->height(),
                         qPrintable(label->objectName()));
            }
            if (auto* button = qobject_cast<QPushButton*>(child))
                QVERIFY2(button->sizeHint().width() <= button->width(),
                         qPrintable(button->objectName()));
        }
        auto* disclaimer = control<QLabel>(&box, "lblDisclaimer");
        QVERIFY(!disclaimer->text().isEmpty());
        QVERIFY(disclaimer->heightForWidth(disclaimer->width()) <= disclaimer->height());
        QCOMPARE(prompter.prompts.size(), 0);
    }

    // PATH is a list of folders; the first candidate program found anywhere on it wins.
    void findSysInfoTool_data() {
        QTest::addColumn<QStringList>("first");  // programs in the first folder
        QTest::addColumn<QStringList>("second"); // programs in the second folder
        QTest::addColumn<QString>("found");      // "first/NAME", "second/NAME" or ""
        QTest::newRow("in the second folder")
            << QStringList{} << QStringList{"xfce4-taskmanager"} << "second/xfce4-taskmanager";
        QTest::newRow("preferred program in a later folder")
            << QStringList{"lxtask"} << QStringList{"kinfocenter"} << "second/kinfocenter";
        QTest::newRow("same program in both: PATH order")
            << QStringList{"hardinfo"} << QStringList{"hardinfo"} << "first/hardinfo";
        QTest::newRow("not a system tool") << QStringList{"top"} << QStringList{} << "";
    }
    void findSysInfoTool() {
        QFETCH(QStringList, first);
        QFETCH(QStringList, second);
        QFETCH(QString, found);
        ToolFolder a, b;
        for (const QString& name : first)
            a.addTool(name);
        for (const QString& name : second)
            b.addTool(name);
        const QString path = a.dir.path() + ":" + b.dir.path();
        const ToolFolder& in = found.startsWith("first/") ? a : b;
        QCOMPARE(qm::findSysInfoTool(path),
                 found.isEmpty() ? QString() : in.path(found.section('/', 1)));
    }

    void sysInfo_startsToolWithoutWaiting() {
        ToolFolder tools;
        tools.addTool(QStringLiteral("mate-system-monitor"));
        QCOMPARE(::mkfifo(QFile::encodeName(tools.path("release")).constData(), 0600), 0);
        qputenv("PATH", QFile::encodeName(tools.dir.path()));
        ScriptedPrompter prompter;
        AboutBox box(prompter, nullptr);
        box.show();
        QTest::mouseClick(control<QPushButton>(&box, "cmdSysInfo"), Qt::LeftButton);
        // Back here while the tool still waits for its release: it runs on its own.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(tools.marker("mate-system-monitor")), 20000);
        tools.release();
        QCOMPARE(prompter.prompts.size(), 0);
        QVERIFY(box.isVisible()); // the box stays open
    }

    void sysInfo_unavailable_alerts_data() {
        QTest::addColumn<QString>("pathKind");
        QTest::addColumn<bool>("executable");
        QTest::addColumn<QByteArray>("interpreter");
        QTest::newRow("empty PATH") << "empty" << true << QByteArray("/bin/sh");
        QTest::newRow("not executable") << "tools" << false << QByteArray("/bin/sh");
        QTest::newRow("cannot start") << "tools" << true << QByteArray("/nonexistent/shell");
        QTest::newRow("only a relative folder") << "relative" << true << QByteArray("/bin/sh");
    }
    void sysInfo_unavailable_alerts() {
        QFETCH(QString, pathKind);
        QFETCH(bool, executable);
        QFETCH(QByteArray, interpreter);
        ToolFolder tools;
        tools.addTool(QStringLiteral("gnome-system-monitor"), executable, interpreter);
        const QString cwd = QDir::currentPath();
        QByteArray path;
        if (pathKind == "tools")
            path = QFile::encodeName(tools.dir.path());
        if (pathKind == "relative") {
            QDir::setCurrent(tools.dir.path());
            path = ".";
        }
        qputenv("PATH", path);
        ScriptedPrompter prompter;
        prompter.answer(PromptAnswer::Ok);
        AboutBox box(prompter, nullptr);
        box.show();
        QTest::mouseClick(control<QPushButton>(&box, "cmdSysInfo"), Qt::LeftButton);
        QDir::setCurrent(cwd);
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.last().said(),
                 QStringLiteral("QuillMar Alert|System Information Is Unavailable At This Time"));
        QCOMPARE(prompter.last().icon, PromptIcon::Exclamation);
        QVERIFY(!QFile::exists(tools.marker("gnome-system-monitor")));
    }

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
            QPoint offset(99, 99);
            bool okFocusedAndDefault = false, closedWhileOpen = false;
            onModal<AboutBox>([&](AboutBox& box) {
                seen << &box;
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
        const QList<QSize> sizes = appIcon().availableSizes();
        for (const int side : {16, 32, 48, 64, 128, 256})
            QVERIFY2(sizes.contains(QSize(side, side)), qPrintable(QString::number(side)));
    }

    void emblem_showsTheGridWithItsPath_data() {
        QTest::addColumn<int>("side");
        QTest::newRow("preview 32") << 32;
        QTest::newRow("paper 64") << 64;
        QTest::newRow("large 256") << 256;
    }
    // A missing or unreadable design would leave the image blank.
    void emblem_showsTheGridWithItsPath() {
        QFETCH(int, side);
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        paintEmblem(painter, QRectF(0, 0, side, side));
        painter.end();
        const auto at = [&](double x, double y) {
            return image.pixelColor(int(x * side / 64), int(y * side / 64));
        };
        QCOMPARE(at(42.5, 46.5), QColor(0x44, 0xdd, 0x44)); // the current cell
        QCOMPARE(at(11, 17.5), QColor(0x3c, 0x9c, 0x3c));   // the first cell of the path
        QCOMPARE(at(11, 46.5), QColor(0xd2, 0xd2, 0xd2));   // a cell off the path
        QCOMPARE(at(0.5, 0.5).alpha(), 0);                  // the corner stays clear
    }
};

QTEST_MAIN(TestAboutBox)
#include "test_about_box.moc"
