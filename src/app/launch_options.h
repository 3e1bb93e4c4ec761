#pragma once
// The program's own command line, read before Qt is started: --help and --version must work
// where there is no display, and a mistyped option must not be opened as a file.

#include <QString>
#include <QStringList>

namespace qm {

struct LaunchOptions {
    enum class Action { Run, Help, Version, Usage };
    Action action = Action::Run;
    /// Qt's own options (-platform NAME, -style NAME, ...), handed on to QApplication.
    QStringList qtArguments;
    /// The words that name the data file to open.
    QStringList fileWords;
    /// Why the line was refused, for Action::Usage.
    QString error;
};

/// Options stand before the file name; "--" ends them, so a name may begin with "-".
LaunchOptions parseLaunchOptions(const QStringList& arguments);

/// What --help prints.
QString launchUsage();
/// What --version prints.
QString launchVersion();

} // namespace qm
