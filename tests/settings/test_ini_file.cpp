// The settings file: its lines read and written, the values kept in it, where it lives, and the
// Options dialog that changes them.

#include <QAbstractButton>
#include <QAccessible>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "settings/ini_file.h"
#include "settings/options_dialog.h"
#include "settings/settings_location.h"
#include "settings/settings_values.h"
#include "support/control.h"
#include "support/file_bytes.h"

using namespace qm;
using namespace qm::test;

namespace {

// The texts of the named labels, joined by spaces.
QString labels(QWidget& d, std::initializer_list<const char*> names) {
    QStringList texts;
    for (const char* name : names)
        texts << control<QLabel>(&d, name)->text();
    return texts.join(QLatin1Char(' '));
}

bool checked(QWidget& d, const char* name) {
    return control<QAbstractButton>(&d, name)->isChecked();
}

// The dialog as the File menu shows it; its owner writes the settings file on OK.
struct Open {
    Settings s;
    QTemporaryDir dir;
    IniFile ini{dir.filePath(QStringLiteral("s.ini"))};
    OptionsDialog d{s};
    QSignalSpy confirmed{&d, &OptionsDialog::confirmed};
    explicit Open(const Settings& start = {}) : s(start) {
        QObject::connect(&d, &OptionsDialog::confirmed, [this] { SetIniValues(ini, s); });
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
    }
};

} // namespace

class TestIniFile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_path = m_dir.filePath(QStringLiteral("t.ini"));

