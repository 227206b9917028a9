#!/usr/bin/python3
"""Runs a command as a screen reader's user runs the program: on its own Xvfb
display (the server picks the display and reports it, -displayfd), with the
Qt accessibility bridge on, and a client on the accessibility bus listening
to every event, as a screen reader does. Run inside dbus-run-session.
Usage: a11y_session.py COMMAND [ARGS...]; exits with the command's status."""
import os
import subprocess
import sys

import pyatspi
from gi.repository import GLib

# The accessibility check's own X server start: the same display rules.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "a11y"))
from a11y_check import start_display  # noqa: E402


def main():
    server, display = start_display()
    events = [0]

    def heard(event):
        events[0] += 1

    pyatspi.Registry.registerEventListener(heard, "object", "focus", "window")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1")
    env.pop("XAUTHORITY", None)
    proc = subprocess.Popen(sys.argv[1:], env=env)

    def ended():
        if proc.poll() is None:
            return True
        pyatspi.Registry.stop()
        return False

    GLib.timeout_add(200, ended)
    try:
        pyatspi.Registry.start()
    finally:
        if proc.poll() is None:
            proc.kill()
        proc.wait()
        server.terminate()
        server.wait()
    print("accessibility bus: %d events heard" % events[0])
    return proc.returncode


if __name__ == "__main__":
    sys.exit(main())
