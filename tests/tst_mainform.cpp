#include "core/MainController.h"
#include "core/mainform.h"
#include "language/LanguageTable.h"
#include "settings/IniAccess.h"
#include "shell/HelpWindow.h"
#include "shell/WidgetDialogs.h"
#include "shell/clsSysTray.h"
#include "shell/info_box.h"
#include "support/ModalAnswer.h"
#include "support/ProgramFolder.h"
#include "support/TestFiles.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

namespace {

const QByteArray OfflineLink = "[Port settings]\nportnum=99\n";

struct Window {
    Window() : dialogs(&form, folder.path()), controller(form, dialogs) {
        form.setController(&controller);
        form.show();
    }
    ProgramFolder folder;
    mainform form;
    WidgetDialogs dialogs;
    MainController controller;
};

void pressButton(QWidget* window, const QString& name) {
    auto* button = window->findChild<QPushButton*>(name);
    QVERIFY2(button, qPrintable(name));
    button->click();
}

} // namespace

class tst_mainform : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void controlsCarryTheirNames();
    void menuTextsFollowTheLanguage();
    void languageMenuRerunsStartUp();
    void closingAsksOnlyAfterAChange_data();
    void closingAsksOnlyAfterAChange();
    void exitButtonRunsShutdown();
    void trayIconRestoresWindow();
    void infoWindowStopsTheCycle();
    void helpOpensCurrentLanguage();
};

void tst_mainform::controlsCarryTheirNames() {
    Window w;
    for (const char* name : {"MesswertAnzeige", "Vorzeichen", "einheit"}) {
        QVERIFY2(w.form.findChild<QLabel*>(QLatin1String(name)), name);
    }
    QCOMPARE(w.form.findChild<QLabel*>(QStringLiteral("MesswertAnzeige"))->text(),
             QStringLiteral("00000000.00"));
    for (int i = 1; i <= 16; ++i) {
        QVERIFY(w.form.findChild<QPushButton*>(QStringLiteral("Command5(%1)").arg(i)));
    }
    QCOMPARE(w.form.button(1)->text(), QStringLiteral("&Send"));
    QCOMPARE(w.form.button(8)->text(), QStringLiteral("E&xit"));
    QVERIFY(w.form.findChild<QWidget*>(QStringLiteral("Status")));
    QVERIFY(w.form.findChild<QWidget*>(QStringLiteral("Status1")));
    for (const char* name : {"datei", "m_Ansicht", "options", "m_DataOutput", "m_Extras", "help"}) {
        QVERIFY2(w.form.findChild<QMenu*>(QLatin1String(name)), name);
    }
    for (const char* name :
         {"load_conf", "save_conf", "inst_assi", "quit", "m_Modus", "port", "m_KonfigDatenIn",
          "m_KonfigDatenOut", "dde_conn", "language", "showhelp", "info"}) {
        QVERIFY2(w.form.findChild<QAction*>(QLatin1String(name)), name);
    }
}

void tst_mainform::menuTextsFollowTheLanguage() {
    Window w;
    QVERIFY(WriteIniValue(QStringLiteral("SPRACHE"), QStringLiteral("aktuell"), QStringLiteral("GERMAN"),
                          w.folder.file(QStringLiteral("language.ini"))));
    w.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(w.controller.formLoad());
    QCOMPARE(w.form.menu(QStringLiteral("datei"))->title(), LanguageText(QStringLiteral("TextMenuDatei_")));
    QCOMPARE(w.form.menuAction(QStringLiteral("quit"))->text(),
             LanguageText(QStringLiteral("TextMenuDatei_Schliessen")));
    QCOMPARE(w.form.status1Text(1), LanguageText(QStringLiteral("TextStatus")));
    QVERIFY(w.form.menuAction(QStringLiteral("load_conf"))->text().contains(QStringLiteral("laden")));
}

