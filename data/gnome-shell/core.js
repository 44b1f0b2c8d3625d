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

// A failure the caller is told by name: a short name is one of the interface's own errors.
class CallError extends Error {
    constructor(name, message) {
        super(message);
        this.name = name;
    }
}

function windows() {
    return global.get_window_actors().map(actor => actor.get_meta_window()).filter(window => window);
}

function windowById(id) {
    return id === null ? null : windows().find(window => window.get_id() === id) ?? null;
}

// The main-loop timeouts of one enabled period; stop() removes them all and ends every wait.
class Timers {
    constructor(GLib) {
        this._GLib = GLib;
        this._ids = new Set();
        this.stopped = false;
    }

    after(ms, callback) {
        const id = this._GLib.timeout_add(this._GLib.PRIORITY_DEFAULT, ms, () => {
            this._ids.delete(id);
            callback();
            return this._GLib.SOURCE_REMOVE;
        });
        this._ids.add(id);
        return id;
    }

    cancel(id) {
        if (this._ids.delete(id))
            this._GLib.source_remove(id);
    }

    sleep(ms) {
        return new Promise(resolve => this.after(ms, resolve));
    }

    // Whether condition() came to hold within timeoutMs.
    async until(condition, timeoutMs) {
        for (let waited = 0; !condition(); waited += POLL_MS) {
            if (waited >= timeoutMs || this.stopped)
                return false;
            await this.sleep(POLL_MS);
        }
        return !this.stopped;
    }

    stop() {
        this.stopped = true;
        for (const id of this._ids)
            this._GLib.source_remove(id);
        this._ids.clear();
    }
}

// The clipboard and the primary selection: their changes, and content in and out through pipes.
class SelectionBridge {
    // announce(serial, mimeTypes, own) tells the client of a clipboard change.
    constructor(lib, timers, announce) {
        this._lib = lib;
        this._timers = timers;
        this._announce = announce;
        this._serial = 0;
        this._ownSource = null;
        this._primaryWindowId = null;
        this._cancellables = new Set();
        this._selection = global.display.get_selection();
        this._changedId = this._selection.connect('owner-changed',
            (_selection, type, source) => this._ownerChanged(type, source));
    }

    // Each transfer closes its descriptor when its cancelled operation reports back. The client's own
    // copy stays the clipboard's owner: the Shell disables extensions while the screen is locked, and
    // what was copied must still paste after it.
    destroy() {
        this._selection.disconnect(this._changedId);
        for (const cancellable of this._cancellables)
            cancellable.cancel();
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
        this._announce(this._serial, source ? this._selection.get_mimetypes(type) : [], own);
    }

    current() {
        const {Meta} = this._lib;
        const type = Meta.SelectionType.SELECTION_CLIPBOARD;
        return [this._serial, this._selection.get_mimetypes(type) ?? []];
    }

    _type(name) {
        const {Meta} = this._lib;
        const type = {clipboard: Meta.SelectionType.SELECTION_CLIPBOARD,
            primary: Meta.SelectionType.SELECTION_PRIMARY}[name];
        if (type === undefined)
            throw new CallError(INVALID_ARGS, `No selection named "${name}"`);
        return type;
    }

