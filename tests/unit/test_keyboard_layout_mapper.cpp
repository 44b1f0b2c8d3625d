#include "platform/x11/XkbKeyboardLayouts.h"
#include "services/KeyboardLayoutMapper.h"

#include <QTest>

using Mapper = KeyboardLayoutMapper;

namespace {

const LayoutInfo us{QStringLiteral("us"), {}};
const LayoutInfo ru{QStringLiteral("ru"), {}};
const LayoutInfo de{QStringLiteral("de"), {}};
const LayoutInfo fr{QStringLiteral("fr"), {}};
const LayoutInfo ua{QStringLiteral("ua"), {}};

// Layout "a" types a space, a tab and a line feed on keys 0-2; layout "b" types letters there.
class WhitespaceLayouts : public KeyboardLayouts {
public:
    QList<LayoutInfo> layouts() const override { return {{"a", "A"}, {"b", "B"}}; }
    KeyTable keyTable(const LayoutInfo &layout) const override
    {
        const QString keys = layout.id == u"a" ? QStringLiteral(" \t\n") : QStringLiteral("XYZ");
        return [keys](int keyCode, bool shift) -> std::optional<QChar> {
            if (shift || keyCode >= keys.size())
                return std::nullopt;
            return keys.at(keyCode);
        };
    }
};

// A keymap in the text form a Wayland compositor sends (xkbcommon writes no section names): the A
// key in each group, on the keycode evdev gives it.
QByteArray sentKeymap(const QList<QByteArray> &groupNames)
{
    static const QList<QByteArray> letters{"a, A", "Cyrillic_ef, Cyrillic_EF", "q, Q"};
    QByteArray names;
    QByteArray keys;
    for (qsizetype i = 0; i < groupNames.size(); ++i) {
        const QByteArray group = QByteArray::number(i + 1);
        if (!groupNames.at(i).isEmpty())
            names += "name[Group" + group + "]=\"" + groupNames.at(i) + "\";\n";
        keys += (i ? ", " : "") + QByteArray("symbols[Group") + group + "]= [ " + letters.at(i) + " ]";
    }
    return "xkb_keymap {\n"
           "xkb_keycodes \"(unnamed)\" { minimum = 8; maximum = 255; <AC01> = 38; };\n"
           "xkb_types \"(unnamed)\" { type \"ALPHABETIC\" { modifiers= Shift+Lock; map[Shift]= 2; "
           "map[Lock]= 2; level_name[1]= \"Base\"; level_name[2]= \"Caps\"; }; };\n"
           "xkb_compatibility \"(unnamed)\" { };\n"
           "xkb_symbols \"(unnamed)\" {\n"
        + names + "key <AC01> { type= \"ALPHABETIC\", " + keys + " };\n};\n};\n";
}

} // namespace

class TestKeyboardLayoutMapper : public QObject {
    Q_OBJECT

    const XkbKeyboardLayouts m_layouts{{"us", "ru", "de", "fr", "ua"}};

private slots:
    void layoutsFromNames()
    {
        const XkbKeyboardLayouts layouts({"us", "xx-none", "de(nodeadkeys)", "ru"});
        const QList<LayoutInfo> installed = Mapper::installedLayouts(layouts);
        QCOMPARE(installed.size(), 3);
        QCOMPARE(installed.at(0).id, u"us");
        QCOMPARE(installed.at(0).name, u"English (US)");
        QCOMPARE(installed.at(1).id, u"de(nodeadkeys)");
        QCOMPARE(installed.at(1).name, u"German (no dead keys)");
        QCOMPARE(installed.at(2).name, u"Russian");
        // The variant is honoured: no dead circumflex left on the key left of 1.
        QCOMPARE(Mapper::keyCodeToCharacterMap(installed.at(1), layouts).value("50-0"), u'^');
    }

    void layoutsFromASentKeymap_data()
    {
        QTest::addColumn<QList<QByteArray>>("groupNames");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("two layouts") << QList<QByteArray>{"English (US)", "Russian"}
                                     << QStringList{"English (US)", "Russian"};
        QTest::newRow("a group without a name")
            << QList<QByteArray>{"English (US)", "", "German"} << QStringList{"English (US)", "German"};
        // What a virtual keyboard (wtype) makes the seat's keymap while it types.
        QTest::newRow("no names") << QList<QByteArray>{""} << QStringList();
    }

    void layoutsFromASentKeymap()
    {
        QFETCH(QList<QByteArray>, groupNames);
        QFETCH(QStringList, ids);
        const XkbKeyboardLayouts layouts([&] { return sentKeymap(groupNames); });
        QStringList found;
        for (const LayoutInfo &layout : layouts.layouts())
            found.append(layout.id);
        QCOMPARE(found, ids);
    }

