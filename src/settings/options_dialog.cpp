#include "settings/options_dialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>

#include "window/accessibility.h"

namespace qm {

namespace {

QString indexed(const char* name, int index) {
    return QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(index);
}

QLabel* valueLabel(QWidget* parent, const QString& name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    QFont bold; // the rest, the size too, from the dialog
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

QLabel* captionLabel(QWidget* parent, const QString& name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

QSlider* slider(QWidget* parent, int index, int low, int high) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(indexed("Sli", index));
    s->setRange(low, high);
    s->setSingleStep(1);
    s->setPageStep(1);
    return s;
}

QGroupBox* frame(QWidget* parent, int index, const QString& title) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(indexed("Fra", index));
    return box;
}

template <typename B> B* button(QWidget* parent, const char* name, int index, const QString& text) {
    auto* b = new B(text, parent);
    b->setObjectName(indexed(name, index));
    return b;
}

} // namespace

OptionsDialog::OptionsDialog(Settings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings) {
    build();
    Form_Load();
}

void OptionsDialog::build() {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    m_layout.fixSize(this, 6150, 2970);
    // The layout is fixed in twips, so the texts need a font of known width to fit.
    QFont font = this->font();
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    font.setPointSize(8);
    m_layout.setFont(this, font);

    m_tbs = m_layout.place(new QTabWidget(this), 90, 90, 5970, 2340);
    m_tbs->setObjectName(QStringLiteral("tbsOptions"));
    for (int i = 0; i < 2; ++i) {
        m_pic[i] = new QWidget;
        m_pic[i]->setObjectName(indexed("PicOptions", i));
    }
    m_tbs->addTab(m_pic[0], QStringLiteral("General"));
    m_tbs->setTabToolTip(0, QStringLiteral("Set General Options"));
    m_tbs->addTab(m_pic[1], QStringLiteral("Printing"));
    m_tbs->setTabToolTip(1, QStringLiteral("Set Options for Printing"));

    // General page: three rows, each with its value label just left of its slider.
    QGroupBox* fra0 =
        m_layout.place(frame(m_pic[0], 0, QStringLiteral("File Handling")), 60, 30, 5790, 1830);
    m_fra[0] = fra0;
    m_lab10 =
        m_layout.place(captionLabel(fra0, QStringLiteral("Lab_10"),
                                    QStringLiteral("Maximum number of Filenames in Menu-List:")),
                       150, 300, 3700, 300);
    m_lab[0] = m_layout.place(valueLabel(fra0, indexed("Lab", 0)), 3870, 300, 330, 300);
    m_sli[0] = m_layout.place(slider(fra0, 0, 2, 8), 4260, 300, 1410, 300);
    m_chkAs[0] =
        m_layout.place(button<QCheckBox>(fra0, "ChkAs", 0, QStringLiteral("Auto-Save Datafile")),
                       150, 915, 1950, 300);
    m_optAs[0] =
        m_layout.place(button<QRadioButton>(fra0, "OptAs", 0, QStringLiteral("After ... minutes")),
                       2160, 720, 1650, 300);
    m_lab[1] = m_layout.place(valueLabel(fra0, indexed("Lab", 1)), 3870, 720, 330, 300);
    m_sli[1] = m_layout.place(slider(fra0, 1, 0, 6), 4260, 720, 1410, 300);
    m_optAs[1] =
        m_layout.place(button<QRadioButton>(fra0, "OptAs", 1, QStringLiteral("After ... changes")),
                       2160, 1110, 1650, 300);
    m_lab[2] = m_layout.place(valueLabel(fra0, indexed("Lab", 2)), 3870, 1110, 330, 300);
    m_sli[2] = m_layout.place(slider(fra0, 2, 0, 6), 4260, 1110, 1410, 300);
    m_chkAs[1] = m_layout.place(button<QCheckBox>(fra0, "ChkAs", 1, QStringLiteral("Make Backups")),
                                150, 1470, 1950, 300);
    m_chkOpenLast = m_layout.place(
        new QCheckBox(QStringLiteral("Open the last file at start"), fra0), 2160, 1470, 3500, 300);
    m_chkOpenLast->setObjectName(QStringLiteral("ChkOpenLast"));

    // Printing page: columns and font size on the left, the hierarchy style on the right.
    QGroupBox* fra1 =
        m_layout.place(frame(m_pic[1], 1, QStringLiteral("Columns")), 60, 30, 2640, 870);
    m_fra[1] = fra1;
    m_lab[3] = m_layout.place(captionLabel(fra1, indexed("Lab", 3), QStringLiteral("Maximum:")),
                              150, 390, 1080, 300);
    m_plab[0] = m_layout.place(valueLabel(fra1, indexed("PLab", 0)), 1200, 390, 330, 300);
    m_sli[3] = m_layout.place(slider(fra1, 3, 1, 6), 1590, 390, 960, 300);

    QGroupBox* fra3 =
        m_layout.place(frame(m_pic[1], 3, QStringLiteral("Font Size")), 60, 990, 2640, 870);
    m_fra[3] = fra3;
    m_lab[5] =
        m_layout.place(captionLabel(fra3, indexed("Lab", 5), QStringLiteral("...for Items:")), 150,
                       390, 1080, 300);
    m_plab[2] = m_layout.place(valueLabel(fra3, indexed("PLab", 2)), 1200, 390, 330, 300);
    m_sli[5] = m_layout.place(slider(fra3, 5, 7, 12), 1590, 390, 960, 300);

    QGroupBox* fra2 = m_layout.place(frame(m_pic[1], 2, QStringLiteral("Show Hierarchy by ...")),
                                     2790, 30, 3060, 1830);
    m_fra[2] = fra2;
    m_optP[0] = m_layout.place(
        button<QRadioButton>(fra2, "OptP", 0, QStringLiteral("Drawing descendancy lines")), 150,
        330, 2820, 300);
    m_optP[1] = m_layout.place(
        button<QRadioButton>(fra2, "OptP", 1, QStringLiteral("Inserting a number empty spaces:")),
        150, 720, 2820, 300);
    m_lab[4] =
        m_layout.place(captionLabel(fra2, indexed("Lab", 4), QStringLiteral("Spaces per level:")),
                       420, 1230, 1320, 300);
    m_plab[1] = m_layout.place(valueLabel(fra2, indexed("PLab", 1)), 1650, 1230, 330, 300);
    m_sli[4] = m_layout.place(slider(fra2, 4, 2, 6), 2040, 1230, 930, 300);
    // Four spaces, the middle of the range, is where the spaces slider starts when the
    // dialog opens with descendancy lines.
    m_sli[4]->setValue(4);

    m_cmdOK = m_layout.place(new QPushButton(QStringLiteral("OK"), this), 3855, 2520, 1035, 360);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdCancel =
        m_layout.place(new QPushButton(QStringLiteral("Cancel"), this), 5025, 2520, 1035, 360);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));

    // Each slider is read aloud by its own caption.
    const QString sliderNames[] = {
        QStringLiteral("Maximum number of Filenames in Menu-List"),
        QStringLiteral("After ... minutes"),
        QStringLiteral("After ... changes"),
        QStringLiteral("Columns: Maximum"),
        QStringLiteral("Spaces per level"),
        QStringLiteral("Font Size: ...for Items"),
    };
    for (int i = 0; i < int(m_sli.size()); ++i)
        nameSlider(m_sli[i], sliderNames[i]);
    for (int i = 0; i < int(m_sli.size()); ++i)
        connect(m_sli[i], &QSlider::valueChanged, this, [this, i] { Sli_Change(i); });
    for (int i = 0; i < 2; ++i) {
        connect(m_chkAs[i], &QCheckBox::toggled, this, [this, i] { ChkAs_Click(i); });
        connect(m_optP[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                OptP_Click(i);
        });
    }
    connect(m_cmdOK, &QPushButton::clicked, this, &OptionsDialog::cmdOK_Click);
    // Cancel, Esc and the close box all just close: nothing is stored.
    connect(m_cmdCancel, &QPushButton::clicked, this, &OptionsDialog::reject);

    // The dialog sees key presses before its controls.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

