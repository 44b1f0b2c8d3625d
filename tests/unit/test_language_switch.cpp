#include "FakeHotkeyGrabber.h"
#include "FakePasteboard.h"
#include "FakeWorkspace.h"
#include "ManualClock.h"
#include "RecordingSystemLog.h"
#include "StdoutCapture.h"
#include "platform/x11/XkbKeyboardLayouts.h"
#include "services/HotkeyGrabber.h"
#include "services/HotkeyService.h"
#include "services/KeyCombo.h"
#include "services/KeySynthesizer.h"
#include "services/LanguageSwitchService.h"
#include "services/PrimarySelection.h"
#include "services/SystemLog.h"
#include "services/TerminalPasteChords.h"

#include <QSignalSpy>

#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

#include <cstdio>

namespace {

// Each layout types the characters of its string on keys 0, 1, 2, ...; nothing with Shift.
class StringLayouts : public KeyboardLayouts {
public:
    explicit StringLayouts(QList<std::pair<QString, QString>> layouts)
        : m_layouts(std::move(layouts))
    {
    }
    QList<LayoutInfo> layouts() const override
    {
        QList<LayoutInfo> result;
        for (const auto &[id, keys] : m_layouts)
            result.append({id, id.toUpper()});
        return result;
    }
    KeyTable keyTable(const LayoutInfo &layout) const override
    {
        for (const auto &[id, keys] : m_layouts) {
            if (id == layout.id)
                return [keys](int keyCode, bool shift) -> std::optional<QChar> {
                    return shift || keyCode >= keys.size() ? std::nullopt : std::optional(keys.at(keyCode));
                };
        }
        return {};
    }

private:
    QList<std::pair<QString, QString>> m_layouts;
};

// The focused application: Control+C copies its selection, Control+V takes the clipboard's text.
// While the user holds the hotkey (`hotkeyDown`), keys sent would come back to the program itself.
struct FakeKeys : KeySynthesizer {
    FakePasteboard *pasteboard = nullptr;
    std::optional<QString> selection;
    QStringList pasted;
    QList<std::pair<int, std::uint32_t>> chords;
    bool hotkeyDown = false;
    QList<std::pair<int, std::uint32_t>> sentWhileDown;
    bool deferred = false; // as wtype: each chord reports when the test says it has been typed
    QList<ChordSent> pending;

    QString mechanism() const override { return QStringLiteral("XTest"); }

    bool isAvailable() const override { return true; }
    bool hasConnection() const override { return true; }
    void pressChord(int keyPosition, std::uint32_t modifiers, ChordSent sent) override
    {
        chords.append({keyPosition, modifiers});
        if (hotkeyDown) {
            sentWhileDown.append({keyPosition, modifiers});
        } else {
            if (keyPosition == 8 && selection)
                pasteboard->copyText(*selection);
            if (keyPosition == 9)
                pasted.append(pasteboard->string().value_or(QStringLiteral("<none>")));
        }
        if (deferred)
            pending.append(std::move(sent));
        else
            sent(true);
    }
    bool isAnyKeyDown(int keyPosition, std::uint32_t modifiers) const override
    {
        // Only the fix's own hotkey is ever asked about.
        return hotkeyDown && keyPosition == 37 && modifiers == (KeyCombo::cmdKey | KeyCombo::shiftKey);
    }
};

// The focused program's selection, answered when the test says so, as the reader thread would.
struct FakePrimarySelection : PrimarySelection {
    QList<std::uint32_t> windows;
    std::function<void(std::optional<QString>)> pending;
    void readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done) override
    {
        windows.append(window);
        pending = std::move(done);
    }
};

RunningApplication application(const QString &windowClass)
{
    RunningApplication app;
    app.windowId = 0x800001;
    app.windowClass = windowClass;
    return app;
}

const QString category = QStringLiteral("LanguageSwitchService|");

} // namespace

class TestLanguageSwitch : public QObject {
    Q_OBJECT

    const XkbKeyboardLayouts m_usRu{{"us", "ru"}};
    std::unique_ptr<FakePasteboard> m_pasteboard;
    FakeKeys m_keys;
    RecordingSystemLog m_log;
    ManualClock m_clock;
    FakeWorkspace m_workspace;
    const TerminalPasteChords m_terminals;

