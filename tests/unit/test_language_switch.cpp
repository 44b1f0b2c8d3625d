#include "FakeHotkeyGrabber.h"
#include "FakePasteboard.h"
#include "ManualClock.h"
#include "RecordingSystemLog.h"
#include "StdoutCapture.h"
#include "platform/HotkeyGrabber.h"
#include "platform/KeySynthesizer.h"
#include "platform/SystemLog.h"
#include "platform/XkbKeyboardLayouts.h"
#include "services/HotkeyService.h"
#include "services/KeyCombo.h"
#include "services/LanguageSwitchService.h"

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
struct FakeKeys : KeySynthesizer {
    FakePasteboard *pasteboard = nullptr;
    std::optional<QString> selection;
    QStringList pasted;
    QList<std::pair<int, std::uint32_t>> chords;

    bool isAvailable() const override { return true; }
    bool hasConnection() const override { return true; }
    bool pressChord(int keyPosition, std::uint32_t modifiers) override
    {
        chords.append({keyPosition, modifiers});
        if (keyPosition == 8 && selection)
            pasteboard->copyText(*selection);
        if (keyPosition == 9)
            pasted.append(pasteboard->string().value_or(QStringLiteral("<none>")));
        return true;
    }
};

const QString category = QStringLiteral("LanguageSwitchService|");

} // namespace

class TestLanguageSwitch : public QObject {
    Q_OBJECT

    const XkbKeyboardLayouts m_usRu{{"us", "ru"}};
    FakePasteboard m_pasteboard;
    FakeKeys m_keys;
    RecordingSystemLog m_log;
    ManualClock m_clock;

    std::unique_ptr<LanguageSwitchService> service(const KeyboardLayouts &layouts)
    {
        return std::make_unique<LanguageSwitchService>(m_pasteboard, m_keys, layouts, m_log, m_clock.scheduler());
    }

private slots:
    void init()
    {
        m_pasteboard = FakePasteboard();
        m_keys = FakeKeys();
        m_keys.pasteboard = &m_pasteboard;
        m_log.entries.clear();
        m_clock = ManualClock();
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

        m_pasteboard.copyText("earlier");
        m_keys.selection = "ghbdtn";
        QSignalSpy borrowed(fix.get(), &LanguageSwitchService::clipboardBorrowed);
        QSignalSpy returned(fix.get(), &LanguageSwitchService::clipboardReturned);
        StdoutCapture out;
        grabber.press(2);
        QCoreApplication::processEvents(); // the hotkey service dispatches from the event loop
        QVERIFY(fix->isProcessing());
        QCOMPARE(m_pasteboard.string(), QString()); // cleared, so a copy is a change
        fix->fixSelectedText(); // a second press during the copy changes nothing
        m_clock.advance(49);
        QVERIFY(m_keys.chords.isEmpty());
        m_clock.advance(1);
        QCOMPARE(m_keys.chords, (QList<std::pair<int, std::uint32_t>>{{8, KeyCombo::controlKey}}));
        m_clock.advance(0);
        QVERIFY(!fix->isProcessing()); // before the paste runs
        QCOMPARE(m_pasteboard.string(), QString("привет"));
        m_clock.advance(50);
        QCOMPARE(m_keys.pasted, QStringList("привет"));
        m_clock.advance(299);
        QCOMPARE(m_pasteboard.string(), QString("привет"));
        QCOMPARE(returned.size(), 0); // the history stays out of it until the earlier text is back
        m_clock.advance(1);
        QCOMPARE(m_pasteboard.string(), QString("earlier"));
        QCOMPARE(borrowed.size(), 1);
        QCOMPARE(returned.size(), 1);
        QVERIFY(m_clock.tasks.empty());
        QCOMPARE(out.finish(),
            QStringList({"[LanguageFix] Triggered", "[LanguageFix] Simulated Cmd+C, waiting for clipboard...",
                "[LanguageFix] Got text: ghbdtn", "[LanguageFix] Converted: привет"}));
        QCOMPARE(m_log.entries.mid(1),
            QStringList({category + "Language fix triggered", category + "Already processing, skipping"}));
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
                m_pasteboard.copyText(*c.earlier);
            m_keys.selection = c.selection;
            QSignalSpy returned(fix.get(), &LanguageSwitchService::clipboardReturned);
            StdoutCapture out;
            fix->fixSelectedText();
            m_clock.advance(c.waitMs - 1);
            QVERIFY(fix->isProcessing());
            m_clock.advance(1);
            QVERIFY(!fix->isProcessing());
            QCOMPARE(out.finish().last(), c.line);
            QCOMPARE(m_pasteboard.string(), c.clipboardAfter);
            QCOMPARE(returned.size(), 1);
            QVERIFY(m_clock.tasks.empty());
            QVERIFY(m_keys.pasted.isEmpty());
        }
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
        QCOMPARE(m_pasteboard.string(), QString("hello"));
    }
};

QTEST_GUILESS_MAIN(TestLanguageSwitch)
#include "test_language_switch.moc"
