# SPDX-License-Identifier: GPL-3.0-or-later
"""The desktop of scripts/test-gnome-desktop: keys through mutter's remote desktop, windows as the shell sees
them (its Eval call), the pointer on the top bar's icons, GNOME's settings through gsettings."""

import ast
import json

import dbus

from quillo_e2e import TIMEOUT, Desktop, Rect, run, wait_until
from wayland import KEYS

KEYS["Tab"] = 15
MODIFIERS = {"shift": 1, "ctrl": 4, "alt": 8, "super": 64}  # X11's modifier bits, as mutter's bindings use them
CUSTOM = "org.gnome.settings-daemon.plugins.media-keys"
RECT = "(r => [r.x, r.y, r.width, r.height])"  # a rectangle of the shell's, as the tests' Rect takes it
QUILLOS = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/quillo/"


class GnomeDesktop(Desktop):
    def __init__(self):
        self.bus, self.input, remote = dbus.SessionBus(), self, "org.gnome.Mutter.RemoteDesktop"
        path = self.bus.get_object(remote, "/org/gnome/Mutter/RemoteDesktop").CreateSession(dbus_interface=remote)
        self._session = dbus.Interface(self.bus.get_object(remote, path), remote + ".Session")
        self._session.Start()
        self.press("shift")  # a remote-desktop session loses the first key it sends

    def press(self, keys):
        codes = [KEYS[key] for key in keys.split("+")]
        for code, down in [(c, True) for c in codes] + [(c, False) for c in reversed(codes)]:
            self._session.NotifyKeyboardKeycode(dbus.UInt32(code), down)

    def type(self, text):
        for character, down in ((c, d) for c in text for d in (True, False)):
            self._session.NotifyKeyboardKeysym(dbus.UInt32(ord(character)), down)  # Latin-1 keysyms only

    def eval(self, script):
        done, result = self.bus.get_object("org.gnome.Shell", "/org/gnome/Shell").Eval(
            script, dbus_interface="org.gnome.Shell", timeout=TIMEOUT)
        assert done, result
        return json.loads(result) if result else None

    def _windows(self):
        return self.eval(f"global.get_window_actors().map(a => a.meta_window).map(w => ({{id: String(w.get_id()), "
                         f"title: w.get_title(), active: w.has_focus(), frame: {RECT}(w.get_frame_rect())}}))")

    shown_geometry = lambda self, window: next((Rect(*w["frame"]) for w in self._windows() if w["id"] == window), None)
    work_area = lambda self: Rect(*self.eval(f"{RECT}(Main.layoutManager.getWorkAreaForMonitor(0))"))

    def double_click_tray_icon(self, name):
        """Double-clicks the top bar's icon of this name: AppIndicator activates an item on a double click. Its rect."""
        # A freshly mapped icon has no allocation yet: its size is a guess and its place may be NaN.
        icon = Rect(*map(round, wait_until(lambda: self.eval(
            f"Object.values(Main.panel.statusArea).filter(i => i?.mapped && i.has_allocation() && i.accessible_name "
            f"=== {name!r}).map(i => [...i.get_transformed_position(), ...i.get_transformed_size()])[0]"),
            f"{name}'s icon laid out")))
        self.eval(f"imports.gi.Clutter.get_default_backend().get_default_seat().warp_pointer(...{list(icon.centre)})")
        for down in (True, False, True, False):
            self._session.NotifyPointerButton(272, down)  # the left button
        return icon

    def active(self, title):
        """Waits until the window with the keyboard has this title; returns it."""
        window = wait_until(lambda: next((w["id"] for w in self._windows() if w["title"] == title and w["active"]),
                                       None), f"GNOME to make {title!r} the active window")
        self.press("shift")  # the first key an X window is sent as it takes the focus can be lost: this one
        return window

    def press_bound(self, keys):
        """Presses the keys once the shell binds them: GNOME's settings daemon asks for them a moment later."""
        *modifiers, key = keys.split("+")
        action = f"global.display.get_keybinding_action({KEYS[key] + 8}, {sum(MODIFIERS[m] for m in modifiers)})"
        wait_until(lambda: self.eval(action), f"GNOME to bind {keys}")
        self.press(keys)

    def approve_shortcuts(self):
        """Presses "Add" in the window where GNOME Settings asks to add a program's keyboard shortcuts."""
        dialog = self.active("Add Keyboard Shortcuts")
        for key in ("Tab", "Tab", "Tab", "Return"):
            self.press(key)
        wait_until(lambda: not self.viewable(dialog), "the dialog to close")

    def custom_shortcuts(self):
        listed = run("gsettings", "get", CUSTOM, "custom-keybindings")
        return [] if listed.startswith("@as") else ast.literal_eval(listed)

    def custom_shortcut(self, path):
        get = lambda key: ast.literal_eval(run("gsettings", "get", f"{CUSTOM}.custom-keybinding:{path}", key))
        return {key: get(key) for key in ("name", "command", "binding")}

    def add_custom_shortcut(self, path, **entry):
        for key, value in entry.items():
            run("gsettings", "set", f"{CUSTOM}.custom-keybinding:{path}", key, repr(value))
        run("gsettings", "set", CUSTOM, "custom-keybindings", str(self.custom_shortcuts() + [path]))
