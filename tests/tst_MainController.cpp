#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "settings/IniAccess.h"
#include "settings/LocaleFormats.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QtTest>

namespace {

// Port 99 names a serial device that does not exist, so no test touches real hardware.
const QByteArray OfflineLink = "[Port settings]\nportnum=99\n";

QByteArray timerConfig(int activ, int intervalMode, const QDateTime& start, const QDateTime& end) {
    return OfflineLink + "[Mode]\nmodus=TIMER\nactiv=" + QByteArray::number(activ) +
           "\nint_modus=" + QByteArray::number(intervalMode) +
           "\nd_start=" + LocaleFormats::dateText(start.date()).toUtf8() +
           "\nt_start=" + LocaleFormats::timeText(start.time()).toUtf8() +
           "\nd_end=" + LocaleFormats::dateText(end.date()).toUtf8() +
           "\nt_end=" + LocaleFormats::timeText(end.time()).toUtf8() + "\n";
}

struct Fixture {
    explicit Fixture(bool withLanguageFile = true) : folder(withLanguageFile), controller(view, dialogs) {}
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

} // namespace

class tst_MainController : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startUpByMode_data();
    void startUpByMode();
    void startUpTexts();
    void commandLineArgumentChoosesFile();
    void missingStandardConfiguration();
    void sameStatusWrittenOnce();
    void shutdownAsksOnlyWhenChanged_data();
    void shutdownAsksOnlyWhenChanged();
    void shutdownYesSavesThroughDialog();
    void shutdownWithoutConfigurationFile();
    void saveAsksBeforeReplacing_data();
    void saveAsksBeforeReplacing();
    void saveIntoUnwritableFolderReports();
    void loadMenuCancelled();
    void loadMenuLoadsChosenFile();
    void withoutLanguageFileTheWindowDecides();
    void noLanguageChosenEndsProgram();
    void deviceCommandButtonsTakeCaptions();
    void buttonsOfTheTimer();
};

void tst_MainController::startUpByMode_data() {
    QTest::addColumn<QByteArray>("config");
    QTest::addColumn<QString>("expected"); // enabled 1,2,3 / caption 7 / interval / pending / timer running

    const QDateTime now = QDateTime::currentDateTime();
    QTest::newRow("PRINT") << (OfflineLink + "[Mode]\nmodus=PRINT\n") << "100/O&ffline/10/0/0";
    QTest::newRow("HOTKEY") << (OfflineLink + "[Mode]\nmodus=HOTKEY\n") << "100/O&ffline/10/0/0";
    QTest::newRow("TIMER without autostart")
        << timerConfig(0, 0, now, now.addDays(1)) << "010/O&ffline/1000/0/0";
    QTest::newRow("TIMER autostart, start in the future")
        << timerConfig(1, 0, now.addSecs(3600), now.addSecs(7200)) << "001/O&ffline/10/0/1";
    QTest::newRow("TIMER autostart, inside the window")
        << timerConfig(1, 0, now.addSecs(-3600), now.addSecs(3600)) << "001/O&ffline/10/1/1";
    QTest::newRow("TIMER autostart, window over")
        << timerConfig(1, 0, now.addSecs(-7200), now.addSecs(-3600)) << "001/O&ffline/10/0/1";
    QTest::newRow("TIMER autostart, interval")
        << timerConfig(1, 1, now.addSecs(3600), now.addSecs(7200)) << "001/O&ffline/10/1/1";
    QTest::newRow("TIMER autostart, other interval mode")
        << timerConfig(1, 2, now.addSecs(-3600), now.addSecs(3600)) << "001/O&ffline/10/0/1";
}

void tst_MainController::startUpByMode() {
    QFETCH(QByteArray, config);
    QFETCH(QString, expected);
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), config);
    QVERIFY(f.controller.formLoad());

    const QString actual = QStringLiteral("%1%2%3/%4/%5/%6/%7")
                               .arg(int(f.view.isButtonEnabled(1)))
                               .arg(int(f.view.isButtonEnabled(2)))
                               .arg(int(f.view.isButtonEnabled(3)))
                               .arg(f.view.buttonCaption(7))
                               .arg(f.controller.cycleInterval())
                               .arg(int(f.controller.TransferPending))
                               .arg(int(f.controller.TimerRunning));
    QCOMPARE(actual, expected);
    if (f.controller.TransferPending) {
        QVERIFY(qAbs(f.controller.TimerDue.secsTo(QDateTime::currentDateTime())) < 5);
    }
}

