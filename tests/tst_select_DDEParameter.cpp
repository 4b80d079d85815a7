#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "output/select_DDEParameter.h"
#include "settings/IniAccess.h"
#include "support/ModalAnswer.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// Port 99 names a serial device that does not exist, so no test touches real hardware.
const QByteArray OfflineLink = "[Port settings]\nportnum=99\n";

struct Fixture {
    explicit Fixture(const QByteArray& config) : controller(view, dialogs) {
        folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink + config);
        loaded = controller.formLoad();
    }
    QString configFile() const { return controller.settings().ConfigFilePath; }
    QString stored(const char* key) const {
        return ReadIniValue(QStringLiteral("DDECONN"), QLatin1String(key), QStringLiteral("<missing>"),
                            configFile());
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    bool loaded = false;
};

QLineEdit* field(QWidget* window, const char* name) {
    return window->findChild<QLineEdit*>(QLatin1String(name));
}

QString labelText(QWidget* window, const char* name) {
    const auto* label = window->findChild<QLabel*>(QLatin1String(name));
    return label ? label->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QPushButton* button(QWidget* window, const char* name) {
    return window->findChild<QPushButton*>(QLatin1String(name));
}

QString fields(QWidget* window) {
    return field(window, "appl")->text() + u'|' + field(window, "comtopic")->text() + u'|' +
           field(window, "befehl")->text();
}

} // namespace

class tst_select_DDEParameter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsAndControls();
    void blankParametersShowTheDefaults();
    void storedParametersShown();
    void goOnStoresTheFieldsAsTyped();
    void cancelStoresNothing();
    void menuRestsTheCycle_data();
    void menuRestsTheCycle();
};

void tst_select_DDEParameter::captionsAndControls() {
    Fixture f({});
    QVERIFY(f.loaded);
    select_DDEParameter window(f.controller.settings());
    QCOMPARE(window.objectName(), QStringLiteral("select_DDEParameter"));
    QCOMPARE(window.windowTitle(), QStringLiteral("DDE Parameter"));
    const std::pair<const char*, const char*> labels[] = {{"appltext", "TextApplverbAnw"},
                                                          {"comtopictext", "TextApplverbTopic"},
                                                          {"befehltext", "TextApplverbBef"}};
    for (const auto& [name, key] : labels) {
        QCOMPARE(labelText(&window, name), LanguageText(QLatin1String(key)));
        // The language file has these texts: a key name on the window would be a lookup miss.
        QVERIFY(!labelText(&window, name).startsWith(QStringLiteral("Text")));
    }
    QCOMPARE(button(&window, "cmdGoOn")->text(), LanguageText(QStringLiteral("TextApplverButton_OK")));
    QCOMPARE(button(&window, "cmdCancel")->text(),
             LanguageText(QStringLiteral("TextCancelAbbrechenButton_Caption")));
    QCOMPARE(labelText(&window, "txtTipps"),
             QStringLiteral("Bitte geben Sie die DDE-Kommunikationsparameter ein. Die Angaben für Anwendung, "
                            "Topic und Makroname entnehmen Sie bitte der Beschreibung Ihrer Zielanwendung."));
    QVERIFY(window.isModal());
}

void tst_select_DDEParameter::blankParametersShowTheDefaults() {
    Fixture f("[DDECONN]\nanwend=\ntopic=\nbefehl=\n");
    QVERIFY(f.loaded);
    QCOMPARE(f.stored("anwend"), QString());
    select_DDEParameter window(f.controller.settings());
    QCOMPARE(fields(&window), QStringLiteral("Excel|System| [RUN(\"getdata\")]"));
}

void tst_select_DDEParameter::storedParametersShown() {
    Fixture f("[DDECONN]\nanwend=org.example.Sheet\ntopic=Macros\nbefehl=[RUN(\"weigh\")]\n");
    // What the file holds counts, not what is in memory.
    f.controller.settings().anwend = QStringLiteral("in memory");
    select_DDEParameter window(f.controller.settings());
    QCOMPARE(fields(&window), QStringLiteral("org.example.Sheet|Macros|[RUN(\"weigh\")]"));
    QCOMPARE(f.controller.settings().anwend, QStringLiteral("org.example.Sheet"));
}

