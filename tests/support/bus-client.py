#!/usr/bin/python3
# bus-client: calls the running Quillbox as any other session-bus client could, bounds or none.
#   bus-client.py add-string BYTES     Add(s) with a text of BYTES letters, in one message
#   bus-client.py add-fd KIND          AddFromFd(h) with a descriptor: "pipe" (a pipe whose writer stays
#                                      open and silent) or "folder" (an open folder)
# Prints the answer, or "error NAME: MESSAGE" and exits 1.
import os
import sys

from gi.repository import Gio, GLib

SERVICE = "io.quillbox.Quillbox"
PATH = "/io/quillbox/Quillbox"


def call(method, parameters, fds=None):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    try:
        reply, _ = bus.call_with_unix_fd_list_sync(SERVICE, PATH, SERVICE, method, parameters,
                                                   GLib.VariantType("(s)"), Gio.DBusCallFlags.NO_AUTO_START,
                                                   60000, fds, None)
    except GLib.Error as error:
        name = Gio.DBusError.get_remote_error(error)
        Gio.DBusError.strip_remote_error(error)
        print("error %s: %s" % (name, error.message))
        sys.exit(1)
    print(reply.unpack()[0])


command, argument = sys.argv[1], sys.argv[2]
if command == "add-string":
    call("Add", GLib.Variant("(s)", ("a" * int(argument),)))
elif command == "add-fd":
    if argument == "pipe":
        read_end, write_end = os.pipe()  # the writer stays open: a reader waiting for the end waits forever
    else:
        read_end = os.open("/", os.O_RDONLY | os.O_DIRECTORY)
    fds = Gio.UnixFDList.new()
    fds.append(read_end)
    call("AddFromFd", GLib.Variant("(h)", (0,)), fds)
else:
    sys.exit("unknown command " + command)
