// Entry point for GNOME 43-44, which load extensions through imports.* and init/enable/disable.
const {Clutter, Gio, GLib, Meta, Shell} = imports.gi;
const Main = imports.ui.main;
const ExtensionUtils = imports.misc.extensionUtils;
const Me = ExtensionUtils.getCurrentExtension();
const {QuillboxShell} = Me.imports.core;

let shell = null;

/* exported init enable disable */
function init() {
}

function enable() {
    shell = new QuillboxShell({
        Clutter, Gio, GLib, Meta, Shell, Main,
        UnixInputStream: Gio.UnixInputStream,
        UnixOutputStream: Gio.UnixOutputStream,
        setFdNonBlocking: fd => GLib.unix_set_fd_nonblocking(fd, true),
    }, {path: Me.path, metadata: Me.metadata, settings: ExtensionUtils.getSettings()});
    shell.enable();
}

function disable() {
    shell.disable();
    shell = null;
}
