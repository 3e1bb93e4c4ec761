#pragma once
// The About box's System Info button. Linux has no registry naming a system-information
// tool, so a small lookup of our own stands in for the two values the button reads: it knows
// the tool's full path, found among the usual desktop programs on the PATH, and nothing else.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace qm {

class Prompter;

/// The root the tool's keys live under (the value of HKEY_LOCAL_MACHINE as a signed handle).
inline constexpr std::int32_t kLocalMachine = static_cast<std::int32_t>(0x80000002u);
/// The key and value that hold the tool's full path.
inline constexpr char kSysInfoPathKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char kSysInfoPathValue[] = "PATH";

/// The system monitors and information centres of the common Linux desktops, preferred first.
const QStringList& sysInfoCandidates();

/// The full path of the first candidate found in the folders of `pathVariable` (a PATH
/// value); empty when there is none. Only absolute folders count.
QString findSysInfoTool(const QString& pathVariable);

/// Reads one value of the lookup into `result`. Only the tool's path is known, and only when
/// a tool is found on the PATH; for everything else `result` is emptied and false returned.
bool GetKeyValue(std::int32_t root, const QString& keyPath, const QString& valueName,
                 QString& result);

/// Starts the system-information tool as a separate process without waiting for it; shows
/// "System Information Is Unavailable At This Time" when there is none or it does not start.
void StartSysInfo(Prompter& prompter);

} // namespace qm
