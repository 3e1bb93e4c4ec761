#include "window/twips_layout.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>

#include "window/fixed_dialog.h"

namespace qm {

void TwipsLayout::setScale(twips::Scale scale) {
    m_scale = scale;
    for (const Fonted& f : m_fonts)
        apply(f);
    for (const Placed& p : m_places)
        apply(p);
}

void TwipsLayout::record(QWidget* widget, const QRectF& twips, Kind kind) {
    m_places.push_back({widget, twips, kind});
    apply(m_places.back());
}

void TwipsLayout::setFont(QWidget* widget, const QFont& at100) {
    m_fonts.push_back({widget, at100});
    apply(m_fonts.back());
}

void TwipsLayout::zoomNaturalFont(QWidget* widget) {
    m_fonts.push_back({widget, std::nullopt});
    apply(m_fonts.back());
}

void TwipsLayout::apply(const Placed& p) const {
    const QRectF& t = p.twips;
    switch (p.kind) {
    case Kind::Place:
        p.widget->setGeometry(m_scale.rect(t.x(), t.y(), t.width(), t.height()));
        break;
    case Kind::Move:
        p.widget->move(m_scale.point(t.x(), t.y()));
        break;
    case Kind::FixSize: {
        QSize size = m_scale.size(t.width(), t.height());
        // A window is never narrower than its title, which the window manager would cut.
        if (p.widget->isWindow())
            size.setWidth(std::max(size.width(), titleRoom(p.widget->windowTitle())));
        p.widget->setFixedSize(size);
        break;
    }
    }
}

void TwipsLayout::apply(const Fonted& f) const {
    if (f.at100)
        f.widget->setFont(m_scale.font(*f.at100));
    else if (m_scale == twips::Scale())
        f.widget->setFont(QFont()); // nothing set: the font it always had
    else
        f.widget->setFont(m_scale.font(QApplication::font(f.widget)));
}

} // namespace qm