    // Starts writing one format into the passed pipe (fds[handle], taken over and closed in any case).
    read([selectionName, serial, mimeType, maxBytes, handle], fds) {
        const {Gio, Meta} = this._lib;
        const type = this._type(selectionName);
        if (handle < 0 || handle >= fds.length)
            throw new CallError(INVALID_ARGS, 'The pipe is missing');
        if (type === Meta.SelectionType.SELECTION_CLIPBOARD && serial !== this._serial)
            throw new CallError('StaleSerial', `The clipboard changed since ${serial}; it is ${this._serial} now`);
        if (type === Meta.SelectionType.SELECTION_PRIMARY &&
                (this._primaryWindowId === null || global.display.focus_window?.get_id() !== this._primaryWindowId))
            throw new CallError('NotAvailable', 'The primary selection belongs to a window without the focus');
        if (!this._selection.get_mimetypes(type).includes(mimeType))
            throw new CallError('NotAvailable', `The selection does not offer ${mimeType}`);

        const output = new this._lib.UnixOutputStream({fd: this._takeFd(fds, handle), close_fd: true});
        const finish = this._deadline();
        this._selection.transfer_async(type, mimeType, Math.min(maxBytes, Number.MAX_SAFE_INTEGER), output,
            finish.cancellable, (selection, result) => {
                try {
                    selection.transfer_finish(result);
                } catch (e) {
                    if (!e.matches(Gio.IOErrorEnum, Gio.IOErrorEnum.CANCELLED))
                        log(`Quillbox: reading ${mimeType} failed: ${e.message}`);
                }
                finish.done();
                output.close(null);
            });
    }

