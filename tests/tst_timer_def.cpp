#include "core/MainController.h"
#include "language/LanguageTable.h"
#include "settings/LocaleFormats.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "triggers/timer_def.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {

const QDate StartDay(2031, 3, 14);
const QDate StopDay(2031, 3, 15);

struct Fixture {
    explicit Fixture(const QString& intervalMode = QStringLiteral("0"),
                     const QString& active = QStringLiteral("0"))
        : controller(view, dialogs) {
        LanguageTable::instance().load(folder.file(QStringLiteral("language.ini")),
                                       QStringLiteral("ENGLISH"));
        Settings& s = controller.settings();
        s.int_modus = intervalMode;
        s.activ = active;
        s.int_std = QStringLiteral("1");
        s.int_min = QStringLiteral("2");
        s.int_sek = QStringLiteral("3");
        s.anz_mess = QStringLiteral("4");
        s.d_start = LocaleFormats::dateText(StartDay);
        s.t_start = LocaleFormats::timeText(QTime(8, 0, 0));
        s.d_end = LocaleFormats::dateText(StopDay);
        s.t_end = LocaleFormats::timeText(QTime(17, 30, 0));
        controller.TimerDue = QDateTime::currentDateTime();
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
};

QLineEdit* field(QWidget* window, const QString& name) {
    return window->findChild<QLineEdit*>(name);
}

QRadioButton* mode(QWidget* window, int index) {
    return window->findChild<QRadioButton*>(QStringLiteral("TimerModus(%1)").arg(index));
}

QCheckBox* active(QWidget* window) {
    return window->findChild<QCheckBox*>(QStringLiteral("Check1"));
}

QGroupBox* frame(QWidget* window, const char* name) {
    return window->findChild<QGroupBox*>(QLatin1String(name));
}

QPushButton* button(QWidget* window, const char* name) {
    return window->findChild<QPushButton*>(QLatin1String(name));
}

void retype(QLineEdit* edit, const QString& typed) {
    edit->selectAll();
    if (typed.isEmpty()) {
        QTest::keyClick(edit, Qt::Key_Backspace);
    } else {
        QTest::keyClicks(edit, typed);
    }
}

bool activate(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    return QTest::qWaitForWindowActive(window);
}

QString stored(const Settings& s) {
    return QStringList{s.int_std, s.int_min, s.int_sek, s.anz_mess, s.d_start, s.t_start, s.d_end, s.t_end}
        .join(u'|');
}

} // namespace

class tst_timer_def : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFromLanguage_data();
    void captionsFromLanguage();
    void openingShowsSettings_data();
    void openingShowsSettings();
    void modeAndStartActAtOnce_data();
    void modeAndStartActAtOnce();
    void leavingAFieldChecksIt_data();
    void leavingAFieldChecksIt();
    void leavingForAbbrechenIsNoCheck();
    void refusalDoesNotBounceBetweenFields();
    void okStores();
    void okRefusesFieldsInUse_data();
    void okRefusesFieldsInUse();
    void cancelKeepsFields();
};

void tst_timer_def::captionsFromLanguage_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("key");
    QTest::newRow("Frame1") << "Frame1"
                            << "TextFrmTimerDef_Frame1Caption";
    QTest::newRow("Frame2") << "Frame2"
                            << "TextFrmTimerDef_Frame2Caption";
    QTest::newRow("Frame3") << "Frame3"
                            << "TextFrmTimerDef_Frame3Caption";
    QTest::newRow("Frame4") << "Frame4"
                            << "TextFrmTimerDef_Frame4Caption";
    QTest::newRow("Label1") << "Label1"
                            << "TextFrmTimerDef_Label1Caption";
    QTest::newRow("Label2") << "Label2"
                            << "TextFrmTimerDef_Label2Caption";
    QTest::newRow("Label3") << "Label3"
                            << "TextFrmTimerDef_Label3Caption";
    QTest::newRow("Label4") << "Label4"
                            << "TextFrmTimerDef_Label4Caption";
    QTest::newRow("Label7") << "Label7"
                            << "TextFrmTimerDef_Label7Caption";
    QTest::newRow("Label8") << "Label8"
                            << "TextFrmTimerDef_Label8Caption";
    QTest::newRow("Label9") << "Label9"
                            << "TextFrmTimerDef_Label9Caption";
    QTest::newRow("Check1") << "Check1"
                            << "TextFrmTimerDef_Check1Caption";
    QTest::newRow("TimerModus(0)") << "TimerModus(0)"
                                   << "TextFrmTimerDef_TimerModus0Caption";
    QTest::newRow("TimerModus(1)") << "TimerModus(1)"
                                   << "TextFrmTimerDef_TimerModus1Caption";
    QTest::newRow("cmdCancel") << "cmdCancel"
                               << "TextCancelTimerButton_Caption";
}

