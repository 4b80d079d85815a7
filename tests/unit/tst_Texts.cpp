#include "base/files/IniDocument.h"
#include "base/texts/LanguageFile.h"
#include "base/texts/LanguageTable.h"
#include "base/texts/LocaleFormats.h"
#include "base/texts/NumberText.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {

// Each case of a table is a row that names its place in the table.
template <typename Case, std::size_t N> void rows(const Case (&cases)[N]) {
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i) {
        QTest::newRow(cases[i].name) << int(i);
    }
}

// Runs the current row again in a process with that system locale: what its failed checks said.
QString failuresInLocale(const QString& locale) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), locale + QStringLiteral(".UTF-8"));
    environment.insert(QStringLiteral("LOCALE_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromUtf8(QTest::currentTestFunction()) +
                                                          u':' + QString::fromUtf8(QTest::currentDataTag())});
    const bool passed = child.waitForFinished(60000) && child.exitStatus() == QProcess::NormalExit;
    return passed && child.exitCode() == 0 ? QString() : QString::fromUtf8(child.readAll()) + u'!';
}

// clang-format off
const QHash<QString, std::function<QString(const QString&)>> LocaleFunctions = {
    {"dateText", [](const QString& t) { return LocaleFormats::dateText(QDate::fromString(t, Qt::ISODate)); }},
    {"timeText", [](const QString& t) { return LocaleFormats::timeText(QTime::fromString(t, Qt::ISODate)); }},
    {"parseDate", [](const QString& t) {
        const QDate date = LocaleFormats::parseDate(t);
        return LocaleFormats::isDate(t) == date.isValid() ? date.toString(Qt::ISODate) : "isDate differs"; }},
    {"parseTime", [](const QString& t) { return LocaleFormats::parseTime(t).toString(Qt::ISODate); }},
    {"numberText", [](const QString& t) { return LocaleFormats::numberText(t.toDouble()); }},
    {"parseNumber", [](const QString& t) -> QString {
        bool ok = false;
        const double value = LocaleFormats::parseNumber(t, &ok);
        return (ok ? QString() : QStringLiteral("fails ")) + QString::number(value); }},
};

// Per locale: a function, its input and its result.
const struct { const char* locale; std::vector<std::array<const char*, 3>> cases; } LocaleCases[] = {
    {"C", {{"dateText", "2026-03-04", "4 Mar 2026"}, {"timeText", "14:05:09", "14:05:09"},
        {"parseDate", "4 Mar 2026", "2026-03-04"}, {"parseDate", "2026-02-30", ""}, {"parseTime", "9:60", ""},
        {"numberText", "1234.5", "1234.5"}, {"numberText", "100000", "100000"}, {"numberText", "1e-7", "0.0000001"},
        {"numberText", "-0.1", "-0.1"}, {"parseNumber", "1,5", "fails 0"}}},
    {"de_DE", {{"dateText", "2026-03-04", "04.03.2026"}, {"timeText", "14:05:09", "14:05:09"},
        {"parseDate", "04.03.26", "2026-03-04"}, {"parseDate", "4.3.2026", "2026-03-04"},
        {"parseDate", "2026-03-04", "2026-03-04"}, {"parseDate", "13/4/2026", "2026-04-13"},
        {"parseTime", "14:05", "14:05:00"}, {"parseTime", "2:05 PM", "14:05:00"},
        {"numberText", "1234.5", "1234,5"}, {"numberText", "2500000", "2500000"}, {"parseNumber", "1.5", "1.5"}, {"parseNumber", "1.500", "1500"}}},
    {"en_US", {{"dateText", "2026-03-04", "3/4/2026"}, {"timeText", "14:05:09", "2:05:09 PM"},
        {"parseDate", "3/4/26", "2026-03-04"}, {"parseTime", "14:05:09", "14:05:09"}}},
};

