#include "settings/settings_values.h"

#include <algorithm>
#include <cmath>

#include "settings/ini_file.h"
#include "window/zoom.h"

namespace qm {

namespace {

const QString kDisplay = QStringLiteral("Display");
const QString kZoom = QStringLiteral("Zoom");
const QString kFileBuf = QStringLiteral("FileBuf");
const QString kAutoSave = QStringLiteral("AutoSave");
const QString kPrinting = QStringLiteral("Printing");

QString nameKey(int i) {
    return QStringLiteral("Name%1").arg(i);
}

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

double readNumber(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    qsizetype digits = 0;
    for (; i < text.size() && isDigit(text[i]); ++i)
        ++digits;
    if (i < text.size() && text[i] == QLatin1Char('.')) {
        qsizetype fraction = 0;
        for (qsizetype j = i + 1; j < text.size() && isDigit(text[j]); ++j)
            ++fraction;
        if (fraction > 0 || digits > 0)
            i += 1 + fraction;
        digits += fraction;
    }
    if (digits == 0)
        return 0.0;
    bool ok = false;
    const double value = text.sliced(start, i - start).toDouble(&ok);
    return ok ? value : 0.0;
}

int roundSetting(double value) {
    if (std::isnan(value))
        return 0;
    value = std::clamp(value, -32768.0, 32767.0);
    const double below = std::floor(value);
    const double rest = value - below;
    double rounded = below;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    return static_cast<int>(rounded);
}

QString numberText(int value) {
    const QString digits = QString::number(value);
    return value < 0 ? digits : QLatin1Char(' ') + digits;
}

QString numberText(double value) {
    QString digits;
    if (value == std::trunc(value) && std::abs(value) < 1e15) {
        digits = QString::number(static_cast<qlonglong>(value));
    } else {
        digits = QString::number(value, 'f', 6);
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        if (digits.endsWith(QLatin1Char('.')))
            digits.chop(1);
    }
    return value < 0 ? digits : QLatin1Char(' ') + digits;
}

double readIniNumber(const IniFile& ini, const QString& section, const QString& key,
                     double defaultValue) {
    return readNumber(ini.read(section, key, numberText(defaultValue)));
}

int readIniSetting(const IniFile& ini, const QString& section, const QString& key,
                   int defaultValue) {
    return roundSetting(readIniNumber(ini, section, key, defaultValue));
}

bool writeIniNumber(IniFile& ini, const QString& section, const QString& key, double value) {
    return ini.write(section, key, numberText(value));
}

bool writeIniNumber(IniFile& ini, const QString& section, const QString& key, int value) {
    return ini.write(section, key, numberText(value));
}

int readZoom(const IniFile& ini) {
    return nearestZoom(readIniNumber(ini, kDisplay, kZoom, kZoomSteps.front()));
}

bool writeZoom(IniFile& ini, int percent) {
    return writeIniNumber(ini, kDisplay, kZoom, percent);
}

void GetIniValues(const IniFile& ini, Settings& s) {
    s.RecentCount = readIniSetting(ini, kFileBuf, QStringLiteral("Count"), 0);
    s.RecentMax =
        std::clamp(readIniSetting(ini, kFileBuf, QStringLiteral("Max"), 4), 2, kRecentFilesMax);
    s.RecentCount = std::clamp(s.RecentCount, 0, s.RecentMax);
    for (int i = 0; i < kRecentFilesMax; ++i) {
        s.RecentFiles[std::size_t(i)] =
            i < s.RecentCount ? ini.read(kFileBuf, nameKey(i + 1), QString()) : QString();
    }
    s.OpenLast = readIniSetting(ini, kFileBuf, QStringLiteral("OpenLast"), 0) == 1 ? 1 : 0;

    // Anything but off, minutes or changes is taken as the nearest of them.
    s.AsMode = std::clamp(readIniSetting(ini, kAutoSave, QStringLiteral("Value"), 1), -1, 1);
    const int lastStep = int(AsSteps.size()) - 1;
    s.AsMinutes =
        std::clamp(readIniSetting(ini, kAutoSave, QStringLiteral("Minutes"), 2), 0, lastStep);
    s.AsChanges =
        std::clamp(readIniSetting(ini, kAutoSave, QStringLiteral("Changes"), 4), 0, lastStep);
    // Backups are on only when switched on, never by an odd value.
    s.MakeBackup = readIniSetting(ini, kAutoSave, QStringLiteral("Backup"), 1) == 1 ? 1 : 0;

    s.MaxColumns =
        std::clamp(readIniSetting(ini, kPrinting, QStringLiteral("MaxColumns"), 2), 1, 6);
    s.FontSize = std::clamp(readIniSetting(ini, kPrinting, QStringLiteral("FontSize"), 10), 7, 12);
    const int hierarchy = readIniSetting(ini, kPrinting, QStringLiteral("Hierarchy"), 0);
    s.Hierarchy = hierarchy == 0 ? 0 : std::clamp(hierarchy, 2, 6);
}

bool SetIniValues(IniFile& ini, const Settings& s) {
    IniFile::Batch batch(ini);
    bool ok = writeIniNumber(ini, kFileBuf, QStringLiteral("Count"), s.RecentCount);
    ok &= writeIniNumber(ini, kFileBuf, QStringLiteral("Max"), s.RecentMax);
    const int count = std::clamp(s.RecentCount, 0, kRecentFilesMax);
    for (int i = 0; i < count; ++i)
        ok &= ini.write(kFileBuf, nameKey(i + 1), s.RecentFiles[std::size_t(i)]);
    ok &= writeIniNumber(ini, kFileBuf, QStringLiteral("OpenLast"), s.OpenLast);
    ok &= writeIniNumber(ini, kAutoSave, QStringLiteral("Value"), s.AsMode);
    ok &= writeIniNumber(ini, kAutoSave, QStringLiteral("Minutes"), s.AsMinutes);
    ok &= writeIniNumber(ini, kAutoSave, QStringLiteral("Changes"), s.AsChanges);
    ok &= writeIniNumber(ini, kAutoSave, QStringLiteral("Backup"), s.MakeBackup);
    ok &= writeIniNumber(ini, kPrinting, QStringLiteral("MaxColumns"), s.MaxColumns);
    ok &= writeIniNumber(ini, kPrinting, QStringLiteral("FontSize"), s.FontSize);
    ok &= writeIniNumber(ini, kPrinting, QStringLiteral("Hierarchy"), s.Hierarchy);
    return batch.commit() && ok;
}

} // namespace qm
