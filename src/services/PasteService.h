#pragma once

#include "KeyCombo.h"
#include "model/Clock.h"

#include <QString>

#include <functional>

class KeySynthesizer;
class ScriptRunner;
class SystemLog;

/// Makes the window in front paste the clipboard by typing Control+V (or the chord a terminal pastes
/// with): through synthetic key events
/// where the display server allows them, else through an external program. Every step is appended to
/// the debug log file and sent to the system log. GUI thread only; never waits for the key events or
/// the program.
class PasteService {
public:
    /// The services and `clock` (which stamps the debug log) must outlive this one. `debugLogPath` is
    /// for tests; the default is defaultDebugLogPath().
    PasteService(KeySynthesizer &keys, SystemLog &systemLog, ScriptRunner &script,
        QString debugLogPath = defaultDebugLogPath(), Clock &clock = Clock::system());

    /// $HOME/quillbox_debug.log, computed on first use.
    static QString defaultDebugLogPath();

    static constexpr KeyCombo controlV{9, KeyCombo::controlKey};

    using Done = std::function<void()>;

    /// Types `chord` into the window in front; a chord other than Control+V is named in the log.
    /// `done` runs once the outcome is logged, possibly before this returns. One paste at a time: the
    /// caller starts the next after `done`.
    void simulatePaste(const KeyCombo &chord = controlV, Done done = {});
    /// Appends "[yyyy-MM-dd HH:mm:ss +0000] message\n" (UTC) to the debug log, created 0600 if missing,
    /// and sends the message alone to the system log. Write failures drop the line. A log grown past
    /// `maxDebugLogBytes` is moved to "<path>.1" (replacing the one before) and started afresh.
    void log(const QString &message);
    static constexpr qint64 defaultMaxDebugLogBytes = 1024 * 1024;
    void setMaxDebugLogBytes(qint64 bytes) { m_maxDebugLogBytes = bytes; }

private:
    void performKeyEventPaste(const KeyCombo &chord, Done done);
    void pasteViaScript(const KeyCombo &chord, Done done);

    KeySynthesizer &m_keys;
    SystemLog &m_systemLog;
    ScriptRunner &m_script;
    QString m_debugLogPath;
    Clock &m_clock;
    qint64 m_maxDebugLogBytes = defaultMaxDebugLogBytes;
};
