#pragma once

#include "capture/Workspace.h"

class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() const override { return frontmost; }
    void activate(const RunningApplication &application) override { frontmost = application; }

    std::optional<RunningApplication> frontmost;
};
