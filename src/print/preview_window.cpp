#include "print/preview_window.h"

#include <QAction>
#include <QFrame>
#include <QPainter>
#include <QToolBar>
#include <QToolButton>

#include "window/fixed_dialog.h"
#include "window/zoom.h"

namespace qm {

namespace {

constexpr double kUnitsPerScreenPoint = 40; // the sheet's twips on a half-size canvas

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
    : QDialog(parent, kFixedDialogFlags), m_pages(PageSurface::OwnScale, kUnitsPerScreenPoint) {
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("QuillMar Print Preview"));
    m_layout.setFont(this, QFont(QStringLiteral("Arial"), 8));
    setModal(true);

    m_shadow = new QFrame(this);
    m_shadow->setObjectName(QStringLiteral("Shadow"));
    m_shadow->setAutoFillBackground(true);
    QPalette grey = m_shadow->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    m_shadow->setPalette(grey);
    m_layout.move(m_shadow, 240, 660);
    m_canvas = new PageCanvas(m_pages, m_curPage, this);
    m_layout.move(m_canvas, 120, 540);

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
    const QSize client = clientAt(s);
    setFixedSize(client);
    m_tools->setGeometry(0, 0, client.width(), m_tools->sizeHint().height());
    m_shadow->resize(s.size(m_halfSize.width(), m_halfSize.height()));
    m_canvas->resize(s.size(m_halfSize.width(), m_halfSize.height()));
}

void PreviewWindow::prepare(const QSizeF& halfSize) {
    m_halfSize = halfSize;
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
