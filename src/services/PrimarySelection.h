#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

/// The X11 PRIMARY selection: the text selected last, in whatever program.
class PrimarySelection {
public:
    virtual ~PrimarySelection() = default;

    /// Reads the selected text, off the GUI thread, when the selection's owner belongs to the client
    /// of `window` (the focused window) and is not this program; `done` runs later on the GUI thread
    /// with the text, or nothing (no owner, another client's, ours, no text, no answer in time).
    virtual void readSelectedText(std::uint32_t window, std::function<void(std::optional<QString>)> done) = 0;
};
