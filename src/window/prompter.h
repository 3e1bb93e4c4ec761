#pragma once
// Every message box, name prompt, file dialog and print dialog goes through this, so tests
// can answer them.

#include <QString>
#include <QStringList>

class QPrinter;

namespace qm {

namespace twips {
class Scale;
}

enum class PromptIcon { None, Exclamation, Question, Information };
enum class PromptButtons { Ok, OkCancel, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

/// What the name entry dialog is shown with; its caller sets all of it every time.
struct NameRequest {
    QString title;
    QString prompt;
    QString text;
    bool selectAll = false;
};

class Prompter {
public:
    virtual ~Prompter() = default;

    /// A message box; returns the button pressed (closing it counts as Cancel, or Ok alone).
    virtual PromptAnswer ask(const QString& text, const QString& title, PromptIcon icon,
                             PromptButtons buttons) = 0;
    /// A message box with buttons named by `buttons`: returns the index of the one pressed.
    /// `preferred` is taken by Enter; Esc and the close box take `cancel`.
    virtual int choose(const QString& text, const QString& title, PromptIcon icon,
                       const QStringList& buttons, int preferred, int cancel) = 0;
    /// The name entry dialog; the empty text means the user cancelled.
    virtual QString askName(const NameRequest& request) = 0;
    /// File dialogs opened in `folder` (empty: wherever the dialog likes); the empty text
    /// means cancelled.
    virtual QString openFile(const QString& title, const QString& filters,
                             const QString& folder) = 0;
    virtual QString saveFile(const QString& title, const QString& filters, const QString& folder,
                             const QString& proposedName) = 0;
    /// A save dialog whose file type says what is written: `filter` comes in as the type
    /// proposed and goes out as the one chosen.
    virtual QString saveFileOfType(const QString& title, const QString& filters,
                                   const QString& folder, const QString& proposedName,
                                   QString& filter) {
        (void)filter;
        return saveFile(title, filters, folder, proposedName);
    }
    /// The platform's print dialog, which sets up the printer, paper and orientation;
    /// false when cancelled.
    virtual bool printDialog(QPrinter& printer, const QString& title) = 0;

    /// A message box with a list the user may open ("Show Details..."); OK alone.
    virtual void tell(const QString& text, const QString& title, PromptIcon icon,
                      const QString& details) {
        ask(text + QStringLiteral("\r\n\r\n") + details, title, icon, PromptButtons::Ok);
    }

    /// The zoom of the window the prompts are shown over, for the prompts to follow.
    virtual void setScale(const twips::Scale& /*scale*/) {}

    /// The exclamation box titled "QuillMar Alert" with a single OK button.
    void alert(const QString& text) {
        ask(text, QStringLiteral("QuillMar Alert"), PromptIcon::Exclamation, PromptButtons::Ok);
    }
};

} // namespace qm
