// The setup assistant as the main window starts it: the whole chain of windows, what each step
// stores, and where a cancel ends it.

#include "shell/SetupAssistant.h"
#include "support/AssistantFixture.h"
#include "support/ModalScript.h"

using namespace assistant;

namespace {

const QStringList Chain = {QStringLiteral("select_settings"), QStringLiteral("select_target"),
                           QStringLiteral("select_TextFile"), QStringLiteral("messwert_def"),
                           QStringLiteral("Tasten")};

// What the user enters in each window of the chain; confirm or cancel decides how it is left.
std::function<void(QWidget*)> stepAction(int step, bool confirm, QString* formatShown) {
    switch (step) {
    case 0:
        return [confirm](QWidget* window) {
            QVERIFY(portsListed(window));
            retypeList(window, "cboCOM", QStringLiteral("COM7"));
            retypeList(window, "cboBaud", QStringLiteral("4800"));
            click(window, confirm ? "cmdGoOn" : "cmdCancel");
        };
    case 1:
        return [confirm](QWidget* window) {
            QVERIFY(choose(window, "cboTarget", QStringLiteral("Text-Datei")));
            click(window, confirm ? "cmdGoOn" : "cmdCancel");
        };
    case 2:
        return [confirm](QWidget* window) {
            retype(window, "txtTextFile", QStringLiteral("/daten/werte.txt"));
            click(window, confirm ? "cmdGoOn" : "cmdCancel");
        };
    case 3:
        return [confirm](QWidget* window) {
            retype(window, "txt_reclen", QStringLiteral("22"));
            click(window, confirm ? "cmdOK" : "cmdCancel");
        };
    default:
        return [confirm, formatShown](QWidget* window) {
            auto* definition = control<QLineEdit>(window, QStringLiteral("ausgabe_string"));
            if (!definition) {
                return;
            }
            *formatShown = definition->text();
            click(window, "del_ausgabe_def");
            // Typed tokens use angle brackets; the stored definition has braces.
            QTest::keyClicks(definition, QStringLiteral("<Messwert>"));
            click(window, "Key_(13)");
            click(window, confirm ? "Command1" : "Command3");
        };
    }
}

void prepare(AssistantFixture& f) {
    Settings& s = f.controller.settings();
    s.portnum = QStringLiteral("99");
    s.baud = QStringLiteral("9600");
    s.Anwendung = QStringLiteral("vorher");
    s.TextFile.clear();
    s.str_len = QStringLiteral("10");
    s.Format = QStringLiteral("{ALT}");
}

} // namespace

class tst_SetupAssistant : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chainStoresStepByStep_data();
    void chainStoresStepByStep();
    void excelThenCancelEndsAssistant();
    void noInterfaceEndsAssistant();
    void cycleRestsWhileRunning();
};

void tst_SetupAssistant::chainStoresStepByStep_data() {
    // The window in which the user cancels; past the last one nothing is cancelled.
    QTest::addColumn<int>("cancelAt");
    for (int step = 0; step < Chain.size(); ++step) {
        QTest::newRow(qPrintable(QStringLiteral("cancel in ") + Chain.at(step))) << step;
    }
    QTest::newRow("completed") << int(Chain.size());
}

void tst_SetupAssistant::chainStoresStepByStep() {
    QFETCH(int, cancelAt);
    AssistantFixture f;
    prepare(f);
    QString formatShown;
    std::vector<ModalScript::Step> steps;
    for (int step = 0; step <= cancelAt && step < Chain.size(); ++step) {
        steps.push_back({Chain.at(step), stepAction(step, step < cancelAt, &formatShown)});
    }
    ModalScript script(std::move(steps));
    SetupAssistant::run(f.controller, &f.windows, nullptr);

    QCOMPARE(script.shown(), Chain.mid(0, cancelAt + 1));
    const Settings& s = f.controller.settings();
    // Each confirmed step keeps what it stored; nothing of a cancelled step or after it is stored.
    QCOMPARE(s.portnum, cancelAt > 0 ? QStringLiteral("7") : QStringLiteral("99"));
    QCOMPARE(s.baud, cancelAt > 0 ? QStringLiteral("4800") : QStringLiteral("9600"));
    // The target is set when its detail window opens, before that window is confirmed.
    QCOMPARE(s.Anwendung, cancelAt > 1 ? QStringLiteral("Text-Datei") : QStringLiteral("vorher"));
    QCOMPARE(s.TextFile, cancelAt > 2 ? QStringLiteral("/daten/werte.txt") : QString());
    QCOMPARE(s.str_len, cancelAt > 3 ? QStringLiteral("22") : QStringLiteral("10"));
    QCOMPARE(s.Format, cancelAt > 4 ? QStringLiteral("{Messwert}{ENTER}") : QStringLiteral("{ALT}"));
    if (cancelAt >= 4) {
        // The output template starts from the current definition.
        QCOMPARE(formatShown, QStringLiteral("{ALT}"));
    }
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_SetupAssistant::excelThenCancelEndsAssistant() {
    AssistantFixture f;
    prepare(f);
    ModalScript script(
        {{QStringLiteral("select_settings"), stepAction(0, true, nullptr)},
         {QStringLiteral("select_target"),
          [](QWidget* window) {
              QVERIFY(choose(window, "cboTarget", QStringLiteral("Excel-Datei")));
              click(window, "cmdGoOn");
          }},
         {QStringLiteral("select_ExcelFile"), [](QWidget* window) { click(window, "cmdCancel"); }}});
    SetupAssistant::run(f.controller, &f.windows, nullptr);
    QCOMPARE(script.shown(), (QStringList{"select_settings", "select_target", "select_ExcelFile"}));
    QCOMPARE(f.controller.settings().Anwendung, QStringLiteral("Excel-Datei"));
    QCOMPARE(f.controller.settings().portnum, QStringLiteral("7"));
}

void tst_SetupAssistant::noInterfaceEndsAssistant() {
    AssistantFixture f;
    prepare(f);
    ModalScript script({{QStringLiteral("select_settings"), [](QWidget* window) {
                             QVERIFY(portsListed(window));
                             retypeList(window, "cboCOM", QString());
                             click(window, "cmdGoOn");
                         }}});
    SetupAssistant::run(f.controller, &f.windows, nullptr);
    QCOMPARE(script.shown(), QStringList{QStringLiteral("select_settings")});
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Bitte Schnittstelle auswählen")});
    QCOMPARE(f.controller.settings().portnum, QStringLiteral("99"));
    QCOMPARE(f.controller.settings().Anwendung, QStringLiteral("vorher"));
}

void tst_SetupAssistant::cycleRestsWhileRunning() {
    AssistantFixture f;
    prepare(f);
    f.controller.setCycleInterval(MainController::RunningInterval);
    f.view.setValueText(QStringLiteral("12.5"));
    int cycleMeanwhile = -1;
    ModalScript script({{QStringLiteral("select_settings"), [&](QWidget* window) {
                             cycleMeanwhile = f.controller.cycleInterval();
                             click(window, "cmdCancel");
                         }}});
    SetupAssistant::run(f.controller, &f.windows, nullptr);
    QCOMPARE(script.shown(), QStringList{QStringLiteral("select_settings")});
    QCOMPARE(cycleMeanwhile, 0);
    QVERIFY(!f.controller.isCycleRunning());
    QCOMPARE(f.view.valueText(), QStringLiteral("Offline"));
}

QTEST_MAIN(tst_SetupAssistant)
#include "tst_SetupAssistant.moc"
