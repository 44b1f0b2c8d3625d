// Entry point for GNOME 43-44, which load extensions through imports.* and init/enable/disable.
const {Clutter, Gio, GLib} = imports.gi;
const Main = imports.ui.main;
const {getInputSourceManager} = imports.ui.status.keyboard;
const {TestBed} = imports.misc.extensionUtils.getCurrentExtension().imports.core;

let bed = null;

/* exported init enable disable */
function init() {
}

function enable() {
    bed = new TestBed({Clutter, Gio, GLib, Main, getInputSourceManager});
    bed.enable();
}

function disable() {
    bed.disable();
    bed = null;
}