void tst_mainform::languageMenuRerunsStartUp() {
    Window w;
    w.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(w.controller.formLoad());
    const QString english = w.form.menuAction(QStringLiteral("load_conf"))->text();
    w.controller.settings().OTG = QStringLiteral("77"); // reloading the file discards this

    ModalAnswer choose([](QWidget* window) {
        auto* box = window->findChild<QComboBox*>(QStringLiteral("cboLanguage"));
        QVERIFY(box);
        QCOMPARE(box->currentText(), QStringLiteral("ENGLISH"));
        QCOMPARE(box->count(), 2);
        box->setCurrentText(QStringLiteral("GERMAN"));
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    w.form.menuAction(QStringLiteral("language"))->trigger();
    QVERIFY(choose.answered());
    QCOMPARE(choose.windowClass(), QStringLiteral("foLanguage_def"));
    QVERIFY(w.form.menuAction(QStringLiteral("load_conf"))->text() != english);
    QCOMPARE(w.controller.settings().OTG, QStringLiteral("0"));
    QCOMPARE(w.controller.cycleInterval(), 10);
}

void tst_mainform::closingAsksOnlyAfterAChange_data() {
    QTest::addColumn<bool>("change");
    QTest::newRow("unchanged") << false;
    QTest::newRow("changed") << true;
}

void tst_mainform::closingAsksOnlyAfterAChange() {
    QFETCH(bool, change);
    Window w;
    w.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(w.controller.formLoad());
    if (change) {
        w.controller.settings().Format = QStringLiteral("{Messwert}{ENTER}");
    }
    QSignalSpy ended(&w.controller, &MainController::ended);
    QString question;
    ModalAnswer no(
        [&question](QWidget* window) {
            auto* box = qobject_cast<QMessageBox*>(window);
            QVERIFY(box);
            question = box->text();
            box->button(QMessageBox::No)->click();
        },
        change ? 10000 : 300);
    w.form.close();
    QTRY_COMPARE(ended.count(), 1);
    QTest::qWait(change ? 0 : 400);
    QCOMPARE(no.answered(), change);
    if (change) {
        QCOMPARE(question, LanguageText(QStringLiteral("TextAenderungenSpeichern")));
    }
}

void tst_mainform::exitButtonRunsShutdown() {
    Window w;
    w.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(w.controller.formLoad());
    QSignalSpy ended(&w.controller, &MainController::ended);
    pressButton(&w.form, QStringLiteral("Command5(8)"));
    QCOMPARE(ended.count(), 1);
    QVERIFY(QFileInfo::exists(w.folder.file(QStringLiteral("tmp.cfg"))));
}

void tst_mainform::trayIconRestoresWindow() {
    Window w;
    clsSysTray tray(&w.form);
    w.form.hide();
    tray.Init(&w.form);
    QVERIFY(tray.hasIcon());
    QCOMPARE(tray.tooltipText(), QStringLiteral("Kelvane 4.2"));
    tray.MouseMove(2); // not the icon's identifier: nothing happens
    QVERIFY(!w.form.isVisible());
    tray.MouseMove(1);
    QVERIFY(w.form.isVisible());
    QVERIFY(!tray.hasIcon());
}

void tst_mainform::infoWindowStopsTheCycle() {
    Window w;
    w.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(w.controller.formLoad());
    QCOMPARE(w.controller.cycleInterval(), 10);
    QString product;
    ModalAnswer ok([&product](QWidget* window) {
        product = window->findChild<QLabel*>(QStringLiteral("lblProduct"))->text();
        window->findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    w.form.menuAction(QStringLiteral("info"))->trigger();
    QVERIFY(ok.answered());
    QCOMPARE(product, QStringLiteral("Kelvane \nVersion  4.1.0"));
    QCOMPARE(w.controller.cycleInterval(), 0);
    QCOMPARE(w.form.valueText(), QStringLiteral("Offline"));
    QCOMPARE(w.form.buttonCaption(7), QStringLiteral("O&nline"));
}

void tst_mainform::helpOpensCurrentLanguage() {
    Window w;
    for (const char* name : {"kv36d.hlp", "kv36e.hlp", "Kelvane 4.2.chm"}) {
        QFile::copy(TestFiles::sourceDataDir() + u'/' + QLatin1String(name),
                    w.folder.file(QLatin1String(name)));
    }
    QCOMPARE(HelpWindow::startPage(w.folder.path()), w.folder.file(QStringLiteral("kv36e.hlp")));
    QVERIFY(
        TestFiles::write(w.folder.file(QStringLiteral("kv36.hlp")), "<html><body>installed</body></html>"));
    QCOMPARE(HelpWindow::startPage(w.folder.path()), w.folder.file(QStringLiteral("kv36.hlp")));
    QFile::remove(w.folder.file(QStringLiteral("kv36.hlp")));
    QFile::remove(w.folder.file(QStringLiteral("kv36e.hlp")));
    QCOMPARE(HelpWindow::startPage(w.folder.path()), w.folder.file(QStringLiteral("Kelvane 4.2.chm")));

    w.folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineLink);
    QVERIFY(w.controller.formLoad());
    w.form.menuAction(QStringLiteral("showhelp"))->trigger();
    auto* help = w.form.findChild<HelpWindow*>();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QCOMPARE(help->currentPage(), w.folder.file(QStringLiteral("Kelvane 4.2.chm")));
    // Help does not stop the cycle, it only shows the offline state.
    QCOMPARE(w.controller.cycleInterval(), 10);
    QCOMPARE(w.form.valueText(), QStringLiteral("Offline"));
}

QTEST_MAIN(tst_mainform)
#include "tst_mainform.moc"
