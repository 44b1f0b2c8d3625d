// Entry point for GNOME 45 and later, which load extensions as ES modules.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import Meta from 'gi://Meta';
import Shell from 'gi://Shell';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {QuillboxShell} from './core.js';

// GLib 2.80 (GNOME 46) moved the Unix-only API to GioUnix and GLibUnix; the old names warn there and
// fail on later releases. GNOME 45 has only the old ones.
const optional = async name => {
    try {
        return (await import(`gi://${name}`)).default;
    } catch {
        return null;
    }
};
const GioUnix = await optional('GioUnix');
const GLibUnix = await optional('GLibUnix');

export default class QuillboxExtension extends Extension {
    enable() {
        this._shell = new QuillboxShell({
            Clutter, Gio, GLib, Meta, Shell, Main,
            UnixInputStream: GioUnix?.InputStream ?? Gio.UnixInputStream,
            UnixOutputStream: GioUnix?.OutputStream ?? Gio.UnixOutputStream,
            setFdNonBlocking: GLibUnix
                ? fd => GLibUnix.set_fd_nonblocking(fd, true)
                : fd => GLib.unix_set_fd_nonblocking(fd, true),
        }, {path: this.path, metadata: this.metadata, settings: this.getSettings()});
        this._shell.enable();
    }

    disable() {
        this._shell.disable();
        this._shell = null;
    }
}
