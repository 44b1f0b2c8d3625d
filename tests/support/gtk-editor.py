#!/usr/bin/python3
# gtk-editor TITLE [APP_ID]: a GTK 3 window titled TITLE with one text field, under APP_ID when given. Prints "ready" once the field has
# the keyboard focus, then the field's whole text on a line of its own after every change; a line
# "clear" on its standard input empties the field, end of input closes it.
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

if len(sys.argv) > 2:
    GLib.set_prgname(sys.argv[2])
window = Gtk.Window(title=sys.argv[1])
window.set_default_size(300, 40)
field = Gtk.Entry()
window.add(field)
field.connect("changed", lambda entry: print(entry.get_text(), flush=True))
announced = False


def on_focus(widget, event):
    global announced
    if not announced:
        announced = True
        print("ready", flush=True)
    return False


def on_input(channel, condition):
    line = sys.stdin.readline()
    if not line:
        Gtk.main_quit()
        return False
    if line.strip() == "clear":
        field.set_text("")
    return True


field.connect("focus-in-event", on_focus)
window.connect("destroy", Gtk.main_quit)
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_input)
window.show_all()
Gtk.main()
