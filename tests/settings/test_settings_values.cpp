#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "support/file_bytes.h"
#include "settings/ini_file.h"
#include "settings/settings_location.h"
#include "settings/settings_values.h"

using namespace qm;
using qm::test::fileBytes;
using qm::test::putFile;


class TestSettingsValues : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init() {
        m_path = m_dir.filePath(QStringLiteral("s.ini"));
        QFile::remove(m_path);
    }

    void number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("written by us") << " 3" << 3;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("trailing text") << "  12abc" << 12;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("negative half") << "-2.5" << -2;
        QTest::newRow("fraction only") << ".7" << 1;
        QTest::newRow("no exponent") << "1e5" << 1;
        QTest::newRow("held in 16 bits") << "99999999999999999999" << 32767;
    }
    void number() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(roundSetting(readNumber(text)), expected);
    }

    void numberText_roundTrips() {
        QCOMPARE(numberText(3), QStringLiteral(" 3"));
        QCOMPARE(numberText(-1), QStringLiteral("-1"));
        QCOMPARE(numberText(1000.25), QStringLiteral(" 1000.25"));
        QCOMPARE(readNumber(numberText(-1234.5)), -1234.5);
        IniFile ini(m_path);
        QVERIFY(writeIniNumber(ini, "Display", "MainLeft", 1500.5));
        QCOMPARE(readIniNumber(ini, "Display", "MainLeft", 1000), 1500.5);
        QCOMPARE(readIniNumber(ini, "Display", "MainTop", 1000), 1000.0);
    }

    void noFile_defaults_andFirstSetCreatesFile() {
        IniFile ini(m_path);
        Settings s;
        s.RecentFiles[0] = QStringLiteral("stale");
        s.RecentMax = 7;
        GetIniValues(ini, s);
        QCOMPARE(s.RecentCount, 0);
        QCOMPARE(s.RecentMax, 4);
        QCOMPARE(s.RecentFiles[0], QString());
        QCOMPARE(s.AsMode, 1);
        QCOMPARE(s.AsMinutes, 2);
        QCOMPARE(s.AsChanges, 4);
        QCOMPARE(s.MakeBackup, 1);
        QCOMPARE(s.MaxColumns, 2);
        QCOMPARE(s.FontSize, 10);
        QCOMPARE(s.Hierarchy, 0);
        QVERIFY(!QFile::exists(m_path));
        QVERIFY(SetIniValues(ini, s));
        QCOMPARE(fileBytes(m_path), QByteArray("[FileBuf]\nCount= 0\nMax= 4\n"
                                               "[AutoSave]\nValue= 1\nMinutes= 2\nChanges= 4\n"
                                               "Backup= 1\n"
                                               "[Printing]\nMaxColumns= 2\nFontSize= 10\n"
                                               "Hierarchy= 0\n"));
    }

    void recentCountAboveMax_readsMaxAndKeepsHigherNames() {
        putFile(m_path, "[FileBuf]\nCount=6\nMax=4\nName1=/1\nName2=/2\nName3=/3\nName4=/4\n"
                        "Name5=/5\nName6=/6\n");
        IniFile ini(m_path);
        Settings s;
        GetIniValues(ini, s);
        QCOMPARE(s.RecentCount, 4);
        QCOMPARE(s.RecentFiles[3], QStringLiteral("/4"));
        QCOMPARE(s.RecentFiles[4], QString());
        s.RecentFiles[0] = QStringLiteral("/new\nline");
        QVERIFY(SetIniValues(ini, s));
        QCOMPARE(ini.read("FileBuf", "Name5"), QStringLiteral("/5"));
        QCOMPARE(ini.read("FileBuf", "Name6"), QStringLiteral("/6"));
        QCOMPARE(ini.read("FileBuf", "Count"), QStringLiteral(" 4"));
        QCOMPARE(ini.read("FileBuf", "Name1"), QStringLiteral("/new line"));
    }

    void readClampsIntoRange_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        // clang-format off
        QTest::newRow("Max 12 -> 8")        << "FileBuf"  << "Max"        << "12"  << 8;
        QTest::newRow("Max -3 -> 2")        << "FileBuf"  << "Max"        << "-3"  << 2;
        QTest::newRow("Count -1 -> 0")      << "FileBuf"  << "Count"      << "-1"  << 0;
        QTest::newRow("Value 0 kept")       << "AutoSave" << "Value"      << " 0"  << 0;
        QTest::newRow("Value 5 -> 1")       << "AutoSave" << "Value"      << "5"   << 1;
        QTest::newRow("Value -7 -> -1")     << "AutoSave" << "Value"      << "-7"  << -1;
        QTest::newRow("Minutes 9 -> 6")     << "AutoSave" << "Minutes"    << "9"   << 6;
        QTest::newRow("Backup 5 -> 1")      << "AutoSave" << "Backup"     << "5"   << 1;
        QTest::newRow("MaxColumns 0 -> 1")  << "Printing" << "MaxColumns" << "0"   << 1;
        QTest::newRow("FontSize 20 -> 12")  << "Printing" << "FontSize"   << "20"  << 12;
        QTest::newRow("Hierarchy 1 -> 2")   << "Printing" << "Hierarchy"  << "1"   << 2;
        QTest::newRow("Hierarchy 9 -> 6")   << "Printing" << "Hierarchy"  << "9"   << 6;
        QTest::newRow("Hierarchy 0.4 -> 0") << "Printing" << "Hierarchy"  << "0.4" << 0;
        // clang-format on
    }
    void readClampsIntoRange() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, text);
        QFETCH(int, expected);
        IniFile ini(m_path);
        QVERIFY(ini.write("FileBuf", "Count", "8"));
        QVERIFY(ini.write("FileBuf", "Max", "8"));
        QVERIFY(ini.write(section, key, text));
        Settings s;
        GetIniValues(ini, s);
        const std::map<QString, int> got{
            {"Max", s.RecentMax},         {"Count", s.RecentCount}, {"Value", s.AsMode},
            {"Minutes", s.AsMinutes},     {"Changes", s.AsChanges}, {"Backup", s.MakeBackup},
            {"MaxColumns", s.MaxColumns}, {"FontSize", s.FontSize}, {"Hierarchy", s.Hierarchy}};
        QCOMPARE(got.at(key), expected);
    }

    void location_data() {
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("appDir");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("beside the folder") << "" << "/opt/quillmar/bin" << true << "/opt/quillmar/bin.ini";
        QTest::newRow("root")              << "" << "/"                 << true << "/.ini";
        QTest::newRow("not writable")      << "" << "/usr/bin"          << false << "/home/u/.config/QuillMar.ini";
        QTest::newRow("variable wins")     << "/tmp/x.ini" << "/usr/bin" << false << "/tmp/x.ini";
        QTest::newRow("variable wins over writable") << "/tmp/x.ini" << "/opt/q" << true << "/tmp/x.ini";
        // clang-format on
    }
    void location() {
        QFETCH(QString, env);
        QFETCH(QString, appDir);
        QFETCH(bool, writable);
        QFETCH(QString, expected);
        QStringList asked;
        SettingsLocationInputs in{env, appDir, QStringLiteral("/home/u/.config"),
                                  [&](const QString& p) {
                                      asked << p;
                                      return writable;
                                  }};
        QCOMPARE(chooseSettingsLocation(in).path, expected);
        if (env.isEmpty())
            QCOMPARE(asked, QStringList{settingsPathBesideProgram(appDir)});
    }

    void canWrite_missingFileAsksItsFolder() {
        QVERIFY(canWriteSettingsFile(m_dir.filePath(QStringLiteral("new.ini"))));
        QVERIFY(!canWriteSettingsFile(m_dir.filePath(QStringLiteral("none/new.ini"))));
    }
};

QTEST_GUILESS_MAIN(TestSettingsValues)
#include "test_settings_values.moc"
