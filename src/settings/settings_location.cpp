#include "settings/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "store/posix_file.h"

namespace qm {

QString settingsPathBesideProgram(const QString& applicationDir) {
    // cleanPath drops a trailing separator except on the root, which gives "/.ini".
    return QDir::cleanPath(QDir::fromNativeSeparators(applicationDir)) + QStringLiteral(".ini");
}

SettingsLocation chooseSettingsLocation(const SettingsLocationInputs& inputs) {
    if (!inputs.environmentValue.isEmpty())
        return {inputs.environmentValue, false};
    const QString beside = settingsPathBesideProgram(inputs.applicationDir);
    if (!inputs.canWrite || inputs.canWrite(beside))
        return {beside, false};
    return {QDir::cleanPath(inputs.configDir) + QStringLiteral("/QuillMar.ini"), true};
}

bool canWriteSettingsFile(const QString& path) {
    namespace fs = std::filesystem;
    const std::optional<std::string> resolved =
        resolveLink(QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString());
    if (!resolved)
        return false;
    const fs::path target(*resolved);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return false;
    // What the save does: a new file in the folder, renamed over an existing one. Asking for
    // permissions would miss a read-only mount, access lists and a folder that merely lets the
    // existing file be written.
    std::string made = (target.parent_path() / ".quillmar-probe-XXXXXX").string();
    std::string over = made;
    const int a = ::mkstemp(made.data());
    if (a < 0)
        return false;
    ::close(a);
    const int b = ::mkstemp(over.data());
    if (b < 0) {
        ::unlink(made.c_str());
        return false;
    }
    ::close(b);
    const bool renamed = ::rename(made.c_str(), over.c_str()) == 0;
    if (!renamed)
        ::unlink(made.c_str());
    ::unlink(over.c_str());
    return renamed;
}

QString settingsFilePath() {
    SettingsLocationInputs inputs;
    inputs.environmentValue = qEnvironmentVariable("QUILLMAR_SETTINGS");
    inputs.applicationDir = QCoreApplication::applicationDirPath();
    inputs.configDir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    inputs.canWrite = canWriteSettingsFile;
    const SettingsLocation location = chooseSettingsLocation(inputs);
    if (location.inConfigDir)
        QDir().mkpath(QFileInfo(location.path).absolutePath());
    return location.path;
}

} // namespace qm
