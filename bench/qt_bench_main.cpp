// main() for the benchmark programs that need a Qt application: offscreen, so they run
// without a display.

#include <benchmark/benchmark.h>

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Recovery journals of the trees measured stay with the benchmark's scratch files.
    if (const QByteArray tmp = qgetenv("TMPDIR"); !tmp.isEmpty())
        qputenv("XDG_STATE_HOME", tmp);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
