// Renders the finding windows into PNGs, so their look can be checked by eye:
//   make_find_screenshot DATAFILE OUT_DIR
// writes OUT_DIR/find.png (the Find window after a search from the top item, one result
// opened in the cells), OUT_DIR/bookmarks.png (the bookmark editor, an entry selected) and
// OUT_DIR/goto.png (the Go To menu with its bookmarks).

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

#include "app/program.h"
#include "find/book_editor.h"
#include "find/bookmarks.h"
#include "find/find_commands.h"
#include "find/found_list.h"
#include "support/scripted_prompter.h"
#include "support/window_driver.h"

namespace {

int fail(const char* what, const QString& name) {
    std::fprintf(stderr, "make_find_screenshot: %s %s\n", what, qPrintable(name));
    return 1;
}

bool save(QWidget& widget, const QString& path) {
    QCoreApplication::processEvents();
    return widget.grab().save(path);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2)
        return fail("usage:", "make_find_screenshot DATAFILE OUT_DIR");
    const QString out = args[1];
    QTemporaryDir dir;
    qm::test::ScriptedPrompter prompter;
    qm::Program program(prompter, dir.filePath("QuillMar.ini"));
    program.start({args[0]}, false);
    qm::MainWindow& w = program.window();

    // Bookmarks of a few places, the deepest first, so the newest is at the top.
    for (const QString& name : QStringList{"EUROPE", "FRANCE", "ÎLE-DE-FRANCE", "PARIS"}) {
        if (!qm::test::openEntry(w, w.browser().CurCel(), name))
            return fail("not listed:", name);
    }
    for (const QString& name : QStringList{"1ER ARRONDISSEMENT", "4E ARRONDISSEMENT"}) {
        if (!qm::test::clickEntry(w, w.browser().CurCel(), name))
            return fail("not listed:", name);
        if (!qm::test::chooseMenu(w, qm::MenuArray::Book, qm::BookThis))
            return fail("cannot bookmark", name);
    }
    qm::Bookmarks& books = program.bookmarks();
    books.Book_Add(QStringLiteral("\\ASIA"));

    if (!qm::test::clickEntry(w, 0, "EUROPE"))
        return fail("not listed:", "EUROPE");
    w.browser().focusCell(0);
    w.browser().list(0)->clearSelection();
    if (!qm::test::chooseMenu(w, qm::MenuArray::Go, qm::GoFind))
        return fail("cannot open", "the Find window");
    qm::FindWindow* find = program.find().findWindow();
    find->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("GALERIE"));
    find->findChild<QRadioButton*>("Opt_1")->click();
    find->findChild<QPushButton*>("cmd_1")->click();
    if (find->results().rowCount() == 0)
        return fail("nothing found for", "GALERIE");
    if (!save(*find, out + "/find.png"))
        return fail("cannot write", out + "/find.png");

    qm::BookEditor editor({books.BookNames(1), books.BookNames(2), books.BookNames(3)}, w.scale(),
                          &w);
    editor.show();
    auto* lst = editor.findChild<QListWidget*>("lst");
    lst->setCurrentRow(1);
    if (!save(editor, out + "/bookmarks.png"))
        return fail("cannot write", out + "/bookmarks.png");
    editor.hide();

    QMenu* go = w.menu().topMenu(2);
    go->popup(w.mapToGlobal(QPoint(0, 0)));
    if (!save(*go, out + "/goto.png"))
        return fail("cannot write", out + "/goto.png");
    go->hide();
    return 0;
}
