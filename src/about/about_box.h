#pragma once
// frmAbout: the program's title and version, a few words about it, and a button that starts
// the desktop's system-information tool. Created once by its owner and kept between uses.

#include <QDialog>

#include "window/twips_layout.h"

class QLabel;
class QPushButton;

namespace qm {

class Prompter;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    /// A fixed, modal dialog owned by (and centred on) `owner`.
    AboutBox(Prompter& prompter, QWidget* owner);
    /// Follows the main window's zoom.
    void setScale(const twips::Scale& scale);

    /// Centres the box on its owner each time it is shown, even after the user moved it.
    void setVisible(bool visible) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void drawIcon();

    Prompter& m_prompter;
    TwipsLayout m_layout;
    QLabel* m_icon = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_version = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace qm
