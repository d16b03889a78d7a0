# SPDX-License-Identifier: GPL-3.0-or-later
"""GNOME 48's GlobalShortcuts: the user adds Quillo's shortcut once, in GNOME's dialog; its key then toggles the
note, which takes typed text, and the next start has the key at once, without asking again."""

from quillo_e2e import wait_until


def press_until(desktop, keys, title):
    """Presses keys until the window shows: the desktop may not have bound them yet."""
    for _ in range(20):
        desktop.input.press(keys)
        try:
            return desktop.active(title, timeout=1)
        except AssertionError:
            pass
    raise AssertionError(f"{keys} never showed {title!r}")


def test_the_shortcut_added_in_gnomes_dialog_toggles_the_note_and_stays(desktop, start):
    quillo = start()
    desktop.approve_shortcuts()
    wait_until(lambda: quillo.settings().get("hotKeyDesktopTrigger") == "CTRL+ALT+n", "Quillo to take the binding")
    note = press_until(desktop, "ctrl+alt+n", "Quillo")
    desktop.input.type("Call Anna.")
    wait_until(lambda: quillo.note() == "Call Anna.", "the typed text in the note file")
    desktop.input.press("ctrl+alt+n")
    wait_until(lambda: not desktop.viewable(note), "the hotkey to hide the note")
    assert quillo.stop() == 0

    # GNOME keeps the approval: were it asking again, the key would do nothing until the dialog was answered.
    quillo = start()
    press_until(desktop, "ctrl+alt+n", "Quillo")
    assert not desktop.dialog()
    assert quillo.stop() == 0
