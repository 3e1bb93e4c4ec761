#pragma once
// frmBook: reorders and deletes the bookmarks of the tree, on a copy that only OK hands back.

#include <QDialog>
#include <QStringList>
#include <array>

#include "window/twips_layout.h"

class QListWidget;
class QPushButton;

namespace qm {

class BookEditor : public QDialog {
    Q_OBJECT
public:
    enum Button { MoveUp = 0, MoveDown, Delete, Cancel, Ok };

    /// Opens on a copy of the bookmarks, most recent first, laid out at `scale`.
    explicit BookEditor(const QStringList& names, const twips::Scale& scale = twips::Scale(),
                        QWidget* parent = nullptr);

    /// The working copy (EditNames, EditCount entries).
    const QStringList& names() const { return m_names; }
    QPushButton* button(Button b) const { return m_cmd[b]; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Lst_Fill();
    /// The enabling rules; run after every change of the selection, whoever made it.
    void updateButtons();
    /// The selected list row, or -1.
    int selectedRow() const;
    void select(int row);
    void moveUp();
    void moveDown();
    void deleteEntry();

    QStringList m_names;
    TwipsLayout m_layout;
    QListWidget* m_lst = nullptr;
    std::array<QPushButton*, 5> m_cmd{};
};

} // namespace qm
