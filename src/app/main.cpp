#include <QApplication>
#include <cstdio>
#include <vector>

#include "about/app_identity.h"
#include "app/launch_options.h"
#include "app/program.h"
#include "app/qt_prompter.h"

namespace {

void print(std::FILE* to, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), to);
}

} // namespace

int main(int argc, char* argv[]) {
    // Read before QApplication exists: without a display it would abort before --help.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const qm::LaunchOptions options = qm::parseLaunchOptions(arguments);
    switch (options.action) {
    case qm::LaunchOptions::Action::Help:
        print(stdout, qm::launchUsage());
        return 0;
    case qm::LaunchOptions::Action::Version:
        print(stdout, qm::launchVersion());
        return 0;
    case qm::LaunchOptions::Action::Usage:
        print(stderr, QStringLiteral("quillmar: ") + options.error + QLatin1Char('\n'));
        print(stderr, qm::launchUsage());
        return 2;
    case qm::LaunchOptions::Action::Run:
        break;
    }

    // Qt sees its own options only, so a file name can never be taken for one of them.
    std::vector<QByteArray> kept{QByteArray(argv[0])};
    for (const QString& a : options.qtArguments)
        kept.push_back(a.toLocal8Bit());
    std::vector<char*> qtArgv;
    for (QByteArray& a : kept)
        qtArgv.push_back(a.data());
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(kept.size());

    QApplication app(qtArgc, qtArgv.data());
    qm::applyApplicationIdentity();
    qm::QtPrompter prompter;
    qm::Program program(prompter);
    QObject::connect(&program, &qm::Program::windowCreated, &program,
                     [&prompter](QWidget* window) { prompter.setOwner(window); });
    program.start(options.fileWords);
    return QApplication::exec();
}