void tst_MainController::startUpTexts() {
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                OfflineLink + "[Anwendung]\nAnwendung=Text-Datei\nFormat={Messwert}{TAB}\n");
    QVERIFY(f.controller.formLoad());
    QCOMPARE(f.view.windowTitle(), QStringLiteral("Kelvane Version 4.2"));
    QCOMPARE(f.view.status1Text(1), LanguageText(QStringLiteral("TextStatus")));
    QVERIFY(f.view.status1Text(1) != QLatin1String("TextStatus"));
    QCOMPARE(f.view.status1Text(2), QStringLiteral("Text-Datei"));
    QCOMPARE(f.view.status1Text(3), QStringLiteral("{Messwert}{TAB}"));
    QCOMPARE(f.view.statusText(), QStringLiteral("Start über 'online'"));
    QCOMPARE(f.view.menuCaption(QStringLiteral("load_conf")),
             LanguageText(QStringLiteral("TextMenuDatei_EinstellungLaden")));
    QCOMPARE(f.view.menuCaption(QStringLiteral("m_KonfigDatenOut")),
             LanguageText(QStringLiteral("TextMenum_DataOutput_KonfigDaten")));
    QCOMPARE(f.view.unitText(), QString());
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_MainController::commandLineArgumentChoosesFile() {
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                OfflineLink + "[Anwendung]\nAnwendung=standard\n");
    f.folder.writeConfiguration(QStringLiteral("job.cfg"), OfflineLink + "[Anwendung]\nAnwendung=job\n");
    QVERIFY(f.controller.formLoad(QStringLiteral("job.cfg")));
    QCOMPARE(f.controller.settings().Anwendung, QStringLiteral("job"));
    QCOMPARE(f.controller.settings().ConfigFilePath, f.folder.file(QStringLiteral("job.cfg")));

    Fixture g;
    g.folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                OfflineLink + "[Anwendung]\nAnwendung=standard\n");
    QVERIFY(g.controller.formLoad());
    QCOMPARE(g.controller.settings().Anwendung, QStringLiteral("standard"));
}

void tst_MainController::missingStandardConfiguration() {
    Fixture f;
    QVERIFY(f.controller.formLoad());
    QCOMPARE(f.dialogs.messages, QStringList{LanguageText(QStringLiteral("TextStandardCfgNichtVorhanden"))});
    QCOMPARE(f.dialogs.fileDialogs, QStringList{LanguageText(QStringLiteral("TextFrmLoadSet_Caption"))});
    // Cancelled: nothing was loaded, not even the defaults.
    QCOMPARE(f.controller.settings().ConfigFilePath, QString());
    QCOMPARE(f.controller.settings().baud, QString());
    QCOMPARE(f.controller.settings().mw_start, 0);
    QVERIFY(f.controller.settings().applicationList.empty());
}

void tst_MainController::sameStatusWrittenOnce() {
    Fixture f;
    f.view.statusWrites.clear();
    f.controller.fnUpdateStatus(QStringLiteral("A"));
    f.controller.fnUpdateStatus(QStringLiteral("A"));
    f.controller.fnUpdateStatus(QStringLiteral("B"));
    f.controller.fnUpdateStatus(QStringLiteral("B"));
    QCOMPARE(f.view.statusWrites, (QStringList{"A", "B"}));
    QCOMPARE(f.controller.LastStatusText, QStringLiteral("B"));
}

void tst_MainController::shutdownAsksOnlyWhenChanged_data() {
    QTest::addColumn<bool>("change");
    QTest::newRow("unchanged") << false;
    QTest::newRow("changed") << true;
}

