#!/usr/bin/python3
# atspi-probe: what a screen reader learns through AT-SPI, for the tests.
#   atspi-probe tree APP      the accessible tree of APP's windows, one object a line:
#                             depth, role, name, description and states, tab-separated
#   atspi-probe events        prints "listening", then each focus and alert event as it comes:
#                             kind, role, name and description, tab-separated; ends on "quit" or EOF
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402


def clean(text):
    return (text or "").replace("\t", " ").replace("\n", " ")


def line(*fields):
    print("\t".join(clean(str(f)) for f in fields), flush=True)


def states(accessible):
    state_set = accessible.get_state_set()
    names = []
    for state in (Atspi.StateType.FOCUSED, Atspi.StateType.SELECTED, Atspi.StateType.CHECKED,
                  Atspi.StateType.FOCUSABLE, Atspi.StateType.ACTIVE, Atspi.StateType.EDITABLE,
                  Atspi.StateType.SHOWING):
        if state_set.contains(state):
            names.append(state.value_nick)
    return ",".join(names)


def role(accessible):
    # The role's name as AT-SPI 2.46 (Debian 12) spells it. AT-SPI 2.56 (Debian 13) added "button" as
    # a second name of "push button", and both its role names and its enumeration give the new one.
    nick = accessible.get_role().value_nick
    return "push button" if nick == "button" else nick.replace("-", " ")


def walk(accessible, depth):
    try:
        line(depth, role(accessible), accessible.get_name(), accessible.get_description(), states(accessible))
        for i in range(min(accessible.get_child_count(), 200)):
            child = accessible.get_child_at_index(i)
            if child is not None:
                walk(child, depth + 1)
    except GLib.Error as error:
        line(depth, "error", error.message, "", "")


def find_app(app_name, seconds=10):
    # The registry learns of applications a moment after they connect.
    deadline = time.monotonic() + seconds
    while True:
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == app_name:
                return app
        if time.monotonic() > deadline:
            return None
        time.sleep(0.2)


def tree(app_name):
    app = find_app(app_name)
    if app is None:
        print("no application " + app_name + " on the accessibility bus", file=sys.stderr)
        return 1
    walk(app, 0)
    return 0


def events():
    def seen(event):
        source = event.source
        try:
            if event.type.startswith("object:announcement"):
                # What is said is the event's own text, not its source's name.
                line(event.type, role(source), event.any_data, "")
                return
            line(event.type, role(source), source.get_name(), source.get_description())
        except GLib.Error:
            line(event.type, "gone", "", "")

    listener = Atspi.EventListener.new(seen)
    for kind in ("focus:", "object:state-changed:focused", "object:announcement", "window:activate"):
        listener.register(kind)
    # Alerts come as an object event of their own on some toolkits, as a role on others.
    listener.register("object:state-changed:showing")

    loop = GLib.MainLoop()

    def on_input(channel, condition):
        text = sys.stdin.readline()
        if not text or text.strip() == "quit":
            loop.quit()
            return False
        return True

    GLib.io_add_watch(GLib.IOChannel.unix_new(sys.stdin.fileno()), GLib.IO_IN | GLib.IO_HUP, on_input)
    GLib.idle_add(lambda: (print("listening", flush=True), False)[1])
    loop.run()
    return 0


if __name__ == "__main__":
    Atspi.init()
    if len(sys.argv) == 3 and sys.argv[1] == "tree":
        sys.exit(tree(sys.argv[2]))
    if len(sys.argv) == 2 and sys.argv[1] == "events":
        sys.exit(events())
    print("usage: atspi-probe tree APP | atspi-probe events", file=sys.stderr)
    sys.exit(2)
