#pragma once

#include "WaylandBed.h"

#include <QDBusMessage>
#include <QDBusPendingCall>

#include <optional>

/// Headless GNOME Shell (tests/support/beds/gnome.sh). GNOME gives clients no window list and no
/// virtual keyboard, so the bed acts through the tests' own Shell extension, on the session bus.
class GnomeBed : public WaylandBed {
public:
    QString name() const override;
    QList<Window> windows() override;
    bool focusWindow(const QString &title) override;
    bool setLayouts(const QStringList &layouts) override;
    bool press(const QString &chord) override;

    /// A left click at (`x`, `y`) of the screen, as a person's pointer makes it.
    bool click(int x, int y);
    /// Whether the Shell shows its Overview, where typed keys go to its search box.
    bool overviewVisible();
    /// Starts pressing `chord` as press() does and returns at once, so a test acts while the keys are
    /// held; the call finishes once they are all up. An error when no keys make the chord.
    QDBusPendingCall startPress(const QString &chord);

private:
    /// The extension's Press call for `chord`; nothing when no keys make it.
    static std::optional<QDBusMessage> pressMessage(const QString &chord);
    /// The extension's reply, or an error message (logged) when it did not answer as it should.
    QDBusMessage call(const QString &method, const QVariantList &arguments, const QString &replySignature);
};
