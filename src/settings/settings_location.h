#pragma once
// Where the settings file lives: beside the program's folder, or in the user's configuration
// folder when that place cannot be written, or wherever QUILLMAR_SETTINGS says.

#include <QString>
#include <functional>

namespace qm {

/// What the choice depends on, so tests can set each part.
struct SettingsLocationInputs {
    QString environmentValue; // QUILLMAR_SETTINGS; empty when unset
    QString applicationDir;   // the folder that holds the program
    QString configDir;        // the user's configuration folder
    /// True when the settings can be saved there.
    std::function<bool(const QString& path)> canWrite;
};

struct SettingsLocation {
    QString path;
    bool inConfigDir = false; // the fallback was taken; its folder may need creating
};

/// The program's folder with ".ini" appended: /opt/quillmar/bin gives /opt/quillmar/bin.ini.
QString settingsPathBesideProgram(const QString& applicationDir);

/// Chooses the settings file; touches the disk only through `canWrite`.
SettingsLocation chooseSettingsLocation(const SettingsLocationInputs& inputs);

/// True when a save can go there: a temporary file can be made and renamed in the folder of
/// the file (of the file a link leads to), and what is there now is a regular file or nothing.
bool canWriteSettingsFile(const QString& path);

/// The settings file of this process: the real inputs, and the configuration folder created
/// when the choice falls on it.
QString settingsFilePath();

} // namespace qm
