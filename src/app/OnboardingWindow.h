#pragma once

#include <QObject>
#include <QPointer>
#include <QQuickView>

class Clock;
class GnomeExtensionView;
class KeySynthesizer;
class Preferences;
class QQmlEngine;

/// The welcome window of a first start, drawn by the panel's QML engine. "Get started" marks
/// onboarding as seen, closes the window and says it is done.
class OnboardingWindow : public QObject {
    Q_OBJECT

public:
    /// `keys` tells whether pastes can be typed; it may be null. Where `desktopBindsHotkeys`, the
    /// hotkey page says how to bind the keys on this desktop; `gnomeExtension`, where not null, adds
    /// the page that switches Quillbox's GNOME Shell extension on. Everything must outlive the window.
    OnboardingWindow(QQmlEngine &engine, Preferences &preferences, KeySynthesizer *keys, bool waylandSession,
        bool desktopBindsHotkeys, GnomeExtensionView *gnomeExtension, Clock &clock, QObject *parent = nullptr);

    /// Opens the window, or brings it forward when it is open.
    void show();
    /// Null while the window is closed.
    QQuickView *window() const { return m_window.data(); }

signals:
    /// The person finished onboarding; the window is closed.
    void finished();

private:
    void close();

    QQmlEngine &m_engine;
    Preferences &m_preferences;
    KeySynthesizer *m_keys;
    bool m_waylandSession;
    bool m_desktopBindsHotkeys;
    GnomeExtensionView *m_gnomeExtension;
    Clock &m_clock;
    QPointer<QQuickView> m_window;
};
