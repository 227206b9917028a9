#!/usr/bin/python3
"""Screen-reader check: starts the program on an X display with the AT-SPI
accessibility bus, opens each of its four windows through the menu, lists
the controls a screen reader sees, and fails when an input control has no
name. Usage: a11y_check.py PROGRAM DEMO_FOLDER (run inside dbus-run-session
with DISPLAY set)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi

INPUT_ROLES = {
    pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST,
    pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_TOGGLE_BUTTON,
}


def find_app(name, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name == name:
                return app
        time.sleep(0.3)
    raise SystemExit("program not found on the accessibility bus")


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
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
    proc = subprocess.Popen([program], cwd=work, env=env)
    try:
        app = find_app("archivio", timeout=60)
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
        proc.terminate()
        proc.wait(10)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
