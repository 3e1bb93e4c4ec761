#pragma once
// Acting on the modal preview while its command waits.

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

#include "print/preview_window.h"
#include "support/pdf_text.h"

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

} // namespace qm::test
