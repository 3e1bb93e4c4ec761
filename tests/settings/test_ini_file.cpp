#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "support/file_bytes.h"
#include "settings/ini_file.h"

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
        QTest::newRow("no file")              << QByteArray() << "FileBuf" << "Count" << "dflt";
        QTest::newRow("leading space kept")   << plain << "FileBuf"  << "Count" << " 3";
        QTest::newRow("section case")         << plain << "FILEBUF"  << "Max"   << "5";
        QTest::newRow("key case")             << plain << "other"    << "mAX"   << "7";
        QTest::newRow("missing section")      << plain << "Printing" << "Max"   << "dflt";
        QTest::newRow("missing key")          << plain << "FileBuf"  << "Name1" << "dflt";
        QTest::newRow("key in other section") << plain << "Other"    << "Count" << "dflt";
        QTest::newRow("empty value")       << QByteArray("[A]\nk=\n")         << "A" << "k" << "";
        QTest::newRow("CRLF ends")         << QByteArray("[A]\r\nk=v\r\n")    << "A" << "k" << "v";
        QTest::newRow("comment is no key") << QByteArray("[A]\n;k=c\nk=v\n") << "A" << "k" << "v";
        QTest::newRow("trailing space of section counts")
            << QByteArray("[Book A  ]\nCount=1\n") << "Book A" << "Count" << "dflt";
        QTest::newRow("utf-8 value") << QByteArray("[A]\nk=/home/j\xc3\xbcrgen/a.qmd\n") << "A" << "k"
                                     << QStringLiteral("/home/j\u00fcrgen/a.qmd");
        // clang-format on
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        if (!file.isNull())
            putFile(m_path, file);
        QCOMPARE(IniFile(m_path).read(section, key, QStringLiteral("dflt")), expected);
    }

    void readLongValue_cutTo254() {
        putFile(m_path, "[A]\nk=" + QByteArray(300, 'x') + "\n");
        QCOMPARE(IniFile(m_path).read("A", "k"), QString(254, QLatin1Char('x')));
    }

    void writeNewFile_createsSectionAndKey() {
        IniFile ini(m_path);
        QVERIFY(ini.write("FileBuf", "Count", " 3"));
        QVERIFY(ini.write("FileBuf", "Max", " 4"));
        QVERIFY(ini.write("AutoSave", "Value", "-1"));
        QCOMPARE(fileBytes(m_path),
                 QByteArray("[FileBuf]\nCount= 3\nMax= 4\n[AutoSave]\nValue=-1\n"));
    }

    void write_keepsEveryOtherLineByteForByte() {
        const QByteArray before = "; hand-written\r\n"
                                  "stray line\r\n"
                                  "[Display]\r\n"
                                  "MainLeft= 1000\r\n"
                                  "\r\n"
                                  "[fileBUF]\r\n"
                                  "count = 2\r\n"
                                  "# note=keep\r\n"
                                  "Name1=/a.qmd\r\n"
                                  "\r\n"
                                  "[Printing]\r\n"
                                  "FontSize=12";
        putFile(m_path, before);
        IniFile ini(m_path);
        QVERIFY(ini.write("FileBuf", "Count", " 3"));
        QVERIFY(ini.write("FileBuf", "Name3", "/c.qmd"));
        QVERIFY(ini.write("Printing", "Hierarchy", " 4"));
        QCOMPARE(fileBytes(m_path), QByteArray("; hand-written\r\n"
                                               "stray line\r\n"
                                               "[Display]\r\n"
                                               "MainLeft= 1000\r\n"
                                               "\r\n"
                                               "[fileBUF]\r\n"
                                               "count = 3\r\n"
                                               "# note=keep\r\n"
                                               "Name1=/a.qmd\r\n"
                                               "Name3=/c.qmd\r\n"
                                               "\r\n"
                                               "[Printing]\r\n"
                                               "FontSize=12\r\n"
                                               "Hierarchy= 4\r\n"));
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

    void valueWithLineBreaks_storedOnOneLine() {
        IniFile ini(m_path);
        QVERIFY(ini.write("A", "k", "one\r\ntwo\nthree\rfour"));
        QVERIFY(ini.write("A", "after", "x"));
        QCOMPARE(ini.read("A", "k"), QStringLiteral("one  two three four"));
        QCOMPARE(fileBytes(m_path), QByteArray("[A]\nk=one  two three four\nafter=x\n"));
    }

    void batch_writesOnceAtCommit() {
        putFile(m_path, "[A]\nk=1\n");
        IniFile ini(m_path);
        IniFile::Batch batch(ini);
        QVERIFY(ini.write("A", "k", "2"));
        QVERIFY(ini.write("B", "j", "3"));
        QCOMPARE(ini.read("A", "k"), QStringLiteral("2")); // reads see the pending writes
        QCOMPARE(fileBytes(m_path), QByteArray("[A]\nk=1\n"));
        QVERIFY(batch.commit());
        QCOMPARE(fileBytes(m_path), QByteArray("[A]\nk=2\n[B]\nj=3\n"));
    }

    void writeFailures_reportedNotSilent() {
        IniFile lost(m_dir.filePath(QStringLiteral("no/such/folder/t.ini")));
        IniFile::Batch batch(lost);
        QVERIFY(lost.write("A", "k", "v")); // held until the commit
        QVERIFY(!batch.commit());
        QVERIFY(lost.errorString().contains(QStringLiteral("folder/t.ini")));

        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.ini")));
        IniFile blocked(m_dir.filePath(QStringLiteral("folder.ini")));
        QCOMPARE(blocked.read("A", "k", "d"), QStringLiteral("d"));
        QVERIFY(!blocked.write("A", "k", "v"));
        QVERIFY(!blocked.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_ini_file.moc"
