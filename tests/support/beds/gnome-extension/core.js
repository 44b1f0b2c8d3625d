// What the test bed's Shell extension does, written once for both kinds of entry point: GNOME 43-44
// load it as a legacy module (a top-level `var` is exported), GNOME 45+ as an ES module (the bed
// fragment appends the export). So it imports nothing itself; the entry point hands it the libraries.
//
// It serves io.quillbox.TestBed on the session bus: the tests see and act on the desktop through it
// as a person would, since GNOME gives clients no virtual keyboard and no window list.

var BUS_NAME = 'io.quillbox.TestBed';
var OBJECT_PATH = '/io/quillbox/TestBed';

const INTERFACE_XML = `
<node>
  <interface name="io.quillbox.TestBed">
    <method name="OverviewVisible">
      <arg type="b" direction="out" name="visible"/>
    </method>
    <method name="Windows">
      <arg type="a(ssbiiii)" direction="out" name="windows"/>
    </method>
    <method name="FocusWindow">
      <arg type="s" direction="in" name="title"/>
      <arg type="b" direction="out" name="focused"/>
    </method>
    <method name="SetLayouts">
      <arg type="as" direction="in" name="layouts"/>
      <arg type="b" direction="out" name="applied"/>
    </method>
    <method name="Press">
      <arg type="au" direction="in" name="modifiers"/>
      <arg type="u" direction="in" name="key"/>
    </method>
    <method name="Click">
      <arg type="i" direction="in" name="x"/>
      <arg type="i" direction="in" name="y"/>
    </method>
  </interface>
</node>`;

// A person holds a key about this long; modifiers go down a little before it and up a little after.
const KEY_HOLD_MS = 100;
const MODIFIER_LEAD_MS = 20;

