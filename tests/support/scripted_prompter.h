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
        return fileDialog(Prompt::OpenFile, title, filters, folder, {});
    }
    QString saveFile(const QString& title, const QString& filters, const QString& folder,
                     const QString& proposed) override {
        return fileDialog(Prompt::SaveFile, title, filters, folder, proposed);
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
    QString fileDialog(Prompt::Kind kind, const QString& title, const QString& filters,
                       const QString& folder, const QString& proposed) {
        Prompt p{kind, proposed, title, PromptIcon::None, PromptButtons::OkCancel, {}};
        p.folder = folder;
        p.filters = filters;
        prompts.append(p);
        return take(kind).text;
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
