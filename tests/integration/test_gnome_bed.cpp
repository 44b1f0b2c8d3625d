// The GNOME Shell bed on itself: what Wayland tests rely on when they run on GNOME (the Overview out
// of the way, a clipboard that works, windows seen and focused by title, keys and layouts that reach a
// window). Runs inside scripts/waysession --compositor gnome.
#include "GnomeBed.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QProcess>
#include <QRasterWindow>
#include <QTest>

#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <sys/mman.h>
#include <unistd.h>

namespace {

// A client of its own beside the test's windows: what the compositor offers, and the keymap it sends
// every client's keyboard.
class SeatProbe {
public:
    SeatProbe()
        : m_display(wl_display_connect(nullptr))
        , m_context(xkb_context_new(XKB_CONTEXT_NO_FLAGS))
    {
        if (!m_display)
            return;
        wl_registry_add_listener(wl_display_get_registry(m_display), &registryListener, this);
        wl_display_roundtrip(m_display);
        wl_display_roundtrip(m_display);
    }
    ~SeatProbe()
    {
        if (m_display)
            wl_display_disconnect(m_display);
        xkb_context_unref(m_context);
    }
    SeatProbe(const SeatProbe &) = delete;
    SeatProbe &operator=(const SeatProbe &) = delete;

    QStringList globals() const { return m_globals; }
    bool hasKeyboard() const { return m_capabilities & WL_SEAT_CAPABILITY_KEYBOARD; }
    /// The names of the layouts in the keymap last sent, after the compositor's pending events.
    QStringList layouts()
    {
        if (m_display)
            wl_display_roundtrip(m_display);
        return m_layouts;
    }

private:
    static void global(void *data, wl_registry *registry, uint32_t name, const char *interface, uint32_t version)
    {
        auto *probe = static_cast<SeatProbe *>(data);
        probe->m_globals.append(QStringLiteral("%1 v%2").arg(QLatin1String(interface)).arg(version));
        if (QLatin1String(interface) == QLatin1String(wl_seat_interface.name) && !probe->m_seat) {
            probe->m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
            wl_seat_add_listener(probe->m_seat, &seatListener, probe);
        }
    }
    static void globalRemove(void *, wl_registry *, uint32_t) { }
    static void capabilities(void *data, wl_seat *seat, uint32_t capabilities)
    {
        auto *probe = static_cast<SeatProbe *>(data);
        probe->m_capabilities = capabilities;
        if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) && !probe->m_keyboard) {
            probe->m_keyboard = wl_seat_get_keyboard(seat);
            wl_keyboard_add_listener(probe->m_keyboard, &keyboardListener, probe);
        }
    }
    static void keymap(void *data, wl_keyboard *, uint32_t format, int32_t fd, uint32_t size)
    {
        auto *probe = static_cast<SeatProbe *>(data);
        void *text = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                                                                : MAP_FAILED;
        close(fd);
        if (text == MAP_FAILED)
            return;
        xkb_keymap *keymap = xkb_keymap_new_from_string(probe->m_context, static_cast<const char *>(text),
            XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
        munmap(text, size);
        probe->m_layouts.clear();
        for (xkb_layout_index_t i = 0; keymap && i < xkb_keymap_num_layouts(keymap); ++i)
            probe->m_layouts.append(QString::fromUtf8(xkb_keymap_layout_get_name(keymap, i)));
        xkb_keymap_unref(keymap);
    }
    static void enter(void *, wl_keyboard *, uint32_t, wl_surface *, wl_array *) { }
    static void leave(void *, wl_keyboard *, uint32_t, wl_surface *) { }
    static void key(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t) { }
    static void modifiers(void *, wl_keyboard *, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) { }

    static constexpr wl_registry_listener registryListener { &global, &globalRemove };
    static constexpr wl_seat_listener seatListener { &capabilities, nullptr };
    static constexpr wl_keyboard_listener keyboardListener { &keymap, &enter, &leave, &key, &modifiers, nullptr };

    wl_display *m_display;
    xkb_context *m_context;
    wl_seat *m_seat = nullptr;
    wl_keyboard *m_keyboard = nullptr;
    uint32_t m_capabilities = 0;
    QStringList m_globals;
    QStringList m_layouts;
};

// Writes down every key it gets: the text typed, or the chord ("Ctrl+A", "Return") where none is.
class KeyRecorder : public QRasterWindow {
public:
    explicit KeyRecorder(const QString &title)
    {
        setTitle(title);
        resize(320, 200);
    }
    QStringList keys;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Control || event->key() == Qt::Key_Shift || event->key() == Qt::Key_Alt
            || event->key() == Qt::Key_Meta || event->key() == Qt::Key_Super_L)
            return;
        const bool typed = !event->text().isEmpty() && event->text().at(0).isPrint()
            && !(event->modifiers() & Qt::ControlModifier);
        keys.append(typed ? event->text()
                          : QKeySequence(event->modifiers() | Qt::Key(event->key())).toString(QKeySequence::PortableText));
    }
};

const QString appId = QStringLiteral("io.quillbox.BedProbe");

QString runTool(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(5000)) {
        tool.kill();
        tool.waitForFinished();
        return QStringLiteral("<%1 did not finish>").arg(program);
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

} // namespace

class TestGnomeBed : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void overviewIsHidden();
    void clipboardRoundTrip();
    void windowsAreListedAndFocusedByTitle();
    void keysArriveInOrder();
    void layoutsReachTheKeymap();

