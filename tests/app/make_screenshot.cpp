// Renders windows into PNGs, so their look can be checked by eye.
//   make_screenshot DATAFILE OUT.png NAME...
//     the main window with a tree opened several levels deep: each NAME is opened in turn
//     from the current cell, the way a user double-clicks down a path.
//   make_screenshot --print DATAFILE PREVIEW.png LISTING.pdf NAME
//     NAME selected in the first cell, the print preview of its listing, then its Print
//     button, which writes the listing to LISTING.pdf.
//   make_screenshot --outline DATAFILE DOCUMENT OUT_DIR
//     the File and Edit menus open (file_menu.png, edit_menu.png), then DOCUMENT imported
//     with File -> Import Outline, its warnings box with the details shown
//     (import_warnings.png) and the window with the imported tree (imported.png).
//   make_screenshot --recovery DATAFILE OUTDIR NAME...
//     an item added below the last NAME opened and the program ended as a crash would end it; then,
//     opening the file again, the recovery question (recovery.png), the recovered window
//     (recovered.png) and the Options dialog (options.png).

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/program.h"
#include "app/qt_prompter.h"
#include "print/preview_window.h"
#include "settings/file_commands.h"
#include "settings/options_dialog.h"
#include "support/scripted_prompter.h"
#include "support/window_driver.h"

namespace {

int fail(const char* what, const QString& name) {
    std::fprintf(stderr, "make_screenshot: %s %s\n", what, qPrintable(name));
    return 1;
}

int mainWindowShot(const QStringList& args) {
    QTemporaryDir dir;
    qm::QtPrompter prompter;
    qm::Program program(prompter, dir.filePath("QuillMar.ini"));
    program.start({args[0]}, false);
    qm::MainWindow& w = program.window();
    for (const QString& name : args.mid(2)) {
        if (!qm::test::openEntry(w, w.browser().CurCel(), name))
            return fail("not listed:", name);
    }
    QCoreApplication::processEvents();
    if (!w.grab().save(args[1]))
        return fail("cannot write", args[1]);
    return 0;
}

// Runs `act`; the first modal window of type W it opens is made `ready`, saved to `png`, then
// closed by `close`. False when no such window came up or it could not be saved.
template <class W>
bool grabModal(const QString& png, const std::function<void()>& act,
               const std::function<void(W*)>& close, const std::function<void(W*)>& ready = {}) {
    bool grabbed = false;
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* modal = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!modal)
            return;
        poll.stop();
        seen = true;
        if (ready)
            ready(modal);
        QCoreApplication::processEvents();
        grabbed = modal->grab().save(png);
        close(modal);
    });
    poll.start();
    act();
    return seen && grabbed;
}

int printShot(const QStringList& args) {
    const QString& png = args[1];
    const QString& pdf = args[2];
    QTemporaryDir dir;
    qm::test::ScriptedPrompter prompter;
    qm::Program program(prompter, dir.filePath("QuillMar.ini"));
    program.start({args[0]}, false);
    qm::MainWindow& w = program.window();
    if (!qm::test::clickEntry(w, 0, args[3]))
        return fail("not listed:", args[3]);

    prompter.answerSave(pdf);
    bool chosen = false;
    const bool grabbed = grabModal<qm::PreviewWindow>(
        png, [&] { chosen = qm::test::chooseMenu(w, qm::MenuArray::Print, qm::PrintPreview); },
        [](qm::PreviewWindow* preview) { preview->tool(3)->trigger(); });
    if (!chosen)
        return fail("cannot choose", QStringLiteral("Print Preview..."));
    if (!grabbed)
        return fail("cannot write", png);
    if (prompter.unexpected > 0 || !QFileInfo::exists(pdf))
        return fail("the listing was not printed to", pdf);
    return 0;
}

// The real dialogs, but the file to import comes from the command line.
class OutlinePrompter : public qm::QtPrompter {
public:
    explicit OutlinePrompter(QString document) : m_document(std::move(document)) {}
    QString openFile(const QString&, const QString&, const QString&) override { return m_document; }

private:
    QString m_document;
};

