#pragma once

#include "ui/settings/SettingsView.h"

#include <QObject>
#include <QPointer>
#include <QQuickView>

class QQmlEngine;

/// The "Quillbox Settings" window, drawn by the panel's QML engine: a normal, resizable window that
/// exists once; opening it again brings it forward. Closing only hides it, and stops a recording.
class SettingsWindow : public QObject {
    Q_OBJECT

public:
    static constexpr QSize minimumSize{520, 420};

    /// Everything must outlive the window.
    SettingsWindow(QQmlEngine &engine, const SettingsView::Services &services, QObject *parent = nullptr);
    ~SettingsWindow() override;

    /// Opens the window, or brings it forward; the General tab's facts are read afresh.
    void show();
    /// Null until first shown.
    QQuickView *window() const { return m_window.data(); }
    SettingsView *view() const { return m_view; }

private:
    void create();

    QQmlEngine &m_engine;
    SettingsView *m_view;
    QPointer<QQuickView> m_window;
};
