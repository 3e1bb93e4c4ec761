#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "settings/ini_file.h"
#include "settings/options_dialog.h"

using namespace qm;

namespace {

template <typename W> W* control(QWidget& dialog, const char* name) {
    W* w = dialog.findChild<W*>(QLatin1String(name));
    if (!w)
        qFatal("no control %s", name);
    return w;
}

QString labelText(QWidget& d, const char* name) {
    return control<QLabel>(d, name)->text();
}

// Clicks where a user would: on the box or circle at the left of the caption.
void clickButton(QWidget& d, const char* name) {
    QAbstractButton* b = control<QAbstractButton>(d, name);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
}

void clickTab(QWidget& d, int index) {
    QTabBar* bar = control<QTabWidget>(d, "tbsOptions")->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

} // namespace

class TestOptionsDialog : public QObject {
    Q_OBJECT

    // The dialog under test, shown as the File menu would show it.
    struct Open {
        Settings& settings;
        OptionsDialog dialog;
        QSignalSpy confirmed;
        explicit Open(Settings& s)
            : settings(s), dialog(s), confirmed(&dialog, &OptionsDialog::confirmed) {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        }
    };

private slots:
    void openWithDefaults_showsThem() {
        Settings s;
        Open o(s);
        QWidget& d = o.dialog;
        QCOMPARE(d.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(control<QSlider>(d, "Sli_0")->value(), 4);
        QCOMPARE(labelText(d, "Lab_0"), QStringLiteral("4"));
        QVERIFY(control<QCheckBox>(d, "ChkAs_0")->isChecked());
        QVERIFY(control<QRadioButton>(d, "OptAs_1")->isChecked());
        QVERIFY(!control<QRadioButton>(d, "OptAs_0")->isChecked());
        QCOMPARE(labelText(d, "Lab_1"), QStringLiteral("5"));
        QCOMPARE(labelText(d, "Lab_2"), QStringLiteral("10"));
        QVERIFY(control<QCheckBox>(d, "ChkAs_1")->isChecked());
        QCOMPARE(labelText(d, "PLab_0"), QStringLiteral("2"));
        QCOMPARE(labelText(d, "PLab_2"), QStringLiteral("10"));
        QVERIFY(control<QRadioButton>(d, "OptP_0")->isChecked());
        QVERIFY(!control<QSlider>(d, "Sli_4")->isEnabled());
        QCOMPARE(control<QTabWidget>(d, "tbsOptions")->tabToolTip(1),
                 QStringLiteral("Set Options for Printing"));
    }

    void openWithAutoSaveOffAndSpaces_showsThem() {
        Settings s;
        s.AsMode = -1;
        s.Hierarchy = 3;
        Open o(s);
        QWidget& d = o.dialog;
        QVERIFY(!control<QCheckBox>(d, "ChkAs_0")->isChecked());
        QVERIFY(!control<QRadioButton>(d, "OptAs_0")->isEnabled());
        QVERIFY(!control<QSlider>(d, "Sli_2")->isEnabled());
        QVERIFY(control<QRadioButton>(d, "OptP_1")->isChecked());
        QVERIFY(control<QSlider>(d, "Sli_4")->isEnabled());
        QCOMPARE(labelText(d, "PLab_1"), QStringLiteral("3"));
    }

    void untickAutoSave_disablesStepsAndOkStoresOff() {
        QTemporaryDir dir;
        IniFile ini(dir.filePath(QStringLiteral("s.ini")));
        Settings s;
        Open o(s);
        QWidget& d = o.dialog;
        // The owner writes the file when OK is confirmed.
        connect(&o.dialog, &OptionsDialog::confirmed, this, [&] { SetIniValues(ini, s); });
        clickButton(d, "ChkAs_0");
        for (const char* name : {"OptAs_0", "OptAs_1", "Sli_1", "Sli_2", "Lab_1", "Lab_2"})
            QVERIFY2(!control<QWidget>(d, name)->isEnabled(), name);
        QVERIFY(control<QWidget>(d, "Sli_0")->isEnabled());
        QTest::mouseClick(control<QPushButton>(d, "cmdOK"), Qt::LeftButton);
        QCOMPARE(o.confirmed.count(), 1);
        QVERIFY(!d.isVisible());
        QCOMPARE(s.AsMode, -1);
        QCOMPARE(ini.read("AutoSave", "Value"), QStringLiteral("-1"));
    }

    void minutesSliderTo6_shows25AndOkStoresMinutes() {
        Settings s;
        Open o(s);
        QWidget& d = o.dialog;
        QTest::keyClick(control<QSlider>(d, "Sli_1"), Qt::Key_End);
        QCOMPARE(labelText(d, "Lab_1"), QStringLiteral("25"));
        QVERIFY(control<QRadioButton>(d, "OptAs_0")->isChecked());
        QTest::keyClick(control<QSlider>(d, "Sli_1"), Qt::Key_Return);
        QCOMPARE(o.confirmed.count(), 1);
        QCOMPARE(s.AsMode, 0);
        QCOMPARE(s.AsMinutes, 6);
        QCOMPARE(s.AsChanges, 4);
    }

    void recentSliderTo6_okStoresMax6() {
        QTemporaryDir dir;
        IniFile ini(dir.filePath(QStringLiteral("s.ini")));
        Settings s;
        Open o(s);
        connect(&o.dialog, &OptionsDialog::confirmed, this, [&] { SetIniValues(ini, s); });
        QSlider* recent = control<QSlider>(o.dialog, "Sli_0");
        QTest::keyClick(recent, Qt::Key_Right);
        QTest::keyClick(recent, Qt::Key_Right);
        QCOMPARE(labelText(o.dialog, "Lab_0"), QStringLiteral("6"));
        QTest::mouseClick(control<QPushButton>(o.dialog, "cmdOK"), Qt::LeftButton);
        QCOMPARE(s.RecentMax, 6);
        QCOMPARE(ini.read("FileBuf", "Max"), QStringLiteral(" 6"));
    }

    void chooseSpacesThenCancel_keepsOnlyHierarchy() {
        Settings s;
        Open o(s);
        QWidget& d = o.dialog;
        clickTab(d, 1);
        QVERIFY(control<QWidget>(d, "PicOptions_1")->isVisible());
        QTest::keyClick(control<QSlider>(d, "Sli_5"), Qt::Key_End);
        clickButton(d, "OptP_1");
        QVERIFY(control<QSlider>(d, "Sli_4")->isEnabled());
        QCOMPARE(labelText(d, "PLab_1"), QStringLiteral("4"));
        QCOMPARE(s.Hierarchy, 4);
        QTest::mouseClick(control<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(o.confirmed.count(), 0);
        QCOMPARE(s.Hierarchy, 4);
        QCOMPARE(s.FontSize, 10);
    }

    void spacesSliderMoved_onlyLabelUntilOk() {
        Settings s;
        s.Hierarchy = 3;
        Open o(s);
        QTest::keyClick(control<QSlider>(o.dialog, "Sli_4"), Qt::Key_Right);
        QCOMPARE(labelText(o.dialog, "PLab_1"), QStringLiteral("4"));
        QCOMPARE(s.Hierarchy, 3);
        QTest::mouseClick(control<QPushButton>(o.dialog, "cmdOK"), Qt::LeftButton);
        QCOMPARE(s.Hierarchy, 4);
    }

    void ctrlTab_selectsNextTabWrapping() {
        Settings s;
        Open o(s);
        QWidget& d = o.dialog;
        auto* tabs = control<QTabWidget>(d, "tbsOptions");
        QTest::keyClick(control<QSlider>(d, "Sli_0"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QTest::keyClick(control<QSlider>(d, "Sli_3"), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(control<QWidget>(d, "PicOptions_0")->isVisible());
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "test_options_dialog.moc"
