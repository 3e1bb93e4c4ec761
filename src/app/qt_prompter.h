#pragma once
// The prompter the program runs with: real message boxes, the name entry dialog and the
// platform's file and print dialogs.

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "window/prompter.h"
#include "window/twips.h"

class QMessageBox;

namespace qm {

class NameDialog;

class QtPrompter : public Prompter {
public:
    /// Dialogs are shown over `owner` (normally the main window), which may be set later.
    explicit QtPrompter(QWidget* owner = nullptr);
    ~QtPrompter() override;
    QtPrompter(const QtPrompter&) = delete;
    QtPrompter& operator=(const QtPrompter&) = delete;

    void setOwner(QWidget* owner);
    void setScale(const twips::Scale& scale) override { m_scale = scale; }

    PromptAnswer ask(const QString& text, const QString& title, PromptIcon icon,
                     PromptButtons buttons) override;
    int choose(const QString& text, const QString& title, PromptIcon icon,
               const QStringList& buttons, int preferred, int cancel) override;
    QString askName(const NameRequest& request) override;
    /// Filters in Qt's form, the first one chosen: "QuillMar Data (*.qmd);;All Files (*)".
    QString openFile(const QString& title, const QString& filters, const QString& folder) override;
    QString saveFile(const QString& title, const QString& filters, const QString& folder,
                     const QString& proposedName) override;
    QString saveFileOfType(const QString& title, const QString& filters, const QString& folder,
                           const QString& proposedName, QString& filter) override;
    void tell(const QString& text, const QString& title, PromptIcon icon,
              const QString& details) override;
    bool printDialog(QPrinter& printer, const QString& title) override;

private:
    /// Fonts at the zoom, plain text, and room for the whole title.
    void prepare(QMessageBox& box, const QString& title) const;
    /// The window a prompt comes up over: the active one, else the owner.
    QWidget* over() const;

    QPointer<QWidget> m_owner;
    QPointer<NameDialog> m_nameDialog; // created on first use, then kept hidden between uses
    twips::Scale m_scale;
};

} // namespace qm
