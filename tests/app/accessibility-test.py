#!/usr/bin/env python3
"""The window as a screen reader finds it, through the real accessibility bus (AT-SPI) on Xvfb:
every control reachable by a name that says what it does, with a description; the item and sort
buttons in their named groups; the list's lines readable as their text; and a change of the
status line announced. Run inside a D-Bus session of its own (dbus-run-session)."""

import os
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

PROGRAM = sys.argv[1]
ITEMS = ["Title", "Artist", "Time", "Rating", "Genre", "Year", "Album", "Type"]
NAMED = (["List all playlists", "Display list", "Selected playlist", "Playlist",
          "Label CD case", "Print user's guide", "Custom display", "Reset display",
          "Save display", "Selected playlist sort", "Minor Sort Off", "Project web page",
          "Status line"]
         + ["Custom display: add " + item for item in ITEMS]
         + ["Sort by " + item for item in ITEMS[:4]]
         + ["Sort: no column %d" % n for n in range(5, 9)])
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED: " + what, file=sys.stderr)


def descendants(accessible):
    yield accessible
    for i in range(accessible.get_child_count()):
        child = accessible.get_child_at_index(i)
        if child is not None:
            yield from descendants(child)


def pump(seconds, until=lambda: False):
    context = GLib.MainContext.default()
    end = time.monotonic() + seconds
    while time.monotonic() < end and not until():
        context.iteration(False)
        time.sleep(0.02)
    return until()


def application():
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is not None and app.get_name() == "corvane":
            return app
    return None


def by_name(app, lines=False):
    """The controls (or else the list's lines) by name."""
    found = {}
    try:
        for a in descendants(app):
            if (a.get_role() == Atspi.Role.LIST_ITEM) == lines:
                found.setdefault(a.get_name(), []).append(a)
    except GLib.Error:
        return {}  # a line went while it was read: the list was being replaced; look again
    return found


def press(accessible):
    accessible.do_action(0)


def start_xvfb():
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=[write])
    os.close(write)
    # Xvfb writes the number and then a line end; the pipe stays open until it has.
    display = b""
    while not display.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            break
        display += chunk
    os.close(read)
    return xvfb, ":" + display.decode().strip()


def main():
    folder = tempfile.TemporaryDirectory()
    music = os.path.join(folder.name, "music")
    os.makedirs(music)
    with open(os.path.join(music, "Road Trip.m3u"), "w") as playlist:
        playlist.write("#EXTM3U\nsong.flac\n")
    xvfb, display = start_xvfb()
    environment = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb",
                       QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                       HOME=folder.name, XDG_CONFIG_HOME=os.path.join(folder.name, "config"),
                       XDG_CACHE_HOME=os.path.join(folder.name, "cache"))
    # What the program says goes to a file, shown when something failed: while the list is
    # replaced, a reader's walk of it makes Qt warn of rows gone.
    said = open(os.path.join(folder.name, "stderr"), "w+")
    corvane = subprocess.Popen([PROGRAM, "--library", music], env=environment, stderr=said)
    try:
        Atspi.init()
        check(pump(30, lambda: application() is not None), "the window is on the bus")
        app = application()
        if app is None:
            return
        check(pump(10, lambda: "Display list" in by_name(app)), "the window's controls are there")
        names = by_name(app)

        for name in NAMED:
            found = names.get(name, [])
            check(len(found) == 1, "one control named %r (found %d)" % (name, len(found)))
            if found:
                check(found[0].get_description() != "", "%r has a description" % name)
        for a in descendants(app):
            if a.get_role() == Atspi.Role.PUSH_BUTTON:
                check(a.get_name() != "" and a.get_description() != "",
                      "a button without a name or description: %r" % a.get_name())
        for group, members in (("Custom display", ["Custom display: add " + i for i in ITEMS]),
                               ("Selected playlist sort", ["Sort by Title", "Minor Sort Off"])):
            panel = names.get(group, [None])[0]
            inside = {a.get_name() for a in descendants(panel)} if panel else set()
            check(panel is not None and panel.get_role() == Atspi.Role.PANEL,
                  "%r is a group" % group)
            for member in members:
                check(member in inside, "%r is in the group %r" % (member, group))

        # The list's lines are read as their text.
        press(names["List all playlists"][0])
        check(pump(10, lambda: "1 Road Trip" in by_name(app, lines=True)),
              "the list of playlists reads its line \"1 Road Trip\"")
        check("LIST OF PLAYLISTS" in by_name(app, lines=True), "the heading reads as its text")

        # A change of the status line is announced.
        heard = []
        listener = Atspi.EventListener.new(
            lambda event: heard.append(event.source.get_name() if event.source else ""))
        listener.register("object:property-change:accessible-name")
        press(names["Reset display"][0])
        check(pump(10, lambda: "Default display restored" in heard),
              "the status line announces \"Default display restored\" (heard: %r)" % heard)
        listener.deregister("object:property-change:accessible-name")
    finally:
        corvane.terminate()
        corvane.wait(10)
        xvfb.terminate()
        xvfb.wait(10)
        if failures:
            said.seek(0)
            sys.stderr.write(said.read())
        said.close()


main()
sys.exit(1 if failures else 0)
