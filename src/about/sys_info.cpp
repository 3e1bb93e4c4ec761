#include "about/sys_info.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>

#include "window/prompter.h"

namespace qm {

const QStringList& sysInfoCandidates() {
    // Information centres first: they show what the button promises; monitors after them.
    static const QStringList candidates{
        QStringLiteral("kinfocenter"),
        QStringLiteral("hardinfo"),
        QStringLiteral("gnome-system-monitor"),
        QStringLiteral("plasma-systemmonitor"),
        QStringLiteral("ksysguard"),
        QStringLiteral("mate-system-monitor"),
        QStringLiteral("xfce4-taskmanager"),
        QStringLiteral("lxtask"),
    };
    return candidates;
}

QString findSysInfoTool(const QString& pathVariable) {
    QStringList folders;
    // An empty or relative entry would mean the current folder: never start a program from
    // wherever the user happens to be.
    for (const QString& folder : pathVariable.split(QDir::listSeparator(), Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(folder))
            folders << folder;
    if (folders.isEmpty())
        return {}; // findExecutable would search the process's own PATH instead
    for (const QString& name : sysInfoCandidates()) {
        const QString path = QStandardPaths::findExecutable(name, folders);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

bool GetKeyValue(std::int32_t root, const QString& keyPath, const QString& valueName,
                 QString& result) {
    result.clear();
    if (root != kLocalMachine ||
        keyPath.compare(QLatin1String(kSysInfoPathKey), Qt::CaseInsensitive) != 0 ||
        valueName.compare(QLatin1String(kSysInfoPathValue), Qt::CaseInsensitive) != 0)
        return false;
    result = findSysInfoTool(qEnvironmentVariable("PATH"));
    return !result.isEmpty();
}

void StartSysInfo(Prompter& prompter) {
    // The lookup knows the tool only by its full path, so there is no folder to fall back on.
    QString tool;
    if (!GetKeyValue(kLocalMachine, QLatin1String(kSysInfoPathKey),
                     QLatin1String(kSysInfoPathValue), tool) ||
        !QProcess::startDetached(tool, {}))
        prompter.alert(QStringLiteral("System Information Is Unavailable At This Time"));
}

} // namespace qm
