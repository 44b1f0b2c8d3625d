#pragma once

#include <QString>

#include <optional>

/// Starting Quillbox when the person logs in to the desktop.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    /// Whether the desktop starts Quillbox at login now; asked afresh, as the person may have
    /// changed it elsewhere.
    virtual bool isEnabled() const = 0;
    /// Adds or removes the start at login. \return why it failed, or nothing on success.
    virtual std::optional<QString> setEnabled(bool enabled) = 0;
};
