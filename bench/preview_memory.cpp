// The print preview of a 100,000-line listing, for measuring its peak memory from outside
// (scripts/run-bench runs it under /usr/bin/time): every page laid out, then the window
// shown and paged to the end.

#include <QAction>
#include <QApplication>
#include <cstdio>

#include "bench_tree.h"
#include "print/listing_layout.h"
#include "print/painter_surface.h"
#include "print/preview_window.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qm::NodeTable tree = qm::bench::makeTree(100001);
    const qm::ListingSettings settings{2, 10, 0};
    const QSizeF half(5950, 8420); // A4
    qm::PreviewWindow preview;
    preview.prepare(half);
    if (qm::layOutListing(preview.pages(), tree, 1, settings, 2 * half.width(),
                          qm::sheetTextWidth(qm::columnSample(), settings.FontSize)) !=
        qm::ListingResult::Done)
        return 1;
    preview.show();
    while (preview.tool(2)->isEnabled()) {
        preview.tool(2)->trigger();
        preview.canvas()->repaint();
    }
    std::printf("%d pages, on page %d\n", preview.pages().pageCount(), preview.CurPage());
    return 0;
}
