#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "settings/ini_file.h"
#include "support/file_bytes.h"

using namespace qm;
using qm::test::fileBytes;
using qm::test::putFile;

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init() {
        m_path = m_dir.filePath(QStringLiteral("t.ini"));
        QFile::remove(m_path);
    }

    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray plain("[FileBuf]\nCount= 3\nMax=5\n[Other]\nMax=7\n");
        // clang-format off
        QTest::newRow("leading space kept")   << plain << "FileBuf"  << "Count" << " 3";
        QTest::newRow("section case")         << plain << "FILEBUF"  << "Max"   << "5";
        QTest::newRow("key case")             << plain << "other"    << "mAX"   << "7";
        QTest::newRow("key in other section") << plain << "Other"    << "Count" << "dflt";
        QTest::newRow("CRLF ends")         << QByteArray("[A]\r\nk=v\r\n")    << "A" << "k" << "v";
        QTest::newRow("comment is no key") << QByteArray("[A]\n;k=c\nk=v\n") << "A" << "k" << "v";
        QTest::newRow("utf-8 value") << QByteArray("[A]\nk=/home/j\xc3\xbcrgen/a.qmd\n") << "A" << "k"
                                     << QStringLiteral("/home/j\u00fcrgen/a.qmd");
        QTest::newRow("cut to 254") << "[A]\nk=" + QByteArray(300, 'x') + "\n" << "A" << "k"
                                    << QString(254, QLatin1Char('x'));
        // clang-format on
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        putFile(m_path, file);
        QCOMPARE(IniFile(m_path).read(section, key, QStringLiteral("dflt")), expected);
    }

    void write_keepsEveryOtherLineByteForByte() {
        putFile(m_path, "; hand-written\r\nstray line\r\n[Display]\r\nMainLeft= 1000\r\n\r\n"
                        "[fileBUF]\r\ncount = 2\r\n# note=keep\r\nName1=/a.qmd\r\n\r\n"
                        "[Printing]\r\nFontSize=12");
        IniFile ini(m_path);
        QVERIFY(ini.write("FileBuf", "Count", " 3"));
        QVERIFY(ini.write("FileBuf", "Name3", "/c.qmd"));
        QVERIFY(ini.write("Printing", "Hierarchy", " 4"));
        QCOMPARE(fileBytes(m_path),
                 QByteArray("; hand-written\r\nstray line\r\n[Display]\r\nMainLeft= 1000\r\n\r\n"
                            "[fileBUF]\r\ncount = 3\r\n# note=keep\r\nName1=/a.qmd\r\n"
                            "Name3=/c.qmd\r\n\r\n[Printing]\r\nFontSize=12\r\nHierarchy= 4\r\n"));
    }

    void paddedBookmarkSection_roundTrips() {
        const QString section =
            QStringLiteral("Book") + QStringLiteral("RECIPES").leftJustified(20);
        IniFile ini(m_path);
        QVERIFY(ini.write(section, "Count", " 1"));
        QVERIFY(ini.write("BookRECIPES", "Count", " 9"));
        QVERIFY(fileBytes(m_path).startsWith("[BookRECIPES             ]\nCount= 1\n"));
        QCOMPARE(ini.read(section.toLower(), "count"), QStringLiteral(" 1"));
        QCOMPARE(ini.read("BookRECIPES", "Count"), QStringLiteral(" 9"));
    }

    // Line breaks in a value would start new lines in the file.
    void batchWithLineBreaks_writesOnceOnOneLine() {
        putFile(m_path, "[A]\nk=1\n");
        IniFile ini(m_path);
        IniFile::Batch batch(ini);
        QVERIFY(ini.write("A", "k", "2"));
        QVERIFY(ini.write("B", "j", "one\r\ntwo\nthree\rfour"));
        QCOMPARE(ini.read("A", "k"), QStringLiteral("2")); // reads see the pending writes
        QCOMPARE(fileBytes(m_path), QByteArray("[A]\nk=1\n"));
        QVERIFY(batch.commit());
        QCOMPARE(fileBytes(m_path), QByteArray("[A]\nk=2\n[B]\nj=one  two three four\n"));
    }

    void writeFailures_reportedNotSilent() {
        IniFile lost(m_dir.filePath(QStringLiteral("no/such/folder/t.ini")));
        IniFile::Batch batch(lost);
        QVERIFY(lost.write("A", "k", "v")); // held until the commit
        QVERIFY(!batch.commit());
        QVERIFY(lost.errorString().contains(QStringLiteral("folder/t.ini")));

        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.ini")));
        IniFile blocked(m_dir.filePath(QStringLiteral("folder.ini")));
        QVERIFY(!blocked.write("A", "k", "v"));
        QVERIFY(!blocked.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_ini_file.moc"