void tst_timer_def::captionsFromLanguage() {
    QFETCH(QString, control);
    QFETCH(QString, key);
    Fixture f;
    timer_def window(f.controller);
    QVERIFY(window.isModal());
    QCOMPARE(window.windowTitle(), LanguageText(QStringLiteral("TextFrmTimerDef_Caption")));
    QCOMPARE(window.windowTitle(), QStringLiteral("Timer"));
    QCOMPARE(button(&window, "cmdOK")->text(), QStringLiteral("&OK"));
    QWidget* widget = window.findChild<QWidget*>(control);
    QVERIFY2(widget, qPrintable(control));
    QString caption;
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        caption = group->title();
    } else if (auto* label = qobject_cast<QLabel*>(widget)) {
        caption = label->text();
    } else if (auto* abstractButton = qobject_cast<QAbstractButton*>(widget)) {
        caption = abstractButton->text();
    }
    QCOMPARE(caption, LanguageText(key));
    QVERIFY(caption != key);
}

void tst_timer_def::openingShowsSettings_data() {
    QTest::addColumn<QString>("intervalMode");
    QTest::addColumn<QString>("activ");
    QTest::addColumn<int>("checked");
    QTest::addColumn<bool>("startStopEnabled");
    QTest::addColumn<bool>("activeChecked");
    QTest::newRow("start/stop, not active") << "0"
                                            << "0" << 0 << true << false;
    QTest::newRow("count, active") << "1"
                                   << "1" << 1 << false << true;
    QTest::newRow("other mode") << "2"
                                << "" << -1 << true << false;
}

void tst_timer_def::openingShowsSettings() {
    QFETCH(QString, intervalMode);
    QFETCH(QString, activ);
    QFETCH(int, checked);
    QFETCH(bool, startStopEnabled);
    QFETCH(bool, activeChecked);
    Fixture f(intervalMode, activ);
    const Settings before = f.controller.settings();
    timer_def window(f.controller);
    QCOMPARE(mode(&window, 0)->isChecked(), checked == 0);
    QCOMPARE(mode(&window, 1)->isChecked(), checked == 1);
    QCOMPARE(frame(&window, "Frame3")->isEnabled(), startStopEnabled);
    QCOMPARE(frame(&window, "Frame4")->isEnabled(), !startStopEnabled);
    QCOMPARE(active(&window)->isChecked(), activeChecked);
    const QStringList shown = {field(&window, QStringLiteral("Stunden"))->text(),
                               field(&window, QStringLiteral("minuten"))->text(),
                               field(&window, QStringLiteral("sekunden"))->text(),
                               field(&window, QStringLiteral("anz_messungen"))->text(),
                               field(&window, QStringLiteral("Startdate"))->text(),
                               field(&window, QStringLiteral("starttime"))->text(),
                               field(&window, QStringLiteral("stopdate"))->text(),
                               field(&window, QStringLiteral("stoptime"))->text()};
    QCOMPARE(shown.join(u'|'), stored(before));
    QCOMPARE(f.controller.settings().int_modus, intervalMode);
    QCOMPARE(f.controller.settings().activ, activ);
}

