#pragma once
// The modal dialog through which the user types an item name: letters are raised to capitals
// as they are typed and an empty name is refused. One instance is kept and reused.

#include <QDialog>

#include "window/prompter.h"
#include "window/twips_layout.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace qm {

class NameDialog : public QDialog {
    Q_OBJECT
public:
    /// The prompter shows the alert for an empty name.
    explicit NameDialog(Prompter& prompter, QWidget* parent = nullptr);

    /// Sets title, prompt and text, shows the dialog modally and returns the typed name;
    /// the empty text means the user cancelled.
    QString ask(const NameRequest& request);
    /// Follows the main window's zoom.
    void setScale(const twips::Scale& scale);

public slots:
    /// Hides the dialog unless the name is empty, which is refused with an alert.
    void confirm();
    /// Empties the name and hides the dialog; the close box and the Cancel button end here.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    /// Shows the prompt whole, growing the dialog where it does not fit the designed label.
    void arrangeFor(const QString& prompt);
    void placeOnScreen();

    Prompter& m_prompter;
    QLabel* m_lab;
    QLineEdit* m_txt;
    QPushButton* m_ok;
    QPushButton* m_cancel;
    TwipsLayout m_layout;
};

} // namespace qm
