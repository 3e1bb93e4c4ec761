#pragma once
// Helpers for printing tests: acting on the modal preview while its command waits, and
// reading a printed PDF back as text.

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QToolBar>
#include <QTest>
#include <functional>
#include <memory>

#include "print/preview_window.h"

namespace qm::test {

/// Runs `act` on the preview once its command shows it modally, then closes the window with
/// its close box if `act` left it open. Polls, since the window opens inside the command.
inline void onPreview(std::function<void(PreviewWindow&)> act) {
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, tries] {
        auto* preview = qobject_cast<PreviewWindow*>(QApplication::activeModalWidget());
        if (!preview && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (!preview) {
            qWarning("the preview did not open");
            return;
        }
        act(*preview);
        if (preview->isVisible())
            preview->close();
    });
    timer->start(10);
}

/// Clicks a toolbar button of the preview as a user would; a disabled one does nothing.
inline void clickTool(PreviewWindow& preview, int index) {
    auto* bar = preview.findChild<QToolBar*>(QStringLiteral("Tools"));
    QTest::mouseClick(bar->widgetForAction(preview.tool(index)), Qt::LeftButton);
}

/// The text of a PDF as pdftotext reads it, pages ended by form feeds; null when it could
/// not be read (pdftotext comes with poppler-utils, which scripts/install-deps installs).
inline QString pdfText(const QString& path, const QStringList& options = {}) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), options + QStringList{path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("pdftotext failed on %s: %s", qPrintable(path),
                 qPrintable(p.errorString() + QString::fromLocal8Bit(p.readAllStandardError())));
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace qm::test
