#pragma once

#include "services/HotkeyGrabber.h"

#include <cstdint>
#include <map>

/// Records grabs instead of making them; `press` plays the user pressing a grabbed combination,
/// `answer` the desktop's later word on a grab.
struct FakeHotkeyGrabber : HotkeyGrabber {
    struct Grab {
        std::uint32_t keycode;
        std::uint32_t modifiers;
    };

    GrabResult grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override
    {
        if (refusal != GrabResult::ok)
            return refusal;
        grabs[id] = {keycode, modifiers};
        return answersLater ? GrabResult::pending : GrabResult::ok;
    }
    void ungrab(std::uint32_t id) override { grabs.erase(id); }
    void press(std::uint32_t id) { emit pressed(id); }
    void answer(std::uint32_t id, GrabResult result)
    {
        if (result != GrabResult::ok)
            grabs.erase(id);
        emit grabAnswered(id, result);
    }

    std::map<std::uint32_t, Grab> grabs;
    GrabResult refusal = GrabResult::ok;
    /// Grabs are pending until answer() says how they went, as with kglobalaccel.
    bool answersLater = false;
};
