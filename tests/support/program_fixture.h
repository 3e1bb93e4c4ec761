#pragma once
// A whole program for a test: the real main window and its subsystems, a scripted prompter,
// and a settings file and data files in a temporary folder.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "app/program.h"
#include "support/file_bytes.h"
#include "support/scripted_prompter.h"
#include "support/window_driver.h"

namespace qm::test {

struct ProgramFixture {
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    std::unique_ptr<Program> program;

    QString path(const QString& name) const { return dir.filePath(name); }
    QString iniPath() const { return path(QStringLiteral("QuillMar.ini")); }

    /// Writes settings lines before the program starts.
    void writeIni(const QByteArray& text) const { putFile(iniPath(), text); }
    QByteArray readFile(const QString& file) const { return fileBytes(file); }

    /// Where journals of trees without a file go; each fixture has its own.
    QString stateFolder() const { return path(QStringLiteral("state/QuillMar")); }

    MainWindow& start(const QStringList& arguments = {}) {
        qputenv("XDG_STATE_HOME", QFile::encodeName(path(QStringLiteral("state"))));
        program = std::make_unique<Program>(prompter, iniPath());
        program->start(arguments, false);
        return program->window();
    }
    MainWindow& w() { return program->window(); }
    /// Triggers a visible, enabled menu entry; false when a user could not choose it.
    [[nodiscard]] bool click(MenuArray array, int index) { return chooseMenu(w(), array, index); }
};

} // namespace qm::test
