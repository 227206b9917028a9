#!/usr/bin/python3
"""Screen-reader check: starts the program on its own Xvfb display with the
AT-SPI accessibility bus, opens each of its four windows through the menu,
lists the controls a screen reader sees, and fails when an input control has
no name. Usage: a11y_check.py PROGRAM DEMO_FOLDER (run inside
dbus-run-session)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi


def start_display():
    """Starts Xvfb on a display it picks itself (-displayfd: the first free
    number, reported once the server accepts clients), so a stale lock file
    or a display left over by another run cannot get in the way."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1600x1200x24"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        server.wait(10)
        raise SystemExit("Xvfb did not start (exit code %s)" % server.returncode)
    return server, ":" + number


def stop(proc):
    if proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()

INPUT_ROLES = {
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_TOGGLE_BUTTON,
}


def find_app(name, proc, timeout):
    """The program's node on the accessibility bus, or None when the program
    ended first or did not appear in time."""
    end = time.time() + timeout
    while time.time() < end and proc.poll() is None:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.3)
    return None


def walk(node, depth=0):
    yield node, depth
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)


def window_names(app):
    names = set()
    for i in range(app.childCount):
        win = app.getChildAtIndex(i)
        if win is not None:
            names.add(win.name)
    return names


def do_menu(app, caption, opens, timeout=30):
    """Chooses a menu entry and waits for the window it opens."""
    end = time.time() + timeout
    while time.time() < end:
        for node, _ in walk(app):
            if node.getRoleName() in ("menu item", "menu") and node.name.replace("&", "") == caption:
                node.queryAction().doAction(0)
                while time.time() < end:
                    if opens in window_names(app):
                        time.sleep(0.5)
                        return
                    time.sleep(0.2)
        time.sleep(0.5)
    raise SystemExit("menu entry %s did not open %s" % (caption, opens))


def main():
    program, demo = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp()
    for f in ("province.dat", "associazioni.dat", "archivio.txt"):
        shutil.copy(os.path.join(demo, f), work)
    # Two attempts, each on a fresh X server: a server that refuses its first
    # client must not be taken for a fault of the program.
    server = proc = app = None
    try:
        for attempt in (1, 2):
            server, display = start_display()
            env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
            env.pop("XAUTHORITY", None)
            proc = subprocess.Popen([program], cwd=work, env=env)
            app = find_app("archivio", proc, timeout=60)
            if app is not None:
                break
            print("attempt %d: program %s on %s" % (
                attempt, "ended with %s" % proc.returncode if proc.poll() is not None
                else "not found on the accessibility bus", display))
            stop(proc)
            stop(server)
        if app is None:
            return 1
        do_menu(app, "Nuovo inserimento", "Form4")
        do_menu(app, "Selezione volontari", "Selezione")
        do_menu(app, "Verifica", "Form3")
        failures = 0
        windows = {}
        for i in range(app.childCount):
            win = app.getChildAtIndex(i)
            windows[win.name] = win
        for title in ("Profilo del volontario K.R.T.", "Form4", "Selezione", "Form3"):
            win = windows.get(title)
            if win is None:
                print("MISSING WINDOW", title)
                failures += 1
                continue
            print("==", title)
            for node, depth in walk(win):
                role = node.getRole()
                if os.environ.get("A11Y_ALL"): print("   .", node.getRoleName(), repr(node.name))
                if role not in INPUT_ROLES:
                    continue
                states = node.getState()
                if not states.contains(pyatspi.STATE_SHOWING) and role != pyatspi.ROLE_PAGE_TAB:
                    continue
                name = node.name.strip()
                extra = " [checked]" if states.contains(pyatspi.STATE_CHECKED) else ""
                print("  %-12s %s%s" % (node.getRoleName(), name or "<SENZA NOME>", extra))
                if not name:
                    failures += 1
        # A criterion label toggled by the screen reader's action is checked.
        sel = windows.get("Selezione")
        if sel is not None:
            box = next((n for n, _ in walk(sel) if n.getRole() == pyatspi.ROLE_CHECK_BOX
                        and n.name.strip() == "Veicolare 27 MHz"), None)
            if box is None or box.getState().contains(pyatspi.STATE_CHECKED):
                print("criterion label missing or already chosen")
                failures += 1
            else:
                box.queryAction().doAction(0)
                end = time.time() + 10
                while time.time() < end and not box.getState().contains(pyatspi.STATE_CHECKED):
                    time.sleep(0.2)
                if not box.getState().contains(pyatspi.STATE_CHECKED):
                    print("criterion label not checked after its action")
                    failures += 1
                else:
                    print("  toggled: Veicolare 27 MHz [checked]")
        print("%d passed, %d failed" % (0 if failures else 1, failures))
        return 1 if failures else 0
    finally:
        for p in (proc, server):
            if p is not None:
                stop(p)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