int outlineShots(const QStringList& args) {
    const QString out = args[2];
    QTemporaryDir dir;
    OutlinePrompter prompter(args[1]);
    qm::Program program(prompter, dir.filePath("QuillMar.ini"));
    program.start({args[0]}, false);
    qm::MainWindow& w = program.window();
    prompter.setOwner(&w);
    QGuiApplication::clipboard()->setText(QStringLiteral("- PASTED\n"));
    for (const auto& [menu, name] : {std::pair(0, "file_menu.png"), {1, "edit_menu.png"}}) {
        QMenu* m = w.menu().topMenu(menu);
        m->popup(w.mapToGlobal(QPoint(0, 0)));
        QCoreApplication::processEvents();
        if (!m->grab().save(out + '/' + name))
            return fail("cannot write", out + '/' + name);
        m->close();
    }
    const bool warned = grabModal<QMessageBox>(
        out + "/import_warnings.png",
        [&] { (void)qm::test::chooseMenu(w, qm::MenuArray::File, qm::FileImportOutline); },
        [](QMessageBox* box) { box->accept(); },
        [](QMessageBox* box) {
            for (QAbstractButton* b : box->buttons())
                if (box->buttonRole(b) == QMessageBox::ActionRole)
                    b->click(); // Show Details...
        });
    if (!warned)
        return fail("no warnings box for", args[1]);
    QCoreApplication::processEvents();
    return w.grab().save(out + "/imported.png") ? 0 : fail("cannot write", out + "/imported.png");
}

int recoveryShot(const QStringList& args) {
    const QString& file = args[0];
    const QString out = args[1] + QLatin1Char('/');
    QTemporaryDir dir;
    const QString ini = dir.filePath("QuillMar.ini");
    {
        qm::test::ScriptedPrompter prompter;
        qm::Program program(prompter, ini);
        program.start({file}, false);
        qm::MainWindow& w = program.window();
        for (const QString& name : args.mid(2)) {
            if (!qm::test::openEntry(w, w.browser().CurCel(), name))
                return fail("not listed:", name);
        }
        prompter.answerName(QStringLiteral("NOT YET SAVED"));
        if (!qm::test::chooseMenu(w, qm::MenuArray::Edit, qm::EditAdd))
            return fail("cannot choose", QStringLiteral("Add"));
        program.files().recovery().tick();
    } // ended without its clean exit

    qm::QtPrompter prompter;
    qm::Program program(prompter, ini);
    const bool asked = grabModal<QMessageBox>(
        out + "recovery.png", [&] { program.start({file}, false); },
        [](QMessageBox* box) { box->defaultButton()->click(); });
    if (!asked)
        return fail("no recovery question for", file);
    qm::MainWindow& w = program.window();
    QCoreApplication::processEvents();
    if (!w.grab().save(out + "recovered.png"))
        return fail("cannot write", out + "recovered.png");
    const bool options = grabModal<qm::OptionsDialog>(
        out + "options.png",
        [&] { (void)qm::test::chooseMenu(w, qm::MenuArray::File, qm::FileOptions); },
        [](qm::OptionsDialog* d) { d->reject(); });
    if (!options)
        return fail("cannot write", out + "options.png");
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // The recovery files the shots leave stay out of the user's own state folder, where the
    // program would offer them at its next start.
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 5 && args[0] == QLatin1String("--print"))
        return printShot(args.mid(1));
    if (args.size() == 4 && args[0] == QLatin1String("--outline"))
        return outlineShots(args.mid(1));
    if (args.size() >= 4 && args[0] == QLatin1String("--recovery"))
        return recoveryShot(args.mid(1));
    if (args.size() < 2 || args[0].startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: make_screenshot DATAFILE OUT.png NAME...\n"
                             "       make_screenshot --print DATAFILE PREVIEW.png LISTING.pdf "
                             "NAME\n"
                             "       make_screenshot --outline DATAFILE DOCUMENT OUT_DIR\n"
                             "       make_screenshot --recovery DATAFILE OUTDIR NAME...\n");
        return 2;
    }
    return mainWindowShot(args);
}
