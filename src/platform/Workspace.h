#pragma once

#include "RunningApplication.h"

#include <optional>

/// The desktop's view of running applications.
class Workspace {
public:
    virtual ~Workspace() = default;

    /// The application whose window is active, if any.
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
};
