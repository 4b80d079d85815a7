#include "language/LanguageFile.h"
#include "language/LanguageTable.h"
#include "output/OutputRenderer.h"
#include "settings/LocaleFormats.h"
#include "support/ProgramFolder.h"
#include "support/ScriptedDialogs.h"

#include <QtTest>

class tst_OutputRenderer : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void render_data();
    void render();
    void promptTexts();
    void tokenNamesFollowTheLanguage();

private:
    std::unique_ptr<ProgramFolder> m_folder;
};

void tst_OutputRenderer::initTestCase() {
    m_folder = std::make_unique<ProgramFolder>();
    LanguageTable::instance().load(LanguageFile::path(m_folder->path()), QStringLiteral("GERMAN"));
    QCOMPARE(LanguageText(QStringLiteral("TextMesswert")), QStringLiteral("Messwert"));
    QCOMPARE(LanguageText(QStringLiteral("TextID_10")), QStringLiteral("ID_10"));
}

void tst_OutputRenderer::render_data() {
    QTest::addColumn<QString>("definition");
    QTest::addColumn<QString>("trz");
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("prompts");

    const QStringList noIds;
    QTest::newRow("value and unit, point") << "{Messwert}{TAB}{Einheit}{ENTER}"
                                           << "1" << noIds << QStringList() << "12.50{TAB}kg{ENTER}" << 0;
    QTest::newRow("value and unit, comma") << "{Messwert}{TAB}{Einheit}{ENTER}"
                                           << "0" << noIds << QStringList() << "12,50{TAB}kg{ENTER}" << 0;
    QTest::newRow("first occurrence only") << "{Messwert};{Messwert}"
                                           << "0" << noIds << QStringList() << "12,50;{Messwert}" << 0;
    QTest::newRow("ID 1 is not ID 10")
        << "{ID_1}/{ID_10}"
        << "0" << QStringList{"A", "", "", "", "", "", "", "", "", "J"} << QStringList() << "A/J" << 0;
    QTest::newRow("ID 10 before ID 1")
        << "{ID_10}/{ID_1}"
        << "0" << QStringList{"A", "", "", "", "", "", "", "", "", "J"} << QStringList() << "J/A" << 0;
    QTest::newRow("IDs keep their blanks") << "[{ID_2}]"
                                           << "0" << QStringList{"", " x "} << QStringList() << "[ x ]" << 0;
    QTest::newRow("prompt") << "{?Charge}{TAB}{Messwert}"
                            << "0" << noIds << QStringList{"L42"} << "L42{TAB}12,50" << 1;
    QTest::newRow("same label asked twice") << "{?a}-{?a}"
                                            << "0" << noIds << QStringList{"1", "2"} << "1-2" << 2;
    QTest::newRow("question mark in an ID asks")
        << "{ID_1}"
        << "0" << QStringList{"x{?y}"} << QStringList{"z"} << "xz" << 1;
    QTest::newRow("answer with a prompt is asked again")
        << "{?a}"
        << "0" << noIds << QStringList{"{?b}", "c"} << "c" << 2;
    QTest::newRow("question mark without brace stays") << "Ok? {Messwert}"
                                                       << "0" << noIds << QStringList() << "Ok? 12,50" << 0;
    QTest::newRow("cancelled prompt gives empty text") << "<{?x}>"
                                                       << "0" << noIds << QStringList() << "<>" << 1;
    QTest::newRow("name without braces loses its neighbours")
        << "aMesswertb"
        << "0" << noIds << QStringList() << "12,50" << 0;
    QTest::newRow("name at the start") << "Messwert}"
                                       << "0" << noIds << QStringList() << "12,50" << 0;
    QTest::newRow("key tokens pass") << "{F5}{PGUP}+{TAB}"
                                     << "0" << noIds << QStringList() << "{F5}{PGUP}+{TAB}" << 0;
    QTest::newRow("empty definition") << ""
                                      << "0" << noIds << QStringList() << "" << 0;
    QTest::newRow("time") << "{Uhrzeit}"
                          << "0" << noIds << QStringList() << "08:05:09" << 0;
}

void tst_OutputRenderer::render() {
    QFETCH(QString, definition);
    QFETCH(QString, trz);
    QFETCH(QStringList, ids);
    QFETCH(QStringList, answers);
    QFETCH(QString, expected);
    QFETCH(int, prompts);
    Measurement m;
    m.record = "N     +    12.50 kg \r\n";
    m.ValueText = QStringLiteral("12,50");
    m.unit = QStringLiteral("kg");
    for (int i = 0; i < ids.size(); ++i) {
        m.ids[i + 1] = ids.at(i);
    }
    ScriptedDialogs dialogs;
    for (const QString& answer : answers) {
        dialogs.inputs.push_back(answer);
    }
    const QDateTime now(QDate(2026, 3, 4), QTime(8, 5, 9));
    QCOMPARE(OutputRenderer::RenderOutput(definition, m, trz, dialogs, now), expected);
    QCOMPARE(dialogs.questions.size(), prompts);
}

void tst_OutputRenderer::promptTexts() {
    Measurement m;
    m.record = "x";
    ScriptedDialogs dialogs;
    const QDateTime now(QDate(2026, 3, 4), QTime(8, 5, 9));
    QCOMPARE(OutputRenderer::RenderOutput(QStringLiteral("{Datum}|{?Charge}"), m, QStringLiteral("0"),
                                          dialogs, now),
             LocaleFormats::dateText(QDate(2026, 3, 4)) + u'|');
    QCOMPARE(dialogs.questions,
             QStringList{LanguageText(QStringLiteral("TextFreierTextTeil1")) + QStringLiteral("Charge") +
                         LanguageText(QStringLiteral("TextFreierTextTeil2"))});
    // An empty record renders nothing and asks nothing.
    m.record = "   \r\n";
    QCOMPARE(
        OutputRenderer::RenderOutput(QStringLiteral("{?x}{Messwert}"), m, QStringLiteral("0"), dialogs, now),
        QString());
    QCOMPARE(dialogs.questions.size(), 1);
}

void tst_OutputRenderer::tokenNamesFollowTheLanguage() {
    Measurement m;
    m.record = "x";
    m.ValueText = QStringLiteral("1");
    ScriptedDialogs dialogs;
    LanguageTable table;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("language.ini"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("[X]\nTextMesswert=Value\n");
    out.close();
    LanguageTable::instance().load(file, QStringLiteral("X"));
    QCOMPARE(
        OutputRenderer::RenderOutput(QStringLiteral("{Messwert}|{Value}"), m, QStringLiteral("0"), dialogs),
        QStringLiteral("{Messwert}|1"));
    LanguageTable::instance().load(LanguageFile::path(m_folder->path()), QStringLiteral("GERMAN"));
}

QTEST_GUILESS_MAIN(tst_OutputRenderer)
#include "tst_OutputRenderer.moc"