void tst_timer_def::modeAndStartActAtOnce_data() {
    QTest::addColumn<QString>("intervalMode");
    QTest::addColumn<QString>("activ");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("expected"); // int_modus / activ / Frame3 enabled / Frame4 enabled
    QTest::newRow("count chosen") << "0"
                                  << "0"
                                  << "TimerModus(1)"
                                  << "1/0/0/1";
    QTest::newRow("start/stop chosen") << "1"
                                       << "0"
                                       << "TimerModus(0)"
                                       << "0/0/1/0";
    QTest::newRow("active ticked") << "0"
                                   << "0"
                                   << "Check1"
                                   << "0/1/1/0";
    QTest::newRow("active cleared") << "1"
                                    << "1"
                                    << "Check1"
                                    << "1/0/0/1";
}

void tst_timer_def::modeAndStartActAtOnce() {
    QFETCH(QString, intervalMode);
    QFETCH(QString, activ);
    QFETCH(QString, control);
    QFETCH(QString, expected);
    Fixture f(intervalMode, activ);
    timer_def window(f.controller);
    window.show();
    window.findChild<QAbstractButton*>(control)->click();
    const auto state = [&] {
        return QStringLiteral("%1/%2/%3/%4")
            .arg(f.controller.settings().int_modus, f.controller.settings().activ)
            .arg(int(frame(&window, "Frame3")->isEnabled()))
            .arg(int(frame(&window, "Frame4")->isEnabled()));
    };
    QCOMPARE(state(), expected);
    // Abbrechen does not undo them.
    button(&window, "cmdCancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(state(), expected);
}

void tst_timer_def::leavingAFieldChecksIt_data() {
    QTest::addColumn<QString>("intervalMode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("messageKey"); // empty: accepted
    QTest::addColumn<QString>("shown");

    QTest::newRow("hours not a number") << "0"
                                        << "Stunden"
                                        << "x"
                                        << "TextBitteZahlEingeben"
                                        << "x";
    QTest::newRow("hours empty") << "0"
                                 << "Stunden"
                                 << ""
                                 << "TextBitteZahlEingeben"
                                 << "";
    QTest::newRow("minutes") << "0"
                             << "minuten"
                             << "30"
                             << ""
                             << "30";
    QTest::newRow("minutes not a number") << "0"
                                          << "minuten"
                                          << "3a"
                                          << "TextBitteZahlEingeben"
                                          << "3a";
    QTest::newRow("seconds") << "0"
                             << "sekunden"
                             << "0"
                             << ""
                             << "0";
    QTest::newRow("seconds not a number") << "0"
                                          << "sekunden"
                                          << "-"
                                          << "TextBitteZahlEingeben"
                                          << "-";
    QTest::newRow("count") << "1"
                           << "anz_messungen"
                           << "12"
                           << ""
                           << "12";
    QTest::newRow("count not a number") << "1"
                                        << "anz_messungen"
                                        << "zwei"
                                        << "TextBitteZahlEingeben"
                                        << "zwei";
    QTest::newRow("count 0") << "1"
                             << "anz_messungen"
                             << "0"
                             << "TextBitteZahlGroesser0Eingeben"
                             << "0";
    QTest::newRow("count negative") << "1"
                                    << "anz_messungen"
                                    << "-3"
                                    << "TextBitteZahlGroesser0Eingeben"
                                    << "-3";
    QTest::newRow("start date") << "0"
                                << "Startdate" << LocaleFormats::dateText(QDate(2030, 12, 24)) << ""
                                << LocaleFormats::dateText(QDate(2030, 12, 24));
    QTest::newRow("start date ISO") << "0"
                                    << "Startdate"
                                    << "2030-12-24"
                                    << ""
                                    << "2030-12-24";
    QTest::newRow("start date invalid") << "0"
                                        << "Startdate"
                                        << "morgen"
                                        << "TextBitteDatumEingeben"
                                        << "morgen";
    QTest::newRow("stop date impossible") << "0"
                                          << "stopdate"
                                          << "2030-02-30"
                                          << "TextBitteDatumEingeben"
                                          << "2030-02-30";
    QTest::newRow("start time rewritten") << "0"
                                          << "starttime"
                                          << "7:05"
                                          << "" << LocaleFormats::timeText(QTime(7, 5, 0));
    QTest::newRow("stop time rewritten") << "0"
                                         << "stoptime"
                                         << "23:59:58"
                                         << "" << LocaleFormats::timeText(QTime(23, 59, 58));
    QTest::newRow("start time invalid") << "0"
                                        << "starttime"
                                        << "25:00"
                                        << "TextBitteUhrzeitEingeben"
                                        << "25:00";
    QTest::newRow("stop time text") << "0"
                                    << "stoptime"
                                    << "abends"
                                    << "TextBitteUhrzeitEingeben"
                                    << "abends";
}

void tst_timer_def::leavingAFieldChecksIt() {
    QFETCH(QString, intervalMode);
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, messageKey);
    QFETCH(QString, shown);
    Fixture f(intervalMode);
    timer_def window(f.controller);
    QVERIFY(activate(&window));
    QLineEdit* edit = field(&window, name);
    edit->setFocus();
    QVERIFY(edit->hasFocus());
    retype(edit, typed);
    // Typing alone checks nothing.
    QCoreApplication::processEvents();
    QVERIFY(f.dialogs.messages.isEmpty());

    QTest::keyClick(edit, Qt::Key_Tab);
    QCoreApplication::processEvents();
    const QStringList expected = messageKey.isEmpty() ? QStringList() : QStringList{LanguageText(messageKey)};
    QCOMPARE(f.dialogs.messages, expected);
    QCOMPARE(edit->text(), shown);
    // A refused field takes the focus back; an accepted one lets it go.
    QCOMPARE(edit->hasFocus(), !messageKey.isEmpty());
    QCOMPARE(f.controller.settings().int_modus, intervalMode);
    QVERIFY(window.isVisible());
}

void tst_timer_def::leavingForAbbrechenIsNoCheck() {
    Fixture f;
    timer_def window(f.controller);
    QVERIFY(activate(&window));
    QLineEdit* edit = field(&window, QStringLiteral("Stunden"));
    edit->setFocus();
    retype(edit, QStringLiteral("x"));
    // Events run between pressing and releasing the button, as with a real mouse.
    QPushButton* cancel = button(&window, "cmdCancel");
    QTest::mousePress(cancel, Qt::LeftButton);
    QVERIFY(cancel->hasFocus());
    QCoreApplication::processEvents();
    QVERIFY(f.dialogs.messages.isEmpty());
    QTest::mouseRelease(cancel, Qt::LeftButton);
    QCoreApplication::processEvents();
    QVERIFY(f.dialogs.messages.isEmpty());
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!window.isVisible());
    QCOMPARE(f.controller.settings().int_std, QStringLiteral("1"));
}

