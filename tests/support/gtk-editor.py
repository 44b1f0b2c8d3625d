#!/usr/bin/python3
# gtk-editor TITLE APP-ID FILE: a GTK 3 text field in a window of its own, titled TITLE, with APP-ID as
# its program name (the Wayland app id, the X11 class). It writes its whole text to FILE once it is
# shown and again at every change, so a test counts what was pasted into it. GDK_BACKEND picks the
# display server.
import os
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

if len(sys.argv) != 4:
    sys.exit("usage: gtk-editor TITLE APP-ID FILE")
title, app_id, path = sys.argv[1:]
# Read when the first window is realised: set before it.
GLib.set_prgname(app_id)
Gdk.set_program_class(app_id)


def save(text):
    # Replaced whole, so a reader never sees half of it.
    partial = path + ".partial"
    with open(partial, "w", encoding="utf-8") as file:
        file.write(text)
    os.replace(partial, path)


entry = Gtk.Entry()
entry.connect("changed", lambda field: save(field.get_text()))
window = Gtk.Window(title=title)
window.set_default_size(400, 40)
window.add(entry)
window.connect("destroy", Gtk.main_quit)
window.show_all()
save(entry.get_text())
Gtk.main()
