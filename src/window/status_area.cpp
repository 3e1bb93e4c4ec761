#include "window/status_area.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <cmath>

#include "store/node_table.h"

namespace qm {

namespace {
// The bar's own range is integral; this many steps make its motion smooth.
constexpr int kBarResolution = 10000;
// Repainting more often than this only slows long operations down.
constexpr qint64 kPaintIntervalMs = 50;
} // namespace

StatusArea::StatusArea(const NodeTable& nodes, QWidget* client)
    : m_nodes(nodes), m_bar(new QStatusBar(client)), m_text(new QLabel(m_bar)),
      m_count(new QLabel(m_bar)), m_progress(new QProgressBar(client)) {
    m_bar->setObjectName(QStringLiteral("StatusBar"));
    m_bar->setSizeGripEnabled(false);
    m_layout.place(m_bar, 0, 7965 - 270, 10320, 270);
    m_text->setObjectName(QStringLiteral("StatusPanel_1"));
    m_text->setText(QStringLiteral("Welcome to QuillMar v2.0"));
    m_text->setToolTip(QStringLiteral("Current status"));
    m_count->setObjectName(QStringLiteral("StatusPanel_2"));
    m_count->setText(QStringLiteral("Items: 0"));
    m_count->setToolTip(QStringLiteral("Number of items in the database"));
    m_bar->addWidget(m_text, 1);
    m_bar->addPermanentWidget(m_count);

    m_progress->setObjectName(QStringLiteral("PBar"));
    m_layout.place(m_progress, 2025, 7740, 7035, 225);
    m_progress->setTextVisible(false);
    m_progress->setRange(0, kBarResolution);
    m_progress->hide();
    m_progress->raise();
    setScale(m_layout.scale());
}

void StatusArea::setScale(twips::Scale scale) {
    m_layout.setScale(scale);
    m_count->setMinimumWidth(scale.toPixels(2000));
}

void StatusArea::Progress_Start(double maximum) {
    m_maximum = maximum == 0 ? 1 : maximum;
    m_progress->setValue(0);
    m_progress->show();
    m_progress->repaint();
    m_lastPaint.start();
}

void StatusArea::Progress_Step(double value) {
    const double fraction = std::clamp(value / m_maximum, 0.0, 1.0);
    m_progress->setValue(static_cast<int>(std::lround(fraction * kBarResolution)));
    if (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= kPaintIntervalMs) {
        m_progress->repaint();
        m_lastPaint.restart();
    }
}

void StatusArea::Progress_End() {
    m_progress->hide();
}

void StatusArea::Status_Text(const QString& text) {
    m_text->setText(text);
    m_bar->repaint();
}

void StatusArea::Status_Count() {
    m_count->setText(QStringLiteral("Items: %1").arg(m_nodes.itemCount()));
    m_bar->repaint();
}

void StatusArea::Status_Reset() {
    Status_Text(QString());
    Progress_End();
    Status_Count();
}

QString StatusArea::statusText() const {
    return m_text->text();
}
QString StatusArea::countText() const {
    return m_count->text();
}

} // namespace qm
