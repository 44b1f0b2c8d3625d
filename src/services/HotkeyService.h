#pragma once

#include "HotkeyGrabber.h"
#include "KeyCombo.h"

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>

/// Packs a four-character code the usual way: the first character in the most significant byte.
constexpr std::uint32_t fourCharCode(const char (&code)[5])
{
    return std::uint32_t(std::uint8_t(code[0])) << 24 | std::uint32_t(std::uint8_t(code[1])) << 16
        | std::uint32_t(std::uint8_t(code[2])) << 8 | std::uint32_t(std::uint8_t(code[3]));
}

/// Global hotkeys under small numeric ids, each with the action to run when it is pressed.
/// GUI thread only. Every change is reported as a line on standard output.
class HotkeyService : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void()>;
    using GrabResult = HotkeyGrabber::GrabResult;
    using ProbeAnswer = std::function<void(GrabResult)>;

    /// Becomes shared() and starts listening to `grabber`, which must outlive this service.
    explicit HotkeyService(HotkeyGrabber &grabber);
    ~HotkeyService() override;

    /// The most recently constructed service still alive, if any.
    static HotkeyService *shared();

    /// Registers `combo` under `id`, replacing whatever `id` had. When the desktop refuses the
    /// combination, `id` is left with neither a hotkey nor a handler. The signature identifies the
    /// caller only; dispatch goes by id. Where the desktop answers later, the id counts as registered
    /// (and the line says so) once it has; presses that come before then still reach the handler.
    void registerHotkey(std::uint32_t id, std::uint32_t signature, const KeyCombo &combo, Handler handler);
    /// Releases `id` and its handler; an id without a registration is left alone, silently.
    void unregister(std::uint32_t id);
    /// Releases every registration and drops every handler.
    void unregister();

    /// Lets go of every grab but keeps the registrations, so that their keys reach the focused window
    /// (the shortcut recorder must see Super+Shift+V, not open the panel); resumeGrabs() takes them
    /// back. One that another client took in the meantime is dropped, with the failure line.
    void suspendGrabs();
    void resumeGrabs();
    bool isSuspended() const { return m_isSuspended; }
    /// Whether the desktop gives `combo` now: grabbed under a scratch id and released once answered.
    /// `answer` gets GrabResult::ok or why it was refused: at once where the desktop answers at once,
    /// else later from the event loop, unless `context` is gone by then or another probe came since.
    void probe(const KeyCombo &combo, QObject *context, ProbeAnswer answer);

    bool isRegistered(std::uint32_t id) const { return m_hotKeyRefs.contains(id); }
    bool hasHandler(std::uint32_t id) const { return m_handlers.contains(id); }

private:
    static void dispatch(std::uint32_t id);
    /// Grabs `combo` under `id`; the grabber's answer.
    GrabResult grab(std::uint32_t id, const KeyCombo &combo);
    void hold(std::uint32_t id, const KeyCombo &combo);
    void reportFailure(std::uint32_t id, GrabResult result);
    void noteAnswer(quint32 id, HotkeyGrabber::GrabResult result);

    HotkeyGrabber &m_grabber;
    std::map<std::uint32_t, KeyCombo> m_hotKeyRefs;
    /// Registrations the desktop has yet to answer, by id.
    std::map<std::uint32_t, KeyCombo> m_awaiting;
    std::map<std::uint32_t, Handler> m_handlers;
    QPointer<QObject> m_probeContext;
    ProbeAnswer m_probeAnswer;
    bool m_isSuspended = false;
};
