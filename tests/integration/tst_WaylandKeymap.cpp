// The keymap the Wayland keyboard types with, built by xkbcommon from the system's XKB data: each
// character found with the key and modifiers of the user's layout, the characters a layout lacks
// bound to its empty keys, and the choice of backend at start.

#include "base/interfaces/KeyToken.h"
#include "platform/DesktopBackend.h"
#include "platform/wayland/WaylandKeymap.h"

#include <QtTest>

#include <xkbcommon/xkbcommon.h>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(DesktopBackend)
Q_DECLARE_METATYPE(std::vector<DesktopBackend>)

namespace {

// The evdev codes of a few keys, as the protocol numbers them.
constexpr int KeyY = 21;
constexpr int KeyQ = 16;
constexpr int KeyZ = 44;
constexpr int AnyKey = -1;

} // namespace

class tst_WaylandKeymap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void findsKeyAndModifiers_data();
    void findsKeyAndModifiers();
    void bindsLackingKeysymsToEmptyKeys();
    void bindsAsManyAsThereAreEmptyKeys();
    void readsTheCompositorsText();
    void parsesTheSetting_data();
    void parsesTheSetting();
    void triesBackendsInOrder_data();
    void triesBackendsInOrder();
};

void tst_WaylandKeymap::findsKeyAndModifiers_data() {
    QTest::addColumn<QByteArray>("layout");
    QTest::addColumn<QString>("character");
    QTest::addColumn<QStringList>("modifiers"); // real modifier names; "added": bound to an empty key
    QTest::addColumn<int>("key");
    const QStringList none;
    const QStringList shift{u"Shift"_s};
    const QStringList altGr{u"Mod5"_s};
    const QStringList added{u"added"_s};
    QTest::newRow("us a") << "us"_ba << u"a"_s << none << AnyKey;
    QTest::newRow("us A") << "us"_ba << u"A"_s << shift << AnyKey;
    QTest::newRow("us @") << "us"_ba << u"@"_s << shift << AnyKey;
    QTest::newRow("us z") << "us"_ba << u"z"_s << none << KeyZ;
    QTest::newRow("us tab") << "us"_ba << u"\t"_s << none << AnyKey;
    QTest::newRow("us return") << "us"_ba << u"\r"_s << none << AnyKey;
    QTest::newRow("us ä lacking") << "us"_ba << u"ä"_s << added << AnyKey;
    QTest::newRow("us € on the Euro key") << "us"_ba << u"€"_s << none << AnyKey;
    QTest::newRow("de z on the y key") << "de"_ba << u"z"_s << none << KeyY;
    QTest::newRow("de @ AltGr") << "de"_ba << u"@"_s << altGr << KeyQ;
    QTest::newRow("de µ AltGr") << "de"_ba << u"µ"_s << altGr << AnyKey;
    QTest::newRow("de backslash AltGr") << "de"_ba << u"\\"_s << altGr << AnyKey;
    QTest::newRow("de ł AltGr, a Unicode keysym") << "de"_ba << u"ł"_s << altGr << AnyKey;
    QTest::newRow("de ° Shift") << "de"_ba << u"°"_s << shift << AnyKey;
    QTest::newRow("de ä") << "de"_ba << u"ä"_s << none << AnyKey;
    QTest::newRow("de ж lacking") << "de"_ba << u"ж"_s << added << AnyKey;
}

