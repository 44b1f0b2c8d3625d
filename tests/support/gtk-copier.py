#!/usr/bin/python3
# gtk-copier TEXT [NAME]: a GTK 3 window that copies TEXT to the CLIPBOARD, prints "copied", and on a line
# "quit" on its standard input hands the clipboard to the desktop's clipboard manager and exits,
# as GTK programs do. Prints "stored" once the manager has answered (or GTK gave up waiting). NAME is the
# program name GTK gives its windows (WM_CLASS), as a program installed under that name has.
import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

text = sys.argv[1]
if len(sys.argv) > 2:
    GLib.set_prgname(sys.argv[2])
window = Gtk.Window(title="GTK copier")
window.show_all()
clipboard = Gtk.Clipboard.get(Gdk.SELECTION_CLIPBOARD)


def copy():
    clipboard.set_text(text, -1)
    print("copied", flush=True)
    return False


def on_input(channel, condition):
    line = sys.stdin.readline()
    if not line or line.strip() == "quit":
        Gtk.main_quit()
        return False
    return True


GLib.timeout_add(100, copy)
GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_input)
Gtk.main()
clipboard.store()
print("stored", flush=True)