void OptionsDialog::loadSlider(int index, int value) {
    {
        const QSignalBlocker quiet(m_sli[index]);
        m_sli[index]->setValue(value);
    }
    Sli_Change(index);
}

void OptionsDialog::loadCheck(int index, bool ticked) {
    {
        const QSignalBlocker quiet(m_chkAs[index]);
        m_chkAs[index]->setChecked(ticked);
    }
    ChkAs_Click(index);
}

void OptionsDialog::Form_Load() {
    const Settings& s = m_settings;
    loadSlider(0, s.RecentMax);
    loadSlider(1, s.AsMinutes);
    loadSlider(2, s.AsChanges);
    // With auto-save off the changes option stays selected: loading its slider chose it last.
    loadCheck(0, s.AsMode >= 0);
    if (s.AsMode >= 0)
        m_optAs[s.AsMode > 0 ? 1 : 0]->setChecked(true);
    m_lab[0]->setText(QString::number(m_sli[0]->value()));
    m_lab[1]->setText(QString::number(AsSteps[std::size_t(m_sli[1]->value())]));
    m_lab[2]->setText(QString::number(AsSteps[std::size_t(m_sli[2]->value())]));
    loadSlider(3, s.MaxColumns);
    loadSlider(5, s.FontSize);
    loadCheck(1, s.MakeBackup == 1);
    m_chkOpenLast->setChecked(s.OpenLast == 1);
    m_plab[0]->setText(QString::number(m_sli[3]->value()));
    m_plab[2]->setText(QString::number(m_sli[5]->value()));
    if (s.Hierarchy != 0) {
        m_sli[4]->setEnabled(true);
        loadSlider(4, s.Hierarchy);
        m_optP[1]->setChecked(true);
        m_plab[1]->setText(QString::number(m_sli[4]->value()));
    } else {
        m_optP[0]->setChecked(true);
        m_sli[4]->setEnabled(false);
        m_plab[1]->setText(QString::number(m_sli[4]->value()));
    }
}

