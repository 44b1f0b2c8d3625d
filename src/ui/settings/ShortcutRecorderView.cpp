#include "ShortcutRecorderView.h"

#include "model/Clock.h"
#include "services/HotkeyGrabber.h"
#include "services/HotkeyService.h"
#include "services/KeyPositions.h"
#include "services/LanguageSwitchService.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <utility>

namespace {

constexpr std::uint32_t escapeKeyCode = 53;

// Pressed on their own they only start a combination.
bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// The combination's bits; Qt names the Super key Meta on X11.
std::uint32_t modifierMask(Qt::KeyboardModifiers modifiers)
{
    std::uint32_t mask = 0;
    if (modifiers & Qt::MetaModifier)
        mask |= KeyCombo::cmdKey;
    if (modifiers & Qt::ShiftModifier)
        mask |= KeyCombo::shiftKey;
    if (modifiers & Qt::AltModifier)
        mask |= KeyCombo::optionKey;
    if (modifiers & Qt::ControlModifier)
        mask |= KeyCombo::controlKey;
    return mask;
}

} // namespace

ShortcutRecorderView::ShortcutRecorderView(
    QString label, Preferences &preferences, Preferences::Key key, KeyCombo initial, Clock &clock, QObject *parent)
    : QObject(parent)
    , m_label(std::move(label))
    , m_preferences(preferences)
    , m_key(key)
    , m_currentCombo(initial)
    , m_clock(clock)
{
}

ShortcutRecorderView::~ShortcutRecorderView()
{
    stopRecording();
}

QString ShortcutRecorderView::buttonText() const
{
    return m_isRecording ? tr("Press keys...") : m_currentCombo.displayString();
}

void ShortcutRecorderView::loadCombo()
{
    if (const auto stored = KeyCombo::fromJson(m_preferences.value(m_key).toByteArray())) {
        m_currentCombo = *stored;
        emit changed();
    }
}

void ShortcutRecorderView::toggleRecording()
{
    if (m_isRecording)
        stopRecording();
    else
        startRecording();
}

void ShortcutRecorderView::startRecording()
{
    if (m_isRecording)
        return;
    m_isRecording = true;
    m_message.clear();
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->suspendGrabs();
    QCoreApplication::instance()->installEventFilter(this);
    watchForSilence();
    emit changed();
}

void ShortcutRecorderView::stopRecording()
{
    if (!m_isRecording)
        return;
    m_isRecording = false;
    ++m_silenceGeneration;
    ++m_probeGeneration;
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeEventFilter(this);
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->resumeGrabs();
    emit changed();
}

bool ShortcutRecorderView::eventFilter(QObject *watched, QEvent *event)
{
    // Every press reaches the filter once per object on its way (window, then item): take it at the
    // window only.
    if (m_isRecording && event->type() == QEvent::KeyPress && watched->isWindowType())
        return handleKeyPress(*static_cast<QKeyEvent *>(event));
    return QObject::eventFilter(watched, event);
}

bool ShortcutRecorderView::handleKeyPress(const QKeyEvent &event)
{
    if (!m_isRecording || isModifierKey(event.key()))
        return false;
    const std::uint32_t modifiers = modifierMask(event.modifiers());
    const auto keyCode = KeyPositions::keyCode(int(event.nativeScanCode()) - KeyPositions::xKeycodeOffset);
    if (modifiers == 0) {
        if (keyCode != escapeKeyCode)
            return false;
        stopRecording();
        return true;
    }
    watchForSilence();
    // Whatever becomes of this press, a desktop's answer about an earlier one is moot now.
    ++m_probeGeneration;
    if (!keyCode)
        refuse(tr("This key cannot be used in a global shortcut. Try another."));
    else
        accept(KeyCombo{std::uint32_t(*keyCode), modifiers});
    return true;
}

void ShortcutRecorderView::accept(const KeyCombo &combo)
{
    if (!combo.isAcceptableGlobalCombination()) {
        refuse(tr("Add Super, Ctrl or Alt: with Shift alone the key could no longer be typed anywhere."));
        return;
    }
    if (combo == LanguageSwitchService::fixCombo) {
        refuse(tr("%1 fixes the keyboard layout. Choose another combination.").arg(combo.displayString()));
        return;
    }
    HotkeyService *hotkeys = HotkeyService::shared();
    if (!hotkeys) {
        adopt(combo);
        return;
    }
    // The desktop may answer later, after another press or the end of recording.
    const quint64 probe = m_probeGeneration;
    hotkeys->probe(combo, this, [this, combo, probe](HotkeyGrabber::GrabResult result) {
        if (probe != m_probeGeneration || !m_isRecording)
            return;
        // The grabs of our own are released while recording, so a refusal is another program's.
        if (result != HotkeyGrabber::GrabResult::ok) {
            refuse(tr("%1 is taken by another program. The previous shortcut stays; choose another.")
                       .arg(combo.displayString()));
            return;
        }
        adopt(combo);
    });
}

void ShortcutRecorderView::adopt(const KeyCombo &combo)
{
    m_currentCombo = combo;
    m_message.clear();
    // The grabs are back before their owner registers the new one.
    stopRecording();
    m_preferences.setValue(m_key, combo.toJson());
    emit recorded();
}

void ShortcutRecorderView::refuse(const QString &message)
{
    m_message = message;
    emit changed();
}

void ShortcutRecorderView::watchForSilence()
{
    const quint64 generation = ++m_silenceGeneration;
    m_clock.schedule(silenceMs, this, [this, generation] {
        if (generation != m_silenceGeneration || !m_isRecording)
            return;
        refuse(tr("No key arrived. The desktop may keep that combination for itself; try another, or press Escape."));
    });
}