    std::unique_ptr<LanguageSwitchService> service(const KeyboardLayouts &layouts)
    {
        return std::make_unique<LanguageSwitchService>(
            *m_pasteboard, m_keys, layouts, m_log, m_workspace, m_terminals, m_clock);
    }

private slots:
    void init()
    {
        m_pasteboard = std::make_unique<FakePasteboard>();
        m_keys = FakeKeys();
        m_keys.pasteboard = m_pasteboard.get();
        m_log.entries.clear();
        m_clock = ManualClock();
        m_workspace.frontmost = application(QStringLiteral("org.gnome.TextEditor"));
    }

    void recognisesTheFirstLayoutTypingAMajority()
    {
        // "xx" shares a, b, c with "en" on the same keys, so only the order of the list tells them apart.
        const StringLayouts layouts({{"xx", "abcxyz"}, {"en", "abcdef"}, {"ru", "фисвуа"}});
        const auto fix = service(layouts);
        const LayoutInfo xx{"xx", {}}, en{"en", {}}, ru{"ru", {}};

        // 3 of 4 is a majority for xx, which wins although en types all four; xx to en leaves the
        // text as it was, so the next target is taken.
        QCOMPARE(fix->findBestConversion("abcd", {xx, en, ru}), QString("фисd"));
        QCOMPARE(fix->findBestConversion("abcd", {en, xx, ru}), QString("abcx"));
        // Blanks are not letters: 3 of the 4 letters still match.
        QCOMPARE(fix->findBestConversion("a b\tc\nd", {xx, ru}), QString("ф и\tс\nd"));
        QCOMPARE(fix->cycleIndex(), 0);
        // 2 of 4 is no majority for anyone, so the cycle's first pair converts.
        QCOMPARE(fix->findBestConversion("abqq", {xx, ru}), QString("фиqq"));
        QCOMPARE(fix->cycleIndex(), 1);
        // A recognised source whose every conversion changes nothing gives nothing, without cycling.
        QCOMPARE(fix->findBestConversion("abc", {xx, en}), std::nullopt);
        QCOMPARE(fix->cycleIndex(), 1);
    }

    void theCycleWalksEveryOrderedPairAndWraps()
    {
        const StringLayouts layouts({{"a", "abc"}, {"b", "def"}, {"c", "ghi"}});
        const auto fix = service(layouts);
        QStringList results;
        for (int i = 0; i < 7; ++i)
            results.append(fix->findBestConversion("ad", layouts.layouts()).value_or("<none>"));
        QCOMPARE(results, QStringList({"dd", "gd", "aa", "ag", "ad", "ad", "dd"}));
        QCOMPARE(fix->tryCycleConversion("ad", {}), std::nullopt);
        QCOMPARE(fix->cycleIndex(), 1);
    }

    void fixReplacesTheSelectionAndRestoresTheClipboard()
    {
        FakeHotkeyGrabber grabber;
        HotkeyService hotkeys(grabber);
        const auto fix = service(m_usRu);
        fix->registerHotkey();
        QCOMPARE(grabber.grabs.size(), size_t(1));
        QVERIFY(hotkeys.hasHandler(2));
        QCOMPARE(m_log.entries, QStringList(category + "Language fix registered via HotkeyService: ⌘⇧L"));

        m_pasteboard->copyText("earlier");
        m_keys.selection = "ghbdtn";
        QSignalSpy borrowed(fix.get(), &LanguageSwitchService::clipboardBorrowed);
        QSignalSpy returned(fix.get(), &LanguageSwitchService::clipboardReturned);
        StdoutCapture out;
        grabber.press(2);
        QCoreApplication::processEvents(); // the hotkey service dispatches from the event loop
        QVERIFY(fix->isProcessing());
        QCOMPARE(m_pasteboard->string(), QString()); // cleared, so a copy is a change
        fix->fixSelectedText(); // a second press during the copy changes nothing
        m_clock.advance(49);
        QVERIFY(m_keys.chords.isEmpty());
        m_clock.advance(1);
        QCOMPARE(m_keys.chords, (QList<std::pair<int, std::uint32_t>>{{8, KeyCombo::controlKey}}));
        m_clock.advance(0);
        QVERIFY(!fix->isProcessing()); // before the paste runs
        QCOMPARE(m_pasteboard->string(), QString("привет"));
        m_clock.advance(50);
        QCOMPARE(m_keys.pasted, QStringList("привет"));
        m_clock.advance(299);
        QCOMPARE(m_pasteboard->string(), QString("привет"));
        QCOMPARE(returned.size(), 0); // the history stays out of it until the earlier text is back
        m_clock.advance(1);
        QCOMPARE(m_pasteboard->string(), QString("earlier"));
        QCOMPARE(borrowed.size(), 1);
        QCOMPARE(returned.size(), 1);
        QVERIFY(m_clock.tasks.empty());
        QCOMPARE(out.finish(),
            QStringList({"[LanguageFix] Triggered", "[LanguageFix] Simulated Cmd+C, waiting for clipboard...",
                "[LanguageFix] Got text: 6 characters", "[LanguageFix] Converted: 6 characters"}));
        QCOMPARE(m_log.entries.mid(1),
            QStringList({category + "Language fix triggered", category + "Already processing, skipping"}));
    }

