#pragma once
// The Options dialog (frmOptions): backups, auto-save and the recent-files length on the
// "General" page, listing columns, font size and the hierarchy style on "Printing".

#include <QDialog>
#include <array>

#include "settings/settings_values.h"
#include "window/twips_layout.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QWidget;

namespace qm {

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    /// Starts from `settings` and stores into it on OK. Choosing a hierarchy style changes
    /// `settings.Hierarchy` at once, and that change stays when the dialog is cancelled.
    explicit OptionsDialog(Settings& settings, QWidget* parent = nullptr);
    /// Follows the main window's zoom.
    void setScale(const twips::Scale& scale) { m_layout.setScale(scale); }

signals:
    /// OK stored the values; the owner now runs the auto-save timer exactly when AsMode is 0
    /// and writes the settings file. The dialog closes right after.
    void confirmed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void Form_Load();
    void ChkAs_Click(int index);
    void OptP_Click(int index);
    void Sli_Change(int index);
    void cmdOK_Click();
    // Loading a value runs the control's handler, as if the user had set it, even when the
    // value is the one it already shows: the dialog's state then never depends on designed
    // values.
    void loadSlider(int index, int value);
    void loadCheck(int index, bool ticked);

    Settings& m_settings;
    TwipsLayout m_layout;
    QTabWidget* m_tbs = nullptr;
    std::array<QWidget*, 2> m_pic{};
    std::array<QGroupBox*, 4> m_fra{};
    std::array<QLabel*, 6> m_lab{};
    QLabel* m_lab10 = nullptr;
    std::array<QLabel*, 3> m_plab{};
    std::array<QSlider*, 6> m_sli{};
    std::array<QCheckBox*, 2> m_chkAs{};
    std::array<QRadioButton*, 2> m_optAs{};
    std::array<QRadioButton*, 2> m_optP{};
    QCheckBox* m_chkOpenLast = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace qm
