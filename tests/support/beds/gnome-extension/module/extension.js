// Entry point for GNOME 45 and later, which load extensions as ES modules.
import Clutter from 'gi://Clutter';
import Gio from 'gi://Gio';
import GLib from 'gi://GLib';
import {Extension} from 'resource:///org/gnome/shell/extensions/extension.js';
import * as Main from 'resource:///org/gnome/shell/ui/main.js';
import {getInputSourceManager} from 'resource:///org/gnome/shell/ui/status/keyboard.js';
import {TestBed} from './core.js';

export default class TestBedExtension extends Extension {
    enable() {
        this._bed = new TestBed({Clutter, Gio, GLib, Main, getInputSourceManager});
        this._bed.enable();
    }

    disable() {
        this._bed.disable();
        this._bed = null;
    }
}
