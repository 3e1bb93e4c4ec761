#include "window/fixed_dialog.h"

#include <QApplication>
#include <QFontMetrics>

namespace qm {

int titleRoom(const QString& title) {
    QFont font = QApplication::font("QMdiSubWindowTitleBar");
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.25);
    const QFontMetrics fm(font);
    return fm.horizontalAdvance(title) + 8 * fm.height();
}

} // namespace qm
