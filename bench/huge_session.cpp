// A session with a very large tree in the whole program, offscreen: open the file, Find from
// the top, Save, and the Print Preview of the subtree nearest to 100,000 items (when there is
// one below the top item's children). Reports for each step its time, whether the status bar
// showed its progress, and the peak resident memory so far beside the file's size; fails when
// a step took over a second without showing its progress.
// Usage: huge_session FILE  (FILE is saved over: give it a copy)

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <utility>

#include "app/program.h"
#include "find/find_commands.h"
#include "find/found_list.h"
#include "find/path_reveal.h"
#include "print/print_commands.h"
#include "settings/file_commands.h"
#include "silent_prompter.h"
#include "store/walk.h"
#include "window/main_window.h"

namespace {

// Notes the status text beside the progress bar the first time the bar is drawn with one.
class BarWatch : public QObject {
public:
    explicit BarWatch(qm::MainWindow& w) : m_w(w) {
        w.status().progress()->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint && m_text.isEmpty())
            m_text = m_w.status().statusText();
        return false;
    }
    QString take() { return std::exchange(m_text, QString()); }

private:
    qm::MainWindow& m_w;
    QString m_text;
};

double peakMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: huge_session FILE\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const double fileMiB = static_cast<double>(QFileInfo(path).size()) / (1 << 20);
    QTemporaryDir settingsDir;
    QFile ini(settingsDir.filePath("QuillMar.ini"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[AutoSave]\nBackup= 0\nValue=-1\n");
    ini.close();

    qm::bench::SilentPrompter prompter;
    qm::Program program(prompter, ini.fileName());
    QElapsedTimer clock;
    bool ok = true;
    std::unique_ptr<BarWatch> watch;
    const auto step = [&](const char* name, const std::function<bool()>& run) {
        clock.start();
        const bool done = run();
        const qint64 ms = clock.elapsed();
        const QString bar = watch ? watch->take() : QString();
        const bool silent = bar.isEmpty() && ms > 1000;
        std::printf("%-40s %7lld ms  %-30s peak %7.1f MiB, %.2f x the file%s\n", name,
                    static_cast<long long>(ms),
                    bar.isEmpty() ? "no progress shown" : qPrintable("progress: " + bar), peakMiB(),
                    peakMiB() / fileMiB, done ? silent ? "  FAIL (no progress)" : "" : "  FAILED");
        ok = ok && done && !silent;
    };

    step("open", [&] {
        program.start({}, false);
        watch = std::make_unique<BarWatch>(program.window());
        return program.window().DataLoad(path);
    });
    qm::MainWindow& w = program.window();
    const qm::NodeTable& t = w.nodes();

    step("Find from the top, names holding QX", [&] {
        w.browser().focusCell(0);
        w.browser().list(0)->clearSelection();
        program.find().Find_Open();
        qm::FindWindow* find = program.find().findWindow();
        find->findChild<QLineEdit*>("Text1")->setText("QX");
        find->findChild<QRadioButton*>("Opt_1")->click();
        find->search();
        std::printf("  %d items found\n", find->results().rowCount());
        const bool found = find->results().rowCount() > 0;
        find->close();
        return found;
    });

    step("Save", [&] { return program.files().Save(); });

    // The item whose subtree is nearest to 100,000 items, among the top item's grandchildren.
    std::int32_t listed = 0;
    std::int32_t listedSize = 0;
    for (std::int32_t c = t[1].FirstChild; c >= 1; c = t[c].NextSibling)
        for (std::int32_t g = t[c].FirstChild; g >= 1; g = t[g].NextSibling) {
            const std::int32_t size = qm::SubtreeWalk::subtreeSize(t, g);
            if (std::abs(size - 100000) < std::abs(listedSize - 100000))
                listed = g, listedSize = size;
        }
    if (listed < 1)
        return ok ? 0 : 1;
    const QByteArray label = "Print Preview of " + QByteArray::number(listedSize) + " items";
    step(label.constData(), [&] {
        if (!qm::Path_Reveal(w, listed))
            return false;
        // The preview is modal: it is closed as soon as it shows.
        QTimer close;
        QObject::connect(&close, &QTimer::timeout, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        close.start(10);
        program.print().PrintPreview();
        return true;
    });
    return ok ? 0 : 1;
}
