#include "FakeHotkeyGrabber.h"
#include "ManualClock.h"
#include "TemporaryPreferences.h"
#include "services/HotkeyService.h"
#include "services/KeyPositions.h"
#include "ui/settings/ShortcutRecorderView.h"

#include <QKeyEvent>
#include <QTest>
#include <QWindow>

namespace {

// The X keycode of a key position, as the xcb platform reports it in nativeScanCode.
quint32 scanCode(int keyCode)
{
    return quint32(*KeyPositions::evdevCode(keyCode) + KeyPositions::xKeycodeOffset);
}

QKeyEvent press(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode)
{
    return QKeyEvent(QEvent::KeyPress, qtKey, modifiers, nativeScanCode, 0, 0);
}

} // namespace

/// Key presses become the stored combination, or are refused, passed on or end the recording, and
/// the application's own grabs are out of the way exactly while recording.
class TestShortcutRecorder : public QObject {
    Q_OBJECT

    ManualClock m_clock;
    std::unique_ptr<TemporaryPreferences> m_settings;
    std::unique_ptr<FakeHotkeyGrabber> m_grabber;
    std::unique_ptr<HotkeyService> m_hotkeys;
    std::unique_ptr<ShortcutRecorderView> m_recorder;
    int m_reloads = 0;

    ShortcutRecorderView &recorder() { return *m_recorder; }
    QByteArray stored() const { return m_settings->preferences.hotkeyCombo(); }
    void registerPanelHotkey(const KeyCombo &combo)
    {
        m_hotkeys->registerHotkey(1, 0, combo, [] {});
    }

private slots:
    void init()
    {
        m_settings = std::make_unique<TemporaryPreferences>();
        m_grabber = std::make_unique<FakeHotkeyGrabber>();
        m_hotkeys = std::make_unique<HotkeyService>(*m_grabber);
        m_recorder = std::make_unique<ShortcutRecorderView>(QStringLiteral("Open Quillbox"), m_settings->preferences,
            Preferences::Key::hotkeyCombo, KeyCombo::defaultCombo(), m_clock);
        m_reloads = 0;
        connect(m_recorder.get(), &ShortcutRecorderView::recorded, this, [this] { ++m_reloads; });
    }
    void cleanup()
    {
        m_recorder.reset();
        m_hotkeys.reset();
    }

    void keyPresses_data()
    {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("keyCode");
        QTest::addColumn<bool>("consumed");
        QTest::addColumn<bool>("stillRecording");
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QString>("shown"); // after recording, or the button while recording
        QTest::addColumn<bool>("hasMessage");

        const int superShift = int(Qt::MetaModifier | Qt::ShiftModifier);
        QTest::newRow("Super+Shift+K") << int(Qt::Key_K) << superShift << 40 << true << false
                                       << QByteArray(R"({"keyCode":40,"modifiers":768})") << "⌘ ⇧ K" << false;
        QTest::newRow("Ctrl+Alt+F5, a key without a name")
            << int(Qt::Key_F5) << int(Qt::ControlModifier | Qt::AltModifier) << 96 << true << false
            << QByteArray(R"({"keyCode":96,"modifiers":6144})") << "⌥ ⌃" << false;
        QTest::newRow("Super+Escape is recorded") << int(Qt::Key_Escape) << int(Qt::MetaModifier) << 53 << true << false
                                                  << QByteArray(R"({"keyCode":53,"modifiers":256})") << "⌘ ⎋" << false;
        // A layout that types Cyrillic still gives the key's position, not its character.
        QTest::newRow("Super+Shift on the K position in another layout")
            << int(0x043b) << superShift << 40 << true << false << QByteArray(R"({"keyCode":40,"modifiers":768})")
            << "⌘ ⇧ K" << false;
        QTest::newRow("V alone passes through")
            << int(Qt::Key_V) << 0 << 9 << false << true << QByteArray() << "Press keys..." << false;
        QTest::newRow("Escape alone cancels")
            << int(Qt::Key_Escape) << 0 << 53 << true << false << QByteArray() << "⌘ ⇧ V" << false;
        QTest::newRow("Shift alone is refused")
            << int(Qt::Key_A) << int(Qt::ShiftModifier) << 0 << true << true << QByteArray() << "Press keys..." << true;
        QTest::newRow("the layout fix's combination is refused")
            << int(Qt::Key_L) << superShift << 37 << true << true << QByteArray() << "Press keys..." << true;
        QTest::newRow("a modifier key on its own waits for the key")
            << int(Qt::Key_Shift) << int(Qt::ShiftModifier) << 9 << false << true << QByteArray() << "Press keys..."
            << false;
    }

    void keyPresses()
    {
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(int, keyCode);
        QFETCH(bool, consumed);
        QFETCH(bool, stillRecording);
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QFETCH(bool, hasMessage);

        recorder().startRecording();
        const QKeyEvent event = press(qtKey, Qt::KeyboardModifiers(modifiers), scanCode(keyCode));
        QCOMPARE(recorder().handleKeyPress(event), consumed);
        QCOMPARE(recorder().isRecording(), stillRecording);
        QCOMPARE(this->stored(), stored);
        QCOMPARE(m_reloads, stored.isEmpty() ? 0 : 1);
        QCOMPARE(recorder().buttonText(), shown);
        QCOMPARE(!recorder().message().isEmpty(), hasMessage);
    }

    void aKeyWithoutPositionIsRefused()
    {
        recorder().startRecording();
        // X keycode 255 is beyond every key of the position table.
        QVERIFY(recorder().handleKeyPress(press(Qt::Key_unknown, Qt::MetaModifier, 255)));
        QVERIFY(recorder().isRecording());
        QVERIFY(!recorder().message().isEmpty());
        QVERIFY(stored().isEmpty());
    }

