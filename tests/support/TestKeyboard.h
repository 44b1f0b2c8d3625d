#pragma once

#include <QProcess>
#include <QStringList>

/// The keyboard the tests type on (tests/support/wl-keyboard), in the seat from construction until
/// destruction, as a person's keyboard stays plugged in (or only while it presses keys).
class TestKeyboard {
public:
    enum class Road {
        VirtualKeyboard, ///< its own keymap, with the layouts it is given
        /// the same, plugged in for each press and unplugged right after it, so the seat has no keyboard
        /// between presses; each press waits until programs have had time to take it
        VirtualKeyboardWhilePressing,
        /// through the compositor's keyboard and its keymap; as the user QUILLBOX_BED_AS_USER names
        KWinFakeInput,
    };

    explicit TestKeyboard(Road road);
    ~TestKeyboard();

    /// The compositor took the keyboard.
    bool isReady() const { return m_ready; }
    bool press(const QString &chord);
    /// A new keymap with `layouts`, the first one active (VirtualKeyboard only).
    bool setLayouts(const QStringList &layouts);

private:
    bool command(const QString &line);

    QProcess m_process;
    bool m_ready = false;
};