const struct { const char* name; double value; int decimals, width; const char *locale, *mask, *expected; }
MaskCases[] = {
    {"half away from zero", 2.675, 2, 10, "C", "######0.00", "2.68"},
    {"half of 1.005", 1.005, 2, 10, "C", "######0.00", "1.01"},
    {"just below half", 0.12499, 2, 10, "C", "######0.00", "0.12"},
    {"round up carries", 9.995, 2, 10, "C", "######0.00", "10.00"},
    {"carry into a new digit", 999.9995, 3, 10, "C", "#####0.000", "1000.000"},
    {"no decimals, width grows", 1234.5, 0, 1, "C", "##0", "1235"},
    {"negative half without decimals", -0.5, 0, 10, "C", "#########0", "-1"},
    {"small value, width grows", 0.05, 1, 3, "C", "#0.0", "0.1"},
    {"tiny negative shows no minus", -0.001, 2, 10, "C", "######0.00", "0.00"},
    {"negative zero shows no minus", -0.0, 2, 10, "C", "######0.00", "0.00"},
    {"smallest negative that shows", -0.005, 2, 10, "C", "######0.00", "-0.01"},
    {"German, large value", 123456789.0, 2, 10, "de_DE", "######0.00", "123456789,00"},
    {"beyond the mask's width", 1e16, 1, 10, "C", "#######0.0", "10000000000000000.0"},
    {"infinity", qInf(), 2, 10, "C", "######0.00", "inf"},
    // The locale's own digits and a separator of two bytes in UTF-8.
    {"Arabic digits and separator", 1234.5, 1, 10, "ar_EG", "#######0.0", "\u0661\u0662\u0663\u0664\u066b\u0665"},
};

// A read that fails gives NaN here.
const double Fails = qQNaN();
const struct { const char* name; double leading; bool plain; double readC, readGerman; } NumberCases[] = {
    {"12.5", 12.5, true, 12.5, Fails},         {"   7", 7, true, 7, 7},
    {" \t7 ", 7, true, 7, 7},                  {"1 2.5", 12.5, false, Fails, Fails},
    {"3kg", 3, false, Fails, Fails},           {"1.234.5", 1.234, false, Fails, Fails},
    {"12,5", 12, false, Fails, 12.5},          {"1.234,5", 1.234, false, Fails, Fails},
    {"-0.5", -0.5, true, -0.5, Fails},         {"-0,50", 0, false, Fails, -0.5},
    {"+  1.5 ", 1.5, true, Fails, Fails},      {"--5", 0, false, Fails, Fails},
    {"1-2", 1, false, Fails, Fails},           {"12.", 12, true, 12, Fails},
    {".5", 0.5, true, 0.5, Fails},             {".", 0, false, Fails, Fails},
    {"------", 0, false, Fails, Fails},        {"      ", 0, false, Fails, Fails},
    {"abc", 0, false, Fails, Fails},           {"", 0, false, Fails, Fails},
};

// A language file and the language window's choice: whether a language is then in use, its status
// caption, the languages offered, the one preset and the help file installed (before: "kv36.hlp").
const QByteArray Test("[TEST]\nTextStatus=\" Zustand \"\n");
const struct {
    const char* name; QByteArray file; QString chosen; bool applied; QString status; QStringList languages;
    QString preset; QByteArray help;
} LanguageCases[] = {
    {"language set", "[SPRACHE]\naktuell=TEST\n[SPRACHEN]\n1=TEST\n2=GERMAN\n" + Test, "", true, " Zustand ",
        {"TEST", "GERMAN"}, "TEST", "kv36.hlp"},
    {"a gap ends the list", "[SPRACHEN]\n1=GERMAN\n3=TEST\n" + Test + "helpfile=\\help\\de.hlp", "TEST", true,
        " Zustand ", {"GERMAN"}, "ENGLISH", "help/de.hlp"},
    {"own help file", "[SPRACHEN]\n2=TEST\n[GERMAN]\nhelpfile=\\kv36d.hlp", "GERMAN", true, "TextStatus", {},
        "ENGLISH", "kv36d.hlp"},
    {"English help without a key", Test, "TEST", true, " Zustand ", {}, "ENGLISH", "kv36e.hlp"},
    {"missing help file", Test + "helpfile=\\gone.hlp", "TEST", true, " Zustand ", {}, "ENGLISH", {}},
    {"still none chosen", Test, "", false, "", {}, "ENGLISH", "kv36.hlp"},
    {"no language file", {}, "", false, "", {}, "ENGLISH", "kv36.hlp"},
};
// clang-format on

} // namespace

