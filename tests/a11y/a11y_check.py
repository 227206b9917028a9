#!/usr/bin/python3
"""Screen-reader check: starts the program on its own Xvfb display with the
AT-SPI bus, opens its four windows through the menu and lists the controls a
screen reader sees. Fails on an input control without a name, a missing
window, or a criterion label its action does not check.
Then opens the sample archive through "Apri" and runs "Cerca": the found
entry must become the list's current one and the bus must carry a focus or
selection event that names it.
Usage: a11y_check.py PROGRAM DEMO_FOLDER (inside dbus-run-session)."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib

INPUT_ROLES = {pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY, pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_CHECK_BOX,
               pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_TOGGLE_BUTTON}


def wait_for(condition, timeout, step=0.2):
    """The first true value of condition() within timeout seconds, or None.
    The bus's events are handed to their listeners meanwhile."""
    end = time.time() + timeout
    context = GLib.MainContext.default()
    while time.time() < end:
        while context.pending():
            context.iteration(False)
        value = condition()
        if value:
            return value
        time.sleep(step)
    return None


def start_display():
    """Xvfb on the first free display, which it reports itself once it accepts
    clients (-displayfd): no stale lock or other run's display gets in the way."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0", "1600x1200x24"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as pipe:
        number = pipe.readline().strip()
    if not number:
        raise SystemExit("Xvfb did not start")
    return server, ":" + number


def stop(proc):
    if proc is not None and proc.poll() is None:
        proc.terminate()
        try:
            proc.wait(10)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()


def walk(node):
    yield node
    for child in (node.getChildAtIndex(i) for i in range(node.childCount)):
        if child is not None:
            yield from walk(child)


def windows(app):
    return {w.name: w for w in (app.getChildAtIndex(i) for i in range(app.childCount)) if w is not None}


def showing_inputs(window):
    """The input controls of a window that are on screen."""
    return [n for n in walk(window) if n.getRole() in INPUT_ROLES and n.getState().contains(pyatspi.STATE_SHOWING)]


def do_menu(app, caption, opens):
    """Chooses a menu entry and waits for the window it opens to show its controls."""
    entry = wait_for(lambda: next((n for n in walk(app) if n.getRoleName() in ("menu item", "menu")
                                   and n.name.replace("&", "") == caption), None), 30, 0.5)
    if entry is None:
        raise SystemExit("menu entry %s not found" % caption)
    try:
        entry.queryAction().doAction(0)
    except GLib.Error:
        # A modal dialog answers the action only once it closes.
        pass
    if not wait_for(lambda: opens in windows(app) and showing_inputs(windows(app)[opens]), 30):
        raise SystemExit("menu entry %s did not open %s" % (caption, opens))


def check(app):
    """Lists every window's input controls; the number of faults found."""
    failures = 0
    found = windows(app)
    for title in ("Profilo del volontario K.R.T.", "Form4", "Selezione", "Form3"):
        if title not in found:
            print("MISSING WINDOW", title)
            failures += 1
            continue
        print("==", title)
        for node in walk(found[title]):
            role, states = node.getRole(), node.getState()
            shown = states.contains(pyatspi.STATE_SHOWING) or role == pyatspi.ROLE_PAGE_TAB
            if role not in INPUT_ROLES or not shown:
                continue
            name = node.name.strip()
            extra = " [checked]" if states.contains(pyatspi.STATE_CHECKED) else ""
            print("  %-12s %s%s" % (node.getRoleName(), name or "<SENZA NOME>", extra))
            failures += not name
    # A criterion label, unchosen, is checked by the screen reader's action.
    checked = lambda n: n.getState().contains(pyatspi.STATE_CHECKED)
    box = next((n for n in walk(found["Selezione"]) if n.getRole() == pyatspi.ROLE_CHECK_BOX
                and n.name.strip() == "Veicolare 27 MHz"), None) if "Selezione" in found else None
    if box is None or checked(box):
        print("criterion label missing or already chosen")
        return failures + 1
    box.queryAction().doAction(0)
    if not wait_for(lambda: checked(box), 10):
        print("criterion label not checked after its action")
        return failures + 1
    print("  toggled: Veicolare 27 MHz [checked]")
    return failures


