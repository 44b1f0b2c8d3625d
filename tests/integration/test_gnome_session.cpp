// Quillbox under GNOME Shell as a person meets it with its extension: switched off while Quillbox runs,
// Quillbox says so and captures nothing; switched on again, Quillbox registers anew, captures, and its
// shortcut opens the panel; a shortcut recorded in the settings window works at once.

#include "GnomeBed.h"
#include "QuillboxProcess.h"
#include "model/Preferences.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QTest>

namespace {

const QString panelId = QStringLiteral("io.quillbox.Quillbox");

bool switchExtension(const QString &method)
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell.Extensions", method)
            << QStringLiteral("quillbox@quillbox.io"),
        QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

GnomeBed &bed()
{
    return static_cast<GnomeBed &>(WaylandBed::current());
}

std::optional<WaylandBed::Window> windowTitled(const QString &title)
{
    for (const WaylandBed::Window &window : bed().windows()) {
        if (window.title == title)
            return window;
    }
    return std::nullopt;
}

// A click at (x, y) of a window whose content is `content` big: the Shell measures windows with the
// frame Qt draws around them, as wide on the left, right and bottom, taller on top.
bool clickIn(const QString &title, QSize content, int x, int y)
{
    const std::optional<WaylandBed::Window> window = windowTitled(title);
    if (!window)
        return false;
    const int side = (window->geometry.width() - content.width()) / 2;
    const int top = window->geometry.height() - content.height() - side;
    const bool clicked = bed().click(window->geometry.x() + side + x, window->geometry.y() + top + y);
    // A person's next move comes once the click has shown its effect.
    QTest::qWait(300);
    return clicked;
}

bool copy(const QString &text)
{
    QProcess wlCopy;
    wlCopy.start("wl-copy", {text});
    return wlCopy.waitForFinished(5000) && wlCopy.exitCode() == 0;
}

} // namespace

class TestGnomeSession : public QObject {
    Q_OBJECT

    QuillboxProcess m_quillbox;

private slots:
    void initTestCase()
    {
        QVERIFY(m_quillbox.start());
        QVERIFY(WaylandBed::current().waitForFocus(panelId));
        QVERIFY(WaylandBed::current().press("Escape"));
        QVERIFY(QTest::qWaitFor([] { return !WaylandBed::current().hasWindow(panelId); }, 5000));
        QVERIFY(copy("while on"));
        QVERIFY(m_quillbox.waitForNewest("while on"));
    }

    void switchedOffAndOnAgainWhileQuillboxRuns()
    {
        const auto registrations
            = [this] { return m_quillbox.errorOutput().count("registered with Quillbox's GNOME Shell"); };
        const qsizetype before = registrations();
        QVERIFY(switchExtension("DisableExtension"));
        QVERIFY2(
            QTest::qWaitFor(
                [this] { return m_quillbox.errorOutput().contains("GNOME Shell extension was switched off"); }, 5000),
            qPrintable(m_quillbox.errorOutput()));
        QVERIFY(copy("while off"));
        QVERIFY(!m_quillbox.waitForNewest("while off"));

        QVERIFY(switchExtension("EnableExtension"));
        QVERIFY2(QTest::qWaitFor([&] { return registrations() > before; }, 5000), qPrintable(m_quillbox.errorOutput()));
        QVERIFY(copy("on again"));
        QVERIFY2(m_quillbox.waitForNewest("on again"), qPrintable(m_quillbox.errorOutput()));
        QVERIFY(WaylandBed::current().press("super+shift+v"));
        QVERIFY(WaylandBed::current().waitForFocus(panelId, 10000));
    }

    // Opened from the panel's menu, GNOME having no tray: the shortcut recorded there is the Shell's
    // binding at once, and the old one is let go.
    void aShortcutRecordedInSettingsWorksAtOnce()
    {
        const QString settingsTitle = QStringLiteral("Quillbox Settings");
        QVERIFY(windowTitled("Quillbox"));
        QVERIFY(clickIn("Quillbox", {680, 640}, 648, 28)); // the menu button, top right
        // "Settings...", the third entry: after "Pause History" and "Clear All History", each with its separator.
        QVERIFY(clickIn("Quillbox", {680, 640}, 560, 146));
        QVERIFY(
            QTest::qWaitFor([&] { return windowTitled(settingsTitle).value_or(WaylandBed::Window{}).focused; }, 5000));
        QTest::qWait(500); // drawn and laid out, as a person sees it before clicking

        const QSize settingsSize(640, 640);
        QVERIFY(clickIn(settingsTitle, settingsSize, (640 - (6 * 84 + 5 * 4)) / 2 + 2 * 88 + 42, 36)); // Shortcuts
        QVERIFY(clickIn(settingsTitle, settingsSize, 640 - 32 - 55, 138)); // the panel shortcut's recorder
        QVERIFY(bed().press("super+shift+k"));

        QVERIFY2(QTest::qWaitFor(
                     [this] {
                         return Preferences(m_quillbox.preferencesPath()).hotkeyCombo()
                             == QByteArray(R"({"keyCode":40,"modifiers":768})");
                     },
                     3000),
            qPrintable(m_quillbox.errorOutput() + m_quillbox.output()));

        // The settings window shares the panel's app id; the panel is told by its title.
        const auto panelOpensWith = [](const QString &chord) {
            const auto panelFocused = [] { return windowTitled("Quillbox").value_or(WaylandBed::Window{}).focused; };
            if (!bed().press(chord) || !QTest::qWaitFor(panelFocused, 2000))
                return false;
            return bed().press("Escape") && QTest::qWaitFor([] { return !windowTitled("Quillbox"); }, 3000);
        };
        QVERIFY(bed().focusWindow(settingsTitle));
        QVERIFY(panelOpensWith("super+shift+k"));
        QVERIFY(bed().focusWindow(settingsTitle));
        QVERIFY(!panelOpensWith("super+shift+v"));
    }

    void cleanupTestCase() { QCOMPARE(m_quillbox.terminate(), 0); }
};

QTEST_MAIN(TestGnomeSession)
#include "test_gnome_session.moc"
