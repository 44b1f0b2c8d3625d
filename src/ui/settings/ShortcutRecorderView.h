#pragma once

#include "model/Preferences.h"
#include "services/KeyCombo.h"

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

class Clock;
class QKeyEvent;

/// The control that records a global key combination. While recording it sees every key press of
/// the application first, releases Quillbox's own global grabs (so that Super+Shift+V reaches it
/// instead of opening the panel) and takes them back when it stops. A press with Super, Control or
/// Alt becomes the combination: stored under the preference, then `recorded` tells the hotkey's
/// owner to register it again. Escape alone cancels; a key without modifiers passes through.
/// Refused, with a message, and still recording: Shift as the only modifier (the key would be taken
/// from typing everywhere), the wrong-layout fix's combination, a key without a key position, and a
/// combination the desktop refuses to grab. A combination the window manager keeps for itself never
/// arrives; after a few seconds without a key the message says so.
class ShortcutRecorderView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window owns its recorder")
    Q_PROPERTY(QString label READ label CONSTANT)
    /// "Press keys..." while recording, else the combination's display string.
    Q_PROPERTY(QString buttonText READ buttonText NOTIFY changed)
    Q_PROPERTY(bool isRecording READ isRecording NOTIFY changed)
    /// Why the last press was not taken, or that no key arrives; empty otherwise.
    Q_PROPERTY(QString message READ message NOTIFY changed)

public:
    /// Without a key for this long the recorder suspects the window manager keeps the combination.
    static constexpr int silenceMs = 4000;

    /// Shows `initial` until loadCombo() finds a stored one. Everything must outlive the recorder.
    ShortcutRecorderView(QString label, Preferences &preferences, Preferences::Key key, KeyCombo initial,
        Clock &clock, QObject *parent = nullptr);
    ~ShortcutRecorderView() override;

    QString label() const { return m_label; }
    QString buttonText() const;
    bool isRecording() const { return m_isRecording; }
    QString message() const { return m_message; }
    KeyCombo currentCombo() const { return m_currentCombo; }

    /// The stored combination, if one can be read; otherwise the shown one stays.
    Q_INVOKABLE void loadCombo();
    /// The main button: starts recording, or stops it.
    Q_INVOKABLE void toggleRecording();
    Q_INVOKABLE void startRecording();
    Q_INVOKABLE void stopRecording();

    /// One key press while recording. \return whether it was consumed (not delivered further).
    bool handleKeyPress(const QKeyEvent &event);

signals:
    void changed();
    /// A new combination was stored.
    void recorded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void accept(const KeyCombo &combo);
    /// Stores the combination and tells its owner.
    void adopt(const KeyCombo &combo);
    void refuse(const QString &message);
    /// Restarts the wait for a key.
    void watchForSilence();

    QString m_label;
    Preferences &m_preferences;
    Preferences::Key m_key;
    KeyCombo m_currentCombo;
    Clock &m_clock;
    bool m_isRecording = false;
    QString m_message;
    quint64 m_silenceGeneration = 0;
    quint64 m_probeGeneration = 0;
};
