#include "app/qt_prompter.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPushButton>
#include <QSpacerItem>

#include "edit/name_dialog.h"
#include "window/fixed_dialog.h"

namespace qm {

namespace {

QMessageBox::Icon boxIcon(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons boxButtons(PromptButtons buttons) {
    switch (buttons) {
    case PromptButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case PromptButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

QtPrompter::QtPrompter(QWidget* owner) : m_owner(owner) {}

QWidget* QtPrompter::over() const {
    // The window the user works in, such as the Find window beside the main window: closing
    // the prompt gives it the focus back.
    QWidget* active = QApplication::activeModalWidget();
    if (!active)
        active = QApplication::activeWindow();
    if (active && active->isVisible() && active->windowType() != Qt::Popup &&
        active->windowType() != Qt::ToolTip)
        return active;
    return m_owner;
}

QtPrompter::~QtPrompter() {
    delete m_nameDialog.data();
}

void QtPrompter::setOwner(QWidget* owner) {
    m_owner = owner;
    if (m_nameDialog)
        m_nameDialog->setParent(owner, m_nameDialog->windowFlags());
}

void QtPrompter::prepare(QMessageBox& box, const QString& title) const {
    box.setTextFormat(Qt::PlainText); // texts carry names and paths, never markup
    if (m_scale != twips::Scale())
        box.setFont(m_scale.font(QApplication::font(&box)));
    // The box sizes itself to its text on showing; a spacer across it keeps the title whole.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(
            new QSpacerItem(titleRoom(title), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
            grid->rowCount(), 0, 1, grid->columnCount());
}

int QtPrompter::choose(const QString& text, const QString& title, PromptIcon icon,
                       const QStringList& buttons, int preferred, int cancel) {
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::NoButton, over());
    QList<QPushButton*> pushed;
    for (int i = 0; i < buttons.size(); ++i)
        pushed << box.addButton(buttons[i],
                                i == cancel ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    if (preferred >= 0 && preferred < pushed.size())
        box.setDefaultButton(pushed[preferred]);
    if (cancel >= 0 && cancel < pushed.size())
        box.setEscapeButton(pushed[cancel]);
    prepare(box, title);
    box.exec();
    const int index = pushed.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    return index >= 0 ? index : cancel;
}

PromptAnswer QtPrompter::ask(const QString& text, const QString& title, PromptIcon icon,
                             PromptButtons buttons) {
    QMessageBox box(boxIcon(icon), title, text, boxButtons(buttons), over());
    prepare(box, title);
    box.exec();
    // Escape and the close box land on Cancel where there is one, else on OK.
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    default:
        return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
    }
}

QString QtPrompter::askName(const NameRequest& request) {
    if (!m_nameDialog)
        m_nameDialog = new NameDialog(*this, m_owner);
    m_nameDialog->setScale(m_scale);
    return m_nameDialog->ask(request);
}

QString QtPrompter::openFile(const QString& title, const QString& filters, const QString& folder) {
    return QFileDialog::getOpenFileName(over(), title, folder, filters);
}

QString QtPrompter::saveFile(const QString& title, const QString& filters, const QString& folder,
                             const QString& proposedName) {
    QString filter;
    return saveFileOfType(title, filters, folder, proposedName, filter);
}

QString QtPrompter::saveFileOfType(const QString& title, const QString& filters,
                                   const QString& folder, const QString& proposedName,
                                   QString& filter) {
    const QString start = folder.isEmpty() ? proposedName : QDir(folder).filePath(proposedName);
    // The overwrite question is the caller's own, with its own wording.
    return QFileDialog::getSaveFileName(over(), title, start, filters, &filter,
                                        QFileDialog::DontConfirmOverwrite);
}

void QtPrompter::tell(const QString& text, const QString& title, PromptIcon icon,
                      const QString& details) {
    QMessageBox box(boxIcon(icon), title, text, QMessageBox::Ok, over());
    prepare(box, title);
    box.setDetailedText(details);
    // The list has lines of a name and a message each: wide enough for most of them.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(box.fontMetrics().averageCharWidth() * 72, 0,
                                      QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
}

bool QtPrompter::printDialog(QPrinter& printer, const QString& title) {
    QPrintDialog dialog(&printer, over());
    dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace qm
