# SPDX-License-Identifier: GPL-3.0-or-later
"""The X11 test desktop of scripts/test-desktop: keys and clicks through xdotool (XTEST); windows, focus, tray
icons, lock keys and key grabs as the X server and the window manager see them; another program that holds a key."""

import contextlib
import ctypes
import re
import subprocess
import threading

from quillo_e2e import TIMEOUT, Desktop, Point, Rect, run, wait_until

SUPER, CONTROL, ALT, MOD3 = 0x40, 0x04, 0x08, 0x20  # modifier masks of the test desktop's evdev keymap
CAPS_LOCK, NUM_LOCK = 0x02, 0x10
ESCAPE, KEY_N = 9, 57  # and its keycodes


class Xdotool:
    """Keys and clicks through XTEST; keys named as xdotool names them ("super+Escape")."""

    def click(self, point):
        # No --sync: xdotool would wait forever for a motion when the pointer is already there.
        run("xdotool", "mousemove", *point, "click", "1")

    def press(self, keys):
        run("xdotool", "key", keys)

    def type(self, text):
        run("xdotool", "type", "--delay", "40", text)

    def drag(self, start, end):
        # Pauses let the window manager take the move or resize over, as it does under a person's hand.
        middle = ((start.x + end.x) // 2, (start.y + end.y) // 2)
        run("xdotool", "mousemove", *start, "mousedown", "1", "sleep", "0.3", "mousemove", *middle,
            "sleep", "0.2", "mousemove", *end, "sleep", "0.3", "mouseup", "1")


def _output(*command):
    """A helper's standard output, or None when it failed, as X tools do when a window goes meanwhile."""
    done = subprocess.run([str(part) for part in command], capture_output=True, text=True)
    return done.stdout if done.returncode == 0 else None


class X11Desktop(Desktop):
    def __init__(self, panel):
        self.panel = panel  # top, bottom (icewm's taskbar) or xfce (xfce4-panel at the top)
        self.input = Xdotool()
        if panel != "xfce":
            search = lambda: _output("xdotool", "search", "--name", "^SystemTray$")
            self._tray = wait_until(search, "icewm's tray").split()[0]

    def work_area(self):
        return Rect(*map(int, re.findall(r"\d+", run("xprop", "-root", "_NET_WORKAREA"))[:4]))

    def windows(self, title):
        clients = re.findall(r"0x[0-9a-f]+", run("xprop", "-root", "_NET_CLIENT_LIST"))
        return [int(w, 16) for w in clients if self._title(w) == title and self.viewable(w)]

    def window(self, title):
        return wait_until(lambda: self.windows(title), f"a window {title!r} on screen")[0]

    def _title(self, window):
        return (_output("xdotool", "getwindowname", window) or "").rstrip("\n")

    def shown_geometry(self, window):
        """Where the window is, or None when it is not on screen (unmapped, or gone)."""
        info = _output("xwininfo", "-id", window)
        if not info or "IsViewable" not in info:
            return None
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
        return Rect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"))

    def states(self, window):
        return run("xprop", "-id", window, "_NET_WM_STATE")

    def frame_extents(self, window):
        """left, right, top, bottom of the window manager's frame."""
        return list(map(int, re.findall(r"\d+", run("xprop", "-id", window, "_NET_FRAME_EXTENTS"))))

    def focus(self):
        return int(run("xdotool", "getwindowfocus"))

    def activate(self, window):
        run("xdotool", "windowactivate", "--sync", window)
        wait_until(lambda: self.focus() == window, "the window manager to give the window the focus")

    def tray_icons(self):
        if self.panel == "xfce":
            return self._painted_icons()
        listing = wait_until(lambda: _output("xwininfo", "-children", "-id", self._tray), "icewm's tray read")
        return list(filter(None, map(self.shown_geometry, re.findall(r"^\s+(0x\w+)", listing, re.M))))

    def _painted_icons(self):
        """xfce4-panel draws its tray's icons itself: Quillo's icon is where its paper shows in the panel."""
        points = paper(Rect(0, 0, self.work_area().width, self.work_area().y))
        if len(points) < 6:
            return []
        xs, ys = [p.x for p in points], [p.y for p in points]
        return [Rect(min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)]

    def launched(self, hotkey=(ESCAPE, SUPER)):
        """Quillo's tray icon (the only one here) once its launch is over: the hotkey is taken last but one."""
        icon = wait_until(self.tray_icons, "Quillo's icon in the tray")[0]
        if hotkey:
            wait_until(lambda: not can_grab(*hotkey), "Quillo to hold its hotkey")
        return icon


class OtherProgram:
    """Another program's window (xmessage), to take the keyboard focus from Quillo."""

    def __init__(self, desktop, title="Another program"):
        self.process = subprocess.Popen(["xmessage", "-title", title, "-geometry", "+300+300", title])
        self.window = desktop.window(title)

    def close(self):
        self.process.kill()
        self.process.wait(TIMEOUT)


# What xcb calls these tests make, declared for ctypes: (result, arguments...).
_xcb = ctypes.CDLL("libxcb.so.1")
_free = ctypes.CDLL(None).free
_free.argtypes = [ctypes.c_void_p]
_cookie = type("Cookie", (ctypes.Structure,), {"_fields_": [("sequence", ctypes.c_uint)]})
_screens = type("Screens", (ctypes.Structure,), {"_fields_": [("data", ctypes.POINTER(ctypes.c_uint32)),
                                                               ("rem", ctypes.c_int), ("index", ctypes.c_int)]})
_p, _u8, _u16, _u32, _i16 = ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint16, ctypes.c_uint32, ctypes.c_int16
for name, result, *arguments in [
        ("xcb_connect", _p, ctypes.c_char_p, _p), ("xcb_disconnect", None, _p), ("xcb_get_setup", _p, _p),
        ("xcb_setup_roots_iterator", _screens, _p), ("xcb_request_check", _p, _p, _cookie),
        ("xcb_grab_key_checked", _cookie, _p, _u8, _u32, _u16, _u8, _u8, _u8),
        ("xcb_get_image", _cookie, _p, _u8, _u32, _i16, _i16, _u16, _u16, _u32),
        ("xcb_get_image_reply", _p, _p, _cookie, _p), ("xcb_get_image_data", _p, _p), ("xcb_grab_server", _cookie, _p),
        ("xcb_get_image_data_length", ctypes.c_int, _p), ("xcb_poll_for_event", _p, _p),
        ("xcb_change_window_attributes_checked", _cookie, _p, _u32, _u32, ctypes.POINTER(_u32))]:
    getattr(_xcb, name).restype, getattr(_xcb, name).argtypes = result, arguments


@contextlib.contextmanager
def _connection():
    connection = _xcb.xcb_connect(None, None)
    try:
        yield connection, _xcb.xcb_setup_roots_iterator(_xcb.xcb_get_setup(connection)).data[0]
    finally:
        _xcb.xcb_disconnect(connection)  # which also lets go of any grab it got


def _checked(connection, cookie):
    error = _xcb.xcb_request_check(connection, cookie)
    _free(error)
    return not error


def _grab(connection, root, keycode, modifiers):
    return _checked(connection, _xcb.xcb_grab_key_checked(connection, 1, root, modifiers, keycode, 1, 1))


def can_grab(keycode, modifiers):
    """Whether another program could take this key combination now; it lets go at once. Asked with the server
    grabbed, which its end releases with the key, so that a Quillo taking the key meanwhile is never refused."""
    with _connection() as (connection, root):
        _xcb.xcb_grab_server(connection)
        return _grab(connection, root, keycode, modifiers)


@contextlib.contextmanager
def holding(keycode, modifiers):
    """Another program that holds this key combination while the context lasts."""
    with _connection() as (connection, root):
        assert _grab(connection, root, keycode, modifiers), "the combination is taken already"
        yield


@contextlib.contextmanager
def grab_attempts(keycode, modifiers):
    """Another program that tries to take this key combination over and over within the context; gives whether it
    ever got it."""
    got, stop = threading.Event(), threading.Event()

    def attempt():
        with _connection() as (connection, root):
            while not stop.is_set():
                if _grab(connection, root, keycode, modifiers):
                    return got.set()

    thread = threading.Thread(target=attempt)
    thread.start()
    try:
        yield got.is_set
    finally:
        stop.set()
        thread.join()


@contextlib.contextmanager
def map_changes(window):
    """A function that gives "map" and "unmap" for each time the window was shown and hidden within the context."""
    changes = []
    with _connection() as (connection, _):
        structure = _u32(0x20000)  # the StructureNotify mask, set as the window's event mask (0x800)
        assert _checked(connection, _xcb.xcb_change_window_attributes_checked(connection, window, 0x800,
                                                                               ctypes.byref(structure)))

        def seen():
            while event := _xcb.xcb_poll_for_event(connection):
                kind = ctypes.string_at(event, 1)[0] & 0x7F
                changes.extend({18: ["unmap"], 19: ["map"]}.get(kind, []))  # UnmapNotify, MapNotify
                _free(event)
            return changes
        yield seen


def locks_on():
    """The lock keys that are on, as xdotool names them."""
    return {lock.replace(" ", "_") for lock in re.findall(r"(Caps Lock|Num Lock):\s+on", run("xset", "q"))}


def paper(rect):
    """The points in rect where the screen shows the pale yellow (#fff4c2) of the paper in Quillo's icon."""
    with _connection() as (connection, root):
        cookie = _xcb.xcb_get_image(connection, 2, root, *rect, 0xFFFFFFFF)  # 2: ZPixmap
        image = _xcb.xcb_get_image_reply(connection, cookie, None)
        pixels = ctypes.string_at(_xcb.xcb_get_image_data(image), _xcb.xcb_get_image_data_length(image))
        _free(image)
    return [Point(rect.x + i % rect.width, rect.y + i // rect.width) for i in range(len(pixels) // 4)
            if pixels[4 * i + 2] >= 240 and abs(pixels[4 * i + 1] - 0xF4) <= 16 and abs(pixels[4 * i] - 0xC2) <= 24]
