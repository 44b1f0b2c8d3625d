#pragma once

#include "services/ScriptRunner.h"

#include <QObject>
#include <QProcessEnvironment>

/// `xdotool key --clearmodifiers ctrl+v` (or whichever chord is asked for) on X11; `wtype` or `ydotool`
/// on Wayland. Never waits for the program; one still running after `timeoutMs` is killed. GUI thread
/// only.
class XdotoolScriptRunner : public ScriptRunner {
public:
    explicit XdotoolScriptRunner(
        int timeoutMs = 2000, QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

    void runPaste(const KeyCombo &chord, Completion done) override;

    /// wtype's arguments that type `chord` with exactly its modifiers held.
    static QStringList wtypeArguments(const KeyCombo &chord);

private:
    int m_timeoutMs;
    QProcessEnvironment m_environment;
    QObject m_runs; // the programs still running
};
