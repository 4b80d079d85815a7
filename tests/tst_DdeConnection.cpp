#include "core/MainController.h"
#include "core/MainCycle.h"
#include "language/LanguageTable.h"
#include "output/DdeConnection.h"
#include "output/DdeSource.h"
#include "settings/IniAccess.h"
#include "support/PrivateBus.h"
#include "support/ProgramFolder.h"
#include "support/RecordingMainView.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QProcess>
#include <QtTest>

#include <memory>

namespace {

const QByteArray OfflineConfig = "[Port settings]\nportnum=99\n[Mode]\nmodus=HOTKEY\n";
const QString PartnerName = QStringLiteral("org.example.Sheet");
const QString PartnerConnection = QStringLiteral("partner");
const QString Question = QStringLiteral("\r       Programm beenden?");
constexpr int EventWaitMs = 20000;

struct Fixture {
    Fixture() : controller(view, dialogs), cycle(controller) {
        folder.writeConfiguration(QStringLiteral("standard.cfg"), OfflineConfig);
        loaded = controller.formLoad();
        controller.setCycleInterval(0);
    }
    void target(const QString& anwend, const QString& topic, const QString& befehl) {
        controller.settings().anwend = anwend;
        controller.settings().topic = topic;
        controller.settings().befehl = befehl;
    }
    ProgramFolder folder;
    RecordingMainView view;
    ScriptedDialogs dialogs;
    MainController controller;
    MainCycle cycle;
    bool loaded = false;
};

} // namespace

// The application the client talks to, on a bus connection of its own: it records every
// Execute and answers as the test sets it up.
class Partner : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kelvane.Dde")
public:
    enum class Reply { Success, Error, Never, AfterReadingKelvane };

    Reply reply = Reply::Success;
    QString errorName;
    QString errorText;
    QStringList calls;
    QByteArray readFromKelvane;

public Q_SLOTS:
    void Execute(const QString& command) {
        calls.append(message().path() + u'|' + message().interface() + u'|' + command);
        switch (reply) {
        case Reply::Success:
            break;
        case Reply::Error:
            sendErrorReply(errorName, errorText);
            break;
        case Reply::Never:
            setDelayedReply(true);
            break;
        case Reply::AfterReadingKelvane:
            // The way a macro fetches the value: it asks the program for its item before it
            // answers, while the program waits for that answer.
            setDelayedReply(true);
            m_pending = message();
            m_reader = std::make_unique<QProcess>();
            connect(m_reader.get(), &QProcess::finished, this, [this] {
                readFromKelvane = m_reader->readAllStandardOutput().trimmed();
                QDBusConnection(PartnerConnection).send(m_pending.createReply());
            });
            m_reader->start(QStringLiteral("gdbus"),
                            {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                             DdeSource::serviceName(), QStringLiteral("--object-path"),
                             QStringLiteral("/Kelvane"), QStringLiteral("--method"),
                             QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                             QStringLiteral("org.kelvane.Dde"), QStringLiteral("DDESTRING")});
            break;
        }
    }

private:
    QDBusMessage m_pending;
    std::unique_ptr<QProcess> m_reader;
};

class tst_DdeConnection : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void commandReachesThePartner();
    void partnerReadsTheItemsWhileTheClientWaits();
    void partnerErrors_data();
    void partnerErrors();
    void partnerThatNeverAnswersIsIgnored();
    void missingApplication_data();
    void missingApplication();
    void namesTheBusCannotCarry_data();
    void namesTheBusCannotCarry();
    void yesEndsTheProgram();
    void verbfileRoundTrip();
    void verbfileDefaults();

private:
    PrivateBus m_bus;
    std::unique_ptr<Partner> m_partner;
};

