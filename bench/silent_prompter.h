#pragma once
// A prompter for the Qt benchmarks: a benchmark that meets a prompt has gone wrong anyway.

#include <QtGlobal>

#include "window/prompter.h"

namespace qm::bench {

/// Answers every message with OK (after a warning) and cancels every dialog.
class SilentPrompter : public Prompter {
public:
    PromptAnswer ask(const QString& text, const QString&, PromptIcon, PromptButtons) override {
        qWarning("unexpected prompt: %s", qPrintable(text));
        return PromptAnswer::Ok;
    }
    QString askName(const NameRequest&) override { return {}; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    bool printDialog(QPrinter&, const QString&) override { return false; }
};

} // namespace qm::bench
