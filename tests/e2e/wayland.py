# SPDX-License-Identifier: GPL-3.0-or-later
"""The Wayland test desktop of scripts/test-wayland-desktop (KWin with Xwayland, KDE's GlobalShortcuts portal, a
stand-in tray watcher): input through KWin's fake input, windows as KWin sees them, shortcuts as KDE holds them."""

import json
import os
import re
import subprocess
import tempfile
from pathlib import Path

import dbus

from quillo_e2e import ITEM, TIMEOUT, WATCHER_NAME, Desktop, Rect, TrayItem, run, tray_items, wait_until

# Evdev key codes (linux/input-event-codes.h) of the keys tests press, by the names xdotool gives them.
KEYS = {"super": 125, "ctrl": 29, "alt": 56, "shift": 42, "Escape": 1, "Return": 28, "space": 57}
KEYS.update({key: first + i for first, row in [(16, "qwertyuiop"), (30, "asdfghjkl"), (44, "zxcvbnm")]
             for i, key in enumerate(row)})
# Qt's key codes, in which KDE's shortcut service reports a binding.
META, CONTROL, ALT = 0x10000000, 0x04000000, 0x08000000
ESCAPE, SPACE, KEY_K = 0x01000000, 0x20, 0x4B

WATCHER = Path(__file__).with_name("status_notifier_watcher.py")

# KWin's screen and windows as one line of JSON in its log, after TAG. KWin 6 renamed clientList().
_SCRIPT = """print("TAG " + JSON.stringify({screen: workspace.virtualScreenGeometry,
    windows: (workspace.windowList ? workspace.windowList() : workspace.clientList()).map(c => ({
        id: String(c.internalId), caption: c.caption, class: String(c.resourceClass), active: c.active,
        frame: c.frameGeometry}))}));"""


def _rect(json_rect):
    return Rect(*(round(json_rect[key]) for key in ("x", "y", "width", "height")))


class FakeInput:
    """Input through quillo-fake-input ($QUILLO_FAKE_INPUT), which reaches whatever window KWin gave it to."""

    def click(self, point):
        run(os.environ["QUILLO_FAKE_INPUT"], "click", point.x, point.y)

    def press(self, keys):
        run(os.environ["QUILLO_FAKE_INPUT"], "key", "+".join(str(KEYS[key]) for key in keys.split("+")))

    def type(self, text):
        run(os.environ["QUILLO_FAKE_INPUT"], "type", text)


