// Renders the main window with a tree opened several levels deep into a PNG, so the look of
// the window can be checked by eye: make_screenshot DATAFILE OUT.png NAME...
// Each NAME is opened in turn from the current cell, the way a user double-clicks down a path.

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "app/program.h"
#include "app/qt_prompter.h"
#include "support/window_driver.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: make_screenshot DATAFILE OUT.png NAME...\n");
        return 2;
    }
    QTemporaryDir dir;
    qm::QtPrompter prompter;
    qm::Program program(prompter, dir.filePath("QuillMar.ini"));
    program.start({args[1]}, false);
    qm::MainWindow& w = program.window();
    for (const QString& name : args.mid(3)) {
        if (!qm::test::openEntry(w, w.browser().CurCel(), name)) {
            std::fprintf(stderr, "make_screenshot: %s is not listed\n", qPrintable(name));
            return 1;
        }
    }
    QCoreApplication::processEvents();
    if (!w.grab().save(args[2])) {
        std::fprintf(stderr, "make_screenshot: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    return 0;
}
