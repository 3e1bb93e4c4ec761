#pragma once
// A Prompter for tests: records every prompt and answers from a script. A prompt nobody
// scripted fails the running test on the spot, and so do answers left unused at the end.

#include <QList>
#include <QString>
#include <QTest>
#include <deque>
#include <functional>

#include "window/prompter.h"

namespace qm::test {

struct Prompt {
    enum Kind { Message, Name, OpenFile, SaveFile, PrintDialog, Choice } kind = Message;
    QString text; // message text, name prompt, or proposed file name
    QString title;
    PromptIcon icon = PromptIcon::None;
    PromptButtons buttons = PromptButtons::Ok;
    NameRequest name;      // for Name prompts
    QString folder{};      // where a file dialog opened
    QString filters{};     // a file dialog's filters
    QString details{};     // a message's list behind "Show Details...", or a save dialog's type
    QStringList choices{}; // a Choice's buttons, then the preferred and the Esc one
    int preferred = -1;
    int cancel = -1;
    QString said() const { return title + '|' + text; }
};

class ScriptedPrompter : public Prompter {
public:
    ScriptedPrompter() = default;
    ScriptedPrompter(const ScriptedPrompter&) = delete;
    ScriptedPrompter& operator=(const ScriptedPrompter&) = delete;
    ~ScriptedPrompter() override {
        if (!m_answers.empty())
            fail("answers were scripted for prompts that never came");
    }

    /// Queue answers in the order the prompts will come.
    void answer(PromptAnswer a) { m_answers.push_back(Reply{Prompt::Message, a, {}}); }
    void answerName(const QString& name) { m_answers.push_back(Reply{Prompt::Name, {}, name}); }
    /// A box of named buttons: the index of the button pressed.
    void answerChoice(int index) {
        m_answers.push_back(Reply{Prompt::Choice, {}, QString::number(index)});
    }
    void answerOpen(const QString& path) { m_answers.push_back(Reply{Prompt::OpenFile, {}, path}); }
    void answerSave(const QString& path) { m_answers.push_back(Reply{Prompt::SaveFile, {}, path}); }
    /// A save dialog whose file type the user chose as well (empty: the type proposed).
    void answerSave(const QString& path, const QString& filter) {
        m_answers.push_back(Reply{Prompt::SaveFile, {}, path, {}, filter});
    }
    /// The print dialog: OK after `choose` set up the printer as a user would, or Cancel.
    void answerPrint(PromptAnswer a, std::function<void(QPrinter&)> choose = {}) {
        m_answers.push_back(Reply{Prompt::PrintDialog, a, {}, std::move(choose)});
    }

    QList<Prompt> prompts; // everything asked so far
    int unexpected = 0;    // prompts that found no scripted answer (outside a test)
    /// Runs while a message box is up, as what the platform does then (another window
    /// activated when the box closes).
    std::function<void()> whileAsking;
    bool allAnswered() const { return m_answers.empty(); }
    Prompt last() const { return prompts.isEmpty() ? Prompt{} : prompts.last(); }
    /// Forgets the record and any unused answers.
    void clear() {
        prompts.clear();
        m_answers.clear();
        unexpected = 0;
    }

    PromptAnswer ask(const QString& text, const QString& title, PromptIcon icon,
                     PromptButtons buttons) override {
        prompts.append(Prompt{Prompt::Message, text, title, icon, buttons, {}});
        if (whileAsking)
            whileAsking();
        return take(Prompt::Message).answer;
    }
    void tell(const QString& text, const QString& title, PromptIcon icon,
              const QString& details) override {
        prompts.append(
            Prompt{Prompt::Message, text, title, icon, PromptButtons::Ok, {}, {}, {}, details});
        if (whileAsking)
            whileAsking();
        take(Prompt::Message);
    }
    int choose(const QString& text, const QString& title, PromptIcon icon,
               const QStringList& buttons, int preferred, int cancel) override {
        Prompt p{Prompt::Choice, text, title, icon, PromptButtons::OkCancel, {}};
        p.choices = buttons;
        p.preferred = preferred;
        p.cancel = cancel;
        prompts.append(p);
        const Reply r = take(Prompt::Choice);
        return r.text.isEmpty() ? cancel : r.text.toInt();
    }
    QString askName(const NameRequest& request) override {
        prompts.append(Prompt{Prompt::Name, request.prompt, request.title, PromptIcon::None,
                              PromptButtons::OkCancel, request});
        return take(Prompt::Name).text;
    }
    QString openFile(const QString& title, const QString& filters, const QString& folder) override {
        return fileDialog(Prompt::OpenFile, title, filters, folder, {}).text;
    }
    QString saveFile(const QString& title, const QString& filters, const QString& folder,
                     const QString& proposed) override {
        QString noType;
        return saveFileOfType(title, filters, folder, proposed, noType);
    }
    QString saveFileOfType(const QString& title, const QString& filters, const QString& folder,
                           const QString& proposed, QString& filter) override {
        const Reply r = fileDialog(Prompt::SaveFile, title, filters, folder, proposed, filter);
        if (!r.filter.isEmpty())
            filter = r.filter;
        return r.text;
    }
    bool printDialog(QPrinter& printer, const QString& title) override {
        prompts.append(
            Prompt{Prompt::PrintDialog, {}, title, PromptIcon::None, PromptButtons::OkCancel, {}});
        const Reply r = take(Prompt::PrintDialog);
        if (r.answer != PromptAnswer::Ok)
            return false;
        if (r.choose)
            r.choose(printer);
        return true;
    }

private:
    struct Reply {
        Prompt::Kind kind;
        PromptAnswer answer;
        QString text;
        std::function<void(QPrinter&)> choose = {};
        QString filter = {};
    };
    Reply fileDialog(Prompt::Kind kind, const QString& title, const QString& filters,
                     const QString& folder, const QString& proposed, const QString& type = {}) {
        Prompt p{kind, proposed, title, PromptIcon::None, PromptButtons::OkCancel, {}};
        p.folder = folder;
        p.filters = filters;
        p.details = type;
        prompts.append(p);
        return take(kind);
    }
    static void fail(const QString& why) {
        // Outside a test function (a screenshot program) the count tells.
        if (QTest::currentTestFunction() && !QTest::currentTestFailed())
            QTest::qFail(qPrintable(why), __FILE__, __LINE__);
        else
            qWarning("%s", qPrintable(why));
    }
    Reply take(Prompt::Kind kind) {
        if (m_answers.empty() || m_answers.front().kind != kind) {
            ++unexpected;
            fail("unexpected prompt: " + prompts.last().title + " | " + prompts.last().text);
            return Reply{kind, PromptAnswer::Cancel, {}};
        }
        Reply r = m_answers.front();
        m_answers.pop_front();
        return r;
    }
    std::deque<Reply> m_answers;
};

} // namespace qm::test
