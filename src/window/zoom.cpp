#include "window/zoom.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace qm {

int nearestZoom(double percent) {
    if (std::isnan(percent))
        return kZoomSteps.front();
    percent = std::clamp(percent, double(kZoomSteps.front()), double(kZoomSteps.back()));
    int best = kZoomSteps.front();
    for (int step : kZoomSteps)
        if (std::abs(step - percent) < std::abs(best - percent))
            best = step;
    return best;
}

int nextZoom(int percent, int direction) {
    const auto at = std::find(kZoomSteps.begin(), kZoomSteps.end(), nearestZoom(percent));
    const auto last = static_cast<int>(kZoomSteps.size()) - 1;
    const int index = std::clamp(static_cast<int>(at - kZoomSteps.begin()) + direction, 0, last);
    return kZoomSteps[static_cast<std::size_t>(index)];
}

namespace {

int placeAxis(double wanted, int length, int first, int extent) {
    const double last = length <= extent ? double(first) + extent - length : double(first);
    if (std::isnan(wanted))
        return first;
    return static_cast<int>(std::lround(std::clamp(wanted, double(first), last)));
}

} // namespace

QPoint placeWindow(QPointF wanted, QSize size, const QRect& available) {
    return {placeAxis(wanted.x(), size.width(), available.left(), available.width()),
            placeAxis(wanted.y(), size.height(), available.top(), available.height())};
}

QRect availableArea(const QWidget& window) {
    // The screen under the window's middle: the window system may not yet have told the
    // window that it was moved to another one.
    const QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
    if (!screen)
        screen = window.screen();
    return screen ? screen->availableGeometry() : QRect();
}

void addZoomKeys(QWidget& window, std::function<void(int direction)> step,
                 std::function<void()> reset) {
    const auto key = [&window](const char* name, QList<QKeySequence> keys, auto act) {
        auto* action = new QAction(&window);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        window.addAction(action);
        QObject::connect(action, &QAction::triggered, &window, act);
    };
    key("zoomIn", {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)},
        [step] { step(1); });
    key("zoomOut", {QKeySequence(Qt::CTRL | Qt::Key_Minus)}, [step] { step(-1); });
    key("zoomReset", {QKeySequence(Qt::CTRL | Qt::Key_0)}, std::move(reset));
}

} // namespace qm
