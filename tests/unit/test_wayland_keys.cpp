// Key chords through KWin's fake-input and through a virtual keyboard of Quillbox's own, against a
// small compositor of the test's own that offers those interfaces and records what it is sent.

#include "ChordReport.h"
#include "TestCompositor.h"
#include "platform/wayland/KWinFakeInputKeySynthesizer.h"
#include "platform/wayland/VirtualKeyboardKeySynthesizer.h"
#include "platform/wayland/WaylandConnection.h"
#include "services/KeyCombo.h"

#include <kde-fake-input-server.h>
#include <virtual-keyboard-unstable-v1-server.h>

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <linux/input-event-codes.h>
#include <mutex>
#include <unistd.h>
#include <wayland-server.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// A compositor offering fake-input of `fakeInputVersion` (none at 0) and, when asked, a seat with
// virtual keyboards, which it may refuse as an unauthorised client's. Both kinds of key land in one
// record: "key CODE down|up", "mods DEPRESSED LATCHED LOCKED GROUP", "keymap".
class KeyRecordingCompositor {
public:
    struct Offer {
        std::uint32_t fakeInputVersion = 0;
        bool virtualKeyboard = false;
        bool refuseKeyboards = false;
    };

    explicit KeyRecordingCompositor(Offer offer)
        : m_offer(offer)
    {
        if (offer.fakeInputVersion)
            wl_global_create(m_compositor.display(), &org_kde_kwin_fake_input_interface, int(offer.fakeInputVersion),
                this, bindFakeInput);
        if (offer.virtualKeyboard) {
            wl_global_create(m_compositor.display(), &wl_seat_interface, 1, this, bindSeat);
            wl_global_create(
                m_compositor.display(), &zwp_virtual_keyboard_manager_v1_interface, 1, this, bindKeyboardManager);
        }
        m_compositor.serve();
    }

    QByteArray socket() const { return m_compositor.socket(); }
    QStringList events() const { return locked(m_events); }
    QStringList authentications() const { return locked(m_authentications); }
    int keyboards() const { return locked(m_keyboards); }
    QByteArray keymap() const { return locked(m_keymap); }

private:
    // The compositor's thread writes the record.
    template <typename T> T locked(const T &value) const
    {
        const std::lock_guard lock(m_mutex);
        return value;
    }
    static KeyRecordingCompositor *of(wl_resource *resource)
    {
        return static_cast<KeyRecordingCompositor *>(wl_resource_get_user_data(resource));
    }
    void record(const QString &event)
    {
        const std::lock_guard lock(m_mutex);
        m_events.append(event);
    }
    static QString keyEvent(std::uint32_t code, std::uint32_t state)
    {
        return QStringLiteral("key %1 %2").arg(code).arg(state ? "down" : "up");
    }

    static void destroyResource(wl_client *, wl_resource *resource) { wl_resource_destroy(resource); }

    static void bindFakeInput(wl_client *client, void *data, std::uint32_t version, std::uint32_t id)
    {
        wl_resource *resource = wl_resource_create(client, &org_kde_kwin_fake_input_interface, int(version), id);
        wl_resource_set_implementation(resource, &fakeInputImplementation, data, nullptr);
    }
    static void authenticate(wl_client *, wl_resource *resource, const char *application, const char *)
    {
        const std::lock_guard lock(of(resource)->m_mutex);
        of(resource)->m_authentications.append(QString::fromUtf8(application));
    }
    static void fakeKey(wl_client *, wl_resource *resource, std::uint32_t code, std::uint32_t state)
    {
        of(resource)->record(keyEvent(code, state));
    }

