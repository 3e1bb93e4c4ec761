#pragma once
// A prompter for the window benchmarks: a benchmark that meets a prompt has gone wrong, so
// every message is printed and answered with OK, every dialog cancelled.

#include <QString>
#include <cstdio>

#include "window/prompter.h"

namespace qm::bench {

class SilentPrompter : public Prompter {
public:
    PromptAnswer ask(const QString& text, const QString&, PromptIcon, PromptButtons) override {
        std::fprintf(stderr, "unexpected prompt: %s\n", qPrintable(text));
        return PromptAnswer::Ok;
    }
    int choose(const QString& text, const QString&, PromptIcon, const QStringList&, int,
               int cancel) override {
        std::fprintf(stderr, "unexpected prompt: %s\n", qPrintable(text));
        return cancel;
    }
    QString askName(const NameRequest&) override { return {}; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
    QString saveFile(const QString&, const QString&, const QString&, const QString&) override {
        return {};
    }
    bool printDialog(QPrinter&, const QString&) override { return false; }
};

} // namespace qm::bench
