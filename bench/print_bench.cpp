// Printing benchmarks, offscreen: a 100,000-line listing laid out onto a PDF and recorded as
// preview pages, beside a baseline that sends the same texts and lines, at positions
// worked out beforehand, straight to a painter on a PDF writer.

#include <benchmark/benchmark.h>

#include <QFile>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "bench_tree.h"
#include "print/listing_layout.h"
#include "print/painter_surface.h"
#include "print/print_target.h"
#include "print/recorded_pages.h"

namespace {

constexpr std::int32_t kLines = 100000;
const qm::ListingSettings kSettings{2, 10, 0}; // descendancy lines drawn

QPageLayout a4() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(),
                       QPageLayout::Point, QMarginsF());
}

struct Listing {
    qm::NodeTable tree = qm::bench::makeTree(kLines + 1); // the top item and 100,000 below
    QSizeF sheet = qm::sheetTwips(a4());
    double sample = qm::sheetTextWidth(qm::columnSample(), kSettings.FontSize);
    QTemporaryDir dir;
    // What the layout draws on the printer, recorded once for the baseline.
    qm::RecordedPages printed{qm::PageSurface::Twips, 20};
    Listing() {
        printed.reset(sheet);
        qm::layOutListing(printed, tree, 1, kSettings, sheet.width(), sample);
    }
};

Listing& listing() {
    static Listing l;
    return l;
}

void DirectPdf(benchmark::State& state) {
    const Listing& l = listing();
    const QString path = l.dir.filePath("direct.pdf");
    for (auto _ : state) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the PDF");
        QPdfWriter writer(&file);
        QPageLayout layout = a4();
        layout.setMode(QPageLayout::FullPageMode);
        writer.setPageLayout(layout);
        QPainter painter(&writer);
        painter.scale(writer.resolution() / 1440.0, writer.resolution() / 1440.0);
        painter.setPen(QPen(Qt::black, 10));
        for (int n = 1; n <= l.printed.pageCount(); ++n) {
            if (n > 1)
                writer.newPage();
            const qm::RecordedPage& page = l.printed.page(n);
            for (const qm::RecordedPage::Picture& p : page.pictures)
                p.picture->paint(painter, p.rect);
            for (const QLineF& line : page.lines)
                painter.drawLine(line);
            int font = -1;
            for (const qm::RecordedPage::Text& t : page.texts) {
                if (t.font != font)
                    painter.setFont(l.printed.fonts()[static_cast<std::size_t>(font = t.font)]);
                painter.drawText(t.baseline, t.text);
            }
        }
        painter.end();
    }
}
BENCHMARK(DirectPdf)->Arg(kLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void ListingPdf(benchmark::State& state) {
    const Listing& l = listing();
    const QString path = l.dir.filePath("listing.pdf");
    for (auto _ : state) {
        const auto target = qm::PrintTarget::pdfFile(path, a4());
        if (!target->begin(QStringLiteral("QuillMar listing")) ||
            qm::layOutListing(target->surface(), l.tree, 1, kSettings, l.sheet.width(), l.sample) !=
                qm::ListingResult::Done ||
            !target->finish())
            state.SkipWithError("the listing was not printed");
    }
}
BENCHMARK(ListingPdf)->Arg(kLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void Preview(benchmark::State& state) {
    const Listing& l = listing();
    qm::RecordedPages pages(qm::PageSurface::OwnScale, 40);
    for (auto _ : state) {
        pages.reset(l.sheet);
        qm::layOutListing(pages, l.tree, 1, kSettings, l.sheet.width(), l.sample);
        benchmark::DoNotOptimize(pages.pageCount());
    }
    // A label, not a counter: the CSV report needs the same counters on every row.
    state.SetLabel(std::to_string(pages.pageCount()) + " pages");
}
BENCHMARK(Preview)->Arg(kLines)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