    void aSentKeymapIsAskedForOnEveryCall()
    {
        QByteArray sent;
        const XkbKeyboardLayouts layouts([&] { return sent; });
        QVERIFY(layouts.layouts().isEmpty());
        sent = sentKeymap({"English (US)", "Russian"});
        const QList<LayoutInfo> installed = layouts.layouts();
        QCOMPARE(installed.size(), 2);
        // The second group's keys, not the first's: each layout keeps its own group.
        QCOMPARE(Mapper::convert("aA", installed.at(0), installed.at(1), layouts), u"фФ");
        sent = "not a keymap";
        QVERIFY(layouts.layouts().isEmpty());
    }

    void convert_data()
    {
        QTest::addColumn<LayoutInfo>("from");
        QTest::addColumn<LayoutInfo>("to");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("us-ru") << us << ru << "ghbdtn"
                               << "привет";
        QTest::newRow("shift carries over") << us << ru << "Ghbdtn"
                                            << "Привет";
        QTest::newRow("punctuation keys") << us << ru << "z [jxe"
                                          << "я хочу";
        QTest::newRow("sentence") << us << ru << "Ghbdtn? ,tp ghj,ktv"
                                  << "Привет, без проблем";
        QTest::newRow("ru-us") << ru << us << "руддщ"
                               << "hello";
        QTest::newRow("us-ua") << us << ua << "ghbdsn"
                               << "привіт";
        QTest::newRow("whitespace") << us << ru << "a b\tc\nd"
                                    << "ф и\tс\nв";
        QTest::newRow("CR LF is one character") << us << ru << "a\r\nb"
                                                << "ф\r\nи";
        QTest::newRow("unknown to the source") << us << ru << "ж👋🏽d"
                                               << "ж👋🏽в";
        QTest::newRow("qwertz") << de << us << "Zy"
                                << "Yz";
        QTest::newRow("dead key types its accent") << de << us << "^"
                                                   << "`";
        QTest::newRow("canonically equal") << fr << us << QString::fromUtf8("cafe\u0301 caf\u00E9") << "cqf2 cqf2";
    }

    void convert()
    {
        QFETCH(LayoutInfo, from);
        QFETCH(LayoutInfo, to);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(Mapper::convert(text, from, to, m_layouts), expected);
    }

    void whitespaceIsNeverLookedUp()
    {
        const WhitespaceLayouts layouts;
        QCOMPARE(Mapper::convert(" \t\n", {"a", {}}, {"b", {}}, layouts), u" \t\n");
    }

    void keyOrder()
    {
        // "/" in ru: the ISO key (10) before Shift+backslash (42) and keypad divide (75).
        QCOMPARE(Mapper::characterToKeyCodeMap(ru, m_layouts).value("/"), (KeyStroke{0x0A, false}));
        const QHash<QString, KeyStroke> english = Mapper::characterToKeyCodeMap(us, m_layouts);
        QCOMPARE(english.value("*"), (KeyStroke{0x1C, true})); // before keypad multiply
        QCOMPARE(english.value("\r"), (KeyStroke{0x24, false})); // Return before keypad Enter
        QCOMPARE(english.value(" "), (KeyStroke{0x31, false})); // both states type a space
        QCOMPARE(english.value("Q"), (KeyStroke{0x0C, true}));

        const QHash<QString, QChar> keys = Mapper::keyCodeToCharacterMap(us, m_layouts);
        QCOMPARE(keys.value("12-0"), u'q');
        QCOMPARE(keys.value("12-1"), u'Q');
        for (auto it = keys.cbegin(); it != keys.cend(); ++it) {
            const QStringList parts = it.key().split(u'-');
            QVERIFY2(parts.size() == 2 && parts.at(0).toInt() <= 127 && (parts.at(1) == u"0" || parts.at(1) == u"1"),
                qPrintable(it.key()));
        }
    }

    void charactersBeyondTheBasicPlane()
    {
        // Old Hungarian letters lie above U+FFFF; their keys type nothing, the digits still do.
        const XkbKeyboardLayouts layouts({"hu(oldhunlig)"});
        const QHash<QString, QChar> keys = Mapper::keyCodeToCharacterMap(layouts.layouts().value(0), layouts);
        QVERIFY(!keys.isEmpty());
        QVERIFY(!keys.contains("12-0"));
        QVERIFY(!keys.contains("12-1"));
    }

    void layoutWithoutKeyData()
    {
        const LayoutInfo missing{"zz", "Nowhere"};
        QVERIFY(Mapper::keyCodeToCharacterMap(missing, m_layouts).isEmpty());
        QVERIFY(Mapper::characterToKeyCodeMap(missing, m_layouts).isEmpty());
        QCOMPARE(Mapper::convert("ghbdtn!", missing, ru, m_layouts), u"ghbdtn!");
        QCOMPARE(Mapper::convert("", us, ru, m_layouts), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestKeyboardLayoutMapper)
#include "test_keyboard_layout_mapper.moc"