void OptionsDialog::ChkAs_Click(int index) {
    if (index != 0)
        return;
    const bool on = m_chkAs[0]->isChecked();
    for (QWidget* w : {static_cast<QWidget*>(m_optAs[0]), static_cast<QWidget*>(m_optAs[1]),
                       static_cast<QWidget*>(m_sli[1]), static_cast<QWidget*>(m_sli[2]),
                       static_cast<QWidget*>(m_lab[1]), static_cast<QWidget*>(m_lab[2])})
        w->setEnabled(on);
}

void OptionsDialog::OptP_Click(int) {
    if (m_optP[0]->isChecked()) {
        m_sli[4]->setEnabled(false);
        m_settings.Hierarchy = 0;
    } else {
        m_sli[4]->setEnabled(true);
        m_settings.Hierarchy = m_sli[4]->value();
        m_plab[1]->setText(QString::number(m_sli[4]->value()));
    }
}

void OptionsDialog::Sli_Change(int index) {
    const int value = m_sli[index]->value();
    switch (index) {
    case 0:
        m_lab[0]->setText(QString::number(value));
        break;
    case 1:
    case 2:
        m_lab[index]->setText(QString::number(AsSteps[std::size_t(value)]));
        m_optAs[index - 1]->setChecked(true);
        break;
    default:
        m_plab[index - 3]->setText(QString::number(value));
        break;
    }
    // Read aloud as the value label and its unit say it: "5 minutes".
    static const char* const units[] = {"filename", "minute", "change", "column", "space", "point"};
    const QString number = (index < 3 ? m_lab[index] : m_plab[index - 3])->text();
    setAccessibleValueText(m_sli[index], number + u' ' + QLatin1String(units[index]) +
                                             (number == QLatin1String("1") ? "" : "s"));
}

void OptionsDialog::cmdOK_Click() {
    Settings& s = m_settings;
    if (!m_chkAs[0]->isChecked())
        s.AsMode = -1;
    else
        s.AsMode = m_optAs[0]->isChecked() ? 0 : 1;
    s.AsMinutes = m_sli[1]->value();
    s.AsChanges = m_sli[2]->value();
    s.FontSize = m_sli[5]->value();
    s.MaxColumns = m_sli[3]->value();
    s.Hierarchy = m_optP[0]->isChecked() ? 0 : m_sli[4]->value();
    s.RecentMax = m_sli[0]->value();
    s.MakeBackup = m_chkAs[1]->isChecked() ? 1 : 0;
    s.OpenLast = m_chkOpenLast->isChecked() ? 1 : 0;
    emit confirmed();
    accept();
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Tab && mods == Qt::ControlModifier) {
            m_tbs->setCurrentIndex((m_tbs->currentIndex() + 1) % m_tbs->count());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qm