void tst_WaylandKeymap::findsKeyAndModifiers() {
    QFETCH(QByteArray, layout);
    QFETCH(QString, character);
    QFETCH(QStringList, modifiers);
    QFETCH(int, key);
    const WaylandKeymap base = WaylandKeymap::fromNames(layout);
    QVERIFY(base.isValid());
    const std::uint32_t keysym = KeyToken::keysymOfCharacter(character.toUcs4().first());
    const bool lacking = modifiers == QStringList{u"added"_s};
    QCOMPARE(base.find(keysym).has_value(), !lacking);

    const WaylandKeymap keymap = base.withKeysyms({keysym});
    QVERIFY(keymap.isValid());
    QCOMPARE(keymap.addedCount(), lacking ? 1 : 0);
    const auto placement = keymap.find(keysym);
    QVERIFY(placement);
    QCOMPARE(placement->layout, 0u);
    if (key != AnyKey) {
        QCOMPARE(placement->key, static_cast<std::uint32_t>(key));
    }
    // The modifiers are numbered by the keymap: read them back through a keymap of the same text,
    // as the compositor and the receiving application do.
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* compiled = xkb_keymap_new_from_string(context, keymap.text().constData(),
                                                      XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    QVERIFY(compiled);
    QStringList held;
    for (xkb_mod_index_t i = 0; i < xkb_keymap_num_mods(compiled); ++i) {
        if (placement->modifiers & (1u << i)) {
            held << QString::fromLatin1(xkb_keymap_mod_get_name(compiled, i));
        }
    }
    QCOMPARE(held, lacking ? QStringList() : modifiers);
    // And the key with those modifiers gives the character.
    xkb_state* state = xkb_state_new(compiled);
    xkb_state_update_mask(state, placement->modifiers, 0, 0, 0, 0, placement->layout);
    QCOMPARE(xkb_state_key_get_one_sym(state, placement->key + 8) == keysym ||
                 xkb_keysym_to_utf32(xkb_state_key_get_one_sym(state, placement->key + 8)) ==
                     character.toUcs4().first(),
             true);
    xkb_state_unref(state);
    xkb_keymap_unref(compiled);
    xkb_context_unref(context);
}

// Keysyms already in the layout keep their keys; each lacking one gets an empty key of its own.
void tst_WaylandKeymap::bindsLackingKeysymsToEmptyKeys() {
    const WaylandKeymap base = WaylandKeymap::fromNames("us");
    const std::vector<std::uint32_t> keysyms{
        KeyToken::keysymOfCharacter(U'a'), KeyToken::keysymOfCharacter(U'ä'),
        KeyToken::keysymOfCharacter(U'ж'), KeyToken::keysymOfCharacter(U'ä'),
        KeyToken::keysymOfCharacter(U'✓')};
    const WaylandKeymap keymap = base.withKeysyms(keysyms);
    QCOMPARE(keymap.addedCount(), 3);
    QVERIFY(keymap.hasAll(keysyms));
    QCOMPARE(keymap.find(keysyms[0])->key, base.find(keysyms[0])->key);
    QSet<std::uint32_t> keys;
    for (const std::uint32_t keysym : keysyms) {
        keys.insert(keymap.find(keysym)->key);
        QCOMPARE(keymap.find(keysym)->modifiers, 0u);
    }
    QCOMPARE(keys.size(), 4);
    // The layout itself is unchanged.
    QVERIFY(!base.hasAll(keysyms));
}

// A text with more lacking keysyms than the layout has empty keys: the keymap takes as many as
// fit, in the order of the text, and the keyboard types the rest with the next keymap.
void tst_WaylandKeymap::bindsAsManyAsThereAreEmptyKeys() {
    const WaylandKeymap base = WaylandKeymap::fromNames("us");
    std::vector<std::uint32_t> keysyms;
    for (char32_t c = U'一'; c < U'一' + 1000; ++c) {
        keysyms.push_back(KeyToken::keysymOfCharacter(c));
    }
    const WaylandKeymap keymap = base.withKeysyms(keysyms);
    QVERIFY(keymap.isValid());
    QVERIFY2(keymap.addedCount() > 20 && keymap.addedCount() < 1000,
             qPrintable(QString::number(keymap.addedCount())));
    const auto fits = static_cast<std::size_t>(keymap.addedCount());
    QVERIFY(keymap.find(keysyms[fits - 1]));
    QVERIFY(!keymap.find(keysyms[fits]));
    const WaylandKeymap next =
        base.withKeysyms({keysyms.begin() + static_cast<std::ptrdiff_t>(fits), keysyms.end()});
    QVERIFY(next.find(keysyms[fits]));
}

// The layout as a compositor hands it out (text) gives the same keys as the names it came from;
// text that is no keymap gives an invalid one.
void tst_WaylandKeymap::readsTheCompositorsText() {
    const WaylandKeymap names = WaylandKeymap::fromNames("de");
    const WaylandKeymap text = WaylandKeymap::fromText(names.text());
    QVERIFY(text.isValid());
    for (const char32_t c : U"@µz°") {
        if (c == 0) {
            break;
        }
        const std::uint32_t keysym = KeyToken::keysymOfCharacter(c);
        QCOMPARE(text.find(keysym)->key, names.find(keysym)->key);
        QCOMPARE(text.find(keysym)->modifiers, names.find(keysym)->modifiers);
    }
    QVERIFY(!WaylandKeymap::fromText("xkb_keymap { nonsense").isValid());
    QVERIFY(!WaylandKeymap::fromText({}).isValid());
}

void tst_WaylandKeymap::parsesTheSetting_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("known");
    QTest::addColumn<DesktopBackend>("backend");
    QTest::newRow("missing") << QString() << true << DesktopBackend::Automatic;
    QTest::newRow("auto") << u"auto"_s << true << DesktopBackend::Automatic;
    QTest::newRow("X11 with spaces") << u" X11 "_s << true << DesktopBackend::X11;
    QTest::newRow("Wayland") << u"Wayland"_s << true << DesktopBackend::WaylandVirtualKeyboard;
    QTest::newRow("portal") << u"portal"_s << true << DesktopBackend::Portal;
    QTest::newRow("unknown") << u"mir"_s << false << DesktopBackend::Automatic;
}

void tst_WaylandKeymap::parsesTheSetting() {
    QFETCH(QString, value);
    QFETCH(bool, known);
    QFETCH(DesktopBackend, backend);
    const std::optional<DesktopBackend> parsed = DesktopBackends::parse(value);
    QCOMPARE(parsed.has_value(), known);
    if (known) {
        QCOMPARE(*parsed, backend);
    }
}

void tst_WaylandKeymap::triesBackendsInOrder_data() {
    QTest::addColumn<DesktopBackend>("setting");
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<bool>("x11");
    QTest::addColumn<std::vector<DesktopBackend>>("order");
    using B = DesktopBackend;
    QTest::newRow("X11 only") << B::Automatic << false << true << std::vector{B::X11};
    QTest::newRow("Wayland only") << B::Automatic << true << false
                                  << std::vector{B::WaylandVirtualKeyboard, B::Portal};
    QTest::newRow("Wayland with XWayland")
        << B::Automatic << true << true << std::vector{B::WaylandVirtualKeyboard, B::Portal, B::X11};
    QTest::newRow("forced portal") << B::Portal << true << false << std::vector{B::Portal};
    QTest::newRow("no display") << B::Automatic << false << false << std::vector<B>{};
    QTest::newRow("forced X11 under Wayland") << B::X11 << true << true << std::vector{B::X11};
    QTest::newRow("forced Wayland") << B::WaylandVirtualKeyboard << true << true
                                    << std::vector{B::WaylandVirtualKeyboard};
}

void tst_WaylandKeymap::triesBackendsInOrder() {
    QFETCH(DesktopBackend, setting);
    QFETCH(bool, wayland);
    QFETCH(bool, x11);
    QFETCH(std::vector<DesktopBackend>, order);
    QVERIFY(DesktopBackends::candidates(setting, wayland, x11) == order);
}

QTEST_GUILESS_MAIN(tst_WaylandKeymap)
#include "tst_WaylandKeymap.moc"
