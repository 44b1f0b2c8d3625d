#pragma once

#include "platform/Workspace.h"

class FakeWorkspace : public Workspace {
public:
    std::optional<RunningApplication> frontmostApplication() const override { return frontmost; }

    std::optional<RunningApplication> frontmost;
};
