// The text-to-keys step of keystroke output, without any window system.

#include "output/KeyNameTable.h"
#include "output/SendKeysNew.h"
#include "platform/RecordingKeyboard.h"

#include <QtTest>

namespace {

QString describe(const std::vector<KeyToken>& keys) {
    QString text;
    for (const KeyToken& key : keys) {
        text += RecordingKeyboard::describe(key);
    }
    return text;
}

} // namespace

class tst_SendKeysNew : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void keysOfText_data();
    void keysOfText();
    void everyKeyName_data();
    void everyKeyName();
    void tableOrder();
    void kindsOfKeys();
    void charactersBecomeKeysyms_data();
    void charactersBecomeKeysyms();
    void lengthLimit();
    void emptyTextTypesNothing();
    void textIsTypedAsOneBurst();
};

void tst_SendKeysNew::keysOfText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keys");

    QTest::newRow("value, tab, unit, enter") << "12.5{TAB}kg{ENTER}"
                                             << "12.5<Tab>kg<Return>";
    QTest::newRow("lower-case name") << "{tab}"
                                     << "<Tab>";
    QTest::newRow("mixed-case name") << "{Tab}"
                                     << "<Tab>";
    QTest::newRow("F10 to F12") << "{F10}{F11}{F12}"
                                << "<F10><F11><F12>";
    QTest::newRow("F16") << "{F16}"
                         << "<F16>";
    QTest::newRow("F1 is not F10") << "{F1}0"
                                   << "<F1>0";
    QTest::newRow("three backspace names") << "{BACKSPACE}{BS}{BKSP}"
                                           << "<BackSpace><BackSpace><BackSpace>";
    QTest::newRow("delete names") << "{DEL}{DELETE}"
                                  << "<Delete><Delete>";
    QTest::newRow("insert names") << "{INS}{INSERT}"
                                  << "<Insert><Insert>";
    QTest::newRow("upper-case letter is one character") << "A"
                                                        << "A";
    QTest::newRow("plus taps shift") << "+"
                                     << "<Shift_L>";
    QTest::newRow("plus does not hold shift") << "+a"
                                              << "<Shift_L>a";
    QTest::newRow("caret taps ctrl") << "^c"
                                     << "<Control_L>c";
    QTest::newRow("percent taps alt") << "%f"
                                      << "<Alt_L>f";
    QTest::newRow("characters without meaning") << "}~()"
                                                << "}~()";
    QTest::newRow("lone brace") << "{"
                                << "{";
    QTest::newRow("unknown name") << "{X}"
                                  << "{X}";
    QTest::newRow("name without closing brace") << "{TAB"
                                                << "{TAB";
    QTest::newRow("space inside braces") << "{ TAB}"
                                         << "{ TAB}";
    QTest::newRow("no repeat count") << "{TAB 3}"
                                     << "{TAB 3}";
    QTest::newRow("digit after name") << "{ENTER2}"
                                      << "{ENTER2}";
    QTest::newRow("brace before a name") << "{{TAB}"
                                         << "{<Tab>";
    QTest::newRow("closing brace after a name") << "{TAB}}"
                                                << "<Tab>}";
    QTest::newRow("name right after name") << "{HOME}{END}"
                                           << "<Home><End>";
    QTest::newRow("modifier inside braces is no name") << "{+}"
                                                       << "{<Shift_L>}";
    QTest::newRow("non-ASCII letter does not match a name")
        << QStringLiteral("{ınsert}") << QStringLiteral("{ınsert}");
    QTest::newRow("non-Latin text") << QStringLiteral("Gewicht µ° €") << QStringLiteral("Gewicht µ° €");
    QTest::newRow("control characters without a key are left out") << QStringLiteral("a\x01"
                                                                                     "b\x1f")
                                                                   << "ab";
}

void tst_SendKeysNew::keysOfText() {
    QFETCH(QString, text);
    QFETCH(QString, keys);
    QCOMPARE(describe(KeyTokensOf(text)), keys);
}

void tst_SendKeysNew::everyKeyName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("keysymName");

    const QList<std::pair<const char*, const char*>> names = {
        {"BACKSPACE", "BackSpace"},
        {"BS", "BackSpace"},
        {"BKSP", "BackSpace"},
        {"BREAK", "Pause"},
        {"CAPSLOCK", "Caps_Lock"},
        {"DELETE", "Delete"},
        {"DEL", "Delete"},
        {"DOWN", "Down"},
        {"UP", "Up"},
        {"LEFT", "Left"},
        {"RIGHT", "Right"},
        {"END", "End"},
        {"ENTER", "Return"},
        {"HOME", "Home"},
        {"ESC", "Escape"},
        {"HELP", "Help"},
        {"INSERT", "Insert"},
        {"INS", "Insert"},
        {"NUMLOCK", "Num_Lock"},
        {"PGUP", "Prior"},
        {"PGDN", "Next"},
        {"SCROLLLOCK", "Scroll_Lock"},
        {"TAB", "Tab"},
        {"WIN", "Super_L"},
        {"APPS", "Menu"},
        {"PRINT", "Print"},
    };
    for (const auto& [name, keysym] : names) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(keysym);
    }
    for (int key = 1; key <= 16; ++key) {
        const QString name = u'F' + QString::number(key);
        QTest::newRow(qPrintable(name)) << name << name;
    }
}

