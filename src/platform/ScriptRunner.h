#pragma once

#include <QString>

/// The fallback way to paste: an external program types Control+V into the focused window.
class ScriptRunner {
public:
    struct Result {
        bool success = false;
        QString error; ///< why it failed, as the program reported it
    };

    virtual ~ScriptRunner() = default;

    /// Runs the paste keystroke and waits for it, at most a short, bounded time.
    virtual Result runPaste() = 0;
};
