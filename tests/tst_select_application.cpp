// The window in which the user picks the target application from the open windows.

#include "core/MainController.h"
#include "output/select_application.h"
#include "platform/RecordingWindowList.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

namespace {

struct Fixture {
    Fixture() : controller(view, dialogs) {
        controller.settings().Anwendung = QStringLiteral("vorher");
        windows.windows = {
            {1, QStringLiteral("Kelvane Version 4.2"), true, true},
            {2, QString(), true, true},
            {3, QStringLiteral("Hidden helper"), false, true},
            {4, QStringLiteral("Tooltip"), true, false},
            {5, QStringLiteral("Mappe1 - Tabelle"), true, true},
            {6, QStringLiteral("Mappe1 - Tabelle"), true, true},
            {7, QStringLiteral("Notizen - Editor"), true, true},
        };
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    RecordingWindowList windows;
};

QStringList lines(const select_application& window) {
    const auto* list = window.findChild<QListWidget*>(QStringLiteral("lstApplications"));
    QStringList result;
    for (int row = 0; list && row < list->count(); ++row) {
        result.append(list->item(row)->text());
    }
    return result;
}

void click(QWidget& window, const char* name) {
    auto* button = window.findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button, name);
    button->click();
}

} // namespace

class tst_select_application : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captions();
    void listsFramedVisibleTitledWindowsInOrder();
    void refreshReadsTheWindowsAgain();
    void goOnStoresTheSelectedTitle();
    void goOnWithoutSelectionStoresEmpty();
    void cancelKeepsTargetAndSetsFlag();
    void withoutX11TheListIsEmptyAndSaysWhy();
};

void tst_select_application::captions() {
    Fixture f;
    select_application window(f.controller, &f.windows);
    QCOMPARE(window.windowTitle(), QStringLiteral("Zielanwendung auswählen"));
    QCOMPARE(window.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
             QStringLiteral("Bitte starten Sie Ihre Anwendung..."));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdRefresh"))->text(),
             QStringLiteral("Liste aktualisieren"));
    QCOMPARE(window.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->text(),
             QStringLiteral("Abbrechen"));
    QVERIFY(window.findChild<QPushButton*>(QStringLiteral("cmdGoOn")));
    QVERIFY(window.findChild<QLabel*>(QStringLiteral("lblUnavailable"))->isHidden());
}

void tst_select_application::listsFramedVisibleTitledWindowsInOrder() {
    Fixture f;
    select_application window(f.controller, &f.windows);
    QCOMPARE(lines(window),
             (QStringList{QStringLiteral("Kelvane Version 4.2"), QStringLiteral("Mappe1 - Tabelle"),
                          QStringLiteral("Mappe1 - Tabelle"), QStringLiteral("Notizen - Editor")}));
}

void tst_select_application::refreshReadsTheWindowsAgain() {
    Fixture f;
    select_application window(f.controller, &f.windows);
    f.windows.windows.prepend({8, QStringLiteral("Neu gestartet"), true, true});
    f.windows.windows.removeLast();
    click(window, "cmdRefresh");
    QCOMPARE(f.windows.enumerations, 2);
    QCOMPARE(lines(window),
             (QStringList{QStringLiteral("Neu gestartet"), QStringLiteral("Kelvane Version 4.2"),
                          QStringLiteral("Mappe1 - Tabelle"), QStringLiteral("Mappe1 - Tabelle")}));
}

void tst_select_application::goOnStoresTheSelectedTitle() {
    Fixture f;
    bool cancelFlag = false;
    select_application window(f.controller, &f.windows, nullptr, &cancelFlag);
    window.findChild<QListWidget*>(QStringLiteral("lstApplications"))->setCurrentRow(3);
    click(window, "cmdGoOn");
    QCOMPARE(f.controller.settings().Anwendung, QStringLiteral("Notizen - Editor"));
    QCOMPARE(window.result(), int(QDialog::Accepted));
    QVERIFY(!cancelFlag);
    QVERIFY(!window.cancelled());
}

void tst_select_application::goOnWithoutSelectionStoresEmpty() {
    Fixture f;
    select_application window(f.controller, &f.windows);
    click(window, "cmdGoOn");
    QCOMPARE(f.controller.settings().Anwendung, QString());
}

void tst_select_application::cancelKeepsTargetAndSetsFlag() {
    Fixture f;
    bool cancelFlag = false;
    select_application window(f.controller, &f.windows, nullptr, &cancelFlag);
    window.findChild<QListWidget*>(QStringLiteral("lstApplications"))->setCurrentRow(1);
    click(window, "cmdCancel");
    QCOMPARE(f.controller.settings().Anwendung, QStringLiteral("vorher"));
    QVERIFY(cancelFlag);
    QVERIFY(window.cancelled());
    QCOMPARE(window.result(), int(QDialog::Rejected));
}

void tst_select_application::withoutX11TheListIsEmptyAndSaysWhy() {
    Fixture f;
    select_application window(f.controller, nullptr);
    QVERIFY(lines(window).isEmpty());
    const auto* label = window.findChild<QLabel*>(QStringLiteral("lblUnavailable"));
    QVERIFY(!label->isHidden());
    QCOMPARE(label->text(), select_application::windowListUnavailableText());
    click(window, "cmdRefresh");
    QVERIFY(lines(window).isEmpty());
}

QTEST_MAIN(tst_select_application)
#include "tst_select_application.moc"