    // While the history is paused the copy on the clipboard was never read; lent to the fix, it is
    // read then (a while later, as a real clipboard answers), and given back afterwards.
    void aCopyPassedOverWhilePausedIsGivenBack()
    {
        const auto fix = service(m_usRu);
        m_pasteboard->setReadsForeignCopies(false);
        m_pasteboard->copyText("copied while paused");
        QVERIFY(!m_pasteboard->string());
        connect(fix.get(), &LanguageSwitchService::clipboardBorrowed, this,
            [this] { m_clock.schedule(120, nullptr, [this] { m_pasteboard->setReadsForeignCopies(true); }); });
        m_keys.selection = "ghbdtn";
        StdoutCapture out;
        fix->fixSelectedText();
        m_clock.advance(2000);
        QCOMPARE(m_keys.pasted, QStringList("привет"));
        QCOMPARE(m_pasteboard->string(), QString("copied while paused"));
        out.finish();
    }

    void theWaitsStartOnceAChordHasBeenTyped()
    {
        const auto fix = service(m_usRu);
        m_keys.deferred = true;
        m_pasteboard->copyText("earlier");
        m_keys.selection = "ghbdtn";
        StdoutCapture out;
        fix->fixSelectedText();
        m_clock.advance(50);
        QCOMPARE(m_keys.pending.size(), 1);
        m_keys.pending.takeFirst()(true);
        m_clock.advance(0);
        m_clock.advance(50);
        QCOMPARE(m_keys.pasted, QStringList("привет"));
        // However long the typing program takes, the earlier text waits for the paste to be typed.
        m_clock.advance(1000);
        QCOMPARE(m_pasteboard->string(), QString("привет"));
        m_keys.pending.takeFirst()(true);
        m_clock.advance(299);
        QCOMPARE(m_pasteboard->string(), QString("привет"));
        m_clock.advance(1);
        QCOMPARE(m_pasteboard->string(), QString("earlier"));
        QVERIFY(m_clock.tasks.empty());
    }

    void failuresRestoreTheEarlierTextAndEndTheRun()
    {
        const QString noText = "[LanguageFix] No text copied — make sure text is selected";
        const std::optional<QString> none;
        const struct {
            QStringList layoutIds;
            std::optional<QString> earlier, selection;
            int waitMs; // 21 checks of an unchanged clipboard, 50 ms apart, end the wait after 1050 ms
            QString line;
            std::optional<QString> clipboardAfter;
        } cases[] = {
            {{"us", "ru"}, "earlier", none, 1050, noText, "earlier"},
            {{"us", "ru"}, none, "", 50, noText, ""},
            {{"us"}, "earlier", "ghbdtn", 50, "[LanguageFix] Need 2+ keyboard layouts, found 1", "earlier"},
            {{"us", "ru"}, "earlier", "2024", 50, "[LanguageFix] No conversion found", "earlier"},
        };
        for (const auto &c : cases) {
            init();
            const XkbKeyboardLayouts layouts(c.layoutIds);
            const auto fix = service(layouts);
            if (c.earlier)
                m_pasteboard->copyText(*c.earlier);
            m_keys.selection = c.selection;
            QSignalSpy returned(fix.get(), &LanguageSwitchService::clipboardReturned);
            StdoutCapture out;
            fix->fixSelectedText();
            m_clock.advance(c.waitMs - 1);
            QVERIFY(fix->isProcessing());
            m_clock.advance(1);
            QVERIFY(!fix->isProcessing());
            QCOMPARE(out.finish().last(), c.line);
            QCOMPARE(m_pasteboard->string(), c.clipboardAfter);
            QCOMPARE(returned.size(), 1);
            QVERIFY(m_clock.tasks.empty());
            QVERIFY(m_keys.pasted.isEmpty());
        }
    }

