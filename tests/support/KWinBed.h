#pragma once

#include "TestKeyboard.h"
#include "WaylandBed.h"

#include <QJsonArray>
#include <QObject>

#include <optional>

/// Headless KWin. Windows are listed and focused by a KWin script loaded over D-Bus (org.kde.KWin
/// /Scripting), which reports back by calling this object on the bed's session bus; the script speaks
/// both KWin 5 (clientList, activeClient) and KWin 6 (windowList, activeWindow). Keys go through
/// KWin's fake-input, layouts through KWin's keyboard settings (kxkbrc in the bed's configuration
/// folder, QUILLBOX_BED_CONFIG) and the signal that makes KWin read them again.
class KWinBed : public QObject, public WaylandBed {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.quillbox.TestBed")
public:
    KWinBed();

    QString name() const override { return QStringLiteral("kwin"); }
    QList<Window> windows() override;
    bool focusWindow(const QString &title) override;
    bool setLayouts(const QStringList &layouts) override;
    bool press(const QString &chord) override;

public slots:
    /// Called by the bed's scripts: the windows as `script` saw them, in JSON.
    Q_SCRIPTABLE void report(const QString &script, const QString &windows);

private:
    /// Runs `action` (JavaScript that may use `windows` and `activate(window)`) in KWin, then the
    /// report of the windows; nothing when KWin did not run it.
    std::optional<QJsonArray> runScript(const QString &action);

    TestKeyboard m_keyboard;
    int m_scripts = 0;
    QString m_reportOf;
    std::optional<QJsonArray> m_report;
};
