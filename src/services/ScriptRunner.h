#pragma once

#include "KeyCombo.h"

#include <QString>

#include <functional>

/// The fallback way to paste: an external program types the paste chord (Control+V, or a terminal's
/// own) into the focused window.
class ScriptRunner {
public:
    struct Result {
        bool success = false;
        QString error; ///< why it failed, as the program reported it
    };

    using Completion = std::function<void(const Result &)>;

    virtual ~ScriptRunner() = default;

    /// Starts typing `chord` with exactly its modifiers and returns at once. `done` runs once, on this
    /// thread, when the program has ended, could not start, or was killed at a short, bounded
    /// deadline; it may run before runPaste returns. A runner destroyed first drops it.
    virtual void runPaste(const KeyCombo &chord, Completion done) = 0;
};
