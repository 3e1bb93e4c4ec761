// Renders windows into PNGs, so their look can be checked by eye.
//   make_screenshot DATAFILE OUT.png NAME...
//     the main window with a tree opened several levels deep: each NAME is opened in turn
//     from the current cell, the way a user double-clicks down a path.
//   make_screenshot --print DATAFILE PREVIEW.png LISTING.pdf NAME
//     NAME selected in the first cell, the print preview of its listing, then its Print
//     button, which writes the listing to LISTING.pdf.

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/program.h"
#include "app/qt_prompter.h"
#include "print/preview_window.h"
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
    bool grabbed = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* preview = qobject_cast<qm::PreviewWindow*>(QApplication::activeModalWidget());
        if (!preview)
            return;
        poll.stop();
        QCoreApplication::processEvents();
        grabbed = preview->grab().save(png);
        preview->tool(3)->trigger();
    });
    poll.start();
    if (!qm::test::chooseMenu(w, qm::MenuArray::Print, qm::PrintPreview))
        return fail("cannot choose", QStringLiteral("Print Preview..."));
    if (!grabbed)
        return fail("cannot write", png);
    if (prompter.unexpected > 0 || !QFileInfo::exists(pdf))
        return fail("the listing was not printed to", pdf);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.size() == 5 && args[0] == QLatin1String("--print"))
        return printShot(args.mid(1));
    if (args.size() < 2 || args[0].startsWith(QLatin1String("--"))) {
        std::fprintf(stderr, "usage: make_screenshot DATAFILE OUT.png NAME...\n"
                             "       make_screenshot --print DATAFILE PREVIEW.png LISTING.pdf "
                             "NAME\n");
        return 2;
    }
    return mainWindowShot(args);
}