void tst_DdeConnection::initTestCase() {
    QVERIFY2(m_bus.start(), "dbus-daemon did not start");
    m_bus.makeCurrent();
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void tst_DdeConnection::init() {
    m_partner = std::make_unique<Partner>();
    QDBusConnection partner = QDBusConnection::connectToBus(m_bus.address(), PartnerConnection);
    QVERIFY(partner.isConnected());
    QVERIFY(partner.registerService(PartnerName));
    QVERIFY(
        partner.registerObject(QStringLiteral("/Macros"), m_partner.get(), QDBusConnection::ExportAllSlots));
}

void tst_DdeConnection::cleanup() {
    QDBusConnection::disconnectFromBus(PartnerConnection);
    m_partner.reset();
}

void tst_DdeConnection::commandReachesThePartner() {
    Fixture f;
    QVERIFY(f.loaded);
    f.target(PartnerName, QStringLiteral("Macros"), QStringLiteral(" [RUN(\"getdata\")]"));
    DDE_Verbindung(f.controller);
    QCOMPARE(m_partner->calls, QStringList{QStringLiteral("/Macros|org.kelvane.Dde| [RUN(\"getdata\")]")});
    QCOMPARE(f.dialogs.questions, QStringList());
    QVERIFY(!f.controller.isUnloaded());

    // One call per measurement, the same way every time.
    f.controller.settings().befehl = QStringLiteral("next");
    DDE_Verbindung(f.controller);
    QCOMPARE(m_partner->calls.size(), 2);
    QCOMPARE(m_partner->calls.last(), QStringLiteral("/Macros|org.kelvane.Dde|next"));
}

void tst_DdeConnection::partnerReadsTheItemsWhileTheClientWaits() {
    Fixture f;
    DdeSource source(f.controller, f.cycle);
    QVERIFY(source.isOffered());
    f.controller.dde.DDESTRING = QStringLiteral("12,5 kg");
    f.target(PartnerName, QStringLiteral("Macros"), QStringLiteral("[RUN(\"getdata\")]"));
    m_partner->reply = Partner::Reply::AfterReadingKelvane;

    DDE_Verbindung(f.controller, EventWaitMs);
    QCOMPARE(m_partner->calls.size(), 1);
    QCOMPARE(m_partner->readFromKelvane, QByteArray("(<'12,5 kg'>,)"));
    QCOMPARE(f.dialogs.questions, QStringList());
}

void tst_DdeConnection::partnerErrors_data() {
    QTest::addColumn<QString>("errorName");
    QTest::addColumn<bool>("asks");
    QTest::newRow("no reply is the time-out") << "org.freedesktop.DBus.Error.NoReply" << false;
    QTest::newRow("time-out") << "org.freedesktop.DBus.Error.Timeout" << false;
    QTest::newRow("refused") << "org.kelvane.Dde.Error.Refused" << true;
    QTest::newRow("failed") << "org.freedesktop.DBus.Error.Failed" << true;
    QTest::newRow("the partner's own error") << "com.example.Sheet.Error.Busy" << true;
}

void tst_DdeConnection::partnerErrors() {
    QFETCH(QString, errorName);
    QFETCH(bool, asks);
    Fixture f;
    f.target(PartnerName, QStringLiteral("Macros"), QStringLiteral("go"));
    m_partner->reply = Partner::Reply::Error;
    m_partner->errorName = errorName;
    m_partner->errorText = QStringLiteral("Makro nicht gefunden");

    DDE_Verbindung(f.controller);
    QCOMPARE(m_partner->calls.size(), 1);
    if (asks) {
        QCOMPARE(f.dialogs.questions,
                 QStringList{QStringLiteral("Makro nicht gefunden") + errorName + Question});
    } else {
        QCOMPARE(f.dialogs.questions, QStringList());
    }
    // The default answer is No: the program goes on.
    QVERIFY(!f.controller.isUnloaded());
}

void tst_DdeConnection::partnerThatNeverAnswersIsIgnored() {
    Fixture f;
    f.target(PartnerName, QStringLiteral("Macros"), QStringLiteral("go"));
    m_partner->reply = Partner::Reply::Never;
    DDE_Verbindung(f.controller, 300);
    QCOMPARE(m_partner->calls.size(), 1);
    QCOMPARE(f.dialogs.questions, QStringList());
    QVERIFY(!f.controller.isUnloaded());
}

void tst_DdeConnection::missingApplication_data() {
    QTest::addColumn<QString>("anwend");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("errorName");
    QTest::newRow("application not running") << "org.example.NotRunning"
                                             << "System"
                                             << "org.freedesktop.DBus.Error.ServiceUnknown";
    QTest::newRow("topic unknown to the application") << PartnerName << "Nowhere"
                                                      << "org.freedesktop.DBus.Error.UnknownObject";
}

void tst_DdeConnection::missingApplication() {
    QFETCH(QString, anwend);
    QFETCH(QString, topic);
    QFETCH(QString, errorName);
    Fixture f;
    f.target(anwend, topic, QStringLiteral("go"));
    DDE_Verbindung(f.controller);
    QCOMPARE(m_partner->calls, QStringList());
    QCOMPARE(f.dialogs.questions.size(), 1);
    const QString question = f.dialogs.questions.first();
    QVERIFY2(question.endsWith(errorName + Question), qPrintable(question));

    // The description is the one the bus gives any client, here gdbus.
    const PrivateBus::Result peer =
        PrivateBus::run(QStringLiteral("gdbus"),
                        {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                         anwend, QStringLiteral("--object-path"), u'/' + topic, QStringLiteral("--method"),
                         QStringLiteral("org.kelvane.Dde.Execute"), QStringLiteral("go")});
    QVERIFY(peer.finished);
    const QString description = question.left(question.size() - errorName.size() - Question.size());
    QVERIFY(!description.isEmpty());
    QVERIFY2(QString::fromUtf8(peer.error).contains(errorName + QStringLiteral(": ") + description),
             peer.error.constData());
    QVERIFY(!f.controller.isUnloaded());
}

void tst_DdeConnection::namesTheBusCannotCarry_data() {
    QTest::addColumn<QString>("anwend");
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QString>("error");
    QTest::newRow("the default application") << "Excel"
                                             << "System"
                                             << "Error.InvalidService";
    QTest::newRow("an application name with a blank") << "org.example.My Sheet"
                                                      << "System"
                                                      << "Error.InvalidService";
    QTest::newRow("a topic with a blank") << PartnerName << "Two words"
                                          << "Error.InvalidObjectPath";
    QTest::newRow("a topic ending in a slash") << PartnerName << "Macros/"
                                               << "Error.InvalidObjectPath";
}

void tst_DdeConnection::namesTheBusCannotCarry() {
    QFETCH(QString, anwend);
    QFETCH(QString, topic);
    QFETCH(QString, error);
    Fixture f;
    f.target(anwend, topic, QStringLiteral("go"));
    // Such a name never reaches the bus; the user hears of it like of any other failure.
    DDE_Verbindung(f.controller);
    QCOMPARE(m_partner->calls, QStringList());
    QCOMPARE(f.dialogs.questions.size(), 1);
    const QString question = f.dialogs.questions.first();
    QVERIFY2(question.endsWith(error + Question), qPrintable(question));
    QVERIFY2(question.contains(error.contains(QStringLiteral("Service")) ? anwend : u'/' + topic),
             qPrintable(question));
    QVERIFY(!f.controller.isUnloaded());
}

void tst_DdeConnection::yesEndsTheProgram() {
    Fixture f;
    f.target(QStringLiteral("org.example.NotRunning"), QStringLiteral("System"), QStringLiteral("go"));
    f.dialogs.answers.push_back(Dialogs::Answer::Yes);
    QSignalSpy ended(&f.controller, &MainController::ended);
    DDE_Verbindung(f.controller);
    QVERIFY(!f.dialogs.questions.isEmpty());
    QVERIFY2(f.dialogs.questions.first().endsWith(Question), qPrintable(f.dialogs.questions.first()));
    // The shutdown follows, with its own question about the changed settings.
    QCOMPARE(f.dialogs.questions.mid(1),
             QStringList{LanguageText(QStringLiteral("TextAenderungenSpeichern"))});
    QVERIFY(f.controller.isUnloaded());
    QCOMPARE(ended.size(), 1);
}

void tst_DdeConnection::verbfileRoundTrip() {
    ProgramFolder folder;
    const QString file = folder.file(QStringLiteral("job.cfg"));
    QVERIFY(TestFiles::write(file, "[Mode]\nmodus=TIMER\n[DDECONN]\nanwend=old\n"));
    Settings written;
    written.ConfigFilePath = file;
    written.anwend = QStringLiteral("org.example.Sheet");
    written.topic = QStringLiteral("Macros/Weigh");
    written.befehl = QStringLiteral("[RUN(\"getdata\";1)]");
    QVERIFY(Verbfile_schreiben(written));

    // The three keys, and nothing else of the file changed.
    QCOMPARE(ReadIniValue(QStringLiteral("DDECONN"), QStringLiteral("anwend"), {}, file), written.anwend);
    QCOMPARE(ReadIniValue(QStringLiteral("DDECONN"), QStringLiteral("topic"), {}, file), written.topic);
    QCOMPARE(ReadIniValue(QStringLiteral("DDECONN"), QStringLiteral("befehl"), {}, file), written.befehl);
    QCOMPARE(ReadIniValue(QStringLiteral("Mode"), QStringLiteral("modus"), {}, file),
             QStringLiteral("TIMER"));

    Settings read;
    read.ConfigFilePath = file;
    Verbfile_lesen(read);
    QCOMPARE(read.anwend, written.anwend);
    QCOMPARE(read.topic, written.topic);
    QCOMPARE(read.befehl, written.befehl);
}

void tst_DdeConnection::verbfileDefaults() {
    ProgramFolder folder;
    const QString file = folder.file(QStringLiteral("job.cfg"));
    QVERIFY(TestFiles::write(file, "[Mode]\nmodus=PRINT\n"));
    Settings settings;
    settings.ConfigFilePath = file;
    settings.anwend = QStringLiteral("before");
    settings.topic = QStringLiteral("before");
    settings.befehl = QStringLiteral("before");
    Verbfile_lesen(settings);
    QCOMPARE(settings.anwend, QStringLiteral("Excel"));
    QCOMPARE(settings.topic, QStringLiteral("System"));
    QCOMPARE(settings.befehl, QString());
}

QTEST_GUILESS_MAIN(tst_DdeConnection)
#include "tst_DdeConnection.moc"
