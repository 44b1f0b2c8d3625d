// What Quillbox's Shell extension does, written once for both kinds of entry point: GNOME 43-44 load it
// as a legacy module (a top-level `var` is exported), GNOME 45+ as an ES module (the build appends the
// export). So it imports nothing itself; the entry point hands it the libraries.
//
// It serves io.quillbox.Shell1 (io.quillbox.Shell1.xml beside this file) to one client: the installed
// quillbox program while it owns io.quillbox.Quillbox. Unsandboxed programs of the same user can read
// the history anyway (the store file, Quillbox's own bus methods); these checks keep sandboxed programs
// and impostors away from the clipboard, the focus and the keyboard. Content never travels in message
// bodies, which any bus monitor of the user could read: it goes through pipes passed as descriptors.

var BUS_NAME = 'io.quillbox.Shell';
var OBJECT_PATH = '/io/quillbox/Shell';
var INTERFACE = 'io.quillbox.Shell1';
var INTERFACE_VERSION = 1;

const CLIENT_BUS_NAME = 'io.quillbox.Quillbox';
const ERROR_PREFIX = 'io.quillbox.Shell1.Error.';
const INVALID_ARGS = 'org.freedesktop.DBus.Error.InvalidArgs';

// A stalled clipboard owner or a client that stops reading must never hold a transfer longer.
const TRANSFER_DEADLINE_MS = 5000;
// What SetSelection takes in all its pipes together: a large screenshot as PNG, with room to spare.
const MAX_SET_BYTES = 128 * 1024 * 1024;
const READ_CHUNK = 64 * 1024;

// How long TypeChord waits for a window it activated to take the focus, and for the person to let go of
// the shortcut's modifiers: typed while Super and Shift are still down, Ctrl+C would be Ctrl+Shift+Super+C.
const FOCUS_WAIT_MS = 1000;
const RELEASE_WAIT_MS = 1500;
const POLL_MS = 20;
// Between one key event of a chord and the next, as a person's fingers are never simultaneous.
const KEY_GAP_MS = 15;

// evdev codes (linux/input-event-codes.h): layout-independent, as Ctrl+V is where V is on a US keyboard.
const KEY_LEFTCTRL = 29, KEY_LEFTSHIFT = 42, KEY_C = 46, KEY_V = 47, KEY_INSERT = 110;
const CHORDS = {
    'paste': [KEY_LEFTCTRL, KEY_V],
    'terminal-paste': [KEY_LEFTCTRL, KEY_LEFTSHIFT, KEY_V],
    'shift-insert': [KEY_LEFTSHIFT, KEY_INSERT],
    'copy': [KEY_LEFTCTRL, KEY_C],
};
const SHORTCUTS = ['show-panel', 'fix-layout'];
const PANEL_TITLE = 'Quillbox';

