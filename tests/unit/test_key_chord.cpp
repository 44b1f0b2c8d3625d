#include "KeyChord.h"

#include <QTest>

#include <linux/input-event-codes.h>

Q_DECLARE_METATYPE(QList<unsigned>)

class TestKeyChord : public QObject {
    Q_OBJECT
private slots:
    void keysOfAChord_data();
    void keysOfAChord();
    void namesNoKeyTypesAreRefused_data();
    void namesNoKeyTypesAreRefused();
};

void TestKeyChord::keysOfAChord_data()
{
    QTest::addColumn<QString>("chord");
    QTest::addColumn<QList<unsigned>>("modifiers");
    QTest::addColumn<unsigned>("key");

    QTest::newRow("paste") << "ctrl+v" << QList<unsigned> { KEY_LEFTCTRL } << unsigned(KEY_V);
    // Held in the order named: the language fix's hotkey.
    QTest::newRow("modifiers in order") << "super+shift+l" << QList<unsigned> { KEY_LEFTMETA, KEY_LEFTSHIFT }
                                        << unsigned(KEY_L);
    QTest::newRow("alt") << "alt+Tab" << QList<unsigned> { KEY_LEFTALT } << unsigned(KEY_TAB);
    QTest::newRow("spaces and case") << " Control + v " << QList<unsigned> { KEY_LEFTCTRL } << unsigned(KEY_V);
    QTest::newRow("named key") << "Return" << QList<unsigned> {} << unsigned(KEY_ENTER);
    QTest::newRow("a modifier alone") << "shift" << QList<unsigned> {} << unsigned(KEY_LEFTSHIFT);
    QTest::newRow("named key, lower case") << "return" << QList<unsigned> {} << unsigned(KEY_ENTER);
    QTest::newRow("digit is the top row, not the keypad") << "1" << QList<unsigned> {} << unsigned(KEY_1);
    // A shifted symbol is typed with shift, once.
    QTest::newRow("capital") << "A" << QList<unsigned> { KEY_LEFTSHIFT } << unsigned(KEY_A);
    QTest::newRow("capital with shift named") << "shift+A" << QList<unsigned> { KEY_LEFTSHIFT } << unsigned(KEY_A);
    QTest::newRow("shifted symbol") << "ctrl+exclam" << QList<unsigned> { KEY_LEFTCTRL, KEY_LEFTSHIFT }
                                    << unsigned(KEY_1);
    QTest::newRow("modifier named twice") << "ctrl+control+a" << QList<unsigned> { KEY_LEFTCTRL } << unsigned(KEY_A);
}

void TestKeyChord::keysOfAChord()
{
    QFETCH(QString, chord);
    QFETCH(QList<unsigned>, modifiers);
    QFETCH(unsigned, key);

    const std::optional<KeyChord> parsed = KeyChord::parse(chord);
    QVERIFY(parsed);
    QCOMPARE(parsed->modifiers, modifiers);
    QCOMPARE(parsed->key, key);
}

void TestKeyChord::namesNoKeyTypesAreRefused_data()
{
    QTest::addColumn<QString>("chord");
    QTest::newRow("empty") << "";
    QTest::newRow("no key after the modifier") << "ctrl+";
    QTest::newRow("unknown modifier") << "hyper+v";
    QTest::newRow("unknown key") << "ctrl+nosuchkey";
    // A person with a US keyboard has no key for it; the layout decides what a key types.
    QTest::newRow("keysym of another layout") << "Cyrillic_er";
}

void TestKeyChord::namesNoKeyTypesAreRefused()
{
    QFETCH(QString, chord);
    QVERIFY(!KeyChord::parse(chord));
}

QTEST_GUILESS_MAIN(TestKeyChord)
#include "test_key_chord.moc"
