#include "XkbKeyboardLayouts.h"

#include "QtX11Connection.h"

#include "services/KeyPositions.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QRegularExpression>

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcLayouts, "quillbox.layouts", QtInfoMsg)

using Context = std::unique_ptr<xkb_context, decltype(&xkb_context_unref)>;
using Keymap = std::shared_ptr<xkb_keymap>;
using State = std::shared_ptr<xkb_state>;

struct Layout {
    LayoutInfo info;
    Keymap keymap;
    xkb_layout_index_t group = 0;
};

Keymap adopt(xkb_keymap *keymap)
{
    return keymap ? Keymap(keymap, &xkb_keymap_unref) : Keymap();
}

// A converted text wants what a dead key shows, its accent, not a pending composition; xkbcommon
// has no character for dead keysyms, so they get their spacing forms here.
char32_t deadKeyAccent(xkb_keysym_t keysym)
{
    switch (keysym) {
    case XKB_KEY_dead_grave:
        return U'`';
    case XKB_KEY_dead_acute:
        return U'\u00B4';
    case XKB_KEY_dead_circumflex:
        return U'^';
    case XKB_KEY_dead_tilde:
        return U'~';
    case XKB_KEY_dead_macron:
        return U'\u00AF';
    case XKB_KEY_dead_breve:
        return U'\u02D8';
    case XKB_KEY_dead_abovedot:
        return U'\u02D9';
    case XKB_KEY_dead_diaeresis:
        return U'\u00A8';
    case XKB_KEY_dead_abovering:
        return U'\u02DA';
    case XKB_KEY_dead_doubleacute:
        return U'\u02DD';
    case XKB_KEY_dead_caron:
        return U'\u02C7';
    case XKB_KEY_dead_cedilla:
        return U'\u00B8';
    case XKB_KEY_dead_ogonek:
        return U'\u02DB';
    default:
        return 0;
    }
}

std::optional<QChar> translate(xkb_state *state, int keyCode)
{
    const std::optional<int> evdev = KeyPositions::evdevCode(keyCode);
    if (!evdev)
        return std::nullopt;
    const xkb_keysym_t *keysyms = nullptr;
    const int count
        = xkb_state_key_get_syms(state, static_cast<xkb_keycode_t>(*evdev + KeyPositions::xKeycodeOffset), &keysyms);
    for (int i = 0; i < count; ++i) {
        char32_t codePoint = xkb_keysym_to_utf32(keysyms[i]);
        if (codePoint == 0)
            codePoint = deadKeyAccent(keysyms[i]);
        if (codePoint == 0)
            continue;
        // Only the first UTF-16 unit counts; a surrogate half is no character.
        if (codePoint > 0xFFFF || QChar::isSurrogate(codePoint))
            return std::nullopt;
        return QChar(static_cast<char16_t>(codePoint));
    }
    return std::nullopt;
}

// A state with `group` locked and Shift alone down, or no modifier at all.
State stateFor(const Layout &layout, bool shift)
{
    xkb_mod_mask_t mods = 0;
    if (shift) {
        const xkb_mod_index_t index = xkb_keymap_mod_get_index(layout.keymap.get(), XKB_MOD_NAME_SHIFT);
        if (index == XKB_MOD_INVALID)
            return {};
        mods = xkb_mod_mask_t{1} << index;
    }
    State state(xkb_state_new(layout.keymap.get()), &xkb_state_unref);
    if (state)
        xkb_state_update_mask(state.get(), mods, 0, 0, 0, 0, layout.group);
    return state;
}

// One Layout per group of `keymap` that has a name and an id (ids index-aligned with the groups).
std::vector<Layout> namedGroups(const Keymap &keymap, const QStringList &ids)
{
    std::vector<Layout> layouts;
    for (xkb_layout_index_t group = 0; group < xkb_keymap_num_layouts(keymap.get()); ++group) {
        const QString id = ids.value(static_cast<qsizetype>(group));
        const char *name = xkb_keymap_layout_get_name(keymap.get(), group);
        if (id.isEmpty() || !name || !*name)
            continue;
        layouts.push_back({{id, QString::fromUtf8(name)}, keymap, group});
    }
    return layouts;
}

} // namespace

struct XkbKeyboardLayouts::Private {
    Context context{xkb_context_new(XKB_CONTEXT_NO_ENVIRONMENT_NAMES), &xkb_context_unref};
    std::vector<Layout> compiled;

    xcb_connection_t *connection = nullptr;
    std::int32_t device = -1;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t rulesNamesAtom = XCB_NONE;

    std::function<QByteArray()> keymapText;

    std::vector<Layout> current() const
    {
        if (connection)
            return live();
        return keymapText ? sent() : compiled;
    }
    std::vector<Layout> live() const;
    std::vector<Layout> sent() const;
    QStringList liveLayoutIds() const;
};

