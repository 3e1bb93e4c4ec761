#include "print/preview_window.h"

#include <QAction>
#include <QFrame>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <array>

#include "window/zoom.h"

namespace qm {

namespace {

constexpr double kUnitsPerScreenPoint = 40; // the sheet's twips on a half-size canvas

// The page's size against half the sheet's, up to the sheet at twice its size.
constexpr std::array<double, 9> kPageZooms{0.5, 0.75, 1, 1.25, 1.5, 2, 2.5, 3, 4};

// A window that can be resized and maximised, without a minimise button: it is modal.
constexpr Qt::WindowFlags kPreviewFlags = Qt::Dialog | Qt::CustomizeWindowHint |
                                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint;

// A caption padded on both sides to 12 characters, so the three buttons come out alike.
QString padded(const QString& caption) {
    const qsizetype pad = 12 - caption.size();
    return QString(pad / 2, QLatin1Char(' ')) + caption + QString(pad - pad / 2, QLatin1Char(' '));
}

// One canvas that shows whichever recorded page is in front.
class PageCanvas : public QWidget {
public:
    PageCanvas(const RecordedPages& pages, const int& curPage, QWidget* parent)
        : QWidget(parent), m_pages(pages), m_curPage(curPage) {
        setObjectName(QStringLiteral("Page"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Base));
        m_pages.paintPage(m_curPage, painter, QRectF(rect()));
    }

private:
    const RecordedPages& m_pages;
    const int& m_curPage;
};

} // namespace

PreviewWindow::PreviewWindow(QWidget* parent)
    : QDialog(parent, kPreviewFlags), m_pages(PageSurface::OwnScale, kUnitsPerScreenPoint) {
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("QuillMar Print Preview"));
    m_layout.setFont(this, QFont(QStringLiteral("Arial"), 8));
    setModal(true);

    m_desk = new QWidget;
    m_desk->setObjectName(QStringLiteral("Desk"));
    m_shadow = new QFrame(m_desk);
    m_shadow->setObjectName(QStringLiteral("Shadow"));
    m_shadow->setAutoFillBackground(true);
    QPalette grey = m_shadow->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_shadow->setPalette(grey);
    m_canvas = new PageCanvas(m_pages, m_curPage, m_desk);
    m_area = new QScrollArea(this);
    m_area->setObjectName(QStringLiteral("PageArea"));
    m_area->setFrameShape(QFrame::NoFrame);
    m_area->setBackgroundRole(QPalette::Window);
    m_area->setWidget(m_desk);
    m_area->viewport()->installEventFilter(this);
    m_canvas->installEventFilter(this);

    m_tools = new QToolBar(this);
    m_tools->setObjectName(QStringLiteral("Tools"));
    m_tools->setMovable(false);
    m_tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const QString captions[3] = {QStringLiteral("<--"), QStringLiteral("-->"),
                                 QStringLiteral("Print")};
    for (int i = 0; i < 3; ++i) {
        m_buttons[i] = m_tools->addAction(padded(captions[i]));
        m_buttons[i]->setIconText(padded(captions[i])); // the text alone would be trimmed
        m_buttons[i]->setObjectName(QStringLiteral("Tools_%1").arg(i + 1));
        // Framed, as buttons of a toolbar of captions are, not only when pointed at.
        if (auto* button = qobject_cast<QToolButton*>(m_tools->widgetForAction(m_buttons[i])))
            button->setAutoRaise(false);
        connect(m_buttons[i], &QAction::triggered, this, [this, i] { toolClick(i + 1); });
    }
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_tools);
    column->addWidget(m_area, 1);
    addZoomKeys(
        *this, [this](int direction) { stepPageZoom(direction); }, [this] { resetPageZoom(); });
}

QAction* PreviewWindow::tool(int index) const {
    return index >= 1 && index <= 3 ? m_buttons[index - 1] : nullptr;
}

QWidget* PreviewWindow::canvas() const {
    return m_canvas;
}

void PreviewWindow::setScale(const twips::Scale& scale) {
    m_wanted = scale;
    arrange();
}

void PreviewWindow::arrange() {
    if (m_halfSize.isEmpty())
        return;
    // A tall sheet at a large zoom would not fit on the screen: the zoom steps down for it.
    const auto clientAt = [this](const twips::Scale& s) {
        return s.size(m_halfSize.width() + 450, m_halfSize.height() + 1170);
    };
    const QRect area = availableArea(parentWidget() ? *parentWidget() : *this);
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize();
    twips::Scale s = m_wanted;
    while (s.percent() > kZoomSteps.front() && !fitsOn(clientAt(s) + frame, area))
        s = twips::Scale(nextZoom(s.percent(), -1));
    if (s != m_layout.scale())
        m_layout.setScale(s);
    // Opens at the described size; the user may then make it larger or smaller.
    setMinimumSize(m_tools->sizeHint().width(), m_tools->sizeHint().height() + s.toPixels(1170));
    if (!isVisible()) {
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
        resize(clientAt(s));
    }
    placePage();
}