var QuillboxShell = class {
    // lib: {Gio, GLib, Meta, Shell, Clutter, Main, UnixInputStream, UnixOutputStream,
    //       setFdNonBlocking}; extension: {path, metadata, settings}
    constructor(lib, extension) {
        this._lib = lib;
        this._extension = extension;
        this._reset();
    }

    _reset() {
        this._enabled = false;
        this._allowedExecutable = null;
        this._client = null;
        this._service = null;
        this._nameId = 0;
        this._ownerChangedId = 0;
        this._selectionChangedId = 0;
        this._focusChangedId = 0;
        this._keyboard = null;
        this._pressedKeys = new Set();
        this._timeouts = new Set();
        this._cancellables = new Set();
        this._serial = 0;
        this._ownSource = null;
        this._primaryWindowId = null;
        this._lastOtherFocusId = null;
        this._pasteTarget = null;
        this._copyTarget = null;
        this._bound = new Set();
        this._settingQueue = Promise.resolve();
    }

    enable() {
        const {Gio, GLib, Clutter} = this._lib;
        this._enabled = true;
        this._allowedExecutable = this._readAllowedExecutable();
        // The keyboard joins the seat now, not at the first chord: a client binds a keyboard that
        // appears later too late for its first key.
        this._keyboard = Clutter.get_default_backend().get_default_seat()
            .create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);

        const selection = global.display.get_selection();
        this._selectionChangedId = selection.connect('owner-changed',
            (_selection, type, source) => this._ownerChanged(type, source));
        this._focusChangedId = global.display.connect('notify::focus-window', () => this._focusChanged());

        this._ownerChangedId = Gio.DBus.session.signal_subscribe('org.freedesktop.DBus', 'org.freedesktop.DBus',
            'NameOwnerChanged', '/org/freedesktop/DBus', CLIENT_BUS_NAME, Gio.DBusSignalFlags.NONE,
            () => this._endRegistration());

        const xml = new TextDecoder().decode(
            GLib.file_get_contents(GLib.build_filenamev([this._extension.path, 'io.quillbox.Shell1.xml']))[1]);
        this._service = Gio.DBusExportedObject.wrapJSObject(xml, this._dispatcher());
        this._service.export(Gio.DBus.session, OBJECT_PATH);
        this._nameId = Gio.bus_own_name_on_connection(Gio.DBus.session, BUS_NAME,
            Gio.BusNameOwnerFlags.REPLACE, null, null);
    }

    disable() {
        const {Gio, GLib, Clutter} = this._lib;
        this._enabled = false;
        this._endRegistration();
        if (this._nameId)
            Gio.bus_unown_name(this._nameId);
        this._service?.unexport();
        if (this._ownerChangedId)
            Gio.DBus.session.signal_unsubscribe(this._ownerChangedId);
        if (this._selectionChangedId)
            global.display.get_selection().disconnect(this._selectionChangedId);
        if (this._focusChangedId)
            global.display.disconnect(this._focusChangedId);
        // Each transfer closes its descriptor when its cancelled operation reports back.
        for (const cancellable of this._cancellables)
            cancellable.cancel();
        for (const id of this._timeouts)
            GLib.source_remove(id);
        // A chord cut short must not leave Control down in the seat.
        for (const key of this._pressedKeys)
            this._keyboard.notify_key(GLib.get_monotonic_time(), key, Clutter.KeyState.RELEASED);
        // The client's own copy stays the clipboard's owner: the Shell disables extensions while the
        // screen is locked, and what was copied must still paste after it.
        this._reset();
    }

    _readAllowedExecutable() {
        const {GLib} = this._lib;
        try {
            const [, bytes] = GLib.file_get_contents(GLib.build_filenamev([this._extension.path, 'allowed-executable']));
            const path = new TextDecoder().decode(bytes).trim();
            return path.startsWith('/') ? path : null;
        } catch (e) {
            logError(e, 'Quillbox: no allowed-executable; no client will be served');
            return null;
        }
    }

    // The object Gio.DBusExportedObject serves: every method waits for the caller check.
    _dispatcher() {
        const methods = {
            Register: (args, caller) => this._register(args, caller),
            ReadSelection: (args, caller, fds) => this._readSelection(args, fds),
            SetSelection: (args, caller, fds) => this._setSelection(args, fds),
            FocusedWindow: () => this._focusedWindow(),
            ActivateWindow: ([id]) => ['(b)', [this._activate(this._window(id))]],
            ActivatePanel: () => this._activatePanel(),
            TypeChord: ([chord]) => this._typeChord(chord),
            SetShortcut: ([name, accelerator]) => this._setShortcut(name, accelerator),
        };
        const dispatcher = {
            get InterfaceVersion() {
                return INTERFACE_VERSION;
            },
            ExtensionVersion: String(this._extension.metadata['version-name'] ?? this._extension.metadata.version ?? ''),
        };
        for (const [name, method] of Object.entries(methods)) {
            dispatcher[`${name}Async`] = (args, invocation, fdList) =>
                this._handle(name, method, args, invocation, fdList);
        }
        return dispatcher;
    }

    async _handle(name, method, args, invocation, fdList) {
        const {GLib} = this._lib;
        // The descriptors are taken out of the message at once: one it keeps would hold a pipe's write
        // end open until the message is collected, and the client would wait for an end that never comes.
        const fds = fdList ? fdList.steal_fds() : [];
        try {
            const caller = await this._verifiedCaller(invocation.get_sender(), name === 'Register');
            if (!caller)
                throw new CallError('NotAllowed', 'Only the running Quillbox may use this interface');
            const [signature, values] = await method(args, caller, fds);
            invocation.return_value(signature ? new GLib.Variant(signature, values) : null);
        } catch (e) {
            if (e instanceof CallError) {
                invocation.return_dbus_error(e.name.includes('.') ? e.name : ERROR_PREFIX + e.name, e.message);
            } else {
                logError(e, `Quillbox: ${name} failed`);
                invocation.return_dbus_error('org.freedesktop.DBus.Error.Failed', String(e.message ?? e));
            }
        } finally {
            for (const fd of fds)
                this._closeFd(fd);
        }
    }

    // The caller, {name, pid}, when it runs the allowed executable and owns io.quillbox.Quillbox (and,
    // except for Register, is the registered client); otherwise null.
    async _verifiedCaller(sender, registering) {
        const {GLib} = this._lib;
        if (!this._enabled || !this._allowedExecutable || !sender)
            return null;
        if (!registering && this._client?.name !== sender)
            return null;
        try {
            const [credentials] = await this._busCall('GetConnectionCredentials', new GLib.Variant('(s)', [sender]));
            const pid = credentials.ProcessID;
            if (typeof pid !== 'number')
                return null;
            // An upgrade that replaced the file leaves the running program's link with this suffix.
            const executable = GLib.file_read_link(`/proc/${pid}/exe`).replace(/ \(deleted\)$/, '');
            if (executable !== this._allowedExecutable)
                return null;
            // Asked last: the bus sends any NameOwnerChanged before this answer, and nothing runs between
            // the answer and the caller's use of it.
            const [owner] = await this._busCall('GetNameOwner', new GLib.Variant('(s)', [CLIENT_BUS_NAME]));
            return owner === sender && this._enabled ? {name: sender, pid} : null;
        } catch {
            return null;
        }
    }

    _busCall(method, parameters) {
        const {Gio} = this._lib;
        return new Promise((resolve, reject) => {
            Gio.DBus.session.call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus',
                method, parameters, null, Gio.DBusCallFlags.NONE, -1, null, (connection, result) => {
                    try {
                        resolve(connection.call_finish(result).recursiveUnpack());
                    } catch (e) {
                        reject(e);
                    }
                });
        });
    }

    _register([version], caller) {
        if (version !== INTERFACE_VERSION) {
            throw new CallError('VersionMismatch',
                `The Shell extension serves interface version ${INTERFACE_VERSION}, the client asked for ${version}`);
        }
        if (this._client?.name !== caller.name)
            this._endRegistration();
        this._client = caller;
        return ['(u)', [INTERFACE_VERSION]];
    }

    // Whoever owns io.quillbox.Quillbox next must register anew; what the last client armed or bound
    // is not theirs.
    _endRegistration() {
        this._client = null;
        this._pasteTarget = null;
        this._copyTarget = null;
        for (const name of this._bound)
            this._lib.Main.wm.removeKeybinding(name);
        this._bound.clear();
    }

    _emit(signal, signature, values) {
        const {Gio, GLib} = this._lib;
        if (!this._client)
            return;
        // Addressed to the client alone: a broadcast would tell every program on the bus.
        Gio.DBus.session.emit_signal(this._client.name, OBJECT_PATH, INTERFACE, signal,
            new GLib.Variant(signature, values));
    }

    _ownerChanged(type, source) {
        const {Meta} = this._lib;
        if (type === Meta.SelectionType.SELECTION_PRIMARY) {
            // The primary selection is the text selected in this window; it means nothing elsewhere.
            this._primaryWindowId = source ? global.display.focus_window?.get_id() ?? null : null;
            return;
        }
        if (type !== Meta.SelectionType.SELECTION_CLIPBOARD)
            return;
        this._serial += 1;
        const own = source !== null && source === this._ownSource;
        if (!own)
            this._ownSource = null;
        const types = source ? global.display.get_selection().get_mimetypes(type) : [];
        this._emit('ClipboardChanged', '(tasb)', [this._serial, types, own]);
    }

    _focusChanged() {
        const focused = global.display.focus_window;
        if (focused && !this._isPanel(focused))
            this._lastOtherFocusId = focused.get_id();
    }

    _selectionType(name) {
        const {Meta} = this._lib;
        const type = {clipboard: Meta.SelectionType.SELECTION_CLIPBOARD,
            primary: Meta.SelectionType.SELECTION_PRIMARY}[name];
        if (type === undefined)
            throw new CallError(INVALID_ARGS, `No selection named "${name}"`);
        return type;
    }

    _readSelection([selectionName, serial, mimeType, maxBytes, handle], fds) {
        const {Gio, GLib, Meta} = this._lib;
        const type = this._selectionType(selectionName);
        if (handle < 0 || handle >= fds.length)
            throw new CallError(INVALID_ARGS, 'The pipe is missing');
        const selection = global.display.get_selection();
        if (type === Meta.SelectionType.SELECTION_CLIPBOARD && serial !== this._serial)
            throw new CallError('StaleSerial', `The clipboard changed since ${serial}; it is ${this._serial} now`);
        if (type === Meta.SelectionType.SELECTION_PRIMARY &&
                (this._primaryWindowId === null || global.display.focus_window?.get_id() !== this._primaryWindowId))
            throw new CallError('NotAvailable', 'The primary selection belongs to a window without the focus');
        if (!selection.get_mimetypes(type).includes(mimeType))
            throw new CallError('NotAvailable', `The selection does not offer ${mimeType}`);

        const fd = fds[handle];
        fds[handle] = -1;
        this._lib.setFdNonBlocking(fd);
        const output = new this._lib.UnixOutputStream({fd, close_fd: true});
        const finish = this._deadline();
        selection.transfer_async(type, mimeType, Math.min(maxBytes, Number.MAX_SAFE_INTEGER), output,
            finish.cancellable, (source, result) => {
                try {
                    source.transfer_finish(result);
                } catch (e) {
                    if (!e.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        log(`Quillbox: reading ${mimeType} failed: ${e.message}`);
                }
                finish.done();
                output.close(null);
            });
        return [null, null];
    }

    // A cancellable that fires at the transfer deadline or when the extension is disabled; done()
    // forgets both.
    _deadline() {
        const {Gio, GLib} = this._lib;
        const cancellable = new Gio.Cancellable();
        this._cancellables.add(cancellable);
        const timeoutId = this._after(TRANSFER_DEADLINE_MS, () => cancellable.cancel());
        return {
            cancellable,
            done: () => {
                this._cancellables.delete(cancellable);
                if (this._timeouts.delete(timeoutId))
                    GLib.source_remove(timeoutId);
            },
        };
    }

    async _setSelection([selectionName, mimeTypes, handles], fds) {
        const {GLib, Gio, Meta} = this._lib;
        const type = this._selectionType(selectionName);
        if (mimeTypes.length === 0 || mimeTypes.length !== handles.length ||
                new Set(mimeTypes).size !== mimeTypes.length ||
                handles.some(handle => handle < 0 || handle >= fds.length) || new Set(handles).size !== handles.length)
            throw new CallError(INVALID_ARGS, 'One distinct pipe for each distinct format is needed');

        const streams = handles.map(handle => {
            const fd = fds[handle];
            fds[handle] = -1;
            this._lib.setFdNonBlocking(fd);
            return new this._lib.UnixInputStream({fd, close_fd: true});
        });
        const finish = this._deadline();
        let first;
        try {
            const budget = {left: MAX_SET_BYTES};
            const read = await Promise.all(streams.map(stream => this._readToEnd(stream, budget, finish.cancellable)));
            first = read[0];
        } catch (e) {
            // The other pipes stop too, and each closes as its read reports back.
            finish.cancellable.cancel();
            if (e instanceof CallError)
                throw e;
            if (e.matches?.(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                throw new CallError('org.freedesktop.DBus.Error.Timeout', 'A pipe was not closed in time');
            throw new CallError('org.freedesktop.DBus.Error.Failed', `Reading a pipe failed: ${e.message}`);
        } finally {
            finish.done();
        }
        if (!this._enabled || !this._client)
            throw new CallError('NotAllowed', 'The registration ended');

        // A selection source written in GJS cannot serve data (GJS refuses to implement read_async, whose
        // argument is a callback), and Mutter's own memory source holds one format: the first, the one
        // the client prefers, is offered. The other pipes were still read to their end, so the client's
        // writes to them never fail.
        const source = Meta.SelectionSourceMemory.new(mimeTypes[0], first);
        if (type === Meta.SelectionType.SELECTION_CLIPBOARD)
            this._ownSource = source;
        global.display.get_selection().set_owner(type, source);
        return ['(t)', [type === Meta.SelectionType.SELECTION_CLIPBOARD ? this._serial : 0]];
    }

    // The whole of a pipe, without ever waiting on it in the main loop; budget.left is shared by the
    // pipes of one call. The stream is closed however the read ends.
    _readToEnd(stream, budget, cancellable) {
        const {Gio, GLib} = this._lib;
        const buffer = Gio.MemoryOutputStream.new_resizable();
        return new Promise((resolve, reject) => {
            const settle = (settleWith, value) => {
                stream.close(null);
                settleWith(value);
            };
            const next = () => stream.read_bytes_async(READ_CHUNK, GLib.PRIORITY_DEFAULT, cancellable, (_, result) => {
                try {
                    const bytes = stream.read_bytes_finish(result);
                    if (bytes.get_size() === 0) {
                        buffer.close(null);
                        settle(resolve, buffer.steal_as_bytes());
                        return;
                    }
                    budget.left -= bytes.get_size();
                    if (budget.left < 0) {
                        settle(reject, new CallError('org.freedesktop.DBus.Error.LimitsExceeded',
                            `More than ${MAX_SET_BYTES} bytes`));
                        return;
                    }
                    buffer.write_bytes(bytes, null);
                    next();
                } catch (e) {
                    settle(reject, e);
                }
            });
            next();
        });
    }

    _focusedWindow() {
        const {Shell} = this._lib;
        const window = global.display.focus_window;
        if (!window)
            return ['(tssxs)', [0, '', '', -1, '']];
        const app = Shell.WindowTracker.get_default().get_window_app(window);
        // A window without a desktop entry gets an app made from the window itself, named by its title.
        const known = app && !app.is_window_backed();
        const pid = window.get_pid();
        return ['(tssxs)', [window.get_id(), known ? app.get_id().replace(/\.desktop$/, '') : '',
            window.get_wm_class() ?? '', pid > 0 ? pid : -1, known ? app.get_name() ?? '' : '']];
    }

    _windows() {
        return global.get_window_actors().map(actor => actor.get_meta_window()).filter(window => window);
    }

    _window(id) {
        return id === null ? null : this._windows().find(window => window.get_id() === id) ?? null;
    }

    _activate(window) {
        if (!window)
            return false;
        this._lib.Main.activateWindow(window);
        return true;
    }

    _isPanel(window) {
        return this._client !== null && window.get_pid() === this._client.pid && window.get_title() === PANEL_TITLE;
    }

    _activatePanel() {
        const panel = this._windows().find(window => this._isPanel(window));
        if (!panel)
            return ['(b)', [false]];
        const focused = global.display.focus_window;
        this._pasteTarget = focused && !this._isPanel(focused) ? focused.get_id() : this._lastOtherFocusId;
        this._activate(panel);
        return ['(b)', [true]];
    }

    async _typeChord(chord) {
        const keys = Object.hasOwn(CHORDS, chord) ? CHORDS[chord] : null;
        if (!keys)
            return ['(b)', [false]];
        let target;
        if (chord === 'copy') {
            target = this._copyTarget;
            this._copyTarget = null;
        } else {
            target = this._pasteTarget;
            this._pasteTarget = null;
        }
        const window = this._window(target);
        if (!window)
            return ['(b)', [false]];
        if (global.display.focus_window !== window) {
            this._activate(window);
            if (!await this._until(() => global.display.focus_window === window, FOCUS_WAIT_MS))
                return ['(b)', [false]];
        }
        if (!await this._until(() => !this._modifiersHeld(), RELEASE_WAIT_MS))
            return ['(b)', [false]];
        await this._press(keys);
        return ['(b)', [this._enabled]];
    }

    _modifiersHeld() {
        const {Clutter} = this._lib;
        const [, , state] = global.get_pointer();
        const held = Clutter.ModifierType.SHIFT_MASK | Clutter.ModifierType.CONTROL_MASK |
            Clutter.ModifierType.MOD1_MASK | Clutter.ModifierType.MOD4_MASK | Clutter.ModifierType.SUPER_MASK |
            Clutter.ModifierType.HYPER_MASK | Clutter.ModifierType.META_MASK;
        return (state & held) !== 0;
    }

    // Down in order, up in reverse, a few milliseconds apart.
    async _press(keys) {
        const {Clutter, GLib} = this._lib;
        const send = (key, state) => {
            if (!this._enabled)
                return;
            this._keyboard.notify_key(GLib.get_monotonic_time(), key, state);
            if (state === Clutter.KeyState.PRESSED)
                this._pressedKeys.add(key);
            else
                this._pressedKeys.delete(key);
        };
        for (const key of keys) {
            send(key, Clutter.KeyState.PRESSED);
            await this._sleep(KEY_GAP_MS);
        }
        for (const key of [...keys].reverse()) {
            send(key, Clutter.KeyState.RELEASED);
            await this._sleep(KEY_GAP_MS);
        }
    }

    _setShortcut(name, accelerator) {
        // One change at a time: each reads what the last one left bound.
        const change = this._settingQueue.then(() => this._bindShortcut(name, accelerator));
        this._settingQueue = change.catch(() => {});
        return change.then(bound => ['(b)', [bound]]);
    }

    _bindShortcut(name, accelerator) {
        const {Meta, Shell, Main} = this._lib;
        const settings = this._extension.settings;
        if (!SHORTCUTS.includes(name))
            return false;
        const previous = settings.get_strv(name);
        const wasBound = this._bound.delete(name);
        if (wasBound)
            Main.wm.removeKeybinding(name);
        if (accelerator === '') {
            settings.set_strv(name, []);
            return true;
        }
        // Mutter lets a later binding silently take a combination over; grabbing it alone first says
        // whether anything (the Shell's own bindings, another extension's) has it already.
        const probe = global.display.grab_accelerator(accelerator, Meta.KeyBindingFlags.NONE);
        const free = probe !== Meta.KeyBindingAction.NONE;
        if (free)
            global.display.ungrab_accelerator(probe);
        else
            settings.set_strv(name, previous);
        if (!free && !wasBound)
            return false;
        if (free)
            settings.set_strv(name, [accelerator]);
        const action = Main.wm.addKeybinding(name, settings, Meta.KeyBindingFlags.NONE,
            Shell.ActionMode.NORMAL | Shell.ActionMode.OVERVIEW, () => this._shortcutPressed(name));
        if (action === Meta.KeyBindingAction.NONE)
            return false;
        this._bound.add(name);
        return free;
    }

    _shortcutPressed(name) {
        if (name === 'fix-layout') {
            // The fix copies the mistyped text and pastes its correction into this window, once each.
            const focused = global.display.focus_window?.get_id() ?? null;
            this._copyTarget = focused;
            this._pasteTarget = focused;
        }
        this._emit('ShortcutPressed', '(s)', [name]);
    }

    _closeFd(fd) {
        if (fd < 0)
            return;
        try {
            this._lib.GLib.close(fd);
        } catch (e) {
            logError(e, 'Quillbox: closing a passed descriptor');
        }
    }

    _after(ms, callback) {
        const {GLib} = this._lib;
        const id = GLib.timeout_add(GLib.PRIORITY_DEFAULT, ms, () => {
            this._timeouts.delete(id);
            callback();
            return GLib.SOURCE_REMOVE;
        });
        this._timeouts.add(id);
        return id;
    }

    _sleep(ms) {
        return new Promise(resolve => this._after(ms, resolve));
    }

    // Whether condition() came to hold within timeoutMs.
    async _until(condition, timeoutMs) {
        for (let waited = 0; !condition(); waited += POLL_MS) {
            if (waited >= timeoutMs || !this._enabled)
                return false;
            await this._sleep(POLL_MS);
        }
        return this._enabled;
    }
};

// A failure the caller is told by name: a short name is one of the interface's own errors.
class CallError extends Error {
    constructor(name, message) {
        super(message);
        this.name = name;
    }
}
