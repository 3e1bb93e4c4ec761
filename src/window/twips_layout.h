#pragma once
// Remembers where a window's widgets go in twips and which fonts they have at 100 %, so the
// whole window can be laid out again at another zoom.

#include <QFont>
#include <QRectF>
#include <optional>
#include <vector>

#include "window/twips.h"

class QWidget;

namespace qm {

class TwipsLayout {
public:
    explicit TwipsLayout(twips::Scale scale = twips::Scale()) : m_scale(scale) {}

    const twips::Scale& scale() const { return m_scale; }
    /// Lays out every widget recorded below again, fonts first.
    void setScale(twips::Scale scale);

    /// Gives a widget its place, now and at every new zoom.
    template <typename W> W* place(W* widget, double x, double y, double w, double h) {
        record(widget, {x, y, w, h}, Kind::Place);
        return widget;
    }
    void move(QWidget* widget, double x, double y) { record(widget, {x, y, 0, 0}, Kind::Move); }
    void fixSize(QWidget* widget, double w, double h) {
        record(widget, {0, 0, w, h}, Kind::FixSize);
    }
    /// Gives a widget `at100` as its font, zoomed with the rest.
    void setFont(QWidget* widget, const QFont& at100);
    /// Zooms the font a window would have anyway: windows (dialogs, menus) do not take their
    /// owner's font. At 100 % the widget is left with that font.
    void zoomNaturalFont(QWidget* widget);

private:
    enum class Kind { Place, Move, FixSize };
    struct Placed {
        QWidget* widget;
        QRectF twips;
        Kind kind;
    };
    struct Fonted {
        QWidget* widget;
        std::optional<QFont> at100; // none: the natural font
    };
    void record(QWidget* widget, const QRectF& twips, Kind kind);
    void apply(const Placed& p) const;
    void apply(const Fonted& f) const;

    twips::Scale m_scale;
    // The widgets are children of the window that holds the layout, gone only with it.
    std::vector<Placed> m_places;
    std::vector<Fonted> m_fonts;
};

} // namespace qm