# The events a screen reader follows to tell the entry the user is on.
ENTRY_EVENTS = ("focus:", "object:state-changed:focused", "object:state-changed:selected",
                "object:selection-changed", "object:active-descendant-changed")


def node(root, role, name):
    return next((n for n in walk(root) if n.getRole() == role and n.name.replace("&", "").strip() == name), None)


def open_archive(app, path):
    """"Apri" and the file chosen in its dialog; the number of list entries."""
    do_menu(app, "Apri", "Nome del file da aprire")
    dialog = windows(app)["Nome del file da aprire"]
    edit = wait_for(lambda: next((n for n in walk(dialog) if n.getRole() in (pyatspi.ROLE_TEXT, pyatspi.ROLE_ENTRY)
                                  and n.getState().contains(pyatspi.STATE_FOCUSED)), None), 10)
    if edit is None:
        raise SystemExit("file dialog: no focused file name field")
    edit.queryEditableText().setTextContents(path)
    button = next((n for n in walk(dialog) if n.getRole() == pyatspi.ROLE_PUSH_BUTTON
                   and n.name.replace("&", "") in ("Open", "Apri")), None)
    if button is None:
        raise SystemExit("file dialog: no Open button")
    button.queryAction().doAction(0)
    listed = node(windows(app)["Profilo del volontario K.R.T."], pyatspi.ROLE_LIST, "Elenco volontari")
    return listed, wait_for(lambda: listed.childCount or None, 30)


def check_search(app, work):
    """Cerca in the main list: the number of faults found."""
    heard = []

    def listener(event):
        try:
            heard.append((event.type, event.source.name or ""))
        except Exception:  # the source went away meanwhile
            pass

    pyatspi.Registry.registerEventListener(listener, *ENTRY_EVENTS)
    listed, count = open_archive(app, os.path.join(work, "archivio.txt"))
    print("== Cerca: %s entries listed" % count)
    main = windows(app)["Profilo del volontario K.R.T."]
    node(main, pyatspi.ROLE_TEXT, "Testo da cercare").queryEditableText().setTextContents("monti")
    del heard[:]
    node(main, pyatspi.ROLE_PUSH_BUTTON, "Cerca").queryAction().doAction(0)
    told = wait_for(lambda: next((e for e in heard if "MONTI " in e[1]), None), 20)
    selected = [c.name for c in (listed.getChildAtIndex(i) for i in range(listed.childCount))
                if c is not None and c.getState().contains(pyatspi.STATE_SELECTED)]
    chosen = selected[0] if len(selected) == 1 else None
    print("  found entry: %s" % " ".join((chosen or "<none>").split()))
    print("  event: %s" % (told[0] if told else "<none>"))
    print("  events after Cerca: %d" % len(heard))
    pyatspi.Registry.deregisterEventListener(listener, *ENTRY_EVENTS)
    return (not chosen or "MONTI " not in chosen) + (told is None)


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
            # The run state goes with the scratch folder, not into the user's own.
            env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", XDG_STATE_HOME=work + "-stato",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
            env.pop("XAUTHORITY", None)
            proc = subprocess.Popen([program], cwd=work, env=env)
            # The program's node on the accessibility bus (True: it ended first).
            app = wait_for(lambda: proc.poll() is not None or next(
                (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "archivio"), None), 60, 0.3)
            if app is not None and app is not True:
                break
            app = None
            print("attempt %d: program not on the accessibility bus (exit %s)" % (attempt, proc.poll()))
            stop(proc)
            stop(server)
        if app is None:
            return 1
        do_menu(app, "Nuovo inserimento", "Form4")
        do_menu(app, "Selezione volontari", "Selezione")
        do_menu(app, "Verifica", "Form3")
        failures = check(app) + check_search(app, work)
        print("%d failures" % failures)
        return 1 if failures else 0
    finally:
        stop(proc)
        stop(server)
        shutil.rmtree(work, ignore_errors=True)
        shutil.rmtree(work + "-stato", ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
