// Opens a data file in the window, offscreen, and opens the cells some levels deep, as a user
// browsing it would; then reports the peak resident memory beside the file's size.
// Usage: window_memory FILE LEVELS  (LEVELS 1: the top item's children listed in cell 0)

#include <QApplication>
#include <QFileInfo>
#include <cstdio>
#include <sys/resource.h>

#include "silent_prompter.h"
#include "store/node_table.h"
#include "window/cell_list.h"
#include "window/main_window.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_memory FILE LEVELS\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const int levels = std::atoi(argv[2]);
    qm::bench::SilentPrompter prompter;
    qm::MainWindow w(prompter);
    w.show();
    if (!w.DataLoad(path)) {
        std::fprintf(stderr, "window_memory: %s was refused\n", argv[1]);
        return 1;
    }
    qm::ColumnBrowser& browser = w.browser();
    int cel = 0;
    for (int level = 1; level < levels; ++level) {
        // The first entry with children, which the lists show first.
        qm::CellList* list = browser.list(cel);
        if (list->entries()->rowCount() == 0 || !list->entries()->hasChildrenAt(0)) {
            std::fprintf(stderr, "window_memory: the tree is not %d levels deep\n", levels);
            return 1;
        }
        list->selectRow(0);
        browser.openEntry(cel);
        cel = browser.CurCel();
    }
    QCoreApplication::processEvents();
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double peak = static_cast<double>(usage.ru_maxrss) * 1024;
    const double size = static_cast<double>(QFileInfo(path).size());
    std::printf("%d levels open, %d entries in the last cell: peak RSS %.1f MiB, file %.1f MiB, "
                "%.2f times the file\n",
                levels, browser.list(cel)->entries()->rowCount(), peak / (1 << 20),
                size / (1 << 20), peak / size);
    return 0;
}
