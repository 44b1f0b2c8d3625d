#pragma once

class QObject;

/// One Quillbox per session: the first start owns the session-bus name io.quillbox.Quillbox and
/// serves the command object on /io/quillbox/Quillbox; a later start only asks it to toggle.
class SingleInstance {
public:
    /// `unanswered`: another instance holds the name but did not answer the toggle in time.
    enum class Role { primary, secondary, unanswered, noBus };

    /// Claims the name with `commands` (its scriptable slots) exported first, so a call that was
    /// waiting for the name (D-Bus activation) finds them; or toggles the instance that holds it.
    /// With `preferActivation`, where the session bus can start Quillbox as a service and none runs,
    /// it is started that way and toggled (`secondary`): it then belongs to the session, not to
    /// whatever ran this command.
    static Role claim(QObject &commands, bool preferActivation = false);
};
