#!/usr/bin/python3
"""A desktop notification server for tests, on the session bus: it answers as a desktop's does and
appends each notification to the file named by its argument, one a line: the summary, a tab, the body
with its line breaks written as \\n. Prints "ready" once it owns the name."""
import sys

from gi.repository import Gio, GLib

INTERFACE = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg direction="out" type="as"/></method>
    <method name="Notify">
      <arg type="s"/><arg type="u"/><arg type="s"/><arg type="s"/><arg type="s"/>
      <arg type="as"/><arg type="a{sv}"/><arg type="i"/><arg direction="out" type="u"/>
    </method>
    <method name="CloseNotification"><arg type="u"/></method>
    <method name="GetServerInformation">
      <arg direction="out" type="s"/><arg direction="out" type="s"/>
      <arg direction="out" type="s"/><arg direction="out" type="s"/>
    </method>
  </interface>
</node>
"""

log_path = sys.argv[1]
shown = 0


def answer(connection, sender, path, interface, method, parameters, invocation):
    global shown
    if method == "GetCapabilities":
        invocation.return_value(GLib.Variant("(as)", (["body"],)))
    elif method == "Notify":
        summary, body = parameters[3], parameters[4]
        with open(log_path, "a", encoding="utf-8") as log:
            log.write(summary + "\t" + body.replace("\n", "\\n") + "\n")
        shown += 1
        invocation.return_value(GLib.Variant("(u)", (shown,)))
    elif method == "GetServerInformation":
        invocation.return_value(GLib.Variant("(ssss)", ("test", "Quillbox tests", "1", "1.2")))
    else:
        invocation.return_value(None)


node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
Gio.bus_own_name(
    Gio.BusType.SESSION,
    "org.freedesktop.Notifications",
    Gio.BusNameOwnerFlags.NONE,
    lambda connection, name: connection.register_object(
        "/org/freedesktop/Notifications", node.interfaces[0], answer, None, None
    ),
    lambda connection, name: print("ready", flush=True),
    lambda connection, name: sys.exit("notification-server: the name is taken"),
)
GLib.MainLoop().run()