XkbKeyboardLayouts::XkbKeyboardLayouts()
    : d(std::make_unique<Private>())
{
    const auto x11 = QtX11Connection::get();
    if (!x11 || !d->context) {
        qCWarning(lcLayouts) << "not running on X11; no keyboard layouts";
        return;
    }
    xcb_connection_t *connection = x11->connection;
    if (!xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, nullptr, nullptr)) {
        qCWarning(lcLayouts) << "the X server has no XKB extension; no keyboard layouts";
        return;
    }
    d->device = xkb_x11_get_core_keyboard_device_id(connection);
    if (d->device < 0)
        return;

    d->root = x11->root;
    d->rulesNamesAtom = internAtom(connection, "_XKB_RULES_NAMES", true);
    d->connection = connection;
}

XkbKeyboardLayouts::XkbKeyboardLayouts(const QStringList &layoutIds)
    : d(std::make_unique<Private>())
{
    if (!d->context)
        return;
    // Our own warning names the layout; xkbcommon's include-path chatter adds nothing.
    xkb_context_set_log_level(d->context.get(), XKB_LOG_LEVEL_CRITICAL);
    static const QRegularExpression idPattern(QStringLiteral(R"(^([^()]+)(?:\(([^()]*)\))?$)"));
    for (const QString &id : layoutIds) {
        const QRegularExpressionMatch match = idPattern.match(id);
        if (!match.hasMatch())
            continue;
        const QByteArray layout = match.captured(1).toUtf8();
        const QByteArray variant = match.captured(2).toUtf8();
        const xkb_rule_names names{"evdev", "pc105", layout.constData(), variant.constData(), ""};
        Keymap keymap = adopt(xkb_keymap_new_from_names(d->context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS));
        const char *name = keymap ? xkb_keymap_layout_get_name(keymap.get(), 0) : nullptr;
        if (!name || !*name) {
            qCWarning(lcLayouts) << "keyboard layout" << id << "does not compile";
            continue;
        }
        d->compiled.push_back({{id, QString::fromUtf8(name)}, std::move(keymap), 0});
    }
}

XkbKeyboardLayouts::XkbKeyboardLayouts(std::function<QByteArray()> keymapText)
    : d(std::make_unique<Private>())
{
    if (d->context)
        d->keymapText = std::move(keymapText);
}

XkbKeyboardLayouts::~XkbKeyboardLayouts() = default;

// The ids come from the root property the X server's rules were applied with, index-aligned with
// the keymap's groups: NUL-separated rules, model, layouts, variants, options.
QStringList XkbKeyboardLayouts::Private::liveLayoutIds() const
{
    if (rulesNamesAtom == XCB_ATOM_NONE)
        return {};
    XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, root, rulesNamesAtom, XCB_ATOM_STRING, 0, 1024), nullptr));
    if (!reply || reply->format != 8)
        return {};
    const QList<QByteArray> fields = QByteArray(
        static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()))
                                         .split('\0');
    if (fields.size() < 3)
        return {};
    const QStringList layouts = QString::fromUtf8(fields.at(2)).split(u',');
    const QStringList variants = fields.size() > 3 ? QString::fromUtf8(fields.at(3)).split(u',') : QStringList();
    QStringList ids;
    for (qsizetype i = 0; i < layouts.size(); ++i) {
        const QString variant = variants.value(i).trimmed();
        const QString layout = layouts.at(i).trimmed();
        ids.append(layout.isEmpty() || variant.isEmpty() ? layout : layout + u'(' + variant + u')');
    }
    return ids;
}

std::vector<Layout> XkbKeyboardLayouts::Private::live() const
{
    Keymap keymap
        = adopt(xkb_x11_keymap_new_from_device(context.get(), connection, device, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return {};
    return namedGroups(keymap, liveLayoutIds());
}

std::vector<Layout> XkbKeyboardLayouts::Private::sent() const
{
    const QByteArray text = keymapText();
    if (text.isEmpty())
        return {};
    Keymap keymap = adopt(xkb_keymap_new_from_buffer(context.get(), text.constData(), std::size_t(text.size()),
        XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS));
    if (!keymap)
        return {};
    // A keymap's text keeps no rules names, so a layout's name is its id there.
    QStringList ids;
    for (xkb_layout_index_t group = 0; group < xkb_keymap_num_layouts(keymap.get()); ++group)
        ids.append(QString::fromUtf8(xkb_keymap_layout_get_name(keymap.get(), group)));
    return namedGroups(keymap, ids);
}

QList<LayoutInfo> XkbKeyboardLayouts::layouts() const
{
    QList<LayoutInfo> infos;
    for (const Layout &layout : d->current())
        infos.append(layout.info);
    return infos;
}

KeyboardLayouts::KeyTable XkbKeyboardLayouts::keyTable(const LayoutInfo &wanted) const
{
    for (const Layout &layout : d->current()) {
        if (layout.info != wanted)
            continue;
        // Each state holds its own reference to the keymap.
        State plain = stateFor(layout, false);
        State shifted = stateFor(layout, true);
        if (!plain || !shifted)
            return {};
        return [plain, shifted](
                   int keyCode, bool shift) { return translate(shift ? shifted.get() : plain.get(), keyCode); };
    }
    return {};
}
