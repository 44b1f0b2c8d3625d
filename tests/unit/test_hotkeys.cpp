#include "FakeHotkeyGrabber.h"
#include "StdoutCapture.h"
#include "services/HotkeyGrabber.h"
#include "services/HotkeyService.h"
#include "services/KeyCombo.h"

#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

#include <cstdio>
#include <map>

namespace {

constexpr std::uint32_t panelSignature = fourCharCode("QLBX");
const KeyCombo superShiftV = KeyCombo::defaultCombo();
const KeyCombo superShiftL{37, 768};
using GrabResult = HotkeyGrabber::GrabResult;

} // namespace

Q_DECLARE_METATYPE(KeyCombo)

class TestHotkeys : public QObject {
    Q_OBJECT

private slots:
    void displayString_data()
    {
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Super+Shift+V") << 9u << 768u << "⌘ ⇧ V";
        QTest::newRow("all four, fixed order") << 9u << 6912u << "⌘ ⇧ ⌥ ⌃ V";
        QTest::newRow("other bits dropped") << 9u << (768u | 1024u | 1u) << "⌘ ⇧ V";
        QTest::newRow("unnamed key") << 122u << 256u << "⌘";
        QTest::newRow("nothing") << 122u << 0u << "";
        QTest::newRow("digit") << 29u << 4096u << "⌃ 0";
        QTest::newRow("named key") << 49u << 2048u << "⌥ Space";
        QTest::newRow("forward delete") << 117u << 0u << "⌦";
    }

