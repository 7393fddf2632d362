#!/usr/bin/python3
"""Runs a program on an accessibility bus of its own and prints its accessible tree.

    accessible_tree.py PROGRAM [ARGUMENTS...]

Meant to run inside a private session bus (dbus-run-session -- accessible_tree.py ...)
on a display of its own. It starts the accessibility bus, starts PROGRAM, reads the
program's tree through AT-SPI, as a screen reader does, until it stays the same for a
second, and prints it as JSON on standard output:

    {"session_bus": ..., "pids": [...], "panel_exit": PROGRAM's exit status,
     "tree": {"role", "name", "description",
     "states", "value": {"current", "minimum", "maximum"} (objects with a value only),
     "children": [...]}}

Everything it started is ended with SIGTERM before it exits. Exit status: 0 with the
tree printed, 1 when something failed (the reason on standard error), 77 when pyatspi
is not installed.
"""

import importlib.util
import json
import os
import signal
import subprocess
import sys
import time

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
START_SECONDS = 20
SETTLE_SECONDS = 1.0


def fail(message):
    print(f"accessible_tree: {message}", file=sys.stderr)
    return 1


def node(accessible):
    """The object and everything under it, as plain data."""
    entry = {
        "role": accessible.get_role_name(),
        "name": accessible.name or "",
        "description": accessible.description or "",
        "states": sorted(state.value_nick for state in accessible.getState().getStates()),
    }
    try:
        value = accessible.queryValue()
        entry["value"] = {"current": value.currentValue, "minimum": value.minimumValue,
                          "maximum": value.maximumValue}
    except NotImplementedError:
        pass
    entry["children"] = [node(child) for child in accessible if child is not None]
    return entry


def find_application(pyatspi, pid):
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.get_process_id() == pid:
            return application
    return None


def read_settled_tree(pyatspi, program):
    """The tree once two readings a second apart agree; None if the program never showed one."""
    deadline = time.monotonic() + START_SECONDS
    last = None
    while time.monotonic() < deadline and program.poll() is None:
        try:
            application = find_application(pyatspi, program.pid)
            tree = node(application) if application is not None and application.childCount else None
        except Exception:  # the tree changed while it was read: read it again
            tree = None
        if tree is not None and tree == last:
            return tree
        last = tree
        time.sleep(SETTLE_SECONDS)
    return None


def end(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def wait_for_bus_launcher(launcher):
    """Waits until the accessibility bus is offered on the session bus."""
    from gi.repository import Gio, GLib
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    deadline = time.monotonic() + START_SECONDS
    while time.monotonic() < deadline and launcher.poll() is None:
        owned = session.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                  "NameHasOwner", GLib.Variant("(s)", ("org.a11y.Bus",)), GLib.VariantType("(b)"),
                                  Gio.DBusCallFlags.NONE, -1, None)
        if owned.unpack()[0]:
            return True
        time.sleep(0.1)
    return False


def main(arguments):
    if importlib.util.find_spec("pyatspi") is None:
        print("accessible_tree: pyatspi is not installed (python3-pyatspi)", file=sys.stderr)
        return 77
    if not arguments:
        return fail("usage: accessible_tree.py PROGRAM [ARGUMENTS...]")
    if "DBUS_SESSION_BUS_ADDRESS" not in os.environ:
        return fail("no session bus; run it under dbus-run-session")

    started = []
    try:
        launcher = subprocess.Popen([LAUNCHER, "--launch-immediately", "--a11y=1"], stdout=sys.stderr)
        started.append(launcher)
        if not wait_for_bus_launcher(launcher):
            return fail("the accessibility bus did not start")
        import pyatspi  # reaches the accessibility bus as it loads
        program = subprocess.Popen(arguments, stdout=sys.stderr)
        started.append(program)
        tree = read_settled_tree(pyatspi, program)
        if tree is None:
            return fail(f"{arguments[0]} showed no accessible tree within {START_SECONDS} s")
        end(program)
        end(launcher)
        json.dump({"session_bus": os.environ["DBUS_SESSION_BUS_ADDRESS"],
                   "pids": [process.pid for process in started], "panel_exit": program.returncode,
                   "tree": tree},
                  sys.stdout, ensure_ascii=False, indent=1)
        print()
        return 0
    finally:
        for process in reversed(started):
            end(process)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
