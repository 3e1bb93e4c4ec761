#include <QApplication>

#include "about/app_identity.h"
#include "app/program.h"
#include "app/qt_prompter.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    qm::applyApplicationIdentity();
    qm::QtPrompter prompter;
    qm::Program program(prompter);
    QObject::connect(&program, &qm::Program::windowCreated, &program,
                     [&prompter](QWidget* window) { prompter.setOwner(window); });
    program.start(QApplication::arguments().mid(1));
    return QApplication::exec();
}