void PreviewWindow::placePage() {
    const twips::Scale& s = m_layout.scale();
    // The page lies where the described window has it: 120 twips from the left, 540 from
    // the top of the window, below the toolbar.
    const int left = s.toPixels(120);
    const int top = std::max(left, s.toPixels(540) - m_tools->sizeHint().height());
    const QSize page = s.size(m_halfSize.width() * m_pageZoom, m_halfSize.height() * m_pageZoom);
    const int offset = s.toPixels(120);
    m_canvas->setGeometry(QRect(QPoint(left, top), page));
    m_shadow->setGeometry(QRect(QPoint(left + offset, top + offset), page));
    m_desk->resize(left + page.width() + offset + left, top + page.height() + offset + left);
}

void PreviewWindow::setPageZoom(double zoom) {
    if (m_halfSize.isEmpty())
        return;
    zoom = std::clamp(zoom, kPageZooms.front(), kPageZooms.back());
    if (zoom == m_pageZoom)
        return;
    // The part of the page in the middle of the view stays there.
    QScrollBar* bars[2] = {m_area->horizontalScrollBar(), m_area->verticalScrollBar()};
    const int room[2] = {m_area->viewport()->width(), m_area->viewport()->height()};
    const double ratio = zoom / m_pageZoom;
    int middle[2];
    for (int i = 0; i < 2; ++i)
        middle[i] = static_cast<int>((bars[i]->value() + room[i] / 2) * ratio);
    m_pageZoom = zoom;
    placePage();
    for (int i = 0; i < 2; ++i)
        bars[i]->setValue(middle[i] - room[i] / 2);
}

void PreviewWindow::stepPageZoom(int direction) {
    // From a fitted width, the next step in that direction.
    double zoom = m_pageZoom;
    if (direction > 0) {
        const auto* next = std::upper_bound(kPageZooms.begin(), kPageZooms.end(), m_pageZoom);
        zoom = next == kPageZooms.end() ? kPageZooms.back() : *next;
    } else {
        const auto* below = std::lower_bound(kPageZooms.begin(), kPageZooms.end(), m_pageZoom);
        zoom = below == kPageZooms.begin() ? kPageZooms.front() : *(below - 1);
    }
    setPageZoom(zoom);
}

void PreviewWindow::resetPageZoom() {
    setPageZoom(1);
}

void PreviewWindow::fitPageWidth() {
    const twips::Scale& s = m_layout.scale();
    // Room for the margins on both sides and the shadow beside the page; a page taller
    // than the view brings the vertical scroll bar, which takes its width too.
    const QSize room = m_area->maximumViewportSize();
    const double page = s.toPixels(m_halfSize.width());
    int width = room.width() - 3 * s.toPixels(120) - 1; // rounding never adds a bar
    const double tall = s.toPixels(m_halfSize.height()) * width / page + 3 * s.toPixels(120);
    if (tall > room.height())
        width -= m_area->verticalScrollBar()->sizeHint().width();
    setPageZoom(width / page);
}

bool PreviewWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            if (const int dy = wheel->angleDelta().y(); dy != 0)
                stepPageZoom(dy > 0 ? 1 : -1);
            return true;
        }
    }
    if (watched == m_canvas && event->type() == QEvent::MouseButtonDblClick) {
        fitPageWidth();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void PreviewWindow::prepare(const QSizeF& halfSize) {
    m_halfSize = halfSize;
    m_pageZoom = 1;
    arrange();
    m_pages.reset(halfSize * 2);
    m_curPage = 1;
    m_canvas->update();
}

bool PreviewWindow::showPages() {
    m_toolsTag = QStringLiteral("1");
    m_closedByUser = false;
    exec();
    return m_printAsked;
}

// On every show rather than on activation, which the window system reports later, after
// the user may already have paged or asked to print.
void PreviewWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Form_Activate();
}

void PreviewWindow::closeEvent(QCloseEvent* event) {
    m_closedByUser = true;
    QDialog::closeEvent(event);
}

void PreviewWindow::Form_Activate() {
    m_curPage = m_toolsTag.toInt();
    m_printAsked = false;
    showPage();
}

void PreviewWindow::toolClick(int index) {
    switch (index) {
    case 1:
        m_curPage = std::max(1, m_curPage - 1);
        break;
    case 2:
        m_curPage = std::min(m_pages.pageCount(), m_curPage + 1);
        break;
    case 3:
        m_printAsked = true;
        hide();
        break;
    default:
        break;
    }
    m_toolsTag = QString::number(m_curPage);
    showPage();
}

// The page on view and the arrows that lead away from it.
void PreviewWindow::showPage() {
    m_buttons[0]->setEnabled(m_curPage != 1);
    m_buttons[1]->setEnabled(m_curPage < m_pages.pageCount());
    m_canvas->update();
}

} // namespace qm