void tst_MainController::shutdownAsksOnlyWhenChanged() {
    QFETCH(bool, change);
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink + "[Mode]\nmodus=HOTKEY\n");
    const QByteArray before = TestFiles::read(f.folder.file(QStringLiteral("standard.cfg")));
    QVERIFY(f.controller.formLoad());
    if (change) {
        f.controller.settings().OTG = QStringLiteral("250");
    }
    QSignalSpy ended(&f.controller, &MainController::ended);
    f.controller.formUnload();
    f.controller.formUnload();

    QCOMPARE(ended.count(), 1);
    const QString question = LanguageText(QStringLiteral("TextAenderungenSpeichern"));
    QCOMPARE(f.dialogs.questions, change ? QStringList{question} : QStringList{});
    const QString snapshot = f.folder.file(QStringLiteral("tmp.cfg"));
    QCOMPARE(ReadIniValue(QStringLiteral("Filter"), QStringLiteral("OTG"), {}, snapshot),
             change ? QStringLiteral("250") : QStringLiteral("0"));
    // Answered No: the configuration file itself stays as it was.
    QCOMPARE(TestFiles::read(f.folder.file(QStringLiteral("standard.cfg"))), before);
}

void tst_MainController::shutdownYesSavesThroughDialog() {
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(f.controller.formLoad());
    f.controller.settings().UTG = QStringLiteral("1.5");
    const QString target = f.folder.file(QStringLiteral("new.cfg"));
    f.dialogs.answers = {Dialogs::Answer::Yes};
    f.dialogs.saveFiles = {target};
    f.controller.formUnload();
    QCOMPARE(ReadIniValue(QStringLiteral("Filter"), QStringLiteral("UTG"), {}, target),
             QStringLiteral("1.5"));
    QCOMPARE(f.controller.settings().ConfigFilePath, target);
}

void tst_MainController::shutdownWithoutConfigurationFile() {
    Fixture f;
    QVERIFY(f.controller.formLoad());
    f.controller.formUnload();
    // Nothing to compare with: the settings count as changed.
    QCOMPARE(f.dialogs.questions, QStringList{LanguageText(QStringLiteral("TextAenderungenSpeichern"))});
    QVERIFY(QFileInfo::exists(f.folder.file(QStringLiteral("tmp.cfg"))));
}

void tst_MainController::saveAsksBeforeReplacing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("written");
    QTest::newRow("standard.cfg, Yes") << "standard.cfg" << int(Dialogs::Answer::Yes) << true << true;
    QTest::newRow("standard.cfg, No") << "standard.cfg" << int(Dialogs::Answer::No) << true << false;
    QTest::newRow("standard.cfg, Cancel") << "standard.cfg" << int(Dialogs::Answer::Cancel) << true << false;
    QTest::newRow("tmp.cfg never asks") << "tmp.cfg" << int(Dialogs::Answer::No) << false << true;
    QTest::newRow("new file never asks") << "" << int(Dialogs::Answer::No) << false << true;
}

void tst_MainController::saveAsksBeforeReplacing() {
    QFETCH(QString, name);
    QFETCH(int, answer);
    QFETCH(bool, asked);
    QFETCH(bool, written);
    Fixture f;
    const QString path = f.folder.file(name.isEmpty() ? QStringLiteral("fresh.cfg") : name);
    if (!name.isEmpty()) {
        QVERIFY(TestFiles::write(path, "[Extra]\nkeep=1\n"));
    }
    f.dialogs.answers = {Dialogs::Answer(answer)};
    f.controller.settings().baud = QStringLiteral("4800");
    const bool result = f.controller.SaveConfiguration(path);
    QCOMPARE(result, written);
    QCOMPARE(f.dialogs.questions.size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(f.dialogs.questions.first(), QStringLiteral("Einstellungen überschreiben?"));
    }
    QCOMPARE(ReadIniValue(QStringLiteral("Port settings"), QStringLiteral("baud"), {}, path),
             written ? QStringLiteral("4800") : QString());
    const bool keptExtra =
        ReadIniValue(QStringLiteral("Extra"), QStringLiteral("keep"), {}, path) == QLatin1String("1");
    QCOMPARE(keptExtra, !name.isEmpty() && (name == QLatin1String("tmp.cfg") || !written));
}

void tst_MainController::saveIntoUnwritableFolderReports() {
    Fixture f;
    const QString path = f.folder.file(QStringLiteral("missing/job.cfg"));
    QVERIFY(!f.controller.SaveConfiguration(path));
    QCOMPARE(f.dialogs.messages.size(), 1);
    QVERIFY(f.dialogs.messages.first().contains(QStringLiteral("could not be saved")));
    QVERIFY(f.dialogs.messages.first().contains(QStringLiteral("job.cfg")));
}