void tst_timer_def::refusalDoesNotBounceBetweenFields() {
    Fixture f;
    timer_def window(f.controller);
    QVERIFY(activate(&window));
    QLineEdit* hours = field(&window, QStringLiteral("Stunden"));
    QLineEdit* minutes = field(&window, QStringLiteral("minuten"));
    minutes->setText(QStringLiteral("y"));
    hours->setFocus();
    retype(hours, QStringLiteral("x"));
    QTest::keyClick(hours, Qt::Key_Tab);
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::processEvents();
    }
    // The focus goes back to the refused field; the field it leaves for that is not checked.
    QCOMPARE(f.dialogs.messages, QStringList{LanguageText(QStringLiteral("TextBitteZahlEingeben"))});
    QVERIFY(hours->hasFocus());
}

void tst_timer_def::okStores() {
    Fixture f(QStringLiteral("0"));
    timer_def window(f.controller);
    window.show();
    field(&window, QStringLiteral("Stunden"))->setText(QStringLiteral("0"));
    field(&window, QStringLiteral("minuten"))->setText(QStringLiteral("15"));
    field(&window, QStringLiteral("sekunden"))->setText(QStringLiteral("30"));
    field(&window, QStringLiteral("Startdate"))->setText(LocaleFormats::dateText(QDate(2032, 1, 2)));
    field(&window, QStringLiteral("starttime"))->setText(QStringLiteral("6:00"));
    field(&window, QStringLiteral("stopdate"))->setText(LocaleFormats::dateText(QDate(2032, 1, 3)));
    field(&window, QStringLiteral("stoptime"))->setText(LocaleFormats::timeText(QTime(18, 0, 0)));
    // Nothing is stored before OK.
    QCOMPARE(f.controller.settings().int_min, QStringLiteral("2"));

    button(&window, "cmdOK")->click();
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!window.isVisible());
    QVERIFY(f.dialogs.messages.isEmpty());
    const QString expected = QStringList{QStringLiteral("0"),
                                         QStringLiteral("15"),
                                         QStringLiteral("30"),
                                         QStringLiteral("4"),
                                         LocaleFormats::dateText(QDate(2032, 1, 2)),
                                         LocaleFormats::timeText(QTime(6, 0, 0)),
                                         LocaleFormats::dateText(QDate(2032, 1, 3)),
                                         LocaleFormats::timeText(QTime(18, 0, 0))}
                                 .join(u'|');
    QCOMPARE(stored(f.controller.settings()), expected);
    QVERIFY(f.controller.TimerDue.isNull());
}

