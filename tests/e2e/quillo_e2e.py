# SPDX-License-Identifier: GPL-3.0-or-later
"""The real quillo binary on a real desktop, driven as a person would drive it. Nothing here knows the desktop:
x11.py and wayland.py give the tests one, with an input that presses keys and clicks as a person does there.
Quillo's own windows and controls are found through the accessibility bus by accessible name (window, control)."""
import configparser
import os
import signal
import subprocess
import time
from typing import NamedTuple

import dbus
import pyatspi

TIMEOUT = 15.0  # seconds: no wait is longer
ITEM, WATCHER_NAME = "org.kde.StatusNotifierItem", "org.kde.StatusNotifierWatcher"  # a tray's bus interfaces
SCALE = int(os.environ.get("QT_SCALE_FACTOR", "1"))  # screen pixels per pixel of a Quillo scaled by Qt alone


def wait_until(check, what, timeout=TIMEOUT):
    """Polls check() until it gives something true, and returns that; fails the test after timeout."""
    deadline = time.monotonic() + timeout
    while not (value := check()):
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up after {timeout:g} s waiting for {what}")
        time.sleep(0.05)
    return value


def run(*command, timeout=TIMEOUT):
    """Runs a helper program; its standard output, or an error that says what failed."""
    done = subprocess.run([str(part) for part in command], capture_output=True, text=True, timeout=timeout)
    assert done.returncode == 0, f"{command} failed: {done.stderr.strip()}"
    return done.stdout


class Point(NamedTuple):
    x: int
    y: int


class Rect(NamedTuple):
    x: int
    y: int
    width: int
    height: int
    right = property(lambda self: self.x + self.width)  # one past the last column
    bottom = property(lambda self: self.y + self.height)
    centre = property(lambda self: Point(self.x + self.width // 2, self.y + self.height // 2))

    def moved(self, dx, dy):
        return self._replace(x=self.x + dx, y=self.y + dy)

    def within(self, other):
        return other.x <= self.x and other.y <= self.y and self.right <= other.right and self.bottom <= other.bottom


class Desktop:
    """What both test desktops tell alike of a window: whether it is on screen, and where."""

    def viewable(self, window):
        return self.shown_geometry(window) is not None

    def geometry(self, window):
        return wait_until(lambda: self.shown_geometry(window), "the window on screen")


class Quillo:
    """One run of the real binary ($QUILLO_BINARY) with settings and data of its own under home."""

    def __init__(self, home, env=None):
        self.home = home
        self.note_path = home / "data/Quillo/notes.txt"
        self.config_path = home / "config/Quillo/Quillo.conf"
        self.env = {**os.environ, "XDG_CONFIG_HOME": str(home / "config"), "XDG_DATA_HOME": str(home / "data"),
                    "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1", **(env or {})}

    def start(self, *options):
        self.home.mkdir(parents=True, exist_ok=True)
        self._output = self.home / f"quillo-{time.monotonic_ns()}"  # what this run prints, .out and .err
        with open(f"{self._output}.out", "w") as out, open(f"{self._output}.err", "w") as err:
            self.process = subprocess.Popen([os.environ["QUILLO_BINARY"], *options], env=self.env,
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        return self

    pid = property(lambda self: self.process.pid)
    running = property(lambda self: self.process.poll() is None)

    def send(self, number):
        self.process.send_signal(number)

    def wait(self):
        """The exit status once the process has ended (negative: the signal that ended it)."""
        return self.process.wait(TIMEOUT)

    def stop(self, number=signal.SIGTERM):
        self.send(number)
        return self.wait()

    def output(self):
        """What the process has printed so far: standard output, standard error."""
        return tuple(open(f"{self._output}.{end}", encoding="utf-8").read() for end in ("out", "err"))

    def note(self):
        """The note file's text, or None while there is no file."""
        return self.note_path.read_text(encoding="utf-8") if self.note_path.exists() else None

    def settings(self):
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(self.config_path, encoding="utf-8")
        return dict(parser["General"]) if parser.has_section("General") else {}

    def hotkey(self):
        """The stored hotkey: its key code and modifiers, as text."""
        return [self.settings().get(key) for key in ("hotKeyKeyCode", "hotKeyModifiers")]

    def write_settings(self, values):
        self.config_path.parent.mkdir(parents=True, exist_ok=True)
        self.config_path.write_text("[General]\n" + "".join(f"{k}={v}\n" for k, v in values.items()))


def _showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def find(root, role, name):
    """The control of this role (pyatspi.ROLE_...) and accessible name on screen inside root, or None."""
    return pyatspi.findDescendant(root, lambda a: a.getRole() == role and a.name == name and _showing(a))


def control(root, role, name):
    return wait_until(lambda: find(root, role, name), f"{pyatspi.Role(role)} {name!r} in {root.name!r}")


def window(quillo, title):
    """Quillo's top-level window with this accessible name, once it is on screen."""
    def shown():
        app = next((a for a in pyatspi.Registry.getDesktop(0) if a and a.get_process_id() == quillo.pid), None)
        if app:
            app.clearCache()
            return next((w for w in app if w and w.name == title and _showing(w)), None)
    return wait_until(shown, f"Quillo's window {title!r} on screen")


def rect(accessible):
    extents = accessible.get_extents(pyatspi.DESKTOP_COORDS)
    return Rect(extents.x, extents.y, extents.width, extents.height)


def show_note(desktop, quillo, icon):
    """Clicks the tray icon; the note window as the desktop and as the accessibility bus see it."""
    desktop.input.click(icon.centre)
    return desktop.window("Quillo"), window(quillo, "Quillo")


def open_settings(desktop, quillo, note):
    """Clicks the note's gear; the settings window, once it has the focus, as the desktop and the bus see it."""
    desktop.input.click(rect(control(note, pyatspi.ROLE_PUSH_BUTTON, "Настройки")).centre)
    shown = desktop.window("Настройки")
    wait_until(lambda: desktop.focus() == shown, "the settings window to take the focus")
    return shown, window(quillo, "Настройки")


class TrayItem:
    """A StatusNotifierItem on the session bus, clicked and read as a panel does."""

    def __init__(self, bus, name):
        self.service, _, path = name.partition("/")
        self._object = bus.get_object(self.service, "/" + path, introspect=False)

    def activate(self, point):
        """A left click on the icon; point is where the panel wants the item's window."""
        self._object.Activate(point.x, point.y, dbus_interface=ITEM, timeout=TIMEOUT)

    def properties(self):
        return self._object.GetAll(ITEM, dbus_interface=dbus.PROPERTIES_IFACE, timeout=TIMEOUT)


def tray_items(bus):
    """The items registered with the session's tray watcher, oldest first; none without a watcher."""
    try:
        watcher = bus.get_object(WATCHER_NAME, "/StatusNotifierWatcher", introspect=False)
        return list(watcher.Get(WATCHER_NAME, "RegisteredStatusNotifierItems", dbus_interface=dbus.PROPERTIES_IFACE))
    except dbus.DBusException:
        return []