    void noKeyIsSentWhileTheHotkeyIsHeld()
    {
        const auto fix = service(m_usRu);
        m_pasteboard->copyText("earlier");
        m_keys.selection = "ghbdtn";
        m_keys.hotkeyDown = true;
        QSignalSpy borrowed(fix.get(), &LanguageSwitchService::clipboardBorrowed);
        fix->fixSelectedText();
        m_clock.advance(500);
        QCOMPARE(borrowed.size(), 0);
        QCOMPARE(m_pasteboard->string(), QString("earlier"));
        m_keys.hotkeyDown = false; // released: the flow goes on as from the press
        m_clock.advance(5);
        QCOMPARE(borrowed.size(), 1);
        m_clock.advance(49);
        QVERIFY(m_keys.chords.isEmpty());
        m_clock.advance(1000);
        QCOMPARE(m_keys.pasted, QStringList("привет"));
        QCOMPARE(m_pasteboard->string(), QString("earlier"));

        // A key held past about a second is not waited for any longer.
        init();
        const auto again = service(m_usRu);
        m_keys.selection = "ghbdtn";
        m_keys.hotkeyDown = true;
        again->fixSelectedText();
        m_clock.advance(999);
        QCOMPARE(m_pasteboard->changeCount(), 0);
        m_clock.advance(1);
        QCOMPARE(m_pasteboard->changeCount(), 1);
        m_clock.advance(50);
        QCOMPARE(m_keys.sentWhileDown, (QList<std::pair<int, std::uint32_t>>{{8, KeyCombo::controlKey}}));
    }

    void terminalsAreLeftAlone()
    {
        const auto fix = service(m_usRu);
        m_pasteboard->copyText("earlier");
        m_keys.selection = "ghbdtn";
        m_workspace.frontmost = application(QStringLiteral("XTerm"));
        FakePrimarySelection primary;
        fix->setPrimarySelection(&primary);
        QSignalSpy borrowed(fix.get(), &LanguageSwitchService::clipboardBorrowed);
        StdoutCapture out;
        fix->fixSelectedText();
        QVERIFY(!fix->isProcessing());
        QVERIFY(m_clock.tasks.empty());
        QVERIFY(primary.windows.isEmpty());
        QCOMPARE(out.finish(),
            QStringList({"[LanguageFix] Triggered",
                "[LanguageFix] Terminals are not supported — select the text in another program"}));
        QVERIFY(m_keys.chords.isEmpty());
        QCOMPARE(borrowed.size(), 0);
        QCOMPARE(m_pasteboard->changeCount(), 1);
    }

    void theFocusedProgramsSelectionNeedsNoCopy()
    {
        const auto fix = service(m_usRu);
        FakePrimarySelection primary;
        fix->setPrimarySelection(&primary);
        m_pasteboard->copyText("earlier");
        m_keys.selection = "will not be copied";
        QSignalSpy returned(fix.get(), &LanguageSwitchService::clipboardReturned);
        StdoutCapture out;
        fix->fixSelectedText();
        QCOMPARE(primary.windows, QList<std::uint32_t>{0x800001});
        QVERIFY(fix->isProcessing());
        primary.pending(QStringLiteral("ghbdtn"));
        QVERIFY(!fix->isProcessing());
        m_clock.advance(50);
        QCOMPARE(m_keys.chords, (QList<std::pair<int, std::uint32_t>>{{9, KeyCombo::controlKey}}));
        QCOMPARE(m_keys.pasted, QStringList("привет"));
        m_clock.advance(300);
        QCOMPARE(m_pasteboard->string(), QString("earlier"));
        QCOMPARE(returned.size(), 1);
        QCOMPARE(out.finish(),
            QStringList({"[LanguageFix] Triggered", "[LanguageFix] Got text: 6 characters",
                "[LanguageFix] Converted: 6 characters"}));

        // No selection offered there: the copy keystroke takes over, as without the selection reader.
        m_keys.chords.clear();
        m_keys.selection = "руддщ";
        fix->fixSelectedText();
        primary.pending(std::nullopt);
        m_clock.advance(50);
        QCOMPARE(m_keys.chords.first(), (std::pair<int, std::uint32_t>(8, KeyCombo::controlKey)));
        m_clock.advance(1000);
        QCOMPARE(m_keys.pasted.last(), QString("hello"));
        QCOMPARE(m_pasteboard->string(), QString("earlier"));
    }

    void withNothingSavedTheConversionStays()
    {
        const auto fix = service(m_usRu);
        m_keys.selection = "руддщ";
        QSignalSpy returned(fix.get(), &LanguageSwitchService::clipboardReturned);
        StdoutCapture out;
        fix->fixSelectedText();
        m_clock.advance(1000);
        QCOMPARE(returned.size(), 1);
        QCOMPARE(m_keys.pasted, QStringList("hello"));
        QCOMPARE(m_pasteboard->string(), QString("hello"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageSwitch)
#include "test_language_switch.moc"
