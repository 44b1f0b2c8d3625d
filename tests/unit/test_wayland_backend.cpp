// The start-up choice of display server, and the shortcut instructions for desktops that keep
// global keys to themselves, with GNOME's added by Quillbox.

#include "BackendChoice.h"
#include "services/HotkeyBindingInstructions.h"
#include "ui/settings/DesktopShortcutsView.h"

#include <QTest>

using Backend = BackendChoice::Backend;
using Desktop = HotkeyBindingInstructions::Desktop;
using Command = HotkeyBindingInstructions::Command;

Q_DECLARE_METATYPE(SessionFacts)

namespace {

const QStringList wlroots{"wl_seat", "zwlr_data_control_manager_v1", "zwlr_foreign_toplevel_manager_v1"};
// Recent Plasma offers only the standard data-control.
const QStringList plasma{"wl_seat", "ext_data_control_manager_v1", "org_kde_kwin_fake_input"};
const QStringList mutter{"wl_seat", "xdg_wm_base", "zwp_primary_selection_device_manager_v1"};

SessionFacts session(const QByteArray &platform, const QByteArray &waylandDisplay, std::optional<QStringList> globals,
    std::optional<QString> x11Problem, const QString &desktop = {})
{
    // A desktop that set WAYLAND_DISPLAY is a Wayland session.
    return SessionFacts{platform, waylandDisplay, std::move(globals), std::move(x11Problem), desktop,
        waylandDisplay.isEmpty() ? QStringLiteral("x11") : QStringLiteral("wayland")};
}

const QList<HotkeyBindingInstructions::Binding> bindings{
    {"Quillbox panel", KeyCombo::defaultCombo(), {"--toggle"}},
    {"Quillbox layout fix", KeyCombo{37, KeyCombo::cmdKey | KeyCombo::shiftKey}, {"fix-layout"}},
};

} // namespace

class TestWaylandBackend : public QObject {
    Q_OBJECT

private slots:
    void choosesTheDisplayServer_data()
    {
        QTest::addColumn<SessionFacts>("facts");
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("waylandSession");

        const std::optional<QString> noX11 = QStringLiteral("DISPLAY is not set");
        QTest::newRow("X11 desktop") << session({}, {}, {}, {}) << Backend::x11 << "" << false;
        QTest::newRow("sway") << session({}, "wayland-1", wlroots, noX11) << Backend::wayland << "" << true;
        QTest::newRow("sway with XWayland") << session({}, "wayland-1", wlroots, {}) << Backend::wayland << "" << true;
        QTest::newRow("Plasma, ext data-control only")
            << session({}, "wayland-0", plasma, {}, "KDE") << Backend::wayland << "" << true;
        QTest::newRow("Plasma without XWayland")
            << session({}, "wayland-0", plasma, noX11, "KDE") << Backend::wayland << "" << true;
        QTest::newRow("GNOME with XWayland")
            << session({}, "wayland-0", mutter, {}, "GNOME") << Backend::x11 << "GNOME does not let" << true;
        QTest::newRow("GNOME without XWayland")
            << session({}, "wayland-0", mutter, noX11, "GNOME") << Backend::wayland << "are not captured" << true;
        QTest::newRow("-platform xcb in a Wayland session")
            << session("xcb", "wayland-1", {}, {}) << Backend::x11 << "" << true;
        QTest::newRow("-platform wayland without data-control")
            << session("wayland", "wayland-0", mutter, {}, "GNOME") << Backend::wayland << "are not captured" << true;
        QTest::newRow("an unreachable compositor, X11 there")
            << session({}, "wayland-9", std::nullopt, {}) << Backend::x11 << "" << true;
        QTest::newRow("an unreachable compositor, nothing else")
            << session({}, "wayland-9", std::nullopt, noX11) << Backend::none << "wayland-9" << true;
        QTest::newRow("-platform wayland, unreachable")
            << session("wayland", "wayland-9", std::nullopt, {}) << Backend::none << "wayland-9" << true;
        QTest::newRow("another platform")
            << session("offscreen", "wayland-1", wlroots, {}) << Backend::none << "offscreen is not supported" << true;
        QTest::newRow("no session at all")
            << session({}, {}, std::nullopt, noX11) << Backend::none << "DISPLAY is not set" << false;
    }
    void choosesTheDisplayServer()
    {
        QFETCH(SessionFacts, facts);
        QFETCH(Backend, backend);
        QFETCH(QString, said);
        QFETCH(bool, waylandSession);
        const BackendChoice choice = BackendChoice::choose(facts);
        QCOMPARE(choice.backend, backend);
        QCOMPARE(choice.waylandSession, waylandSession);
        const QString text = backend == Backend::none ? choice.problem : choice.notice;
        if (said.isEmpty())
            QCOMPARE(text, QString());
        else
            QVERIFY2(text.contains(said), qPrintable(text));
    }