class tst_Texts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shippedLanguageFileIsComplete() {
        const QString file = TestFiles::sourceDataDir() + QStringLiteral("/language.ini");
        const IniDocument document = IniDocument::fromFile(file);
        QCOMPARE(LanguageFile::availableLanguages(file), (QStringList{"GERMAN", "ENGLISH"}));
        QStringList missing;
        for (const QString language : {"GERMAN", "ENGLISH"}) {
            // The D-Bus target window keeps its designed title.
            for (int i = 0; i < TextKeyCount; ++i) {
                const QString key = languageKey(static_cast<TextKey>(i));
                if (i != int(TextKey::DbusTargetTitle) && document.value(language, key, {}).isEmpty()) {
                    missing.append(language + u':' + key);
                }
            }
            const QString help = document.value(language, QStringLiteral("helpfile"), {}).mid(1);
            QVERIFY2(QFileInfo::exists(TestFiles::sourceDataDir() + u'/' + help), qPrintable(help));
        }
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join(u' ')));
        for (int n = 1; n <= 10; ++n) {
            QCOMPARE(languageKey(idTokenKey(n)), QStringLiteral("TextID_%1").arg(n));
        }
    }
    void chooseLanguage_data() { rows(LanguageCases); }
    void chooseLanguage() {
        QFETCH(int, row);
        const auto& c = LanguageCases[row];
        QTemporaryDir dir;
        const QString path = LanguageFile::path(dir.path());
        QVERIFY(c.file.isNull() || TestFiles::write(path, c.file));
        for (const char* name : {"kv36d.hlp", "kv36e.hlp", "help/de.hlp", "kv36.hlp"}) {
            QVERIFY(TestFiles::write(dir.filePath(QString::fromUtf8(name)), name));
        }
        QCOMPARE(LanguageFile::availableLanguages(path), c.languages);
        QCOMPARE(LanguageFile::presetLanguage(path), c.preset);
        ScriptedDialogs dialogs;
        dialogs.languageWindow = [&] {
            if (!c.chosen.isEmpty()) {
                LanguageFile::chooseLanguage(dir.path(), c.chosen);
            }
        };
        QCOMPARE(LanguageTable::instance().apply(dir.path(), dialogs), c.applied);
        QCOMPARE(dialogs.languageWindows, c.file.contains("aktuell") ? 0 : 1);
        QCOMPARE(dialogs.messages.join(u'|'),
                 QString(c.applied ? "" : "No language selected, Program aborted!"));
        QVERIFY(!c.applied || languageText(TextKey::StatusCaption) == c.status);
        QCOMPARE(TestFiles::read(dir.filePath(QStringLiteral("kv36.hlp"))), c.help);
    }
    void formatWithMask_data() { rows(MaskCases); }
    void formatWithMask() {
        QFETCH(int, row);
        const auto& c = MaskCases[row];
        const QString mask = NumberText::buildNumberMask(c.decimals, c.width);
        QCOMPARE(mask, QString::fromUtf8(c.mask));
        QCOMPARE(NumberText::formatWithMask(c.value, mask, QLocale(QString::fromUtf8(c.locale))), c.expected);
    }
    void numberTexts_data() { rows(NumberCases); }
    void numberTexts() {
        QFETCH(int, row);
        const auto& c = NumberCases[row];
        const QString text = QString::fromUtf8(c.name);
        QCOMPARE(NumberText::leadingNumber(text), c.leading);
        QCOMPARE(NumberText::isPlainNumber(text), c.plain);
        const std::pair<QLocale, double> reads[] = {{QLocale::c(), c.readC},
                                                    {QLocale(QLocale::German), c.readGerman}};
        for (const auto& [locale, expected] : reads) {
            bool ok = true;
            const double value = NumberText::readFormatted(text, locale, &ok);
            QCOMPARE(ok ? value : Fails, expected);
            QVERIFY(ok || value == 0.0);
        }
    }
    void localeFormats_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("function");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        for (const auto& [locale, cases] : LocaleCases) {
            for (const auto& [function, input, expected] : cases) {
                QTest::addRow("%s %s %s", locale, function, input) << locale << function << input << expected;
            }
        }
    }
    void localeFormats() {
        QFETCH(QString, locale);
        QFETCH(QString, function);
        QFETCH(QString, input);
        QFETCH(QString, expected);
        // The system locale is read once per process, so another locale needs a process of its own.
        if (QLocale::system().name() != locale) {
            QVERIFY2(!qEnvironmentVariableIsSet("LOCALE_CHILD"), "the child did not get the locale");
            QCOMPARE(failuresInLocale(locale), QString());
            return;
        }
        QCOMPARE(LocaleFunctions.value(function)(input), expected);
    }
};

QTEST_GUILESS_MAIN(tst_Texts)
#include "tst_Texts.moc"
