# SPDX-License-Identifier: GPL-3.0-or-later
"""A click on the tray icon shows the note at the icon, with the keyboard, on icewm's taskbar at the top or the
bottom, on xfce4-panel (which sends the clicked spot) and GNOME's top bar; the text is saved after the delay."""

import re
import subprocess
import time

import dbus
import pytest

from quillo_e2e import SCALE, Point, Rect, TrayItem, run, wait_until


def placed_at(frame, anchor, area, below):
    """Whether the note window is where it belongs for a tray icon (or clicked spot) at anchor: below or above it,
    centred on it as far as the work area allows, and inside the work area."""
    centred = abs(frame.centre.x - anchor.centre.x) <= SCALE or frame.x == area.x or frame.right == area.right
    if below:
        near = 0 <= frame.y - anchor.bottom <= 12 * SCALE or 0 <= frame.y - area.y < SCALE
    else:
        near = 0 <= anchor.y - frame.bottom <= 12 * SCALE or 0 <= area.bottom - frame.bottom < SCALE
    return frame.within(area) and centred and near


@pytest.fixture
def activate_calls(tmp_path):
    """The spots of the Activate(x, y) calls to tray icons that dbus-monitor sees pass; the first is waited for."""
    log = tmp_path / "dbus-monitor.log"
    with open(log, "w") as output:
        monitor = subprocess.Popen(["dbus-monitor", "type='method_call',interface='org.kde.StatusNotifierItem'",
                                    "type='method_call',interface='org.freedesktop.DBus.Peer'"], stdout=output)

    def pinged():  # from the moment it has seen a ping of ours, it sees every call
        run("dbus-send", "--print-reply", "--dest=org.freedesktop.DBus", "/", "org.freedesktop.DBus.Peer.Ping")
        return "member=Ping" in log.read_text()
    wait_until(pinged, "dbus-monitor to watch the bus")
    found = lambda: re.findall(r"member=Activate\s+int32 (-?\d+)\s+int32 (-?\d+)", log.read_text())
    yield lambda: [Point(int(x), int(y)) for x, y in wait_until(found, "a call of Activate")]
    monitor.kill()
    monitor.wait()


def test_a_click_shows_the_note_at_the_icon_and_saves_what_is_typed(desktop, start, activate_calls):
    quillo = start()
    icon = desktop.launched()
    assert (icon.y < desktop.work_area().centre.y) == (desktop.panel != "bottom"), "the icon is not in the panel"
    assert not desktop.windows("Quillo"), "a window showed at start"

    desktop.input.click(icon.centre)
    note = desktop.window("Quillo")
    shown = desktop.geometry(note)
    anchor = icon
    if desktop.panel == "xfce":
        # xfce4-panel sends where the button was let go, in the X server's pixels; the note goes to that spot.
        assert activate_calls() == [icon.centre]
        anchor = Rect(*icon.centre, 1, 1)
    assert placed_at(shown, anchor, desktop.work_area(), below=desktop.panel != "bottom"), (shown, anchor)
    assert "_NET_WM_STATE_SKIP_TASKBAR" in desktop.states(note)

    # The keyboard focus is in the note: what is typed lands in the file, after the delay.
    typed = "Buy milk, call Anna."
    desktop.input.type(typed)
    # However slow the machine, nothing can have been saved 0.45 s after the last key.
    time.sleep(0.45)
    assert quillo.note() is None, "saved before the delay ran out"
    wait_until(lambda: quillo.note() == typed, "the typed text in the note file")

    # Escape hides it; the next click shows it again at the same place, still out of the taskbar.
    desktop.input.press("Escape")
    wait_until(lambda: not desktop.viewable(note), "Escape to hide the note")
    desktop.input.click(icon.centre)
    note = desktop.window("Quillo")
    assert desktop.geometry(note) == shown
    assert "_NET_WM_STATE_SKIP_TASKBAR" in desktop.states(note)

    # A click while it is shown hides it.
    desktop.input.click(icon.centre)
    wait_until(lambda: not desktop.viewable(note), "a second click to hide the note")
    if desktop.panel == "xfce":  # a spot sent from the middle of the bottom edge: the note goes above it, centred
        spot = Point(desktop.work_area().centre.x, desktop.work_area().bottom - 4)
        TrayItem(dbus.SessionBus(), f"org.kde.StatusNotifierItem-{quillo.pid}-1/StatusNotifierItem").activate(spot)
        frame = desktop.geometry(note)
        assert 0 <= spot.x - frame.centre.x < SCALE and 6 * SCALE <= spot.y - frame.bottom < 7 * SCALE, frame
    assert quillo.stop() == 0
    assert quillo.note() == typed


def test_a_double_click_in_gnomes_top_bar_shows_the_note_below_the_icon(desktop, start):
    start()
    icon = desktop.double_click_tray_icon("Quillo")
    shown = desktop.geometry(desktop.active("Quillo"))
    assert placed_at(shown, icon, desktop.work_area(), below=True), (shown, icon)
