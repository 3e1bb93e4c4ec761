// Opens a data file whose top item has millions of children in the window, offscreen, and
// reports how long the load with its list fill takes and the longest stretch in which the
// window handled none of its events. Run it under `/usr/bin/time -v` for the peak memory.
// Usage: huge_list FILE [CHILDREN]  (FILE is written first when it does not exist)

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProgressBar>
#include <QTimer>
#include <cstdio>

#include "bench_tree.h"
#include "silent_prompter.h"
#include "store/data_file.h"
#include "window/cell_list.h"
#include "window/main_window.h"

namespace {

// The top item and `children` children with names of 12 random capitals.
bool writeWide(const std::string& path, std::int32_t children) {
    std::string error;
    if (!qm::saveDataFile(path, qm::bench::makeWide("TOP", children), error))
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), error.c_str());
    return error.empty();
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: huge_list FILE [CHILDREN]\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!QFileInfo::exists(path) &&
        !writeWide(path.toStdString(), argc > 2 ? std::atoi(argv[2]) : 10000000))
        return 1;

    qm::bench::SilentPrompter prompter;
    qm::MainWindow w(prompter);
    w.show();
    QCoreApplication::processEvents();

    // The window's own timers stand for its events: the longest gap between their ticks is
    // the longest time the window could not repaint.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QString gapFrom, gapTo, lastText; // the status texts around the longest gap
    qint64 fillGap = 0;               // the longest gap while the list was being filled
    int ticks = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const QString text = w.status().statusText();
        if (now - lastTick > longestGap) {
            longestGap = now - lastTick;
            gapFrom = lastText;
            gapTo = text;
        }
        if (lastText == QLatin1String("Filling list ...") && text == lastText)
            fillGap = std::max(fillGap, now - lastTick);
        lastTick = now;
        lastText = text;
        ++ticks;
    });
    int barPaints = 0;
    struct PaintCounter : QObject {
        int& count;
        explicit PaintCounter(int& c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } counter(barPaints);
    w.status().progress()->installEventFilter(&counter);

    clock.start();
    tick.start();
    const bool loaded = w.DataLoad(path);
    const qint64 loadMs = clock.elapsed();
    if (loadMs - lastTick > longestGap) {
        longestGap = loadMs - lastTick;
        gapFrom = lastText;
        gapTo = QStringLiteral("(load returned)");
    }
    std::printf("load and fill: %lld ms, %s, %d entries in cell 0\n",
                static_cast<long long>(loadMs), loaded ? "loaded" : "refused",
                w.browser().list(0)->entries()->rowCount());
    std::printf("event ticks: %d, longest stretch without events: %lld ms, bar paints: %d\n", ticks,
                static_cast<long long>(longestGap), barPaints);
    std::printf("longest stretch while the list was filled: %lld ms\n",
                static_cast<long long>(fillGap));
    std::printf("the longest stretch ran from \"%s\" to \"%s\"\n", qPrintable(gapFrom),
                qPrintable(gapTo));

    clock.restart();
    w.browser().Cell_Fill(0);
    std::printf("a second fill of cell 0: %lld ms\n", static_cast<long long>(clock.elapsed()));
    return loaded ? 0 : 1;
}
