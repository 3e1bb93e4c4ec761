#include "settings/settings_location.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <unistd.h>

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
    const QFileInfo file(path);
    // access() rather than QFileInfo::isWritable, which answers from the permission bits alone.
    const QString probe = file.exists() ? file.absoluteFilePath() : file.absolutePath();
    return ::access(QFile::encodeName(probe).constData(), W_OK) == 0;
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
