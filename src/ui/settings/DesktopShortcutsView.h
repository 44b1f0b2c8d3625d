#pragma once

#include "services/HotkeyBindingInstructions.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <optional>

/// The Shortcuts tab's part for desktops that keep global keys to themselves (sway, GNOME on
/// Wayland): what to bind, and on GNOME the custom shortcuts added with gsettings once the person
/// has confirmed it.
class DesktopShortcutsView : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The settings window owns its controller")
    /// How to bind `quillbox --toggle` and `quillbox fix-layout` on this desktop.
    Q_PROPERTY(QString instructions READ instructions CONSTANT)
    /// Quillbox can add the shortcuts itself (GNOME).
    Q_PROPERTY(bool canAddToDesktop READ canAddToDesktop CONSTANT)
    /// The outcome of the last addToDesktop(); empty before.
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    /// addToDesktop() is running its commands.
    Q_PROPERTY(bool isAdding READ isAdding NOTIFY statusChanged)

public:
    using Desktop = HotkeyBindingInstructions::Desktop;
    using Command = HotkeyBindingInstructions::Command;
    /// Runs a program and waits for it: its standard output, or nothing when it could not run or failed.
    /// Called off the GUI thread.
    using Runner = std::function<std::optional<QString>(const Command &)>;

    DesktopShortcutsView(Desktop desktop, const QList<HotkeyBindingInstructions::Binding> &bindings,
        const QString &program, Runner runner = &DesktopShortcutsView::runProgram, QObject *parent = nullptr);
    ~DesktopShortcutsView() override;

    QString instructions() const { return m_instructions; }
    bool canAddToDesktop() const { return m_desktop == Desktop::gnome; }
    QString status() const { return m_status; }
    bool isAdding() const { return m_worker != nullptr; }

    /// Adds the shortcuts to GNOME's custom shortcuts, keeping the person's own; stops at the first
    /// command that fails and says which. The commands run on a thread of their own, so a stalled
    /// settings service cannot freeze the window; status tells the outcome.
    Q_INVOKABLE void addToDesktop();

    /// The real runner: the program without a shell, given a few seconds.
    static std::optional<QString> runProgram(const Command &command);

signals:
    void statusChanged();

private:
    QString addCommands() const;
    void finishAdding(const QString &status);

    Desktop m_desktop;
    QList<HotkeyBindingInstructions::Binding> m_bindings;
    QString m_program;
    Runner m_runner;
    QString m_instructions;
    QString m_status;
    std::unique_ptr<QThread> m_worker;
};