    static void bindSeat(wl_client *client, void *data, std::uint32_t version, std::uint32_t id)
    {
        wl_resource *resource = wl_resource_create(client, &wl_seat_interface, int(version), id);
        wl_resource_set_implementation(resource, &seatImplementation, data, nullptr);
        wl_seat_send_capabilities(resource, 0);
    }
    static void bindKeyboardManager(wl_client *client, void *data, std::uint32_t version, std::uint32_t id)
    {
        wl_resource *resource
            = wl_resource_create(client, &zwp_virtual_keyboard_manager_v1_interface, int(version), id);
        wl_resource_set_implementation(resource, &managerImplementation, data, nullptr);
    }
    static void createKeyboard(wl_client *client, wl_resource *resource, wl_resource *, std::uint32_t id)
    {
        KeyRecordingCompositor *self = of(resource);
        if (self->m_offer.refuseKeyboards) {
            wl_resource_post_error(resource, ZWP_VIRTUAL_KEYBOARD_MANAGER_V1_ERROR_UNAUTHORIZED, "not trusted");
            return;
        }
        wl_resource *keyboard = wl_resource_create(client, &zwp_virtual_keyboard_v1_interface, 1, id);
        wl_resource_set_implementation(keyboard, &keyboardImplementation, self, nullptr);
        const std::lock_guard lock(self->m_mutex);
        ++self->m_keyboards;
    }
    static void keymap(wl_client *, wl_resource *resource, std::uint32_t, std::int32_t fd, std::uint32_t size)
    {
        QByteArray text(qsizetype(size), '\0');
        const bool read = ::pread(fd, text.data(), size, 0) == ssize_t(size);
        ::close(fd);
        of(resource)->record(QStringLiteral("keymap"));
        const std::lock_guard lock(of(resource)->m_mutex);
        of(resource)->m_keymap = read ? text : QByteArray();
    }
    static void virtualKey(wl_client *, wl_resource *resource, std::uint32_t, std::uint32_t code, std::uint32_t state)
    {
        of(resource)->record(keyEvent(code, state));
    }
    static void modifiers(wl_client *, wl_resource *resource, std::uint32_t depressed, std::uint32_t latched,
        std::uint32_t locked, std::uint32_t group)
    {
        of(resource)->record(QStringLiteral("mods %1 %2 %3 %4").arg(depressed).arg(latched).arg(locked).arg(group));
    }

    static constexpr struct org_kde_kwin_fake_input_interface fakeInputImplementation = {.authenticate = authenticate,
        .pointer_motion = nullptr,
        .button = nullptr,
        .axis = nullptr,
        .touch_down = nullptr,
        .touch_motion = nullptr,
        .touch_up = nullptr,
        .touch_cancel = nullptr,
        .touch_frame = nullptr,
        .pointer_motion_absolute = nullptr,
        .keyboard_key = fakeKey};
    static constexpr struct wl_seat_interface seatImplementation
        = {.get_pointer = nullptr, .get_keyboard = nullptr, .get_touch = nullptr, .release = destroyResource};
    static constexpr struct zwp_virtual_keyboard_manager_v1_interface managerImplementation
        = {.create_virtual_keyboard = createKeyboard};
    static constexpr struct zwp_virtual_keyboard_v1_interface keyboardImplementation
        = {.keymap = keymap, .key = virtualKey, .modifiers = modifiers, .destroy = destroyResource};

    const Offer m_offer;
    mutable std::mutex m_mutex;
    QStringList m_events;
    QStringList m_authentications;
    QByteArray m_keymap;
    int m_keyboards = 0;
    // Last, so that it stops serving before the record goes.
    TestCompositor m_compositor;
};

// Control+Shift+V, as a terminal pastes: V is key position 9.
constexpr int vPosition = 9;
constexpr std::uint32_t controlShift = KeyCombo::controlKey | KeyCombo::shiftKey;

QString key(std::uint32_t code, bool down)
{
    return QStringLiteral("key %1 %2").arg(code).arg(down ? "down" : "up");
}

} // namespace

class TestWaylandKeys : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;

