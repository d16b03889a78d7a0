# SPDX-License-Identifier: GPL-3.0-or-later
"""GNOME 48's GlobalShortcuts: the user adds Quillo's shortcut once, in GNOME's dialog; its key then toggles the
note, which takes typed text, and the next start has the key at once, without asking again."""

from quillo_e2e import wait_until


def test_the_shortcut_added_in_gnomes_dialog_toggles_the_note_and_stays(desktop, start):
    quillo = start()
    desktop.approve_shortcuts()
    wait_until(lambda: quillo.settings().get("hotKeyDesktopTrigger") == "CTRL+ALT+n", "Quillo to take the binding")
    wait_until(lambda: desktop.bound("ctrl+alt+n"), "GNOME to bind the shortcut")
    desktop.input.press("ctrl+alt+n")
    note = desktop.active("Quillo")
    desktop.input.type("Call Anna.")
    wait_until(lambda: quillo.note() == "Call Anna.", "the typed text in the note file")
    desktop.input.press("ctrl+alt+n")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")
    assert quillo.stop() == 0

    quillo = start()
    wait_until(lambda: desktop.bound("ctrl+alt+n"), "GNOME to bind the shortcut again")
    desktop.input.press("ctrl+alt+n")
    desktop.active("Quillo")
    assert not desktop.dialog()
    assert quillo.stop() == 0