void tst_MainController::loadMenuCancelled() {
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink + "[Mode]\nmodus=HOTKEY\n");
    QVERIFY(f.controller.formLoad());
    f.controller.loadConfMenu();
    QCOMPARE(f.controller.cycleInterval(), 0);
    QCOMPARE(f.view.valueText(), QStringLiteral("Offline"));
    QCOMPARE(f.view.buttonCaption(7), QStringLiteral("O&nline"));
    QCOMPARE(f.controller.settings().ConfigFilePath, QString());
    QCOMPARE(f.controller.settings().modus, QStringLiteral("HOTKEY"));
}

void tst_MainController::loadMenuLoadsChosenFile() {
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    f.folder.writeConfiguration(QStringLiteral("other.cfg"), OfflineLink + "[Filter]\nOTG=42\n");
    QVERIFY(f.controller.formLoad());
    f.dialogs.openFiles = {f.folder.file(QStringLiteral("other.cfg"))};
    f.controller.loadConfMenu();
    QCOMPARE(f.controller.settings().OTG, QStringLiteral("42"));
    QCOMPARE(f.controller.settings().ConfigFilePath, f.folder.file(QStringLiteral("other.cfg")));
}

void tst_MainController::withoutLanguageFileTheWindowDecides() {
    Fixture f(false);
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    f.dialogs.languageWindow = [&f] {
        WriteIniValue(QStringLiteral("SPRACHE"), QStringLiteral("aktuell"), QStringLiteral("ENGLISH"),
                      f.folder.file(QStringLiteral("language.ini")));
    };
    QVERIFY(f.controller.formLoad());
    QCOMPARE(f.dialogs.languageWindows, 1);
    // No texts in the file: every text shows its key.
    QCOMPARE(f.view.status1Text(1), QStringLiteral("TextStatus"));
    QCOMPARE(f.view.menuCaption(QStringLiteral("datei")), QStringLiteral("TextMenuDatei_"));
}

void tst_MainController::noLanguageChosenEndsProgram() {
    Fixture f(false);
    QVERIFY(!f.controller.formLoad());
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("No language selected, Program aborted!")});
}

void tst_MainController::deviceCommandButtonsTakeCaptions() {
    Fixture f;
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"),
                                OfflineLink + "[Action]\nkey0=,,,ESCT,Tarieren,0\nkey7=,,,ESCP,Print,1\n");
    QVERIFY(f.controller.formLoad());
    QCOMPARE(f.view.buttonCaption(9), QStringLiteral("Tarieren"));
    QCOMPARE(f.view.buttonCaption(16), QStringLiteral("Print"));
    QCOMPARE(f.view.buttonCaption(10), QString());
}

void tst_MainController::buttonsOfTheTimer() {
    Fixture f;
    const QDateTime start = QDateTime::currentDateTime().addSecs(600);
    f.folder.writeConfiguration(QStringLiteral("standard.cfg"), timerConfig(0, 0, start, start.addSecs(600)));
    QVERIFY(f.controller.formLoad());
    f.controller.Command5_Click(2);
    QVERIFY(f.controller.TimerRunning);
    QCOMPARE(f.controller.TimerCount, 0);
    QCOMPARE(f.controller.TimerDue.toSecsSinceEpoch() / 60, start.toSecsSinceEpoch() / 60);
    QVERIFY(f.view.statusText().startsWith(LanguageText(QStringLiteral("TextTimerAktivStart"))));
    QCOMPARE(f.controller.cycleInterval(), 10);
    QVERIFY(!f.view.isButtonEnabled(2));
    QVERIFY(f.view.isButtonEnabled(3));
    f.controller.Command5_Click(3);
    QVERIFY(!f.controller.TimerRunning);
    QVERIFY(f.controller.TimerDue.isNull());
    QVERIFY(f.view.isButtonEnabled(2));
    QVERIFY(!f.view.isButtonEnabled(3));
    QCOMPARE(f.view.statusText(), QString());
    f.controller.Command5_Click(6);
    QCOMPARE(f.view.hides, 1);
}

QTEST_GUILESS_MAIN(tst_MainController)
#include "tst_MainController.moc"
