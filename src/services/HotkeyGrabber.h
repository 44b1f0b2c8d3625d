#pragma once

#include <QObject>

#include <cstdint>

/// System-wide key grabs, each under a caller-chosen id. GUI thread only.
class HotkeyGrabber : public QObject {
    Q_OBJECT
public:
    /// What the desktop said to a grab.
    enum class GrabResult {
        ok, ///< held (where the desktop has the last word, asked for: a refusal comes through grabAnswered)
        pending, ///< asked; the answer comes through grabAnswered
        taken, ///< another program holds the combination
        noSuchKey, ///< the desktop has no name for the key
        unavailable, ///< no desktop service to grab with, or it failed to answer
    };
    Q_ENUM(GrabResult)

    using QObject::QObject;

    /// Grabs X keycode `keycode` with `modifiers` (KeyCombo's bits) under `id`, replacing what `id`
    /// held, for every state of CapsLock and NumLock. All or nothing: on a refusal no part of the grab
    /// is left held. Never waits on another process.
    virtual GrabResult grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) = 0;
    /// Releases the grab held or asked for under `id`, if any; an answer still due for it is dropped.
    virtual void ungrab(std::uint32_t id) = 0;

signals:
    /// A grabbed combination was pressed. Emitted on the GUI thread, possibly from inside native event
    /// processing: receivers must not do real work there.
    void pressed(quint32 id);
    /// The desktop's later word on a grab, always from the event loop: the answer to one that returned
    /// pending, or the refusal of one that returned ok. After a refusal nothing is held under `id`.
    void grabAnswered(quint32 id, HotkeyGrabber::GrabResult result);
};
