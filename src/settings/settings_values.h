#pragma once
// The program's main settings, their defaults and ranges, and how they move between the
// settings file and memory. Numbers in the file are decimal text, read leniently.

#include <QString>
#include <QStringView>
#include <array>

namespace qm {

class IniFile;

/// The auto-save steps: the Minutes and Changes settings hold a position in this table.
constexpr std::array<int, 7> AsSteps{2, 3, 5, 7, 10, 15, 25};
constexpr int kRecentFilesMax = 8;

struct Settings {
    int RecentMax = 4;                                  // 2..8 places in the recent-files list
    int RecentCount = 0;                                // 0..RecentMax places in use
    std::array<QString, kRecentFilesMax> RecentFiles{}; // [0] is the most recent (key Name1)
    int OpenLast = 0;  // 1: a start without a file named opens RecentFiles[0]
    int AsMode = 1;    // auto-save: -1 off, 0 by minutes, 1 by changes
    int AsMinutes = 2; // position in AsSteps
    int AsChanges = 4; // position in AsSteps
    int MakeBackup = 1;
    int MaxColumns = 2; // 1..6 listing columns per page
    int FontSize = 10;  // 7..12 points
    int Hierarchy = 0;  // 0 descendancy lines, 2..6 spaces per level
};

/// The leading number of a text: leading spaces skipped, then an optional sign, digits and an
/// optional fraction; 0 when there is none ("abc", "", "-").
double readNumber(QStringView text);
/// Rounds to a whole number, halves to the even neighbour, held within 16 bits.
int roundSetting(double value);
/// Decimal text with one leading space when not negative (" 3", "-1", " 1000.5").
QString numberText(int value);
QString numberText(double value);

/// One number from the file, the default when it is missing. The double form keeps the
/// fraction (window positions); the int form rounds like every other setting.
double readIniNumber(const IniFile& ini, const QString& section, const QString& key,
                     double defaultValue);
int readIniSetting(const IniFile& ini, const QString& section, const QString& key,
                   int defaultValue);
bool writeIniNumber(IniFile& ini, const QString& section, const QString& key, double value);
bool writeIniNumber(IniFile& ini, const QString& section, const QString& key, int value);

/// The window's zoom in percent ([Display] Zoom, 100 when missing); any other value than a
/// zoom step reads as the nearest step.
int readZoom(const IniFile& ini);
bool writeZoom(IniFile& ini, int percent);

/// Reads the main settings, each brought into its range (see Settings). Recent-file places
/// above the count are emptied; their keys are not read.
void GetIniValues(const IniFile& ini, Settings& settings);
/// Writes the main settings in one rewrite of the file; false (ini.errorString()) on failure.
/// Recent-file keys above the count are left as they are in the file.
bool SetIniValues(IniFile& ini, const Settings& settings);

} // namespace qm
