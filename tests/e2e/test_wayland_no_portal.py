# SPDX-License-Identifier: GPL-3.0-or-later
"""In a Wayland session without a GlobalShortcuts portal Quillo has no hotkey, and nothing else changes: it
starts, its tray item shows and hides the note, which takes typed keys, and it quits."""

from quillo_e2e import Point, wait_until


def test_the_tray_serves_and_quillo_quits(desktop, start):
    quillo = start()
    item = desktop.launched(hotkey=None)
    spot = Point(640, 3)
    item.activate(spot)
    note = desktop.active("Quillo")
    desktop.input.type("no portal, no problem")
    wait_until(lambda: quillo.note() == "no portal, no problem", "the typed text in the note file")
    item.activate(spot)
    wait_until(lambda: not desktop.viewable(note), "a second click to hide the note")
    assert quillo.stop() == 0
