#pragma once

#include "RunningApplication.h"

#include <optional>

/// The desktop's view of running applications.
class Workspace {
public:
    virtual ~Workspace() = default;

    /// The application whose window is active, if any.
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    /// Asks for the application's remembered window to become the active one; returns at once.
    virtual void activate(const RunningApplication &application) = 0;
};
