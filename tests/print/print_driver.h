#pragma once
// Acting on the modal preview while its command waits.

#include <QTest>
#include <QToolBar>
#include <functional>

#include "print/preview_window.h"
#include "support/modal_driver.h"
#include "support/pdf_text.h"

namespace qm::test {

/// Runs `act` on the preview once its command shows it modally, then closes it.
inline void onPreview(std::function<void(PreviewWindow&)> act) {
    onModal<PreviewWindow>(std::move(act));
}

/// Clicks a toolbar button of the preview as a user would; a disabled one does nothing.
inline void clickTool(PreviewWindow& preview, int index) {
    auto* bar = preview.findChild<QToolBar*>(QStringLiteral("Tools"));
    QTest::mouseClick(bar->widgetForAction(preview.tool(index)), Qt::LeftButton);
}

} // namespace qm::test