void tst_timer_def::okRefusesFieldsInUse_data() {
    QTest::addColumn<QString>("intervalMode");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("messageKey"); // empty: OK closes the window
    QTest::newRow("hours") << "0"
                           << "Stunden"
                           << "eins"
                           << "TextBitteZahlEingeben";
    QTest::newRow("seconds in count mode") << "1"
                                           << "sekunden"
                                           << ""
                                           << "TextBitteZahlEingeben";
    QTest::newRow("start time") << "0"
                                << "starttime"
                                << "99:99"
                                << "TextBitteUhrzeitEingeben";
    QTest::newRow("stop date") << "0"
                               << "stopdate"
                               << "nie"
                               << "TextBitteDatumEingeben";
    QTest::newRow("count") << "1"
                           << "anz_messungen"
                           << "0"
                           << "TextBitteZahlGroesser0Eingeben";
    QTest::newRow("count unused in start/stop mode") << "0"
                                                     << "anz_messungen"
                                                     << "0"
                                                     << "";
    QTest::newRow("stop date unused in count mode") << "1"
                                                    << "stopdate"
                                                    << "nie"
                                                    << "";
}

void tst_timer_def::okRefusesFieldsInUse() {
    QFETCH(QString, intervalMode);
    QFETCH(QString, name);
    QFETCH(QString, typed);
    QFETCH(QString, messageKey);
    Fixture f(intervalMode);
    const QString before = stored(f.controller.settings());
    timer_def window(f.controller);
    window.show();
    field(&window, name)->setText(typed);
    button(&window, "cmdOK")->click();
    if (messageKey.isEmpty()) {
        QVERIFY(f.dialogs.messages.isEmpty());
        QCOMPARE(window.result(), int(QDialog::Accepted));
        QVERIFY(stored(f.controller.settings()) != before);
        QVERIFY(stored(f.controller.settings()).contains(typed));
    } else {
        QCOMPARE(f.dialogs.messages, QStringList{LanguageText(messageKey)});
        QVERIFY(window.isVisible());
        QCOMPARE(stored(f.controller.settings()), before);
        QVERIFY(!f.controller.TimerDue.isNull());
    }
}

void tst_timer_def::cancelKeepsFields() {
    Fixture f;
    const QString before = stored(f.controller.settings());
    const QDateTime due = f.controller.TimerDue;
    timer_def window(f.controller);
    window.show();
    field(&window, QStringLiteral("Stunden"))->setText(QStringLiteral("9"));
    field(&window, QStringLiteral("Startdate"))->setText(LocaleFormats::dateText(QDate(2040, 1, 1)));
    field(&window, QStringLiteral("anz_messungen"))->setText(QStringLiteral("99"));
    button(&window, "cmdCancel")->click();
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QCOMPARE(stored(f.controller.settings()), before);
    QCOMPARE(f.controller.TimerDue, due);
    QVERIFY(f.dialogs.messages.isEmpty());
}

QTEST_MAIN(tst_timer_def)
#include "tst_timer_def.moc"
