#pragma once
// The status bar (status text and item count) and the progress bar shown over it.

#include <QElapsedTimer>
#include <QString>

#include "window/twips_layout.h"

class QLabel;
class QProgressBar;
class QStatusBar;
class QWidget;

namespace qm {

class NodeTable;

class StatusArea {
public:
    /// Builds both bars on `client`, whose bottom they occupy.
    StatusArea(const NodeTable& nodes, QWidget* client);

    /// Lays both bars out at a zoom; their fonts are the window's.
    void setScale(twips::Scale scale);

    void Progress_Start(double maximum);
    void Progress_Step(double value);
    void Progress_End();
    void Status_Text(const QString& text);
    void Status_Count();
    void Status_Reset();

    QString statusText() const;
    QString countText() const;
    QStatusBar* bar() const { return m_bar; }
    QProgressBar* progress() const { return m_progress; }

private:
    const NodeTable& m_nodes;
    QStatusBar* m_bar;
    QLabel* m_text;
    QLabel* m_count;
    QProgressBar* m_progress;
    double m_maximum = 1;
    QElapsedTimer m_lastPaint;
    TwipsLayout m_layout;
};

} // namespace qm
