#include "base/emblem.h"

#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace qm {

namespace {
const QString kEmblemResource = QStringLiteral(":/icons/quillmar.svg");
}

void paintEmblem(QPainter& painter, const QRectF& target) {
    QSvgRenderer renderer(kEmblemResource);
    renderer.render(&painter, target);
}

QIcon appIcon() {
    QIcon icon;
    for (const int side : {16, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        paintEmblem(painter, QRectF(0, 0, side, side));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace qm
