#pragma once
// frmPrint: the print preview. Every page of the listing is laid out before the window
// opens; the toolbar pages through them and can ask for the listing to be printed.

#include <QDialog>

#include "print/recorded_pages.h"
#include "window/twips_layout.h"

class QAction;
class QFrame;
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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void toolClick(int index);
    void Form_Activate();
    void showPage();
    void arrange();

    RecordedPages m_pages;
    TwipsLayout m_layout;
    QSizeF m_halfSize;     // of the sheet prepared last, in twips
    twips::Scale m_wanted; // the main window's; the sheet may take a smaller one
    QToolBar* m_tools = nullptr;
    QString m_toolsTag = QStringLiteral("1"); // the page to show when the window activates
    QAction* m_buttons[3] = {};
    QWidget* m_canvas = nullptr;
    QFrame* m_shadow = nullptr;
    int m_curPage = 1;
    bool m_printAsked = false;
    bool m_closedByUser = false;
};

} // namespace qm
