#pragma once

#include "KeyCombo.h"

#include <QString>

/// The fallback way to paste: an external program types the paste chord (Control+V, or a terminal's
/// own) into the focused window.
class ScriptRunner {
public:
    struct Result {
        bool success = false;
        QString error; ///< why it failed, as the program reported it
    };

    virtual ~ScriptRunner() = default;

    /// Types `chord` with exactly its modifiers and waits for it, at most a short, bounded time.
    virtual Result runPaste(const KeyCombo &chord) = 0;
};
