#include "app/splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

namespace qm {

QPixmap Splash::logo() {
    QPixmap pixmap(360, 200);
    pixmap.fill(QColor(240, 240, 240));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The 5 by 3 grid of cells with a snake-shaped path picked out in green.
    const int path[] = {0, 1, 2, 3, 4, 9, 14, 13};
    for (int i = 0; i < 15; ++i) {
        const QRect cell(20 + 30 * (i % 5), 24 + 30 * (i / 5), 26, 26);
        bool onPath = false;
        for (int k : path)
            onPath = onPath || k == i;
        p.fillRect(cell, i == 13  ? QColor(64, 224, 64)
                         : onPath ? QColor(64, 160, 64)
                                  : QColor(200, 200, 200));
        p.setPen(QColor(64, 64, 64));
        p.drawRect(cell);
    }
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(32, 96, 32));
    p.drawText(QRect(180, 30, 170, 50), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("QuillMar"));
    QFont sub(QStringLiteral("Arial"));
    sub.setPixelSize(15);
    p.setFont(sub);
    p.setPen(QColor(48, 48, 48));
    p.drawText(QRect(182, 78, 170, 40), Qt::AlignLeft | Qt::AlignTop,
               QStringLiteral("v2.0\nHierarchical database"));
    p.drawText(QRect(20, 150, 320, 30), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Loading ..."));
    return pixmap;
}

Splash::Splash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmSplash"));
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picLogo"));
    picture->setPixmap(logo());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(picture);
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

} // namespace qm
