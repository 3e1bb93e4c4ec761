#pragma once
// A Prompter for tests: records every prompt and answers from a script, failing the test on
// a prompt nobody expected.

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
    QStringList choices{}; // a Choice's buttons, then the preferred and the Esc one
    int preferred = -1;
    int cancel = -1;
    QString said() const { return title + '|' + text; }
};

class ScriptedPrompter : public Prompter {
public:
    /// Queue answers in the order the prompts will come.
    void answer(PromptAnswer a) { m_answers.push_back(Reply{Prompt::Message, a, {}}); }
    void answerName(const QString& name) { m_answers.push_back(Reply{Prompt::Name, {}, name}); }
    /// A box of named buttons: the index of the button pressed.
    void answerChoice(int index) {
        m_answers.push_back(Reply{Prompt::Choice, {}, QString::number(index)});
    }
    void answerOpen(const QString& path) { m_answers.push_back(Reply{Prompt::OpenFile, {}, path}); }
    void answerSave(const QString& path) { m_answers.push_back(Reply{Prompt::SaveFile, {}, path}); }
    /// The print dialog: OK after `choose` set up the printer as a user would, or Cancel.
    void answerPrint(PromptAnswer a, std::function<void(QPrinter&)> choose = {}) {
        m_answers.push_back(Reply{Prompt::PrintDialog, a, {}, std::move(choose)});
    }

    QList<Prompt> prompts; // everything asked so far
    int unexpected = 0;    // prompts that found no scripted answer
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
        if (buttons == PromptButtons::Ok &&
            (m_answers.empty() || m_answers.front().kind != Prompt::Message))
            return PromptAnswer::Ok; // a plain alert needs no script
        return take(Prompt::Message).answer;
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
        prompts.append(Prompt{Prompt::OpenFile,
                              {},
                              title,
                              PromptIcon::None,
                              PromptButtons::OkCancel,
                              {},
                              folder,
                              filters});
        return take(Prompt::OpenFile).text;
    }
    QString saveFile(const QString& title, const QString& filters, const QString& folder,
                     const QString& proposed) override {
        prompts.append(Prompt{Prompt::SaveFile,
                              proposed,
                              title,
                              PromptIcon::None,
                              PromptButtons::OkCancel,
                              {},
                              folder,
                              filters});
        return take(Prompt::SaveFile).text;
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
    };
    Reply take(Prompt::Kind kind) {
        if (m_answers.empty() || m_answers.front().kind != kind) {
            ++unexpected;
            qWarning("unexpected prompt: %s",
                     qPrintable(prompts.last().text + " / " + prompts.last().title));
            return Reply{kind, PromptAnswer::Cancel, {}};
        }
        Reply r = m_answers.front();
        m_answers.pop_front();
        return r;
    }
    std::deque<Reply> m_answers;
};

} // namespace qm::test
