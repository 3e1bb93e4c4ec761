#include <QAbstractButton>
#include <QAccessible>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "settings/ini_file.h"
#include "settings/options_dialog.h"
#include "support/control.h"
#include "support/file_bytes.h"

using namespace qm;
using qm::test::control;

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

class TestOptionsDialog : public QObject {
    Q_OBJECT

private slots:
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
        QVERIFY(qm::test::fileBytes(o.ini.path()).contains("Max= 6\n"));
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

QTEST_MAIN(TestOptionsDialog)
#include "test_options_dialog.moc"
