#include "app/startup.h"

#include <algorithm>
#include <cmath>

namespace qm {

QString commandLineFile(const QStringList& arguments) {
    QString text = arguments.join(QLatin1Char(' '));
    if (text.startsWith(QLatin1Char('"'))) {
        text.remove(0, 1);
        text.chop(1);
    }
    return text;
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

} // namespace qm