    // Serving, the extension is the way in; installed but off, XWayland stays, and every place that
    // tells what this session lacks says how to switch it on, and whether that takes a new login.
    void gnomeRunsThroughItsShellExtensionWhereItServes()
    {
        using State = GnomeExtensionState::State;
        const auto gnome = [](State extension) {
            SessionFacts facts = session({}, "wayland-0", mutter, {}, "ubuntu:GNOME");
            facts.gnomeExtension = extension;
            return BackendChoice::choose(facts);
        };
        const BackendChoice serving = gnome(State::serving);
        QCOMPARE(serving.backend, Backend::wayland);
        QVERIFY(serving.throughGnomeShell());
        QCOMPARE(serving.notice, QString());

        const BackendChoice disabled = gnome(State::disabled);
        QCOMPARE(disabled.backend, Backend::x11);
        QVERIFY(!disabled.throughGnomeShell());
        QVERIFY(disabled.canEnableGnomeExtension());
        QVERIFY2(disabled.notice.contains("gnome-extensions enable quillbox@quillbox.io"), qPrintable(disabled.notice));
        QVERIFY(disabled.notice.contains("loads it at once"));

        const BackendChoice newlyInstalled = gnome(State::installedThisSession);
        QVERIFY(newlyInstalled.canEnableGnomeExtension());
        QVERIFY2(newlyInstalled.notice.contains("at your next login"), qPrintable(newlyInstalled.notice));

        const BackendChoice absent = gnome(State::notInstalled);
        QCOMPARE(absent.backend, Backend::x11);
        QVERIFY(!absent.canEnableGnomeExtension());
        QCOMPARE(absent.gnomeExtensionAdvice(), QString());
        QVERIFY(absent.notice.startsWith("[Quillbox] ubuntu:GNOME does not let"));
    }

    void readsTheShellsWordOnTheExtension()
    {
        using State = GnomeExtensionState::State;
        const auto state = [](int shellState) { return QVariantMap{{"uuid", "quillbox@quillbox.io"}, {"state", double(shellState)}}; };
        QCOMPARE(GnomeExtensionState::classify(true, {}, true), State::serving);
        QCOMPARE(GnomeExtensionState::classify(false, state(2), true), State::disabled);
        QCOMPARE(GnomeExtensionState::classify(false, state(6), true), State::disabled);
        QCOMPARE(GnomeExtensionState::classify(false, state(1), true), State::failed);
        QCOMPARE(GnomeExtensionState::classify(false, state(4), true), State::failed);
        QCOMPARE(GnomeExtensionState::classify(false, state(99), false), State::notInstalled);
        // The Shell knows nothing of an extension installed after it started.
        QCOMPARE(GnomeExtensionState::classify(false, {}, true), State::installedThisSession);
        QCOMPARE(GnomeExtensionState::classify(false, {}, false), State::notInstalled);
    }

    void namesTheDesktop()
    {
        QCOMPARE(HotkeyBindingInstructions::desktopOf("sway"), Desktop::sway);
        QCOMPARE(HotkeyBindingInstructions::desktopOf("ubuntu:GNOME"), Desktop::gnome);
        QCOMPARE(HotkeyBindingInstructions::desktopOf("KDE"), Desktop::kde);
        QCOMPARE(HotkeyBindingInstructions::desktopOf("Hyprland"), Desktop::other);
        QCOMPARE(HotkeyBindingInstructions::desktopOf(""), Desktop::other);
    }

    void swayBindsByKeyPositionAndFloatsThePanel()
    {
        QCOMPARE(HotkeyBindingInstructions::swayConfig(bindings, "/opt/My Apps/quillbox"),
            QStringList({"bindsym --to-code Mod4+Shift+v exec '/opt/My Apps/quillbox' --toggle",
                "bindsym --to-code Mod4+Shift+l exec '/opt/My Apps/quillbox' fix-layout",
                "for_window [app_id=\"io.quillbox.Quillbox\" title=\"^Quillbox$\"] floating enable, move "
                "position center"}));
        const QString text = HotkeyBindingInstructions::text(Desktop::sway, bindings, "/usr/bin/quillbox");
        QVERIFY(text.contains("~/.config/sway/config"));
        QVERIFY(text.contains("bindsym --to-code Mod4+Shift+v exec /usr/bin/quillbox --toggle"));
    }

