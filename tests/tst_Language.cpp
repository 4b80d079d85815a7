#include "language/LanguageFile.h"
#include "language/LanguageKeys.h"
#include "language/LanguageTable.h"
#include "settings/IniAccess.h"
#include "settings/IniDocument.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

class tst_Language : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shippedFileIsComplete_data();
    void shippedFileIsComplete();
    void fallbacks_data();
    void fallbacks();
    void languageList_data();
    void languageList();
    void presetWithoutFile();
    void choosingInstallsHelpFile_data();
    void choosingInstallsHelpFile();
};

void tst_Language::shippedFileIsComplete_data() {
    QTest::addColumn<QString>("language");
    QTest::newRow("GERMAN") << QStringLiteral("GERMAN");
    QTest::newRow("ENGLISH") << QStringLiteral("ENGLISH");
}

void tst_Language::shippedFileIsComplete() {
    QFETCH(QString, language);
    const QString file = TestFiles::sourceDataDir() + QStringLiteral("/language.ini");
    const IniDocument document = IniDocument::fromFile(file);
    QCOMPARE(LanguageKeys::all().size(), 219);
    QCOMPARE(LanguageFile::availableLanguages(file), (QStringList{"GERMAN", "ENGLISH"}));
    QStringList missing;
    for (const QString& key : LanguageKeys::all()) {
        if (document.value(language, key, {}).trimmed().isEmpty()) {
            missing.append(key);
        }
    }
    QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
    const QStringList keys = document.keys(language);
    QCOMPARE(keys.size(), 220); // every text key and helpfile, each once
    QVERIFY(QFileInfo::exists(TestFiles::sourceDataDir() + u'/' +
                              document.value(language, QStringLiteral("helpfile"), {}).mid(1)));
}

void tst_Language::fallbacks_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("expected");
    QTest::newRow("text present") << QByteArray("TextStatus=Zustand") << "TextStatus"
                                  << "Zustand";
    QTest::newRow("missing text shows key") << QByteArray("TextOther=x") << "TextStatus"
                                            << "TextStatus";
    QTest::newRow("quoted text keeps blanks")
        << QByteArray("TextTimerAktivStart=\" Start at \"") << "TextTimerAktivStart"
        << " Start at ";
    QTest::newRow("misspelt key falls back") << QByteArray() << "TextBitteAnwendungstextUeberpruefene"
                                             << "TextBitteAnwendungstextUeberpruefen";
    QTest::newRow("fourth ID end key") << QByteArray() << "extIDNr4_end_"
                                       << "textIDNr4_end_";
    QTest::newRow("DDE window key") << QByteArray() << "TextApplverbTopic"
                                    << "TextApplverb";
    QTest::newRow("unknown key shows itself") << QByteArray() << "NoSuchKey"
                                              << "NoSuchKey";
}

void tst_Language::fallbacks() {
    QFETCH(QByteArray, section);
    QFETCH(QString, key);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("language.ini"));
    QVERIFY(TestFiles::write(file, "[SPRACHE]\naktuell=TEST\n[TEST]\n" + section + "\n"));
    LanguageTable table;
    table.load(file, QStringLiteral("TEST"));
    QCOMPARE(table.text(key), expected);
}

void tst_Language::languageList_data() {
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two") << QByteArray("1=GERMAN\n2=ENGLISH\n") << QStringList{"GERMAN", "ENGLISH"};
    QTest::newRow("gap ends the list")
        << QByteArray("1=GERMAN\n2=ENGLISH\n4=FRENCH\n") << QStringList{"GERMAN", "ENGLISH"};
    QTest::newRow("no first entry") << QByteArray("2=ENGLISH\n") << QStringList{};
    QTest::newRow("empty section") << QByteArray() << QStringList{};
}

void tst_Language::languageList() {
    QFETCH(QByteArray, section);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("language.ini"));
    QVERIFY(TestFiles::write(file, "[SPRACHEN]\n" + section));
    QCOMPARE(LanguageFile::availableLanguages(file), expected);
}

void tst_Language::presetWithoutFile() {
    QTemporaryDir dir;
    const QString file = LanguageFile::path(dir.path());
    QCOMPARE(LanguageFile::currentLanguage(file), QString());
    QCOMPARE(LanguageFile::presetLanguage(file), QStringLiteral("ENGLISH"));
    QCOMPARE(LanguageFile::availableLanguages(file), QStringList{});
    LanguageFile::chooseLanguage(dir.path(), QStringLiteral("ENGLISH"));
    QCOMPARE(LanguageFile::currentLanguage(file), QStringLiteral("ENGLISH"));
}

void tst_Language::choosingInstallsHelpFile_data() {
    QTest::addColumn<QByteArray>("languageSection");
    QTest::addColumn<QStringList>("helpFiles");
    QTest::addColumn<QByteArray>("installed");
    QTest::newRow("own help file") << QByteArray("[GERMAN]\nhelpfile=\\kv36d.hlp\n")
                                   << QStringList{"kv36d.hlp", "kv36e.hlp"} << QByteArray("kv36d.hlp");
    QTest::newRow("no helpfile key takes the English one")
        << QByteArray("[GERMAN]\n") << QStringList{"kv36d.hlp", "kv36e.hlp"} << QByteArray("kv36e.hlp");
    QTest::newRow("missing help file installs nothing")
        << QByteArray("[GERMAN]\nhelpfile=\\gone.hlp\n") << QStringList{"kv36e.hlp"} << QByteArray();
}

void tst_Language::choosingInstallsHelpFile() {
    QFETCH(QByteArray, languageSection);
    QFETCH(QStringList, helpFiles);
    QFETCH(QByteArray, installed);
    QTemporaryDir dir;
    QVERIFY(
        TestFiles::write(LanguageFile::path(dir.path()), "[SPRACHE]\naktuell=ENGLISH\n" + languageSection));
    for (const QString& name : helpFiles) {
        QVERIFY(TestFiles::write(dir.filePath(name), name.toUtf8()));
    }
    QVERIFY(TestFiles::write(dir.filePath(QStringLiteral("kv36.hlp")), "stale"));
    LanguageFile::chooseLanguage(dir.path(), QStringLiteral("GERMAN"));
    QCOMPARE(LanguageFile::currentLanguage(LanguageFile::path(dir.path())), QStringLiteral("GERMAN"));
    const QString copy = dir.filePath(QStringLiteral("kv36.hlp"));
    QCOMPARE(QFileInfo::exists(copy), !installed.isEmpty());
    if (!installed.isEmpty()) {
        QCOMPARE(TestFiles::read(copy), installed);
    }
}

QTEST_GUILESS_MAIN(tst_Language)
#include "tst_Language.moc"
