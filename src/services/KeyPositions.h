#pragma once

#include <optional>

/// Key positions as Quillbox stores and displays them (the classic Apple virtual key codes, e.g.
/// V = 9, L = 37, Return = 36), mapped both ways to Linux evdev codes. An X keycode is evdev + 8.
namespace KeyPositions {

/// The evdev code of the key at `keyCode`, or nothing where no key has that position.
std::optional<int> evdevCode(int keyCode);
/// The key position of an evdev code, or nothing.
std::optional<int> keyCode(int evdevCode);

constexpr int xKeycodeOffset = 8;

} // namespace KeyPositions
