#pragma once
// frmPrint: the print preview. Every page of the listing is laid out before the window
// opens; the toolbar pages through them and can ask for the listing to be printed. The window
// opens at half the sheet's size and can be resized, maximised and zoomed.

#include <QDialog>

#include "print/recorded_pages.h"
#include "window/twips_layout.h"

class QAction;
class QFrame;
class QScrollArea;
class QToolBar;

namespace qm {

class PreviewWindow : public QDialog {
    Q_OBJECT
public:
    explicit PreviewWindow(QWidget* parent = nullptr);

    /// Sizes the window, its shadow and its canvas for a sheet of twice `halfSize` twips and
    /// unloads every page but the first, which starts blank.
    void prepare(const QSizeF& halfSize);
    /// Follows the main window's zoom; the pages keep their sheet's own scale.
    void setScale(const twips::Scale& scale);
    /// The pages the layout draws on: the sheet's logical scale on a half-size canvas.
    RecordedPages& pages() { return m_pages; }
    const RecordedPages& pages() const { return m_pages; }

    /// Shows the window modally from page 1; true when the user asked to print.
    bool showPages();

    int CurPage() const { return m_curPage; }
    /// True after the user closed the window with its close box: its owner unloads it.
    bool closedByUser() const { return m_closedByUser; }
    /// The toolbar's buttons: 1 "<--", 2 "-->", 3 "Print".
    QAction* tool(int index) const;
    QWidget* canvas() const;
    /// The page's size against half the sheet's: 1 when the preview opens.
    double pageZoom() const { return m_pageZoom; }
    /// The next larger (`direction` 1) or smaller (-1) step; Ctrl++, Ctrl+- and Ctrl+wheel.
    void stepPageZoom(int direction);
    /// Back to half the sheet's size; Ctrl+0.
    void resetPageZoom();
    /// The page as wide as the window shows it; a double click on the page.
    void fitPageWidth();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void toolClick(int index);
    void Form_Activate();
    void showPage();
    void arrange();
    void setPageZoom(double zoom);
    /// Sizes the page and its shadow at the zoom and scale in force.
    void placePage();

    RecordedPages m_pages;
    TwipsLayout m_layout;
    QSizeF m_halfSize;     // of the sheet prepared last, in twips
    twips::Scale m_wanted; // the main window's; the sheet may take a smaller one
    QToolBar* m_tools = nullptr;
    QScrollArea* m_area = nullptr;
    QWidget* m_desk = nullptr; // the page and its shadow, scrolled in the area
    double m_pageZoom = 1;
    QString m_toolsTag = QStringLiteral("1"); // the page to show when the window activates
    QAction* m_buttons[3] = {};
    QWidget* m_canvas = nullptr;
    QFrame* m_shadow = nullptr;
    int m_curPage = 1;
    bool m_printAsked = false;
    bool m_closedByUser = false;
};

} // namespace qm
