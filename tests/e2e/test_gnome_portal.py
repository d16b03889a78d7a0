# SPDX-License-Identifier: GPL-3.0-or-later
"""GNOME 48's GlobalShortcuts: the user adds Quillo's shortcut once, in GNOME's dialog; its key then toggles the
note, and the next start has the key at once, without asking again."""

from quillo_e2e import wait_until


def test_the_shortcut_added_in_gnomes_dialog_toggles_the_note_and_stays(desktop, start):
    quillo = start()
    desktop.approve_shortcuts()
    wait_until(lambda: quillo.settings().get("hotKeyDesktopTrigger") == "CTRL+ALT+n", "Quillo to take the binding")
    desktop.press_bound("ctrl+alt+n")
    note = desktop.active("Quillo")
    desktop.input.press("ctrl+alt+n")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")
    assert quillo.stop() == 0

    quillo = start()
    desktop.press_bound("ctrl+alt+n")  # were GNOME asking again, its window would have the keyboard
    desktop.active("Quillo")
    assert quillo.stop() == 0
