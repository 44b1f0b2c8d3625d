#include "LanguageSwitchService.h"

#include "ConsoleLog.h"
#include "HotkeyService.h"
#include "KeyCombo.h"
#include "KeySynthesizer.h"
#include "KeyboardLayoutMapper.h"
#include "PrimarySelection.h"
#include "SystemLog.h"
#include "TerminalPasteChords.h"
#include "capture/Pasteboard.h"
#include "capture/Workspace.h"

#include <QPointer>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <utility>

namespace {

constexpr int keyPositionC = 8;
constexpr int keyPositionV = 9;
constexpr int keysUpPollMs = 5;
constexpr int maxKeysUpPolls = 200;
constexpr int copyDelayMs = 50;
constexpr int pollIntervalMs = 50;
constexpr int maxPollAttempts = 20;
constexpr int pasteDelayMs = 50;
constexpr int restoreDelayMs = 300;
const QString logCategory = QStringLiteral("LanguageSwitchService");

LanguageSwitchService *sharedService = nullptr;

// User-perceived characters, so that a combining accent or an emoji counts once.
QStringList graphemes(const QString &text)
{
    QStringList result;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        result.append(text.mid(start, end - start));
        start = end;
    }
    return result;
}

} // namespace

LanguageSwitchService::LanguageSwitchService(Pasteboard &pasteboard, KeySynthesizer &keys,
    const KeyboardLayouts &layouts, SystemLog &systemLog, const Workspace &workspace,
    const TerminalPasteChords &terminals, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_keys(keys)
    , m_layouts(layouts)
    , m_systemLog(systemLog)
    , m_workspace(workspace)
    , m_terminals(terminals)
    , m_schedule(clock.scheduler(this))
{
    sharedService = this;
}

LanguageSwitchService::~LanguageSwitchService()
{
    if (sharedService == this)
        sharedService = nullptr;
}

LanguageSwitchService *LanguageSwitchService::shared()
{
    return sharedService;
}

void LanguageSwitchService::registerHotkey()
{
    if (HotkeyService *hotkeys = HotkeyService::shared()) {
        QPointer<LanguageSwitchService> self(this);
        hotkeys->registerHotkey(hotkeyId, fourCharCode("LANG"), fixCombo, [self] {
            if (self)
                self->fixSelectedText();
        });
    }
    log(QStringLiteral("Language fix registered via HotkeyService: ⌘⇧L"));
}

void LanguageSwitchService::fixSelectedText()
{
    if (m_isProcessing) {
        log(QStringLiteral("Already processing, skipping"));
        return;
    }
    m_isProcessing = true;
    log(QStringLiteral("Language fix triggered"));
    printLine(QStringLiteral("[LanguageFix] Triggered"));

    // In a terminal Control+C interrupts the running program, and its selection cannot be typed
    // over. Checked before anything is borrowed, so there is nothing to give back.
    const std::optional<RunningApplication> front = m_workspace.frontmostApplication();
    if (front && m_terminals.find(front->windowClass)) {
        printLine(QStringLiteral("[LanguageFix] Terminals are not supported — select the text in another program"));
        m_isProcessing = false;
        return;
    }
    const std::uint32_t window = front ? front->windowId : 0;
    waitForHotkeyRelease(0, [this, window] { readSelection(window); });
}

void LanguageSwitchService::waitForHotkeyRelease(int polls, std::function<void()> then)
{
    // While the hotkey's key is down, its grab sends every key event back to us, synthetic ones
    // included: a person holds it for a tenth of a second or more.
    if (polls < maxKeysUpPolls && m_keys.isAnyKeyDown(int(fixCombo.keyCode), fixCombo.modifiers)) {
        m_schedule(keysUpPollMs,
            [this, polls, then = std::move(then)]() mutable { waitForHotkeyRelease(polls + 1, std::move(then)); });
        return;
    }
    then();
}

void LanguageSwitchService::readSelection(std::uint32_t window)
{
    if (!m_primary) {
        copySelection();
        return;
    }
    QPointer<LanguageSwitchService> self(this);
    m_primary->readSelectedText(window, [self](const std::optional<QString> &text) {
        if (!self)
            return;
        if (text && !text->isEmpty())
            self->fixSelection(*text);
        else
            self->copySelection();
    });
}

void LanguageSwitchService::borrowClipboard(std::function<void()> then)
{
    emit clipboardBorrowed();
    // While the history is paused the copy on the clipboard was passed over unread; borrowed, it is
    // read now, so that it can be given back.
    waitForUnreadCopy(0, std::move(then));
}

void LanguageSwitchService::waitForUnreadCopy(int attempts, std::function<void()> then)
{
    if (m_pasteboard.hasUnreadCopy() && attempts < maxPollAttempts) {
        m_schedule(pollIntervalMs,
            [this, attempts, then = std::move(then)]() mutable { waitForUnreadCopy(attempts + 1, std::move(then)); });
        return;
    }
    then();
}

void LanguageSwitchService::fixSelection(const QString &text)
{
    borrowClipboard([this, text] {
        convertAndPaste(text, m_pasteboard.string());
        m_isProcessing = false;
    });
}

void LanguageSwitchService::copySelection()
{
    borrowClipboard([this] { copySelectionWhenBorrowed(); });
}

void LanguageSwitchService::copySelectionWhenBorrowed()
{
    const std::optional<QString> saved = m_pasteboard.string();
    // Our clear counts as a change at once, so any later change can only be the copy of the selection.
    writeText(QString());
    const qint64 startCount = m_pasteboard.changeCount();

    m_schedule(copyDelayMs, [this, startCount, saved] {
        // The wait for the copy starts once the chord has gone out (wtype takes a while to type).
        m_keys.pressChord(keyPositionC, KeyCombo::controlKey,
            [self = QPointer<LanguageSwitchService>(this), startCount, saved](bool) {
                if (!self)
                    return;
                printLine(QStringLiteral("[LanguageFix] Simulated Cmd+C, waiting for clipboard..."));
                self->waitForClipboardChange(startCount, 0, [self, startCount, saved] {
                    self->convertCopiedText(startCount, saved);
                    // Cleared before the paste and restore still pending: only the copy needs guarding.
                    self->m_isProcessing = false;
                });
            });
    });
}

void LanguageSwitchService::waitForClipboardChange(qint64 originalCount, int attempts, std::function<void()> completion)
{
    if (m_pasteboard.changeCount() == originalCount && attempts < maxPollAttempts) {
        m_schedule(pollIntervalMs, [this, originalCount, attempts, completion = std::move(completion)]() mutable {
            waitForClipboardChange(originalCount, attempts + 1, std::move(completion));
        });
        return;
    }
    m_schedule(0, std::move(completion));
}

void LanguageSwitchService::convertCopiedText(qint64 startCount, const std::optional<QString> &saved)
{
    const std::optional<QString> copied = m_pasteboard.string();
    if (m_pasteboard.changeCount() == startCount || !copied || copied->isEmpty()) {
        printLine(QStringLiteral("[LanguageFix] No text copied — make sure text is selected"));
        restore(saved);
        return;
    }
    convertAndPaste(*copied, saved);
}

void LanguageSwitchService::convertAndPaste(const QString &text, const std::optional<QString> &saved)
{
    printLine(QStringLiteral("[LanguageFix] Got text: ") + contentSummary(QStringLiteral("Got text:"), text));

    const QList<LayoutInfo> layouts = KeyboardLayoutMapper::installedLayouts(m_layouts);
    if (layouts.size() < 2) {
        printLine(QStringLiteral("[LanguageFix] Need 2+ keyboard layouts, found %1").arg(layouts.size()));
        restore(saved);
        return;
    }
    const std::optional<QString> result = findBestConversion(text, layouts);
    if (!result || *result == text) {
        printLine(QStringLiteral("[LanguageFix] No conversion found"));
        restore(saved);
        return;
    }
    printLine(QStringLiteral("[LanguageFix] Converted: ") + contentSummary(QStringLiteral("Converted:"), *result));
    writeText(*result);
    m_schedule(pasteDelayMs, [this, saved] {
        m_keys.pressChord(
            keyPositionV, KeyCombo::controlKey, [self = QPointer<LanguageSwitchService>(this), saved](bool) {
                // The target reads the clipboard only after the paste keystroke arrives; restoring sooner
                // would paste the old text.
                if (self)
                    self->m_schedule(restoreDelayMs, [self, saved] { self->restore(saved); });
            });
    });
}

std::optional<QString> LanguageSwitchService::findBestConversion(const QString &text, const QList<LayoutInfo> &layouts)
{
    if (layouts.isEmpty())
        return tryCycleConversion(text, layouts);

    QStringList letters = graphemes(text);
    letters.removeIf([](const QString &c) { return c == u" " || c == u"\n" || c == u"\t"; });

    const LayoutInfo *source = nullptr;
    for (const LayoutInfo &layout : layouts) {
        const auto keys = KeyboardLayoutMapper::characterToKeyCodeMap(layout, m_layouts);
        const auto matches = std::count_if(letters.cbegin(), letters.cend(),
            [&keys](const QString &c) { return keys.contains(KeyboardLayoutMapper::canonicalCharacter(c)); });
        // The first layout typing a strict majority wins: Latin-only layouts tie on most text.
        if (!letters.isEmpty() && matches > letters.size() / 2) {
            source = &layout;
            break;
        }
    }
    if (!source)
        return tryCycleConversion(text, layouts);

    for (const LayoutInfo &target : layouts) {
        if (target.id == source->id)
            continue;
        const auto converted = KeyboardLayoutMapper::convert(text, *source, target, m_layouts);
        if (converted && *converted != text)
            return converted;
    }
    return std::nullopt;
}

std::optional<QString> LanguageSwitchService::tryCycleConversion(const QString &text, const QList<LayoutInfo> &layouts)
{
    QList<std::pair<LayoutInfo, LayoutInfo>> pairs;
    for (const LayoutInfo &from : layouts) {
        for (const LayoutInfo &to : layouts) {
            if (from.id != to.id)
                pairs.append({from, to});
        }
    }
    if (pairs.isEmpty())
        return std::nullopt;
    const int i = m_cycleIndex % int(pairs.size());
    m_cycleIndex = i + 1;
    return KeyboardLayoutMapper::convert(text, pairs.at(i).first, pairs.at(i).second, m_layouts);
}

void LanguageSwitchService::restore(const std::optional<QString> &saved)
{
    if (saved)
        writeText(*saved);
    emit clipboardReturned();
}

void LanguageSwitchService::writeText(const QString &text)
{
    m_pasteboard.clearContents();
    m_pasteboard.setString(text);
}

void LanguageSwitchService::log(const QString &message)
{
    m_systemLog.info(logCategory, message);
}