private slots:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void fakeInputTypesAChordWithItsModifiersAroundTheKey()
    {
        const KeyRecordingCompositor compositor({.fakeInputVersion = 4});
        WaylandConnection connection(compositor.socket());
        KWinFakeInputKeySynthesizer keys(connection);
        QVERIFY(keys.hasConnection());
        QVERIFY(keys.isAvailable());
        QCOMPARE(pressAtOnce(keys, vPosition, controlShift), std::optional(true));
        QCOMPARE(compositor.authentications(), QStringList{"Quillbox"});
        const QStringList typed{key(KEY_LEFTCTRL, true), key(KEY_LEFTSHIFT, true), key(KEY_V, true),
            key(KEY_V, false), key(KEY_LEFTSHIFT, false), key(KEY_LEFTCTRL, false)};
        QCOMPARE(compositor.events(), typed);
        // A position no key has sends nothing.
        QCOMPARE(pressAtOnce(keys, 200, KeyCombo::controlKey), std::optional(false));
        QCOMPARE(compositor.events().size(), typed.size());
    }

    void anOlderFakeInputCannotTypeKeys()
    {
        const KeyRecordingCompositor compositor({.fakeInputVersion = 3});
        WaylandConnection connection(compositor.socket());
        KWinFakeInputKeySynthesizer keys(connection);
        QVERIFY(keys.hasConnection());
        QVERIFY(!keys.isAvailable());
        QCOMPARE(pressAtOnce(keys, vPosition, KeyCombo::controlKey), std::optional(false));
    }

    void oneVirtualKeyboardTypesEveryChordWithTheModifiersItHolds()
    {
        const KeyRecordingCompositor compositor({.virtualKeyboard = true});
        WaylandConnection connection(compositor.socket());
        VirtualKeyboardKeySynthesizer keys(connection);
        QVERIFY(keys.isAvailable());

        // Its keymap is a US one that programs can read, and names no layout.
        const QByteArray keymap = compositor.keymap();
        QVERIFY(keymap.endsWith('\0'));
        QVERIFY(!QString::fromUtf8(keymap).contains(QRegularExpression(QStringLiteral("^\\s*name\\["),
            QRegularExpression::MultilineOption)));
        xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES);
        xkb_keymap *compiled
            = xkb_keymap_new_from_string(context, keymap.constData(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
        QVERIFY(compiled);
        QCOMPARE(xkb_keymap_num_layouts(compiled), 1u);
        const xkb_keysym_t *symbols = nullptr;
        QCOMPARE(xkb_keymap_key_get_syms_by_level(compiled, KEY_V + 8, 0, 0, &symbols), 1);
        QCOMPARE(symbols[0], xkb_keysym_t(XKB_KEY_v));
        const xkb_mod_mask_t control = 1u << xkb_keymap_mod_get_index(compiled, XKB_MOD_NAME_CTRL);
        const xkb_mod_mask_t shift = 1u << xkb_keymap_mod_get_index(compiled, XKB_MOD_NAME_SHIFT);
        xkb_keymap_unref(compiled);
        xkb_context_unref(context);

        // Programs read modifiers from what the keyboard says it holds, not from its keys.
        const auto mods = [](xkb_mod_mask_t depressed) { return QStringLiteral("mods %1 0 0 0").arg(depressed); };
        const QStringList chord{key(KEY_LEFTCTRL, true), mods(control), key(KEY_LEFTSHIFT, true), mods(control | shift),
            key(KEY_V, true), key(KEY_V, false), key(KEY_LEFTSHIFT, false), mods(control), key(KEY_LEFTCTRL, false),
            mods(0)};
        QStringList expected{QStringLiteral("keymap")};
        // The same keyboard types every paste of a session: a new one would lose its first key.
        for (int paste = 0; paste < 20; ++paste) {
            QCOMPARE(pressAtOnce(keys, vPosition, controlShift), std::optional(true));
            expected += chord;
        }
        QCOMPARE(compositor.events(), expected);
        QCOMPARE(compositor.keyboards(), 1);

        QCOMPARE(pressAtOnce(keys, 200, KeyCombo::controlKey), std::optional(false));
        QCOMPARE(compositor.events().size(), expected.size());
    }

    void aRefusedOrMissingKeyboardTypesNothing()
    {
        const KeyRecordingCompositor refusing({.virtualKeyboard = true, .refuseKeyboards = true});
        WaylandConnection refused(refusing.socket());
        VirtualKeyboardKeySynthesizer notTrusted(refused);
        QVERIFY(!notTrusted.isAvailable());
        QCOMPARE(pressAtOnce(notTrusted, vPosition, KeyCombo::controlKey), std::optional(false));

        const KeyRecordingCompositor fakeInputOnly({.fakeInputVersion = 4});
        WaylandConnection connection(fakeInputOnly.socket());
        VirtualKeyboardKeySynthesizer none(connection);
        QVERIFY(none.hasConnection());
        QVERIFY(!none.isAvailable());
        QCOMPARE(pressAtOnce(none, vPosition, KeyCombo::controlKey), std::optional(false));
        QVERIFY(fakeInputOnly.events().isEmpty());

        WaylandConnection noCompositor("no-such-display");
        KWinFakeInputKeySynthesizer fakeInput(noCompositor);
        VirtualKeyboardKeySynthesizer keyboard(noCompositor);
        QVERIFY(!fakeInput.hasConnection() && !keyboard.hasConnection());
        QVERIFY(!fakeInput.isAvailable() && !keyboard.isAvailable());
        QCOMPARE(pressAtOnce(fakeInput, vPosition, KeyCombo::controlKey), std::optional(false));
        QCOMPARE(pressAtOnce(keyboard, vPosition, KeyCombo::controlKey), std::optional(false));
    }
};

QTEST_GUILESS_MAIN(TestWaylandKeys)
#include "test_wayland_keys.moc"
