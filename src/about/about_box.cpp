#include "about/about_box.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

#include "about/sys_info.h"
#include "about/version.h"
#include "base/emblem.h"
#include "window/fixed_dialog.h"

namespace qm {

namespace {

QLabel* label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setTextFormat(Qt::PlainText);
    return l;
}

QFont heavy(const QFont& base, double points) {
    QFont font = base;
    font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Arial")});
    font.setWeight(QFont::Black); // where Arial Black is missing, the boldest Arial there is
    font.setPointSizeF(points);
    return font;
}

QPixmap emblemPixmap(int side, qreal ratio) {
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    paintEmblem(painter, QRectF(0, 0, side, side));
    return pixmap;
}

} // namespace

AboutBox::AboutBox(Prompter& prompter, QWidget* owner)
    : QDialog(owner, kFixedDialogFlags), m_prompter(prompter) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + QLatin1String(kAppTitle));
    setModal(true);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8); // the twips layout is drawn for it
    m_layout.setFont(this, font);

    m_icon = m_layout.place(label(this, "picIcon"), 240, 240, 540, 540);
    m_title = m_layout.place(label(this, "lblTitle"), 1050, 120, 3900, 540);
    m_layout.setFont(m_title, heavy(font, 18));
    m_version = m_layout.place(label(this, "lblVersion"), 1050, 660, 3900, 285);
    m_layout.setFont(m_version, heavy(font, 9));

    QLabel* description = m_layout.place(label(this, "lblDescription"), 1050, 975, 5355, 255);
    description->setText(QStringLiteral(
        "A hierarchical database of named items, browsed in a grid of fifteen cells."));

    auto* line = new QFrame(this);
    line->setObjectName(QStringLiteral("Line1"));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    m_layout.place(line, 225, 1305, 6180, 30);

    QLabel* disclaimer = m_layout.place(label(this, "lblDisclaimer"), 240, 1440, 4560, 900);
    disclaimer->setWordWrap(true);
    disclaimer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    disclaimer->setText(QStringLiteral(
        "This program is given as it is, without warranty of any kind. Keep copies of the "
        "data files that matter to you: no program can promise never to lose them."));

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("cmdOK"));
    m_layout.place(m_ok, 5010, 1440, 1395, 375);
    m_ok->setDefault(true);
    auto* sysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    sysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_layout.place(sysInfo, 5010, 1920, 1395, 375);
    setTabOrder(m_ok, sysInfo);

    // Escape rejects, which closes the box as OK does.
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(sysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(m_prompter); });

    m_layout.fixSize(this, 6630, 2445);
    drawIcon();
    Form_Load();
}

void AboutBox::setScale(const twips::Scale& scale) {
    m_layout.setScale(scale);
    drawIcon();
}

void AboutBox::drawIcon() {
    m_icon->setPixmap(emblemPixmap(m_icon->width(), devicePixelRatio()));
}

void AboutBox::Form_Load() {
    m_version->setText(QStringLiteral("Version %1.%2.%3")
                           .arg(kVersionMajor)
                           .arg(kVersionMinor)
                           .arg(kVersionRevision));
    m_title->setText(QLatin1String(kAppTitle));
}

void AboutBox::setVisible(bool visible) {
    if (visible)
        setAttribute(Qt::WA_Moved, false); // QDialog centres a box that was not moved
    QDialog::setVisible(visible);
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Each opening starts on OK, so Enter closes the box.
    m_ok->setFocus();
}

} // namespace qm