void tst_select_DDEParameter::goOnStoresTheFieldsAsTyped() {
    Fixture f("[DDECONN]\nanwend=org.example.Sheet\ntopic=Macros\nbefehl=old\n");
    select_DDEParameter window(f.controller.settings());
    window.show();
    field(&window, "appl")->setText(QStringLiteral("org.example.Calc"));
    field(&window, "comtopic")->setText(QStringLiteral("no/valid path "));
    field(&window, "befehl")->setText(QStringLiteral("  [RUN(\"getdata\")]  "));
    button(&window, "cmdGoOn")->click();

    QVERIFY(!window.isVisible());
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.cancelled());
    const Settings& s = f.controller.settings();
    QCOMPARE(s.anwend, QStringLiteral("org.example.Calc"));
    QCOMPARE(s.topic, QStringLiteral("no/valid path "));
    QCOMPARE(s.befehl, QStringLiteral("  [RUN(\"getdata\")]  "));
    QCOMPARE(f.stored("anwend"), QStringLiteral("org.example.Calc"));
    QCOMPARE(f.stored("topic").trimmed(), QStringLiteral("no/valid path"));
    QCOMPARE(f.stored("befehl").trimmed(), QStringLiteral("[RUN(\"getdata\")]"));
}

void tst_select_DDEParameter::cancelStoresNothing() {
    Fixture f("[DDECONN]\nanwend=org.example.Sheet\ntopic=Macros\nbefehl=old\n");
    const QByteArray before = TestFiles::read(f.configFile());
    QVERIFY(!before.isEmpty());
    select_DDEParameter window(f.controller.settings());
    window.show();
    field(&window, "appl")->setText(QStringLiteral("org.example.Calc"));
    field(&window, "befehl")->setText(QStringLiteral("new"));
    button(&window, "cmdCancel")->click();

    QVERIFY(!window.isVisible());
    QVERIFY(window.cancelled());
    QCOMPARE(TestFiles::read(f.configFile()), before);
    QCOMPARE(f.controller.settings().anwend, QStringLiteral("org.example.Sheet"));
    QCOMPARE(f.controller.settings().befehl, QStringLiteral("old"));
}

void tst_select_DDEParameter::menuRestsTheCycle_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<bool>("stopFirst");
    QTest::addColumn<int>("interval");
    QTest::newRow("running") << QByteArray("[Mode]\nmodus=HOTKEY\n") << false << 10;
    QTest::newRow("timer mode waiting") << QByteArray("[Mode]\nmodus=TIMER\nactiv=0\n") << false << 1000;
    QTest::newRow("stopped") << QByteArray("[Mode]\nmodus=HOTKEY\n") << true << 0;
}

void tst_select_DDEParameter::menuRestsTheCycle() {
    QFETCH(QByteArray, config);
    QFETCH(bool, stopFirst);
    QFETCH(int, interval);
    Fixture f(config + "[DDECONN]\nanwend=org.example.Sheet\ntopic=Macros\nbefehl=old\n");
    QVERIFY(f.loaded);
    if (stopFirst) {
        f.controller.setCycleInterval(0);
    }
    QCOMPARE(f.controller.cycleInterval(), interval);

    int intervalWhileOpen = -1;
    QString shown;
    ModalAnswer answer([&](QWidget* window) {
        intervalWhileOpen = f.controller.cycleInterval();
        shown = fields(window);
        field(window, "befehl")->setText(QStringLiteral("new"));
        button(window, "cmdGoOn")->click();
    });
    select_DDEParameter::showFromMenu(f.controller, nullptr);

    QVERIFY(answer.answered());
    QCOMPARE(answer.windowClass(), QStringLiteral("select_DDEParameter"));
    QCOMPARE(shown, QStringLiteral("org.example.Sheet|Macros|old"));
    QCOMPARE(intervalWhileOpen, 0);
    QCOMPARE(f.controller.cycleInterval(), interval);
    QCOMPARE(f.stored("befehl"), QStringLiteral("new"));
}

QTEST_MAIN(tst_select_DDEParameter)
#include "tst_select_DDEParameter.moc"
