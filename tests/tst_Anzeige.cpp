#include "core/MainController.h"
#include "input/Anzeige.h"
#include "language/LanguageTable.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

struct Fixture {
    Fixture(const QString& mode, double density) : controller(view, dialogs) {
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")),
                                       QStringLiteral("ENGLISH"));
        controller.settings().anzeigemodus = mode;
        controller.settings().st_dichte = density;
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

QRadioButton* option(QWidget* window, int index) {
    return window->findChild<QRadioButton*>(QStringLiteral("Option1(%1)").arg(index));
}

QLineEdit* density(QWidget* window) {
    return window->findChild<QLineEdit*>(QStringLiteral("dichte"));
}

QPushButton* button(QWidget* window, const char* name) {
    return window->findChild<QPushButton*>(QLatin1String(name));
}

QLabel* label(QWidget* window, const char* name) {
    return window->findChild<QLabel*>(QLatin1String(name));
}

} // namespace

// Runs on a German system: densities are written and read with a decimal comma.
class tst_Anzeige : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void captionsFromLanguage();
    void openingShowsSettings_data();
    void openingShowsSettings();
    void okStores_data();
    void okStores();
    void labelChoosesItsOption_data();
    void labelChoosesItsOption();
    void cancelChangesNothing();
};

void tst_Anzeige::initTestCase() {
    QCOMPARE(QLocale::system().decimalPoint(), QStringLiteral(","));
}

void tst_Anzeige::captionsFromLanguage() {
    Fixture f(QStringLiteral("0"), 1.0);
    Anzeige window(f.controller);
    QVERIFY(window.isModal());
    QCOMPARE(window.windowTitle(), LanguageText(QStringLiteral("TextCancel_Caption")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Display mode"));
    // The frame takes two texts in turn; the second one stays.
    QCOMPARE(window.findChild<QGroupBox*>(QStringLiteral("frmAnzeige"))->title(), QStringLiteral("Mode"));
    QCOMPARE(label(&window, "lblweight")->text(), QStringLiteral("Weight"));
    QCOMPARE(label(&window, "lblvolume")->text(), QStringLiteral("Volume"));
    QCOMPARE(label(&window, "lblflow")->text(), QStringLiteral("Flow"));
    QCOMPARE(label(&window, "Label4")->text(), QStringLiteral("g/cm³"));
    QCOMPARE(button(&window, "cmdcancel")->text(), LanguageText(QStringLiteral("TextAC_Caption")));
    QCOMPARE(button(&window, "cmdcancel")->text(), QStringLiteral("&Cancel"));
    QCOMPARE(button(&window, "cmdOk")->text(), QStringLiteral("&OK"));
}

void tst_Anzeige::openingShowsSettings_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<double>("stored");
    QTest::addColumn<int>("checked");
    QTest::addColumn<QString>("shown");
    QTest::newRow("weight") << "0" << 1.0 << 0 << "1";
    QTest::newRow("volume") << "1" << 1.25 << 1 << "1,25";
    QTest::newRow("flow") << "2" << 0.789 << 2 << "0,789";
    QTest::newRow("unknown mode") << "7" << 13.6 << -1 << "13,6";
    QTest::newRow("empty mode") << "" << 1.0 << -1 << "1";
}

void tst_Anzeige::openingShowsSettings() {
    QFETCH(QString, mode);
    QFETCH(double, stored);
    QFETCH(int, checked);
    QFETCH(QString, shown);
    Fixture f(mode, stored);
    Anzeige window(f.controller);
    for (int index = 0; index < Anzeige::ModeCount; ++index) {
        QCOMPARE(option(&window, index)->isChecked(), index == checked);
    }
    // Selecting the stored mode counts as choosing it.
    QCOMPARE(window.chosenMode(), checked);
    QCOMPARE(density(&window)->text(), shown);
}

void tst_Anzeige::okStores_data() {
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("click");
    QTest::addColumn<QString>("typed"); // "-" leaves the density box as it opened
    QTest::addColumn<QString>("storedMode");
    QTest::addColumn<double>("storedDensity");
    QTest::newRow("untouched") << "1" << -1 << "-"
                               << "1" << 1.25;
    QTest::newRow("flow, comma density") << "1" << 2 << "0,8"
                                         << "2" << 0.8;
    QTest::newRow("weight, whole density") << "2" << 0 << "3"
                                           << "0" << 3.0;
    QTest::newRow("volume chosen again") << "1" << 1 << "1,5"
                                         << "1" << 1.5;
    QTest::newRow("text keeps the density") << "0" << 1 << "abc"
                                            << "1" << 1.25;
    QTest::newRow("zero keeps the density") << "0" << -1 << "0"
                                            << "0" << 1.25;
    QTest::newRow("negative keeps the density") << "0" << -1 << "-2"
                                                << "0" << 1.25;
    QTest::newRow("empty keeps the density") << "0" << -1 << ""
                                             << "0" << 1.25;
    QTest::newRow("unknown mode kept without a choice") << "7" << -1 << "-"
                                                        << "7" << 1.25;
    QTest::newRow("unknown mode replaced by a choice") << "7" << 2 << "-"
                                                       << "2" << 1.25;
}

void tst_Anzeige::okStores() {
    QFETCH(QString, mode);
    QFETCH(int, click);
    QFETCH(QString, typed);
    QFETCH(QString, storedMode);
    QFETCH(double, storedDensity);
    Fixture f(mode, 1.25);
    Anzeige window(f.controller);
    window.show();
    if (click >= 0) {
        option(&window, click)->click();
    }
    if (typed != QLatin1String("-")) {
        density(&window)->setText(typed);
    }
    // Nothing changes before OK.
    QCOMPARE(f.controller.settings().anzeigemodus, mode);
    button(&window, "cmdOk")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
    QCOMPARE(f.controller.settings().anzeigemodus, storedMode);
    QCOMPARE(f.controller.settings().st_dichte, storedDensity);
}

void tst_Anzeige::labelChoosesItsOption_data() {
    QTest::addColumn<QString>("labelName");
    QTest::addColumn<int>("index");
    QTest::newRow("lblweight") << "lblweight" << 0;
    QTest::newRow("lblvolume") << "lblvolume" << 1;
    QTest::newRow("lblflow") << "lblflow" << 2;
}

void tst_Anzeige::labelChoosesItsOption() {
    QFETCH(QString, labelName);
    QFETCH(int, index);
    // Start from a mode that no label names, so every label has to change it.
    Fixture f(QStringLiteral("9"), 1.0);
    Anzeige window(f.controller);
    window.show();
    QTest::mouseClick(label(&window, labelName.toLatin1().constData()), Qt::LeftButton);
    QVERIFY(option(&window, index)->isChecked());
    QCOMPARE(window.chosenMode(), index);
    button(&window, "cmdOk")->click();
    QCOMPARE(f.controller.settings().anzeigemodus, QString::number(index));
}

void tst_Anzeige::cancelChangesNothing() {
    Fixture f(QStringLiteral("1"), 1.25);
    Anzeige window(f.controller);
    window.show();
    option(&window, 2)->click();
    density(&window)->setText(QStringLiteral("0,5"));
    button(&window, "cmdcancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!window.isVisible());
    QCOMPARE(f.controller.settings().anzeigemodus, QStringLiteral("1"));
    QCOMPARE(f.controller.settings().st_dichte, 1.25);
}

int main(int argc, char** argv) {
    // The system's number format decides how the density is written and read.
    qputenv("LC_ALL", "de_DE.UTF-8");
    qputenv("LANG", "de_DE.UTF-8");
    QApplication app(argc, argv);
    tst_Anzeige test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_Anzeige.moc"