    void displayString()
    {
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, expected);
        QCOMPARE(KeyCombo({keyCode, modifiers}).displayString(), expected);
    }

    void storedForm_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("refusal"); // the log line; empty for none
        QTest::newRow("Control+Super+L") << QByteArray(R"({"keyCode":37,"modifiers":4352})") << 37u << 4352u << "";
        QTest::newRow("Super+Shift+V") << QByteArray(R"({"keyCode":9,"modifiers":768})") << 9u << 768u << "";
        QTest::newRow("Shift+Alt") << QByteArray(R"({"keyCode":9,"modifiers":2560})") << 9u << 2560u << "";
        QTest::newRow("any order, extra member")
            << QByteArray(R"({"x":"y","modifiers":2048,"keyCode":122})") << 122u << 2048u << "";
        QTest::newRow("absent") << QByteArray() << 9u << 768u << "";
        // Unreadable values fall back with the same report as refused ones, shown safely.
        const auto unreadable = [](const char *name, const QByteArray &json, const QString &shown) {
            QTest::newRow(name) << json << 9u << 768u
                                << QStringLiteral("[HotkeyService] Refused stored hotkey %1 (it is not a key "
                                                  "combination); using ⌘ ⇧ V")
                                       .arg(shown);
        };
        for (const char *json :
            {R"({"keyCode":37})", R"({"keyCode":-1,"modifiers":0})", R"({"keyCode":4294967296,"modifiers":4096})",
                R"({"keyCode":37.5,"modifiers":0})", R"({"keyCode":"37","modifiers":0})", "[37,4352]"})
            unreadable(json, json, QString::fromUtf8(json));
        unreadable("not JSON", "\x01\x02", QStringLiteral("\uFFFD\uFFFD"));
        unreadable("long", QByteArray(100, 'x'), QString(79, u'x') + QChar(0x2026));
        const auto refused = [](const char *name, const char *json) {
            QTest::newRow(name) << QByteArray(json) << 9u << 768u
                                << QStringLiteral("[HotkeyService] Refused stored hotkey %1 (a global hotkey needs "
                                                  "Super, Alt or Control and a known key); using ⌘ ⇧ V")
                                       .arg(QString::fromUtf8(json));
        };
        refused("bare key", R"({"keyCode":0,"modifiers":0})");
        refused("Shift only", R"({"keyCode":0,"modifiers":512})");
        refused("Shift and bits without meaning", R"({"keyCode":0,"modifiers":1536})");
        refused("key position without a key", R"({"keyCode":63,"modifiers":256})");
        refused("largest key code", R"({"keyCode":4294967295,"modifiers":4096})");
    }

    void storedForm()
    {
        QFETCH(QByteArray, json);
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, refusal);
        StdoutCapture capture;
        QCOMPARE(KeyCombo::fromStored(json), KeyCombo({keyCode, modifiers}));
        QCOMPARE(capture.finish(), refusal.isEmpty() ? QStringList() : QStringList(refusal));
        QCOMPARE(KeyCombo::fromStored(KeyCombo{keyCode, modifiers}.toJson()), KeyCombo({keyCode, modifiers}));
        QCOMPARE(KeyCombo({37, 4352}).toJson(), QByteArray(R"({"keyCode":37,"modifiers":4352})"));
    }

    void keysText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("keyCode");
        QTest::addColumn<quint32>("modifiers");
        QTest::addColumn<QString>("canonical"); // empty: the text names no combination
        QTest::newRow("ctrl+v") << "ctrl+v" << 9u << 4096u << "ctrl+v";
        QTest::newRow("modifiers in any order and case") << " Shift+Control+V " << 9u << 4608u << "ctrl+shift+v";
        QTest::newRow("insert is the Help position") << "shift+insert" << 0x72u << 512u << "shift+Insert";
        QTest::newRow("alt, super, digit") << "super+alt+1" << 18u << 2304u << "alt+super+1";
        QTest::newRow("key only") << "k" << 40u << 0u << "k";
        QTest::newRow("unknown modifier") << "hyper+v" << 0u << 0u << "";
        QTest::newRow("unnamed key") << "ctrl+Return" << 0u << 0u << "";
        QTest::newRow("no key") << "ctrl+" << 0u << 0u << "";
        QTest::newRow("empty") << "" << 0u << 0u << "";
    }

    void keysText()
    {
        QFETCH(QString, text);
        QFETCH(quint32, keyCode);
        QFETCH(quint32, modifiers);
        QFETCH(QString, canonical);
        const auto combo = KeyCombo::fromKeysText(text);
        QCOMPARE(combo.has_value(), !canonical.isEmpty());
        if (!combo)
            return;
        QCOMPARE(*combo, KeyCombo({keyCode, modifiers}));
        QCOMPARE(combo->keysText(), canonical);
        QCOMPARE(KeyCombo::fromKeysText(canonical), combo);
    }

    void replacingARegistration()
    {
        FakeHotkeyGrabber grabber;
        StdoutCapture capture;
        HotkeyService service(grabber);
        QCOMPARE(HotkeyService::shared(), &service);
        int first = 0;
        int second = 0;
        service.registerHotkey(1, panelSignature, {9, 768 | 1024}, [&] { ++first; });
        service.registerHotkey(1, panelSignature, superShiftL, [&] { ++second; });
        grabber.press(1);
        QCOMPARE(second, 0); // never inside the grabber's callback
        QTRY_COMPARE(second, 1);
        QCOMPARE(capture.finish(),
            QStringList({"[HotkeyService] X11 handler installed", "[HotkeyService] Registered hotkey id=1 combo=⌘ ⇧ V",
                "[HotkeyService] Unregistered hotkey id=1", "[HotkeyService] Registered hotkey id=1 combo=⌘ ⇧ L"}));
        QCOMPARE(first, 0);
        QCOMPARE(grabber.grabs.size(), std::size_t(1));
        QCOMPARE(grabber.grabs.at(1).keycode, 38u + 8u); // evdev KEY_L + 8
        QCOMPARE(grabber.grabs.at(1).modifiers, 768u);
    }

    void failedRegistrationLeavesNothing_data()
    {
        QTest::addColumn<KeyCombo>("combo");
        QTest::addColumn<GrabResult>("refusal");
        QTest::addColumn<QString>("line");
        // The line keeps X's numbers for the refusals it names (BadAccess, BadValue).
        QTest::newRow("held by another client")
            << superShiftL << GrabResult::taken << "[HotkeyService] Failed to register hotkey id=1: 10";
        QTest::newRow("key the desktop cannot name")
            << superShiftL << GrabResult::noSuchKey << "[HotkeyService] Failed to register hotkey id=1: 2";
        QTest::newRow("key without an X keycode")
            << KeyCombo{0x3F, 256} << GrabResult::ok << "[HotkeyService] Failed to register hotkey id=1: 2";
        QTest::newRow("no desktop service")
            << superShiftL << GrabResult::unavailable << "[HotkeyService] Failed to register hotkey id=1: -1";
    }

    void failedRegistrationLeavesNothing()
    {
        QFETCH(KeyCombo, combo);
        QFETCH(GrabResult, refusal);
        QFETCH(QString, line);
        FakeHotkeyGrabber grabber;
        HotkeyService service(grabber);
        bool ran = false;
        service.registerHotkey(1, panelSignature, superShiftV, [&] { ran = true; });
        grabber.refusal = refusal;

        StdoutCapture capture;
        service.registerHotkey(1, panelSignature, combo, [&] { ran = true; });
        grabber.press(1);
        QTest::qWait(0);
        QCOMPARE(capture.finish(),
            QStringList(
                {"[HotkeyService] Unregistered hotkey id=1", line, "[HotkeyService] No handler for hotkey id=1"}));
        QVERIFY(!ran);
        QVERIFY(!service.isRegistered(1));
        QVERIFY(!service.hasHandler(1));
        QVERIFY(grabber.grabs.empty());
    }

    void unregistering()
    {
        FakeHotkeyGrabber grabber;
        HotkeyService service(grabber);
        service.registerHotkey(2, fourCharCode("LANG"), superShiftL, [] {});
        service.registerHotkey(1, panelSignature, superShiftV, [] {});

        StdoutCapture capture;
        service.unregister(7);
        QVERIFY(capture.finish().isEmpty());
        QVERIFY(service.hasHandler(1) && service.hasHandler(2));

        StdoutCapture all;
        service.unregister();
        service.unregister(2);
        grabber.press(1);
        QTest::qWait(0);
        QCOMPARE(all.finish(),
            QStringList({"[HotkeyService] Unregistered hotkey id=1", "[HotkeyService] Unregistered hotkey id=2",
                "[HotkeyService] No handler for hotkey id=1"}));
        QVERIFY(grabber.grabs.empty());
        QVERIFY(!service.hasHandler(1) && !service.hasHandler(2));
    }

    void suspendedGrabsComeBackOrAreDroppedWithTheFailureLine()
    {
        FakeHotkeyGrabber grabber;
        HotkeyService service(grabber);
        service.registerHotkey(1, panelSignature, superShiftV, [] {});
        service.registerHotkey(2, fourCharCode("LANG"), superShiftL, [] {});
        service.suspendGrabs();
        QVERIFY(grabber.grabs.empty());
        QVERIFY(service.isRegistered(1) && service.hasHandler(2));

        // Registered while suspended: checked now, held only once the grabs come back.
        const KeyCombo superShiftK{40, 768};
        service.registerHotkey(1, panelSignature, superShiftK, [] {});
        QVERIFY(service.isRegistered(1));
        QVERIFY(grabber.grabs.empty());
        // A probe gives back what it took.
        QList<GrabResult> answers;
        QObject context;
        service.probe(superShiftV, &context, [&](GrabResult result) { answers << result; });
        QCOMPARE(answers, QList{GrabResult::ok});
        QVERIFY(grabber.grabs.empty());

        service.resumeGrabs();
        QCOMPARE(grabber.grabs.size(), 2u);
        QCOMPARE(grabber.grabs.at(1).keycode, 45u); // X keycode of K

        service.suspendGrabs();
        grabber.refusal = GrabResult::taken; // another client took them meanwhile
        service.probe(superShiftK, &context, [&](GrabResult result) { answers << result; });
        QCOMPARE(answers, QList({GrabResult::ok, GrabResult::taken}));
        StdoutCapture capture;
        service.resumeGrabs();
        QCOMPARE(capture.finish(),
            QStringList({"[HotkeyService] Failed to register hotkey id=1: 10",
                "[HotkeyService] Failed to register hotkey id=2: 10"}));
        QVERIFY(!service.isRegistered(1) && !service.hasHandler(1) && !service.hasHandler(2));
    }

    void aDesktopThatAnswersLaterIsBelievedOnlyThen()
    {
        FakeHotkeyGrabber grabber;
        grabber.answersLater = true;
        HotkeyService service(grabber);
        int ran = 0;
        StdoutCapture capture;
        service.registerHotkey(1, panelSignature, superShiftV, [&] { ++ran; });
        service.registerHotkey(2, fourCharCode("LANG"), superShiftL, [] {});
        QVERIFY(!service.isRegistered(1));
        // The desktop may deliver a press before its answer.
        grabber.press(1);
        QTRY_COMPARE(ran, 1);

        grabber.answer(1, GrabResult::ok);
        grabber.answer(2, GrabResult::taken);
        QVERIFY(service.isRegistered(1));
        QVERIFY(!service.isRegistered(2) && !service.hasHandler(2));
        // A granted grab the desktop takes back later (a portal that was declined) is dropped too.
        grabber.answer(1, GrabResult::unavailable);
        QVERIFY(!service.isRegistered(1) && !service.hasHandler(1));
        // An answer to nothing asked for changes nothing.
        grabber.answer(3, GrabResult::taken);
        QCOMPARE(capture.finish(),
            QStringList({"[HotkeyService] Registered hotkey id=1 combo=⌘ ⇧ V",
                "[HotkeyService] Failed to register hotkey id=2: 10",
                "[HotkeyService] Failed to register hotkey id=1: -1"}));

        // Unregistered before the answer: nothing is held, and nothing is said.
        StdoutCapture quiet;
        service.registerHotkey(1, panelSignature, superShiftV, [] {});
        service.unregister(1);
        QVERIFY(quiet.finish().isEmpty());
        QVERIFY(grabber.grabs.empty() && !service.hasHandler(1));
    }

    void aProbeTheDesktopAnswersLaterAnswersOnce()
    {
        FakeHotkeyGrabber grabber;
        grabber.answersLater = true;
        HotkeyService service(grabber);
        QList<GrabResult> answers;
        auto context = std::make_unique<QObject>();
        service.probe(superShiftV, context.get(), [&](GrabResult result) { answers << result; });
        QVERIFY(answers.isEmpty());
        QCOMPARE(grabber.grabs.size(), 1u);
        grabber.answer(0xFFFF'FFFF, GrabResult::ok);
        QCOMPARE(answers, QList{GrabResult::ok});
        QVERIFY(grabber.grabs.empty()); // given back once answered

        // A newer probe supersedes the one still waiting; a caller gone meanwhile hears nothing.
        service.probe(superShiftV, context.get(), [&](GrabResult) { answers << GrabResult::pending; });
        service.probe(superShiftL, context.get(), [&](GrabResult result) { answers << result; });
        grabber.answer(0xFFFF'FFFF, GrabResult::taken);
        QCOMPARE(answers, QList({GrabResult::ok, GrabResult::taken}));
        service.probe(superShiftL, context.get(), [&](GrabResult result) { answers << result; });
        context.reset();
        grabber.answer(0xFFFF'FFFF, GrabResult::ok);
        QCOMPARE(answers.size(), 2);
    }

    void pressesGoToTheNewestService()
    {
        FakeHotkeyGrabber grabber;
        HotkeyService older(grabber);
        int olderRan = 0;
        older.registerHotkey(1, panelSignature, superShiftV, [&] { ++olderRan; });
        FakeHotkeyGrabber otherGrabber;
        {
            HotkeyService newer(otherGrabber);
            int newerRan = 0;
            newer.registerHotkey(1, panelSignature, superShiftV, [&] { ++newerRan; });
            grabber.press(1);
            QTRY_COMPARE(newerRan, 1);
            QCOMPARE(olderRan, 0);
        }
        QCOMPARE(HotkeyService::shared(), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestHotkeys)
#include "test_hotkeys.moc"
