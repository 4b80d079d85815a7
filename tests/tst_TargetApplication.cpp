// Finding and activating the target window, and the failure path, with a scripted desktop.

#include "core/MainController.h"
#include "output/TargetApplication.h"
#include "platform/RecordingKeyboard.h"
#include "platform/RecordingWindowList.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"

#include <QtTest>

namespace {

TopLevelWindow window(quint64 id, const QString& title, bool visible = true) {
    return {id, title, visible, true};
}

struct Fixture {
    Fixture() : controller(view, dialogs), target(controller, &windows, &keyboard) {
        Settings& s = controller.settings();
        s.portnum = QStringLiteral("99"); // no such serial device
        s.applicationList = {{QStringLiteral("Editor"), QStringLiteral("editor.exe")},
                             {QStringLiteral("Tabelle"), QStringLiteral("calc.exe")}};
        s.selectedApplication = 1;
        view.setButtonTag(7, QStringLiteral("True"));
        view.setButtonCaption(7, QStringLiteral("O&ffline"));
        view.setButtonEnabled(2, false);
        view.setButtonEnabled(3, true);
        controller.TimerRunning = true;
        windows.windows = {window(10, QStringLiteral("Kelvane Version 4.2")), window(11, QString()),
                           window(12, QStringLiteral("Protokoll.txt - Editor"), false),
                           window(13, QStringLiteral("Mappe1 - Tabelle")),
                           window(14, QStringLiteral("Notizen - Editor"))};
    }
    void setTarget(const QString& fragment) { controller.settings().Anwendung = fragment; }

    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    RecordingWindowList windows;
    RecordingKeyboard keyboard;
    TargetApplication target;
};

} // namespace

class tst_TargetApplication : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findWindowByTitle_data();
    void findWindowByTitle();
    void foundTitleIsKept();
    void activatesThenTypes();
    void freeTargetSearchesNothing();
    void missingTargetShowsMessageThenPressesButtons();
    void vanishedWindowIsAFailedActivation();
    void applicationEntryOutOfRange();
    void withoutX11NothingIsTyped();
};

void tst_TargetApplication::findWindowByTitle_data() {
    QTest::addColumn<QString>("fragment");
    QTest::addColumn<QString>("found");
    QTest::newRow("last word of a title") << "Tabelle"
                                          << "Mappe1 - Tabelle";
    QTest::newRow("other letter case") << "tabelle"
                                       << "";
    QTest::newRow("two matches: the upper one") << "Editor"
                                                << "Protokoll.txt - Editor";
    QTest::newRow("empty: first titled window") << ""
                                                << "Kelvane Version 4.2";
    QTest::newRow("whole title") << "Notizen - Editor"
                                 << "Notizen - Editor";
    QTest::newRow("longer than any title") << "Notizen - Editor 2"
                                           << "";
}

void tst_TargetApplication::findWindowByTitle() {
    QFETCH(QString, fragment);
    QFETCH(QString, found);
    Fixture f;
    f.setTarget(fragment);
    QCOMPARE(f.target.FindWindowByTitle(), found);
}

void tst_TargetApplication::foundTitleIsKept() {
    Fixture f;
    f.setTarget(QStringLiteral("Tabelle"));
    f.target.FindWindowByTitle();
    QCOMPARE(f.target.foundTitle(), QStringLiteral("Mappe1 - Tabelle"));
    f.setTarget(QStringLiteral("Nirgends"));
    f.target.FindWindowByTitle();
    QCOMPARE(f.target.foundTitle(), QString());
}

void tst_TargetApplication::activatesThenTypes() {
    Fixture f;
    f.setTarget(QStringLiteral("Notizen"));
    QList<quint64> activatedWhenTyping;
    f.keyboard.onType = [&f, &activatedWhenTyping] { activatedWhenTyping = f.windows.activated; };
    f.target.deliverKeystrokes(QStringLiteral("12,5{TAB}g{ENTER}"));
    QCOMPARE(activatedWhenTyping, QList<quint64>{14});
    QCOMPARE(f.keyboard.typed(), QStringLiteral("12,5<Tab>g<Return>"));
    QVERIFY(f.dialogs.messages.isEmpty());
    QVERIFY(f.controller.linkOnline());
    QVERIFY(f.controller.TimerRunning);
}

void tst_TargetApplication::freeTargetSearchesNothing() {
    Fixture f;
    f.setTarget(QStringLiteral("*free*"));
    f.target.deliverKeystrokes(QStringLiteral("7"));
    QCOMPARE(f.windows.enumerations, 0);
    QVERIFY(f.windows.activated.isEmpty());
    QCOMPARE(f.keyboard.typed(), QStringLiteral("7"));
    QVERIFY(f.dialogs.messages.isEmpty());
}

void tst_TargetApplication::missingTargetShowsMessageThenPressesButtons() {
    Fixture f;
    f.setTarget(QStringLiteral("editor"));
    f.controller.LastStatusText = QStringLiteral("before");
    QStringList messagesWhenTyping;
    f.keyboard.onType = [&f, &messagesWhenTyping] { messagesWhenTyping = f.dialogs.messages; };
    f.target.deliverKeystrokes(QStringLiteral("12,5"));

    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Anwendung calc.exe nicht aktiv")});
    // Timer stop (button 3) first: it empties the status; then the online switch (button 7)
    // takes the link offline and says so, last.
    QVERIFY(f.view.isButtonEnabled(2));
    QVERIFY(!f.view.isButtonEnabled(3));
    QVERIFY(!f.controller.TimerRunning);
    QVERIFY(!f.controller.linkOnline());
    QCOMPARE(f.view.buttonCaption(7), QStringLiteral("O&nline"));
    QVERIFY(f.view.statusWrites.contains(QString()));
    QVERIFY(!f.view.statusWrites.last().isEmpty());
    // The keys go out after the message, to whichever window has the focus.
    QCOMPARE(messagesWhenTyping, f.dialogs.messages);
    QCOMPARE(f.keyboard.typed(), QStringLiteral("12,5"));
    QVERIFY(f.windows.activated.isEmpty());
}

void tst_TargetApplication::vanishedWindowIsAFailedActivation() {
    Fixture f;
    f.setTarget(QStringLiteral("Mappe1"));
    f.windows.vanished = {13};
    f.target.deliverKeystrokes(QStringLiteral("x"));
    QCOMPARE(f.windows.activated, QList<quint64>{13});
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Anwendung calc.exe nicht aktiv")});
    QCOMPARE(f.keyboard.typed(), QStringLiteral("x"));
}

void tst_TargetApplication::applicationEntryOutOfRange() {
    Fixture f;
    f.setTarget(QStringLiteral("Nirgends"));
    f.controller.settings().selectedApplication = 5;
    f.target.deliverKeystrokes(QStringLiteral("x"));
    QCOMPARE(f.dialogs.messages, QStringList{QStringLiteral("Anwendung  nicht aktiv")});
}

void tst_TargetApplication::withoutX11NothingIsTyped() {
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller(view, dialogs);
    controller.settings().Anwendung = QStringLiteral("Editor");
    TargetApplication target(controller, nullptr, nullptr);
    target.deliverKeystrokes(QStringLiteral("12,5"));
    QCOMPARE(view.statusText(), TargetApplication::x11RequiredText());
    QVERIFY(dialogs.messages.isEmpty());
    QCOMPARE(target.FindWindowByTitle(), QString());
}

QTEST_GUILESS_MAIN(tst_TargetApplication)
#include "tst_TargetApplication.moc"