    void aCombinationTheDesktopRefusesKeepsTheOldOne()
    {
        registerPanelHotkey(KeyCombo::defaultCombo());
        recorder().startRecording();
        m_grabber->refusal = HotkeyGrabber::GrabResult::taken;
        QVERIFY(recorder().handleKeyPress(press(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, scanCode(40))));
        QVERIFY(recorder().isRecording());
        QVERIFY(recorder().message().contains(QStringLiteral("another program")));
        QVERIFY(stored().isEmpty());
        QCOMPARE(m_reloads, 0);

        // Cancelled: the old combination is grabbed again as it was.
        m_grabber->refusal = HotkeyGrabber::GrabResult::ok;
        recorder().stopRecording();
        QVERIFY(m_hotkeys->isRegistered(1));
        QCOMPARE(m_grabber->grabs.at(1).keycode, scanCode(9));
        QCOMPARE(recorder().buttonText(), QStringLiteral("⌘ ⇧ V"));
    }

    void aRefusalTheDesktopGivesLaterIsShownThen()
    {
        registerPanelHotkey(KeyCombo::defaultCombo());
        m_grabber->answersLater = true; // kglobalaccel answers from the event loop
        recorder().startRecording();
        QVERIFY(recorder().handleKeyPress(press(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, scanCode(40))));
        QVERIFY(recorder().isRecording());
        QVERIFY(recorder().message().isEmpty());
        m_grabber->answer(0xFFFF'FFFF, HotkeyGrabber::GrabResult::taken);
        QVERIFY(recorder().message().contains(QStringLiteral("another program")));
        QVERIFY(stored().isEmpty());

        // The answer to an earlier press is moot once another key came.
        QVERIFY(recorder().handleKeyPress(press(Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier, scanCode(38))));
        QVERIFY(recorder().handleKeyPress(press(Qt::Key_H, Qt::MetaModifier | Qt::ShiftModifier, scanCode(4))));
        m_grabber->answer(0xFFFF'FFFF, HotkeyGrabber::GrabResult::ok);
        QVERIFY(!recorder().isRecording());
        QCOMPARE(recorder().buttonText(), QStringLiteral("⌘ ⇧ H"));
        QCOMPARE(stored(), KeyCombo({4, 768}).toJson());
        QCOMPARE(m_reloads, 1);
    }

    void ownGrabsAreReleasedExactlyWhileRecording()
    {
        registerPanelHotkey(KeyCombo::defaultCombo());
        m_hotkeys->registerHotkey(2, 0, KeyCombo{37, 768}, [] {});
        QCOMPARE(m_grabber->grabs.size(), 2u);
        recorder().startRecording();
        QVERIFY(m_grabber->grabs.empty());
        QVERIFY(m_hotkeys->isRegistered(1));
        recorder().handleKeyPress(press(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, scanCode(40)));
        // Back before the reload: the delegate then moves id 1 to the new combination.
        QCOMPARE(m_grabber->grabs.size(), 2u);
        QCOMPARE(m_reloads, 1);

        recorder().startRecording();
        QVERIFY(m_grabber->grabs.empty());
        m_recorder.reset(); // the window closed while recording
        QCOMPARE(m_grabber->grabs.size(), 2u);
    }

    void keysReachTheRecorderBeforeTheWindow()
    {
        QWindow window;
        recorder().startRecording();
        QKeyEvent event = press(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, scanCode(40));
        QVERIFY(QCoreApplication::sendEvent(&window, &event)); // consumed by the filter
        QCOMPARE(stored(), QByteArray(R"({"keyCode":40,"modifiers":768})"));
        // Not recording: the filter is gone and keys go their way.
        QKeyEvent later = press(Qt::Key_J, Qt::MetaModifier | Qt::ShiftModifier, scanCode(38));
        QCoreApplication::sendEvent(&window, &later);
        QCOMPARE(stored(), QByteArray(R"({"keyCode":40,"modifiers":768})"));
    }

    void silenceIsExplainedAfterAWhile()
    {
        recorder().startRecording();
        m_clock.advance(ShortcutRecorderView::silenceMs - 1);
        QVERIFY(recorder().message().isEmpty());
        // A refused key restarts the wait with its own message.
        recorder().handleKeyPress(press(Qt::Key_A, Qt::ShiftModifier, scanCode(0)));
        const QString refusal = recorder().message();
        m_clock.advance(ShortcutRecorderView::silenceMs - 1);
        QCOMPARE(recorder().message(), refusal);
        m_clock.advance(1);
        QVERIFY(recorder().message().contains(QStringLiteral("No key arrived")));

        // Stopped and started again: a fresh wait, and a message of its own only when due.
        recorder().stopRecording();
        recorder().startRecording();
        QVERIFY(recorder().message().isEmpty());
        m_clock.advance(ShortcutRecorderView::silenceMs);
        QVERIFY(!recorder().message().isEmpty());
    }

    void theStoredCombinationIsShownAndAnUnreadableOneIsNot()
    {
        m_settings->preferences.setHotkeyCombo(R"({"keyCode":40,"modifiers":4352})");
        recorder().loadCombo();
        QCOMPARE(recorder().buttonText(), QStringLiteral("⌘ ⌃ K"));
        m_settings->preferences.setHotkeyCombo("not json");
        recorder().loadCombo();
        QCOMPARE(recorder().buttonText(), QStringLiteral("⌘ ⌃ K"));
    }
};

QTEST_MAIN(TestShortcutRecorder)
#include "test_shortcut_recorder.moc"