private:
    bool focused(const QString &title);

    GnomeBed m_bed;
    SeatProbe m_probe;
    KeyRecorder m_first { QStringLiteral("Bed probe one") };
    KeyRecorder m_second { QStringLiteral("Bed probe two") };
};

void TestGnomeBed::initTestCase()
{
    QVERIFY2(!m_probe.globals().isEmpty(), "no Wayland display");
    qInfo().noquote() << "globals:" << m_probe.globals().join(QStringLiteral(", "));
    qInfo() << "seat has a keyboard:" << m_probe.hasKeyboard();
}

void TestGnomeBed::overviewIsHidden()
{
    QVERIFY(!m_bed.overviewVisible());
}

void TestGnomeBed::clipboardRoundTrip()
{
    // Without data-control, both need the keyboard focus for a moment: in the Overview they hang.
    runTool(QStringLiteral("wl-copy"), {QStringLiteral("bed clipboard ✓")});
    QCOMPARE(runTool(QStringLiteral("wl-paste"), {QStringLiteral("--no-newline")}), QStringLiteral("bed clipboard ✓"));
}

bool TestGnomeBed::focused(const QString &title)
{
    const QList<WaylandBed::Window> windows = m_bed.windows();
    return std::count_if(windows.cbegin(), windows.cend(), [](const auto &window) { return window.focused; }) == 1
        && std::any_of(windows.cbegin(), windows.cend(),
            [&](const auto &window) { return window.focused && window.title == title; });
}

void TestGnomeBed::windowsAreListedAndFocusedByTitle()
{
    m_first.show();
    m_second.show();
    // Listed with the app id the windows gave and the frames the Shell placed them in, once they
    // have drawn at their size.
    const auto listed = [this] {
        const QList<WaylandBed::Window> windows = m_bed.windows();
        return windows.size() == 2 && std::all_of(windows.cbegin(), windows.cend(), [](const auto &window) {
            return window.appId == appId && window.geometry.width() >= 320 && window.geometry.height() >= 200;
        });
    };
    QTRY_VERIFY(listed());

    // Each in turn, and one twice: focus raises a window, so a bed that takes the bottom or the top
    // window instead of the one titled would pass a plain alternation.
    for (KeyRecorder *window : {&m_first, &m_second, &m_second, &m_first}) {
        QVERIFY(m_bed.focusWindow(window->title()));
        QTRY_VERIFY(window->isActive());
        QVERIFY(focused(window->title()));
    }
    QVERIFY(!m_bed.focusWindow(QStringLiteral("no such window")));
}

void TestGnomeBed::keysArriveInOrder()
{
    QVERIFY(m_bed.focusWindow(m_second.title()));
    QTRY_VERIFY(m_second.isActive());
    m_second.keys.clear();
    for (const char *chord : {"ctrl+a", "h", "i", "exclam", "Return"})
        QVERIFY2(m_bed.press(QLatin1String(chord)), chord);
    // Control is let go after its chord: "h" arrives on its own.
    QTRY_COMPARE(m_second.keys, QStringList({"Ctrl+A", "h", "i", "!", "Return"}));
    QVERIFY(m_first.keys.isEmpty());
}

void TestGnomeBed::layoutsReachTheKeymap()
{
    m_first.keys.clear();
    QVERIFY(m_bed.setLayouts({QStringLiteral("ru"), QStringLiteral("us")}));
    // GNOME adds the layout of the interface's language after the person's own.
    QTRY_COMPARE(m_probe.layouts().mid(0, 2), QStringList({"Russian", "English (US)"}));
    QVERIFY(m_bed.focusWindow(m_first.title()));
    QTRY_VERIFY(m_first.isActive());
    // The first layout is the active one: the H key types Cyrillic er.
    QVERIFY(m_bed.press(QStringLiteral("h")));
    QTRY_COMPARE(m_first.keys, QStringList({QStringLiteral("р")}));

    // The same layouts the other way round: the first is active, not the one used last, which the
    // Shell would pick from its most-recently-used list.
    QVERIFY(m_bed.setLayouts({QStringLiteral("us"), QStringLiteral("ru")}));
    QTRY_COMPARE(m_probe.layouts().mid(0, 2), QStringList({"English (US)", "Russian"}));
    QVERIFY(m_bed.press(QStringLiteral("h")));
    QTRY_COMPARE(m_first.keys, QStringList({QStringLiteral("р"), QStringLiteral("h")}));

    // A variant in xkb's notation; on the German layout the Y key types z.
    QVERIFY(m_bed.setLayouts({QStringLiteral("de(nodeadkeys)")}));
    QTRY_COMPARE(m_probe.layouts().value(0), QStringLiteral("German (no dead keys)"));
    QVERIFY(m_bed.press(QStringLiteral("y")));
    QTRY_COMPARE(m_first.keys, QStringList({QStringLiteral("р"), QStringLiteral("h"), QStringLiteral("z")}));

    // A layout GNOME does not know is a failure, not a keymap without it.
    QVERIFY(!m_bed.setLayouts({QStringLiteral("nosuchlayout")}));
}

int main(int argc, char **argv)
{
    QGuiApplication::setDesktopFileName(appId);
    QGuiApplication app(argc, argv);
    TestGnomeBed test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_gnome_bed.moc"