void tst_SendKeysNew::everyKeyName() {
    QFETCH(QString, name);
    QFETCH(QString, keysymName);
    const QString expected = u'<' + keysymName + u'>';
    QCOMPARE(describe(KeyTokensOf(u'{' + name + u'}')), expected);
    QCOMPARE(describe(KeyTokensOf(u'{' + name.toLower() + u'}')), expected);
}

void tst_SendKeysNew::tableOrder() {
    QStringList names;
    for (const KeyNameTable::Entry& entry : KeyNameTable::entries()) {
        names.append(QString::fromLatin1(entry.name));
    }
    QStringList expected = {"BACKSPACE", "BS",   "BKSP",    "BREAK", "CAPSLOCK", "DELETE",     "DEL", "DOWN",
                            "UP",        "LEFT", "RIGHT",   "END",   "ENTER",    "HOME",       "ESC", "HELP",
                            "INSERT",    "INS",  "NUMLOCK", "PGUP",  "PGDN",     "SCROLLLOCK", "TAB"};
    for (int key = 1; key <= 16; ++key) {
        expected.append(u'F' + QString::number(key));
    }
    expected += QStringList{"WIN", "APPS", "PRINT"};
    QCOMPARE(names, expected);
}

void tst_SendKeysNew::kindsOfKeys() {
    const std::vector<KeyToken> keys = KeyTokensOf(QStringLiteral("a{TAB}+"));
    QCOMPARE(keys.size(), std::size_t(3));
    QCOMPARE(int(keys[0].kind), int(KeyToken::Kind::Character));
    QCOMPARE(keys[0].character, char32_t(U'a'));
    QCOMPARE(int(keys[1].kind), int(KeyToken::Kind::NamedKey));
    QCOMPARE(keys[1].keysym, std::uint32_t(0xff09));
    QCOMPARE(int(keys[2].kind), int(KeyToken::Kind::Modifier));
    QCOMPARE(keys[2].keysym, std::uint32_t(0xffe1));
}

void tst_SendKeysNew::charactersBecomeKeysyms_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<uint>("keysym");

    QTest::newRow("ASCII letter") << "k" << 0x6bu;
    QTest::newRow("brace") << "{" << 0x7bu;
    QTest::newRow("Latin-1 micro sign") << QStringLiteral("µ") << 0xb5u;
    QTest::newRow("Latin-1 degree") << QStringLiteral("°") << 0xb0u;
    QTest::newRow("no-break space") << QStringLiteral("\u00a0") << 0xa0u;
    QTest::newRow("euro has its own keysym") << QStringLiteral("€") << 0x20acu;
    QTest::newRow("other characters are Unicode keysyms") << QStringLiteral("Ω") << 0x010003a9u;
    QTest::newRow("outside the basic plane") << QStringLiteral("\U0001D11E") << 0x0101d11eu;
    QTest::newRow("tab character") << QStringLiteral("\t") << 0xff09u;
    QTest::newRow("carriage return") << QStringLiteral("\r") << 0xff0du;
    QTest::newRow("line feed") << QStringLiteral("\n") << 0xff0au;
    QTest::newRow("backspace character") << QStringLiteral("\b") << 0xff08u;
    QTest::newRow("escape character") << QStringLiteral("\x1b") << 0xff1bu;
    QTest::newRow("delete character") << QStringLiteral("\x7f") << 0xffffu;
}

void tst_SendKeysNew::charactersBecomeKeysyms() {
    QFETCH(QString, text);
    QFETCH(uint, keysym);
    const std::vector<KeyToken> keys = KeyTokensOf(text);
    QCOMPARE(keys.size(), std::size_t(1));
    QCOMPARE(keys[0].keysym, std::uint32_t(keysym));
    QCOMPARE(QString::fromUcs4(&keys[0].character, 1), text);
}

void tst_SendKeysNew::lengthLimit() {
    const QString longest(SendKeysMaxLength, u'7');
    QCOMPARE(KeyTokensOf(longest).size(), std::size_t(SendKeysMaxLength));
    RecordingKeyboard keyboard;
    SendKeysNew(longest + u'7', keyboard);
    QVERIFY(keyboard.bursts.empty());
    QVERIFY(KeyTokensOf(longest + u'7').empty());
}

void tst_SendKeysNew::emptyTextTypesNothing() {
    RecordingKeyboard keyboard;
    SendKeysNew(QString(), keyboard);
    QVERIFY(keyboard.bursts.empty());
}

void tst_SendKeysNew::textIsTypedAsOneBurst() {
    RecordingKeyboard keyboard;
    const QString text = QStringLiteral("12,5{TAB}g{ENTER}");
    SendKeysNew(text, keyboard);
    QCOMPARE(keyboard.bursts.size(), std::size_t(1));
    QCOMPARE(keyboard.typed(), QStringLiteral("12,5<Tab>g<Return>"));
    QCOMPARE(text, QStringLiteral("12,5{TAB}g{ENTER}"));
}

QTEST_GUILESS_MAIN(tst_SendKeysNew)
#include "tst_SendKeysNew.moc"
