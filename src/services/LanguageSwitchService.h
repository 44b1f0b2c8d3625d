#pragma once

#include "KeyCombo.h"
#include "LayoutInfo.h"
#include "model/Clock.h"

#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

class KeyboardLayouts;
class KeySynthesizer;
class Pasteboard;
class PrimarySelection;
class SystemLog;
class TerminalPasteChords;
class Workspace;

/// Retypes selected text that was typed with the wrong keyboard layout: takes the selection (the
/// focused program's PRIMARY selection where it offers one, else a copy made with a synthetic
/// Control+C), converts it from the layout it was typed in to the one that was meant, pastes the
/// result over the selection and puts the earlier clipboard text back. No key is sent before the
/// hotkey's keys are up, and none into a terminal. Progress goes to standard output
/// ("[LanguageFix] ...") and the system log. GUI thread only.
class LanguageSwitchService : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t hotkeyId = 2;
    /// Super+Shift+L.
    static constexpr KeyCombo fixCombo{37, KeyCombo::cmdKey | KeyCombo::shiftKey};

    /// Becomes shared(). The collaborators must outlive this service. Its waits are bound to this
    /// object, so none fires after it is gone.
    LanguageSwitchService(Pasteboard &pasteboard, KeySynthesizer &keys, const KeyboardLayouts &layouts,
        SystemLog &systemLog, const Workspace &workspace, const TerminalPasteChords &terminals,
        Clock &clock = Clock::system(), QObject *parent = nullptr);
    ~LanguageSwitchService() override;

    /// The most recently constructed service still alive, if any.
    static LanguageSwitchService *shared();

    /// Puts fixSelectedText() on Super+Shift+L (hotkey id 2) when a HotkeyService exists. Disabling is
    /// the caller's unregister of id 2 on that service.
    void registerHotkey();
    /// Where the selected text is read first; without one (null) it is always copied with Control+C.
    /// It must outlive this service.
    void setPrimarySelection(PrimarySelection *selection) { m_primary = selection; }

    void fixSelectedText();

    /// The layout `text` was most likely typed in (the first whose keys type a strict majority of its
    /// non-blank characters), converted to the first other layout that changes it. Falls back to
    /// tryCycleConversion() when no layout qualifies.
    std::optional<QString> findBestConversion(const QString &text, const QList<LayoutInfo> &layouts);
    /// Converts along the next ordered pair of distinct layouts, so repeated attempts walk every pair.
    std::optional<QString> tryCycleConversion(const QString &text, const QList<LayoutInfo> &layouts);

    bool isProcessing() const { return m_isProcessing; }
    int cycleIndex() const { return m_cycleIndex; }

signals:
    /// The clipboard holds the fix's own transient texts from clipboardBorrowed() until
    /// clipboardReturned(): the selection, the converted text and the earlier text put back. None of
    /// them is a copy the user made, so the history does not record them. Every borrow is returned.
    void clipboardBorrowed();
    void clipboardReturned();

private:
    /// Runs `then` once the hotkey's keys are up, or after about a second of waiting for them.
    void waitForHotkeyRelease(int polls, std::function<void()> then);
    void readSelection(std::uint32_t window);
    /// Takes the clipboard from the history for the fix, then runs `then` once its content is known.
    void borrowClipboard(std::function<void()> then);
    void waitForUnreadCopy(int attempts, std::function<void()> then);
    void copySelection();
    void copySelectionWhenBorrowed();
    void fixSelection(const QString &text);
    void waitForClipboardChange(qint64 originalCount, int attempts, std::function<void()> completion);
    void convertCopiedText(qint64 startCount, const std::optional<QString> &saved);
    void convertAndPaste(const QString &text, const std::optional<QString> &saved);
    /// Puts `saved` back, if anything, and returns the clipboard.
    void restore(const std::optional<QString> &saved);
    void writeText(const QString &text);
    void log(const QString &message);

    Pasteboard &m_pasteboard;
    KeySynthesizer &m_keys;
    const KeyboardLayouts &m_layouts;
    SystemLog &m_systemLog;
    const Workspace &m_workspace;
    const TerminalPasteChords &m_terminals;
    PrimarySelection *m_primary = nullptr;
    Scheduler m_schedule;
    int m_cycleIndex = 0;
    bool m_isProcessing = false;
};
