// The target window: its entries, the value each sets, the detail window each opens, and when
// the record definition follows.

#include "input/messwert_def.h"
#include "shell/select_target.h"
#include "support/AssistantFixture.h"
#include "support/ModalScript.h"

#include <QListWidget>

using namespace assistant;

namespace {

const QString Before = QStringLiteral("vorher");

// Confirms a detail window: the active application window needs a chosen title first.
void confirmDetail(QWidget* window) {
    if (auto* list = window->findChild<QListWidget*>(QStringLiteral("lstApplications"))) {
        const QList<QListWidgetItem*> found =
            list->findItems(QStringLiteral("Notizen - Editor"), Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        list->setCurrentItem(found.constFirst());
    }
    click(window, "cmdGoOn");
}

// The target window with tag, the entry chosen (-1: none), then the steps that follow.
struct TargetRun {
    TargetRun(AssistantFixture& f, const QString& tag, int entry, std::vector<ModalScript::Step> after)
        : window(f.controller, &f.windows) {
        window.setTag(tag);
        std::vector<ModalScript::Step> steps{
            {QStringLiteral("select_target"), [entry](QWidget* target) {
                 if (entry >= 0) {
                     QVERIFY(choose(target, "cboTarget", select_target::entryText(entry)));
                 }
                 click(target, "cmdGoOn");
             }}};
        steps.insert(steps.end(), after.begin(), after.end());
        ModalScript script(std::move(steps));
        window.exec();
        shown = script.shown();
    }
    select_target window;
    QStringList shown;
};

} // namespace

class tst_select_target : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void entries();
    void eachEntrySetsTargetAndOpensDetail_data();
    void eachEntrySetsTargetAndOpensDetail();
    void confirmedDetailGoesOnToRecordDefinition_data();
    void confirmedDetailGoesOnToRecordDefinition();
    void cancelledDetailEndsChain_data();
    void cancelledDetailEndsChain();
    void excelThenCancelKeepsTarget();
    void cancelEndsChain_data();
    void cancelEndsChain();
    void chosenFileStoredAndChainGoesOn();

private:
    std::unique_ptr<AssistantFixture> m_fixture;
};

void tst_select_target::init() {
    m_fixture = std::make_unique<AssistantFixture>();
    m_fixture->controller.settings().Anwendung = Before;
}

void tst_select_target::entries() {
    AssistantFixture& f = *m_fixture;
    select_target window(f.controller, &f.windows);
    QCOMPARE(window.windowTitle(), QStringLiteral("Ziel auswählen"));
    auto* box = window.findChild<QComboBox*>(QStringLiteral("cboTarget"));
    QVERIFY(box);
    QCOMPARE(items(box),
             (QStringList{"aktive Anwendung", "DDE-Kanal", "Excel-Datei", "Text-Datei", "Access-Datenbank"}));
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdGoOn"))->text(), QStringLiteral("Ok"));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("Abbrechen"));
}

void tst_select_target::eachEntrySetsTargetAndOpensDetail_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("detail");
    // Anwendung while the detail window is open, and after it was confirmed.
    QTest::addColumn<QString>("meanwhile");
    QTest::addColumn<QString>("target");
    QTest::newRow("nothing chosen") << -1 << "select_application" << Before << "Notizen - Editor";
    QTest::newRow("aktive Anwendung") << 0 << "select_application" << Before << "Notizen - Editor";
    QTest::newRow("DDE-Kanal") << 1 << "select_DDEParameter"
                               << "*DDE*"
                               << "*DDE*";
    QTest::newRow("Excel-Datei") << 2 << "select_ExcelFile"
                                 << "Excel-Datei"
                                 << "Excel-Datei";
    QTest::newRow("Text-Datei") << 3 << "select_TextFile"
                                << "Text-Datei"
                                << "Text-Datei";
    QTest::newRow("Access-Datenbank") << 4 << "select_AccessFile"
                                      << "Access-Datenbank"
                                      << "Access-Datenbank";
}

void tst_select_target::eachEntrySetsTargetAndOpensDetail() {
    QFETCH(int, entry);
    QFETCH(QString, detail);
    QFETCH(QString, meanwhile);
    QFETCH(QString, target);
    AssistantFixture& f = *m_fixture;
    QString seenMeanwhile;
    bool targetWindowOpenMeanwhile = false;
    // From the transfer settings window the chain ends with the detail window.
    TargetRun run(f, QStringLiteral("format_def"), entry,
                  {{detail, [&](QWidget* window) {
                        seenMeanwhile = f.controller.settings().Anwendung;
                        targetWindowOpenMeanwhile =
                            window->parentWidget() && window->parentWidget()->isVisible();
                        confirmDetail(window);
                    }}});
    QCOMPARE(run.shown, (QStringList{QStringLiteral("select_target"), detail}));
    QCOMPARE(seenMeanwhile, meanwhile);
    QVERIFY(targetWindowOpenMeanwhile);
    QCOMPARE(f.controller.settings().Anwendung, target);
    QVERIFY(!run.window.cancelled());
    QCOMPARE(run.window.result(), int(QDialog::Accepted));
}

void tst_select_target::confirmedDetailGoesOnToRecordDefinition_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("detail");
    QTest::newRow("nothing chosen") << -1 << "select_application";
    QTest::newRow("aktive Anwendung") << 0 << "select_application";
    QTest::newRow("DDE-Kanal") << 1 << "select_DDEParameter";
    QTest::newRow("Excel-Datei") << 2 << "select_ExcelFile";
    QTest::newRow("Text-Datei") << 3 << "select_TextFile";
    QTest::newRow("Access-Datenbank") << 4 << "select_AccessFile";
}