    void gnomeShortcutsKeepTheOthers()
    {
        const QString schema = "org.gnome.settings-daemon.plugins.media-keys";
        const QString folder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
        const auto commands = HotkeyBindingInstructions::gnomeCommands(
            bindings, "/usr/bin/quillbox", "['" + folder + "custom0/', '" + folder + "quillbox---toggle/']");
        QCOMPARE(commands.size(), 7);
        QCOMPARE(commands.first(),
            (Command{"gsettings",
                {"set", schema, "custom-keybindings",
                    "['" + folder + "custom0/', '" + folder + "quillbox---toggle/', '" + folder
                        + "quillbox-fix-layout/']"}}));
        const QString toggle = schema + ".custom-keybinding:" + folder + "quillbox---toggle/";
        QVERIFY(commands.contains(Command{"gsettings", {"set", toggle, "binding", "<Super><Shift>v"}}));
        QVERIFY(commands.contains(Command{"gsettings", {"set", toggle, "command", "/usr/bin/quillbox --toggle"}}));
        QVERIFY(commands.contains(Command{"gsettings", {"set", toggle, "name", "Quillbox panel"}}));

        // An empty list prints as a typed empty array.
        QCOMPARE(HotkeyBindingInstructions::gnomeCommands(bindings.mid(0, 1), "quillbox", "@as []").first(),
            (Command{"gsettings", {"set", schema, "custom-keybindings", "['" + folder + "quillbox---toggle/']"}}));
    }

    void otherDesktopsGetTheCommandsToBind()
    {
        QVERIFY(HotkeyBindingInstructions::text(Desktop::kde, bindings, "quillbox")
                    .contains("Custom Shortcuts:\n  <Super><Shift>v: quillbox --toggle"));
        const QString text = HotkeyBindingInstructions::text(Desktop::gnome, bindings, "quillbox");
        QVERIFY(text.contains("<Super><Shift>v: quillbox --toggle"));
        QVERIFY(text.contains("<Super><Shift>l: quillbox fix-layout"));
    }

    void gnomeShortcutsAreAddedThroughTheRunner()
    {
        QList<Command> ran;
        const QString folder = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
        DesktopShortcutsView view(Desktop::gnome, bindings, "quillbox", [&](const Command &command) {
            ran << command;
            return command.arguments.first() == "get" ? std::optional<QString>("['" + folder + "custom0/']\n")
                                                      : std::optional<QString>("");
        });
        QVERIFY(view.canAddToDesktop());
        QVERIFY(ran.isEmpty()); // nothing runs before the person confirms
        view.addToDesktop();
        QVERIFY(view.isAdding());
        view.addToDesktop(); // a second click while the first runs adds nothing twice
        QTRY_VERIFY(!view.isAdding());
        QCOMPARE(ran.size(), 8);
        QCOMPARE(ran.first(), HotkeyBindingInstructions::gnomeReadCommand());
        // The person's own shortcut stays in the list that is written.
        QVERIFY(ran.at(1).arguments.last().startsWith("['" + folder + "custom0/', "));
        QCOMPARE(view.status(), "Added to GNOME's custom shortcuts.");
    }

    void aFailingGsettingsStopsAndSaysWhich()
    {
        int calls = 0;
        DesktopShortcutsView view(Desktop::gnome, bindings, "quillbox", [&](const Command &command) {
            ++calls;
            return command.arguments.first() == "get" ? std::optional<QString>("@as []") : std::nullopt;
        });
        view.addToDesktop();
        QTRY_VERIFY(!view.isAdding());
        // Without the list written, the shortcuts' own keys would point at nothing.
        QCOMPARE(calls, 2);
        QVERIFY(view.status().startsWith("Could not add the shortcuts: gsettings set"));

        DesktopShortcutsView unreadable(
            Desktop::gnome, bindings, "quillbox", [](const Command &) { return std::nullopt; });
        unreadable.addToDesktop();
        QTRY_VERIFY(!unreadable.isAdding());
        QCOMPARE(unreadable.status(), "Could not read GNOME's custom shortcuts: gsettings failed");
    }

    void swayIsOnlyTold()
    {
        int calls = 0;
        DesktopShortcutsView view(Desktop::sway, bindings, "quillbox", [&](const Command &) {
            ++calls;
            return std::optional<QString>("");
        });
        QVERIFY(!view.canAddToDesktop());
        QVERIFY(view.instructions().contains("bindsym --to-code Mod4+Shift+l exec quillbox fix-layout"));
        view.addToDesktop();
        QCOMPARE(calls, 0);
    }
};

QTEST_MAIN(TestWaylandBackend)
#include "test_wayland_backend.moc"
