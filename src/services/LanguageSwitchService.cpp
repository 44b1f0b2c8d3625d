#include "LanguageSwitchService.h"

#include "ConsoleLog.h"
#include "HotkeyService.h"
#include "KeyCombo.h"
#include "KeyboardLayoutMapper.h"
#include "capture/Pasteboard.h"
#include "platform/KeySynthesizer.h"
#include "platform/SystemLog.h"

#include <QPointer>
#include <QTextBoundaryFinder>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

constexpr int keyPositionC = 8;
constexpr int keyPositionV = 9;
constexpr int keyPositionL = 37;
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
    const KeyboardLayouts &layouts, SystemLog &systemLog, Scheduler scheduler, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_keys(keys)
    , m_layouts(layouts)
    , m_systemLog(systemLog)
    , m_schedule(std::move(scheduler))
{
    if (!m_schedule)
        m_schedule = timerScheduler(this);
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
        hotkeys->registerHotkey(
            hotkeyId, fourCharCode("LANG"), KeyCombo{keyPositionL, KeyCombo::cmdKey | KeyCombo::shiftKey}, [self] {
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

    emit clipboardBorrowed();
    const std::optional<QString> saved = m_pasteboard.string();
    // Our clear counts as a change at once, so any later change can only be the copy of the selection.
    writeText(QString());
    const qint64 startCount = m_pasteboard.changeCount();

    m_schedule(copyDelayMs, [this, startCount, saved] {
        m_keys.pressChord(keyPositionC, KeyCombo::controlKey);
        printLine(QStringLiteral("[LanguageFix] Simulated Cmd+C, waiting for clipboard..."));
        waitForClipboardChange(startCount, 0, [this, startCount, saved] {
            convertCopiedText(startCount, saved);
            // Cleared before the paste and restore still pending: only the copy needs guarding.
            m_isProcessing = false;
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
    printLine(QStringLiteral("[LanguageFix] Got text: ") + logPrefix(*copied, 50));

    const QList<LayoutInfo> layouts = KeyboardLayoutMapper::installedLayouts(m_layouts);
    if (layouts.size() < 2) {
        printLine(QStringLiteral("[LanguageFix] Need 2+ keyboard layouts, found %1").arg(layouts.size()));
        restore(saved);
        return;
    }
    const std::optional<QString> result = findBestConversion(*copied, layouts);
    if (!result || *result == *copied) {
        printLine(QStringLiteral("[LanguageFix] No conversion found"));
        restore(saved);
        return;
    }
    printLine(QStringLiteral("[LanguageFix] Converted: ") + logPrefix(*result, 50));
    writeText(*result);
    m_schedule(pasteDelayMs, [this, saved] {
        m_keys.pressChord(keyPositionV, KeyCombo::controlKey);
        // The target reads the clipboard only after the paste keystroke arrives; restoring sooner
        // would paste the old text.
        m_schedule(restoreDelayMs, [this, saved] { restore(saved); });
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
