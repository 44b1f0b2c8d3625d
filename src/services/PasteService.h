#pragma once

#include <QString>

class KeySynthesizer;
class ScriptRunner;
class SystemLog;

/// Makes the window in front paste the clipboard by typing Control+V: through synthetic key events
/// where the display server allows them, else through an external program. Every step is appended to
/// the debug log file and sent to the system log. GUI thread only; nothing is reported to the caller.
class PasteService {
public:
    /// The three services must outlive this one. `debugLogPath` is for tests; the default is
    /// defaultDebugLogPath().
    PasteService(
        KeySynthesizer &keys, SystemLog &systemLog, ScriptRunner &script, QString debugLogPath = defaultDebugLogPath());

    /// $HOME/quillbox_debug.log, computed on first use.
    static QString defaultDebugLogPath();

    void simulatePaste();
    /// Appends "[yyyy-MM-dd HH:mm:ss +0000] message\n" (UTC) to the debug log, created 0600 if missing,
    /// and sends the message alone to the system log. Write failures drop the line.
    void log(const QString &message);

private:
    void performKeyEventPaste();
    void pasteViaScript();

    KeySynthesizer &m_keys;
    SystemLog &m_systemLog;
    ScriptRunner &m_script;
    QString m_debugLogPath;
};
