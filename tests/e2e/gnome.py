# SPDX-License-Identifier: GPL-3.0-or-later
"""The GNOME test desktop of scripts/test-gnome-desktop: keys through mutter's remote desktop, which reach the
shell's own dialogs too, windows as the shell sees them (its Eval call), GNOME's settings through gsettings."""

import ast
import json

import dbus

from quillo_e2e import TIMEOUT, Desktop, run, wait_until
from wayland import KEYS

KEYS["Tab"] = 15
MODIFIERS = {"shift": 1, "ctrl": 4, "alt": 8, "super": 64}  # X11's modifier bits, as mutter's bindings use them
CUSTOM = "org.gnome.settings-daemon.plugins.media-keys"
QUILLOS = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/quillo/"


class RemoteInput:
    """A remote-desktop session of mutter; it loses the first key it sends, so a Shift goes first."""

    def __init__(self, bus):
        service = "org.gnome.Mutter.RemoteDesktop"
        path = bus.get_object(service, "/org/gnome/Mutter/RemoteDesktop").CreateSession(dbus_interface=service)
        self._session = dbus.Interface(bus.get_object(service, path), service + ".Session")
        self._session.Start()
        self.press("shift")

    def press(self, keys):
        codes = [KEYS[key] for key in keys.split("+")]
        for code, down in [(c, True) for c in codes] + [(c, False) for c in reversed(codes)]:
            self._session.NotifyKeyboardKeycode(dbus.UInt32(code), down)

    def type(self, text):
        for character, down in ((c, d) for c in text for d in (True, False)):
            self._session.NotifyKeyboardKeysym(dbus.UInt32(ord(character)), down)  # Latin-1 keysyms only


class GnomeDesktop(Desktop):
    def __init__(self):
        self.bus = dbus.SessionBus()
        self.input = RemoteInput(self.bus)

    def eval(self, script):
        done, result = self.bus.get_object("org.gnome.Shell", "/org/gnome/Shell").Eval(
            script, dbus_interface="org.gnome.Shell", timeout=TIMEOUT)
        assert done, result
        return json.loads(result) if result else None

    def _windows(self):
        return self.eval("global.get_window_actors().map(a => a.meta_window)"
                         ".map(w => ({id: String(w.get_id()), title: w.get_title(), active: w.has_focus()}))")

    def viewable(self, window):
        return any(w["id"] == window for w in self._windows())

    def active(self, title):
        """Waits until the window with the keyboard has this title; returns it."""
        return wait_until(lambda: next((w["id"] for w in self._windows() if w["title"] == title and w["active"]),
                                       None), f"GNOME to make {title!r} the active window")

    def bound(self, keys):
        """Whether a key binding of the shell, or one a program asked it for, takes these keys."""
        *modifiers, key = keys.split("+")
        mask = sum(MODIFIERS[m] for m in modifiers)
        return self.eval(f"global.display.get_keybinding_action({KEYS[key] + 8}, {mask})") != 0

    def dialog(self):
        """Whether GNOME Settings asks, in a window of its own, to add a program's keyboard shortcuts."""
        return any(w["title"] == "Add Keyboard Shortcuts" for w in self._windows())

    def approve_shortcuts(self):
        """Presses "Add" in that window."""
        dialog = self.active("Add Keyboard Shortcuts")
        for key in ("Tab", "Tab", "Tab", "Return"):
            self.input.press(key)
        wait_until(lambda: not self.viewable(dialog), "the dialog to close")

    def custom_shortcuts(self):
        listed = run("gsettings", "get", CUSTOM, "custom-keybindings")
        return [] if listed.startswith("@as") else ast.literal_eval(listed)

    def custom_shortcut(self, path):
        schema = f"{CUSTOM}.custom-keybinding:{path}"
        return {key: ast.literal_eval(run("gsettings", "get", schema, key)) for key in ("name", "command", "binding")}

    def add_custom_shortcut(self, path, **entry):
        for key, value in entry.items():
            run("gsettings", "set", f"{CUSTOM}.custom-keybinding:{path}", key, repr(value))
        run("gsettings", "set", CUSTOM, "custom-keybindings", str(self.custom_shortcuts() + [path]))