void tst_select_target::confirmedDetailGoesOnToRecordDefinition() {
    QFETCH(int, entry);
    QFETCH(QString, detail);
    AssistantFixture& f = *m_fixture;
    QString tag;
    bool targetWindowOpenMeanwhile = true;
    TargetRun run(f, QStringLiteral("select_settings"), entry,
                  {{detail, confirmDetail}, {QStringLiteral("messwert_def"), [&](QWidget* window) {
                                                 tag = qobject_cast<messwert_def*>(window)->tag();
                                                 targetWindowOpenMeanwhile = false;
                                                 for (QWidget* top : QApplication::topLevelWidgets()) {
                                                     targetWindowOpenMeanwhile =
                                                         targetWindowOpenMeanwhile ||
                                                         (qobject_cast<select_target*>(top) &&
                                                          top->isVisible());
                                                 }
                                                 click(window, "cmdCancel");
                                             }}});
    QCOMPARE(run.shown,
             (QStringList{QStringLiteral("select_target"), detail, QStringLiteral("messwert_def")}));
    QCOMPARE(tag, QStringLiteral("select_target"));
    // The target window closes before the record definition opens.
    QVERIFY(!targetWindowOpenMeanwhile);
}

void tst_select_target::cancelledDetailEndsChain_data() {
    QTest::addColumn<int>("entry");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("target");
    QTest::newRow("aktive Anwendung") << 0 << "select_application" << Before;
    QTest::newRow("DDE-Kanal") << 1 << "select_DDEParameter"
                               << "*DDE*";
    QTest::newRow("Excel-Datei") << 2 << "select_ExcelFile"
                                 << "Excel-Datei";
    QTest::newRow("Text-Datei") << 3 << "select_TextFile"
                                << "Text-Datei";
    QTest::newRow("Access-Datenbank") << 4 << "select_AccessFile"
                                      << "Access-Datenbank";
}

void tst_select_target::cancelledDetailEndsChain() {
    QFETCH(int, entry);
    QFETCH(QString, detail);
    QFETCH(QString, target);
    AssistantFixture& f = *m_fixture;
    TargetRun run(f, QStringLiteral("select_settings"), entry,
                  {{detail, [](QWidget* window) { click(window, "cmdCancel"); }}});
    QCOMPARE(run.shown, (QStringList{QStringLiteral("select_target"), detail}));
    QVERIFY(run.window.cancelled());
    QCOMPARE(f.controller.settings().Anwendung, target);
}

void tst_select_target::excelThenCancelKeepsTarget() {
    AssistantFixture& f = *m_fixture;
    f.controller.settings().ExcelFile = QStringLiteral("/alt/mappe.xlsx");
    TargetRun run(f, QStringLiteral("select_settings"), select_target::ExcelFile,
                  {{QStringLiteral("select_ExcelFile"), [](QWidget* window) {
                        retype(window, "txtExcelFile", QStringLiteral("/neu/mappe.xlsx"));
                        click(window, "cmdCancel");
                    }}});
    QCOMPARE(run.shown, (QStringList{"select_target", "select_ExcelFile"}));
    QCOMPARE(f.controller.settings().Anwendung, QStringLiteral("Excel-Datei"));
    QCOMPARE(f.controller.settings().ExcelFile, QStringLiteral("/alt/mappe.xlsx"));
}

void tst_select_target::cancelEndsChain_data() {
    QTest::addColumn<bool>("byFrame");
    QTest::newRow("Abbrechen") << false;
    QTest::newRow("window closed") << true;
}

void tst_select_target::cancelEndsChain() {
    QFETCH(bool, byFrame);
    AssistantFixture& f = *m_fixture;
    select_target window(f.controller, &f.windows);
    window.setTag(QStringLiteral("select_settings"));
    ModalScript script({{QStringLiteral("select_target"), [byFrame](QWidget* target) {
                             QVERIFY(choose(target, "cboTarget", QStringLiteral("Text-Datei")));
                             if (byFrame) {
                                 target->close();
                             } else {
                                 click(target, "cmdCancel");
                             }
                         }}});
    window.exec();
    QCOMPARE(script.shown(), QStringList{QStringLiteral("select_target")});
    QVERIFY(window.cancelled());
    QCOMPARE(f.controller.settings().Anwendung, Before);
}

void tst_select_target::chosenFileStoredAndChainGoesOn() {
    AssistantFixture& f = *m_fixture;
    const QString chosen = f.folder.file(QStringLiteral("werte.txt"));
    f.dialogs.openFiles.push_back(chosen);
    TargetRun run(f, QString(), select_target::TextFile,
                  {{QStringLiteral("select_TextFile"),
                    [](QWidget* window) {
                        click(window, "cmdOpen");
                        click(window, "cmdGoOn");
                    }},
                   {QStringLiteral("messwert_def"), [](QWidget* window) { click(window, "cmdCancel"); }}});
    QCOMPARE(run.shown, (QStringList{"select_target", "select_TextFile", "messwert_def"}));
    QCOMPARE(f.controller.settings().TextFile, chosen);
    QVERIFY(!run.window.cancelled());
}

QTEST_MAIN(tst_select_target)
#include "tst_select_target.moc"
