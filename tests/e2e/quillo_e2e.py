"""The real quillo binary on a real desktop, driven as a person would drive it.

Nothing here knows which desktop it runs on: each desktop module (x11.py) gives an Input that types and
clicks there, and tells where windows and tray icons are. Controls are found through the accessibility bus
by role and accessible name, with their places on the screen.
"""

import configparser
import os
import signal
import subprocess
import time
from pathlib import Path
from typing import NamedTuple

import pyatspi

TIMEOUT = 15.0  # seconds; every wait is bounded by it unless told otherwise


def wait_until(check, what, timeout=TIMEOUT):
    """Polls check() until it gives something true, and returns that; fails the test after timeout."""
    deadline = time.monotonic() + timeout
    while True:
        value = check()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up after {timeout:g} s waiting for {what}")
        time.sleep(0.05)


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

    @property
    def right(self):  # one past the last column, as bottom is one past the last row
        return self.x + self.width

    @property
    def bottom(self):
        return self.y + self.height

    @property
    def centre(self):
        return Point(self.x + self.width // 2, self.y + self.height // 2)

    def moved(self, dx, dy):
        return self._replace(x=self.x + dx, y=self.y + dy)

    def within(self, other):
        return other.x <= self.x and other.y <= self.y and self.right <= other.right and self.bottom <= other.bottom


class Input:
    """What a person does with keyboard and pointer. Keys are named as xdotool names them ("super+Escape")."""

    def click(self, point):
        raise NotImplementedError

    def press(self, keys):
        raise NotImplementedError

    def type(self, text):
        raise NotImplementedError

    def drag(self, start, end):
        raise NotImplementedError


class Quillo:
    """One run of the real binary ($QUILLO_BINARY) with settings and data of its own under home."""

    def __init__(self, home, env=None):
        self.home = Path(home)
        self.note_path = self.home / "data/Quillo/notes.txt"
        self.config_path = self.home / "config/Quillo/Quillo.conf"
        self.env = dict(os.environ, XDG_CONFIG_HOME=str(self.home / "config"),
                        XDG_DATA_HOME=str(self.home / "data"), QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        self.env.update(env or {})
        self.process = None

    def start(self):
        self.home.mkdir(parents=True, exist_ok=True)
        name = f"quillo-{time.monotonic_ns()}"
        self._stdout = self.home / f"{name}.out"
        self._stderr = self.home / f"{name}.err"
        with open(self._stdout, "wb") as out, open(self._stderr, "wb") as err:
            self.process = subprocess.Popen([os.environ["QUILLO_BINARY"]], env=self.env, stdin=subprocess.DEVNULL,
                                            stdout=out, stderr=err)
        return self

    @property
    def pid(self):
        return self.process.pid

    @property
    def running(self):
        return self.process.poll() is None

    def send(self, number):
        self.process.send_signal(number)

    def wait(self, timeout=TIMEOUT):
        """The exit status once the process has ended (negative: the signal that ended it)."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"Quillo {self.pid} did not end within {timeout:g} s") from None

    def stop(self, number=signal.SIGTERM):
        self.send(number)
        return self.wait()

    def stdout(self):
        return self._stdout.read_text()

    def stderr(self):
        return self._stderr.read_text()

    def note(self):
        """The note file's text, or None while there is no file."""
        return self.note_path.read_text(encoding="utf-8") if self.note_path.exists() else None

    def settings(self):
        """The preferences file's keys and values (as text), empty while there is none."""
        parser = configparser.ConfigParser(interpolation=None)
        parser.optionxform = str
        parser.read(self.config_path, encoding="utf-8")
        return dict(parser["General"]) if parser.has_section("General") else {}

    def write_settings(self, values):
        self.config_path.parent.mkdir(parents=True, exist_ok=True)
        lines = ["[General]"] + [f"{key}={value}" for key, value in values.items()]
        self.config_path.write_text("\n".join(lines) + "\n", encoding="utf-8")


# Accessibility: Quillo's windows and controls as a screen reader sees them.

def application(quillo):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == quillo.pid:
            return app
    return None


def _showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


def _descendants(accessible):
    for child in accessible:
        if child is not None:
            yield child
            yield from _descendants(child)


def find_window(quillo, name):
    """Quillo's top-level window with this accessible name that is on screen now, or None."""
    app = application(quillo)
    if app is None:
        return None
    app.clearCache()
    return next((w for w in app if w is not None and w.name == name and _showing(w)), None)


def window(quillo, name):
    return wait_until(lambda: find_window(quillo, name), f"Quillo's window {name!r} on screen")


def find(root, role, name):
    """The control of this role (pyatspi.ROLE_...) and accessible name on screen inside root, or None."""
    return next((a for a in _descendants(root) if a.getRole() == role and a.name == name and _showing(a)), None)


def control(window_, role, name):
    return wait_until(lambda: find(window_, role, name), f"{pyatspi.Role(role)} {name!r} in {window_.name!r}")


def rect(accessible):
    """Where the accessible is on the screen."""
    extents = accessible.get_extents(pyatspi.DESKTOP_COORDS)
    return Rect(extents.x, extents.y, extents.width, extents.height)


def is_focused(accessible):
    return accessible.getState().contains(pyatspi.STATE_FOCUSED)
