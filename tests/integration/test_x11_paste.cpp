// Synthetic Control+V against a real X server: XTest pastes into a window of this test's own, also while
// another modifier is still held, and the xdotool fallback does the same; held keys are seen.

#include "ChordReport.h"
#include "platform/JournalSystemLog.h"
#include "platform/XdotoolScriptRunner.h"
#include "platform/x11/X11KeySynthesizer.h"
#include "services/KeyCombo.h"
#include "services/PasteService.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>

namespace {

/// Takes what a text field would: the clipboard on the platform's paste shortcut.
class PasteTarget : public QWindow {
public:
    QString text;
    Qt::KeyboardModifiers lastModifiersOfV;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_V)
            lastModifiersOfV = event->modifiers();
        if (event->matches(QKeySequence::Paste))
            text += QGuiApplication::clipboard()->text();
    }
};

/// The user's keyboard, played by a client of its own.
class Keyboard {
public:
    Keyboard()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
    }
    ~Keyboard() { xcb_disconnect(m_connection); }

    void set(xcb_keycode_t keycode, bool down)
    {
        xcb_test_fake_input(
            m_connection, down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, keycode, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    bool isDown(xcb_keycode_t keycode)
    {
        xcb_query_keymap_reply_t *reply = xcb_query_keymap_reply(m_connection, xcb_query_keymap(m_connection), nullptr);
        const bool down = reply && (reply->keys[keycode / 8] & (1 << (keycode % 8)));
        std::free(reply);
        return down;
    }

private:
    xcb_connection_t *m_connection;
};

constexpr xcb_keycode_t shiftL = 42 + 8;
constexpr xcb_keycode_t superL = 125 + 8;

} // namespace

class TestX11Paste : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_target = std::make_unique<PasteTarget>();
        m_target->resize(300, 100);
        m_target->show();
        m_target->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_target.get()));
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted ✓"));
    }
    void cleanup()
    {
        m_target.reset();
        Keyboard user; // a failed run must not leave modifiers down for the next test
        user.set(shiftL, false);
        user.set(superL, false);
    }

    void xtestPastesEvenWithModifiersHeld()
    {
        X11KeySynthesizer keys;
        QVERIFY(keys.isAvailable());
        QVERIFY(keys.hasConnection());
        QCOMPARE(pressAtOnce(keys, 9, KeyCombo::controlKey), std::optional(true));
        QTRY_COMPARE(m_target->text, QStringLiteral("pasted ✓"));

        // Right after Super+Shift+L the user still holds both; they must not reach the target.
        Keyboard user;
        user.set(shiftL, true);
        user.set(superL, true);
        QVERIFY(user.isDown(shiftL) && user.isDown(superL));
        QCOMPARE(pressAtOnce(keys, 9, KeyCombo::controlKey), std::optional(true));
        QTRY_COMPARE(m_target->text, QStringLiteral("pasted ✓pasted ✓"));
        QCOMPARE(m_target->lastModifiersOfV, Qt::ControlModifier);
        QVERIFY(!user.isDown(shiftL) && !user.isDown(superL));

        QCOMPARE(pressAtOnce(keys, 0x34, KeyCombo::controlKey), std::optional(false)); // no key has this position
    }

    void heldKeysAreSeen()
    {
        X11KeySynthesizer keys;
        constexpr std::uint32_t superShift = KeyCombo::cmdKey | KeyCombo::shiftKey;
        constexpr xcb_keycode_t l = 38 + 8;
        Keyboard user;
        QVERIFY(!keys.isAnyKeyDown(37, superShift));
        user.set(l, true);
        QVERIFY(keys.isAnyKeyDown(37, superShift));
        QVERIFY(!keys.isAnyKeyDown(9, superShift)); // V is not held
        user.set(l, false);
        user.set(superL, true);
        QVERIFY(keys.isAnyKeyDown(37, superShift));
        QVERIFY(!keys.isAnyKeyDown(37, KeyCombo::shiftKey));
        user.set(superL, false);
        QVERIFY(!keys.isAnyKeyDown(37, superShift));
    }

    void pasteServiceUsesXTestThenTheScriptFallback()
    {
        QTemporaryDir dir;
        X11KeySynthesizer keys;
        JournalSystemLog journal;
        XdotoolScriptRunner script;
        PasteService(keys, journal, script, dir.filePath(QStringLiteral("log"))).simulatePaste();
        QTRY_COMPARE(m_target->text, QStringLiteral("pasted ✓"));

        std::optional<ScriptRunner::Result> viaXdotool;
        script.runPaste(
            PasteService::controlV, [&viaXdotool](const ScriptRunner::Result &result) { viaXdotool = result; });
        QTRY_VERIFY(viaXdotool);
        QVERIFY2(viaXdotool->success, qPrintable(viaXdotool->error));
        QTRY_COMPARE(m_target->text, QStringLiteral("pasted ✓pasted ✓"));

        QProcessEnvironment bare;
        bare.insert(QStringLiteral("DISPLAY"), qEnvironmentVariable("DISPLAY"));
        bare.insert(QStringLiteral("PATH"), dir.path());
        std::optional<ScriptRunner::Result> missing;
        XdotoolScriptRunner(2000, bare)
            .runPaste(PasteService::controlV, [&missing](const ScriptRunner::Result &result) { missing = result; });
        QVERIFY(missing && !missing->success);
        QCOMPARE(missing->error, QStringLiteral("not installed"));
    }

private:
    std::unique_ptr<PasteTarget> m_target;
};

QTEST_MAIN(TestX11Paste)
#include "test_x11_paste.moc"