var TestBed = class {
    // lib: {Gio, GLib, Clutter, Main, getInputSourceManager}
    constructor(lib) {
        this._lib = lib;
        this._service = null;
        this._nameId = 0;
        this._keyboard = null;
        this._pointer = null;
        this._startupId = 0;
        this._timeouts = new Set();
    }

    enable() {
        const {Clutter, Main} = this._lib;
        // The keyboard joins the seat now, not at the first press: a client binds a keyboard that
        // appears later too late for its first key.
        const seat = Clutter.get_default_backend().get_default_seat();
        this._keyboard = seat.create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
        this._pointer = seat.create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);

        // The Shell starts in the Overview, where typed keys go to its search box. Extensions are
        // enabled before the start-up animation shows it, so hide it once that animation is over.
        if (Main.layoutManager._startingUp) {
            this._startupId = Main.layoutManager.connect('startup-complete', () => {
                Main.layoutManager.disconnect(this._startupId);
                this._startupId = 0;
                this._startService();
            });
        } else {
            this._startService();
        }
    }

    disable() {
        const {Gio, GLib, Main} = this._lib;
        if (this._startupId) {
            Main.layoutManager.disconnect(this._startupId);
            this._startupId = 0;
        }
        for (const id of this._timeouts)
            GLib.source_remove(id);
        this._timeouts.clear();
        if (this._nameId) {
            Gio.bus_unown_name(this._nameId);
            this._nameId = 0;
        }
        if (this._service) {
            this._service.unexport();
            this._service = null;
        }
        this._keyboard = this._pointer = null;
    }

    // The bus name appears only once the desktop is ready for a person, so a bed waiting for it
    // never acts on the Overview.
    _startService() {
        const {Gio, Main} = this._lib;
        Main.overview.hide();
        this._service = Gio.DBusExportedObject.wrapJSObject(INTERFACE_XML, this);
        this._service.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.NONE, null, null);
    }

    OverviewVisible() {
        return this._lib.Main.overview.visible;
    }

    Windows() {
        return this._toplevels().map(window => {
            const frame = window.get_frame_rect();
            return [window.get_wm_class() ?? '', window.get_title() ?? '', window.has_focus(),
                frame.x, frame.y, frame.width, frame.height];
        });
    }

    // A window listed as soon as it exists may not take the focus until it is shown: activate it
    // again until it has it, as a person clicks a window that did not come up yet.
    FocusWindowAsync([title], invocation) {
        const find = () => this._toplevels().find(candidate => candidate.get_title() === title);
        this._until(() => {
            const window = find();
            if (window && !window.has_focus())
                this._lib.Main.activateWindow(window);
            return window?.has_focus() ?? false;
        }, 2000, ok => invocation.return_value(new this._lib.GLib.Variant('(b)', [ok])));
    }

    // Writes the layouts where Settings' keyboard panel does and lets the Shell's own input-source
    // manager build the keymap from them; then picks the first, as a person would from its menu.
    SetLayoutsAsync([layouts], invocation) {
        const {Gio, GLib} = this._lib;
        const manager = this._lib.getInputSourceManager();
        // "de(nodeadkeys)" in xkb's notation is "de+nodeadkeys" in GNOME's.
        const ids = layouts.map(layout => layout.replace(/^([^(]+)\((.+)\)$/, '$1+$2'));
        const settings = new Gio.Settings({schema_id: 'org.gnome.desktop.input-sources'});
        settings.set_value('sources', new GLib.Variant('a(ss)', ids.map(id => ['xkb', id])));

        const applied = () => {
            const sources = Object.values(manager.inputSources);
            return sources.length === ids.length && sources.every((source, i) => source.id === ids[i]);
        };
        this._until(applied, 2000, ok => {
            if (ok) {
                manager.inputSources[0].activate(false);
                ok = manager.currentSource?.id === ids[0];
            }
            invocation.return_value(new GLib.Variant('(b)', [ok]));
        });
    }

    PressAsync([modifiers, key], invocation) {
        const {Clutter} = this._lib;
        const send = (code, state) => this._keyboard.notify_key(this._lib.GLib.get_monotonic_time(), code, state);
        for (const modifier of modifiers)
            send(modifier, Clutter.KeyState.PRESSED);
        this._after(modifiers.length ? MODIFIER_LEAD_MS : 0, () => {
            send(key, Clutter.KeyState.PRESSED);
            this._after(KEY_HOLD_MS, () => {
                send(key, Clutter.KeyState.RELEASED);
                this._after(modifiers.length ? MODIFIER_LEAD_MS : 0, () => {
                    for (const modifier of [...modifiers].reverse())
                        send(modifier, Clutter.KeyState.RELEASED);
                    invocation.return_value(null);
                });
            });
        });
    }

    // A left click at (x, y) of the stage: the pointer moves there, rests a moment as a hand does,
    // and the button is held about as long as a key.
    ClickAsync([x, y], invocation) {
        const {Clutter, GLib} = this._lib;
        const now = () => GLib.get_monotonic_time();
        this._pointer.notify_absolute_motion(now(), x, y);
        this._after(MODIFIER_LEAD_MS, () => {
            this._pointer.notify_button(now(), Clutter.BUTTON_PRIMARY, Clutter.ButtonState.PRESSED);
            this._after(KEY_HOLD_MS, () => {
                this._pointer.notify_button(now(), Clutter.BUTTON_PRIMARY, Clutter.ButtonState.RELEASED);
                invocation.return_value(null);
            });
        });
    }

    _toplevels() {
        return global.get_window_actors().map(actor => actor.get_meta_window())
            .filter(window => window && !window.is_override_redirect());
    }

    _after(ms, callback) {
        const {GLib} = this._lib;
        const id = GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
            this._timeouts.delete(id);
            callback();
            return GLib.SOURCE_REMOVE;
        });
        this._timeouts.add(id);
    }

    // Calls done(true) once condition() holds, or done(false) after timeoutMs.
    _until(condition, timeoutMs, done) {
        if (condition()) {
            done(true);
            return;
        }
        if (timeoutMs <= 0) {
            done(false);
            return;
        }
        this._after(20, () => this._until(condition, timeoutMs - 20, done));
    }
};