private slots:
    void init() { QFile::remove(m_path); }

    void read_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        const QByteArray plain("[FileBuf]\nCount= 3\nMax=5\n[Other]\nMax=7\n");
        const QByteArray books("[BookR   ]\nk= 1\n[BookR]\nk= 9\n");
        // clang-format off
        QTest::newRow("spaces around")        << plain << "FileBuf"  << "Count" << "3";
        QTest::newRow("section case")         << plain << "FILEBUF"  << "Max"   << "5";
        QTest::newRow("key case")             << plain << "other"    << "mAX"   << "7";
        QTest::newRow("key in other section") << plain << "Other"    << "Count" << "dflt";
        QTest::newRow("CRLF ends")         << QByteArray("[A]\r\nk=v\r\n")    << "A" << "k" << "v";
        QTest::newRow("comment is no key") << QByteArray("[A]\n;k=c\nk=v\n") << "A" << "k" << "v";
        QTest::newRow("utf-8 value") << QByteArray("[A]\nk=/home/j\xc3\xbcrgen/a.qmd\n") << "A" << "k"
                                     << QStringLiteral("/home/j\u00fcrgen/a.qmd");
        QTest::newRow("spaces around the equals sign") << QByteArray("[A]\nName1 = /home/me/food.qmd \t\n")
                                                       << "A" << "Name1" << "/home/me/food.qmd";
        QTest::newRow("quotes keep spaces") << QByteArray("[A]\nk= \" a \" \n") << "A" << "k" << " a ";
        QTest::newRow("a lone quote is text") << QByteArray("[A]\nk=\"\n") << "A" << "k" << "\"";
        // A bookmark section's name is padded: its trailing spaces tell it from another.
        QTest::newRow("padded section")   << books << "bookr   " << "K" << "1";
        QTest::newRow("unpadded section") << books << "BookR"    << "k" << "9";
        QTest::newRow("read whole") << "[A]\nk=" + QByteArray(300, 'x') + "\n" << "A" << "k"
                                    << QString(300, QLatin1Char('x'));
        // clang-format on
    }
    void read() {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        putFile(m_path, file);
        QTEST(IniFile(m_path).read(section, key, QStringLiteral("dflt")), "expected");
    }

    // What reading takes away around a value is put back in quotes.
    void write_valuesReadBackAsWritten_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("number") << " 3" << QByteArray("k= 3\n");
        QTest::newRow("trailing space") << "/t/a " << QByteArray("k=\"/t/a \"\n");
        QTest::newRow("quoted") << "\"q\"" << QByteArray("k=\"\"q\"\"\n");
        QTest::newRow("inner quote") << "a\"b" << QByteArray("k=a\"b\n");
        QTest::newRow("empty") << "" << QByteArray("k=\n");
    }
    void write_valuesReadBackAsWritten() {
        QFETCH(QString, value);
        QFETCH(QByteArray, line);
        QVERIFY(IniFile(m_path).write("A", "k", value));
        QCOMPARE(fileBytes(m_path), "[A]\n" + line);
        QCOMPARE(IniFile(m_path).read("A", "k"), value.startsWith(' ') ? value.mid(1) : value);
    }

    // Read once; a write reads the file afresh, so what another program wrote meanwhile stays.
    void readOnce_writeKeepsOtherProgramsKeys() {
        putFile(m_path, "[A]\nk=1\n");
        IniFile ini(m_path);
        QCOMPARE(ini.read("A", "k"), QStringLiteral("1"));
        putFile(m_path, "[A]\nk=2\n[Other]\nj=9\n");
        QCOMPARE(ini.read("A", "k"), QStringLiteral("1"));
        QVERIFY(ini.write("A", "x", "3"));
        QCOMPARE(fileBytes(m_path), QByteArray("[A]\nk=2\nx=3\n[Other]\nj=9\n"));
        QCOMPARE(ini.read("Other", "j"), QStringLiteral("9"));
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

    // Only a regular file of a sane size is read or written; anything else is refused on the
    // first look-up, read or write, and left alone.
    void oddFiles_refusedAndLeftAlone_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        // clang-format off
        QTest::newRow("folder")         << "folder" << "it is a folder";
        QTest::newRow("pipe")           << "fifo"   << "it is not a regular file";
        QTest::newRow("device")         << "device" << "it is not a regular file";
        QTest::newRow("link to a pipe") << "link"   << "it is not a regular file";
        QTest::newRow("64 GiB")         << "huge"   << "it is larger than 1 MiB";
        // clang-format on
    }
    void oddFiles_refusedAndLeftAlone() {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("odd.ini"));
        if (!makeOddFile(kind, path))
            QSKIP("this system does not allow making one");
        const QList<qint64> before = fileStamp(path);
        IniFile ini(path);
        QCOMPARE(ini.read("A", "k", "dflt"), QStringLiteral("dflt"));
        QCOMPARE(ini.refusal(), reason);
        QVERIFY(!ini.write("A", "k", "v"));
        QCOMPARE(ini.errorString(), reason);
        IniFile::Batch batch(ini);
        ini.write("A", "k", "v");
        QVERIFY(!batch.commit());
        QCOMPARE(fileStamp(path), before);
        // Found on a write as well, before anything was read.
        QVERIFY(!IniFile(path).write("A", "k", "v"));
        QCOMPARE(fileStamp(path), before);
    }

    void sizeLimit_oneMiBReadMoreRefused() {
        const QByteArray start("[A]\nk=v\n;");
        putFile(m_path, start + QByteArray(IniFile::kMaxFileSize - start.size(), 'x'));
        QCOMPARE(IniFile(m_path).read("A", "k"), QStringLiteral("v"));
        QVERIFY(IniFile(m_path).refusal().isEmpty());
        // A write that would go past the limit is refused too: the next start could not read it.
        IniFile full(m_path);
        QVERIFY(!full.write("A", "j", "w"));
        QCOMPARE(fileBytes(m_path).size(), IniFile::kMaxFileSize);
        putFile(m_path, fileBytes(m_path) + 'x');
        QCOMPARE(IniFile(m_path).read("A", "k", "dflt"), QStringLiteral("dflt"));
    }

    // A link is how a user keeps the file elsewhere: the file it leads to is replaced, the
    // link stays.
    void linkToRegularFile_readAndWrittenThrough() {
        QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("elsewhere")));
        const QString real = m_dir.filePath(QStringLiteral("elsewhere/real.ini"));
        putFile(real, "[A]\nk=1\n");
        QVERIFY(QFile::link(real, m_path));
        IniFile ini(m_path);
        QCOMPARE(ini.read("A", "k"), QStringLiteral("1"));
        QVERIFY(ini.write("A", "k", "2"));
        QCOMPARE(QFileInfo(m_path).symLinkTarget(), real);
        QCOMPARE(fileBytes(real), QByteArray("[A]\nk=2\n"));
    }

    void writeFailure_reportedNotSilent() {
        IniFile lost(m_dir.filePath(QStringLiteral("no/such/folder/t.ini")));
        IniFile::Batch batch(lost);
        QVERIFY(lost.write("A", "k", "v")); // held until the commit
        QVERIFY(!batch.commit());
        QVERIFY(!lost.errorString().isEmpty()); // the reason; the path is the caller's to say
        QVERIFY(!lost.errorString().contains(QStringLiteral("folder/t.ini")));
    }

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
        QTEST(roundSetting(readNumber(text)), "expected");
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
        QVERIFY(QDir(m_dir.path()).mkpath("elsewhere"));
        putFile(m_dir.filePath("elsewhere/real.ini"), "[A]\n");
        QFile::link(m_dir.filePath("elsewhere/real.ini"), m_dir.filePath("link.ini"));
        makeOddFile("fifo", m_dir.filePath("pipe.ini"));
        QTEST(qm::canWriteSettingsFile(path), "expected");
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
        putFile(m_path, file.toUtf8());
        Settings s;
        GetIniValues(IniFile(m_path), s);
        QTEST((QList<int>{s.RecentMax, s.RecentCount, s.AsMode, s.AsMinutes, s.AsChanges,
                          s.MakeBackup, s.MaxColumns, s.FontSize, s.Hierarchy, s.OpenLast}),
              "expected");
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
        const auto canWrite = [&](const QString& p) { return p == writable; };
        QTEST(chooseSettingsLocation({env, appDir, "/home/u/.config", canWrite}).path, "expected");
    }

    void openWithDefaults_slidersThenEnterStoreMinutesAndMax() {
        Open o;
        QCOMPARE(o.d.windowTitle() + '|' + control<QTabWidget>(&o.d, "tbsOptions")->tabToolTip(1),
                 QStringLiteral("Options|Set Options for Printing"));
        QCOMPARE(labels(o.d, {"Lab_0", "Lab_1", "Lab_2", "PLab_0", "PLab_2"}), "4 5 10 2 10");
        QVERIFY(checked(o.d, "ChkAs_0"));
        QVERIFY(checked(o.d, "ChkAs_1"));
        QVERIFY(checked(o.d, "OptAs_1"));
        QVERIFY(!checked(o.d, "OptAs_0"));
        QVERIFY(checked(o.d, "OptP_0"));
        QVERIFY(!control(&o.d, "Sli_4")->isEnabled());

        QTest::keyClick(control(&o.d, "Sli_0"), Qt::Key_Right);
        QTest::keyClick(control(&o.d, "Sli_0"), Qt::Key_Right);
        QTest::keyClick(control(&o.d, "Sli_1"), Qt::Key_End);
        QCOMPARE(labels(o.d, {"Lab_0", "Lab_1"}), "6 25");
        QVERIFY(checked(o.d, "OptAs_0")); // moving the minutes slider selects minutes
        QTest::keyClick(control(&o.d, "Sli_1"), Qt::Key_Return);
        QCOMPARE(o.confirmed.count(), 1);
        // RecentMax, AsMode, AsMinutes, AsChanges
        QCOMPARE((QList<int>{o.s.RecentMax, o.s.AsMode, o.s.AsMinutes, o.s.AsChanges}),
                 (QList<int>{6, 0, 6, 4}));
        QVERIFY(fileBytes(o.ini.path()).contains("Max= 6\n"));
    }

    void untickAutoSaveAndSlideSpaces_okStoresOffAndSpaces() {
        Open o(Settings{.Hierarchy = 3});
        QVERIFY(checked(o.d, "OptP_1"));
        QCOMPARE(labels(o.d, {"PLab_1"}), "3");
        // Clicked where a user would: on the box or circle at the left of the caption.
        auto* box = control<QAbstractButton>(&o.d, "ChkAs_0");
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        for (const char* name : {"OptAs_0", "OptAs_1", "Sli_1", "Sli_2", "Lab_1", "Lab_2"})
            QVERIFY2(!control(&o.d, name)->isEnabled(), name);
        QTest::keyClick(control(&o.d, "Sli_4"), Qt::Key_Right);
        // The slider only moves the label until OK.
        QCOMPARE(labels(o.d, {"PLab_1"}), "4");
        QCOMPARE(o.s.Hierarchy, 3);
        QTest::mouseClick(control(&o.d, "cmdOK"), Qt::LeftButton);
        QCOMPARE((QList<int>{o.s.AsMode, o.s.Hierarchy}), (QList<int>{-1, 4}));
        QVERIFY(!o.d.isVisible());
        QCOMPARE(o.ini.read("AutoSave", "Value"), "-1");
    }

    // Choosing spaces sticks at once, even though Cancel drops everything else.
    void ctrlTabToSpacesThenCancel_keepsOnlyHierarchy() {
        Open o(Settings{.AsMode = -1});
        QVERIFY(!checked(o.d, "ChkAs_0"));
        QVERIFY(!control(&o.d, "OptAs_0")->isEnabled());
        QTest::keyClick(control(&o.d, "Sli_0"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(control<QTabWidget>(&o.d, "tbsOptions")->currentIndex(), 1);
        QTest::keyClick(control(&o.d, "Sli_5"), Qt::Key_End);
        auto* spaces = control<QAbstractButton>(&o.d, "OptP_1");
        QTest::mouseClick(spaces, Qt::LeftButton, {}, QPoint(8, spaces->height() / 2));
        QVERIFY(control(&o.d, "Sli_4")->isEnabled());
        QCOMPARE(labels(o.d, {"PLab_1"}), "4");
        QTest::keyClick(control(&o.d, "Sli_3"), Qt::Key_Tab, Qt::ControlModifier);
        // Wraps back to the first page.
        QCOMPARE(control<QTabWidget>(&o.d, "tbsOptions")->currentIndex(), 0);
        QTest::mouseClick(control(&o.d, "cmdCancel"), Qt::LeftButton);
        QVERIFY(!o.d.isVisible());
        QVERIFY(o.confirmed.isEmpty());
        QCOMPARE((QList<int>{o.s.Hierarchy, o.s.FontSize}), (QList<int>{4, 10}));
    }

    // A screen reader names each slider by its own caption and reads its value in words.
    void sliders_readByCaptionAndValueInWords_data() {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* s, Qt::Key key) -> QTestData& {
            return QTest::newRow(s) << QString(s) << int(key);
        };
        // clang-format off
        row("Sli_0", Qt::Key_Right) << "Maximum number of Filenames in Menu-List" << "4 filenames"
                                    << "5 filenames";
        row("Sli_1", Qt::Key_Right) << "After ... minutes" << "5 minutes" << "7 minutes";
        row("Sli_2", Qt::Key_Left)  << "After ... changes" << "10 changes" << "7 changes";
        row("Sli_3", Qt::Key_Left)  << "Columns: Maximum" << "2 columns" << "1 column";
        row("Sli_4", Qt::Key_End)   << "Spaces per level" << "3 spaces" << "6 spaces";
        row("Sli_5", Qt::Key_Home)  << "Font Size: ...for Items" << "10 points" << "7 points";
        // clang-format on
    }
    void sliders_readByCaptionAndValueInWords() {
        QFETCH(QString, slider);
        QFETCH(int, key);
        Open o(Settings{.Hierarchy = 3});
        o.d.findChild<QTabWidget*>("tbsOptions")->setCurrentIndex(slider >= "Sli_3" ? 1 : 0);
        QWidget* s = control(&o.d, qPrintable(slider));
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(s);
        QTEST(a->text(QAccessible::Name), "name");
        QTEST(a->text(QAccessible::Value), "before");
        QTest::keyClick(s, Qt::Key(key));
        QTEST(a->text(QAccessible::Value), "after");
        QCOMPARE(a->valueInterface()->currentValue(), s->property("value"));
    }
};

QTEST_MAIN(TestIniFile)
#include "test_ini_file.moc"
