#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/ini_file.h"
#include "settings/settings_location.h"
#include "settings/settings_values.h"
#include "support/file_bytes.h"

using namespace qm;
using namespace qm::test;

class TestSettingsValues : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("s.ini"));

private slots:
    void init() { QFile::remove(m_path); }

    void number_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("not a number") << "abc" << 0;
        QTest::newRow("leading spaces, trailing text") << "  12abc" << 12;
        QTest::newRow("half to even down") << "2.5" << 2;
        QTest::newRow("half to even up") << "3.5" << 4;
        QTest::newRow("no exponent") << "1e5" << 1;
        QTest::newRow("held in 16 bits") << "99999999999999999999" << 32767;
    }
    void number() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(roundSetting(readNumber(text)), expected);
    }

    // The written file shows every default.
    void noFile_defaultsWritten_countAboveMaxKeepsNames() {
        IniFile ini(m_path);
        Settings s{.RecentMax = 7, .RecentFiles = {QStringLiteral("stale")}};
        GetIniValues(ini, s);
        QVERIFY(s.RecentFiles[0].isEmpty());
        QVERIFY(!QFile::exists(m_path));
        // Window positions keep their fraction.
        QVERIFY(writeIniNumber(ini, "Display", "MainLeft", 1500.5));
        QVERIFY(SetIniValues(ini, s));
        QCOMPARE(fileBytes(m_path),
                 "[Display]\nMainLeft= 1500.5\n[FileBuf]\nCount= 0\nMax= 4\nOpenLast= 0\n"
                 "[AutoSave]\nValue= 1\nMinutes= 2\nChanges= 4\nBackup= 1\n"
                 "[Printing]\nMaxColumns= 2\nFontSize= 10\nHierarchy= 0\n");
        QCOMPARE(readIniNumber(ini, "Display", "MainLeft", 1000), 1500.5);
        // A count above Max reads as Max; the names above it stay in the file.
        putFile(m_path, "[FileBuf]\nCount=6\nMax=4\nName1=/1\nName2=/2\nName3=/3\nName4=/4\n"
                        "Name5=/5\nName6=/6\n");
        IniFile next(m_path);
        GetIniValues(next, s);
        QCOMPARE(s.RecentCount, 4);
        QCOMPARE(s.RecentFiles[3], "/4");
        QVERIFY(s.RecentFiles[4].isEmpty());
        QVERIFY(SetIniValues(next, s));
        QCOMPARE(next.read("FileBuf", "Count") + next.read("FileBuf", "Name6"), "4/6");
    }

    // What the save needs: a new file made and renamed in the folder the file lives in.
    void canWriteSettingsFile_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("expected");
        const QString dir = m_dir.path();
        QTest::newRow("missing, writable folder") << dir + "/new.ini" << true;
        QTest::newRow("missing folder") << dir + "/none/new.ini" << false;
        QTest::newRow("link to a file elsewhere") << dir + "/link.ini" << true;
        QTest::newRow("pipe") << dir + "/pipe.ini" << false;
        // A file that may be written in a folder where nothing can be made, even by root.
        QTest::newRow("writable file, closed folder") << "/proc/self/comm" << false;
    }
    void canWriteSettingsFile() {
        QFETCH(QString, path);
        QFETCH(bool, expected);
        QVERIFY(QDir(m_dir.path()).mkpath("elsewhere"));
        putFile(m_dir.filePath("elsewhere/real.ini"), "[A]\n");
        QFile::link(m_dir.filePath("elsewhere/real.ini"), m_dir.filePath("link.ini"));
        makeOddFile("fifo", m_dir.filePath("pipe.ini"));
        QCOMPARE(qm::canWriteSettingsFile(path), expected);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Hidden | QDir::Files).filter("probe"),
                 QStringList()); // nothing left behind
    }

    // Values in the order Max, Count, Value, Minutes, Changes, Backup, MaxColumns, FontSize,
    // Hierarchy, OpenLast.
    void readClampsIntoRange_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<int>>("expected");
        // clang-format off
        QTest::newRow("above") << "[FileBuf]\nCount=9\nMax=12\nOpenLast=2\n[AutoSave]\nValue=5\nMinutes=9\nChanges=7\nBackup=2\n"
                                  "[Printing]\nMaxColumns=9\nFontSize=20\nHierarchy=9\n" << QList<int>{8, 8, 1, 6, 6, 0, 6, 12, 6, 0};
        QTest::newRow("below") << "[FileBuf]\nCount=-1\nMax=-3\nOpenLast=-1\n[AutoSave]\nValue=-7\nMinutes=-1\nChanges=-2\nBackup=-5\n"
                                  "[Printing]\nMaxColumns=0\nFontSize=3\nHierarchy=1\n" << QList<int>{2, 0, -1, 0, 0, 0, 1, 7, 2, 0};
        QTest::newRow("zeros kept, hierarchy rounded first") << "[FileBuf]\nOpenLast= 1\n[AutoSave]\nValue=0\nBackup=0\n[Printing]\nHierarchy=0.4\n" << QList<int>{4, 0, 0, 2, 4, 0, 2, 10, 0, 1};
        // clang-format on
    }
    void readClampsIntoRange() {
        QFETCH(QString, file);
        QFETCH(QList<int>, expected);
        putFile(m_path, file.toUtf8());
        Settings s;
        GetIniValues(IniFile(m_path), s);
        QCOMPARE((QList<int>{s.RecentMax, s.RecentCount, s.AsMode, s.AsMinutes, s.AsChanges,
                             s.MakeBackup, s.MaxColumns, s.FontSize, s.Hierarchy, s.OpenLast}),
                 expected);
    }

    // Only `writable` can be written; every other place asked about cannot.
    void location_data() {
        QTest::addColumn<QString>("env");
        QTest::addColumn<QString>("appDir");
        QTest::addColumn<QString>("writable");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("beside the folder") << "" << "/opt/quillmar/bin" << "/opt/quillmar/bin.ini" << "/opt/quillmar/bin.ini";
        QTest::newRow("root")              << "" << "/"                 << "/.ini"      << "/.ini";
        QTest::newRow("not writable")      << "" << "/usr/bin"          << ""           << "/home/u/.config/QuillMar.ini";
        QTest::newRow("variable wins")     << "/tmp/x.ini" << "/opt/q"  << "/opt/q.ini" << "/tmp/x.ini";
        // clang-format on
    }
    void location() {
        QFETCH(QString, env);
        QFETCH(QString, appDir);
        QFETCH(QString, writable);
        QFETCH(QString, expected);
        const auto canWrite = [&](const QString& p) { return p == writable; };
        QCOMPARE(chooseSettingsLocation({env, appDir, "/home/u/.config", canWrite}).path, expected);
    }
};

QTEST_GUILESS_MAIN(TestSettingsValues)
#include "test_settings_values.moc"
