// Key chords through KWin's fake-input, against a small compositor of the test's own that offers the
// interface and records what it is sent.

#include "ChordReport.h"
#include "platform/wayland/KWinFakeInputKeySynthesizer.h"
#include "services/KeyCombo.h"

#include <kde-fake-input-server.h>

#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <linux/input-event-codes.h>
#include <mutex>
#include <thread>
#include <wayland-server.h>

namespace {

// A compositor with nothing but fake-input, of `version`, served on a thread of its own.
class FakeInputCompositor {
public:
    struct Key {
        std::uint32_t code;
        std::uint32_t state;
        friend bool operator==(const Key &, const Key &) = default;
    };

    explicit FakeInputCompositor(std::uint32_t version)
        : m_display(wl_display_create())
    {
        m_socket = wl_display_add_socket_auto(m_display);
        wl_global_create(m_display, &org_kde_kwin_fake_input_interface, int(version), this, bind);
        m_thread = std::thread([this] {
            wl_event_loop *loop = wl_display_get_event_loop(m_display);
            while (!m_stop) {
                wl_event_loop_dispatch(loop, 20);
                wl_display_flush_clients(m_display);
            }
        });
    }
    ~FakeInputCompositor()
    {
        m_stop = true;
        m_thread.join();
        wl_display_destroy_clients(m_display);
        wl_display_destroy(m_display);
    }

    QByteArray socket() const { return m_socket; }
    QList<Key> keys() const
    {
        const std::lock_guard lock(m_mutex);
        return m_keys;
    }
    QStringList authentications() const
    {
        const std::lock_guard lock(m_mutex);
        return m_authentications;
    }

private:
    static void bind(wl_client *client, void *data, std::uint32_t version, std::uint32_t id)
    {
        wl_resource *resource = wl_resource_create(client, &org_kde_kwin_fake_input_interface, int(version), id);
        wl_resource_set_implementation(resource, &implementation, data, nullptr);
    }
    static FakeInputCompositor *of(wl_resource *resource)
    {
        return static_cast<FakeInputCompositor *>(wl_resource_get_user_data(resource));
    }
    static void authenticate(wl_client *, wl_resource *resource, const char *application, const char *)
    {
        const std::lock_guard lock(of(resource)->m_mutex);
        of(resource)->m_authentications.append(QString::fromUtf8(application));
    }
    static void keyboardKey(wl_client *, wl_resource *resource, std::uint32_t code, std::uint32_t state)
    {
        const std::lock_guard lock(of(resource)->m_mutex);
        of(resource)->m_keys.append({code, state});
    }

    static constexpr struct org_kde_kwin_fake_input_interface implementation = {.authenticate = authenticate,
        .pointer_motion = nullptr,
        .button = nullptr,
        .axis = nullptr,
        .touch_down = nullptr,
        .touch_motion = nullptr,
        .touch_up = nullptr,
        .touch_cancel = nullptr,
        .touch_frame = nullptr,
        .pointer_motion_absolute = nullptr,
        .keyboard_key = keyboardKey};

    wl_display *m_display;
    QByteArray m_socket;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
    mutable std::mutex m_mutex;
    QList<Key> m_keys;
    QStringList m_authentications;
};

using Key = FakeInputCompositor::Key;

} // namespace

class TestKWinFakeInput : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void aChordIsTypedWithItsModifiersAroundTheKey()
    {
        const FakeInputCompositor compositor(4);
        KWinFakeInputKeySynthesizer keys(compositor.socket());
        QVERIFY(keys.hasConnection());
        QVERIFY(keys.isAvailable());
        // Control+Shift+V, as a terminal pastes: V is key position 9.
        QCOMPARE(pressAtOnce(keys, 9, KeyCombo::controlKey | KeyCombo::shiftKey), std::optional(true));
        QCOMPARE(compositor.authentications(), QStringList{"Quillbox"});
        const QList<Key> typed{
            {KEY_LEFTCTRL, 1}, {KEY_LEFTSHIFT, 1}, {KEY_V, 1}, {KEY_V, 0}, {KEY_LEFTSHIFT, 0}, {KEY_LEFTCTRL, 0}};
        QCOMPARE(compositor.keys(), typed);
        // A position no key has sends nothing.
        QCOMPARE(pressAtOnce(keys, 200, KeyCombo::controlKey), std::optional(false));
        QCOMPARE(compositor.keys().size(), typed.size());
    }

    void anOlderFakeInputCannotTypeKeys()
    {
        const FakeInputCompositor compositor(3);
        KWinFakeInputKeySynthesizer keys(compositor.socket());
        QVERIFY(keys.hasConnection());
        QVERIFY(!keys.isAvailable());
        QCOMPARE(pressAtOnce(keys, 9, KeyCombo::controlKey), std::optional(false));
    }

    void withoutACompositorNothingIsSent()
    {
        KWinFakeInputKeySynthesizer keys("no-such-display");
        QVERIFY(!keys.hasConnection());
        QVERIFY(!keys.isAvailable());
        QCOMPARE(pressAtOnce(keys, 9, KeyCombo::controlKey), std::optional(false));
    }
};

QTEST_GUILESS_MAIN(TestKWinFakeInput)
#include "test_kwin_fake_input.moc"
