#include "app/splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include "about/version.h"
#include "base/emblem.h"

namespace qm {

QPixmap Splash::logo() {
    QPixmap pixmap(360, 200);
    pixmap.fill(QColor(240, 240, 240));
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The emblem's drawing fills the middle of its square; the margins stay blank here.
    paintEmblem(p, QRectF(14, 0, 150, 150));
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(32, 96, 32));
    p.drawText(QRect(180, 30, 170, 50), Qt::AlignLeft | Qt::AlignVCenter, QLatin1String(kAppTitle));
    QFont sub(QStringLiteral("Arial"));
    sub.setPixelSize(15);
    p.setFont(sub);
    p.setPen(QColor(48, 48, 48));
    p.drawText(
        QRect(182, 78, 170, 40), Qt::AlignLeft | Qt::AlignTop,
        QStringLiteral("v%1.%2\nHierarchical database").arg(kVersionMajor).arg(kVersionMinor));
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
