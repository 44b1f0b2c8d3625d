#pragma once

#include "services/HotkeyGrabber.h"

#include <cstdint>
#include <map>

/// Records grabs instead of making them; `press` plays the user pressing a grabbed combination.
struct FakeHotkeyGrabber : HotkeyGrabber {
    struct Grab {
        std::uint32_t keycode;
        std::uint32_t modifiers;
    };

    int grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override
    {
        if (refusal != success)
            return refusal;
        grabs[id] = {keycode, modifiers};
        return success;
    }
    void ungrab(std::uint32_t id) override { grabs.erase(id); }
    void press(std::uint32_t id) { notifyPressed(id); }

    std::map<std::uint32_t, Grab> grabs;
    int refusal = success;
};