    // Reads every passed pipe to its end, then owns the selection; the new clipboard serial (0 for the
    // primary selection). isServing() says whether the client may still have it once the pipes are read.
    async set([selectionName, mimeTypes, handles], fds, isServing) {
        const {Gio, Meta} = this._lib;
        const type = this._type(selectionName);
        if (mimeTypes.length === 0 || mimeTypes.length !== handles.length ||
                new Set(mimeTypes).size !== mimeTypes.length ||
                handles.some(handle => handle < 0 || handle >= fds.length) || new Set(handles).size !== handles.length)
            throw new CallError(INVALID_ARGS, 'One distinct pipe for each distinct format is needed');

        const streams = handles.map(handle => new this._lib.UnixInputStream({fd: this._takeFd(fds, handle), close_fd: true}));
        const finish = this._deadline();
        let first;
        try {
            const budget = {left: MAX_SET_BYTES};
            [first] = await Promise.all(streams.map(stream => this._readToEnd(stream, budget, finish.cancellable)));
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
        if (!isServing())
            throw new CallError('NotAllowed', 'The registration ended');

        // A selection source written in GJS cannot serve data (GJS refuses to implement read_async, whose
        // argument is a callback), and Mutter's own memory source holds one format: the first, the one
        // the client prefers, is offered. The other pipes were still read to their end, so the client's
        // writes to them never fail.
        const source = Meta.SelectionSourceMemory.new(mimeTypes[0], first);
        if (type === Meta.SelectionType.SELECTION_CLIPBOARD)
            this._ownSource = source;
        this._selection.set_owner(type, source);
        return type === Meta.SelectionType.SELECTION_CLIPBOARD ? this._serial : 0;
    }

    // The descriptor, non-blocking: a blocking one would stop the Shell's main loop at a full or empty pipe.
    _takeFd(fds, handle) {
        const fd = fds[handle];
        fds[handle] = -1;
        this._lib.setFdNonBlocking(fd);
        return fd;
    }

    // A cancellable that fires at the transfer deadline or when the extension is disabled; done()
    // forgets both.
    _deadline() {
        const {Gio} = this._lib;
        const cancellable = new Gio.Cancellable();
        this._cancellables.add(cancellable);
        const timeoutId = this._timers.after(TRANSFER_DEADLINE_MS, () => cancellable.cancel());
        return {
            cancellable,
            done: () => {
                this._cancellables.delete(cancellable);
                this._timers.cancel(timeoutId);
            },
        };
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
}

// The Shell's own virtual keyboard, and which chord it may type where: a paste once per showing of
// the panel or per fix-layout press, a copy once per such press.
class ChordTyper {
    constructor(lib, timers) {
        const {Clutter} = lib;
        this._lib = lib;
        this._timers = timers;
        this._pressed = new Set();
        this.disarm();
        // The keyboard joins the seat now, not at the first chord: a client binds a keyboard that
        // appears later too late for its first key.
        this._keyboard = Clutter.get_default_backend().get_default_seat()
            .create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);
    }

    // A chord cut short must not leave Control down in the seat.
    destroy() {
        for (const key of this._pressed)
            this._send(key, this._lib.Clutter.KeyState.RELEASED);
        this._keyboard = null;
    }

    disarm() {
        this._pasteTarget = null;
        this._copyTarget = null;
    }

    armPaste(windowId) {
        this._pasteTarget = windowId;
    }

    // The fix copies the mistyped text and pastes its correction into this window, once each.
    armFix(windowId) {
        this._copyTarget = windowId;
        this._pasteTarget = windowId;
    }

    // Whether the chord was typed.
    async type(chord) {
        const keys = Object.hasOwn(CHORDS, chord) ? CHORDS[chord] : null;
        if (!keys)
            return false;
        let target;
        if (chord === 'copy') {
            target = this._copyTarget;
            this._copyTarget = null;
        } else {
            target = this._pasteTarget;
            this._pasteTarget = null;
        }
        const window = windowById(target);
        if (!window)
            return false;
        if (global.display.focus_window !== window) {
            this._lib.Main.activateWindow(window);
            if (!await this._timers.until(() => global.display.focus_window === window, FOCUS_WAIT_MS))
                return false;
        }
        if (!await this._timers.until(() => !this._modifiersHeld(), RELEASE_WAIT_MS))
            return false;
        // Down in order, up in reverse, a few milliseconds apart.
        const {KeyState} = this._lib.Clutter;
        for (const key of keys) {
            this._send(key, KeyState.PRESSED);
            await this._timers.sleep(KEY_GAP_MS);
        }
        for (const key of [...keys].reverse()) {
            this._send(key, KeyState.RELEASED);
            await this._timers.sleep(KEY_GAP_MS);
        }
        return !this._timers.stopped;
    }

    _send(key, state) {
        const {Clutter, GLib} = this._lib;
        if (!this._keyboard)
            return;
        this._keyboard.notify_key(GLib.get_monotonic_time(), key, state);
        if (state === Clutter.KeyState.PRESSED)
            this._pressed.add(key);
        else
            this._pressed.delete(key);
    }

    _modifiersHeld() {
        const {ModifierType} = this._lib.Clutter;
        const [, , state] = global.get_pointer();
        const held = ModifierType.SHIFT_MASK | ModifierType.CONTROL_MASK | ModifierType.MOD1_MASK |
            ModifierType.MOD4_MASK | ModifierType.SUPER_MASK | ModifierType.HYPER_MASK | ModifierType.META_MASK;
        return (state & held) !== 0;
    }
}

var QuillboxShell = class {
    // lib: {Gio, GLib, Meta, Shell, Clutter, Main, UnixInputStream, UnixOutputStream, setFdNonBlocking};
    // extension: {path, metadata, settings}
    constructor(lib, extension) {
        this._lib = lib;
        this._extension = extension;
        this._enabled = false;
    }

    enable() {
        const {Gio, GLib} = this._lib;
        this._enabled = true;
        this._allowedExecutable = this._readAllowedExecutable();
        this._client = null;
        this._lastOtherFocusId = null;
        this._lastNamedFocusId = null;
        this._bound = new Set();
        this._settingQueue = Promise.resolve();
        this._timers = new Timers(GLib);
        this._typer = new ChordTyper(this._lib, this._timers);
        this._selections = new SelectionBridge(this._lib, this._timers,
            (serial, types, own) => this._emit('ClipboardChanged', '(tasb)', [serial, types, own]));
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
        const {Gio} = this._lib;
        this._enabled = false;
        this._endRegistration();
        Gio.bus_unown_name(this._nameId);
        this._service.unexport();
        Gio.DBus.session.signal_unsubscribe(this._ownerChangedId);
        global.display.disconnect(this._focusChangedId);
        this._selections.destroy();
        this._typer.destroy();
        this._timers.stop();
        this._service = this._selections = this._typer = this._timers = null;
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
            CurrentClipboard: () => ['(tas)', this._selections.current()],
            ReadSelection: (args, caller, fds) => {
                this._selections.read(args, fds);
                return [null, null];
            },
            SetSelection: async (args, caller, fds) =>
                ['(t)', [await this._selections.set(args, fds, () => this._enabled && this._client !== null)]],
            FocusedWindow: () => this._focusedWindow(),
            ActivateWindow: ([id]) => ['(b)', [this._activate(windowById(id))]],
            ActivatePanel: () => ['(b)', [this._activatePanel()]],
            TypeChord: async ([chord]) => ['(b)', [await this._typer.type(chord)]],
            SetShortcut: ([name, accelerator]) => this._setShortcut(name, accelerator),
            ShortcutAvailable: ([accelerator]) => ['(b)', [this._shortcutAvailable(accelerator)]],
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

    // The caller, {name, pid}, when it runs the allowed executable and its process owns
    // io.quillbox.Quillbox (and, except for Register, is the registered client); otherwise null.
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
            if (owner !== sender) {
                // Quillbox may hold its name on another connection of its own: same process, same program.
                const [ownerPid] = await this._busCall('GetConnectionUnixProcessID', new GLib.Variant('(s)', [owner]));
                if (ownerPid !== pid)
                    return null;
            }
            return this._enabled ? {name: sender, pid} : null;
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
        this._typer.disarm();
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

    _focusChanged() {
        const focused = global.display.focus_window;
        if (focused && !this._isPanel(focused))
            this._lastOtherFocusId = focused.get_id();
        if (focused && this._knownApp(focused) !== null)
            this._lastNamedFocusId = focused.get_id();
    }

    // The window's desktop entry app, '' for a window with only a class, null for a window with neither:
    // a helper surface that takes the focus for an instant to reach the clipboard, as wl-copy's does.
    _knownApp(window) {
        const app = this._lib.Shell.WindowTracker.get_default().get_window_app(window);
        // A window without a desktop entry gets an app made from the window itself, named by its title.
        if (app && !app.is_window_backed())
            return app;
        return window.get_wm_class() ? '' : null;
    }

    _focusedWindow() {
        const focused = global.display.focus_window;
        // Such a helper is not the program a person copies from, nor is the moment between its going and
        // the focus coming back: the window in front before it is.
        const window = !focused || this._knownApp(focused) === null ? windowById(this._lastNamedFocusId) : focused;
        if (!window)
            return ['(tssxs)', [0, '', '', -1, '']];
        const app = this._knownApp(window);
        const known = Boolean(app);
        const pid = window.get_pid();
        return ['(tssxs)', [window.get_id(), known ? app.get_id().replace(/\.desktop$/, '') : '',
            window.get_wm_class() ?? '', pid > 0 ? pid : -1, known ? app.get_name() ?? '' : '']];
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
        const panel = windows().find(window => this._isPanel(window));
        if (!panel)
            return false;
        const focused = global.display.focus_window;
        this._typer.armPaste(focused && !this._isPanel(focused) ? focused.get_id() : this._lastOtherFocusId);
        return this._activate(panel);
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
        const free = this._shortcutAvailable(accelerator);
        if (!free)
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

    // Mutter lets a later binding silently take a combination over; grabbing it alone first says
    // whether anything (the Shell's own bindings, another extension's) has it already.
    _shortcutAvailable(accelerator) {
        const {Meta} = this._lib;
        const probe = global.display.grab_accelerator(accelerator, Meta.KeyBindingFlags.NONE);
        if (probe === Meta.KeyBindingAction.NONE)
            return false;
        global.display.ungrab_accelerator(probe);
        return true;
    }

    _shortcutPressed(name) {
        if (name === 'fix-layout')
            this._typer.armFix(global.display.focus_window?.get_id() ?? null);
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
};
