#pragma once

#include "services/ScriptRunner.h"

#include <QProcessEnvironment>

/// `xdotool key --clearmodifiers ctrl+v` (or whichever chord is asked for) on X11; `wtype` or `ydotool`
/// on Wayland. Blocks the calling thread for at most `timeoutMs`; a program still running then is killed.
class XdotoolScriptRunner : public ScriptRunner {
public:
    explicit XdotoolScriptRunner(
        int timeoutMs = 2000, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    Result runPaste(const KeyCombo &chord) override;

    /// wtype's arguments that type `chord` with exactly its modifiers held.
    static QStringList wtypeArguments(const KeyCombo &chord);

private:
    int m_timeoutMs;
    QProcessEnvironment m_environment;
};