class WaylandDesktop(Desktop):
    def __init__(self):
        self.input = FakeInput()
        self.scale = int(os.environ["QUILLO_TEST_SCALE"])  # KWin's, which X clients draw at themselves
        self.bus = dbus.SessionBus()
        self._log = Path(os.environ["QUILLO_KWIN_LOG"])
        self._runs = 0

    def _object(self, service, path):
        return self.bus.get_object(service, path, introspect=False)

    def _kwin(self):
        """What KWin reports now, through a script of its own: {"screen": rect, "windows": [...]}."""
        self._runs += 1
        tag = f"quillo-e2e-{os.getpid()}-{self._runs}"
        scripting = dbus.Interface(self._object("org.kde.KWin", "/Scripting"), "org.kde.kwin.Scripting")
        with tempfile.NamedTemporaryFile("w", suffix=".js") as script, open(self._log, "rb") as log:
            script.write(_SCRIPT.replace("TAG", tag))
            script.flush()
            log.seek(0, os.SEEK_END)
            number = scripting.loadScript(script.name, tag)
            output = bytearray()

            def printed():
                output.extend(log.read())
                return re.search(rb"%s (.*)\n" % tag.encode(), output)
            try:
                try:  # the script's object on KWin 6, then before
                    self._object("org.kde.KWin", f"/Scripting/Script{number}").run(dbus_interface="org.kde.kwin.Script")
                except dbus.DBusException:
                    self._object("org.kde.KWin", f"/{number}").run(dbus_interface="org.kde.kwin.Script")
                return json.loads(wait_until(printed, "KWin's script to print into its log").group(1))
            finally:
                scripting.unloadScript(tag)

    def work_area(self):
        return _rect(self._kwin()["screen"])

    def _windows(self, **match):
        return [w for w in self._kwin()["windows"] if match.items() <= w.items()]

    def windows(self, name):
        """KWin's windows with this title, as they are on screen now."""
        return [w["id"] for w in self._windows(caption=name)]

    def shown_geometry(self, window):
        """Where the window's frame is, or None when KWin no longer shows it."""
        return next((_rect(w["frame"]) for w in self._windows(id=window)), None)

    def resource_class(self, window):
        """The window's class in lower case (as KWin 5 gives it): WM_CLASS under Xwayland, the app id of a native
        Wayland window."""
        return self._windows(id=window)[0]["class"].lower()

    def active(self, name, timeout=TIMEOUT):
        """Waits until KWin's active window has this title; returns it."""
        return wait_until(lambda: next((w["id"] for w in self._windows(caption=name, active=True)), None),
                          f"KWin to make {name!r} the active window", timeout)

    def tray_icons(self):
        return tray_items(self.bus)

    def tray_icon(self):
        """The item registered last, once there is one: Quillo's, as no other program shows one here."""
        return TrayItem(self.bus, wait_until(self.tray_icons, "a tray item")[-1])

    # Global shortcuts: KDE's shortcut service (served by KWin), where the portal files a session's shortcuts
    # under the app id the program named itself by, else under the session's token: token_quillo on Plasma 6,
    # quillo on 5.27.
    component = "quillo"  # the one that last held Quillo's shortcut

    def shortcut(self):
        """The keys (Qt key codes) KDE binds to Quillo's toggle-note while Quillo holds it; None while it does not."""
        for name in ("org.quillo.Quillo", "token_quillo", "quillo"):
            try:
                held = dbus.Interface(self._object("org.kde.kglobalaccel", "/component/" + name.replace(".", "_")),
                                      "org.kde.kglobalaccel.Component")
                infos = held.allShortcutInfos() if held.isActive() else []  # a(ssssssaiai): action, ..., keys
            except dbus.DBusException:  # KDE has never heard of the component
                continue
            for info in infos:
                if info[0] == "toggle-note":
                    self.component = name
                    return [int(k) for k in info[6]]
        return None

    def set_shortcut(self, keys):
        """Binds toggle-note to these keys (Qt key codes) in KDE's shortcut service, as its settings do."""
        self._object("org.kde.kglobalaccel", "/kglobalaccel").setForeignShortcutKeys(
            [self.component, "toggle-note", self.component, "toggle-note"], [([keys, 0, 0, 0],)],
            dbus_interface="org.kde.KGlobalAccel", signature="asa(ai)")

    def portal_takes_names(self):
        """Whether the portal lets a program outside a sandbox name itself (xdg-desktop-portal 1.19 and later)."""
        portal = self._object("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop")
        return "org.freedesktop.host.portal.Registry" in portal.Introspect(dbus_interface=dbus.INTROSPECTABLE_IFACE)

    def portal_session(self, quillo):
        """The path of Quillo's portal session, open or not, once its tray item is on the bus."""
        item = f"{ITEM}-{quillo.pid}-1"
        wait_until(lambda: self.bus.name_has_owner(item), "Quillo's tray item on the bus")
        sender = self.bus.get_name_owner(item)[1:].replace(".", "_")
        return f"/org/freedesktop/portal/desktop/session/{sender}/quillo"

    def portal_pid(self):
        """The process of xdg-desktop-portal."""
        return int(self._object("org.freedesktop.DBus", "/org/freedesktop/DBus").GetConnectionUnixProcessID(
            "org.freedesktop.portal.Desktop", dbus_interface="org.freedesktop.DBus"))

    def is_open(self, session):
        try:
            self._object("org.freedesktop.portal.Desktop", session).Get(
                "org.freedesktop.portal.Session", "version", dbus_interface=dbus.PROPERTIES_IFACE)
            return True
        except dbus.DBusException:
            return False

    def launched(self, hotkey=(META | ESCAPE), tray=True):
        """Quillo's tray item (None with tray=False) once its launch is done and KDE holds its hotkey."""
        if hotkey:
            wait_until(lambda: self.shortcut() == [hotkey], "KDE to hold Quillo's hotkey")
        return self.tray_icon() if tray else None


class OtherProgram:
    """Another program's native Wayland window (quillo-test-window), active once KWin shows it."""

    def __init__(self, desktop, title="Another program"):
        self.process = subprocess.Popen([os.environ["QUILLO_TEST_WINDOW"], title], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True,
                                        env=dict(os.environ, QT_QPA_PLATFORM="wayland"))
        self.window = desktop.active(title)

    def close(self):
        """Ends it; the texts its line edit had, one per change."""
        self.process.kill()
        output, _ = self.process.communicate(timeout=TIMEOUT)
        return [line[6:] for line in output.splitlines() if line.startswith("text: ")]


class Watcher:
    """A tray watcher run by the test itself, so that it can go away and come back, as a panel does."""

    def __init__(self, desktop):
        self.bus = desktop.bus

    def _wait(self, running, what):
        wait_until(lambda: self.bus.name_has_owner(WATCHER_NAME) == running, what)

    def start(self):
        self.process = subprocess.Popen([WATCHER])
        self._wait(True, "the tray watcher")
        return self

    def stop(self):
        self.process.terminate()
        self.process.wait(TIMEOUT)
        self._wait(False, "the tray watcher to go")
