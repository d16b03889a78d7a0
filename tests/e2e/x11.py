"""The X11 test desktop of scripts/test-desktop: keys and clicks through xdotool (XTEST), windows, focus and
tray icons as the X server and the window manager see them."""

import ctypes
import re
import subprocess

import pyatspi

from quillo_e2e import Input, Rect, TIMEOUT, run, wait_until

SUPER, CONTROL, SHIFT, ALT = 0x40, 0x04, 0x01, 0x08  # modifier masks on the test desktop's evdev keymap
ESCAPE, KEY_A, KEY_N = 9, 38, 57  # X keycodes of the same keymap


class Xdotool(Input):
    def click(self, point):
        # No --sync: xdotool would wait forever for a motion when the pointer is already there.
        run("xdotool", "mousemove", point.x, point.y, "click", "1")

    def move(self, point):
        run("xdotool", "mousemove", point.x, point.y)

    def press(self, keys):
        run("xdotool", "key", keys)

    def type(self, text):
        run("xdotool", "type", "--delay", "40", text)

    def drag(self, start, end):
        # Pauses let the window manager take the move or resize over, as it does for a person's hand.
        middle = ((start.x + end.x) // 2, (start.y + end.y) // 2)
        run("xdotool", "mousemove", *start, "mousedown", "1", "sleep", "0.3", "mousemove", *middle,
            "sleep", "0.2", "mousemove", *end, "sleep", "0.3", "mouseup", "1")


class X11Desktop:
    def __init__(self, panel):
        self.panel = panel  # top, bottom (icewm's taskbar) or xfce (xfce4-panel at the top)
        self.input = Xdotool()
        # xfce4-panel draws tray icons as buttons of its own: Quillo's is the one that was not there before.
        self._panel_buttons = set(self._panel_button_rects()) if panel == "xfce" else set()
        # icewm's tray lives as long as icewm; searching the whole tree each time would race with windows going.
        self._tray = None if panel == "xfce" else run("xdotool", "search", "--name", "^SystemTray$").split()[0]

    def _root_property(self, name):
        return run("xprop", "-root", name)

    def work_area(self):
        return Rect(*map(int, re.findall(r"\d+", self._root_property("_NET_WORKAREA").split("=")[1])[:4]))

    def windows(self, name):
        """The window manager's clients with this title that are on screen."""
        clients = re.findall(r"0x[0-9a-f]+", self._root_property("_NET_CLIENT_LIST").split("#")[-1])
        return [int(w, 16) for w in clients if self.title(w) == name and self.viewable(w)]

    def window(self, name):
        return wait_until(lambda: self.windows(name), f"a window {name!r} on screen")[0]

    def title(self, window):
        try:
            return run("xdotool", "getwindowname", window).rstrip("\n")
        except AssertionError:  # the window is gone
            return None

    def shown_geometry(self, window):
        """Where the window is, or None when it is not on screen (unmapped, or gone)."""
        try:
            info = run("xwininfo", "-id", window)
        except AssertionError:
            return None
        value = lambda label: int(re.search(label + r":\s+(-?\d+)", info).group(1))
        rect = Rect(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"))
        return rect if "IsViewable" in info else None

    def viewable(self, window):
        return self.shown_geometry(window) is not None

    def geometry(self, window):
        return wait_until(lambda: self.shown_geometry(window), "the window on screen")

    def states(self, window):
        return run("xprop", "-id", window, "_NET_WM_STATE")

    def frame_extents(self, window):
        """left, right, top, bottom of the window manager's frame."""
        return list(map(int, re.findall(r"\d+", run("xprop", "-id", window, "_NET_FRAME_EXTENTS").split("=")[-1])))

    def focus(self):
        return int(run("xdotool", "getwindowfocus"))

    def activate(self, window):
        run("xdotool", "windowactivate", "--sync", window)
        wait_until(lambda: self.focus() == window, "the window manager to give the window the focus")

    def tray_icons(self):
        """Where each icon in the panel's tray is."""
        if self.panel == "xfce":
            return [r for r in self._panel_button_rects() if r not in self._panel_buttons]
        for _ in range(10):  # read again when an icon went away while it was being read
            listing = subprocess.run(["xwininfo", "-children", "-id", self._tray], capture_output=True, text=True)
            if listing.returncode == 0:
                children = re.findall(r"^\s+(0x[0-9a-f]+)", listing.stdout, re.M)
                return [r for r in map(self.shown_geometry, children) if r]
        raise AssertionError(f"xwininfo cannot read the tray: {listing.stderr}")

    def _panel_button_rects(self):
        panel = next(a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "xfce4-panel")
        panel.clearCache()
        buttons = pyatspi.findAllDescendants(panel, lambda a: a.getRole() == pyatspi.ROLE_PUSH_BUTTON)
        extents = (b.get_extents(pyatspi.DESKTOP_COORDS) for b in buttons)
        # A button just added has no place yet (its extents are far off screen) until the panel lays it out.
        return [Rect(e.x, e.y, e.width, e.height) for e in extents if e.x >= 0 and e.y >= 0]

    def tray_icon(self):
        """Quillo's tray icon, once it is there: the only icon the test desktop's tray shows."""
        return wait_until(lambda: self.tray_icons(), "Quillo's icon in the tray")[0]

    def launched(self, hotkey=(ESCAPE, SUPER)):
        """Waits until Quillo's launch is done: the icon is in the tray and the hotkey (taken last but one,
        just before the listening for later starts) is held. Returns the icon."""
        icon = self.tray_icon()
        if hotkey:
            wait_until(lambda: not can_grab(*hotkey), "Quillo to hold its hotkey")
        return icon


_xcb = ctypes.CDLL("libxcb.so.1")
_libc = ctypes.CDLL(None)


class _Cookie(ctypes.Structure):
    _fields_ = [("sequence", ctypes.c_uint)]


class _Screens(ctypes.Structure):
    _fields_ = [("data", ctypes.POINTER(ctypes.c_uint32)), ("rem", ctypes.c_int), ("index", ctypes.c_int)]


_xcb.xcb_connect.restype = ctypes.c_void_p
_xcb.xcb_connect.argtypes = [ctypes.c_char_p, ctypes.c_void_p]
_xcb.xcb_get_setup.restype = ctypes.c_void_p
_xcb.xcb_get_setup.argtypes = [ctypes.c_void_p]
_xcb.xcb_setup_roots_iterator.restype = _Screens
_xcb.xcb_setup_roots_iterator.argtypes = [ctypes.c_void_p]
_xcb.xcb_grab_key_checked.restype = _Cookie
_xcb.xcb_grab_key_checked.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint32, ctypes.c_uint16,
                                      ctypes.c_uint8, ctypes.c_uint8, ctypes.c_uint8]
_xcb.xcb_request_check.restype = ctypes.c_void_p
_xcb.xcb_request_check.argtypes = [ctypes.c_void_p, _Cookie]
_xcb.xcb_get_image.restype = _Cookie
_xcb.xcb_get_image.argtypes = [ctypes.c_void_p, ctypes.c_uint8, ctypes.c_uint32, ctypes.c_int16, ctypes.c_int16,
                               ctypes.c_uint16, ctypes.c_uint16, ctypes.c_uint32]
_xcb.xcb_get_image_reply.restype = ctypes.c_void_p
_xcb.xcb_get_image_reply.argtypes = [ctypes.c_void_p, _Cookie, ctypes.c_void_p]
_xcb.xcb_get_image_data.restype = ctypes.c_void_p
_xcb.xcb_get_image_data.argtypes = [ctypes.c_void_p]
_xcb.xcb_get_image_data_length.argtypes = [ctypes.c_void_p]
_xcb.xcb_disconnect.argtypes = [ctypes.c_void_p]
_libc.free.argtypes = [ctypes.c_void_p]


def can_grab(keycode, modifiers):
    """Whether another program could take this key combination now; it lets go at once."""
    connection = _xcb.xcb_connect(None, None)
    try:
        root = _xcb.xcb_setup_roots_iterator(_xcb.xcb_get_setup(connection)).data[0]
        cookie = _xcb.xcb_grab_key_checked(connection, 1, root, modifiers, keycode, 1, 1)
        error = _xcb.xcb_request_check(connection, cookie)
        _libc.free(error)
        return not error
    finally:
        _xcb.xcb_disconnect(connection)  # also lets go of a grab it got


def colours(rect):
    """The distinct colours the screen shows in rect."""
    connection = _xcb.xcb_connect(None, None)
    try:
        root = _xcb.xcb_setup_roots_iterator(_xcb.xcb_get_setup(connection)).data[0]
        cookie = _xcb.xcb_get_image(connection, 2, root, *rect, 0xFFFFFFFF)  # 2: ZPixmap, 32 bits a pixel here
        image = _xcb.xcb_get_image_reply(connection, cookie, None)
        pixels = ctypes.string_at(_xcb.xcb_get_image_data(image), _xcb.xcb_get_image_data_length(image))
        _libc.free(image)
        return {pixels[i:i + 3] for i in range(0, len(pixels), 4)}
    finally:
        _xcb.xcb_disconnect(connection)


class OtherProgram:
    """Another program's window (xmessage) that takes the keyboard focus from Quillo."""

    def __init__(self, desktop, title="Another program"):
        self.process = subprocess.Popen(["xmessage", "-title", title, "-geometry", "+300+300", title],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.window = desktop.window(title)

    def close(self):
        self.process.kill()
        self.process.wait(TIMEOUT)
